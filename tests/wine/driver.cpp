#include "driver.h"

#include <stdio.h>
#include <string.h>

const char WizardTitleText[] = "Tarvelle Local File Update Wizard v1.0.5a";
const char AgreementTitleText[] = "Tarvelle User Agreement";

// The build hands over host paths; Wine shows the host's root as drive Z:.
static std::string FromHostPath(const char *path) {
    std::string result = "Z:";
    for (const char *c = path; *c != '\0'; ++c)
        result += *c == '/' ? '\\' : *c;
    return result;
}

void PrepareWineDisplay() {
    HMODULE ntdll = GetModuleHandleA("ntdll.dll");
    if (ntdll == nullptr || GetProcAddress(ntdll, "wine_get_version") == nullptr)
        return; // real Windows: nothing to do
    HKEY key;
    if (RegCreateKeyExA(HKEY_CURRENT_USER, "Software\\Wine\\X11 Driver", 0, nullptr, 0,
                        KEY_SET_VALUE, nullptr, &key, nullptr) != ERROR_SUCCESS)
        return;
    static const char no[] = "N";
    RegSetValueExA(key, "Managed", 0, REG_SZ, reinterpret_cast<const BYTE *>(no), sizeof no);
    RegCloseKey(key);
}

std::string WizardExePath() {
    return FromHostPath(WIZARD_EXE_PATH);
}
std::string UtilityExePath() {
    return FromHostPath(UTILITY_EXE_PATH);
}

std::string MakeTempDirectory() {
    static unsigned counter;
    char temp[MAX_PATH];
    DWORD length = GetTempPathA(sizeof temp, temp);
    if (length == 0 || length >= sizeof temp)
        return std::string();
    char dir[MAX_PATH];
    for (int attempt = 0; attempt < 100; ++attempt) {
        snprintf(dir, sizeof dir, "%swizui-%lu-%u", temp, GetCurrentProcessId(), ++counter);
        if (CreateDirectoryA(dir, nullptr)) {
            char full[MAX_PATH];
            DWORD got = GetFullPathNameA(dir, sizeof full, full, nullptr);
            return got > 0 && got < sizeof full ? std::string(full) : std::string(dir);
        }
    }
    return std::string();
}

void RemoveDirectoryTree(const std::string &dir) {
    if (dir.empty())
        return;
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA((dir + "\\*").c_str(), &found);
    if (search != INVALID_HANDLE_VALUE) {
        do {
            std::string name = found.cFileName;
            if (name == "." || name == "..")
                continue;
            std::string path = dir + "\\" + name;
            if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
                RemoveDirectoryTree(path);
            else
                DeleteFileA(path.c_str());
        } while (FindNextFileA(search, &found));
        FindClose(search);
    }
    RemoveDirectoryA(dir.c_str());
}

void WriteTextFile(const std::string &path, const char *text) {
    FILE *file = fopen(path.c_str(), "wb");
    if (file == nullptr)
        return;
    fputs(text, file);
    fclose(file);
}

void MakeValidUpdate(const std::string &dir) {
    WriteTextFile(dir + "\\update.wiz", "[HEADER]\r\nCMD=update.txt\r\n");
    WriteTextFile(dir + "\\update.txt",
                  "[HEADER]\r\nDST=data.res\r\n[PRECHECK]\r\nRESEXE=utility.exe\r\n");
    WriteTextFile(dir + "\\data.res", "archive\r\n");
    CopyFileA(UtilityExePath().c_str(), (dir + "\\utility.exe").c_str(), FALSE);
}

bool StartWizard(WizardRun *run, const std::string &dir, const std::string &tail, int showMode) {
    memset(run, 0, sizeof *run);
    std::string exe = WizardExePath();
    std::string command = "\"" + exe + "\"";
    if (!tail.empty())
        command += " " + tail;
    STARTUPINFOA startup;
    memset(&startup, 0, sizeof startup);
    startup.cb = sizeof startup;
    if (showMode >= 0) {
        startup.dwFlags = STARTF_USESHOWWINDOW;
        startup.wShowWindow = static_cast<WORD>(showMode);
    }
    std::string writable = command; // CreateProcessA may write into the command line
    run->started = CreateProcessA(exe.c_str(), &writable[0], nullptr, nullptr, FALSE, 0, nullptr,
                                  dir.c_str(), &startup, &run->info) != 0;
    return run->started;
}

long WaitForExit(WizardRun *run, DWORD ms) {
    if (!run->started || WaitForSingleObject(run->info.hProcess, ms) != WAIT_OBJECT_0)
        return -1;
    DWORD code = 0;
    if (!GetExitCodeProcess(run->info.hProcess, &code))
        return -1;
    return static_cast<long>(code);
}

void EndWizard(WizardRun *run) {
    if (!run->started)
        return;
    if (WaitForSingleObject(run->info.hProcess, 0) != WAIT_OBJECT_0) {
        TerminateProcess(run->info.hProcess, 99);
        WaitForSingleObject(run->info.hProcess, WAIT_MS);
    }
    CloseHandle(run->info.hThread);
    CloseHandle(run->info.hProcess);
    run->started = false;
}

bool WaitUntil(const std::function<bool()> &done, DWORD ms) {
    DWORD start = GetTickCount();
    for (;;) {
        if (done())
            return true;
        if (GetTickCount() - start >= ms)
            return false;
        Sleep(20);
    }
}

std::string ClassOf(HWND window) {
    char name[64];
    int length = GetClassNameA(window, name, sizeof name);
    return length > 0 ? std::string(name, static_cast<size_t>(length)) : std::string();
}

// The caption of a top-level window, read without sending it a message.
static std::string CaptionOf(HWND window) {
    char text[256];
    int length = GetWindowTextA(window, text, sizeof text);
    return length > 0 ? std::string(text, static_cast<size_t>(length)) : std::string();
}

struct Search {
    DWORD pid;
    const char *title;
    bool visibleOnly;
    int wantProgress; // 1: only the progress window, 0: never it
    int button;       // when not 0, only a window with this button
    HWND found;
};

static bool IsProgressWindow(HWND window) {
    return GetDlgItem(window, 1032) != nullptr;
}

static BOOL CALLBACK MatchWindow(HWND window, LPARAM data) {
    Search *search = reinterpret_cast<Search *>(data);
    DWORD pid = 0;
    GetWindowThreadProcessId(window, &pid);
    if (pid != search->pid || ClassOf(window) != "#32770")
        return TRUE;
    if (search->visibleOnly && !IsWindowVisible(window))
        return TRUE;
    if (CaptionOf(window) != search->title)
        return TRUE;
    if (IsProgressWindow(window) != (search->wantProgress == 1))
        return TRUE;
    if (search->button != 0 && GetDlgItem(window, search->button) == nullptr)
        return TRUE;
    search->found = window;
    return FALSE;
}

static HWND FindTopDialog(DWORD pid, const char *title, bool visibleOnly, int wantProgress,
                          int button = 0) {
    Search search = {pid, title, visibleOnly, wantProgress, button, nullptr};
    EnumWindows(MatchWindow, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

HWND FindAgreement(DWORD pid) {
    return FindTopDialog(pid, AgreementTitleText, true, 0);
}

HWND FindProgressWindow(DWORD pid) {
    // The caption is the template's until start-up has set the wizard's title.
    HWND window = FindTopDialog(pid, WizardTitleText, false, 1);
    if (window == nullptr)
        window = FindTopDialog(pid, "Tarvelle Local File Update Wizard", false, 1);
    return window;
}

HWND FindMessageBox(DWORD pid) {
    return FindTopDialog(pid, WizardTitleText, true, 0);
}

static HWND WaitFor(HWND (*find)(DWORD), DWORD pid, bool visible) {
    HWND found = nullptr;
    WaitUntil([&] {
        found = find(pid);
        return found != nullptr && (!visible || IsWindowVisible(found));
    });
    return found != nullptr && (!visible || IsWindowVisible(found)) ? found : nullptr;
}

HWND WaitForAgreement(DWORD pid) {
    return WaitFor(FindAgreement, pid, true);
}
HWND WaitForProgressWindow(DWORD pid) {
    return WaitFor(FindProgressWindow, pid, true);
}
HWND WaitForMessageBox(DWORD pid) {
    return WaitFor(FindMessageBox, pid, true);
}

HWND FindBoxWithButton(DWORD pid, int id) {
    return FindTopDialog(pid, WizardTitleText, true, 0, id);
}

HWND WaitForBoxWithButton(DWORD pid, int id) {
    HWND found = nullptr;
    WaitUntil([&] { return (found = FindBoxWithButton(pid, id)) != nullptr; });
    return found;
}

LRESULT AskWindow(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
    DWORD_PTR result = 0;
    if (!SendMessageTimeoutA(window, message, wparam, lparam, SMTO_ABORTIFHUNG, 5000, &result))
        return 0;
    return static_cast<LRESULT>(result);
}

std::string TextOf(HWND window) {
    if (window == nullptr)
        return "<no window>";
    char text[4096];
    LRESULT length = AskWindow(window, WM_GETTEXT, sizeof text, reinterpret_cast<LPARAM>(text));
    if (length <= 0)
        return std::string();
    return std::string(text, static_cast<size_t>(length));
}

struct LongestStatic {
    std::string text;
};

static BOOL CALLBACK CollectStatic(HWND child, LPARAM data) {
    LongestStatic *longest = reinterpret_cast<LongestStatic *>(data);
    if (ClassOf(child) == "Static") {
        std::string text = TextOf(child);
        if (text.size() > longest->text.size())
            longest->text = text;
    }
    return TRUE;
}

std::string MessageBoxText(HWND box) {
    // The message is the box's one static control with text; the icon has none.
    LongestStatic longest;
    EnumChildWindows(box, CollectStatic, reinterpret_cast<LPARAM>(&longest));
    return longest.text;
}

bool PressBoxButton(HWND box, int id) {
    HWND button = GetDlgItem(box, id);
    if (button == nullptr)
        return false;
    Press(button);
    return true;
}

// Posted, not sent: a click may open a modal box, and the test must go on.
void Press(HWND button) {
    PostMessageA(button, BM_CLICK, 0, 0);
}

void PostKey(HWND target, WPARAM key) {
    UINT scan = MapVirtualKeyA(static_cast<UINT>(key), MAPVK_VK_TO_VSC);
    PostMessageA(target, WM_KEYDOWN, key, 1 | (static_cast<LPARAM>(scan) << 16));
    PostMessageA(target, WM_KEYUP, key,
                 1 | (static_cast<LPARAM>(scan) << 16) | (LPARAM(1) << 30) | (LPARAM(1) << 31));
}

HWND FocusOf(HWND window) {
    GUITHREADINFO info;
    memset(&info, 0, sizeof info);
    info.cbSize = sizeof info;
    DWORD thread = GetWindowThreadProcessId(window, nullptr);
    if (!GetGUIThreadInfo(thread, &info))
        return nullptr;
    return info.hwndFocus;
}

static INT_PTR CALLBACK MeasureProc(HWND, UINT message, WPARAM, LPARAM) {
    return message == WM_INITDIALOG ? TRUE : FALSE;
}

RECT DialogUnitsToPixels(int x, int y, int width, int height) {
    // An in-memory template: no menu, class or title, then the font.
    alignas(4) WORD words[64];
    memset(words, 0, sizeof words);
    DLGTEMPLATE *dialog = reinterpret_cast<DLGTEMPLATE *>(words);
    dialog->style = DS_SETFONT | WS_POPUP;
    dialog->cx = 100;
    dialog->cy = 100;
    WORD *after = reinterpret_cast<WORD *>(dialog + 1);
    after[0] = 0; // menu
    after[1] = 0; // class
    after[2] = 0; // title
    after[3] = 8; // point size
    const char face[] = "MS Sans Serif";
    for (size_t i = 0; i < sizeof face; ++i)
        after[4 + i] = static_cast<WORD>(face[i]);
    RECT rect = {x, y, x + width, y + height};
    HWND measure =
        CreateDialogIndirectParamA(GetModuleHandleA(nullptr), dialog, nullptr, MeasureProc, 0);
    if (measure == nullptr) {
        RECT none = {0, 0, 0, 0};
        return none;
    }
    MapDialogRect(measure, &rect);
    DestroyWindow(measure);
    return rect;
}

RECT RectInDialog(HWND dialog, HWND control) {
    RECT rect = {0, 0, 0, 0};
    GetWindowRect(control, &rect);
    MapWindowPoints(HWND_DESKTOP, dialog, reinterpret_cast<POINT *>(&rect), 2);
    return rect;
}
