#include "ui/progress.h"

#include "app/startup.h"
#include "ui/resource.h"

#include <stdarg.h>
#include <stdio.h>

const char CancelQuestion[] =
    "Are you sure you want to cancel?  Doing so will leave this update incomplete and may "
    "result in product instability.  If this occurs, you will need to re-install the product.";

void SetStatus(const char *text) {
    if (WindowExists(Wizard.ProgressWindow))
        SetWindowTextTo(Wizard.StatusText, text);
}

void SetStatusF(const char *format, ...) {
    va_list args;
    va_start(args, format);
    vsnprintf(Wizard.Message, sizeof Wizard.Message, format, args);
    va_end(args);
    SetStatus(Wizard.Message);
}

void CenterPosition(const WindowRect *screen, const WindowRect *window, int *x, int *y) {
    int width = window->right - window->left;
    int height = window->bottom - window->top;
    // Halve each side before subtracting: odd sizes land one pixel further right and down.
    *x = ((screen->right - screen->left) >> 1) - (width >> 1);
    *y = ((screen->bottom - screen->top) >> 1) - (height >> 1);
}

void CenterWindow(WindowHandle window) {
    WindowRect screen, rect;
    GetScreenRect(&screen);
    GetWindowRectOf(window, &rect);
    int x, y;
    CenterPosition(&screen, &rect, &x, &y);
    MoveWindowTo(window, x, y, rect.right - rect.left, rect.bottom - rect.top);
    BringToForeground(window);
}

static intptr_t OnInitDialog(WindowHandle window) {
    CenterWindow(window);
    SetWindowTextTo(GetDialogItem(window, IDC_DESTINATION_TEXT), Wizard.BaseDirectory);
    Wizard.StatusText = GetDialogItem(window, IDC_STATUS_TEXT);
    Wizard.ProgressBar = GetDialogItem(window, IDC_PROGRESS_BAR);
    SendWindowMessage(Wizard.ProgressBar, PBM_SETSTEP, 1, 0);
    SendWindowMessage(Wizard.ProgressBar, PBM_SETPOS, 0, 0);
    PostWindowMessage(window, MSG_PLAN, 0, 0);
    BringToForeground(window);
    return 1;
}

static intptr_t OnCancelCommand(WindowHandle window) {
    if (ConfirmCancel(CancelQuestion) == 0)
        return 1;
    Wizard.CancelRequested = 1;
    DestroyWindowHandle(window);
    return 1;
}

static intptr_t OnFinishCommand(WindowHandle window) {
    Wizard.CancelRequested = 1;
    DestroyWindowHandle(window);
    return 1;
}

static intptr_t OnCommand(WindowHandle window, uintptr_t wparam) {
    switch (wparam & 0xFFFF) {
    case IDC_CANCEL_BUTTON:
    case IDCANCEL:
        return OnCancelCommand(window);
    case IDC_FINISH_BUTTON:
    case IDOK:
        return OnFinishCommand(window);
    default:
        return 0;
    }
}

intptr_t ProgressDialogProc(WindowHandle window, unsigned message, uintptr_t wparam,
                            intptr_t lparam) {
    (void)lparam;
    switch (message) {
    case WM_INITDIALOG:
        return OnInitDialog(window);
    case WM_COMMAND:
        return OnCommand(window, wparam);
    case WM_CLOSE:
        // Only the flag: the window stays until the main loop has ended.
        Wizard.CancelRequested = 1;
        return 1;
    case MSG_PLAN:
        OnPlanMessage(window);
        return 1;
    case MSG_EXECUTE:
        OnExecuteMessage(window);
        return 1;
    default:
        return 0;
    }
}
