// The program's single global state: data only, at the bottom of the program,
// so that every floor above may read and write it without reaching up.
#ifndef WIZARD_STATE_WIZARD_STATE_H
#define WIZARD_STATE_WIZARD_STATE_H

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
    // What the run came to, for a front-end's exit status: the warnings shown
    // with the cleanup files left undeleted, and whether "All done." was reached.
    int WarningCount;
    int RunCompleted;
    // The runtime's pseudo-random generator, never seeded: 1 at the start of
    // every run, so that every run draws the same temporary names.
    uint32_t RandomState = 1;
};

extern WizardState Wizard;

// The product's name and version (state/version.h): the title of the
// progress window and of every box.
extern const char WizardTitle[];

#endif
