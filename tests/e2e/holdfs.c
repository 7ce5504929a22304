/* A file system of one file, big.eps, whose reads wait while a flag file exists: it holds
 * a scan inside the file for as long as a scenario needs, however fast the reader is.
 * While held the file claims 64 GB; let go, it is an EPS header alone, and a read in
 * progress ends with the header, as a file cut back while it is read.
 * usage: holdfs MOUNT_DIR FLAG_FILE (an absolute path: the daemon leaves its folder) */
#define FUSE_USE_VERSION 31
#include <errno.h>
#include <fcntl.h>
#include <fuse.h>
#include <string.h>
#include <sys/stat.h>
#include <unistd.h>

static const char kHeader[] = "%!PS-Adobe-3.0 EPSF-3.0\n%%EndComments\n%%EndSetup\n";
static const char* flag_file;

static int held(void) {
    return access(flag_file, F_OK) == 0;
}

static void* hold_init(struct fuse_conn_info* connection, struct fuse_config* config) {
    (void)connection;
    /* Every size and every read is asked afresh: nothing of a held state is cached. */
    config->attr_timeout = 0;
    config->entry_timeout = 0;
    config->direct_io = 1;
    return NULL;
}

static int hold_getattr(const char* path, struct stat* st, struct fuse_file_info* file) {
    (void)file;
    memset(st, 0, sizeof *st);
    if (strcmp(path, "/") == 0) {
        st->st_mode = S_IFDIR | 0755;
        return 0;
    }
    if (strcmp(path, "/big.eps") != 0) return -ENOENT;
    st->st_mode = S_IFREG | 0444;
    st->st_size = held() ? (off_t)64 << 30 : (off_t)(sizeof kHeader - 1);
    return 0;
}

static int hold_open(const char* path, struct fuse_file_info* file) {
    if (strcmp(path, "/big.eps") != 0) return -ENOENT;
    return (file->flags & O_ACCMODE) == O_RDONLY ? 0 : -EACCES;
}

static int hold_read(const char* path, char* buffer, size_t size, off_t offset,
                     struct fuse_file_info* file) {
    (void)path, (void)file;
    while (held()) {
        if (fuse_interrupted()) return -EINTR;
        usleep(20000);
    }
    if (offset >= (off_t)(sizeof kHeader - 1)) return 0;
    size_t left = sizeof kHeader - 1 - (size_t)offset;
    if (size > left) size = left;
    memcpy(buffer, kHeader + offset, size);
    return (int)size;
}

static const struct fuse_operations kOperations = {
    .getattr = hold_getattr,
    .open = hold_open,
    .read = hold_read,
    .init = hold_init,
};

int main(int argc, char** argv) {
    if (argc != 3) return 2;
    flag_file = argv[2];
    /* Started from a test whose runner waits on its pipes: the daemon keeps none. */
    for (int fd = 3; fd < 1024; ++fd) close(fd);
    char* fuse_argv[] = {argv[0], argv[1], NULL};
    return fuse_main(2, fuse_argv, &kOperations, NULL);
}
