// The drive and directory trees of the "Directories" and "Immediate scan" pages: drives at
// the top level, subdirectories read from the disk when an item is expanded, and on the
// "Directories" page the marks of the scan directory list. User-interface thread.
#pragma once

#include "platform/win32/win32.h"
#include <commctrl.h>

#include "desktop/settings_window/drive_kinds.h"

// Tree paths hold at most 260 characters with their zero.
constexpr int kTreePathSize = 260;

// The index each image received in the image list of the last tree built; every tree's
// list is loaded in the same order.
struct DriveTreeState {
    int image_index[kTreeImageCount];
};
extern DriveTreeState drive_tree_state;

// Fills the tree control `control_id` of `page` with the machine's drives (and, with
// `mark_scan_list`, the list's missing drives and its marks). Returns the tree, or null
// when the control, its image list or an image is missing (the tree stays empty).
HWND build_drive_tree(HWND page, int control_id, bool mark_scan_list);

// Releases the image list build_drive_tree gave the tree; the page's destruction.
void release_drive_tree(HWND tree);

// Inserts the subdirectories of `item` and returns how many; 0 cancels the expansion.
int fill_subdirectories(HTREEITEM item, HWND tree, bool mark_scan_list);

// Recomputes the marks of `drive_item` and of every loaded item below it.
void refresh_scan_marks(HTREEITEM drive_item, HWND tree);

// Writes the item's full path ("C:", "C:\DATA") into `out` (kTreePathSize characters).
// Returns 1, or 0 when the path would not fit (the item then stands for no directory).
int get_tree_item_path(HWND tree, HTREEITEM item, char* out);

// The media of the removable drive `drive_name` ("A:"): kMediaFloppy35, kMediaFloppy525,
// kMediaRemovable, kMediaFixed, kMediaTape, or kMediaUnknown for any other answer or a
// failed query. Asks the disk device on Windows NT, the DOS device request elsewhere.
int get_removable_media_kind(const char* drive_name);
