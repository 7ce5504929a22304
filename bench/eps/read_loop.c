/* The floor of the benchmark: reads a file sequentially in blocks of a fixed size
   (default 4096 bytes, at most 1 MiB) and does nothing else with the bytes.
   usage: read_loop [--block BYTES] FILE */
#include <fcntl.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <unistd.h>

int main(int argc, char** argv) {
    size_t size = 4096;
    int first = 1;
    if (argc == 4 && strcmp(argv[1], "--block") == 0) {
        size = strtoul(argv[2], NULL, 10);
        first = 3;
    }
    if (argc != first + 1 || size == 0 || size > (1 << 20)) {
        fprintf(stderr, "usage: %s [--block BYTES] FILE\n", argv[0]);
        return 2;
    }
    const char* path = argv[first];
    const int fd = open(path, O_RDONLY);
    if (fd < 0) {
        perror(path);
        return 1;
    }
    static unsigned char block[1 << 20];
    long long total = 0;
    ssize_t got;
    while ((got = read(fd, block, size)) > 0) total += got;
    close(fd);
    if (got < 0) {
        perror(path);
        return 1;
    }
    printf("%lld\n", total);
    return 0;
}
