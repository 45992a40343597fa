// Stand-in until the terminal backend is written.
#include "sys/pump.h"
#include "ui/model/model.h"

#include <stdio.h>

void UiInitialise() {}
intptr_t RunAgreementDialog(DialogProc) { return 0; }
WindowHandle CreateProgressWindow(DialogProc proc, int *error)
{
    *error = 1;
    return ModelCreateDialog(TEMPLATE_PROGRESS, proc);
}
void ShowProgressWindow(WindowHandle, const char *) {}
void RunMessageLoop() {}
void BringToForeground(WindowHandle) {}
void GetScreenRect(WindowRect *rect) { *rect = WindowRect{0, 0, 1024, 768}; }
int ConfirmCancel(const char *) { return 1; }
void ShowWarning(const char *text) { fprintf(stderr, "%s\n", text); }
void PumpMessages() {}
void ModelChanged(ModelWindow *, ModelChange, unsigned, uintptr_t, intptr_t) {}
