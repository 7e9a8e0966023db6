/* What writing beside the target and moving it over costs, against writing
 * the target in place, under Wine or Windows:
 *
 *   replace_cost FOLDER [MIB] [ROUNDS]
 *
 * Each round writes a file of MIB MiB (8 by default) over an existing one
 * both ways, in alternation, and prints the median milliseconds of each. */
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <windows.h>

static double nowMs(void) {
    LARGE_INTEGER counter, frequency;
    QueryPerformanceCounter(&counter);
    QueryPerformanceFrequency(&frequency);
    return (double)counter.QuadPart * 1000.0 / (double)frequency.QuadPart;
}

static int writeFile(const char* path, const char* bytes, DWORD size) {
    HANDLE file = CreateFileA(path, GENERIC_WRITE, 0, NULL, CREATE_ALWAYS, 0, NULL);
    if (file == INVALID_HANDLE_VALUE)
        return 0;
    DWORD written = 0;
    for (DWORD at = 0; at < size; at += 1u << 20)
        WriteFile(file, bytes + at, 1u << 20, &written, NULL);
    CloseHandle(file);
    return 1;
}

static int byValue(const void* a, const void* b) {
    double x = *(const double*)a, y = *(const double*)b;
    return x < y ? -1 : x > y;
}

int main(int argc, char** argv) {
    if (argc < 2)
        return 2;
    DWORD mib = argc > 2 ? (DWORD)atoi(argv[2]) : 8;
    int rounds = argc > 3 ? atoi(argv[3]) : 21;
    DWORD size = mib << 20;
    char* bytes = malloc(size);
    memset(bytes, 'x', size);
    char target[MAX_PATH], part[MAX_PATH];
    snprintf(target, sizeof target, "%s\\TARGET.BIN", argv[1]);
    snprintf(part, sizeof part, "%s\\~az1.part", argv[1]);
    writeFile(target, bytes, size);
    double* direct = malloc(sizeof(double) * rounds);
    double* beside = malloc(sizeof(double) * rounds);
    for (int i = 0; i < rounds; ++i) {
        double t0 = nowMs();
        writeFile(target, bytes, size);
        double t1 = nowMs();
        writeFile(part, bytes, size);
        MoveFileExA(part, target, MOVEFILE_REPLACE_EXISTING);
        double t2 = nowMs();
        direct[i] = t1 - t0;
        beside[i] = t2 - t1;
    }
    qsort(direct, rounds, sizeof(double), byValue);
    qsort(beside, rounds, sizeof(double), byValue);
    printf(
        "%u MiB over an existing file, median of %d: in place %.2f ms, beside and moved "
        "over %.2f ms\n",
        (unsigned)mib, rounds, direct[rounds / 2], beside[rounds / 2]);
    return 0;
}
