/* The floor of the benchmark: reads a file sequentially in 4096-byte blocks and does
   nothing else with the bytes. With --tell it also asks for the file position before each
   block, as the program's reader does at every refill.
   usage: read_loop [--tell] FILE */
#include <fcntl.h>
#include <stdio.h>
#include <string.h>
#include <unistd.h>

int main(int argc, char** argv) {
    const int tell = argc == 3 && strcmp(argv[1], "--tell") == 0;
    if (argc != 2 + tell) {
        fprintf(stderr, "usage: %s [--tell] FILE\n", argv[0]);
        return 2;
    }
    const char* path = argv[1 + tell];
    const int fd = open(path, O_RDONLY);
    if (fd < 0) {
        perror(path);
        return 1;
    }
    static unsigned char block[4096];
    long long total = 0;
    ssize_t got;
    for (;;) {
        if (tell && lseek(fd, 0, SEEK_CUR) < 0) {
            perror(path);
            return 1;
        }
        got = read(fd, block, sizeof block);
        if (got <= 0) break;
        total += got;
    }
    close(fd);
    if (got < 0) {
        perror(path);
        return 1;
    }
    printf("%lld\n", total);
    return 0;
}
