// Child programs on Windows: CreateProcessA with the command line as given, the
// window hidden and standard output in the capture file.
#include <windows.h>

#include "sys/platform.h"

#include <stdio.h>

enum {
    // The longest command line CreateProcessA accepts, with its terminating zero.
    COMMAND_LINE_SIZE = 32768,
    RUN_CAPTURED_FLAGS = CREATE_SEPARATE_WOW_VDM | NORMAL_PRIORITY_CLASS, // 0x820
    ENTRY_COMMAND_FLAGS = CREATE_SEPARATE_WOW_VDM | HIGH_PRIORITY_CLASS   // 0x880
};

static void FillStartup(STARTUPINFOA *startup, HANDLE capture) {
    ZeroMemory(startup, sizeof *startup);
    startup->cb = sizeof *startup;
    startup->dwFlags = STARTF_USESHOWWINDOW | STARTF_USESTDHANDLES; // 0x101
    startup->wShowWindow = SW_HIDE;
    startup->hStdInput = GetStdHandle(STD_INPUT_HANDLE);
    startup->hStdOutput = capture;
    startup->hStdError = GetStdHandle(STD_ERROR_HANDLE);
}

// Starts the child: 0 and its handles, or the platform's error code.
static DWORD StartChild(const char *commandLine, DWORD flags, HANDLE capture,
                        PROCESS_INFORMATION *child) {
    // CreateProcess may write into the command line, so it gets a copy. A
    // longer line than the platform takes fails as CreateProcess would fail it.
    static char line[COMMAND_LINE_SIZE];
    if (snprintf(line, sizeof line, "%s", commandLine != nullptr ? commandLine : "") >=
        (int)sizeof line)
        return ERROR_FILENAME_EXCED_RANGE;

    STARTUPINFOA startup;
    FillStartup(&startup, capture);
    ZeroMemory(child, sizeof *child);
    if (!CreateProcessA(nullptr, line, nullptr, nullptr, TRUE, flags, nullptr, nullptr, &startup,
                        child))
        return GetLastError();
    return 0;
}

int PlatformRunChild(const char *commandLine, ChildPriority priority, FileHandle output,
                     int32_t *exitCode) {
    DWORD flags = priority == PRIORITY_HIGH ? ENTRY_COMMAND_FLAGS : RUN_CAPTURED_FLAGS;
    PROCESS_INFORMATION child;
    DWORD failure = StartChild(commandLine, flags, (HANDLE)output, &child);
    if (failure != 0)
        return (int)failure;
    // Blocks the only thread: no messages are dispatched until the child ends.
    WaitForSingleObject(child.hProcess, INFINITE);
    DWORD code = 0;
    GetExitCodeProcess(child.hProcess, &code);
    *exitCode = (int32_t)code;
    CloseHandle(child.hThread);
    CloseHandle(child.hProcess);
    return 0;
}
