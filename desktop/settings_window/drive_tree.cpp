// The drive and directory trees of the "Directories" and "Immediate scan" pages: drive items
// with their labels and images, subdirectories read when an item expands, the marks of
// the scan directory list, and the drive queries each traced when tracing is on.
// User-interface thread.
#include "desktop/settings_window/drive_tree.h"

#include <winioctl.h>
#include <winnetwk.h>

#include <cstdint>
#include <cstdio>
#include <cstring>

#include "desktop/common/trace.h"
#include "settings/dirlist.h"
#include "settings/options.h"
#include "platform/identity.h"

DriveTreeState drive_tree_state;

namespace {

constexpr COLORREF kMaskColour = RGB(255, 0, 255);
constexpr DWORD kVwin32DosIoctl = 1;  // VWIN32_DIOC_DOS_IOCTL
constexpr int kWindowsNt = 2;
// Each level of a path adds a backslash and at least one character.
constexpr int kMaxTreeDepth = kTreePathSize / 2;

int image_index(TreeImage image) {
    return drive_tree_state.image_index[static_cast<int>(image)];
}

// The eleven images in their order, orders 10 and 11 also overlays 1 and 2. Null when the
// list or an image cannot be made; the indices are kept only for a whole list.
HIMAGELIST load_tree_images() {
    const HIMAGELIST list = ImageList_Create(16, 16, ILC_COLOR4 | ILC_MASK, kTreeImageCount, 0);
    if (list == nullptr) return nullptr;
    const HINSTANCE instance = GetModuleHandleA(nullptr);
    int index[kTreeImageCount];
    for (int i = 0; i < kTreeImageCount; ++i) {
        index[i] = -1;
        const HBITMAP bitmap = LoadBitmapA(instance, MAKEINTRESOURCEA(kTreeImages[i].bitmap));
        if (bitmap == nullptr) continue;
        index[i] = ImageList_AddMasked(list, bitmap, kMaskColour);
        if (index[i] >= 0 && kTreeImages[i].overlay != 0)
            ImageList_SetOverlayImage(list, index[i], kTreeImages[i].overlay);
        DeleteObject(bitmap);
    }
    if (ImageList_GetImageCount(list) < kTreeImageCount) {
        ImageList_Destroy(list);
        return nullptr;
    }
    std::memcpy(drive_tree_state.image_index, index, sizeof index);
    return list;
}

// The drive string list; an answer that does not fit the buffer counts as no drives.
void read_drive_strings(char* drives) {
    const DWORD length = GetLogicalDriveStringsA(kDriveStringsSize, drives);
    if (length == 0 || length >= kDriveStringsSize) {
        drives[0] = '\0';
        return;
    }
    drives[length] = '\0';
}

// The volume name of `drive_string` into `volume` (kVolumeNameSize); true when known.
bool query_volume(const char* drive_string, char* volume) {
    volume[0] = '\0';
    const BOOL known = GetVolumeInformationA(drive_string, volume, kVolumeNameSize, nullptr,
                                             nullptr, nullptr, nullptr, 0);
    const int result = known ? 1 : static_cast<int>(GetLastError());
    volume[kVolumeNameSize - 1] = '\0';
    if (trace_state.debug_enabled) debug_trace(kTraceVolume, drive_string, result, volume);
    return known != 0;
}

union UniversalNameAnswer {
    UNIVERSAL_NAME_INFOA info;
    char bytes[kUniversalNameSize];
};

// The universal name of the network drive `drive_name` ("\\server\share"), from the
// universal-name query or else from the connection query; null when neither names it.
const char* query_universal_name(const char* drive_name, UniversalNameAnswer* answer,
                                 char* connection) {
    DWORD size = kUniversalNameSize;
    DWORD result = WNetGetUniversalNameA(drive_name, UNIVERSAL_NAME_INFO_LEVEL, answer, &size);
    const char* universal = nullptr;
    if (result == NO_ERROR && answer->info.lpUniversalName != nullptr) {
        answer->bytes[kUniversalNameSize - 1] = '\0';
        universal = answer->info.lpUniversalName;
    }
    if (trace_state.debug_enabled)
        debug_trace(kTraceUniversalName, drive_name, static_cast<int>(result),
                    universal ? universal : kTraceNoName);
    if (universal != nullptr) return universal;

    DWORD length = kConnectionNameSize;
    connection[0] = '\0';
    result = WNetGetConnectionA(drive_name, connection, &length);
    connection[kConnectionNameSize - 1] = '\0';
    if (trace_state.debug_enabled)
        debug_trace(kTraceConnection, drive_name, static_cast<int>(result), connection);
    return result == NO_ERROR ? connection : nullptr;
}

// Asks the queries the drive's type calls for and inserts its item after *previous,
// unless the drive is left out.
void add_drive_item(HWND tree, const char* drive_string, bool mark_scan_list, HTREEITEM* previous) {
    char name[kDriveStringsSize];
    drive_name_of(drive_string, name, sizeof name);
    const UINT type = GetDriveTypeA(drive_string);
    if (trace_state.debug_enabled)
        debug_trace(kTraceDriveType, drive_string, static_cast<int>(type));

    DriveFacts facts = {drive_show_of_type(type, mark_scan_list), kMediaUnknown, false, "",
                        nullptr};
    char volume[kVolumeNameSize] = "";
    UniversalNameAnswer answer;
    char connection[kConnectionNameSize];
    switch (facts.show) {
        case DriveShow::Fixed:
            facts.volume_known = query_volume(drive_string, volume);
            break;
        case DriveShow::Removable:
            facts.media_kind = get_removable_media_kind(name);
            if (facts.media_kind == kMediaRemovable)
                facts.volume_known = query_volume(drive_string, volume);
            break;
        case DriveShow::Remote:
            facts.universal_name = query_universal_name(name, &answer, connection);
            break;
        default:
            break;
    }
    facts.volume_name = volume;
    DriveItemText item;
    if (!describe_drive(facts, name, &item)) return;

    TVINSERTSTRUCTA insert = {};
    insert.hParent = TVI_ROOT;
    insert.hInsertAfter = *previous;
    insert.item.mask =
        TVIF_TEXT | TVIF_IMAGE | TVIF_SELECTEDIMAGE | TVIF_CHILDREN | TVIF_PARAM | TVIF_STATE;
    insert.item.pszText = item.text;
    insert.item.iImage = insert.item.iSelectedImage = image_index(item.image);
    insert.item.cChildren = I_CHILDRENCALLBACK;
    insert.item.lParam = static_cast<LPARAM>(item.name_param);
    insert.item.stateMask = TVIS_OVERLAYMASK;
    insert.item.state = mark_scan_list ? INDEXTOOVERLAYMASK(drive_overlay(drive_string)) : 0;
    const auto inserted = reinterpret_cast<HTREEITEM>(
        SendMessageA(tree, TVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&insert)));
    if (inserted != nullptr) *previous = inserted;
}

HTREEITEM next_item(HWND tree, HTREEITEM item, WPARAM relation) {
    return reinterpret_cast<HTREEITEM>(
        SendMessageA(tree, TVM_GETNEXTITEM, relation, reinterpret_cast<LPARAM>(item)));
}

// Reads the item's text (cut to `size` - 1 characters) and parameter.
bool read_item(HWND tree, HTREEITEM item, char* text, int size, LPARAM* param) {
    TVITEMA query = {};
    query.mask = TVIF_HANDLE | TVIF_TEXT | TVIF_PARAM;
    query.hItem = item;
    query.pszText = text;
    query.cchTextMax = size;
    text[0] = '\0';
    if (!SendMessageA(tree, TVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&query))) return false;
    text[size - 1] = '\0';
    *param = query.lParam;
    return true;
}

void set_item(HWND tree, HTREEITEM item, UINT mask, int image, int overlay, int children) {
    TVITEMA change = {};
    change.mask = TVIF_HANDLE | mask;
    change.hItem = item;
    change.iImage = change.iSelectedImage = image;
    change.stateMask = TVIS_OVERLAYMASK;
    change.state = INDEXTOOVERLAYMASK(overlay);
    change.cChildren = children;
    SendMessageA(tree, TVM_SETITEMA, 0, reinterpret_cast<LPARAM>(&change));
}

void set_child_count(HWND tree, HTREEITEM item, int children) {
    set_item(tree, item, TVIF_CHILDREN, 0, 0, children);
}

void set_marks(HWND tree, HTREEITEM item, ItemMarks marks) {
    set_item(tree, item, TVIF_IMAGE | TVIF_SELECTEDIMAGE | TVIF_STATE, image_index(marks.image),
             marks.overlay, 0);
}

// `directory` + "\" + `name` into `out` (kTreePathSize); false when it does not fit.
bool join_tree_path(const char* directory, const char* name, char* out) {
    const int length = std::snprintf(out, kTreePathSize, "%s\\%s", directory, name);
    return length > 0 && length < kTreePathSize;
}

void insert_directory_item(HWND tree, HTREEITEM parent, const char* parent_path, char* name,
                           bool mark_scan_list) {
    // A directory whose path does not fit is shown plain; it stands for no path.
    char path[kTreePathSize];
    const ItemMarks marks = join_tree_path(parent_path, name, path)
                                ? directory_marks(path, mark_scan_list)
                                : ItemMarks{TreeImage::Folder, 0};
    TVINSERTSTRUCTA insert = {};
    insert.hParent = parent;
    insert.hInsertAfter = TVI_SORT;
    insert.item.mask =
        TVIF_TEXT | TVIF_IMAGE | TVIF_SELECTEDIMAGE | TVIF_CHILDREN | TVIF_PARAM | TVIF_STATE;
    insert.item.pszText = name;
    insert.item.iImage = insert.item.iSelectedImage = image_index(marks.image);
    insert.item.cChildren = I_CHILDRENCALLBACK;
    insert.item.lParam = 0;
    insert.item.stateMask = TVIS_OVERLAYMASK;
    insert.item.state = INDEXTOOVERLAYMASK(marks.overlay);
    SendMessageA(tree, TVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&insert));
}

int nt_media_kind(const char* drive_name) {
    char device[kTreePathSize];
    const int length = std::snprintf(device, sizeof device, "\\\\.\\%s", drive_name);
    if (length <= 0 || length >= static_cast<int>(sizeof device)) return kMediaUnknown;
    const HANDLE disk =
        CreateFileA(device, 0, FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr);
    if (disk == INVALID_HANDLE_VALUE) return kMediaUnknown;
    unsigned char answer[kDriveGeometrySize];
    DWORD returned = 0;
    const BOOL answered = DeviceIoControl(disk, IOCTL_DISK_GET_DRIVE_GEOMETRY, nullptr, 0, answer,
                                          sizeof answer, &returned, nullptr);
    CloseHandle(disk);
    return media_kind_of_geometry(answer, answered ? returned : 0);
}

int dos_media_kind(const char* drive_name) {
    const HANDLE device =
        CreateFileA("\\\\.\\VWIN32", 0, 0, nullptr, 0, FILE_FLAG_DELETE_ON_CLOSE, nullptr);
    if (device == INVALID_HANDLE_VALUE) return kMediaUnknown;
    unsigned char block[kDeviceParametersSize] = {};
    DosRegisters registers;
    // The register holds a 32-bit address: Windows 95/98 has no other, and a 64-bit
    // build never comes here.
    set_device_parameters_request(
        drive_name[0], static_cast<std::uint32_t>(reinterpret_cast<std::uintptr_t>(block)),
        &registers);
    DWORD returned = 0;
    const BOOL answered = DeviceIoControl(device, kVwin32DosIoctl, &registers, sizeof registers,
                                          &registers, sizeof registers, &returned, nullptr);
    CloseHandle(device);
    return media_kind_of_device_parameters(answered != 0, registers, block);
}

}  // namespace

HWND build_drive_tree(HWND page, int control_id, bool mark_scan_list) {
    const HWND tree = GetDlgItem(page, control_id);
    if (tree == nullptr) return nullptr;
    const HIMAGELIST images = load_tree_images();
    if (images == nullptr) return nullptr;
    const auto previous_images = reinterpret_cast<HIMAGELIST>(
        SendMessageA(tree, TVM_SETIMAGELIST, TVSIL_NORMAL, reinterpret_cast<LPARAM>(images)));
    if (previous_images != nullptr) ImageList_Destroy(previous_images);

    char drives[kDriveStringsSize];
    read_drive_strings(drives);
    if (mark_scan_list) add_list_drives(drives);
    if (trace_state.debug_enabled) {
        char joined[kDriveStringsSize];
        join_drive_strings(drives, joined, sizeof joined);
        debug_trace(kTraceDriveStrings, joined);
    }
    HTREEITEM previous = TVI_FIRST;
    for (const char* drive = drives; *drive != '\0'; drive += std::strlen(drive) + 1)
        add_drive_item(tree, drive, mark_scan_list, &previous);
    return tree;
}

void release_drive_tree(HWND tree) {
    if (tree == nullptr) return;
    const auto images =
        reinterpret_cast<HIMAGELIST>(SendMessageA(tree, TVM_SETIMAGELIST, TVSIL_NORMAL, 0));
    if (images != nullptr) ImageList_Destroy(images);
}

int fill_subdirectories(HTREEITEM item, HWND tree, bool mark_scan_list) {
    // The disk's state now: whatever an earlier expansion left goes.
    while (HTREEITEM child = next_item(tree, item, TVGN_CHILD))
        SendMessageA(tree, TVM_DELETEITEM, 0, reinterpret_cast<LPARAM>(child));
    char path[kTreePathSize], pattern[kTreePathSize];
    if (!get_tree_item_path(tree, item, path) || !join_tree_path(path, "*.*", pattern)) {
        set_child_count(tree, item, 0);
        return 0;
    }
    WIN32_FIND_DATAA found;
    const HANDLE search = FindFirstFileA(pattern, &found);
    if (search == INVALID_HANDLE_VALUE) {
        // A drive without its diskette keeps its button, so that the user can try again.
        set_child_count(tree, item, GetLastError() == ERROR_NOT_READY ? 1 : 0);
        return 0;
    }
    int inserted = 0;
    do {
        if (!is_tree_directory(found.dwFileAttributes, found.cFileName)) continue;
        insert_directory_item(tree, item, path, found.cFileName, mark_scan_list);
        ++inserted;
    } while (FindNextFileA(search, &found));
    FindClose(search);
    if (inserted == 0) set_child_count(tree, item, 0);
    return inserted;
}

void refresh_scan_marks(HTREEITEM drive_item, HWND tree) {
    if (tree == nullptr) return;
    // Pre-order over the loaded items, never climbing above the drive item.
    for (HTREEITEM item = drive_item; item != nullptr;) {
        char path[kTreePathSize];
        if (get_tree_item_path(tree, item, path)) {
            if (next_item(tree, item, TVGN_PARENT) == nullptr)
                set_item(tree, item, TVIF_STATE, 0, drive_overlay(path), 0);
            else
                set_marks(tree, item, directory_marks(path, true));
        }
        HTREEITEM next = next_item(tree, item, TVGN_CHILD);
        while (next == nullptr && item != drive_item) {
            next = next_item(tree, item, TVGN_NEXT);
            if (next == nullptr) item = next_item(tree, item, TVGN_PARENT);
        }
        item = next;
    }
}

int get_tree_item_path(HWND tree, HTREEITEM item, char* out) {
    out[0] = '\0';
    if (tree == nullptr || item == nullptr) return 0;
    HTREEITEM chain[kMaxTreeDepth];
    int depth = 0;
    for (HTREEITEM at = item; at != nullptr; at = next_item(tree, at, TVGN_PARENT)) {
        if (depth == kMaxTreeDepth) return 0;
        chain[depth++] = at;
    }
    char text[kDriveLabelSize];
    LPARAM param = 0;
    if (!read_item(tree, chain[depth - 1], text, sizeof text, &param) ||
        !drive_name_of_item(text, static_cast<std::uintptr_t>(param), out, kTreePathSize))
        return 0;
    std::size_t length = std::strlen(out);
    for (int i = depth - 2; i >= 0; --i) {
        // One character more than a path holds, so that a name too long is seen, not cut.
        const bool read = read_item(tree, chain[i], text, kTreePathSize + 1, &param);
        const std::size_t name_length = std::strlen(text);
        if (!read || name_length == 0 ||
            length + 1 + name_length >= static_cast<std::size_t>(kTreePathSize)) {
            out[0] = '\0';
            return 0;
        }
        out[length] = '\\';
        std::memcpy(out + length + 1, text, name_length + 1);
        length += 1 + name_length;
    }
    return 1;
}

int get_removable_media_kind(const char* drive_name) {
    return platform_state.platform_id == kWindowsNt ? nt_media_kind(drive_name)
                                                    : dos_media_kind(drive_name);
}
