// The Win32 user interface backend: the window interface of ui/window.h over
// USER32 and COMCTL32, plus ShowWarning and PumpMessages.
#include <windows.h>
#include <commctrl.h>

#include "state/wizard_state.h"
#include "ui/resource.h"
#include "ui/window.h"

#include <string.h>

// The portable procedures behind the two dialogs. Each dialog exists at most
// once at a time, so one slot per template is enough.
static DialogProc AgreementProc;
static DialogProc ProgressProc;

static HWND AsHwnd(WindowHandle window) {
    return static_cast<HWND>(window);
}

static int IsLiveWindow(WindowHandle window) {
    return window != nullptr && IsWindow(AsHwnd(window));
}

static INT_PTR CALLBACK AgreementThunk(HWND dialog, UINT message, WPARAM wparam, LPARAM lparam) {
    if (AgreementProc == nullptr)
        return FALSE;
    return AgreementProc(dialog, message, wparam, lparam);
}

static INT_PTR CALLBACK ProgressThunk(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
    if (ProgressProc == nullptr)
        return FALSE;
    return ProgressProc(window, message, wparam, lparam);
}

void UiInitialise() {
    InitCommonControls();
}

intptr_t RunAgreementDialog(DialogProc proc) {
    AgreementProc = proc;
    INT_PTR result =
        DialogBoxParamA(GetModuleHandleA(nullptr), IDD_AGREEMENT, nullptr, AgreementThunk, 0);
    AgreementProc = nullptr;
    // -1: the dialog could not be made; that counts as declined.
    return result == -1 ? 0 : result;
}

WindowHandle CreateProgressWindow(DialogProc proc, int *error) {
    ProgressProc = proc;
    HWND window = CreateDialogParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDD_PROGRESS),
                                     nullptr, ProgressThunk, 0);
    if (window == nullptr)
        *error = static_cast<int>(GetLastError());
    return window;
}

void EndDialogWith(WindowHandle dialog, intptr_t value) {
    if (IsLiveWindow(dialog))
        EndDialog(AsHwnd(dialog), value);
}

void ShowProgressWindow(WindowHandle window, const char *title) {
    if (!IsLiveWindow(window))
        return;
    HWND hwnd = AsHwnd(window);
    SetWindowTextA(hwnd, title);
    ShowWindow(hwnd, SW_SHOW);
    UpdateWindow(hwnd);
}

// A quit message that PumpMessages took during a pass. Left in the queue it would
// come before input and paint at every later pump, and the window would freeze
// until the pass ended; so it is kept here and ends the main loop instead.
static bool QuitTaken;

void RunMessageLoop() {
    MSG message;
    // 0 is the quit message; -1 a broken queue, which would otherwise spin here forever.
    while (!QuitTaken && GetMessageA(&message, nullptr, 0, 0) > 0) {
        TranslateMessage(&message);
        DispatchMessageA(&message);
        if (Wizard.CancelRequested)
            break;
    }
}

void PumpMessages() {
    MSG message;
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
        if (message.message == WM_QUIT) {
            QuitTaken = true;
            continue;
        }
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
}

int PostWindowMessage(WindowHandle window, unsigned message, uintptr_t wparam, intptr_t lparam) {
    if (!IsLiveWindow(window))
        return 0;
    return PostMessageA(AsHwnd(window), message, wparam, lparam) ? 1 : 0;
}

intptr_t SendWindowMessage(WindowHandle window, unsigned message, uintptr_t wparam,
                           intptr_t lparam) {
    if (!IsLiveWindow(window))
        return 0;
    return SendMessageA(AsHwnd(window), message, wparam, lparam);
}

void DestroyWindowHandle(WindowHandle window) {
    if (IsLiveWindow(window))
        DestroyWindow(AsHwnd(window));
}

int WindowExists(WindowHandle window) {
    return IsLiveWindow(window) ? 1 : 0;
}

WindowHandle GetDialogItem(WindowHandle dialog, int id) {
    if (!IsLiveWindow(dialog))
        return nullptr;
    return GetDlgItem(AsHwnd(dialog), id);
}

// Room for the longest status text; a longer text is always set.
enum { SHOWN_TEXT_SIZE = MESSAGE_SIZE + 1 };

// 1 when the window already shows exactly text. Its own text comes back whole
// only when shorter than the buffer, so a longer one never counts as the same.
static int ShowsText(HWND window, const char *text) {
    char shown[SHOWN_TEXT_SIZE];
    size_t length = strlen(text);
    if (length >= sizeof shown - 1)
        return 0;
    int got = GetWindowTextA(window, shown, sizeof shown);
    return got >= 0 && (size_t)got == length && memcmp(shown, text, length) == 0;
}

void SetWindowTextTo(WindowHandle window, const char *text) {
    if (!IsLiveWindow(window))
        return;
    // The passes set the status once per entry, mostly to the text already
    // shown. A multi-line edit redraws its scroll bar at once on every
    // WM_SETTEXT, changed or not, which costs milliseconds under Wine.
    if (ShowsText(AsHwnd(window), text))
        return;
    SetWindowTextA(AsHwnd(window), text);
}

void EnableWindowItem(WindowHandle window, int enable) {
    if (IsLiveWindow(window))
        EnableWindow(AsHwnd(window), enable ? TRUE : FALSE);
}

void BringToForeground(WindowHandle window) {
    if (IsLiveWindow(window))
        SetForegroundWindow(AsHwnd(window));
}

static void ToWindowRect(const RECT *from, WindowRect *to) {
    to->left = from->left;
    to->top = from->top;
    to->right = from->right;
    to->bottom = from->bottom;
}

void GetScreenRect(WindowRect *rect) {
    RECT screen = {0, 0, 0, 0};
    GetWindowRect(GetDesktopWindow(), &screen);
    ToWindowRect(&screen, rect);
}

void GetWindowRectOf(WindowHandle window, WindowRect *rect) {
    RECT bounds = {0, 0, 0, 0};
    if (IsLiveWindow(window))
        GetWindowRect(AsHwnd(window), &bounds);
    ToWindowRect(&bounds, rect);
}

void MoveWindowTo(WindowHandle window, int x, int y, int width, int height) {
    if (IsLiveWindow(window))
        MoveWindow(AsHwnd(window), x, y, width, height, TRUE);
}

int ConfirmCancel(const char *text) {
    int answer = MessageBoxA(nullptr, text, WizardTitle, MB_YESNO | MB_ICONWARNING | MB_DEFBUTTON1);
    // A box that could not be shown (0) counts as Yes.
    return answer == IDNO ? 0 : 1;
}

void ShowWarningBox(const char *text) {
    MessageBoxA(nullptr, text, WizardTitle, MB_OK | MB_ICONWARNING);
}
