// In-process windows for backends without the Windows user interface (the
// terminal and the recording backend of the tests): dialogs and their controls
// kept in memory as the templates describe them, a queue that keeps posted
// messages in order, and a dispatch that may be re-entered from PumpMessages.
// The window operations of ui/window.h that are the same for every such backend
// are implemented here; each backend adds its own input, warnings and drawing.
#ifndef WIZARD_UI_MODEL_MODEL_H
#define WIZARD_UI_MODEL_MODEL_H

#include "ui/window.h"

enum ModelKind { KIND_DIALOG, KIND_BUTTON, KIND_LABEL, KIND_EDIT, KIND_PROGRESS, KIND_PICTURE };

enum { MODEL_TEXT_SIZE = 4096, MODEL_WINDOWS = 64, MODEL_QUEUE = 256 };

// The progress bar control: 16-bit range, position and step.
struct ProgressState {
    int minimum, maximum, position, step;
};

struct ModelWindow {
    int used;
    int alive;
    ModelKind kind;
    int id;
    ModelWindow *parent; // none for a dialog
    DialogProc proc;     // dialogs only
    char text[MODEL_TEXT_SIZE];
    int enabled;
    int visible;
    WindowRect rect;
    ProgressState bar;
    int ended;         // a modal dialog has been ended
    intptr_t endValue; // the value it ended with
    unsigned changes;  // counts every visible change, so a display can redraw only when needed
};

// Which template a dialog is made from.
enum ModelTemplate { TEMPLATE_PROGRESS, TEMPLATE_AGREEMENT };

// Forgets every window and every queued message.
void ModelReset();

// Creates a dialog and its controls from the template, hidden, then sends it
// WM_INITDIALOG. None when no slot is left.
ModelWindow *ModelCreateDialog(ModelTemplate which, DialogProc proc);

ModelWindow *ModelWindowOf(WindowHandle handle);
ModelWindow *ModelItem(ModelWindow *dialog, int id);
// The control's state and text; 0 and "" when there is no such control.
int ModelItemEnabled(ModelWindow *dialog, int id);
const char *ModelItemText(ModelWindow *dialog, int id);

// Dispatches the oldest queued message (dropped when its window is gone).
// 0 when the queue was empty.
int ModelDispatchNext();
int ModelQueueEmpty();

// Sends a message to a dialog's procedure at once, as the platform does for
// input: the result of the procedure, or 0 for a destroyed window.
intptr_t ModelSendToDialog(ModelWindow *dialog, unsigned message, uintptr_t wparam,
                           intptr_t lparam);

// The progress bar control's arithmetic: the previous value as the control returns it.
intptr_t ProgressBarMessage(ProgressState *bar, unsigned message, uintptr_t wparam,
                            intptr_t lparam);

// The sum of every window's change counter: a display redraws when it moves.
unsigned ModelChangeCount();

// Told of every visible change, after it has been made; implemented by each
// backend on the model (the recording backend writes it down). For CHANGE_BAR
// the message and its parameters are given.
enum ModelChange { CHANGE_TEXT, CHANGE_ENABLE, CHANGE_BAR, CHANGE_DESTROY, CHANGE_MOVE };
void ModelChanged(ModelWindow *window, ModelChange change, unsigned message, uintptr_t wparam,
                  intptr_t lparam);

#endif
