/* The floor a scan cannot go below: walk the tree as the scan does, open every file
   with a listed extension, read its first 4096 bytes, read further blocks only where
   the classifier must (the block of a TIFF's first directory, the blocks where JPEG
   segments start up to the frame or scan header, an EPS file's PostScript text to its
   end), and close it. No decisions are made beyond finding those positions.
   usage: floor [--first-block] [--block BYTES] DIRECTORY...   prints the files opened
   and blocks read; --first-block reads nothing past the first block; --block sets the
   block size (default 4096, at most 1 MiB), so the same reads can be made in large blocks. */
#include <dirent.h>
#include <fcntl.h>
#include <limits.h>
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <strings.h>
#include <sys/stat.h>
#include <unistd.h>

enum { kMaxBlock = 1 << 20 };
static unsigned char block[kMaxBlock];
static size_t block_size = 4096;
static long files_opened, blocks_read;
static int first_block_only;

enum Kind { None, Jpeg, Tiff, Eps, Gif };

static enum Kind kind_of(const char* name) {
    static const struct {
        const char* extension;
        enum Kind kind;
    } table[] = {{".jpg", Jpeg}, {".jpeg", Jpeg}, {".jpe", Jpeg},  {".jfi", Jpeg}, {".jfif", Jpeg},
                 {".gif", Gif},  {".tif", Tiff},  {".tiff", Tiff}, {".eps", Eps},  {".epsf", Eps}};
    const char* dot = strrchr(name, '.');
    if (!dot) return None;
    for (size_t i = 0; i < sizeof table / sizeof table[0]; ++i)
        if (strcasecmp(dot, table[i].extension) == 0) return table[i].kind;
    return None;
}

/* Reads the block that starts at `position`; returns the bytes read. */
static ssize_t read_at(int fd, uint64_t position) {
    ++blocks_read;
    const ssize_t got = pread(fd, block, block_size, (off_t)position);
    return got < 0 ? 0 : got;
}

static uint32_t u32(const unsigned char* p, int little) {
    return little
               ? (uint32_t)p[0] | (uint32_t)p[1] << 8 | (uint32_t)p[2] << 16 | (uint32_t)p[3] << 24
               : (uint32_t)p[3] | (uint32_t)p[2] << 8 | (uint32_t)p[1] << 16 | (uint32_t)p[0] << 24;
}

static void read_tiff(int fd, ssize_t got) {
    if (got < 8) return;
    const int little = block[0] == 'I';
    const uint32_t directory = u32(block + 4, little);
    /* The count and the first entries: one more block unless they are in this one. */
    if ((uint64_t)directory + 2 + 12 * 12 > (uint64_t)got) read_at(fd, directory);
}

static void read_jpeg(int fd, ssize_t got) {
    uint64_t start = 0; /* file position of block[0] */
    uint64_t position = 2;
    for (int segments = 0; segments < 30; ++segments) {
        if (position + 4 > start + (uint64_t)got) {
            start = position;
            got = read_at(fd, position);
            if (got < 4) return;
        }
        const unsigned char* p = block + (position - start);
        if (p[0] != 0xFF) return;
        const int code = p[1];
        if (code == 0xC0 || code == 0xC2 || code == 0xDA) return; /* frame or scan header */
        position += 2 + ((unsigned)p[2] << 8 | p[3]);
    }
}

static void read_eps(int fd, ssize_t got) {
    uint64_t position = (uint64_t)got;
    uint64_t end = UINT64_MAX;
    if (got >= 12 && block[0] == 0xC5 && block[1] == 0xD0 && block[2] == 0xD3 && block[3] == 0xC6) {
        position = u32(block + 4, 1);
        end = position + u32(block + 8, 1);
    }
    while (position < end) {
        const ssize_t more = read_at(fd, position);
        if (more <= 0) return;
        position += (uint64_t)more;
    }
}

static void check(const char* path, enum Kind kind) {
    const int fd = open(path, O_RDONLY);
    if (fd < 0) return;
    ++files_opened;
    const ssize_t got = read_at(fd, 0);
    if (first_block_only)
        ;
    else if (kind == Tiff)
        read_tiff(fd, got);
    else if (kind == Jpeg)
        read_jpeg(fd, got);
    else if (kind == Eps)
        read_eps(fd, got);
    close(fd);
}

static void walk(char* path, size_t length) {
    DIR* dir = opendir(path);
    if (!dir) return;
    const struct dirent* item;
    while ((item = readdir(dir)) != NULL) {
        const size_t name_length = strlen(item->d_name);
        if (length + 1 + name_length >= PATH_MAX) continue;
        path[length] = '/';
        memcpy(path + length + 1, item->d_name, name_length + 1);
        if (item->d_type == DT_DIR) {
            if (item->d_name[0] != '.') walk(path, length + 1 + name_length);
        } else if (item->d_type == DT_REG) {
            const enum Kind kind = kind_of(item->d_name);
            if (kind != None) check(path, kind);
        }
        path[length] = '\0';
    }
    closedir(dir);
}

int main(int argc, char** argv) {
    static char path[PATH_MAX];
    for (int i = 1; i < argc; ++i) {
        if (strcmp(argv[i], "--first-block") == 0) {
            first_block_only = 1;
            continue;
        }
        if (strcmp(argv[i], "--block") == 0 && i + 1 < argc) {
            block_size = strtoul(argv[++i], NULL, 10);
            if (block_size < 4096 || block_size > kMaxBlock) block_size = 4096;
            continue;
        }
        const size_t length = strlen(argv[i]);
        if (length >= PATH_MAX) continue;
        memcpy(path, argv[i], length + 1);
        walk(path, length);
    }
    printf("%ld files opened, %ld blocks read\n", files_opened, blocks_read);
    return 0;
}
