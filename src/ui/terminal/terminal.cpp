#include "ui/terminal/terminal.h"

#include "ui/resource.h"
#include "ui/terminal/display.h"
#include "ui/terminal/input.h"
#include "ui/terminal/pager.h"
#include "ui/terminal/screen.h"

#include <errno.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <unistd.h>

enum {
    ANSWER_SIZE = 512, // one answer line; longer ones are cut
    TEXT_SIZE = 1024   // a warning or question, sanitised
};

struct TerminalState {
    int initialised;
    int outputIsTerminal;
    int errorIsTerminal;
    int draws; // the window is drawn in place on standard output
    int colour;
    int closePosted;
    ModelWindow *progress;
    int shown;
    FILE *questions; // where questions and their answers are printed
    int questionsOnTerminal;
    // What the user did to the run, for the exit status; what the run came
    // to is the core's (Wizard.WarningCount, Wizard.RunCompleted).
    int agreementShown;
    int accepted;
    int stopped;
};

static TerminalState Session;

void TerminalRestore() {
    RestoreKeyboard();
}

void TerminalReset() {
    memset(&Session, 0, sizeof Session);
    Session.initialised = 1;
    InputReset();
    Session.outputIsTerminal = isatty(STDOUT_FILENO);
    Session.errorIsTerminal = isatty(STDERR_FILENO);
    Session.draws = TerminalCanMoveCursor(Session.outputIsTerminal, getenv("TERM"));
    Session.colour = TerminalCanUseColour(Session.draws, getenv("NO_COLOR"));
    DisplayReset(Session.draws, Session.colour);
    // A person at the keyboard must see the questions even when the output goes to a file.
    Session.questions = stdout;
    Session.questionsOnTerminal = Session.outputIsTerminal;
    if (Input.isTerminal && !Session.outputIsTerminal) {
        Session.questions = stderr;
        Session.questionsOnTerminal = Session.errorIsTerminal;
    }
}

static void Initialise() {
    if (!Session.initialised)
        TerminalReset();
}

// The shown progress window, or none.
static ModelWindow *ShownWindow() {
    return Session.shown ? ModelWindowOf(Session.progress) : nullptr;
}

static void DrawWindow() {
    if (Redraw(ShownWindow(), Input.redrawAll))
        Input.redrawAll = 0;
}

static void PressClose() {
    if (Session.closePosted)
        return;
    Session.closePosted = PostWindowMessage(Session.progress, WM_CLOSE, 0, 0);
    // Closing after "All done." is the normal way out.
    if (Session.closePosted && !Wizard.RunCompleted)
        Session.stopped = 1;
}

static void PressCtrlC(ModelWindow *window) {
    // Once Cancel is greyed the run is over, and Ctrl-C leaves as the close box would.
    if (ModelItemEnabled(window, IDC_CANCEL_BUTTON))
        PostWindowMessage(window, WM_COMMAND, IDC_CANCEL_BUTTON, 0);
    else
        PressClose();
}

static void PressEnter(ModelWindow *window) {
    if (ModelItemEnabled(window, IDC_FINISH_BUTTON))
        PostWindowMessage(window, WM_COMMAND, IDC_FINISH_BUTTON, 0);
}

// Turns what the user did into the progress window's messages, as the platform
// posts clicks and the close box. waiting: the main loop has nothing to do.
static void TranslateInput(int waiting) {
    ModelWindow *window = ShownWindow();
    if (window == nullptr)
        return;
    if (Input.interrupts > 0) {
        Input.interrupts = 0;
        PressCtrlC(window);
    }
    if (Input.hangup)
        PressClose();
    if (waiting && !Session.outputIsTerminal && ModelItemEnabled(window, IDC_FINISH_BUTTON)) {
        // Nobody watches a log: waiting for Finish would only hold a script up.
        PressEnter(window);
    } else if (Input.isTerminal) {
        int ctrlC = 0;
        for (size_t i = 0; i < Input.used; i++) {
            char c = Input.buffer[i];
            if (c == '\n' || c == '\r')
                PressEnter(window);
            else if (c == '\x03')
                ctrlC = 1;
            else if (c == '\x04')
                PressClose();
        }
        Input.used = 0;
        // Keys pressed while a child program ran arrive together: one question is enough.
        if (ctrlC)
            PressCtrlC(window);
        if (Input.ended)
            PressClose();
    } else if (waiting) {
        char line[ANSWER_SIZE];
        if (TakeInputLine(line, sizeof line))
            PressEnter(window);
        else if (Input.ended)
            PressClose();
    }
}

void UiInitialise() {
    Initialise();
}

intptr_t RunAgreementDialog(DialogProc proc) {
    Initialise();
    ModelWindow *dialog = ModelCreateDialog(TEMPLATE_AGREEMENT, proc);
    if (dialog == nullptr)
        return 0;
    ModelWindow *text = ModelItem(dialog, IDC_AGREEMENT_TEXT);
    int paged = Input.isTerminal && Session.questionsOnTerminal;
    int accepted = AskAgreement(Session.questions, paged, Session.colour, dialog->text,
                                text != nullptr ? text->text : "", Wizard.BaseDirectory);
    Session.agreementShown = 1;
    Session.accepted = accepted;
    ModelSendToDialog(dialog, WM_COMMAND, accepted ? IDOK : IDCANCEL, 0);
    intptr_t value = dialog->ended ? dialog->endValue : 0;
    DestroyWindowHandle(dialog);
    return value;
}

WindowHandle CreateProgressWindow(DialogProc proc, int *error) {
    Initialise();
    Session.shown = 0;
    Session.closePosted = 0;
    DisplayReset(Session.draws, Session.colour);
    Session.progress = ModelCreateDialog(TEMPLATE_PROGRESS, proc);
    if (Session.progress == nullptr)
        *error = ENOMEM;
    return Session.progress;
}

void ShowProgressWindow(WindowHandle window, const char *title) {
    Initialise();
    SetWindowTextTo(window, title);
    ModelWindow *w = ModelWindowOf(window);
    if (w == nullptr)
        return;
    w->visible = 1;
    Session.shown = 1;
    TakeKeyboard();
    DisplayWindow(w);
}

void RunMessageLoop() {
    Initialise();
    for (;;) {
        FillInput(0, Input.isTerminal);
        TranslateInput(0);
        if (ModelDispatchNext()) {
            if (Wizard.CancelRequested)
                break;
            continue;
        }
        // Without the window nothing could ever end the loop.
        if (ModelWindowOf(Session.progress) == nullptr)
            break;
        TranslateInput(1);
        if (!ModelQueueEmpty())
            continue;
        DrawWindow();
        FillInput(-1, 1);
    }
    RestoreKeyboard();
}

void PumpMessages() {
    Initialise();
    // Answers waiting in a pipe belong to the questions; only a terminal's keys are read here.
    FillInput(0, Input.isTerminal);
    TranslateInput(0);
    while (ModelDispatchNext()) {
    }
    DrawWindow();
}

void PaintNow() {
    Initialise();
    DrawWindow();
}

void BringToForeground(WindowHandle) {}

// There are no pixels; a fixed screen keeps CenterWindow's arithmetic meaningful.
void GetScreenRect(WindowRect *rect) {
    *rect = WindowRect{0, 0, 1024, 768};
}

int ConfirmCancel(const char *text) {
    Initialise();
    DrawWindow();
    char clean[TEXT_SIZE];
    SanitizeText(text, clean, sizeof clean);
    FILE *ask = Session.questions;
    fflush(stdout);
    if (Session.questionsOnTerminal) {
        char line[SCREEN_LINE_SIZE];
        size_t offset = 0;
        int first = 1;
        int width = UsableWidth(STDOUT_FILENO);
        if (width > SCREEN_MAX_WIDTH)
            width = SCREEN_MAX_WIDTH;
        fprintf(ask, "\n");
        while (NextWrappedLine(clean, &offset, width, line, sizeof line)) {
            fprintf(ask, "%s%s", first ? "" : "\n", line);
            first = 0;
        }
    } else {
        fprintf(ask, "%s", clean);
    }
    int answer = 1;
    char reply[ANSWER_SIZE];
    for (;;) {
        fprintf(ask, " [Y/n] ");
        if (ReadAnswer(reply, sizeof reply, ask) != READ_LINE)
            break;
        int given = AnswerYesDefault(reply);
        if (given >= 0) {
            answer = given;
            break;
        }
        fprintf(ask, "Please answer y or n.");
    }
    DisplayAfterBox(1);
    if (answer)
        Session.stopped = 1;
    return answer;
}

void ShowWarningBox(const char *text) {
    Initialise();
    DrawWindow();
    fflush(stdout);
    char clean[TEXT_SIZE];
    SanitizeText(text, clean, sizeof clean);
    int coloured = Session.colour && Session.errorIsTerminal;
    fprintf(stderr, "%s%s%s\n", coloured ? AttributeWarning : "", clean,
            coloured ? AttributeReset : "");
    if (Input.isTerminal) {
        fputs("Press Enter to continue.", stderr);
        char reply[ANSWER_SIZE];
        ReadAnswer(reply, sizeof reply, Session.questions);
    }
    fflush(stderr);
    if (Session.errorIsTerminal)
        DisplayAfterBox(0);
}

// The status text as a line of its own, when the window is not drawn; and the
// hint that Enter ends the run, on a terminal.
void ModelChanged(ModelWindow *window, ModelChange change, unsigned message, uintptr_t wparam,
                  intptr_t lparam) {
    (void)message;
    (void)wparam;
    (void)lparam;
    if (!Session.shown || window->parent != Session.progress)
        return;
    if (change == CHANGE_ENABLE && window->id == IDC_FINISH_BUTTON && window->enabled &&
        Session.outputIsTerminal)
        DisplayFinishHint();
    if (change == CHANGE_TEXT && window->id == IDC_STATUS_TEXT)
        DisplayStatusLine(window->text);
}

int TerminalExitStatus(int wizardResult) {
    int warnings = Wizard.WarningCount;
    if (warnings > 0)
        fprintf(stderr, "update-wizard: %d warning%s.\n", warnings, warnings == 1 ? "" : "s");
    if (wizardResult != 0 || !Session.agreementShown)
        return EXIT_NOT_STARTED;
    if (!Session.accepted)
        return EXIT_DECLINED;
    if (Wizard.RunCompleted)
        return warnings > 0 ? EXIT_WARNINGS : EXIT_DONE;
    return Session.stopped ? EXIT_STOPPED : EXIT_PLANNING_STOPPED;
}
