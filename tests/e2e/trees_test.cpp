// The drive trees and the trace of "/DEBUG" end to end, on the drives this suite's run maps
// (tests/CMakeLists.txt): D: fixed, labelled "ART"; E: fixed, no label; F: a floppy; G: a
// network drive; H: a CD-ROM; and M:, named by the scan directory list but not there.
#include "tests/e2e/scenario.h"

#include <fstream>
#include <regex>
#include <string>

#include "resources/resource.h"
#include "tests/support/time_stamps.h"

namespace {

TreeItem tree_item(HWND tree, HTREEITEM handle) {
    TreeItem read;
    if (handle != nullptr) read_tree_item(tree, handle, &read);
    return read;
}
HTREEITEM find_item(HWND tree, HTREEITEM parent, const std::string& text) {
    for (HTREEITEM at : tree_children(tree, parent))
        if (tree_item(tree, at).text == text) return at;
    return nullptr;
}
// Each item's text, image and overlay, such as "DATA/y2" (the images in their order: "y"
// yellow folder, "r" red folder, "3" and "5" floppies, "f" fixed, "m" removable, "n" network,
// "x" unknown network and "?" missing drive).
std::string marks(HWND tree, const std::vector<HTREEITEM>& items) {
    std::string all;
    for (HTREEITEM at : items) {
        const TreeItem read = tree_item(tree, at);
        const char image = read.image >= 0 && read.image < 9 ? "yr35fmnx?"[read.image] : '-';
        all += read.text + "/" + image + std::to_string(read.overlay) + ";";
    }
    return all;
}

// A run's trace: an empty line, then lines such as
// 5-Dec-26 09:07:03 "GetDriveType()" on "C:\" returned 3
bool trace_run_well_formed(const std::string& run) {
    static const std::regex line("T \"[^\r\n]*\r\n");
    return run.size() > 2 && run.compare(0, 2, "\r\n") == 0 &&
           std::regex_replace(mask_time_stamps(run.substr(2)), line, "").empty();
}

using Trees = Scenario;

TEST_F(Trees, DrivesDirectoriesMarksListFileAndTrace) {
    // D:\DATA\<230 letters>\<30 letters> is too long a path for the tree.
    const std::string deep = "D:\\DATA\\" + std::string(230, 'L'), deeper(30, 'S');
    for (const char* made : {"D:\\DATA", "D:\\DATA\\IMAGES", "D:\\EMPTY", "D:\\NEW", "D:\\HIDDEN",
                             "D:\\SYSTEM", "D:\\.dot", deep.c_str()})
        CreateDirectoryA(made, nullptr);
    ASSERT_TRUE(SetCurrentDirectoryA(deep.c_str()));
    CreateDirectoryA(deeper.c_str(), nullptr);
    ASSERT_TRUE(SetFileAttributesA("D:\\HIDDEN", FILE_ATTRIBUTE_HIDDEN));
    ASSERT_TRUE(SetFileAttributesA("D:\\SYSTEM", FILE_ATTRIBUTE_SYSTEM));
    ASSERT_TRUE(RemoveDirectoryA("D:\\NEW"));
    const std::string exe = install_copy("Inkhound.exe");
    const std::string list_file = app_file("Inkhound.dfo"), trace = app_file("Inkhound.dbg");
    std::ofstream(list_file, std::ios::binary) << "M:\\ART\r\nD:\\DATA\\IMAGES\r\n";
    ASSERT_NE(nullptr, start_settings(exe.c_str(), "/DEBUG"));
    HWND immediate = item(current_page(sheet_), IDC_IMMEDIATE_TREE);
    HWND page = show_page(kDirectoriesPage), tree = item(page, IDC_DIRECTORIES_TREE);

    // Each page's drives; the marks of the list, and its missing drive last, on "Directories"
    // only. A fixed drive without a label reads " (E:)". Wine's floppy answers the geometry
    // query with fixed media, so that neither page shows it, as none shows the CD-ROM; Wine
    // names the network drive's connection "G:".
    const std::string more = " (E:)/f0; on 'G:' (G:)/n0; (Z:)/f0;";
    EXPECT_EQ(" (C:)/f0;ART (D:)/f2;" + more + "(M:)/?2;",
              marks(tree, tree_children(tree, nullptr)));
    EXPECT_EQ(" (C:)/f0;ART (D:)/f0;" + more, marks(immediate, tree_children(immediate, nullptr)));

    // The disk's directories, neither hidden, system nor dot, read afresh at each expansion;
    // a leaf, a vanished directory and one whose path does not fit lose their buttons.
    HTREEITEM drive = find_item(tree, nullptr, "ART (D:)");
    expand_tree_item(tree, drive, TVE_EXPAND);
    EXPECT_EQ("DATA/y2;EMPTY/y0;", marks(tree, tree_children(tree, drive)));
    ASSERT_TRUE(CreateDirectoryA("D:\\NEW", nullptr));
    select_tree_item(tree, drive);  // a user's collapse and expansion reach the page
    press_key(tree, VK_SUBTRACT);
    press_key(tree, VK_ADD);
    EXPECT_EQ("DATA/y2;EMPTY/y0;NEW/y0;", marks(tree, tree_children(tree, drive)));
    ASSERT_TRUE(RemoveDirectoryA("D:\\NEW"));
    HTREEITEM data = find_item(tree, drive, "DATA"), empty = find_item(tree, drive, "EMPTY");
    expand_tree_item(tree, data, TVE_EXPAND);
    expand_tree_item(tree, find_item(tree, data, deep.substr(8)), TVE_EXPAND);
    HTREEITEM too_long = find_item(tree, find_item(tree, data, deep.substr(8)), deeper);
    for (HTREEITEM leaf : {empty, find_item(tree, drive, "NEW"), too_long}) {
        EXPECT_EQ(1, tree_item(tree, leaf).children);
        expand_tree_item(tree, leaf, TVE_EXPAND);
        EXPECT_EQ(0, tree_item(tree, leaf).children);
    }

    // "Add" and "Remove" on the selected item, and the marks of the drive's loaded items.
    HTREEITEM images = find_item(tree, data, "IMAGES");
    const struct {
        HTREEITEM item;
        int button;
        const char* marks;
    } steps[] = {
        {too_long, IDC_ADD_DIRECTORY, "ART (D:)/f2;DATA/y2;IMAGES/r0;EMPTY/y0;"},  // no path
        {data, IDC_ADD_DIRECTORY, "ART (D:)/f2;DATA/r0;IMAGES/r0;EMPTY/y0;"},
        {images, IDC_REMOVE_DIRECTORY, "ART (D:)/f2;DATA/r0;IMAGES/y0;EMPTY/y0;"},
        {drive, IDC_ADD_DIRECTORY, "ART (D:)/f1;DATA/r0;IMAGES/r0;EMPTY/r0;"},
        {empty, IDC_REMOVE_DIRECTORY, "ART (D:)/f1;DATA/r0;IMAGES/r0;EMPTY/y0;"},
    };
    for (const auto& step : steps) {
        select_tree_item(tree, step.item);
        click(page, step.button);
        EXPECT_EQ(step.marks, marks(tree, {drive, data, images, empty}));
    }
    EXPECT_TRUE(screenshot("directories-marks", sheet_));
    close_settings(IDOK);
    EXPECT_EQ(
        "!\r\n!\tInkhound scan directories - don't edit\r\n!\r\nM:\\ART\r\nD:\r\n-D:\\EMPTY\r\n",
        file_bytes(list_file.c_str()));
    const std::string first = file_bytes(trace.c_str());
    EXPECT_TRUE(trace_run_well_formed(first)) << first;
    // Lines of the trace, each after its time stamp: "Directories" asks of the list's drive.
    for (const char* line :
         {R"x("GetLogicalDriveStrings()" returned "C:\;D:\;E:\;F:\;G:\;H:\;Z:\;M:\")x",
          R"x("GetDriveType()" on "C:\" returned 3)x",
          R"x("GetVolumeInformation()" on "D:\" returned 1, volname="ART")x",
          R"x("GetDriveType()" on "F:\" returned 2)x",
          R"x("WNetGetUniversalName()" on "G:" returned 0, net_info="G:")x"})
        EXPECT_NE(std::string::npos, first.find(std::string(" ") + line + "\r\n")) << line;

    // A second traced run appends its lines.
    ASSERT_NE(nullptr, start_settings(exe.c_str(), "/DEBUG"));
    show_page(kDirectoriesPage);
    close_settings(IDCANCEL);
    const std::string both = file_bytes(trace.c_str());
    ASSERT_EQ(first, both.substr(0, first.size()));
    EXPECT_TRUE(trace_run_well_formed(both.substr(first.size()))) << both;

    // Without "/DEBUG" no trace.
    ASSERT_TRUE(DeleteFileA(trace.c_str()));
    ASSERT_NE(nullptr, start_settings(exe.c_str()));
    show_page(kDirectoriesPage);
    close_settings(IDCANCEL);
    EXPECT_EQ("<missing>", file_bytes(trace.c_str()));
}

}  // namespace
