// POSIX implementation of the platform seam (Linux): descriptors for files, the Samba
// streams_xattr attribute for the Macintosh Finder information, /proc for the module
// path and the C library's locale for month names. Runs on whichever thread calls it.
#include <errno.h>
#include <fcntl.h>
#include <limits.h>
#include <strings.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <time.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>

#include "platform.h"

static_assert(kPathLimit == PATH_MAX, "the path limit is Linux's PATH_MAX");

// Where Samba's streams_xattr module keeps the ":AFP_AfpInfo" stream of a file shared to
// Macintosh clients.
static const char kFinderInfoAttribute[] = "user.DosStream.AFP_AfpInfo:$DATA";

void set_platform_last_error(int error) { errno = error; }

int platform_last_error() { return errno; }

PlatformFile platform_open_read(const char* path) {
    if (injected_fault(PlatformCall::Open)) return kNoFile;
    // O_NONBLOCK keeps a FIFO without writer from blocking the scan; the type test below
    // then refuses it.
    const int fd = open(path, O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (fd < 0) return kNoFile;
    struct stat info;
    if (fstat(fd, &info) != 0) {
        const int error = errno;
        close(fd);
        errno = error;
        return kNoFile;
    }
    if (!S_ISREG(info.st_mode)) {
        close(fd);
        errno = S_ISDIR(info.st_mode) ? EISDIR : EINVAL;
        return kNoFile;
    }
    const int flags = fcntl(fd, F_GETFL);
    if (flags >= 0) fcntl(fd, F_SETFL, flags & ~O_NONBLOCK);
    posix_fadvise(fd, 0, 0, POSIX_FADV_SEQUENTIAL);
    return PlatformFile{fd};
}

int platform_read(PlatformFile file, void* buffer, std::uint32_t size, std::uint32_t* got) {
    *got = 0;
    if (injected_fault(PlatformCall::Read)) return 0;
    ssize_t count;
    do {
        count = read(static_cast<int>(file.value), buffer, size);
    } while (count < 0 && errno == EINTR);
    if (count < 0) return 0;
    *got = static_cast<std::uint32_t>(count);
    return 1;
}

int platform_tell(PlatformFile file, std::uint32_t* position) {
    *position = 0;
    if (injected_fault(PlatformCall::Tell)) return 0;
    const off_t where = lseek(static_cast<int>(file.value), 0, SEEK_CUR);
    if (where < 0) return 0;
    // The reader keeps 32-bit positions, as the 32-bit Windows call does.
    if (static_cast<unsigned long long>(where) > 0xFFFFFFFFull) {
        errno = EOVERFLOW;
        return 0;
    }
    *position = static_cast<std::uint32_t>(where);
    return 1;
}

int platform_seek(PlatformFile file, std::uint32_t position, std::uint32_t* result) {
    *result = 0;
    if (injected_fault(PlatformCall::Seek)) return 0;
    const off_t where = lseek(static_cast<int>(file.value), static_cast<off_t>(position), SEEK_SET);
    if (where < 0) return 0;
    *result = static_cast<std::uint32_t>(where);
    return 1;
}

void platform_close(PlatformFile file) {
    if (is_open(file)) close(static_cast<int>(file.value));
}

int platform_read_finder_info(const char* path, unsigned char* out) {
    // The attribute holds the stream's bytes and one zero byte more, so it can be longer
    // than the 60 bytes used, and a short buffer makes getxattr fail with ERANGE: read it
    // whole, then take what reading 60 bytes from the stream itself would give.
    unsigned char whole[512];
    const ssize_t size = getxattr(path, kFinderInfoAttribute, whole, sizeof whole);
    if (size < 0) return -1;
    std::uint32_t count = size > 0 ? static_cast<std::uint32_t>(size) - 1 : 0;
    if (count > kFinderInfoSize) count = kFinderInfoSize;
    std::memcpy(out, whole, count);
    return static_cast<int>(count);
}

int platform_query_id() { return 2; }

int platform_module_path(char* out, std::size_t size) {
    if (size == 0) return 0;
    const ssize_t length = readlink("/proc/self/exe", out, size);
    if (length <= 0 || static_cast<std::size_t>(length) >= size) {
        out[0] = '\0';
        return 0;
    }
    out[length] = '\0';
    return 1;
}

void platform_local_time(LocalTime* time) {
    const time_t now = ::time(nullptr);
    struct tm parts;
    localtime_r(&now, &parts);
    time->year = parts.tm_year + 1900;
    time->month = parts.tm_mon + 1;
    time->day = parts.tm_mday;
    time->hour = parts.tm_hour;
    time->minute = parts.tm_min;
    time->second = parts.tm_sec;
}

int platform_format_date(const LocalTime& time, char* out, std::size_t size) {
    if (size == 0) return 0;
    struct tm parts = {};
    parts.tm_year = time.year - 1900;
    parts.tm_mon = time.month - 1;
    parts.tm_mday = time.day;
    char month[64];
    // %b follows LC_TIME, the C library's counterpart of the system default locale.
    if (strftime(month, sizeof month, "%b", &parts) == 0) return 0;
    const int length = std::snprintf(out, size, "%d-%s-%02d", time.day, month, time.year % 100);
    if (length < 0 || static_cast<std::size_t>(length) >= size) {
        out[0] = '\0';
        return 0;
    }
    return 1;
}

bool platform_path_equal(const char* a, const char* b, std::size_t length) {
    return std::memcmp(a, b, length) == 0;
}
