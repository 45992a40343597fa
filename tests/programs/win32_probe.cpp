// A Windows child for the process and removal tests.
//   win32_probe startup
//     prints its start description and priority class:
//     "flags=HEX show=N priority=HEX stdout=file|other"
//   win32_probe priority NAME
//     writes its priority class to the file NAME: "priority=HEX"
//   win32_probe hold NAME
//     opens NAME without sharing, creates NAME.ready, waits until NAME.stop
//     exists (at most a minute), closes NAME and deletes NAME.ready.
#include <windows.h>

#include <stdio.h>
#include <string.h>

static int ReportStartup() {
    STARTUPINFOA startup;
    GetStartupInfoA(&startup);
    DWORD type = GetFileType(GetStdHandle(STD_OUTPUT_HANDLE));
    printf("flags=%lx show=%u priority=%lx stdout=%s\n", (unsigned long)startup.dwFlags,
           (unsigned)startup.wShowWindow, (unsigned long)GetPriorityClass(GetCurrentProcess()),
           type == FILE_TYPE_DISK ? "file" : "other");
    fflush(stdout);
    return 0;
}

static int WritePriority(const char *name) {
    FILE *file = fopen(name, "w");
    if (file == nullptr)
        return 2;
    fprintf(file, "priority=%lx\n", (unsigned long)GetPriorityClass(GetCurrentProcess()));
    fclose(file);
    return 0;
}

static int Hold(const char *name) {
    char ready[MAX_PATH];
    char stop[MAX_PATH];
    if (snprintf(ready, sizeof ready, "%s.ready", name) >= (int)sizeof ready ||
        snprintf(stop, sizeof stop, "%s.stop", name) >= (int)sizeof stop)
        return 2;
    HANDLE held = CreateFileA(name, GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (held == INVALID_HANDLE_VALUE)
        return 3;
    HANDLE signal = CreateFileA(ready, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                FILE_ATTRIBUTE_NORMAL, nullptr);
    if (signal != INVALID_HANDLE_VALUE)
        CloseHandle(signal);
    for (int waited = 0; waited < 60000; waited += 10) {
        if (GetFileAttributesA(stop) != INVALID_FILE_ATTRIBUTES)
            break;
        Sleep(10);
    }
    CloseHandle(held);
    DeleteFileA(ready);
    return 0;
}

int main(int argc, char **argv) {
    if (argc == 2 && strcmp(argv[1], "startup") == 0)
        return ReportStartup();
    if (argc == 3 && strcmp(argv[1], "priority") == 0)
        return WritePriority(argv[2]);
    if (argc == 3 && strcmp(argv[1], "hold") == 0)
        return Hold(argv[2]);
    return 1;
}
