#include "app/progress_window.h"

#include "state/wizard_state.h"
#include "ui/progress.h"
#include "ui/resource.h"
#include "update/execution.h"
#include "update/planning.h"

const char CancelQuestion[] =
    "Are you sure you want to cancel?  Doing so will leave this update incomplete and may "
    "result in product instability.  If this occurs, you will need to re-install the product.";

static void OnPlanMessage(WindowHandle window) {
    int result = PlanningPass();
    if (!WindowExists(window))
        return;
    if (result == 1)
        PostWindowMessage(window, MSG_EXECUTE, 0, 0);
    else
        PostWindowMessage(window, WM_COMMAND, IDC_FINISH_BUTTON, 0);
}

static void OnExecuteMessage(WindowHandle window) {
    ExecutionPass();
    if (!WindowExists(window))
        return;
    EnableWindowItem(GetDialogItem(window, IDC_CANCEL_BUTTON), 0);
    EnableWindowItem(GetDialogItem(window, IDC_FINISH_BUTTON), 1);
    SendWindowMessage(Wizard.ProgressBar, PBM_SETRANGE, 0, 100 * 65536);
    SendWindowMessage(Wizard.ProgressBar, PBM_SETPOS, 100, 0);
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
