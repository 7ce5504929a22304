// The start-up splash window. Main thread: show_splash runs its own message loop, which
// serves only this window since no other exists yet.
#include "desktop/splash/splash.h"

#include <lzexpand.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "desktop/common/startup.h"

SplashState splash_state;

namespace {

constexpr UINT_PTR kCloseTimer = 0;
constexpr DWORD kSplashStyle = WS_POPUP | WS_VISIBLE | WS_DLGFRAME;
// The data are read two bytes into the buffer, so that the info header after the 14-byte
// file header starts on a four-byte boundary for the system's bitmap calls.
constexpr std::size_t kAlignment = 2;

void paint_splash(HWND window) {
    PAINTSTRUCT paint;
    HDC dc = BeginPaint(window, &paint);
    const SplashLayout& layout = splash_state.layout;
    const SplashBitmap& image = splash_state.bitmap;
    SelectObject(dc, GetStockObject(ANSI_VAR_FONT));
    TextOutA(dc, layout.text_x, layout.text_y, splash_state.text, splash_state.text_length);
    HDC memory = CreateCompatibleDC(dc);
    HBITMAP bitmap = CreateCompatibleBitmap(dc, image.width, image.height);
    if (memory != nullptr && bitmap != nullptr) {
        const BITMAPINFO* info = reinterpret_cast<const BITMAPINFO*>(image.info_header);
        // Before it is selected: the system does not set a selected bitmap's bits.
        SetDIBits(dc, bitmap, 0, static_cast<UINT>(image.height),
                  image.info_header + image.pixel_offset, info, DIB_RGB_COLORS);
        HGDIOBJ previous = SelectObject(memory, bitmap);
        BitBlt(dc, layout.image_x, layout.image_y, image.width, image.height, memory, 0, 0,
               SRCCOPY);
        SelectObject(memory, previous);
    }
    EndPaint(window, &paint);
    if (memory != nullptr) DeleteDC(memory);
    if (bitmap != nullptr) DeleteObject(bitmap);
}

LRESULT CALLBACK splash_procedure(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
    switch (message) {
        case WM_CREATE:
            SetTimer(window, kCloseTimer, kSplashMilliseconds, nullptr);
            return 0;
        case WM_TIMER:
            DestroyWindow(window);
            return 0;
        case WM_DESTROY:
            PostQuitMessage(0);
            return 0;
        case WM_PAINT:
            paint_splash(window);
            return 0;
        case WM_PALETTECHANGED:
            if (reinterpret_cast<HWND>(wparam) != window) InvalidateRect(window, nullptr, TRUE);
            return 0;
    }
    return DefWindowProcA(window, message, wparam, lparam);
}

void measure_splash_text(SIZE* extent) {
    format_splash_text(splash_state.text, sizeof splash_state.text);
    splash_state.text_length = static_cast<int>(std::strlen(splash_state.text));
    extent->cx = extent->cy = 0;
    HDC display = CreateDCA("DISPLAY", nullptr, nullptr, nullptr);
    if (display == nullptr) return;
    SelectObject(display, GetStockObject(ANSI_VAR_FONT));
    GetTextExtentPoint32A(display, splash_state.text, splash_state.text_length, extent);
    DeleteDC(display);
}

}  // namespace

int expand_splash_image(HINSTANCE instance, unsigned char* buffer, std::size_t size) {
    HRSRC found = FindResourceA(instance, MAKEINTRESOURCEA(kSplashResource),
                                MAKEINTRESOURCEA(10));  // RT_RCDATA
    if (found == nullptr) return -1;
    const DWORD resource_size = SizeofResource(instance, found);
    HGLOBAL loaded = LoadResource(instance, found);
    const void* data = loaded ? LockResource(loaded) : nullptr;
    if (resource_size == 0 || data == nullptr) return -1;

    // A file of that name that is already there is the user's: no splash rather than
    // overwriting it.
    HANDLE file = CreateFileA(kSplashTempFile, GENERIC_READ | GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                              FILE_FLAG_DELETE_ON_CLOSE | FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return -1;
    DWORD written = 0;
    if (!WriteFile(file, data, resource_size, &written, nullptr) || written < resource_size ||
        SetFilePointer(file, 0, nullptr, FILE_BEGIN) != 0) {
        CloseHandle(file);
        return -1;
    }
    // The expansion functions take the file handle's value as their old-style file number.
    const INT file_number = static_cast<INT>(reinterpret_cast<INT_PTR>(file));
    const INT expansion = LZInit(file_number);
    if (expansion < 0) {
        CloseHandle(file);
        return -1;
    }
    const INT read = LZRead(expansion, reinterpret_cast<char*>(buffer), static_cast<INT>(size));
    // For data that are not compressed the system hands back the file number itself, and
    // closing it would close the file under us.
    if (expansion != file_number) LZClose(expansion);
    CloseHandle(file);
    if (read <= 0 || static_cast<std::size_t>(read) >= size) return -1;
    return read;
}

void show_splash() {
    WNDCLASSA window_class = {};
    window_class.lpfnWndProc = splash_procedure;
    window_class.hInstance = startup.instance;
    window_class.hbrBackground = reinterpret_cast<HBRUSH>(static_cast<INT_PTR>(COLOR_WINDOW + 1));
    window_class.lpszClassName = kSplashClass;
    if (RegisterClassA(&window_class) == 0) return;

    unsigned char* buffer =
        static_cast<unsigned char*>(std::malloc(kSplashBufferSize + kAlignment));
    if (buffer == nullptr) return;
    unsigned char* image = buffer + kAlignment;
    const int length = expand_splash_image(startup.instance, image, kSplashBufferSize);
    SIZE text = {};
    measure_splash_text(&text);
    if (length <= 0 ||
        !check_splash_bitmap(image, static_cast<std::size_t>(length), &splash_state.bitmap)) {
        std::free(buffer);
        return;
    }

    splash_state.layout =
        lay_out_splash(splash_state.bitmap.width, splash_state.bitmap.height, text.cx, text.cy);
    RECT frame = {0, 0, splash_state.layout.client_width, splash_state.layout.client_height};
    AdjustWindowRect(&frame, kSplashStyle, FALSE);
    const WindowPlacement place =
        centre_splash(frame.left, frame.top, frame.right, frame.bottom,
                      GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN));
    HWND window =
        CreateWindowExA(0, kSplashClass, kSplashTitle, kSplashStyle, place.x, place.y, place.width,
                        place.height, nullptr, nullptr, startup.instance, nullptr);
    if (window != nullptr) {
        MSG message;
        while (GetMessageA(&message, nullptr, 0, 0) > 0) {
            TranslateMessage(&message);
            DispatchMessageA(&message);
        }
    }
    std::free(buffer);
}
