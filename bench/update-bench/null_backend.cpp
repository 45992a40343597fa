// A user interface backend that shows nothing: the in-process windows of
// ui/model with no display, so that the benchmark measures the passes. A
// warning goes to the standard error, since none is expected.
#include "ui/model/model.h"

#include <stdio.h>

void UiInitialise() {}

intptr_t RunAgreementDialog(DialogProc) {
    return 1;
}

WindowHandle CreateProgressWindow(DialogProc proc, int *error) {
    ModelWindow *window = ModelCreateDialog(TEMPLATE_PROGRESS, proc);
    if (window == nullptr)
        *error = 8;
    return window;
}

void ShowProgressWindow(WindowHandle, const char *) {}

void PumpMessages() {
    while (ModelDispatchNext()) {
    }
}

void RunMessageLoop() {
    while (ModelDispatchNext()) {
    }
}

void PaintNow() {}

void BringToForeground(WindowHandle) {}

void GetScreenRect(WindowRect *rect) {
    *rect = WindowRect{0, 0, 1024, 768};
}

int ConfirmCancel(const char *) {
    return 0;
}

void ShowWarningBox(const char *text) {
    fprintf(stderr, "warning: %s\n", text);
}

void ModelChanged(ModelWindow *, ModelChange, unsigned, uintptr_t, intptr_t) {}
