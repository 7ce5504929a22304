// The drive tree's decisions from recorded answers: labels and images by drive type and
// media, the geometry and DOS device answers, network names, the list's missing drives,
// the directories that become items, and the trace line's limit.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "desktop/common/trace_line.h"
#include "desktop/settings_window/drive_kinds.h"

namespace {

struct LabelRow {
    DriveFacts facts;
    const char* name;
    const char* text;  // null: left out
    TreeImage image;
};
using S = DriveShow;
using I = TreeImage;
const LabelRow kLabels[] = {
    {{S::Fixed, 0, true, "SYSTEM", nullptr}, "C:", "SYSTEM (C:)", I::FixedDrive},
    {{S::Fixed, 0, true, "", nullptr}, "C:", " (C:)", I::FixedDrive},
    {{S::Fixed, 0, false, "", nullptr}, "C:", nullptr, I::Folder},
    {{S::Removable, 350, false, "", nullptr}, "A:", "3\xBD Floppy (A:)", I::Floppy35},
    {{S::Removable, 525, false, "", nullptr}, "B:", "5\xBC Floppy (B:)", I::Floppy525},
    {{S::Removable, 82, true, "ZIP", nullptr}, "E:", "ZIP (E:)", I::RemovableDrive},
    {{S::Removable, 82, false, "", nullptr}, "E:", "Removable (E:)", I::RemovableDrive},
    {{S::Remote, 0, false, "", "\\\\srv\\pub\\dir"}, "F:", "pub on 'srv' (F:)", I::NetworkDrive},
    {{S::Remote, 0, false, "", nullptr}, "F:", "(F:)", I::UnknownNetworkDrive},
    {{S::Missing, 0, false, "", nullptr}, "ABCDEFGHI:", "(ABCDEFGHI:)", I::MissingDrive},
};

TEST(DriveKinds, LabelsAndImagesKeepTheDriveNameFindable) {
    for (const LabelRow& row : kLabels) {
        SCOPED_TRACE(row.text ? row.text : "left out");
        DriveItemText item;
        ASSERT_EQ(row.text != nullptr, describe_drive(row.facts, row.name, &item) == 1);
        if (row.text == nullptr) continue;
        EXPECT_STREQ(row.text, item.text);
        EXPECT_EQ(row.image, item.image);
        char name[kDriveStringsSize];
        ASSERT_EQ(1, drive_name_of_item(item.text, item.name_param, name, sizeof name));
        EXPECT_STREQ(row.name, name);
    }
    char name[8];
    EXPECT_EQ(0, drive_name_of_item("(C:)", 9 << 16 | 1, name, sizeof name));  // past the text
}

TEST(DriveKinds, MediaKindsFromRecordedAnswers) {
    // Geometry answers by media type 0 to 13, then a floppy answer cut short.
    const int geometry_kinds[] = {0, 525, 350, 350, 350, 350, 525, 525, 525, 525, 525, 82, 70, 0};
    unsigned char geometry[kDriveGeometrySize] = {0x50, 0, 0, 0, 0, 0, 0, 0};
    for (int type = 0; type < 14; ++type) {
        geometry[8] = static_cast<unsigned char>(type);
        EXPECT_EQ(geometry_kinds[type], media_kind_of_geometry(geometry, 24)) << type;
    }
    geometry[8] = 2;
    EXPECT_EQ(0, media_kind_of_geometry(geometry, 23));

    DosRegisters registers;
    set_device_parameters_request('a', 0x1234, &registers);
    EXPECT_TRUE(registers.ebx == 1 && registers.eax == 0x440D && registers.ecx == 0x0860 &&
                registers.edx == 0x1234 && registers.flags == kCarryFlag);
    // Device-type bytes 0 to 10, answered with the carry flag cleared.
    const int device_kinds[] = {525, 525, 350, 525, 525, 82, 84, 350, 70, 350, 0};
    unsigned char block[kDeviceParametersSize] = {0};
    registers.flags = 0;
    for (int type = 0; type < 11; ++type) {
        block[1] = static_cast<unsigned char>(type);
        EXPECT_EQ(device_kinds[type], media_kind_of_device_parameters(true, registers, block));
    }
    block[1] = 2;
    EXPECT_EQ(0, media_kind_of_device_parameters(false, registers, block));
    registers.flags = kCarryFlag;
    EXPECT_EQ(0, media_kind_of_device_parameters(true, registers, block));
}

TEST(DriveKinds, ListDrivesAreAppendedOnceWhileTheBufferHoldsThem) {
    char drives[kDriveStringsSize] = "A:\\\0C:\\\0";
    const struct {
        const char* path;
        int appended;
    } rows[] = {{"M:\\ART", 1},        {"m:\\other", 0}, {"c:\\DATA", 0}, {"ABCDEFGHI:\\X", 1},
                {"ABCDEFGHIJ:\\X", 0}, {":\\X", 0},      {"NO-COLON", 0}, {"AB:\\X", 1}};
    for (const auto& row : rows)
        EXPECT_EQ(row.appended, add_list_drive(drives, row.path)) << row.path;
    char joined[kDriveStringsSize];
    join_drive_strings(drives, joined, sizeof joined);
    EXPECT_STREQ("A:\\;C:\\;M:\\;ABCDEFGHI:\\;AB:\\", joined);

    // A list ending at 195 holds "Q:\" and its closing empty string; one ending at 196 does not.
    for (const std::size_t end : {195u, 196u}) {
        char full[kDriveStringsSize] = {};
        for (std::size_t at = 0; at + 4 <= end; at += 4) std::memcpy(full + at, "D:\\", 4);
        if (end % 4 != 0) std::memcpy(full + end - 3, "D:", 3);
        EXPECT_EQ(end == 195 ? 1 : 0, add_list_drive(full, "Q:\\X")) << end;
    }
}

TEST(DriveKinds, TemporaryDirectoriesAreNoItems) {
    EXPECT_FALSE(is_tree_directory(0x110, "DATA"));  // the only attribute Wine does not keep
}

TEST(TraceLine, ARunStartsWithAnEmptyLineAndALongMessageKeepsItsLineEnd) {
    char line[kTraceLineSize];
    EXPECT_EQ(29u, compose_trace_line(true, "5-Dec-26 09:07:03 ", "message", line, sizeof line));
    EXPECT_STREQ("\r\n5-Dec-26 09:07:03 message\r\n", line);
    EXPECT_EQ(499u, compose_trace_line(false, "5-Dec-26 09:07:03 ", std::string(600, 'x').c_str(),
                                       line, sizeof line));
    EXPECT_EQ("5-Dec-26 09:07:03 " + std::string(479, 'x') + "\r\n", line);
}

}  // namespace
