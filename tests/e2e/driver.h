// The end-to-end tests' driver: starts the real Inkhound.exe in the e2e session's Wine
// prefix and works its windows from outside, as a user would, through the windows'
// own messages. Built at the program's bitness, so that tree items can be read in the
// program's memory. Drives for the tree scenarios are mapped before the driver runs
// (`session.sh drive`): a new drive type needs a restart of the wineserver, which would
// end the driver too.
#pragma once

#include "platform/win32/win32.h"

#include <commctrl.h>
#include <shlobj.h>

#include <functional>
#include <ostream>
#include <string>
#include <vector>

// The build tree's e2e folder as Linux and as Windows sees it; the executable under test.
extern const char kE2eUnixDir[];
std::string e2e_path(const char* name);  // the Windows path of e2e/<name>

struct Program {
    HANDLE process = nullptr;
    DWORD process_id = 0;
};

// Starts `exe` with `arguments` in the exe's folder; with no `exe`, `arguments` is the whole
// command line, run in the driver's current directory. False when it could not start.
bool start_program(const char* exe, const char* arguments, Program* program);
// The exit code, or -1 when the program still runs after `timeout_ms`.
int wait_for_exit(Program* program, DWORD timeout_ms);
// Ends the program if it still runs and closes its handle.
void end_program(Program* program);

// Looks at `done` every 50 ms, answering the driver's own windows meanwhile, until it holds
// or `timeout_ms` have passed; whether it held.
bool wait_until(const std::function<bool()>& done, DWORD timeout_ms);
// Waits up to `timeout_ms` for a top-level window of the class and title; null if none.
HWND find_window(const char* class_name, const char* title, DWORD timeout_ms);
// Waits up to `timeout_ms` for `window` to be gone.
bool wait_gone(HWND window, DWORD timeout_ms);
// Lets `ms` pass while answering the messages of the driver's own windows.
void pause(DWORD ms);

// The property sheet: its current page (window and index) and a page change.
HWND current_page(HWND sheet);
int current_page_index(HWND sheet);
bool select_page(HWND sheet, int index);

// A control of a dialog or page by id, and what the user sees of it.
HWND item(HWND dialog, int id);
std::string text(HWND window);
void set_text(HWND window, const char* text);
int check_state(HWND dialog, int id);  // BST_UNCHECKED, BST_CHECKED or BST_INDETERMINATE
bool is_enabled(HWND dialog, int id);
// A click that returns when handled; a posted one for a click that opens a modal box.
void click(HWND dialog, int id);
void post_click(HWND dialog, int id);
// A key pressed and released in `window`, as the keyboard would send it there.
void press_key(HWND window, UINT key);
// The window with the keyboard focus in the thread of `window`.
HWND focus_of(HWND window);

// A message box by caption, its text, and pressing its button (IDOK, IDYES, IDNO...).
HWND find_message_box(const char* caption, DWORD timeout_ms);
std::string message_box_text(HWND box);
void press(HWND box, int button_id);

// Posted messages: the registered "Inkhound_Notify_Message" (0x203 is the double-click),
// a command, a system command.
void post_notify(HWND window, LPARAM code);
void post_command(HWND window, int id);
void post_syscommand(HWND window, WPARAM command);

// Tree items, read in the memory of the tree's process.
struct TreeItem {
    std::string text;
    int image = -1;
    int overlay = 0;   // the overlay image index, 0 for none
    int children = 0;  // 1 while the item shows an expand button
};
// The items below `parent` in tree order; below null, the top-level items.
std::vector<HTREEITEM> tree_children(HWND tree, HTREEITEM parent);
bool read_tree_item(HWND tree, HTREEITEM handle, TreeItem* out);
void select_tree_item(HWND tree, HTREEITEM handle);
// TVE_EXPAND, TVE_COLLAPSE. The tree tells its owner of this only at an item's first
// expansion; a user's collapse and expansion are keys (VK_SUBTRACT, VK_ADD) on the selection.
void expand_tree_item(HWND tree, HTREEITEM handle, UINT action);
// The item of the folder `path` ("Z:\a\b") in a drive tree, expanded down to it; null if
// there is none.
HTREEITEM find_tree_folder(HWND tree, const std::string& path);

// Registry values: type and data, or type 0 when the value is missing.
struct Value {
    DWORD type = 0;
    std::string data;
    bool operator==(const Value& other) const { return type == other.type && data == other.data; }
};
void PrintTo(const Value& value, std::ostream* out);  // for GoogleTest's messages
Value read_value(HKEY root, const char* key, const char* name);
void write_value(HKEY root, const char* key, const char* name, const Value& value);
Value dword_value(DWORD number);
Value text_value(DWORD type, const std::string& text);  // the text without its zero
void delete_tree(HKEY root, const char* key);

// A file's bytes, or "<missing>".
std::string file_bytes(const char* path);
// Whether a file or folder matches `pattern` (wildcards allowed).
bool exists(const std::string& pattern);

// The path of `name` in a special folder (CSIDL_DESKTOP, CSIDL_PROGRAMS...).
std::string special_file(int csidl, const char* name);
// A shell link read through the shell's link object, as "target|arguments|description",
// or "<unreadable>" when it cannot be loaded.
std::string read_link(const std::string& path);

// Runs a Linux shell command in the session (Wine starts Linux programs as they are)
// and waits up to `timeout_ms` for `done` (a Windows path) to exist.
bool run_linux(const std::string& command, const std::string& done, DWORD timeout_ms);
// Saves the screen, or only `window`'s part of it, as screenshots/<name>.png.
bool screenshot(const char* name, HWND window);

// The tips of the icons on the shell's tray, read from the shell's tooltip windows.
std::vector<std::string> tray_tips();
// The screen's pixels under `window` as raw RGB, to compare images taken a moment apart;
// empty when they could not be read.
std::string screen_pixels(HWND window);
