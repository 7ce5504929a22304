/* Runs a command with its output sent to a temporary file (not /dev/null, which grep
   notices and stops early for) and its errors discarded, and prints its wall-clock time
   in seconds, its peak resident memory in KiB (getrusage of the child) and its exit
   status. The output is kept in the file named by MEASURE_OUTPUT when that is set.
   usage: measure COMMAND [ARGUMENT...] */
#define _GNU_SOURCE
#include <fcntl.h>
#include <stdio.h>
#include <stdlib.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

int main(int argc, char** argv) {
    if (argc < 2) {
        fprintf(stderr, "usage: %s COMMAND [ARGUMENT...]\n", argv[0]);
        return 2;
    }
    struct timespec start, end;
    clock_gettime(CLOCK_MONOTONIC, &start);
    const pid_t child = fork();
    if (child < 0) {
        perror("fork");
        return 1;
    }
    if (child == 0) {
        const char* keep = getenv("MEASURE_OUTPUT");
        FILE* temporary = keep ? NULL : tmpfile();
        const int out = keep        ? open(keep, O_WRONLY | O_CREAT | O_TRUNC, 0644)
                        : temporary ? fileno(temporary)
                                    : -1;
        if (out >= 0) dup2(out, 1);
        const int null = open("/dev/null", O_WRONLY);
        if (null >= 0) dup2(null, 2);
        execvp(argv[1], argv + 1);
        _exit(127);
    }
    int status = 0;
    struct rusage usage;
    if (wait4(child, &status, 0, &usage) < 0) {
        perror("wait4");
        return 1;
    }
    clock_gettime(CLOCK_MONOTONIC, &end);
    const double seconds =
        (double)(end.tv_sec - start.tv_sec) + (double)(end.tv_nsec - start.tv_nsec) / 1e9;
    printf("%.4f %ld %d\n", seconds, usage.ru_maxrss,
           WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status));
    return 0;
}
