// wine-update-bench [REMOVES [COPIES]]: the real update-wizard.exe over an
// update of REMOVES entries that name no existing file (20,000 unless given)
// and COPIES plain files to time-stamp (1 unless given), driven as a user would:
// Accept on the agreement, wait for Finish to be enabled, press it.
//
// The time counts from Accept to an enabled Finish and is read by polling the
// button's state, which sends the wizard no message. The output ends with
// "ms_per_entry X": that time over the number of entries.
//
// The update's resource utility is the tests' stand-in child, which leaves an
// empty cleanup list, so that the update has nothing to add or clean up.
#include "script/contract.h"
#include "state/version.h"

#include <windows.h>

#include <stdio.h>
#include <stdlib.h>
#include <string.h>

enum {
    FINISH_BUTTON = 1026,
    STATUS_TEXT = 1031,
    WAIT_MS = 20000,
    POLL_MS = 5,
    PATH_SIZE = MAX_PATH + 32
};

static const char WizardTitle[] = WIZARD_PRODUCT " v" WIZARD_VERSION;
static const char AgreementTitle[] = "Tarvelle User Agreement";

// Without a window manager, Wine waits two seconds for one at every closed
// window unless it places the windows itself.
static void LetWinePlaceWindows() {
    HKEY key;
    if (RegCreateKeyExA(HKEY_CURRENT_USER, "Software\\Wine\\X11 Driver", 0, nullptr, 0,
                        KEY_SET_VALUE, nullptr, &key, nullptr) != ERROR_SUCCESS)
        return;
    static const char no[] = "N";
    RegSetValueExA(key, "Managed", 0, REG_SZ, reinterpret_cast<const BYTE *>(no), sizeof no);
    RegCloseKey(key);
}

static int WriteUpdate(const char *dir, int removes, int copies) {
    char path[PATH_SIZE];
    snprintf(path, sizeof path, "%s\\update%s", dir, PointerExtension);
    FILE *file = fopen(path, "wb");
    if (file == nullptr)
        return 0;
    fprintf(file, "[%s]\r\n%s=update.txt\r\n", ScriptKey.section, ScriptKey.key);
    int ok = fclose(file) == 0;
    snprintf(path, sizeof path, "%s\\data.res", dir);
    file = fopen(path, "wb");
    ok = ok && file != nullptr && fclose(file) == 0;
    for (int i = 0; ok && i < copies; i++) {
        snprintf(path, sizeof path, "%s\\c%06d.dat", dir, i);
        file = fopen(path, "wb");
        ok = file != nullptr && fputs("data\r\n", file) >= 0;
        ok = file != nullptr && fclose(file) == 0 && ok;
    }
    snprintf(path, sizeof path, "%s\\update.txt", dir);
    file = fopen(path, "wb");
    if (!ok || file == nullptr)
        return 0;
    fprintf(file, "[%s]\r\n%s=data.res\r\n[%s]\r\n%s=utility.exe\r\n[%s]\r\n", ArchiveKey.section,
            ArchiveKey.key, UtilityKey.section, UtilityKey.key, CopyKey.section);
    for (int i = 0; i < copies; i++)
        fprintf(file, "%s=c%06d.dat,1000000000\r\n", CopyKey.key, i);
    fprintf(file, "[%s]\r\n", RemoveKey.section);
    for (int i = 0; i < removes; i++)
        fprintf(file, "%s=gone%06d.dat\r\n", RemoveKey.key, i);
    ok = fclose(file) == 0;
    snprintf(path, sizeof path, "%s\\utility.exe", dir);
    return ok && CopyFileA(BENCH_UTILITY_PATH, path, FALSE);
}

struct Search {
    DWORD pid;
    const char *title;
    HWND found;
};

static BOOL CALLBACK MatchWindow(HWND window, LPARAM data) {
    Search *search = reinterpret_cast<Search *>(data);
    DWORD pid = 0;
    char caption[128];
    GetWindowThreadProcessId(window, &pid);
    if (pid != search->pid || !IsWindowVisible(window) ||
        GetWindowTextA(window, caption, sizeof caption) <= 0 || strcmp(caption, search->title) != 0)
        return TRUE;
    search->found = window;
    return FALSE;
}

// A visible top-level window of the process with that caption, within WAIT_MS.
static HWND WaitForWindow(DWORD pid, const char *title) {
    for (DWORD start = GetTickCount(); GetTickCount() - start < WAIT_MS; Sleep(POLL_MS)) {
        Search search = {pid, title, nullptr};
        EnumWindows(MatchWindow, reinterpret_cast<LPARAM>(&search));
        if (search.found != nullptr)
            return search.found;
    }
    return nullptr;
}

static double Milliseconds() {
    LARGE_INTEGER now, frequency;
    QueryPerformanceCounter(&now);
    QueryPerformanceFrequency(&frequency);
    return 1000.0 * (double)now.QuadPart / (double)frequency.QuadPart;
}

// Accept to an enabled Finish, in milliseconds; -1 when the run went wrong.
static double RunWizard(const char *dir, PROCESS_INFORMATION *info) {
    char command[PATH_SIZE];
    snprintf(command, sizeof command, "\"%s\"", WIZARD_EXE_PATH);
    STARTUPINFOA startup;
    memset(&startup, 0, sizeof startup);
    startup.cb = sizeof startup;
    if (!CreateProcessA(WIZARD_EXE_PATH, command, nullptr, nullptr, FALSE, 0, nullptr, dir,
                        &startup, info))
        return -1;
    HWND agreement = WaitForWindow(info->dwProcessId, AgreementTitle);
    if (agreement == nullptr)
        return -1;
    double start = Milliseconds();
    PostMessageA(GetDlgItem(agreement, IDOK), BM_CLICK, 0, 0);
    HWND progress = WaitForWindow(info->dwProcessId, WizardTitle);
    HWND finish = GetDlgItem(progress, FINISH_BUTTON);
    while (finish != nullptr && !IsWindowEnabled(finish) &&
           WaitForSingleObject(info->hProcess, POLL_MS) == WAIT_TIMEOUT) {
    }
    double elapsed = Milliseconds() - start;
    char status[64] = "";
    GetDlgItemTextA(progress, STATUS_TEXT, status, sizeof status);
    if (finish == nullptr || !IsWindowEnabled(finish) || strcmp(status, "All done.") != 0) {
        fprintf(stderr, "wine-update-bench: the update did not end with \"All done.\" (%s)\n",
                status);
        return -1;
    }
    PostMessageA(finish, BM_CLICK, 0, 0);
    DWORD code = 1;
    if (WaitForSingleObject(info->hProcess, WAIT_MS) != WAIT_OBJECT_0 ||
        !GetExitCodeProcess(info->hProcess, &code) || code != 0)
        return -1;
    return elapsed;
}

static void RemoveAll(const char *dir) {
    char path[PATH_SIZE];
    WIN32_FIND_DATAA found;
    snprintf(path, sizeof path, "%s\\*", dir);
    HANDLE search = FindFirstFileA(path, &found);
    if (search != INVALID_HANDLE_VALUE) {
        do {
            snprintf(path, sizeof path, "%s\\%s", dir, found.cFileName);
            DeleteFileA(path);
        } while (FindNextFileA(search, &found));
        FindClose(search);
    }
    RemoveDirectoryA(dir);
}

int main(int argc, char **argv) {
    int removes = argc > 1 ? atoi(argv[1]) : 20000;
    int copies = argc > 2 ? atoi(argv[2]) : 1;
    if (removes < 0 || copies < 0 || removes + copies == 0) {
        fprintf(stderr, "usage: wine-update-bench [REMOVES [COPIES]]\n");
        return 2;
    }
    char temp[MAX_PATH], dir[PATH_SIZE];
    if (GetTempPathA(sizeof temp, temp) == 0)
        return 1;
    // The tests' stand-in utility leaves an empty cleanup list and adds nothing.
    SetEnvironmentVariableA("WIZARD_TEST_MODE", "empty");
    snprintf(dir, sizeof dir, "%swine-update-bench-%lu", temp, GetCurrentProcessId());
    if (!CreateDirectoryA(dir, nullptr) || !WriteUpdate(dir, removes, copies)) {
        fprintf(stderr, "wine-update-bench: cannot write the update in %s\n", dir);
        RemoveAll(dir);
        return 1;
    }
    LetWinePlaceWindows();
    setvbuf(stdout, nullptr, _IONBF, 0);
    printf("update: %d REMOVE entries (no such files), %d COPY files\n", removes, copies);

    PROCESS_INFORMATION info;
    memset(&info, 0, sizeof info);
    double elapsed = RunWizard(dir, &info);
    if (info.hProcess != nullptr) {
        if (WaitForSingleObject(info.hProcess, 0) != WAIT_OBJECT_0)
            TerminateProcess(info.hProcess, 99);
        WaitForSingleObject(info.hProcess, WAIT_MS);
        CloseHandle(info.hThread);
        CloseHandle(info.hProcess);
    }
    RemoveAll(dir);
    if (elapsed < 0) {
        fprintf(stderr, "wine-update-bench: the wizard did not run to Finish\n");
        return 1;
    }
    printf("Accept to Finish: %.0f ms\n", elapsed);
    printf("ms_per_entry %.3f\n", elapsed / (double)(removes + copies));
    return 0;
}
