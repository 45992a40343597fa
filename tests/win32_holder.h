// A second process that holds a file open without sharing, for the Windows
// tests of the capture file and of removal.
#ifndef WIZARD_TESTS_WIN32_HOLDER_H
#define WIZARD_TESTS_WIN32_HOLDER_H

#include <windows.h>

#include "sys_test_support.h"

#include <string>

struct FileHolder {
    PROCESS_INFORMATION process;
    std::string name;
};

// Starts the probe that holds name, and waits until it does: true on success.
inline bool StartHolding(FileHolder *holder, const std::string &name) {
    holder->name = name;
    std::string line = ChildCommand(PLATFORM_PROBE_NAME) + " hold " + name;
    STARTUPINFOA startup;
    ZeroMemory(&startup, sizeof startup);
    startup.cb = sizeof startup;
    if (!CreateProcessA(nullptr, &line[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                        &holder->process))
        return false;
    for (int i = 0; i < 2000 && !Exists(name + ".ready"); i++)
        Sleep(10);
    return Exists(name + ".ready");
}

// Tells the probe to let go, and waits until it has ended.
inline void StopHolding(FileHolder *holder) {
    WriteWholeFile(holder->name + ".stop", "");
    WaitForSingleObject(holder->process.hProcess, 30000);
    CloseHandle(holder->process.hThread);
    CloseHandle(holder->process.hProcess);
}

#endif
