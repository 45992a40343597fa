#include "app/passes_only.h"

#include "app/progress_window.h"

intptr_t PassesOnlyDialogProc(WindowHandle window, unsigned message, uintptr_t wparam,
                              intptr_t lparam) {
    if (message == MSG_PLAN || message == MSG_EXECUTE)
        return 1;
    return ProgressDialogProc(window, message, wparam, lparam);
}
