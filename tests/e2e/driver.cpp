// The end-to-end tests' driver. Every wait polls with a time-out, so that a window that
// never comes fails a test instead of hanging the run.
#include "tests/e2e/driver.h"

#include <cstdio>
#include <sstream>
#include <vector>

const char kE2eUnixDir[] = INKHOUND_E2E_DIR;

std::string e2e_path(const char* name) {
    std::string path = std::string("Z:") + kE2eUnixDir + "/" + name;
    for (char& c : path)
        if (c == '/') c = '\\';
    return path;
}

bool start_program(const char* exe, const char* arguments, Program* program) {
    std::string folder = exe != nullptr ? exe : "";
    const std::size_t slash = folder.find_last_of("/\\");
    folder.erase(slash == std::string::npos ? 0 : slash);
    std::string command = exe != nullptr ? std::string("\"") + exe + "\" " + arguments : arguments;
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info = {};
    if (!CreateProcessA(exe, &command[0], nullptr, nullptr, FALSE, 0, nullptr,
                        folder.empty() ? nullptr : folder.c_str(), &startup, &info))
        return false;
    CloseHandle(info.hThread);
    program->process = info.hProcess;
    program->process_id = info.dwProcessId;
    return true;
}

int wait_for_exit(Program* program, DWORD timeout_ms) {
    if (WaitForSingleObject(program->process, timeout_ms) != WAIT_OBJECT_0) return -1;
    DWORD code = 0;
    GetExitCodeProcess(program->process, &code);
    return static_cast<int>(code);
}

void end_program(Program* program) {
    if (program->process == nullptr) return;
    if (WaitForSingleObject(program->process, 0) == WAIT_TIMEOUT) {
        TerminateProcess(program->process, 99);
        WaitForSingleObject(program->process, 5000);
    }
    CloseHandle(program->process);
    *program = Program();
}

void pause(DWORD ms) {
    const DWORD start = GetTickCount();
    do {
        MSG message;
        while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&message);
        Sleep(10);
    } while (GetTickCount() - start < ms);
}

bool wait_until(const std::function<bool()>& done, DWORD timeout_ms) {
    for (const DWORD start = GetTickCount(); !done(); pause(50))
        if (GetTickCount() - start > timeout_ms) return false;
    return true;
}

HWND find_window(const char* class_name, const char* title, DWORD timeout_ms) {
    HWND window = nullptr;
    wait_until([&] { return (window = FindWindowA(class_name, title)) != nullptr; }, timeout_ms);
    return window;
}

bool wait_gone(HWND window, DWORD timeout_ms) {
    return wait_until([window] { return !IsWindow(window); }, timeout_ms);
}

HWND current_page(HWND sheet) {
    return reinterpret_cast<HWND>(SendMessageA(sheet, PSM_GETCURRENTPAGEHWND, 0, 0));
}

int current_page_index(HWND sheet) {
    return static_cast<int>(
        SendMessageA(sheet, PSM_HWNDTOINDEX, reinterpret_cast<WPARAM>(current_page(sheet)), 0));
}

bool select_page(HWND sheet, int index) {
    return SendMessageA(sheet, PSM_SETCURSEL, index, 0) != 0 && current_page_index(sheet) == index;
}

HWND item(HWND dialog, int id) {
    return GetDlgItem(dialog, id);
}
// WM_GETTEXT carries the text across processes.
std::string text(HWND window) {
    std::string buffer(static_cast<std::size_t>(SendMessageA(window, WM_GETTEXTLENGTH, 0, 0)) + 1,
                       '\0');
    buffer.resize(static_cast<std::size_t>(
        SendMessageA(window, WM_GETTEXT, buffer.size(), reinterpret_cast<LPARAM>(&buffer[0]))));
    return buffer;
}

void set_text(HWND window, const char* text) {
    SendMessageA(window, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text));
}

int check_state(HWND dialog, int id) {
    return static_cast<int>(SendMessageA(item(dialog, id), BM_GETCHECK, 0, 0));
}

bool is_enabled(HWND dialog, int id) {
    return IsWindowEnabled(item(dialog, id)) != FALSE;
}
void click(HWND dialog, int id) {
    SendMessageA(item(dialog, id), BM_CLICK, 0, 0);
}
void post_click(HWND dialog, int id) {
    PostMessageA(item(dialog, id), BM_CLICK, 0, 0);
}

void press_key(HWND window, UINT key) {
    SendMessageA(window, WM_KEYDOWN, key, 1);
    SendMessageA(window, WM_KEYUP, key, 0xC0000001);
}

HWND focus_of(HWND window) {
    GUITHREADINFO info = {};
    info.cbSize = sizeof info;
    if (!GetGUIThreadInfo(GetWindowThreadProcessId(window, nullptr), &info)) return nullptr;
    return info.hwndFocus;
}

HWND find_message_box(const char* caption, DWORD timeout_ms) {
    return find_window("#32770", caption, timeout_ms);
}

// A message box shows its text in a static control of id 0xFFFF.
std::string message_box_text(HWND box) {
    return text(GetDlgItem(box, 0xFFFF));
}

void press(HWND box, int button_id) {
    PostMessageA(box, WM_COMMAND, MAKEWPARAM(button_id, BN_CLICKED),
                 reinterpret_cast<LPARAM>(GetDlgItem(box, button_id)));
}

void post_notify(HWND window, LPARAM code) {
    PostMessageA(window, RegisterWindowMessageA("Inkhound_Notify_Message"), 0, code);
}

void post_command(HWND window, int id) {
    PostMessageA(window, WM_COMMAND, id, 0);
}
void post_syscommand(HWND window, WPARAM command) {
    PostMessageA(window, WM_SYSCOMMAND, command, 0);
}

static HTREEITEM tree_next(HWND tree, UINT relation, HTREEITEM from) {
    return reinterpret_cast<HTREEITEM>(
        SendMessageA(tree, TVM_GETNEXTITEM, relation, reinterpret_cast<LPARAM>(from)));
}

std::vector<HTREEITEM> tree_children(HWND tree, HTREEITEM parent) {
    std::vector<HTREEITEM> items;
    for (HTREEITEM at = tree_next(tree, parent ? TVGN_CHILD : TVGN_ROOT, parent); at;
         at = tree_next(tree, TVGN_NEXT, at))
        items.push_back(at);
    return items;
}

// TVM_GETITEMA writes into memory of the tree's own process: the record and its text
// buffer are placed there, and read back.
bool read_tree_item(HWND tree, HTREEITEM handle, TreeItem* out) {
    struct Remote {
        TVITEMA item;
        char text[MAX_PATH];
    };
    DWORD process_id = 0;
    GetWindowThreadProcessId(tree, &process_id);
    HANDLE process =
        OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE, FALSE, process_id);
    if (process == nullptr) return false;
    auto* remote = static_cast<Remote*>(
        VirtualAllocEx(process, nullptr, sizeof(Remote), MEM_COMMIT, PAGE_READWRITE));
    Remote local = {};
    local.item.mask =
        TVIF_TEXT | TVIF_IMAGE | TVIF_SELECTEDIMAGE | TVIF_STATE | TVIF_CHILDREN | TVIF_HANDLE;
    local.item.hItem = handle;
    local.item.stateMask = TVIS_OVERLAYMASK | TVIS_SELECTED | TVIS_EXPANDED | TVIS_BOLD;
    local.item.pszText = remote != nullptr ? remote->text : nullptr;
    local.item.cchTextMax = MAX_PATH;
    bool read = remote != nullptr &&
                WriteProcessMemory(process, remote, &local, sizeof local, nullptr) &&
                SendMessageA(tree, TVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&remote->item)) &&
                ReadProcessMemory(process, remote, &local, sizeof local, nullptr);
    if (remote != nullptr) VirtualFreeEx(process, remote, 0, MEM_RELEASE);
    CloseHandle(process);
    if (!read) return false;
    local.text[MAX_PATH - 1] = '\0';
    // The item may answer with a text of its own instead of the buffer given.
    out->text = local.item.pszText == remote->text ? local.text : "<not in buffer>";
    out->image = local.item.iImage;
    out->overlay = static_cast<int>((local.item.state & TVIS_OVERLAYMASK) >> 8);
    out->children = local.item.cChildren;
    return true;
}

void select_tree_item(HWND tree, HTREEITEM handle) {
    SendMessageA(tree, TVM_SELECTITEM, TVGN_CARET, reinterpret_cast<LPARAM>(handle));
}

void expand_tree_item(HWND tree, HTREEITEM handle, UINT action) {
    SendMessageA(tree, TVM_EXPAND, action, reinterpret_cast<LPARAM>(handle));
}

HTREEITEM find_tree_folder(HWND tree, const std::string& path) {
    HTREEITEM at = nullptr;
    std::istringstream names(path);
    for (std::string name; std::getline(names, name, '\\');) {
        if (at) expand_tree_item(tree, at, TVE_EXPAND);
        HTREEITEM found = nullptr;
        TreeItem read;
        // A drive's item ends with its name and ")".
        for (HTREEITEM child : tree_children(tree, at))
            if (!found && read_tree_item(tree, child, &read) &&
                (read.text == name || (!at && read.text.find(name + ")") != std::string::npos)))
                found = child;
        if (!(at = found)) return nullptr;
    }
    return at;
}

Value read_value(HKEY root, const char* key, const char* name) {
    Value value;
    DWORD length = 4096;
    std::vector<char> data(length);
    if (RegGetValueA(root, key, name, RRF_RT_ANY | RRF_NOEXPAND, &value.type, data.data(),
                     &length) != ERROR_SUCCESS)
        return Value();
    // The system may count a terminating zero that the program did not store.
    const bool text = value.type == REG_SZ || value.type == REG_EXPAND_SZ;
    if (text && length > 0 && data[length - 1] == '\0') --length;
    value.data.assign(data.data(), length);
    return value;
}

void write_value(HKEY root, const char* key, const char* name, const Value& value) {
    RegSetKeyValueA(root, key, name, value.type, value.data.data(),
                    static_cast<DWORD>(value.data.size()));
}

void PrintTo(const Value& value, std::ostream* out) {
    *out << "type " << value.type << " ";
    if (value.type == REG_DWORD && value.data.size() == 4)
        *out << "0x" << std::hex << *reinterpret_cast<const DWORD*>(value.data.data()) << std::dec;
    else
        *out << '"' << value.data << '"';
}

Value dword_value(DWORD number) {
    return Value{REG_DWORD, std::string(reinterpret_cast<char*>(&number), sizeof number)};
}

Value text_value(DWORD type, const std::string& text) {
    return Value{type, text};
}
void delete_tree(HKEY root, const char* key) {
    RegDeleteTreeA(root, key);
}

std::string file_bytes(const char* path) {
    FILE* file = std::fopen(path, "rb");
    if (file == nullptr) return "<missing>";
    std::string bytes;
    char buffer[4096];
    for (std::size_t got; (got = std::fread(buffer, 1, sizeof buffer, file)) > 0;)
        bytes.append(buffer, got);
    std::fclose(file);
    return bytes;
}

bool exists(const std::string& pattern) {
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA(pattern.c_str(), &found);
    if (search != INVALID_HANDLE_VALUE) FindClose(search);
    return search != INVALID_HANDLE_VALUE;
}

std::string special_file(int csidl, const char* name) {
    char path[MAX_PATH] = "";
    SHGetFolderPathA(nullptr, csidl, nullptr, 0, path);
    return path + std::string("\\") + name;
}

std::string read_link(const std::string& path) {
    CoInitialize(nullptr);
    IShellLinkA* link = nullptr;
    IPersistFile* file = nullptr;
    char target[MAX_PATH] = "", arguments[MAX_PATH] = "", description[MAX_PATH] = "";
    const bool read =
        SUCCEEDED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA,
                                   reinterpret_cast<void**>(&link))) &&
        SUCCEEDED(link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file))) &&
        SUCCEEDED(file->Load(std::wstring(path.begin(), path.end()).c_str(), STGM_READ)) &&
        SUCCEEDED(link->GetPath(target, MAX_PATH, nullptr, SLGP_RAWPATH)) &&
        SUCCEEDED(link->GetArguments(arguments, MAX_PATH)) &&
        SUCCEEDED(link->GetDescription(description, MAX_PATH));
    if (file != nullptr) file->Release();
    if (link != nullptr) link->Release();
    CoUninitialize();
    return read ? std::string(target) + "|" + arguments + "|" + description : "<unreadable>";
}

// Wine runs a Linux program when asked for one, but its process handle cannot be waited
// for: the command itself marks its end with a file.
bool run_linux(const std::string& command, const std::string& done, DWORD timeout_ms) {
    DeleteFileA(done.c_str());
    std::string line = "/bin/sh -c \"" + command + "\"";
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info = {};
    if (!CreateProcessA(nullptr, &line[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                        &info))
        return false;
    CloseHandle(info.hThread);
    CloseHandle(info.hProcess);
    return wait_until([&] { return GetFileAttributesA(done.c_str()) != INVALID_FILE_ATTRIBUTES; },
                      timeout_ms);
}

bool screenshot(const char* name, HWND window) {
    // Let the program paint what the last step changed.
    pause(300);
    char crop[64] = "";
    RECT rect;
    if (window != nullptr && GetWindowRect(window, &rect))
        std::snprintf(crop, sizeof crop, "-crop %ldx%ld+%ld+%ld +repage", rect.right - rect.left,
                      rect.bottom - rect.top, rect.left, rect.top);
    const std::string file = std::string(kE2eUnixDir) + "/screenshots/" + name;
    return run_linux("import -window root " + std::string(crop) + " 'PNG:" + file +
                         ".tmp' && mv '" + file + ".tmp' '" + file + ".png'",
                     "Z:" + file + ".png", 20000);
}

// TTM_ENUMTOOLSW, as TVM_GETITEMA above, writes into memory of the tooltip's process. The
// shell's tray window owns one tool per icon, over the icon; a removed icon's tool, which
// Wine keeps, covers nothing.
std::vector<std::string> tray_tips() {
    struct Remote {
        TTTOOLINFOW tool;
        WCHAR text[256];
    };
    std::vector<std::string> tips;
    HWND tray = FindWindowA("Shell_TrayWnd", nullptr);
    DWORD shell_id = 0;
    GetWindowThreadProcessId(tray, &shell_id);
    HANDLE process =
        OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE, FALSE, shell_id);
    auto* remote = static_cast<Remote*>(
        process ? VirtualAllocEx(process, nullptr, sizeof(Remote), MEM_COMMIT, PAGE_READWRITE)
                : nullptr);
    for (HWND tooltip = nullptr;
         remote && (tooltip = FindWindowExA(nullptr, tooltip, TOOLTIPS_CLASSA, nullptr));) {
        DWORD process_id = 0;
        GetWindowThreadProcessId(tooltip, &process_id);
        const LRESULT count =
            process_id == shell_id ? SendMessageW(tooltip, TTM_GETTOOLCOUNT, 0, 0) : 0;
        for (LRESULT index = 0; index < count; ++index) {
            Remote local = {};
            local.tool.cbSize = sizeof local.tool;
            local.tool.lpszText = remote->text;
            char tip[256] = "";
            if (WriteProcessMemory(process, remote, &local, sizeof local, nullptr) &&
                SendMessageW(tooltip, TTM_ENUMTOOLSW, index, reinterpret_cast<LPARAM>(remote)) &&
                ReadProcessMemory(process, remote, &local, sizeof local, nullptr) &&
                local.tool.hwnd == tray && !IsRectEmpty(&local.tool.rect) &&
                WideCharToMultiByte(CP_ACP, 0, local.text, 255, tip, 255, nullptr, nullptr))
                tips.push_back(tip);
        }
    }
    if (remote != nullptr) VirtualFreeEx(process, remote, 0, MEM_RELEASE);
    if (process != nullptr) CloseHandle(process);
    return tips;
}

std::string screen_pixels(HWND window) {
    RECT rect = {};
    GetWindowRect(window, &rect);
    char crop[64];
    std::snprintf(crop, sizeof crop, "%ldx%ld+%ld+%ld", rect.right - rect.left,
                  rect.bottom - rect.top, rect.left, rect.top);
    const std::string file = std::string(kE2eUnixDir) + "/pixels.rgb";
    if (!run_linux("import -window root -crop " + std::string(crop) + " +repage 'RGB:" + file +
                       ".tmp' && mv '" + file + ".tmp' '" + file + "'",
                   "Z:" + file, 20000))
        return "";
    return file_bytes(("Z:" + file).c_str());
}
