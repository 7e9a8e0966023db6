/* Runs a program and prints "EXIT_CODE SECONDS PEAK_KIB CPU_SECONDS": the
 * wall time from starting it to its exit, its peak resident memory (ru_maxrss,
 * the high-water mark of the process), its user and system time.
 *
 *   run_timed PROGRAM [ARGS...]
 *
 * A small process of its own forks the program, so the peak is the program's
 * and not that of a large parent (the kernel carries a parent's high-water
 * mark over fork and exec). */
#include <stdio.h>
#include <sys/resource.h>
#include <sys/time.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

int main(int argc, char** argv) {
    if (argc < 2) {
        fprintf(stderr, "usage: run_timed PROGRAM [ARGS...]\n");
        return 2;
    }
    struct timespec start, end;
    clock_gettime(CLOCK_MONOTONIC, &start);
    pid_t child = fork();
    if (child < 0)
        return 125;
    if (child == 0) {
        execvp(argv[1], argv + 1);
        _exit(127);
    }
    int status = 0;
    struct rusage usage;
    if (wait4(child, &status, 0, &usage) != child)
        return 125;
    clock_gettime(CLOCK_MONOTONIC, &end);
    double seconds = (double)(end.tv_sec - start.tv_sec) + (end.tv_nsec - start.tv_nsec) / 1e9;
    double cpu = usage.ru_utime.tv_sec + usage.ru_utime.tv_usec / 1e6 + usage.ru_stime.tv_sec +
                 usage.ru_stime.tv_usec / 1e6;
    int code = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    printf("%d %.4f %ld %.3f\n", code, seconds, usage.ru_maxrss, cpu);
    return 0;
}
