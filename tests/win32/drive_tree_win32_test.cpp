// The drive trees in real tree controls: the drives and the list's missing drive on each
// page with the trace of their queries, and directories read, marked and named from the
// disk.
#include <gtest/gtest.h>

#include "platform/win32/win32.h"

#include <commctrl.h>

#include <cstring>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "report/win32/trace.h"
#include "settings/dirlist.h"
#include "settings/win32/drive_tree.h"

namespace {

// An item's text, image, overlay and child count.
struct Item {
    std::string text;
    int image, overlay, children;
};
Item item(HWND tree, HTREEITEM handle) {
    char text[kDriveLabelSize] = "";
    TVITEMA query = {};
    query.mask = TVIF_TEXT | TVIF_IMAGE | TVIF_STATE | TVIF_CHILDREN;
    query.hItem = handle;
    query.stateMask = TVIS_OVERLAYMASK;
    query.pszText = text;
    query.cchTextMax = sizeof text;
    TreeView_GetItem(tree, &query);
    return {text, query.iImage, static_cast<int>(query.state >> 8 & 0xF), query.cChildren};
}
std::vector<HTREEITEM> children(HWND tree, HTREEITEM parent) {
    std::vector<HTREEITEM> out;
    for (auto at = TreeView_GetChild(tree, parent); at; at = TreeView_GetNextSibling(tree, at))
        out.push_back(at);
    return out;
}
HTREEITEM child_named(HWND tree, HTREEITEM parent, const std::string& text) {
    for (HTREEITEM at : children(tree, parent))
        if (_stricmp(item(tree, at).text.c_str(), text.c_str()) == 0) return at;
    return nullptr;
}
int image(TreeImage which) {
    return drive_tree_state.image_index[static_cast<int>(which)];
}

// A page window with the two trees' controls.
class DriveTreeTest : public ::testing::Test {
   protected:
    void SetUp() override {
        InitCommonControls();
        empty_directory_list();
        page_ = CreateWindowA("Static", "", WS_POPUP, 0, 0, 300, 300, 0, 0, 0, 0);
        for (INT_PTR id : {301, 401})
            CreateWindowExA(0, WC_TREEVIEWA, "", WS_CHILD, 0, 0, 200, 200, page_,
                            reinterpret_cast<HMENU>(id), nullptr, nullptr);
    }
    void TearDown() override {
        release_drive_tree(GetDlgItem(page_, 301));
        release_drive_tree(GetDlgItem(page_, 401));
        DestroyWindow(page_);
        empty_directory_list();
    }
    HWND page_ = nullptr;
};

TEST_F(DriveTreeTest, BothPagesShowTheDrivesAndTheDisksDirectories) {
    const std::string root = "C:\\inkhound-tree-" + std::to_string(GetCurrentProcessId());
    const char* const made[] = {"",         "\\DATA",   "\\Empty", "\\Gone",
                                "\\Hidden", "\\System", "\\.dot"};
    for (const char* name : made) ASSERT_TRUE(CreateDirectoryA((root + name).c_str(), nullptr));
    SetFileAttributesA((root + "\\Hidden").c_str(), FILE_ATTRIBUTE_HIDDEN);
    SetFileAttributesA((root + "\\System").c_str(), FILE_ATTRIBUTE_SYSTEM);
    set_directory_mark((root + "\\DATA").c_str(), 1);
    set_directory_mark("M:\\ART", 1);
    char trace[MAX_PATH];
    GetModuleFileNameA(nullptr, trace, MAX_PATH);
    std::strcpy(std::strrchr(trace, '\\') + 1, "Inkhound.dbg");
    DeleteFileA(trace);
    trace_state.debug_enabled = true;
    const HWND tree = build_drive_tree(page_, 301, true),
               immediate = build_drive_tree(page_, 401, false);
    close_trace();
    trace_state.debug_enabled = false;
    ASSERT_TRUE(tree != nullptr && immediate != nullptr);

    // The list's missing drive stands last, on the "Directories" tree only.
    const std::vector<HTREEITEM> drives = children(tree, TVI_ROOT);
    const Item missing = item(tree, drives.back());
    EXPECT_EQ("(M:)", missing.text);
    EXPECT_EQ(image(TreeImage::MissingDrive), missing.image);
    EXPECT_EQ(kOverlayIncludedBelow, missing.overlay);
    for (HTREEITEM drive : children(immediate, TVI_ROOT))
        EXPECT_EQ(std::string::npos, item(immediate, drive).text.find("M:"));
    // Each query's line, the run's first one after an empty line.
    std::stringstream text;
    text << std::ifstream(trace, std::ios::binary).rdbuf();
    EXPECT_EQ(0u, text.str().find("\r\n"));
    EXPECT_NE(std::string::npos, text.str().find(":\\;M:\\\"\r\n"));
    EXPECT_NE(std::string::npos, text.str().find(" \"GetDriveType()\" on \"M:\\\" returned 1\r\n"));
    DeleteFileA(trace);

    // Directories read on expansion, with their marks and paths.
    const HTREEITEM drive = drives[0];
    EXPECT_EQ(kOverlayIncludedBelow, item(tree, drive).overlay);
    ASSERT_GT(fill_subdirectories(drive, tree, true), 0);
    const HTREEITEM top = child_named(tree, drive, root.substr(3));
    ASSERT_NE(nullptr, top);
    EXPECT_EQ(kOverlayIncludedBelow, item(tree, top).overlay);
    EXPECT_EQ(3, fill_subdirectories(top, tree, true));  // DATA, Empty, Gone
    const HTREEITEM data = child_named(tree, top, "DATA");
    EXPECT_EQ(image(TreeImage::IncludedFolder), item(tree, data).image);
    char path[kTreePathSize];
    ASSERT_EQ(1, get_tree_item_path(tree, data, path));
    EXPECT_EQ(root + "\\DATA", path);

    // Empty and vanished directories lose their buttons; a path too long names nothing.
    RemoveDirectoryA((root + "\\Gone").c_str());
    for (const char* name : {"Empty", "Gone"}) {
        EXPECT_EQ(0, fill_subdirectories(child_named(tree, top, name), tree, true)) << name;
        EXPECT_EQ(0, item(tree, child_named(tree, top, name)).children) << name;
    }
    std::string deep(250, 'd');
    TVINSERTSTRUCTA insert = {data, TVI_LAST, {}};
    insert.item = {TVIF_TEXT, nullptr, 0, 0, &deep[0], 0, 0, 0, 0, 0};
    const auto too_long = TreeView_InsertItem(tree, &insert);
    EXPECT_EQ(0, get_tree_item_path(tree, too_long, path));
    EXPECT_EQ(0, fill_subdirectories(too_long, tree, true));

    // "Add" on the drive: every loaded folder below it turns red.
    set_directory_mark("C:", 1);
    refresh_scan_marks(drive, tree);
    EXPECT_EQ(kOverlayRootIncluded, item(tree, drive).overlay);
    for (HTREEITEM at : {top, data})
        EXPECT_EQ(image(TreeImage::IncludedFolder), item(tree, at).image);

    for (int i = 6; i >= 0; --i) RemoveDirectoryA((root + made[i]).c_str());
}

}  // namespace
