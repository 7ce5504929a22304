// GoogleTest hands every failure and skip to OutputDebugStringA, which raises the
// exception DBG_PRINTEXCEPTION_C for a debugger to see. Where the 32-bit tests run under
// user-mode emulation (qemu-user 7.2, cmake/i386-emulation.sh), a Windows exception raised
// while the program has a second thread kills the process, mostly with a segmentation
// fault; GoogleTest starts such a thread (the watcher behind its per-thread result
// reporter) just before it prints the first skip or failure. That is the emulator's fault,
// not the tests': a 15-line C program, one thread waiting for the main thread while that
// one calls OutputDebugStringA, dies the same way under qemu, and the same program built
// for x86_64 runs through under wine64; with one thread, or without the exception, the
// 32-bit program runs through under qemu too. So where cmake/wine-run.sh sets
// INKHOUND_NO_DEBUG_STRINGS (only for 32-bit programs under emulation), the test programs
// print failures and skips on stdout alone, as they always do as well, and raise nothing;
// otherwise the system's OutputDebugStringA is called as before.
#include <windows.h>

#include <cstdlib>

namespace {

void WINAPI output_debug_string(LPCSTR text) {
    static const bool quiet = std::getenv("INKHOUND_NO_DEBUG_STRINGS") != nullptr;
    if (quiet) return;
    using Function = void(WINAPI*)(LPCSTR);
    static const auto system = reinterpret_cast<Function>(reinterpret_cast<void*>(
        GetProcAddress(GetModuleHandleA("kernel32.dll"), "OutputDebugStringA")));
    if (system) system(text);
}

}  // namespace

// The import slot GoogleTest's calls go through (windows.h declares the function
// dllimport), defined here so that the linker takes it in place of kernel32's.
#if defined(__i386__)
extern "C" void(WINAPI* inkhound_output_debug_string)(LPCSTR) __asm__(
    "__imp__OutputDebugStringA@4");
#else
extern "C" void(WINAPI* inkhound_output_debug_string)(LPCSTR) __asm__("__imp_OutputDebugStringA");
#endif
void(WINAPI* inkhound_output_debug_string)(LPCSTR) = output_debug_string;
