/* Preloaded into Wine's processes where 32-bit x86 programs run under qemu-user
 * (cmake/i386-emulation.sh, cmake/wine-run.sh): mmap's MAP_FIXED_NOREPLACE as Linux
 * answers it, which qemu 7.2 (Debian 12) does not.
 *
 * Wine reserves the 32-bit address space at start-up by asking for each range with
 * MAP_FIXED_NOREPLACE and halving the ranges it does not get. qemu 7.2 ignores the flag,
 * maps such a request somewhere else and succeeds; Wine then keeps that other range (above
 * 2 GB) or unmaps it and keeps halving, down to 64 KB pieces of the top 2 GB: some 75,000
 * mmap calls, each one a search of the emulated address space, about a minute of
 * processor time for every Wine process started. Here a mapping that did not land where
 * the flag demands is unmapped again and the call fails with EEXIST, as on Linux since
 * 4.17, and a process starts in seconds. Where the flag is honoured (natively, or a newer
 * qemu) this changes nothing. Built for both word sizes, since Wine's 64-bit processes
 * inherit the environment too. No headers: the 32-bit C library's are not installed. */
typedef __SIZE_TYPE__ size_t;
typedef long long off64_t;
typedef long off_t;

#define MAP_FIXED 0x10
#define MAP_FIXED_NOREPLACE 0x100000
#define MAP_FAILED ((void*)-1)
#define EEXIST 17
#define RTLD_NEXT ((void*)-1l)

extern void* dlsym(void* handle, const char* name);
extern int munmap(void* addr, size_t length);
extern int* __errno_location(void);

typedef void* (*mmap64_function)(void*, size_t, int, int, int, off64_t);
static mmap64_function next_mmap64;

__attribute__((visibility("default"))) void* mmap64(void* addr, size_t length, int prot, int flags,
                                                    int fd, off64_t offset) {
    if (!next_mmap64) next_mmap64 = (mmap64_function)dlsym(RTLD_NEXT, "mmap64");
    void* got = next_mmap64(addr, length, prot, flags, fd, offset);
    if ((flags & MAP_FIXED_NOREPLACE) && !(flags & MAP_FIXED) && got != MAP_FAILED && got != addr) {
        munmap(got, length);
        *__errno_location() = EEXIST;
        return MAP_FAILED;
    }
    return got;
}

__attribute__((visibility("default"))) void* mmap(void* addr, size_t length, int prot, int flags,
                                                  int fd, off_t offset) {
    return mmap64(addr, length, prot, flags, fd, offset);
}
