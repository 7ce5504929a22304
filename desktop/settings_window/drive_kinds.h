// The drive tree's decisions that need no system: which drives each tree page shows and
// with what label and image, the media kinds read from the removable-drive queries'
// answers, the network drive's names, the scan directory list's missing drives, and the
// texts of the trace lines. User-interface thread.
#pragma once

#include <cstddef>
#include <cstdint>

#include "resources/resource.h"

// Buffers of the drive queries.
constexpr std::size_t kDriveStringsSize = 200;  // the drive string list
constexpr std::size_t kVolumeNameSize = 50;
constexpr std::size_t kUniversalNameSize = 204;  // bytes of the universal-name answer
constexpr std::size_t kConnectionNameSize = 200;
// A drive item's text: a prefix of at most kDriveLabelPrefixSize - 1 characters, the drive
// name and ")".
constexpr std::size_t kDriveLabelPrefixSize = 260;
constexpr std::size_t kDriveLabelSize = kDriveLabelPrefixSize + kDriveStringsSize + 2;

// The tree's images, in the order they are loaded and added to its image list.
enum class TreeImage : std::uint8_t {
    Folder,
    IncludedFolder,
    Floppy35,
    Floppy525,
    FixedDrive,
    RemovableDrive,
    NetworkDrive,
    UnknownNetworkDrive,
    MissingDrive,
    RootIncluded,
    IncludedBelow,
};
constexpr int kTreeImageCount = 11;

struct TreeImageRow {
    int bitmap;   // bitmap resource
    int overlay;  // overlay number it is registered as, or 0
};
constexpr TreeImageRow kTreeImages[kTreeImageCount] = {
    {IDB_FOLDER, 0},        {IDB_INCLUDED_FOLDER, 0},       {IDB_FLOPPY_35, 0},
    {IDB_FLOPPY_525, 0},    {IDB_FIXED_DRIVE, 0},           {IDB_REMOVABLE_DRIVE, 0},
    {IDB_NETWORK_DRIVE, 0}, {IDB_UNKNOWN_NETWORK_DRIVE, 0}, {IDB_MISSING_DRIVE, 0},
    {IDB_ROOT_INCLUDED, 1}, {IDB_INCLUDED_BELOW, 2},
};
constexpr int kOverlayRootIncluded = 1;
constexpr int kOverlayIncludedBelow = 2;

// What get_removable_media_kind answers.
constexpr int kMediaUnknown = 0;
constexpr int kMediaFloppy35 = 350;
constexpr int kMediaFloppy525 = 525;  // 5¼-inch and 8-inch
constexpr int kMediaRemovable = 82;
constexpr int kMediaFixed = 70;  // also optical media
constexpr int kMediaTape = 84;

// The Windows NT drive geometry answer: 24 bytes, the media type a little-endian 32-bit
// word at offset 8. Returns the media kind, or kMediaUnknown when fewer than 24 bytes came.
constexpr std::size_t kDriveGeometrySize = 24;
int media_kind_of_geometry(const unsigned char* answer, std::size_t returned);

// The register block of the Windows 95/98 DOS block-device request, laid out as the
// system's device takes it (28 bytes).
struct DosRegisters {
    std::uint32_t ebx, edx, ecx, eax, edi, esi, flags;
};
static_assert(sizeof(DosRegisters) == 28, "the device reads 28 bytes");
constexpr std::size_t kDeviceParametersSize = 64;  // room for the request's answer
constexpr std::uint32_t kCarryFlag = 0x0001;

// Fills `registers` for "get device parameters" (440Dh, 0860h) of `drive_letter` with
// the parameter block at `block_address`, whose first byte the caller sets to 0.
void set_device_parameters_request(char drive_letter, std::uint32_t block_address,
                                   DosRegisters* registers);

// The media kind of the request's answer: kMediaUnknown when the call failed or came back
// with the carry flag, else decoded from the device-type byte (the block's second byte).
int media_kind_of_device_parameters(bool call_succeeded, const DosRegisters& registers,
                                    const unsigned char* block);

// Which drive item a drive type gives on one page.
enum class DriveShow : std::uint8_t { LeftOut, Fixed, Removable, Remote, Missing };
DriveShow drive_show_of_type(unsigned drive_type, bool mark_scan_list);

// What the queries told of one drive.
struct DriveFacts {
    DriveShow show;
    int media_kind;              // Removable: get_removable_media_kind's answer
    bool volume_known;           // Fixed, Removable: the volume query succeeded
    const char* volume_name;     // its answer
    const char* universal_name;  // Remote: "\\server\share\...", or null when unknown
};

struct DriveItemText {
    char text[kDriveLabelSize];  // prefix, drive name, ")"
    std::uint32_t name_param;    // item parameter: low 16 bits offset, high 16 length of the name
    TreeImage image;
};

// The drive name of a drive string: upper-cased (a to z only), one trailing backslash
// removed, cut to `size` - 1 characters.
void drive_name_of(const char* drive_string, char* out, std::size_t size);

// The drive item of `drive_name` (such as "C:"). Returns 0 when the drive is left out.
int describe_drive(const DriveFacts& facts, const char* drive_name, DriveItemText* out);

// Cuts the drive name out of a drive item's text by its item parameter. Returns 1, or 0
// when the parameter does not point inside the text or the name does not fit `size`.
int drive_name_of_item(const char* text, std::uintptr_t param, char* out, std::size_t size);

// Appends to the drive string list `drives` (kDriveStringsSize characters: strings each
// ended by a zero, the list by an empty string) the drive of `path` ("M:" from "M:\ART",
// 1 to 9 characters before its first colon) when no drive string begins with it. Returns
// 1 when the entry was appended; 0 when the path names no drive, the list has it, or the
// buffer cannot hold the entry and the list's end.
int add_list_drive(char* drives, const char* path);

// Appends the drives that the scan directory list names and `drives` lacks.
void add_list_drives(char* drives);

// The drive strings joined by ";" ("A:\;C:\"), cut to `size` - 1 characters.
void join_drive_strings(const char* drives, char* out, std::size_t size);

// The image and overlay (0, 1 or 2) an item shows for the scan directory list.
struct ItemMarks {
    TreeImage image;
    int overlay;
};

// A drive item's overlay for its root ("C:\" or "C:"): 1 included, else 2 when included
// directories lie below it, else 0.
int drive_overlay(const char* path);

// A directory item's marks: the red folder when included, else the yellow one with overlay
// 2 when included directories lie below it; without `mark_scan_list` the plain folder.
ItemMarks directory_marks(const char* path, bool mark_scan_list);

// Whether a directory search entry becomes a tree item: a directory that is neither
// hidden, system nor temporary, and whose name does not begin with ".".
bool is_tree_directory(std::uint32_t attributes, const char* name);

// The trace lines of the drive queries.
constexpr char kTraceDriveStrings[] = "\"GetLogicalDriveStrings()\" returned \"%s\"";
constexpr char kTraceDriveType[] = "\"GetDriveType()\" on \"%s\" returned %d";
constexpr char kTraceVolume[] = "\"GetVolumeInformation()\" on \"%s\" returned %d, volname=\"%s\"";
constexpr char kTraceUniversalName[] =
    "\"WNetGetUniversalName()\" on \"%s\" returned %d, net_info=\"%s\"";
constexpr char kTraceConnection[] =
    "\"WNetGetConnection()\" on \"%s\" returned %d, UNC name=\"%s\"";
constexpr char kTraceNoName[] = "<NULL>";
