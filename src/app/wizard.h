// The program's single global state and the helpers every subsystem shares.
#ifndef WIZARD_APP_WIZARD_H
#define WIZARD_APP_WIZARD_H

#include <stddef.h>
#include <stdint.h>

// Sizes count the terminating zero.
enum {
    PATH_SIZE = 260,   // BaseDirectory, PointerFileName, ScriptFileName
    NAME_SIZE = 128,   // names read from the update files: at most 127 characters
    MESSAGE_SIZE = 256 // the shared buffer for status texts and warnings
};

struct WorkEntry;

// A window or control of the user interface backend; HWND on Windows.
typedef void *WindowHandle;

struct WizardState {
    char BaseDirectory[PATH_SIZE];
    char PointerFileName[PATH_SIZE];
    char ScriptFileName[PATH_SIZE];
    char ResourceFile[NAME_SIZE];
    char SourceFile[NAME_SIZE];
    char UpdateFile[NAME_SIZE];
    char ResourceUtility[NAME_SIZE];
    char HeaderProgram[NAME_SIZE]; // HEADER EXE: read and never used
    WindowHandle ProgressWindow;
    WindowHandle StatusText;
    WindowHandle ProgressBar;
    char Message[MESSAGE_SIZE];
    WorkEntry *WorkListHead;
    int CancelRequested;
};

extern WizardState Wizard;

extern const char WizardTitle[];

// Modal warning box with WizardTitle, a warning icon and OK, owned by no window.
// Returns once the user has dismissed it. Implemented by each UI backend.
void ShowWarning(const char *text);

// Formats into Wizard.Message (bounded) and shows it with ShowWarning.
void ShowWarningF(const char *format, ...)
#if defined(__GNUC__)
    __attribute__((format(printf, 1, 2)))
#endif
    ;

// Clears the name fields; start-up does this before reading BaseDirectory.
void ClearWizardNames();

#endif
