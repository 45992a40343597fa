#include "ui/model/model.h"

#include "ui/resource.h"

#include <stdio.h>
#include <string.h>

static ModelWindow Windows[MODEL_WINDOWS];

struct QueuedMessage {
    ModelWindow *window;
    unsigned message;
    uintptr_t wparam;
    intptr_t lparam;
};

static QueuedMessage Queue[MODEL_QUEUE];
static int QueueHead; // next to take
static int QueueCount;

struct ControlTemplate {
    int id;
    ModelKind kind;
    const char *text;
    int x, y, width, height; // dialog units
    int enabled;
};

// Template 113, in template order.
static const ControlTemplate ProgressControls[] = {
    {0, KIND_PICTURE, "", PICTURE_RECT, 1},
    {IDC_CANCEL_BUTTON, KIND_BUTTON, "Cancel", CANCEL_BUTTON_RECT, 1},
    {IDC_FINISH_BUTTON, KIND_BUTTON, "Finish", FINISH_BUTTON_RECT, 0},
    {0, KIND_LABEL, "Status", STATUS_LABEL_RECT, 1},
    {IDC_STATUS_TEXT, KIND_EDIT, "", STATUS_TEXT_RECT, 1},
    {IDC_PROGRESS_BAR, KIND_PROGRESS, "", PROGRESS_BAR_RECT, 0},
    {IDC_RESOURCES_LABEL, KIND_LABEL, "Processing Resources", RESOURCES_LABEL_RECT, 0},
    {0, KIND_LABEL, "Destination Directory", DESTINATION_LABEL_RECT, 1},
    {IDC_DESTINATION_TEXT, KIND_EDIT, "", DESTINATION_TEXT_RECT, 1},
};

// Template "LICENSE", in template order.
static const ControlTemplate AgreementControls[] = {
    {IDOK, KIND_BUTTON, "Accept", ACCEPT_BUTTON_RECT, 1},
    {IDCANCEL, KIND_BUTTON, "Cancel", DECLINE_BUTTON_RECT, 1},
    {IDC_AGREEMENT_TEXT, KIND_EDIT, "", AGREEMENT_TEXT_RECT, 1},
};

// Dialog units to pixels with the usual base units of 8-point MS Sans Serif.
static int PixelsX(int units) {
    return units * 6 / 4;
}
static int PixelsY(int units) {
    return units * 13 / 8;
}

struct DialogSize {
    int width, height; // dialog units
};

// A dialog's outer rectangle: its client area and a frame with a caption bar.
static WindowRect DialogRect(DialogSize size) {
    return WindowRect{0, 0, PixelsX(size.width) + 6, PixelsY(size.height) + 25};
}

void ModelReset() {
    memset(Windows, 0, sizeof Windows);
    QueueHead = 0;
    QueueCount = 0;
}

static ModelWindow *NewWindow(ModelKind kind, int id, ModelWindow *parent, const char *text) {
    for (ModelWindow &w : Windows) {
        if (w.used && w.alive)
            continue;
        // Dead slots are taken only once no unused one is left, so that a
        // stale handle rarely meets a new window.
        if (w.used) {
            int unused = 0;
            for (ModelWindow &other : Windows)
                unused += !other.used;
            if (unused)
                continue;
        }
        memset(&w, 0, sizeof w);
        w.used = 1;
        w.alive = 1;
        w.kind = kind;
        w.id = id;
        w.parent = parent;
        w.enabled = 1;
        snprintf(w.text, sizeof w.text, "%s", text);
        w.bar = ProgressState{0, 100, 0, 10};
        return &w;
    }
    return nullptr;
}

ModelWindow *ModelCreateDialog(ModelTemplate which, DialogProc proc) {
    const ControlTemplate *controls =
        which == TEMPLATE_PROGRESS ? ProgressControls : AgreementControls;
    int count = which == TEMPLATE_PROGRESS
                    ? static_cast<int>(sizeof ProgressControls / sizeof ProgressControls[0])
                    : static_cast<int>(sizeof AgreementControls / sizeof AgreementControls[0]);
    const char *caption = which == TEMPLATE_PROGRESS ? PROGRESS_CAPTION : AGREEMENT_CAPTION;
    ModelWindow *dialog = NewWindow(KIND_DIALOG, 0, nullptr, caption);
    if (dialog == nullptr)
        return nullptr;
    dialog->proc = proc;
    dialog->rect = which == TEMPLATE_PROGRESS ? DialogRect(DialogSize{PROGRESS_SIZE})
                                              : DialogRect(DialogSize{AGREEMENT_SIZE});
    for (int i = 0; i < count; i++) {
        const ControlTemplate &t = controls[i];
        ModelWindow *control = NewWindow(t.kind, t.id, dialog, t.text);
        if (control == nullptr)
            return nullptr;
        control->enabled = t.enabled;
        control->visible = 1;
        control->rect =
            WindowRect{PixelsX(t.x), PixelsY(t.y), PixelsX(t.x + t.width), PixelsY(t.y + t.height)};
    }
    proc(dialog, WM_INITDIALOG, 0, 0);
    return dialog;
}

ModelWindow *ModelWindowOf(WindowHandle handle) {
    ModelWindow *w = static_cast<ModelWindow *>(handle);
    if (w == nullptr || !w->alive)
        return nullptr;
    if (w->parent != nullptr && !w->parent->alive)
        return nullptr;
    return w;
}

ModelWindow *ModelItem(ModelWindow *dialog, int id) {
    if (dialog == nullptr)
        return nullptr;
    for (ModelWindow &w : Windows)
        if (w.used && w.alive && w.parent == dialog && w.id == id && id != 0)
            return &w;
    return nullptr;
}

int ModelItemEnabled(ModelWindow *dialog, int id) {
    ModelWindow *item = ModelItem(dialog, id);
    return item != nullptr && item->enabled;
}

const char *ModelItemText(ModelWindow *dialog, int id) {
    ModelWindow *item = ModelItem(dialog, id);
    return item != nullptr ? item->text : "";
}

int ModelQueueEmpty() {
    return QueueCount == 0;
}

int ModelDispatchNext() {
    if (QueueCount == 0)
        return 0;
    QueuedMessage m = Queue[QueueHead];
    QueueHead = (QueueHead + 1) % MODEL_QUEUE;
    QueueCount--;
    ModelSendToDialog(m.window, m.message, m.wparam, m.lparam);
    return 1;
}

intptr_t ModelSendToDialog(ModelWindow *dialog, unsigned message, uintptr_t wparam,
                           intptr_t lparam) {
    if (ModelWindowOf(dialog) == nullptr || dialog->proc == nullptr)
        return 0;
    return dialog->proc(dialog, message, wparam, lparam);
}

unsigned ModelChangeCount() {
    unsigned sum = 0;
    for (const ModelWindow &w : Windows)
        sum += w.changes;
    return sum;
}

static int Low16Bits(int value) {
    return value & 0xFFFF;
}

intptr_t ProgressBarMessage(ProgressState *bar, unsigned message, uintptr_t wparam,
                            intptr_t lparam) {
    intptr_t previous;
    switch (message) {
    case PBM_SETRANGE:
        previous = (static_cast<intptr_t>(bar->maximum) << 16) | bar->minimum;
        bar->minimum = Low16Bits(static_cast<int>(lparam & 0xFFFF));
        bar->maximum = Low16Bits(static_cast<int>((lparam >> 16) & 0xFFFF));
        if (bar->position < bar->minimum)
            bar->position = bar->minimum;
        if (bar->position > bar->maximum)
            bar->position = bar->maximum;
        return previous;
    case PBM_SETPOS: {
        previous = bar->position;
        int position = Low16Bits(static_cast<int>(wparam & 0xFFFF));
        if (position < bar->minimum)
            position = bar->minimum;
        if (position > bar->maximum)
            position = bar->maximum;
        bar->position = position;
        return previous;
    }
    case PBM_SETSTEP:
        previous = bar->step;
        bar->step = static_cast<int16_t>(wparam & 0xFFFF);
        return previous;
    case PBM_STEPIT:
        previous = bar->position;
        bar->position += bar->step;
        // As the platform's control: passing the maximum starts again at the minimum.
        if (bar->position > bar->maximum)
            bar->position = bar->minimum;
        if (bar->position < bar->minimum)
            bar->position = bar->minimum;
        return previous;
    default:
        return 0;
    }
}

// The operations of ui/window.h that every in-process backend shares.

int PostWindowMessage(WindowHandle window, unsigned message, uintptr_t wparam, intptr_t lparam) {
    ModelWindow *w = ModelWindowOf(window);
    if (w == nullptr || QueueCount == MODEL_QUEUE)
        return 0;
    Queue[(QueueHead + QueueCount) % MODEL_QUEUE] = QueuedMessage{w, message, wparam, lparam};
    QueueCount++;
    return 1;
}

intptr_t SendWindowMessage(WindowHandle window, unsigned message, uintptr_t wparam,
                           intptr_t lparam) {
    ModelWindow *w = ModelWindowOf(window);
    if (w == nullptr)
        return 0;
    if (w->kind == KIND_PROGRESS) {
        w->changes++;
        intptr_t result = ProgressBarMessage(&w->bar, message, wparam, lparam);
        ModelChanged(w, CHANGE_BAR, message, wparam, lparam);
        return result;
    }
    if (w->kind == KIND_DIALOG)
        return ModelSendToDialog(w, message, wparam, lparam);
    return 0;
}

void DestroyWindowHandle(WindowHandle window) {
    ModelWindow *w = ModelWindowOf(window);
    if (w == nullptr)
        return;
    w->alive = 0;
    w->changes++;
    for (ModelWindow &child : Windows)
        if (child.used && child.parent == w)
            child.alive = 0;
    ModelChanged(w, CHANGE_DESTROY, 0, 0, 0);
}

int WindowExists(WindowHandle window) {
    return ModelWindowOf(window) != nullptr;
}

WindowHandle GetDialogItem(WindowHandle dialog, int id) {
    return ModelItem(ModelWindowOf(dialog), id);
}

void SetWindowTextTo(WindowHandle window, const char *text) {
    ModelWindow *w = ModelWindowOf(window);
    if (w == nullptr)
        return;
    snprintf(w->text, sizeof w->text, "%s", text);
    w->changes++;
    ModelChanged(w, CHANGE_TEXT, 0, 0, 0);
}

void EnableWindowItem(WindowHandle window, int enable) {
    ModelWindow *w = ModelWindowOf(window);
    if (w == nullptr)
        return;
    w->enabled = enable != 0;
    w->changes++;
    ModelChanged(w, CHANGE_ENABLE, 0, 0, 0);
}

void GetWindowRectOf(WindowHandle window, WindowRect *rect) {
    ModelWindow *w = ModelWindowOf(window);
    *rect = w != nullptr ? w->rect : WindowRect{0, 0, 0, 0};
}

void MoveWindowTo(WindowHandle window, int x, int y, int width, int height) {
    ModelWindow *w = ModelWindowOf(window);
    if (w == nullptr)
        return;
    w->rect = WindowRect{x, y, x + width, y + height};
    w->changes++;
    ModelChanged(w, CHANGE_MOVE, 0, 0, 0);
}

void EndDialogWith(WindowHandle dialog, intptr_t value) {
    ModelWindow *w = ModelWindowOf(dialog);
    if (w == nullptr)
        return;
    w->ended = 1;
    w->endValue = value;
}
