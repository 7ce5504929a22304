/* A slow share of our own: mirrors a directory read-only and waits a fixed time before
   answering every open and every read, as a file server across a network does. Requests
   are served on several threads, so waits of requests in flight overlap.
   usage: slowfs [--delay-ms N] [--delay-metadata] SOURCE MOUNTPOINT [FUSE OPTIONS]
   --delay-ms N        the wait, in milliseconds (default 2)
   --delay-metadata    wait also before every getattr, opendir and readdir
   Every open is direct I/O and nothing is kept in the kernel's caches, so each read
   system call of a program reaches this file system and waits, run after run.
   Unmount with: fusermount3 -u MOUNTPOINT */
#define FUSE_USE_VERSION 31
#define _GNU_SOURCE
#include <dirent.h>
#include <errno.h>
#include <fcntl.h>
#include <fuse.h>
#include <limits.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

static long delay_ns = 2000000;
static int delay_metadata;
static int source_fd = -1; /* the mirrored directory; paths are looked up relative to it */

static void wait_delay(void) {
    struct timespec left = {delay_ns / 1000000000, delay_ns % 1000000000};
    while (nanosleep(&left, &left) != 0 && errno == EINTR) {
    }
}

/* FUSE paths start with '/'; "/" itself is the source directory. */
static const char* relative(const char* path) {
    return path[1] ? path + 1 : ".";
}

static void* slow_init(struct fuse_conn_info* conn, struct fuse_config* cfg) {
    (void)conn;
    cfg->entry_timeout = 0;
    cfg->attr_timeout = 0;
    cfg->negative_timeout = 0;
    cfg->kernel_cache = 0;
    cfg->direct_io = 1;
    return NULL;
}

static int slow_getattr(const char* path, struct stat* st, struct fuse_file_info* fi) {
    (void)fi;
    if (delay_metadata) wait_delay();
    return fstatat(source_fd, relative(path), st, AT_SYMLINK_NOFOLLOW) < 0 ? -errno : 0;
}

static int slow_open(const char* path, struct fuse_file_info* fi) {
    wait_delay();
    if ((fi->flags & O_ACCMODE) != O_RDONLY) return -EROFS;
    const int fd = openat(source_fd, relative(path), O_RDONLY);
    if (fd < 0) return -errno;
    fi->fh = (uint64_t)fd;
    fi->direct_io = 1;
    return 0;
}

static int slow_read(const char* path, char* buffer, size_t size, off_t offset,
                     struct fuse_file_info* fi) {
    (void)path;
    wait_delay();
    const ssize_t got = pread((int)fi->fh, buffer, size, offset);
    return got < 0 ? -errno : (int)got;
}

static int slow_release(const char* path, struct fuse_file_info* fi) {
    (void)path;
    close((int)fi->fh);
    return 0;
}

static int slow_opendir(const char* path, struct fuse_file_info* fi) {
    if (delay_metadata) wait_delay();
    const int fd = openat(source_fd, relative(path), O_RDONLY | O_DIRECTORY);
    if (fd < 0) return -errno;
    DIR* dir = fdopendir(fd);
    if (!dir) {
        close(fd);
        return -errno;
    }
    fi->fh = (uint64_t)(uintptr_t)dir;
    return 0;
}

/* The whole directory in one call (offset 0 to the filler): the directories are small. */
static int slow_readdir(const char* path, void* buffer, fuse_fill_dir_t fill, off_t offset,
                        struct fuse_file_info* fi, enum fuse_readdir_flags flags) {
    (void)path, (void)offset, (void)flags;
    if (delay_metadata) wait_delay();
    DIR* dir = (DIR*)(uintptr_t)fi->fh;
    rewinddir(dir);
    const struct dirent* item;
    while ((item = readdir(dir)) != NULL) {
        struct stat st;
        memset(&st, 0, sizeof st);
        st.st_ino = item->d_ino;
        st.st_mode = (mode_t)(DTTOIF(item->d_type));
        if (fill(buffer, item->d_name, &st, 0, 0)) break;
    }
    return 0;
}

static int slow_releasedir(const char* path, struct fuse_file_info* fi) {
    (void)path;
    closedir((DIR*)(uintptr_t)fi->fh);
    return 0;
}

static const struct fuse_operations operations = {
    .init = slow_init,
    .getattr = slow_getattr,
    .open = slow_open,
    .read = slow_read,
    .release = slow_release,
    .opendir = slow_opendir,
    .readdir = slow_readdir,
    .releasedir = slow_releasedir,
};

int main(int argc, char** argv) {
    int i = 1;
    for (; i < argc; ++i) {
        if (strcmp(argv[i], "--delay-ms") == 0 && i + 1 < argc)
            delay_ns = strtol(argv[++i], NULL, 10) * 1000000L;
        else if (strcmp(argv[i], "--delay-metadata") == 0)
            delay_metadata = 1;
        else
            break;
    }
    if (argc - i < 2 || delay_ns < 0) {
        fprintf(stderr,
                "usage: %s [--delay-ms N] [--delay-metadata] SOURCE MOUNTPOINT [FUSE OPTIONS]\n",
                argv[0]);
        return 2;
    }
    source_fd = open(argv[i], O_RDONLY | O_DIRECTORY);
    if (source_fd < 0) {
        perror(argv[i]);
        return 1;
    }
    /* fuse_main sees the program name, the mount point and the options that follow. */
    char* fuse_argv[64];
    int fuse_argc = 0;
    fuse_argv[fuse_argc++] = argv[0];
    for (int k = i + 1; k < argc && fuse_argc < 60; ++k) fuse_argv[fuse_argc++] = argv[k];
    fuse_argv[fuse_argc++] = "-o";
    fuse_argv[fuse_argc++] = "ro,default_permissions,max_threads=64";
    fuse_argv[fuse_argc] = NULL;
    return fuse_main(fuse_argc, fuse_argv, &operations, NULL);
}
