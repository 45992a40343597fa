// The progress window with its two phases left out, for the tests and the
// benchmarks that call the passes themselves; the program never links it.
#ifndef WIZARD_APP_PASSES_ONLY_H
#define WIZARD_APP_PASSES_ONLY_H

#include "ui/window.h"

// ProgressDialogProc, but MSG_PLAN and MSG_EXECUTE do nothing: a pass that
// pumps messages never starts another one nested inside it.
intptr_t PassesOnlyDialogProc(WindowHandle window, unsigned message, uintptr_t wparam,
                              intptr_t lparam);

#endif
