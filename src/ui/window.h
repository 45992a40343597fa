// The narrow window interface that every user interface backend implements
// (Win32 dialogs, the terminal, and the recording backend of the tests).
// The portable dialog procedures and the run sequence use nothing else.
//
// Message numbers and command ids are the Win32 ones on every platform. A Win32
// backend includes <windows.h> and <commctrl.h> before this header, so the
// guarded definitions below give way to the platform's own.
#ifndef WIZARD_UI_WINDOW_H
#define WIZARD_UI_WINDOW_H

#include "state/wizard_state.h"

#include <stdint.h>

#ifndef WM_USER
#define WM_CLOSE 0x0010
#define WM_INITDIALOG 0x0110
#define WM_COMMAND 0x0111
#define WM_USER 0x0400
#endif
#ifndef IDOK
#define IDOK 1
#define IDCANCEL 2
#endif
#ifndef PBM_SETRANGE
#define PBM_SETRANGE (WM_USER + 1)
#define PBM_SETPOS (WM_USER + 2)
#define PBM_SETSTEP (WM_USER + 4)
#define PBM_STEPIT (WM_USER + 5)
#endif

// The progress window's private messages, posted to itself.
enum { MSG_PLAN = WM_USER + 1, MSG_EXECUTE = WM_USER + 2 };

// A dialog procedure: 1 when the message was handled, 0 to leave it to the
// platform's default dialog handling.
typedef intptr_t (*DialogProc)(WindowHandle window, unsigned message, uintptr_t wparam,
                               intptr_t lparam);

struct WindowRect {
    int left, top, right, bottom;
};

// Makes the progress bar class available (InitCommonControls).
void UiInitialise();

// Shows the agreement modally with no owner and returns the value that the
// procedure handed to EndDialogWith; 0 when it cannot be shown at all.
intptr_t RunAgreementDialog(DialogProc proc);

// Creates the modeless progress window (template 113), hidden, with no owner;
// WM_INITDIALOG has run when it returns. None on failure, with the platform's
// error code in *error.
WindowHandle CreateProgressWindow(DialogProc proc, int *error);

// Ends a modal dialog with the given value (EndDialog).
void EndDialogWith(WindowHandle dialog, intptr_t value);

// Sets the title, shows the window (SW_SHOW) and paints it at once.
void ShowProgressWindow(WindowHandle window, const char *title);

// Main message loop: dispatches until CancelRequested is set after a dispatch,
// or the platform's quit message arrives. No dialog keyboard handling.
void RunMessageLoop();

// Window and control operations. Every one of them does nothing (and returns 0
// or none) on a window that has been destroyed or a handle that is none.
int PostWindowMessage(WindowHandle window, unsigned message, uintptr_t wparam, intptr_t lparam);
intptr_t SendWindowMessage(WindowHandle window, unsigned message, uintptr_t wparam,
                           intptr_t lparam);
void DestroyWindowHandle(WindowHandle window);
int WindowExists(WindowHandle window);
WindowHandle GetDialogItem(WindowHandle dialog, int id);
// A backend may show a status text up to a frame late, but shows the newest one
// before a box, before EnableWindowItem and when a pass returns.
void SetWindowTextTo(WindowHandle window, const char *text);
void EnableWindowItem(WindowHandle window, int enable);
void BringToForeground(WindowHandle window);

// Placement, in screen pixels.
void GetScreenRect(WindowRect *rect);
void GetWindowRectOf(WindowHandle window, WindowRect *rect);
void MoveWindowTo(WindowHandle window, int x, int y, int width, int height);

// The cancel confirmation box (Yes/No, Yes the default, no owner):
// 1 for Yes or when the box cannot be shown, 0 for No.
int ConfirmCancel(const char *text);

// Modal warning box with WizardTitle, a warning icon and OK, owned by no window.
// Returns once the user has dismissed it. The core shows warnings through
// ShowWarning (ui/progress.h), which counts them.
void ShowWarningBox(const char *text);

// Paints at once what the progress window has waiting, its newest status text
// included: a step follows that pumps no messages for a while.
void PaintNow();

// Dispatches every message that is waiting for any window of this thread and
// returns when the queue is empty; never waits. Handlers run nested inside the
// caller and may set CancelRequested or destroy the progress window.
void PumpMessages();

#endif
