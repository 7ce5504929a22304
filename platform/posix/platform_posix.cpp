// POSIX implementation of the platform seam (Linux): descriptors for files, the Samba
// streams_xattr attribute for the Macintosh Finder information, /proc for the module
// path, the dynamic loader for modules loaded on demand and the C library's locale for
// month names. Runs on whichever thread calls it.
#include <dirent.h>
#include <dlfcn.h>
#include <errno.h>
#include <fcntl.h>
#include <limits.h>
#include <signal.h>
#include <stdlib.h>
#include <strings.h>
#include <pthread.h>
#include <sys/ioctl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <time.h>
#include <unistd.h>

#include <atomic>
#include <cstdio>
#include <cstring>

#include "platform/platform.h"

static_assert(kPathLimit == PATH_MAX, "the path limit is Linux's PATH_MAX");
static_assert(kErrorTooManyOpenFiles == EMFILE, "the descriptor limit's error is EMFILE");

// Where Samba's streams_xattr module keeps the ":AFP_AfpInfo" stream of a file shared to
// Macintosh clients.
static const char kFinderInfoAttribute[] = "user.DosStream.AFP_AfpInfo:$DATA";

void set_platform_last_error(int error) {
    errno = error;
}

int platform_last_error() {
    return errno;
}

// Opens `path` with `flags` and keeps it only when it is a regular file: a directory
// fails with EISDIR, anything else (FIFO, socket, device) with EINVAL. One open and one
// fstat; the size goes to *size when it is given. Returns the descriptor or -1.
static int open_regular_file(const char* path, int flags, std::uint64_t* size) {
    const int fd = open(path, flags);
    if (fd < 0) return -1;
    struct stat info;
    int error = 0;
    if (fstat(fd, &info) != 0)
        error = errno;
    else if (!S_ISREG(info.st_mode))
        error = S_ISDIR(info.st_mode) ? EISDIR : EINVAL;
    if (error != 0) {
        close(fd);
        errno = error;
        return -1;
    }
    if (size != nullptr) *size = static_cast<std::uint64_t>(info.st_size);
    return fd;
}

// O_NONBLOCK keeps a FIFO without writer from blocking the scan; the type test then
// refuses it. It stays: it has no effect on reads of a regular file, and clearing it
// would cost two more system calls per file. No sequential-access advice either: it is
// one more call per file and measured slower (the 20,000-file bench tree, warm: 2.35 s
// with it, 2.16 s without; its 17,000 files without EPS: 0.45 s, 0.42 s).
static const int kCheckOpenFlags = O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY;

PlatformFile platform_open_read(const char* path, std::uint64_t* size) {
    if (injected_fault(PlatformCall::Open)) return kNoFile;
    const int fd = open_regular_file(path, kCheckOpenFlags, size);
    return fd < 0 ? kNoFile : PlatformFile{fd};
}

PlatformFile platform_open_listed_file(const char* path, const ListedFile& listed,
                                       std::uint64_t* size) {
    *size = kSizeUnknown;
    if (injected_fault(PlatformCall::Open)) return kNoFile;
    DIR* folder = reinterpret_cast<DIR*>(listed.folder.value);
    int fd = folder != nullptr ? openat(dirfd(folder), listed.name, kCheckOpenFlags | O_NOFOLLOW)
                               : open(path, kCheckOpenFlags | O_NOFOLLOW);
    // A link put in the file's place is judged by its target, as a listed link is.
    if (fd < 0 && errno == ELOOP) fd = open_regular_file(path, kCheckOpenFlags, size);
    return fd < 0 ? kNoFile : PlatformFile{fd};
}

void* platform_module_function(const char* module, const char* function, bool linked) {
    void* library = dlopen(module, RTLD_NOW | RTLD_LOCAL | (linked ? RTLD_NOLOAD : 0));
    return library == nullptr ? nullptr : dlsym(library, function);
}

int platform_file_size(PlatformFile file, std::uint64_t* size) {
    struct stat info;
    if (fstat(static_cast<int>(file.value), &info) != 0) return 0;
    *size = static_cast<std::uint64_t>(info.st_size);
    return 1;
}

int platform_read(PlatformFile file, void* buffer, std::uint32_t size, std::uint32_t* got) {
    *got = 0;
    if (injected_fault(PlatformCall::Read)) return 0;
    const int fd = static_cast<int>(file.value);
    size = injected_read_size(size);
    ssize_t count;
    do {
        count = read(fd, buffer, size);
    } while (count < 0 && errno == EINTR);
    if (count < 0) return 0;
    *got = static_cast<std::uint32_t>(count);
    return 1;
}

int platform_read_at(PlatformFile file, std::uint64_t position, bool jump, void* buffer,
                     std::uint32_t size, std::uint32_t* got) {
    *got = 0;
    // A positioned read needs no file pointer: a jump is only the fault row's moment.
    if (jump && injected_fault(PlatformCall::Seek)) return -1;
    if (injected_fault(PlatformCall::Read)) return 0;
    size = injected_read_size(size);
    if (injected_read_fault_at(position, size)) return 0;
    ssize_t count;
    do {
        count = pread(static_cast<int>(file.value), buffer, size, static_cast<off_t>(position));
    } while (count < 0 && errno == EINTR);
    if (count < 0) return 0;
    *got = static_cast<std::uint32_t>(count);
    return 1;
}

void platform_note_position_overflow(PlatformFile) {
    errno = EOVERFLOW;
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

int platform_can_position(PlatformFile) {
    return injected_fault(PlatformCall::Tell) ? 0 : 1;
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

int platform_query_id() {
    return 2;
}

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

// ---- Directories, files written by a scan, the command-line tool's surroundings ----------

static_assert(NAME_MAX < kNameLimit, "every entry name fits a DirectoryEntry");

DirectoryEntryHook directory_entry_hook = nullptr;

static DIR* to_dir(PlatformDirectory handle) {
    return reinterpret_cast<DIR*>(handle.value);
}

// Sorts one entry. A symbolic link is judged by its target, but a link to a directory is
// never entered: a link back up the tree would make the walk endless. A link whose target
// cannot be examined goes to the check as a file, which then reports why it cannot be
// opened.
static void classify_entry(DIR* dir, const struct dirent* item, DirectoryEntry* entry) {
    std::memcpy(entry->name, item->d_name, std::strlen(item->d_name) + 1);
    entry->attributes = 0;
    entry->is_directory = false;
    entry->pass_over = false;
    entry->regular = false;
    unsigned char type = item->d_type;
    struct stat info;
    if (type == DT_UNKNOWN) {
        if (fstatat(dirfd(dir), item->d_name, &info, AT_SYMLINK_NOFOLLOW) != 0) return;
        if (S_ISDIR(info.st_mode))
            type = DT_DIR;
        else if (S_ISREG(info.st_mode))
            type = DT_REG;
        else if (S_ISLNK(info.st_mode))
            type = DT_LNK;
        else
            type = DT_FIFO;  // any other kind is passed over alike
    }
    if (type == DT_LNK) {
        if (fstatat(dirfd(dir), item->d_name, &info, 0) != 0) return;
        entry->pass_over = !S_ISREG(info.st_mode);
        return;
    }
    if (type == DT_DIR) {
        entry->is_directory = true;
        entry->attributes = kAttributeDirectory;
        return;
    }
    entry->pass_over = type != DT_REG;
    entry->regular = type == DT_REG;
}

// The next entry, or null with errno 0 at the end and the error code on a failure.
static int read_entry(DIR* dir, DirectoryEntry* entry) {
    errno = 0;
    const struct dirent* item = readdir(dir);
    if (item == nullptr) return 0;
    classify_entry(dir, item, entry);
    if (directory_entry_hook) directory_entry_hook(entry);
    return 1;
}

int platform_open_directory(const char* directory, PlatformDirectory* handle,
                            DirectoryEntry* first) {
    handle->value = 0;
    if (injected_fault(PlatformCall::Directory)) return kDirectoryFailed;
    DIR* dir = opendir(directory);
    if (dir == nullptr) return kDirectoryFailed;
    if (!read_entry(dir, first)) {
        const int error = errno;
        closedir(dir);
        errno = error;
        return error != 0 ? kDirectoryFailed : kDirectoryEmpty;
    }
    handle->value = reinterpret_cast<std::intptr_t>(dir);
    return kDirectoryOpened;
}

int platform_folder_identity(const char* path, FolderIdentity* identity) {
    *identity = FolderIdentity{0, 0};
    if (injected_fault(PlatformCall::Identity)) return 0;
    struct stat info;
    if (stat(path, &info) != 0) return 0;
    identity->volume = static_cast<std::uint64_t>(info.st_dev);
    identity->file = static_cast<std::uint64_t>(info.st_ino);
    return 1;
}

int platform_next_entry(PlatformDirectory handle, DirectoryEntry* entry) {
    if (injected_fault(PlatformCall::DirectoryNext)) return 0;
    return read_entry(to_dir(handle), entry);
}

void platform_close_directory(PlatformDirectory handle) {
    if (handle.value != 0) closedir(to_dir(handle));
}

// A file without a name in the folder of `path`, where the system can make one: nothing
// to name and remove again, two changes of the folder fewer per section. -1 otherwise.
static int open_unnamed_file_beside(const char* path) {
#ifdef O_TMPFILE
    const char* slash = std::strrchr(path, '/');
    char folder[kPathLimit];
    const std::size_t length = slash == nullptr ? 0 : static_cast<std::size_t>(slash - path);
    if (length == 0 || length >= sizeof folder) return -1;
    std::memcpy(folder, path, length);
    folder[length] = '\0';
    return open(folder, O_TMPFILE | O_RDWR | O_CLOEXEC, 0600);
#else
    static_cast<void>(path);
    return -1;
#endif
}

PlatformFile platform_create_section_file(const char* path) {
    if (injected_fault(PlatformCall::SectionFile)) return kNoFile;
    // A leftover of the same name is removed, never followed or reused; the section file
    // itself lives exactly as long as its descriptor, unnamed from the start or unlinked.
    unlink(path);
    int fd = open_unnamed_file_beside(path);
    if (fd < 0) {
        fd = open(path, O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
        if (fd < 0) return kNoFile;
        if (unlink(path) != 0) {
            const int error = errno;
            close(fd);
            errno = error;
            return kNoFile;
        }
    }
    posix_fadvise(fd, 0, 0, POSIX_FADV_SEQUENTIAL);
    return PlatformFile{fd};
}

PlatformFile platform_open_read_shared(const char* path) {
    if (injected_fault(PlatformCall::Open)) return kNoFile;
    // POSIX has no share modes; the open is otherwise the check's own.
    const int fd = open_regular_file(path, O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY, nullptr);
    if (fd < 0) return kNoFile;
    const int flags = fcntl(fd, F_GETFL);
    if (flags >= 0) fcntl(fd, F_SETFL, flags & ~O_NONBLOCK);
    return PlatformFile{fd};
}

int platform_write(PlatformFile file, const void* data, std::uint32_t size) {
    if (injected_fault(PlatformCall::Write)) return 0;
    const char* bytes = static_cast<const char*>(data);
    std::uint32_t done = 0;
    while (done < size) {
        const ssize_t count = write(static_cast<int>(file.value), bytes + done, size - done);
        if (count < 0) {
            if (errno == EINTR) continue;
            return 0;
        }
        if (count == 0) {
            errno = EIO;
            return 0;
        }
        done += static_cast<std::uint32_t>(count);
    }
    return 1;
}

int platform_remove_file(const char* path) {
    if (injected_fault(PlatformCall::Remove)) return 0;
    return unlink(path) == 0 ? 1 : 0;
}

int platform_remove_directory(const char* path) {
    if (injected_fault(PlatformCall::Remove)) return 0;
    return rmdir(path) == 0 ? 1 : 0;
}

int platform_make_private_directory(char* out, std::size_t size) {
    if (size > 0) out[0] = '\0';
    if (injected_fault(PlatformCall::MakeDirectory)) return 0;
    const char* base = getenv("TMPDIR");
    if (base == nullptr || base[0] != '/') base = "/tmp";
    std::size_t length = std::strlen(base);
    while (length > 1 && base[length - 1] == '/') --length;
    const int written =
        std::snprintf(out, size, "%.*s/inkhound-XXXXXX", static_cast<int>(length), base);
    if (written < 0 || static_cast<std::size_t>(written) >= size) {
        if (size > 0) out[0] = '\0';
        errno = ENAMETOOLONG;
        return 0;
    }
    // mkdtemp makes the folder with mode 0700 under a name nobody could have planted.
    if (mkdtemp(out) == nullptr) {
        const int error = errno;
        out[0] = '\0';
        errno = error;
        return 0;
    }
    return 1;
}

// The signals by which the user or the system asks the program to end.
static const int kEndSignals[] = {SIGINT, SIGTERM, SIGHUP};

static InterruptHandler interrupt_handler = nullptr;
static std::atomic<int> interrupts_seen{0};
static_assert(std::atomic<int>::is_always_lock_free, "counted in a signal handler");

void remove_leftovers();

void remove_leftover_file(const char* path) {
    unlink(path);
}
void remove_leftover_folder(const char* path) {
    rmdir(path);
}

// The first request asks the scan to stop; a second one removes what the program was
// making and ends it as the signal would have without a handler.
static void on_interrupt(int signal_number) {
    if (interrupts_seen.fetch_add(1) == 0) {
        if (interrupt_handler) interrupt_handler();
        return;
    }
    remove_leftovers();
    struct sigaction action = {};
    action.sa_handler = SIG_DFL;
    sigemptyset(&action.sa_mask);
    sigaction(signal_number, &action, nullptr);
    // Held back until the handler returns, and then fatal.
    raise(signal_number);
}

int platform_catch_interrupt(InterruptHandler handler) {
    interrupt_handler = handler;
    interrupts_seen.store(0);
    struct sigaction action = {};
    action.sa_handler = on_interrupt;
    sigemptyset(&action.sa_mask);
    for (const int signal_number : kEndSignals) sigaddset(&action.sa_mask, signal_number);
    action.sa_flags = SA_RESTART;
    for (const int signal_number : kEndSignals)
        if (sigaction(signal_number, &action, nullptr) != 0) return 0;
    return 1;
}

void platform_keep_interrupts_off_this_thread() {
    sigset_t set;
    sigemptyset(&set);
    for (const int signal_number : kEndSignals) sigaddset(&set, signal_number);
    pthread_sigmask(SIG_BLOCK, &set, nullptr);
}

bool platform_stderr_is_terminal() {
    return isatty(2) == 1;
}

void platform_binary_standard_input() {}

bool platform_stdout_is_terminal() {
    return isatty(1) == 1;
}

int platform_stderr_terminal_width() {
    struct winsize size = {};
    if (ioctl(2, TIOCGWINSZ, &size) != 0) return 0;
    return size.ws_col;
}

// ---- Replacing a file whole -------------------------------------------------------------

namespace {

// Holds back the ending signals while a new file and its note as a leftover come or go
// together, so that a forced end never finds the one without the other.
class EndSignalsHeld {
   public:
    EndSignalsHeld() {
        sigset_t set;
        sigemptyset(&set);
        for (const int signal_number : kEndSignals) sigaddset(&set, signal_number);
        pthread_sigmask(SIG_BLOCK, &set, &previous_);
    }
    ~EndSignalsHeld() { pthread_sigmask(SIG_SETMASK, &previous_, nullptr); }
    EndSignalsHeld(const EndSignalsHeld&) = delete;
    EndSignalsHeld& operator=(const EndSignalsHeld&) = delete;

   private:
    sigset_t previous_;
};

// Links Linux follows before it gives up with ELOOP.
constexpr int kLinkHops = 40;

// Follows `path` through its symbolic links into `out`: the file a write through the path
// reaches, which need not exist yet. A link in /proc names the file behind a descriptor
// (/dev/stdout, /dev/fd/N), which belongs to whoever holds it: it is not followed, and
// *descriptor is set to the number when it is one of this process's own, else to -2.
// Returns 1 (*descriptor -1 for an ordinary file), or 0 with errno set.
int resolve_target(const char* path, char* out, std::size_t size, int* descriptor) {
    *descriptor = -1;
    const int length = std::snprintf(out, size, "%s", path);
    if (length < 0 || static_cast<std::size_t>(length) >= size) {
        errno = ENAMETOOLONG;
        return 0;
    }
    for (int hop = 0;; ++hop) {
        struct stat info;
        if (lstat(out, &info) != 0) return errno == ENOENT ? 1 : 0;
        if (!S_ISLNK(info.st_mode)) return 1;
        if (hop == kLinkHops) {
            errno = ELOOP;
            return 0;
        }
        const char* slash = std::strrchr(out, '/');
        const int folder = slash == nullptr ? 0 : static_cast<int>(slash - out) + 1;
        char where[kPathLimit];
        const int written = std::snprintf(where, sizeof where, "%.*s", folder, out);
        char real[PATH_MAX];
        if (written >= 0 && realpath(folder > 0 ? where : ".", real) != nullptr &&
            std::strncmp(real, "/proc/", 6) == 0) {
            char own[64];
            std::snprintf(own, sizeof own, "/proc/%ld/fd", static_cast<long>(getpid()));
            char* end = nullptr;
            const long number = std::strtol(out + folder, &end, 10);
            const bool is_own = std::strcmp(real, own) == 0 && end != out + folder &&
                                *end == '\0' && number >= 0 && number <= INT_MAX;
            *descriptor = is_own ? static_cast<int>(number) : -2;
            return 1;
        }
        char link[kPathLimit];
        const ssize_t count = readlink(out, link, sizeof link);
        if (count < 0) return 0;
        if (static_cast<std::size_t>(count) >= sizeof link) {
            errno = ENAMETOOLONG;
            return 0;
        }
        link[count] = '\0';
        // A relative link is read from the link's own folder.
        char next[kPathLimit];
        const int joined =
            std::snprintf(next, sizeof next, "%.*s%s", link[0] == '/' ? 0 : folder, out, link);
        if (joined < 0 || static_cast<std::size_t>(joined) >= sizeof next ||
            static_cast<std::size_t>(joined) >= size) {
            errno = ENAMETOOLONG;
            return 0;
        }
        std::memcpy(out, next, static_cast<std::size_t>(joined) + 1);
    }
}

// The process's file-creation mask; it can only be read by setting it, which is safe
// here because the tool makes no files on other threads meanwhile.
mode_t current_umask() {
    const mode_t mask = umask(0);
    umask(mask);
    return mask;
}

}  // namespace

int platform_begin_replace(const char* path, PlatformReplacement* replacement) {
    PlatformReplacement& r = *replacement;
    r.file = kNoFile;
    r.in_place = false;
    r.leftover = -1;
    r.target[0] = r.temporary[0] = '\0';
    if (injected_fault(PlatformCall::OpenWrite)) return 0;
    int descriptor = -1;
    if (!resolve_target(path, r.target, sizeof r.target, &descriptor)) return 0;
    if (descriptor >= 0) {
        // One of this process's own descriptors (/dev/stdout): written through a copy of
        // it, sharing its position, as a shell's 2>&1 does.
        const int fd = fcntl(descriptor, F_DUPFD_CLOEXEC, 3);
        if (fd < 0) return 0;
        r.file = PlatformFile{fd};
        r.in_place = true;
        return 1;
    }
    struct stat info;
    const bool exists = stat(r.target, &info) == 0;
    if (!exists && errno != ENOENT) return 0;
    if (exists && S_ISDIR(info.st_mode)) {
        errno = EISDIR;
        return 0;
    }
    if (exists && (!S_ISREG(info.st_mode) || descriptor != -1)) {
        // A device or a pipe cannot be replaced, nor a file another descriptor holds:
        // written straight through, appended to, never cut.
        const int fd = open(r.target, O_WRONLY | O_APPEND | O_NOCTTY | O_CLOEXEC);
        if (fd < 0) return 0;
        r.file = PlatformFile{fd};
        r.in_place = true;
        return 1;
    }
    const char* slash = std::strrchr(r.target, '/');
    const int folder = slash ? static_cast<int>(slash - r.target) + 1 : 0;
    const int length =
        std::snprintf(r.temporary, sizeof r.temporary, "%.*s.inkhound-XXXXXX", folder, r.target);
    if (length < 0 || static_cast<std::size_t>(length) >= sizeof r.temporary) {
        r.temporary[0] = '\0';
        errno = ENAMETOOLONG;
        return 0;
    }
    EndSignalsHeld held;
    // mkostemp makes the file for this user alone under a name nobody could have planted.
    const int fd = mkostemp(r.temporary, O_CLOEXEC);
    if (fd < 0) {
        const int error = errno;
        r.temporary[0] = '\0';
        errno = error;
        return 0;
    }
    r.leftover = platform_note_leftover(r.temporary, false);
    // The new file takes the old one's permission bits, or a new file's usual ones. A file
    // system without them (FAT) refuses; the contents matter more than their mode.
    const mode_t mode = exists ? info.st_mode & 07777 : 0666 & ~current_umask();
    static_cast<void>(fchmod(fd, mode));
    r.file = PlatformFile{fd};
    return 1;
}

int platform_commit_replace(PlatformReplacement* replacement) {
    PlatformReplacement& r = *replacement;
    const int fd = static_cast<int>(r.file.value);
    r.file = kNoFile;
    if (r.in_place) return close(fd) == 0 ? 1 : 0;
    // Written through to the disk before the rename, so that a crash right after it
    // cannot leave an empty file in the old one's place.
    int error = injected_fault(PlatformCall::Rename);
    if (error == 0 && fsync(fd) != 0) error = errno;
    if (close(fd) != 0 && error == 0) error = errno;
    EndSignalsHeld held;
    if (error == 0 && rename(r.temporary, r.target) != 0) error = errno;
    if (error != 0) unlink(r.temporary);
    platform_forget_leftover(r.leftover);
    r.leftover = -1;
    r.temporary[0] = '\0';
    errno = error;
    return error == 0 ? 1 : 0;
}

void platform_abandon_replace(PlatformReplacement* replacement) {
    PlatformReplacement& r = *replacement;
    platform_close(r.file);
    r.file = kNoFile;
    if (r.in_place || r.temporary[0] == '\0') return;
    EndSignalsHeld held;
    unlink(r.temporary);
    platform_forget_leftover(r.leftover);
    r.leftover = -1;
    r.temporary[0] = '\0';
}

bool platform_replace_was_held(int error) {
    return error == EBUSY || error == ETXTBSY;
}

PlatformFile platform_open_in_place(const char* path) {
    if (injected_fault(PlatformCall::OpenWrite)) return kNoFile;
    // A directory already fails the open for writing with EISDIR.
    const int fd = open_regular_file(path, O_WRONLY | O_NOCTTY | O_NOFOLLOW | O_CLOEXEC, nullptr);
    return fd < 0 ? kNoFile : PlatformFile{fd};
}

int platform_set_size(PlatformFile file, std::uint32_t size) {
    if (injected_fault(PlatformCall::Write)) return 0;
    const int fd = static_cast<int>(file.value);
    if (ftruncate(fd, static_cast<off_t>(size)) != 0) return 0;
    return lseek(fd, static_cast<off_t>(size), SEEK_SET) < 0 ? 0 : 1;
}

void platform_error_text(int error, char* out, std::size_t size) {
    if (size == 0) return;
    // glibc's strerror gives a fixed text for every known code; an unknown one is named.
    const char* text = error != 0 ? std::strerror(error) : nullptr;
    if (text == nullptr || *text == '\0')
        std::snprintf(out, size, "error %d", error);
    else
        std::snprintf(out, size, "%s", text);
}

// ---- The command-line tool's start-up -----------------------------------------------------

int platform_open_missing_standard_files() {
    if (injected_fault(PlatformCall::StartUp)) return 0;
    for (int fd = 0; fd <= 2; ++fd) {
        if (fcntl(fd, F_GETFD) != -1 || errno != EBADF) continue;
        // open takes the lowest free number: this one, as those below it are open.
        const int opened = open("/dev/null", fd == 0 ? O_RDONLY : O_WRONLY);
        if (opened < 0) return 0;
        if (opened != fd) {
            close(opened);
            errno = EBADF;
            return 0;
        }
    }
    return 1;
}

int platform_raise_open_file_limit(std::uint64_t* limit) {
    *limit = 0;
    struct rlimit files;
    if (injected_fault(PlatformCall::StartUp) || getrlimit(RLIMIT_NOFILE, &files) != 0) return 0;
    *limit = files.rlim_cur;
    // Linux refuses an unlimited count; its own ceiling (fs.nr_open) is 2^20 by default.
    const rlim_t highest = files.rlim_max == RLIM_INFINITY ? rlim_t{1} << 20 : files.rlim_max;
    if (files.rlim_cur != RLIM_INFINITY && files.rlim_cur >= highest) return 1;
    files.rlim_cur = highest;
    if (setrlimit(RLIMIT_NOFILE, &files) != 0) return 0;
    *limit = highest;
    return 1;
}

void platform_ignore_broken_pipe() {
    signal(SIGPIPE, SIG_IGN);
}
