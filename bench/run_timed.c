/* Runs a program and prints "EXIT_CODE SECONDS PEAK_KIB CPU_SECONDS
 * PRIVATE_KIB": the wall time from starting it to its exit, its peak resident
 * memory (ru_maxrss, the high-water mark of the process), its user and system
 * time, and the peak of its anonymous resident memory (RssAnon, sampled every
 * 5 ms: what it holds beyond the files it maps, its own image and payload
 * among them). Wine starts a 32-bit program in a process of its own,
 * detached from the one started here: under WINEPREFIX, the processes of
 * that prefix whose command line names the program's file (the first
 * argument after the program run here) are sampled too, and the high-water
 * mark (VmHWM) of those counts for PEAK_KIB as well.
 *
 *   run_timed PROGRAM [ARGS...]
 *
 * A small process of its own forks the program, so the peak is the program's
 * and not that of a large parent (the kernel carries a parent's high-water
 * mark over fork and exec). */
#include <ctype.h>
#include <dirent.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/resource.h>
#include <sys/time.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

/* The whole of a small /proc file, lower-cased when asked; its length. */
static size_t readProcFile(const char* path, char* buffer, size_t size, int lower) {
    FILE* f = fopen(path, "rb");
    if (!f)
        return 0;
    size_t n = fread(buffer, 1, size - 1, f);
    fclose(f);
    buffer[n] = '\0';
    for (size_t i = 0; lower && i < n; ++i)
        buffer[i] = buffer[i] ? (char)tolower((unsigned char)buffer[i]) : ' ';
    return n;
}

static int hasEnvironmentEntry(const char* environ, size_t length, const char* entry) {
    for (size_t at = 0; at < length; at += strlen(environ + at) + 1)
        if (strcmp(environ + at, entry) == 0)
            return 1;
    return 0;
}

static void sampleStatus(const char* statusPath, long* privatePeak, long* residentPeak) {
    FILE* f = fopen(statusPath, "r");
    if (!f)
        return;
    char line[256];
    long kib;
    while (fgets(line, sizeof line, f)) {
        if (sscanf(line, "RssAnon: %ld", &kib) == 1 && kib > *privatePeak)
            *privatePeak = kib;
        if (sscanf(line, "VmHWM: %ld", &kib) == 1 && kib > *residentPeak)
            *residentPeak = kib;
    }
    fclose(f);
}

/* The processes of the prefix running `name` (lower case), besides `own`. */
static void sampleRelatives(const char* prefixEntry, const char* name, pid_t own, long* privatePeak,
                            long* residentPeak) {
    DIR* proc = opendir("/proc");
    if (!proc)
        return;
    static char buffer[65536];
    struct dirent* entry;
    while ((entry = readdir(proc)) != NULL) {
        if (!isdigit((unsigned char)entry->d_name[0]) || atoi(entry->d_name) == (int)own)
            continue;
        char path[300];
        snprintf(path, sizeof path, "/proc/%s/cmdline", entry->d_name);
        if (!readProcFile(path, buffer, sizeof buffer, 1) || !strstr(buffer, name))
            continue;
        snprintf(path, sizeof path, "/proc/%s/environ", entry->d_name);
        size_t length = readProcFile(path, buffer, sizeof buffer, 0);
        if (!hasEnvironmentEntry(buffer, length, prefixEntry))
            continue;
        snprintf(path, sizeof path, "/proc/%s/status", entry->d_name);
        sampleStatus(path, privatePeak, residentPeak);
    }
    closedir(proc);
}

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
    long privatePeak = 0, residentPeak = 0;
    char statusPath[64];
    snprintf(statusPath, sizeof statusPath, "/proc/%d/status", (int)child);
    const char* prefix = getenv("WINEPREFIX");
    char prefixEntry[4200] = "", name[1024] = "";
    if (prefix && argc > 2) {
        snprintf(prefixEntry, sizeof prefixEntry, "WINEPREFIX=%s", prefix);
        const char* base = argv[2];
        for (const char* p = argv[2]; *p; ++p)
            if (*p == '/' || *p == '\\')
                base = p + 1;
        for (size_t i = 0; base[i] && i + 1 < sizeof name; ++i)
            name[i] = (char)tolower((unsigned char)base[i]), name[i + 1] = '\0';
    }
    for (int tick = 0;; ++tick) {
        pid_t done = wait4(child, &status, WNOHANG, &usage);
        if (done == child)
            break;
        if (done < 0)
            return 125;
        sampleStatus(statusPath, &privatePeak, &residentPeak);
        if (name[0] && tick % 2 == 0)
            sampleRelatives(prefixEntry, name, child, &privatePeak, &residentPeak);
        usleep(5000);
    }
    if (residentPeak < usage.ru_maxrss)
        residentPeak = usage.ru_maxrss;
    clock_gettime(CLOCK_MONOTONIC, &end);
    double seconds = (double)(end.tv_sec - start.tv_sec) + (end.tv_nsec - start.tv_nsec) / 1e9;
    double cpu = usage.ru_utime.tv_sec + usage.ru_utime.tv_usec / 1e6 + usage.ru_stime.tv_sec +
                 usage.ru_stime.tv_usec / 1e6;
    int code = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    printf("%d %.4f %ld %.3f %ld\n", code, seconds, residentPeak, cpu, privatePeak);
    return 0;
}
