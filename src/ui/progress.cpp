#include "ui/progress.h"

#include "ui/resource.h"

#include <stdarg.h>
#include <stdio.h>

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

void ShowStatusNow() {
    PaintNow();
}

void ShowResourcePhase() {
    EnableWindowItem(GetDialogItem(Wizard.ProgressWindow, IDC_RESOURCES_LABEL), 1);
    EnableWindowItem(GetDialogItem(Wizard.ProgressWindow, IDC_PROGRESS_BAR), 1);
}

void SetBarRange(int32_t maximum) {
    SendWindowMessage(Wizard.ProgressBar, PBM_SETRANGE, 0, (intptr_t)maximum << 16);
}

void SetBarStep(int32_t step) {
    SendWindowMessage(Wizard.ProgressBar, PBM_SETSTEP, (uintptr_t)step, 0);
}

void StepBar() {
    SendWindowMessage(Wizard.ProgressBar, PBM_STEPIT, 0, 0);
}

void ShowWarning(const char *text) {
    Wizard.WarningCount++;
    ShowWarningBox(text);
}

void ShowWarningF(const char *format, ...) {
    va_list args;
    va_start(args, format);
    vsnprintf(Wizard.Message, sizeof Wizard.Message, format, args);
    va_end(args);
    ShowWarning(Wizard.Message);
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
