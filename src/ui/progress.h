// What the passes and dialogs do to the windows: the status text, warnings and
// centring.
#ifndef WIZARD_UI_PROGRESS_H
#define WIZARD_UI_PROGRESS_H

#include "ui/window.h"

#include <stdint.h>

// Replaces the whole text of StatusText. Dispatches nothing; no effect once the
// window has been destroyed.
void SetStatus(const char *text);

// Formats into Wizard.Message (bounded) and shows it with SetStatus.
void SetStatusF(const char *format, ...)
#if defined(__GNUC__)
    __attribute__((format(printf, 1, 2)))
#endif
    ;

// Shows the status text at once, before a step that pumps no messages for a
// while (a child program, a large expansion): a backend may otherwise keep it
// for the next pump.
void ShowStatusNow();

// The resource phase begins: enables ResourcesLabel, then ProgressBar.
void ShowResourcePhase();

// The progress bar: its range 0..maximum (at most 65,535, the range travels in
// 16 bits), the step that StepBar adds, and one step.
void SetBarRange(int32_t maximum);
void SetBarStep(int32_t step);
void StepBar();

// Counts the warning in Wizard.WarningCount and shows it in a warning box.
void ShowWarning(const char *text);

// Formats into Wizard.Message (bounded) and shows it with ShowWarning.
void ShowWarningF(const char *format, ...)
#if defined(__GNUC__)
    __attribute__((format(printf, 1, 2)))
#endif
    ;

// Where CenterWindow puts a window: each half taken by an arithmetic shift
// before the subtraction.
void CenterPosition(const WindowRect *screen, const WindowRect *window, int *x, int *y);

// Centres the window on the screen and brings it to the foreground.
void CenterWindow(WindowHandle window);

#endif
