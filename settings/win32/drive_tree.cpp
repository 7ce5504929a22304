// Placeholder until the drive tree lands: the trees stay empty.
#include "settings/win32/drive_tree.h"

HWND build_drive_tree(HWND, int, bool) { return nullptr; }
void release_drive_tree(HWND) {}
int fill_subdirectories(HTREEITEM, HWND, bool) { return 0; }
void refresh_scan_marks(HTREEITEM, HWND) {}
int get_tree_item_path(HWND, HTREEITEM, char* out) {
    out[0] = '\0';
    return 0;
}
