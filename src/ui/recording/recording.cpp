#include "ui/recording/recording.h"

#include "ui/resource.h"

#include <stdio.h>
#include <string.h>

static std::vector<std::string> Events;
static int AgreementAnswer = 1;
static std::vector<int> ConfirmAnswers;
static size_t ConfirmNext;
static int WindowCreationError;
static int PumpCalls;
static std::function<void(int)> PumpHook;
static std::function<void(const std::string &)> StatusHook;
static std::function<void()> IdleHook;
static ModelWindow *ProgressWindow;

static void Record(const std::string &event) {
    Events.push_back(event);
}

void RecordingReset() {
    ModelReset();
    Events.clear();
    AgreementAnswer = 1;
    ConfirmAnswers.clear();
    ConfirmNext = 0;
    WindowCreationError = 0;
    PumpCalls = 0;
    PumpHook = nullptr;
    StatusHook = nullptr;
    IdleHook = nullptr;
    ProgressWindow = nullptr;
    // The work list belongs to the run that made it, which has freed it.
    Wizard = WizardState();
}

const std::vector<std::string> &RecordedEvents() {
    return Events;
}

std::vector<std::string> RecordedWith(const std::string &prefix) {
    std::vector<std::string> found;
    for (const std::string &e : Events)
        if (e.compare(0, prefix.size(), prefix) == 0)
            found.push_back(e.substr(prefix.size()));
    return found;
}

void RecordingSetAgreementAnswer(int answer) {
    AgreementAnswer = answer;
}

void RecordingQueueConfirmAnswers(const std::vector<int> &answers) {
    ConfirmAnswers = answers;
    ConfirmNext = 0;
}

void RecordingFailWindowCreation(int error) {
    WindowCreationError = error;
}
void RecordingOnPump(std::function<void(int)> hook) {
    PumpHook = std::move(hook);
}
void RecordingOnStatus(std::function<void(const std::string &)> hook) {
    StatusHook = std::move(hook);
}
void RecordingOnIdle(std::function<void()> hook) {
    IdleHook = std::move(hook);
}
ModelWindow *RecordedProgressWindow() {
    return ProgressWindow;
}

void PressCancel() {
    PostWindowMessage(ProgressWindow, WM_COMMAND, IDC_CANCEL_BUTTON, 0);
}
void PressFinish() {
    PostWindowMessage(ProgressWindow, WM_COMMAND, IDC_FINISH_BUTTON, 0);
}
void CloseProgressWindow() {
    PostWindowMessage(ProgressWindow, WM_CLOSE, 0, 0);
}

// The backend's share of ui/window.h.

void UiInitialise() {}

intptr_t RunAgreementDialog(DialogProc proc) {
    Record("agreement");
    if (AgreementAnswer < 0)
        return 0;
    ModelWindow *dialog = ModelCreateDialog(TEMPLATE_AGREEMENT, proc);
    if (dialog == nullptr)
        return 0;
    ModelSendToDialog(dialog, WM_COMMAND, AgreementAnswer ? IDOK : IDCANCEL, 0);
    intptr_t value = dialog->ended ? dialog->endValue : 0;
    DestroyWindowHandle(dialog);
    return value;
}

WindowHandle CreateProgressWindow(DialogProc proc, int *error) {
    if (WindowCreationError != 0) {
        *error = WindowCreationError;
        return nullptr;
    }
    ProgressWindow = ModelCreateDialog(TEMPLATE_PROGRESS, proc);
    if (ProgressWindow == nullptr)
        *error = 8; // not enough memory, as the platform would say
    return ProgressWindow;
}

void ShowProgressWindow(WindowHandle window, const char *title) {
    SetWindowTextTo(window, title);
    ModelWindow *w = ModelWindowOf(window);
    if (w != nullptr)
        w->visible = 1;
    Record(std::string("title ") + title);
    Record("show");
}

void PumpMessages() {
    PumpCalls++;
    if (PumpHook)
        PumpHook(PumpCalls);
    while (ModelDispatchNext()) {
    }
}

void RunMessageLoop() {
    for (;;) {
        if (ModelQueueEmpty()) {
            if (IdleHook)
                IdleHook();
            if (ModelQueueEmpty()) {
                Record("quit");
                return;
            }
        }
        ModelDispatchNext();
        if (Wizard.CancelRequested)
            return;
    }
}

void PaintNow() {}

void BringToForeground(WindowHandle) {}

void GetScreenRect(WindowRect *rect) {
    *rect = WindowRect{0, 0, 1024, 768};
}

int ConfirmCancel(const char *text) {
    (void)text;
    Record("confirm");
    int answer = ConfirmNext < ConfirmAnswers.size() ? ConfirmAnswers[ConfirmNext++] : 1;
    return answer == 0 ? 0 : 1;
}

void ShowWarningBox(const char *text) {
    Record(std::string("warning ") + text);
}

static const char *BarMessageName(unsigned message) {
    switch (message) {
    case PBM_SETRANGE:
        return "PBM_SETRANGE";
    case PBM_SETPOS:
        return "PBM_SETPOS";
    case PBM_SETSTEP:
        return "PBM_SETSTEP";
    case PBM_STEPIT:
        return "PBM_STEPIT";
    default:
        return "?";
    }
}

void ModelChanged(ModelWindow *window, ModelChange change, unsigned message, uintptr_t wparam,
                  intptr_t lparam) {
    char line[64];
    switch (change) {
    case CHANGE_TEXT:
        if (window->kind == KIND_DIALOG)
            return;
        if (window->id == IDC_STATUS_TEXT) {
            Record(std::string("status ") + window->text);
            if (StatusHook)
                StatusHook(window->text);
            return;
        }
        snprintf(line, sizeof line, "text %d ", window->id);
        Record(line + std::string(window->text));
        return;
    case CHANGE_ENABLE:
        snprintf(line, sizeof line, "enable %d %d", window->id, window->enabled);
        Record(line);
        return;
    case CHANGE_BAR:
        snprintf(line, sizeof line, "bar %s %llu %lld", BarMessageName(message),
                 static_cast<unsigned long long>(wparam), static_cast<long long>(lparam));
        Record(line);
        return;
    case CHANGE_DESTROY:
        if (window->kind == KIND_DIALOG && window == ProgressWindow)
            Record("destroy");
        return;
    case CHANGE_MOVE:
        return;
    }
}
