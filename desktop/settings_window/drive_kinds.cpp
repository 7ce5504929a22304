// The drive tree's decisions that need no system: drive labels and images, media kinds,
// network names, the list's missing drives. User-interface thread.
#include "desktop/settings_window/drive_kinds.h"

#include <cstdio>
#include <cstring>

#include "settings/dirlist.h"

namespace {

struct DriveShowRow {
    unsigned drive_type;
    DriveShow on_directories;  // mark_scan_list on
    DriveShow on_immediate;    // mark_scan_list off
};
// Any type not listed (0, CD-ROM, RAM disk) is left out on both pages.
constexpr DriveShowRow kDriveShows[] = {
    {3, DriveShow::Fixed, DriveShow::Fixed},
    {2, DriveShow::LeftOut, DriveShow::Removable},
    {4, DriveShow::Remote, DriveShow::Remote},
    {1, DriveShow::Missing, DriveShow::LeftOut},
};

// Media kinds by the geometry's media type 0 to 12; any larger type is unknown.
constexpr int kKindOfMediaType[] = {
    kMediaUnknown,   kMediaFloppy525, kMediaFloppy35,  kMediaFloppy35,  kMediaFloppy35,
    kMediaFloppy35,  kMediaFloppy525, kMediaFloppy525, kMediaFloppy525, kMediaFloppy525,
    kMediaFloppy525, kMediaRemovable, kMediaFixed,
};

// Media kinds by the device-type byte 0 to 9; any larger byte is unknown.
constexpr int kKindOfDeviceType[] = {
    kMediaFloppy525, kMediaFloppy525, kMediaFloppy35, kMediaFloppy525, kMediaFloppy525,
    kMediaRemovable, kMediaTape,      kMediaFloppy35, kMediaFixed,     kMediaFloppy35,
};

// The "½" and "¼" are bytes of the Windows ANSI code page 1252.
constexpr char kFloppy35Prefix[] = "3\xBD Floppy (";
constexpr char kFloppy525Prefix[] = "5\xBC Floppy (";
constexpr char kRemovableName[] = "Removable";
constexpr char kPlainPrefix[] = "(";

char upper_case(char c) {
    return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
}

bool equal_ignoring_case(const char* a, const char* b, std::size_t length) {
    for (std::size_t i = 0; i < length; ++i)
        if (upper_case(a[i]) != upper_case(b[i])) return false;
    return true;
}

// The label's prefix of a network drive: "share on 'server' (" from "\\server\share\dir".
void network_prefix(const char* universal_name, char* out, std::size_t size) {
    const char* server = universal_name;
    while (*server == '\\') ++server;
    const std::size_t server_length = std::strcspn(server, "\\");
    const char* share = server + server_length;
    if (*share == '\\') ++share;
    const std::size_t share_length = std::strcspn(share, "\\");
    std::snprintf(out, size, "%.*s on '%.*s' (", static_cast<int>(share_length), share,
                  static_cast<int>(server_length), server);
}

int add_list_drive_callback(const char* path, bool, void* context) {
    add_list_drive(static_cast<char*>(context), path);
    return 1;
}

}  // namespace

int media_kind_of_geometry(const unsigned char* answer, std::size_t returned) {
    if (returned < kDriveGeometrySize) return kMediaUnknown;
    const std::uint32_t media_type = answer[8] | (answer[9] << 8) | (answer[10] << 16) |
                                     (static_cast<std::uint32_t>(answer[11]) << 24);
    if (media_type >= sizeof kKindOfMediaType / sizeof kKindOfMediaType[0]) return kMediaUnknown;
    return kKindOfMediaType[media_type];
}

void set_device_parameters_request(char drive_letter, std::uint32_t block_address,
                                   DosRegisters* registers) {
    *registers = DosRegisters{};
    registers->eax = 0x440D;  // generic block-device request
    registers->ecx = 0x0860;  // get device parameters
    // Drive 0 would be the current drive: a character that is no letter asks for none.
    const char letter = upper_case(drive_letter);
    registers->ebx =
        (letter >= 'A' && letter <= 'Z') ? static_cast<std::uint32_t>(letter - 64) : 0xFF;
    registers->edx = block_address;
    registers->flags = kCarryFlag;  // the device clears it when the request succeeds
}

int media_kind_of_device_parameters(bool call_succeeded, const DosRegisters& registers,
                                    const unsigned char* block) {
    if (!call_succeeded || (registers.flags & kCarryFlag)) return kMediaUnknown;
    const unsigned device_type = block[1];
    if (device_type >= sizeof kKindOfDeviceType / sizeof kKindOfDeviceType[0]) return kMediaUnknown;
    return kKindOfDeviceType[device_type];
}

DriveShow drive_show_of_type(unsigned drive_type, bool mark_scan_list) {
    for (const DriveShowRow& row : kDriveShows)
        if (row.drive_type == drive_type)
            return mark_scan_list ? row.on_directories : row.on_immediate;
    return DriveShow::LeftOut;
}

void drive_name_of(const char* drive_string, char* out, std::size_t size) {
    if (size == 0) return;
    std::size_t length = 0;
    while (drive_string[length] != '\0' && length + 1 < size) {
        out[length] = upper_case(drive_string[length]);
        ++length;
    }
    if (length > 0 && out[length - 1] == '\\') --length;
    out[length] = '\0';
}

int describe_drive(const DriveFacts& facts, const char* drive_name, DriveItemText* out) {
    // The prefix is cut at its buffer; its parts are far shorter (a 50-character volume
    // name, a 204-byte universal name).
    char prefix[kDriveLabelPrefixSize];
    switch (facts.show) {
        case DriveShow::Fixed:
            if (!facts.volume_known) return 0;
            std::snprintf(prefix, sizeof prefix, "%s (", facts.volume_name);
            out->image = TreeImage::FixedDrive;
            break;
        case DriveShow::Removable:
            if (facts.media_kind == kMediaFloppy35) {
                std::snprintf(prefix, sizeof prefix, "%s", kFloppy35Prefix);
                out->image = TreeImage::Floppy35;
            } else if (facts.media_kind == kMediaFloppy525) {
                std::snprintf(prefix, sizeof prefix, "%s", kFloppy525Prefix);
                out->image = TreeImage::Floppy525;
            } else if (facts.media_kind == kMediaRemovable) {
                std::snprintf(prefix, sizeof prefix, "%s (",
                              facts.volume_known ? facts.volume_name : kRemovableName);
                out->image = TreeImage::RemovableDrive;
            } else {
                return 0;
            }
            break;
        case DriveShow::Remote:
            if (facts.universal_name != nullptr) {
                network_prefix(facts.universal_name, prefix, sizeof prefix);
                out->image = TreeImage::NetworkDrive;
            } else {
                std::snprintf(prefix, sizeof prefix, "%s", kPlainPrefix);
                out->image = TreeImage::UnknownNetworkDrive;
            }
            break;
        case DriveShow::Missing:
            std::snprintf(prefix, sizeof prefix, "%s", kPlainPrefix);
            out->image = TreeImage::MissingDrive;
            break;
        default:
            return 0;
    }
    // The name is cut like a drive string, so that the text always holds all of it.
    const std::size_t prefix_length = std::strlen(prefix);
    const std::size_t name_length = strnlen(drive_name, kDriveStringsSize - 1);
    std::memcpy(out->text, prefix, prefix_length);
    std::memcpy(out->text + prefix_length, drive_name, name_length);
    std::memcpy(out->text + prefix_length + name_length, ")", 2);
    out->name_param = static_cast<std::uint32_t>(name_length << 16 | prefix_length);
    return 1;
}

int drive_name_of_item(const char* text, std::uintptr_t param, char* out, std::size_t size) {
    const std::size_t offset = param & 0xFFFF, length = (param >> 16) & 0xFFFF;
    const std::size_t text_length = std::strlen(text);
    if (length == 0 || offset > text_length || length > text_length - offset || length >= size)
        return 0;
    std::memcpy(out, text + offset, length);
    out[length] = '\0';
    return 1;
}

int add_list_drive(char* drives, const char* path) {
    const char* colon = std::strchr(path, ':');
    if (colon == nullptr || colon == path || colon - path > 9) return 0;
    const std::size_t prefix_length = static_cast<std::size_t>(colon - path) + 1;

    std::size_t end = 0;  // where the list's empty string stands
    while (end < kDriveStringsSize && drives[end] != '\0') {
        const std::size_t length = strnlen(drives + end, kDriveStringsSize - end);
        if (length >= prefix_length && equal_ignoring_case(drives + end, path, prefix_length))
            return 0;
        end += length + 1;
    }
    // The entry, its backslash and zero, and the list's closing empty string.
    if (end + prefix_length + 3 > kDriveStringsSize) return 0;
    // Every drive string the system gives ends with a backslash after the colon; an
    // appended drive reads the same way ("M:\"), whatever the list's last string holds.
    std::memcpy(drives + end, path, prefix_length);
    drives[end + prefix_length] = '\\';
    drives[end + prefix_length + 1] = '\0';
    drives[end + prefix_length + 2] = '\0';
    return 1;
}

void add_list_drives(char* drives) {
    for_each_scan_directory(add_list_drive_callback, drives);
}

int drive_overlay(const char* path) {
    if (is_directory_included(path)) return kOverlayRootIncluded;
    return has_included_below(path) ? kOverlayIncludedBelow : 0;
}

ItemMarks directory_marks(const char* path, bool mark_scan_list) {
    if (!mark_scan_list) return {TreeImage::Folder, 0};
    if (is_directory_included(path)) return {TreeImage::IncludedFolder, 0};
    return {TreeImage::Folder, has_included_below(path) ? kOverlayIncludedBelow : 0};
}

bool is_tree_directory(std::uint32_t attributes, const char* name) {
    // The search's attribute bits.
    constexpr std::uint32_t kHidden = 0x02, kSystem = 0x04, kDirectory = 0x10, kTemporary = 0x100;
    return (attributes & kDirectory) && !(attributes & (kHidden | kSystem | kTemporary)) &&
           name[0] != '.';
}

void join_drive_strings(const char* drives, char* out, std::size_t size) {
    if (size == 0) return;
    std::size_t length = 0, at = 0;
    while (at < kDriveStringsSize && drives[at] != '\0') {
        const std::size_t part = strnlen(drives + at, kDriveStringsSize - at);
        if (at > 0 && length + 1 < size) out[length++] = ';';
        const std::size_t room = size - 1 - length;
        const std::size_t copied = part < room ? part : room;
        std::memcpy(out + length, drives + at, copied);
        length += copied;
        at += part + 1;
    }
    out[length] = '\0';
}
