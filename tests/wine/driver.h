// Driving the real update-wizard.exe from outside, as a user would: starting
// it, finding its windows, reading their controls and pressing buttons and
// keys. Every wait is bounded, so a misbehaving program never hangs a test.
#ifndef WIZARD_TESTS_WINE_DRIVER_H
#define WIZARD_TESTS_WINE_DRIVER_H

#include <windows.h>

#include <functional>
#include <string>

extern const char WizardTitleText[];
extern const char AgreementTitleText[];

// How long a test waits for anything the program should do.
enum { WAIT_MS = 10000 };

// Under Wine on a display without a window manager, lets Wine place the
// windows itself; otherwise every window that closes waits two seconds for a
// manager that never answers. Takes effect for programs started afterwards.
void PrepareWineDisplay();

// The wizard and the stand-in resource utility, as Windows paths.
std::string WizardExePath();
std::string UtilityExePath();

// A new empty directory of its own (under the temporary directory), its full
// path without a trailing backslash; and its removal with everything in it.
std::string MakeTempDirectory();
void RemoveDirectoryTree(const std::string &dir);
void WriteTextFile(const std::string &path, const char *text);

// A minimal valid update in dir: pointer file, script, archive and utility.
void MakeValidUpdate(const std::string &dir);

struct WizardRun {
    PROCESS_INFORMATION info;
    bool started;
};

// Starts the wizard in dir with the command-line tail; showMode is the
// STARTUPINFO show mode, or -1 for none.
bool StartWizard(WizardRun *run, const std::string &dir, const std::string &tail,
                 int showMode = -1);
// The exit code, or -1 when the program has not ended within ms.
long WaitForExit(WizardRun *run, DWORD ms = WAIT_MS);
// Ends the program if it still runs and closes its handles.
void EndWizard(WizardRun *run);

// Polls every 20 ms until done() holds or ms have passed.
bool WaitUntil(const std::function<bool()> &done, DWORD ms = WAIT_MS);

// Top-level dialogs of the process, visible ones only.
HWND FindAgreement(DWORD pid);
HWND FindProgressWindow(DWORD pid); // also while hidden
HWND FindMessageBox(DWORD pid);     // a box titled with the wizard's title
HWND WaitForAgreement(DWORD pid);
HWND WaitForProgressWindow(DWORD pid); // once it is visible
HWND WaitForMessageBox(DWORD pid);
// A visible box of the wizard with the given button (IDYES: the cancel question).
HWND FindBoxWithButton(DWORD pid, int id);
HWND WaitForBoxWithButton(DWORD pid, int id);

// The text of a window of the other process (WM_GETTEXT, bounded wait).
std::string TextOf(HWND window);
std::string ClassOf(HWND window);
// The message text of a message box.
std::string MessageBoxText(HWND box);
// A box's button, pressed with BM_CLICK; false when the box has no such button.
bool PressBoxButton(HWND box, int id);

void Press(HWND button);
void PostKey(HWND target, WPARAM key);
// The control that holds the keyboard focus in the window's thread, or none.
HWND FocusOf(HWND window);
// Sends a message with a bounded wait; 0 on time-out.
LRESULT AskWindow(HWND window, UINT message, WPARAM wparam = 0, LPARAM lparam = 0);

// A rectangle in dialog units converted to pixels for a dialog with the font
// 8-point "MS Sans Serif", by a dialog of that font made in this process.
RECT DialogUnitsToPixels(int x, int y, int width, int height);
// The control's rectangle in the client coordinates of its dialog.
RECT RectInDialog(HWND dialog, HWND control);

#endif
