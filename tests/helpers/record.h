/* Records written by the test-bed helpers: small "key=value" text files in a
 * folder the scenarios read from the host. Every record is written to a
 * temporary name and renamed, so a reader never sees half a file. Values are
 * raw bytes in the process code page; texts that may hold line breaks or
 * non-ASCII bytes are written in hexadecimal instead. */
#ifndef AZ_HELPERS_RECORD_H
#define AZ_HELPERS_RECORD_H

#include <stdio.h>
#include <string.h>
#include <windows.h>
#include <tlhelp32.h>

#define RECORD_MAX 65536

typedef struct Record {
    char text[RECORD_MAX];
    size_t used;
} Record;

static inline void recordInit(Record* r) {
    r->used = 0;
    r->text[0] = '\0';
}

static inline void recordRaw(Record* r, const char* bytes, size_t n) {
    size_t room = r->used < RECORD_MAX - 1 ? RECORD_MAX - 1 - r->used : 0;
    for (size_t i = 0; i < n && i < room; ++i)
        r->text[r->used++] = bytes[i];
    r->text[r->used] = '\0';
}

static inline void recordLine(Record* r, const char* key, const char* value) {
    recordRaw(r, key, strlen(key));
    recordRaw(r, "=", 1);
    recordRaw(r, value, strlen(value));
    recordRaw(r, "\n", 1);
}

static inline void recordNumber(Record* r, const char* key, unsigned long long value) {
    char digits[32];
    snprintf(digits, sizeof digits, "%llu", value);
    recordLine(r, key, digits);
}

static inline void recordHex(Record* r, const char* key, const void* bytes, size_t n) {
    static const char kDigits[] = "0123456789abcdef";
    const unsigned char* p = (const unsigned char*)bytes;
    recordRaw(r, key, strlen(key));
    recordRaw(r, "=", 1);
    for (size_t i = 0; i < n; ++i) {
        char pair[2] = {kDigits[p[i] >> 4], kDigits[p[i] & 15]};
        recordRaw(r, pair, 2);
    }
    recordRaw(r, "\n", 1);
}

/* Wall-clock time in 100 ns units since 1601, comparable with host times. */
static inline unsigned long long recordNow(void) {
    FILETIME ft;
    GetSystemTimeAsFileTime(&ft);
    return ((unsigned long long)ft.dwHighDateTime << 32) | ft.dwLowDateTime;
}

static inline int recordSave(const Record* r, const char* path) {
    char temporary[MAX_PATH + 8];
    snprintf(temporary, sizeof temporary, "%s.part", path);
    FILE* f = fopen(temporary, "wb");
    if (!f)
        return 0;
    size_t written = fwrite(r->text, 1, r->used, f);
    if (fclose(f) != 0 || written != r->used)
        return 0;
    return MoveFileExA(temporary, path, MOVEFILE_REPLACE_EXISTING) ? 1 : 0;
}

/* The folder the stand-ins record into: %AZ_RECORDS%, else C:\azrecords. */
static inline void recordFolder(char* out, DWORD size) {
    DWORD n = GetEnvironmentVariableA("AZ_RECORDS", out, size);
    if (n == 0 || n >= size)
        snprintf(out, size, "C:\\azrecords");
    CreateDirectoryA(out, NULL);
}

/* <record folder>\<role>-<process id>-<start time>.txt: process ids come
 * back quickly, so the id alone would let a later process overwrite the
 * record of an earlier one. */
static inline void recordPathFor(const char* role, char* out, DWORD size) {
    char folder[MAX_PATH];
    recordFolder(folder, sizeof folder);
    snprintf(out, size, "%s\\%s-%lu-%llu.txt", folder, role, (unsigned long)GetCurrentProcessId(),
             recordNow());
}

static inline int fileExists(const char* path) {
    return GetFileAttributesA(path) != INVALID_FILE_ATTRIBUTES;
}

/* The file name of the process that started this one (parent=, empty when
 * it has ended already): which process started a program. */
static inline void recordParent(Record* r) {
    char name[MAX_PATH] = "";
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    if (snapshot != INVALID_HANDLE_VALUE) {
        PROCESSENTRY32 entry;
        DWORD parent = 0;
        entry.dwSize = sizeof entry;
        for (BOOL more = Process32First(snapshot, &entry); more;
             more = Process32Next(snapshot, &entry))
            if (entry.th32ProcessID == GetCurrentProcessId())
                parent = entry.th32ParentProcessID;
        entry.dwSize = sizeof entry;
        for (BOOL more = Process32First(snapshot, &entry); more && parent != 0;
             more = Process32Next(snapshot, &entry))
            if (entry.th32ProcessID == parent)
                snprintf(name, sizeof name, "%s", entry.szExeFile);
        CloseHandle(snapshot);
    }
    recordHex(r, "parent", name, strlen(name));
}

/* What every stand-in says about itself when it starts. */
static inline void recordIdentity(Record* r) {
    char buffer[1024];
    DWORD n = GetModuleFileNameA(NULL, buffer, sizeof buffer);
    recordHex(r, "module", buffer, n < sizeof buffer ? n : 0);
    const char* commandLine = GetCommandLineA();
    recordHex(r, "command_line", commandLine, strlen(commandLine));
    n = GetCurrentDirectoryA(sizeof buffer, buffer);
    recordHex(r, "cwd", buffer, n < sizeof buffer ? n : 0);
    recordNumber(r, "pid", GetCurrentProcessId());
    recordNumber(r, "start_time", recordNow());
    recordParent(r);
}

// A stand-in whose window is up: says so in its record, then answers its
// messages until it is told to quit. Exit code 0.
static inline int recordReadyAndServe(Record* r, const char* path) {
    recordNumber(r, "window_ready", 1);
    recordSave(r, path);
    MSG msg;
    while (GetMessageA(&msg, NULL, 0, 0) > 0) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
    return 0;
}

#endif
