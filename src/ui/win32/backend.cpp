// Stand-in until the Win32 backend is written.
#include <windows.h>
#include <commctrl.h>

#include "sys/pump.h"
#include "ui/window.h"

void UiInitialise() {}
intptr_t RunAgreementDialog(DialogProc) { return 0; }
WindowHandle CreateProgressWindow(DialogProc, int *error) { *error = 1; return nullptr; }
void EndDialogWith(WindowHandle, intptr_t) {}
void ShowProgressWindow(WindowHandle, const char *) {}
void RunMessageLoop() {}
int PostWindowMessage(WindowHandle, unsigned, uintptr_t, intptr_t) { return 0; }
intptr_t SendWindowMessage(WindowHandle, unsigned, uintptr_t, intptr_t) { return 0; }
void DestroyWindowHandle(WindowHandle) {}
int WindowExists(WindowHandle) { return 0; }
WindowHandle GetDialogItem(WindowHandle, int) { return nullptr; }
void SetWindowTextTo(WindowHandle, const char *) {}
void EnableWindowItem(WindowHandle, int) {}
void BringToForeground(WindowHandle) {}
void GetScreenRect(WindowRect *rect) { *rect = WindowRect{0, 0, 0, 0}; }
void GetWindowRectOf(WindowHandle, WindowRect *rect) { *rect = WindowRect{0, 0, 0, 0}; }
void MoveWindowTo(WindowHandle, int, int, int, int) {}
int ConfirmCancel(const char *) { return 1; }
void ShowWarning(const char *) {}
void PumpMessages() {}
