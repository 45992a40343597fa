// The progress window's dialog procedure, which drives the run: its
// initialisation posts MSG_PLAN, whose handler runs the planning pass and posts
// MSG_EXECUTE for the execution passes.
#ifndef WIZARD_APP_PROGRESS_WINDOW_H
#define WIZARD_APP_PROGRESS_WINDOW_H

#include "ui/window.h"

extern const char CancelQuestion[];

// The progress window's dialog procedure (template 113).
intptr_t ProgressDialogProc(WindowHandle window, unsigned message, uintptr_t wparam,
                            intptr_t lparam);

#endif
