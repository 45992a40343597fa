#include "ui/progress.h"

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
