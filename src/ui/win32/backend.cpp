// The Win32 user interface backend: the window interface of ui/window.h over
// USER32 and COMCTL32.
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

// Room for the longest status text; a longer text is always set.
enum { SHOWN_TEXT_SIZE = MESSAGE_SIZE + 1 };

// A frame of the screen: no one sees more than one status text in it.
enum { FRAME_MS = 16 };

// Every WM_SETTEXT that changes the status control's text redraws its
// scroll bar twice at once (the edit control's SetScrollInfo calls, each a full
// redraw while there is nothing to scroll), about 10 ms under Wine. The passes
// change the text at every entry, so the control takes the newest text at most
// once a frame: a text that comes sooner waits here for the next pump, and one
// that a newer text replaces before then is never drawn.
static HWND WaitingControl; // none while no text waits
static char WaitingText[SHOWN_TEXT_SIZE];
static LARGE_INTEGER LastHandedOver; // when the status control last took a text

// 1 when a frame has passed since the status control last took a text.
static int FrameHasPassed() {
    static LARGE_INTEGER frequency;
    if (frequency.QuadPart == 0)
        QueryPerformanceFrequency(&frequency);
    LARGE_INTEGER now;
    QueryPerformanceCounter(&now);
    return (now.QuadPart - LastHandedOver.QuadPart) * 1000 >= FRAME_MS * frequency.QuadPart;
}

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

static void HandOverText(HWND window, const char *text) {
    // The passes set the status once per entry, mostly to the text already
    // shown, and even an unchanged text would redraw the scroll bar.
    if (ShowsText(window, text))
        return;
    SetWindowTextA(window, text);
    // Taken after the redraw, so that a whole frame of work lies between two.
    if (window == AsHwnd(Wizard.StatusText))
        QueryPerformanceCounter(&LastHandedOver);
}

static void HandOverWaitingText() {
    HWND control = WaitingControl;
    WaitingControl = nullptr;
    if (control != nullptr && IsWindow(control))
        HandOverText(control, WaitingText);
}

// Paints at once whatever the progress window has waiting, its newest status
// text included: before a box, a button change or a wait for the user, the
// window must not show an older state.
void PaintNow() {
    HandOverWaitingText();
    if (IsLiveWindow(Wizard.ProgressWindow))
        RedrawWindow(AsHwnd(Wizard.ProgressWindow), nullptr, nullptr,
                     RDW_UPDATENOW | RDW_ALLCHILDREN);
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
        // A pass has perhaps just returned; the loop may now wait for the user.
        PaintNow();
        if (Wizard.CancelRequested)
            break;
    }
}

void PumpMessages() {
    // Handed over first, so that the text is painted by this very pump.
    if (WaitingControl != nullptr && FrameHasPassed())
        HandOverWaitingText();
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
    if (!IsLiveWindow(window))
        return;
    HWND hwnd = AsHwnd(window);
    if (WaitingControl == hwnd || IsChild(hwnd, WaitingControl))
        WaitingControl = nullptr;
    DestroyWindow(hwnd);
}

int WindowExists(WindowHandle window) {
    return IsLiveWindow(window) ? 1 : 0;
}

WindowHandle GetDialogItem(WindowHandle dialog, int id) {
    if (!IsLiveWindow(dialog))
        return nullptr;
    return GetDlgItem(AsHwnd(dialog), id);
}

void SetWindowTextTo(WindowHandle window, const char *text) {
    if (!IsLiveWindow(window))
        return;
    HWND control = AsHwnd(window);
    size_t length = strlen(text);
    // A text too long to keep is set at once, as is any text for another window.
    if (control == AsHwnd(Wizard.StatusText) && length < sizeof WaitingText && !FrameHasPassed()) {
        memcpy(WaitingText, text, length + 1);
        WaitingControl = control;
        return;
    }
    if (control == WaitingControl)
        WaitingControl = nullptr;
    HandOverText(control, text);
}

void EnableWindowItem(WindowHandle window, int enable) {
    PaintNow();
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
    PaintNow();
    int answer = MessageBoxA(nullptr, text, WizardTitle, MB_YESNO | MB_ICONWARNING | MB_DEFBUTTON1);
    // A box that could not be shown (0) counts as Yes.
    return answer == IDNO ? 0 : 1;
}

void ShowWarningBox(const char *text) {
    PaintNow();
    MessageBoxA(nullptr, text, WizardTitle, MB_OK | MB_ICONWARNING);
}
