#include "ui/terminal/terminal.h"

#include "ui/resource.h"
#include "ui/terminal/screen.h"

#include <errno.h>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

enum {
    INPUT_SIZE = 4096, // bytes read from standard input and not yet used
    ANSWER_SIZE = 512, // one answer line; longer ones are cut
    TEXT_SIZE = 1024,  // a warning or question, sanitised
    AGREEMENT_WIDTH = 79
};

enum ReadResult { READ_LINE, READ_END, READ_INTERRUPT };

static const char Bold[] = "\x1b[1m";
static const char Plain[] = "\x1b[0m";
static const char WarningColour[] = "\x1b[1;33m";

struct TerminalState {
    int initialised;
    int inputIsTerminal;
    int outputIsTerminal;
    int errorIsTerminal;
    int outputDraws; // the window is drawn in place on standard output
    int colour;
    char input[INPUT_SIZE];
    size_t inputUsed;
    int inputEnded;
    int interrupts; // Ctrl-C seen and not yet turned into a message
    int hangup;     // SIGHUP or SIGTERM seen
    int redrawAll;  // the terminal was resized or the program resumed
    int closePosted;
    ModelWindow *progress;
    int shown;
    unsigned drawnCount;
    int linesDrawn;
    int keyboardTaken; // the terminal is in the progress window's key mode
    FILE *questions;   // where questions and their answers are printed
    int questionsOnTerminal;
    char lastLine[MODEL_TEXT_SIZE]; // the status text just written as a line
    // What the user did to the run, for the exit status; what the run came
    // to is the core's (Wizard.WarningCount, Wizard.RunCompleted).
    int agreementShown;
    int accepted;
    int stopped;
};

static TerminalState T;
static int SignalPipe[2] = {-1, -1};
static struct termios SavedModes;
static int ModesSaved;
static int RestoreRegistered;

// The handler may interrupt anything, so it only tells the pipe; the number is
// read back on the next poll, on the one thread that owns every window.
static void OnSignal(int number) {
    int saved = errno;
    unsigned char byte = static_cast<unsigned char>(number);
    ssize_t written = write(SignalPipe[1], &byte, 1);
    (void)written;
    errno = saved;
}

static void InstallSignals() {
    if (SignalPipe[0] >= 0)
        return;
    if (pipe(SignalPipe) != 0) {
        SignalPipe[0] = SignalPipe[1] = -1;
        return;
    }
    // Child programs must not inherit the pipe; a full pipe must never block the handler.
    for (int fd : SignalPipe) {
        fcntl(fd, F_SETFD, FD_CLOEXEC);
        fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) | O_NONBLOCK);
    }
    struct sigaction action;
    memset(&action, 0, sizeof action);
    action.sa_handler = OnSignal;
    sigemptyset(&action.sa_mask);
    // Restarted calls keep a child's wait or a file copy from failing half-way.
    action.sa_flags = SA_RESTART;
    static const int Handled[] = {SIGINT, SIGHUP, SIGTERM, SIGWINCH, SIGCONT};
    for (int number : Handled)
        sigaction(number, &action, nullptr);
    // A closed log pipe must not kill the wizard in the middle of an update.
    signal(SIGPIPE, SIG_IGN);
}

static void TakeKeyboard();

static void TakeSignals() {
    if (SignalPipe[0] < 0)
        return;
    unsigned char numbers[64];
    ssize_t got;
    while ((got = read(SignalPipe[0], numbers, sizeof numbers)) > 0) {
        for (ssize_t i = 0; i < got; i++) {
            switch (numbers[i]) {
            case SIGINT:
                T.interrupts++;
                break;
            case SIGHUP:
            case SIGTERM:
                T.hangup = 1;
                break;
            case SIGCONT:
                // The shell may have changed the terminal's modes while we were stopped.
                if (T.keyboardTaken)
                    TakeKeyboard();
                T.redrawAll = 1;
                break;
            default:
                T.redrawAll = 1;
                break;
            }
        }
    }
}

void TerminalRestore() {
    if (ModesSaved && T.keyboardTaken)
        tcsetattr(STDIN_FILENO, TCSANOW, &SavedModes);
    T.keyboardTaken = 0;
}

// Single keys without echo, so that Enter and typing do not scroll the drawn
// window; Ctrl-C becomes a key rather than a signal to the whole process group,
// so that it never reaches a child program that is running for the update.
static void TakeKeyboard() {
    if (!T.inputIsTerminal)
        return;
    if (!ModesSaved) {
        if (tcgetattr(STDIN_FILENO, &SavedModes) != 0)
            return;
        ModesSaved = 1;
    }
    if (!RestoreRegistered) {
        atexit(TerminalRestore);
        RestoreRegistered = 1;
    }
    struct termios modes = SavedModes;
    modes.c_lflag &= ~static_cast<tcflag_t>(ICANON | ECHO);
    modes.c_cc[VMIN] = 1;
    modes.c_cc[VTIME] = 0;
    modes.c_cc[VINTR] = _POSIX_VDISABLE;
    tcsetattr(STDIN_FILENO, TCSANOW, &modes);
    T.keyboardTaken = 1;
}

void TerminalReset() {
    TerminalRestore();
    ModesSaved = 0;
    memset(&T, 0, sizeof T);
    T.initialised = 1;
    T.inputIsTerminal = isatty(STDIN_FILENO);
    T.outputIsTerminal = isatty(STDOUT_FILENO);
    T.errorIsTerminal = isatty(STDERR_FILENO);
    T.outputDraws = TerminalCanMoveCursor(T.outputIsTerminal, getenv("TERM"));
    T.colour = TerminalCanUseColour(T.outputDraws, getenv("NO_COLOR"));
    // A person at the keyboard must see the questions even when the output goes to a file.
    T.questions = stdout;
    T.questionsOnTerminal = T.outputIsTerminal;
    if (T.inputIsTerminal && !T.outputIsTerminal) {
        T.questions = stderr;
        T.questionsOnTerminal = T.errorIsTerminal;
    }
    InstallSignals();
    TakeSignals();
    T.interrupts = 0;
    T.hangup = 0;
    T.redrawAll = 0;
}

static void Initialise() {
    if (!T.initialised)
        TerminalReset();
}

static void ReadInput() {
    ssize_t got = read(STDIN_FILENO, T.input + T.inputUsed, sizeof T.input - T.inputUsed);
    if (got > 0)
        T.inputUsed += static_cast<size_t>(got);
    else if (got == 0 || (errno != EINTR && errno != EAGAIN))
        T.inputEnded = 1;
}

// Waits up to timeout milliseconds (-1: until something happens) for a signal
// or, when wantInput is set, for standard input; takes whatever has arrived.
static void FillInput(int timeout, int wantInput) {
    struct pollfd fds[2];
    nfds_t count = 0;
    int signalAt = -1, inputAt = -1;
    if (SignalPipe[0] >= 0) {
        fds[count] = pollfd{SignalPipe[0], POLLIN, 0};
        signalAt = static_cast<int>(count++);
    }
    if (wantInput && !T.inputEnded && T.inputUsed < sizeof T.input) {
        fds[count] = pollfd{STDIN_FILENO, POLLIN, 0};
        inputAt = static_cast<int>(count++);
    }
    if (count == 0 || poll(fds, count, timeout) <= 0)
        return;
    if (signalAt >= 0 && fds[signalAt].revents != 0)
        TakeSignals();
    if (inputAt >= 0 && fds[inputAt].revents != 0)
        ReadInput();
}

// Takes one line out of the input (without its LF); a last line without LF
// counts once input has ended, and an overlong line is cut.
static int TakeLine(char *line, size_t size) {
    const char *newline = static_cast<const char *>(memchr(T.input, '\n', T.inputUsed));
    size_t length, taken;
    if (newline != nullptr) {
        length = static_cast<size_t>(newline - T.input);
        taken = length + 1;
    } else if (T.inputUsed == sizeof T.input || (T.inputEnded && T.inputUsed > 0)) {
        length = taken = T.inputUsed;
    } else {
        return 0;
    }
    size_t kept = length < size - 1 ? length : size - 1;
    memcpy(line, T.input, kept);
    line[kept] = '\0';
    memmove(T.input, T.input + taken, T.inputUsed - taken);
    T.inputUsed -= taken;
    return 1;
}

// One answer from standard input, with the terminal in its ordinary line mode.
// From a pipe or file the answer is echoed, so that a log shows it.
static ReadResult ReadAnswer(char *line, size_t size) {
    int window = T.keyboardTaken;
    TerminalRestore();
    fflush(stdout);
    fflush(stderr);
    ReadResult result;
    for (;;) {
        if (T.interrupts > 0) {
            T.interrupts = 0;
            result = READ_INTERRUPT;
            break;
        }
        if (TakeLine(line, size)) {
            result = READ_LINE;
            break;
        }
        if (T.hangup || T.inputEnded) {
            result = READ_END;
            break;
        }
        FillInput(-1, 1);
    }
    if (window)
        TakeKeyboard();
    if (result == READ_LINE && !T.inputIsTerminal) {
        char clean[ANSWER_SIZE];
        fprintf(T.questions, "%s\n", SanitizeText(line, clean, sizeof clean));
    } else if (result != READ_LINE) {
        line[0] = '\0';
        fprintf(T.questions, "\n");
    }
    fflush(T.questions);
    return result;
}

// The usable width of the terminal on fd (the last column is left free, so a
// full line never wraps by itself); 79 when fd is no terminal.
static int WidthOf(int fd) {
    struct winsize size;
    if (isatty(fd) && ioctl(fd, TIOCGWINSZ, &size) == 0 && size.ws_col > 1)
        return size.ws_col - 1;
    return 79;
}

static int TerminalWidth() {
    return WidthOf(STDOUT_FILENO);
}

static int TerminalRows() {
    struct winsize size;
    int fd = T.questions != nullptr ? fileno(T.questions) : STDOUT_FILENO;
    if (ioctl(fd, TIOCGWINSZ, &size) == 0 && size.ws_row > 3)
        return size.ws_row;
    return 24;
}

static const char *ItemText(ModelWindow *dialog, int id) {
    ModelWindow *item = ModelItem(dialog, id);
    return item != nullptr ? item->text : "";
}

static int ItemEnabled(ModelWindow *dialog, int id) {
    ModelWindow *item = ModelItem(dialog, id);
    return item != nullptr && item->enabled;
}

// Draws the progress window over its previous drawing, when anything changed.
static void Redraw() {
    ModelWindow *window = ModelWindowOf(T.progress);
    if (!T.outputDraws || !T.shown || window == nullptr)
        return;
    unsigned count = ModelChangeCount();
    if (T.linesDrawn > 0 && count == T.drawnCount && !T.redrawAll)
        return;
    ScreenState state;
    state.title = window->text;
    state.destination = ItemText(window, IDC_DESTINATION_TEXT);
    state.status = ItemText(window, IDC_STATUS_TEXT);
    state.resourcesEnabled = ItemEnabled(window, IDC_RESOURCES_LABEL);
    ModelWindow *bar = ModelItem(window, IDC_PROGRESS_BAR);
    state.bar = bar != nullptr ? bar->bar : ProgressState{0, 100, 0, 1};
    state.cancelEnabled = ItemEnabled(window, IDC_CANCEL_BUTTON);
    state.finishEnabled = ItemEnabled(window, IDC_FINISH_BUTTON);
    static ScreenLines lines;
    ComposeProgressScreen(&state, TerminalWidth(), T.colour, &lines);
    if (T.redrawAll && T.linesDrawn > 0)
        fputs("\x1b[H\x1b[2J", stdout); // a resized terminal has rewrapped the old drawing
    else if (T.linesDrawn > 0)
        printf("\r\x1b[%dA", T.linesDrawn);
    for (int i = 0; i < lines.count; i++)
        printf("%s\x1b[K\n", lines.line[i]);
    fputs("\x1b[J", stdout);
    fflush(stdout);
    T.linesDrawn = lines.count;
    T.drawnCount = count;
    T.redrawAll = 0;
}

static void PressClose() {
    if (T.closePosted)
        return;
    T.closePosted = PostWindowMessage(T.progress, WM_CLOSE, 0, 0);
    // Closing after "All done." is the normal way out.
    if (T.closePosted && !Wizard.RunCompleted)
        T.stopped = 1;
}

static void PressCtrlC(ModelWindow *window) {
    // Once Cancel is greyed the run is over, and Ctrl-C leaves as the close box would.
    if (ItemEnabled(window, IDC_CANCEL_BUTTON))
        PostWindowMessage(window, WM_COMMAND, IDC_CANCEL_BUTTON, 0);
    else
        PressClose();
}

static void PressEnter(ModelWindow *window) {
    if (ItemEnabled(window, IDC_FINISH_BUTTON))
        PostWindowMessage(window, WM_COMMAND, IDC_FINISH_BUTTON, 0);
}

// Turns what the user did into the progress window's messages, as the platform
// posts clicks and the close box. waiting: the main loop has nothing to do.
static void TranslateInput(int waiting) {
    ModelWindow *window = ModelWindowOf(T.progress);
    if (window == nullptr || !T.shown)
        return;
    if (T.interrupts > 0) {
        T.interrupts = 0;
        PressCtrlC(window);
    }
    if (T.hangup)
        PressClose();
    if (waiting && !T.outputIsTerminal && ItemEnabled(window, IDC_FINISH_BUTTON)) {
        // Nobody watches a log: waiting for Finish would only hold a script up.
        PressEnter(window);
    } else if (T.inputIsTerminal) {
        int ctrlC = 0;
        for (size_t i = 0; i < T.inputUsed; i++) {
            char c = T.input[i];
            if (c == '\n' || c == '\r')
                PressEnter(window);
            else if (c == '\x03')
                ctrlC = 1;
            else if (c == '\x04')
                PressClose();
        }
        T.inputUsed = 0;
        // Keys pressed while a child program ran arrive together: one question is enough.
        if (ctrlC)
            PressCtrlC(window);
        if (T.inputEnded)
            PressClose();
    } else if (waiting) {
        char line[ANSWER_SIZE];
        if (TakeLine(line, sizeof line))
            PressEnter(window);
        else if (T.inputEnded)
            PressClose();
    }
}

void UiInitialise() {
    Initialise();
}

// One key from the terminal on standard input, taken at once and not echoed;
// 0 for Ctrl-C, a hang-up or the end of input.
static int ReadKey() {
    struct termios saved;
    if (tcgetattr(STDIN_FILENO, &saved) != 0)
        return 0;
    struct termios modes = saved;
    modes.c_lflag &= ~static_cast<tcflag_t>(ICANON | ECHO);
    modes.c_cc[VMIN] = 1;
    modes.c_cc[VTIME] = 0;
    tcsetattr(STDIN_FILENO, TCSANOW, &modes);
    int key = 0;
    while (T.interrupts == 0 && !T.hangup) {
        if (T.inputUsed > 0) {
            key = static_cast<unsigned char>(T.input[0]);
            memmove(T.input, T.input + 1, --T.inputUsed);
            break;
        }
        if (T.inputEnded)
            break;
        FillInput(-1, 1);
    }
    tcsetattr(STDIN_FILENO, TCSANOW, &saved);
    T.interrupts = 0;
    return key == '\x04' ? 0 : key;
}

// The longest hint that fits, so that a narrow terminal never splits a word.
static const char *PagerHint(int width) {
    static const char *const Hints[] = {
        "-- More --  space: next page, Enter: next line, q: to the question",
        "-- More --  space, Enter, q", "-- More --"};
    for (const char *hint : Hints)
        if (static_cast<int>(strlen(hint)) <= width)
            return hint;
    return Hints[2];
}

// Waits for a pager key under a hint, then rubs the hint out. Returns the
// lines the next stretch may print: a page, one line, 0 for the question, or
// -1 when the reader left (the agreement is declined).
static int PagerKey(FILE *ask, int width, int page) {
    const char *hint = PagerHint(width);
    fputs(hint, ask);
    fflush(ask);
    int key = ReadKey();
    fprintf(ask, "\r%*s\r", static_cast<int>(strlen(hint)), "");
    if (key == 0)
        return -1;
    if (key == 'q' || key == 'Q')
        return 0;
    return key == '\n' || key == '\r' ? 1 : page;
}

// Prints the agreement, a page at a time when a person reads it on a terminal,
// and asks, naming the directory the update will change. 1 when accepted.
static int AskAgreement(const char *caption, const char *text) {
    FILE *ask = T.questions;
    T.lastLine[0] = '\0';
    int width = WidthOf(fileno(ask));
    if (width > AGREEMENT_WIDTH)
        width = AGREEMENT_WIDTH;
    int page = T.inputIsTerminal && T.questionsOnTerminal ? TerminalRows() - 2 : 0;
    fprintf(ask, "%s%s%s\n\n", T.colour ? Bold : "", caption, T.colour ? Plain : "");
    char line[SCREEN_LINE_SIZE];
    char clean[MODEL_TEXT_SIZE];
    size_t offset = 0;
    int room = page > 0 ? page - 2 : -1; // lines before the next pause; -1: no pager
    while (room != 0 && NextWrappedLine(text, &offset, width, line, sizeof line)) {
        fprintf(ask, "%s\n", SanitizeText(line, clean, sizeof clean));
        if (room > 0 && --room == 0 && text[offset] != '\0') {
            room = PagerKey(ask, width, page);
            if (room < 0)
                return 0;
        }
    }
    fprintf(ask, "\nDestination Directory: %s\nAccept? [y/N] ",
            SanitizeText(Wizard.BaseDirectory, clean, sizeof clean));
    char answer[ANSWER_SIZE];
    return ReadAnswer(answer, sizeof answer) == READ_LINE && AnswerAccepts(answer);
}

intptr_t RunAgreementDialog(DialogProc proc) {
    Initialise();
    ModelWindow *dialog = ModelCreateDialog(TEMPLATE_AGREEMENT, proc);
    if (dialog == nullptr)
        return 0;
    int accepted = AskAgreement(dialog->text, ItemText(dialog, IDC_AGREEMENT_TEXT));
    T.agreementShown = 1;
    T.accepted = accepted;
    ModelSendToDialog(dialog, WM_COMMAND, accepted ? IDOK : IDCANCEL, 0);
    intptr_t value = dialog->ended ? dialog->endValue : 0;
    DestroyWindowHandle(dialog);
    return value;
}

WindowHandle CreateProgressWindow(DialogProc proc, int *error) {
    Initialise();
    T.shown = 0;
    T.closePosted = 0;
    T.linesDrawn = 0;
    T.progress = ModelCreateDialog(TEMPLATE_PROGRESS, proc);
    if (T.progress == nullptr)
        *error = ENOMEM;
    return T.progress;
}

void ShowProgressWindow(WindowHandle window, const char *title) {
    Initialise();
    SetWindowTextTo(window, title);
    ModelWindow *w = ModelWindowOf(window);
    if (w == nullptr)
        return;
    w->visible = 1;
    T.shown = 1;
    TakeKeyboard();
    if (T.outputDraws) {
        printf("\n");
        Redraw();
        return;
    }
    char clean[MODEL_TEXT_SIZE];
    printf("%s\n", SanitizeText(w->text, clean, sizeof clean));
    printf("Destination Directory: %s\n",
           SanitizeText(ItemText(w, IDC_DESTINATION_TEXT), clean, sizeof clean));
    fflush(stdout);
}

void RunMessageLoop() {
    Initialise();
    for (;;) {
        FillInput(0, T.inputIsTerminal);
        TranslateInput(0);
        if (ModelDispatchNext()) {
            if (Wizard.CancelRequested)
                break;
            continue;
        }
        // Without the window nothing could ever end the loop.
        if (ModelWindowOf(T.progress) == nullptr)
            break;
        TranslateInput(1);
        if (!ModelQueueEmpty())
            continue;
        Redraw();
        FillInput(-1, 1);
    }
    TerminalRestore();
}

void PumpMessages() {
    Initialise();
    // Answers waiting in a pipe belong to the questions; only a terminal's keys are read here.
    FillInput(0, T.inputIsTerminal);
    TranslateInput(0);
    while (ModelDispatchNext()) {
    }
    Redraw();
}

void BringToForeground(WindowHandle) {}

// There are no pixels; a fixed screen keeps CenterWindow's arithmetic meaningful.
void GetScreenRect(WindowRect *rect) {
    *rect = WindowRect{0, 0, 1024, 768};
}

// After a box has been printed below the drawing, the window is drawn anew under it.
static void AfterBox() {
    if (T.outputDraws && T.linesDrawn > 0) {
        T.linesDrawn = 0;
        printf("\n");
    }
}

int ConfirmCancel(const char *text) {
    Initialise();
    Redraw();
    char clean[TEXT_SIZE];
    SanitizeText(text, clean, sizeof clean);
    FILE *ask = T.questions;
    fflush(stdout);
    if (T.questionsOnTerminal) {
        char line[SCREEN_LINE_SIZE];
        size_t offset = 0;
        int first = 1;
        int width = TerminalWidth() < SCREEN_MAX_WIDTH ? TerminalWidth() : SCREEN_MAX_WIDTH;
        fprintf(ask, "\n");
        while (NextWrappedLine(clean, &offset, width, line, sizeof line)) {
            fprintf(ask, "%s%s", first ? "" : "\n", line);
            first = 0;
        }
    } else {
        fprintf(ask, "%s", clean);
    }
    T.lastLine[0] = '\0';
    int answer = 1;
    char reply[ANSWER_SIZE];
    for (;;) {
        fprintf(ask, " [Y/n] ");
        if (ReadAnswer(reply, sizeof reply) != READ_LINE)
            break;
        int given = AnswerYesDefault(reply);
        if (given >= 0) {
            answer = given;
            break;
        }
        fprintf(ask, "Please answer y or n.");
    }
    AfterBox();
    if (answer)
        T.stopped = 1;
    return answer;
}

void ShowWarningBox(const char *text) {
    Initialise();
    Redraw();
    fflush(stdout);
    char clean[TEXT_SIZE];
    SanitizeText(text, clean, sizeof clean);
    int coloured = T.colour && T.errorIsTerminal;
    fprintf(stderr, "%s%s%s\n", coloured ? WarningColour : "", clean, coloured ? Plain : "");
    if (T.inputIsTerminal) {
        fputs("Press Enter to continue.", stderr);
        char reply[ANSWER_SIZE];
        ReadAnswer(reply, sizeof reply);
    }
    fflush(stderr);
    if (T.errorIsTerminal)
        AfterBox();
}

// Without cursor movement, every status text becomes a line of its own as it
// is set, unless it is the line just written.
void ModelChanged(ModelWindow *window, ModelChange change, unsigned message, uintptr_t wparam,
                  intptr_t lparam) {
    (void)message;
    (void)wparam;
    (void)lparam;
    if (!T.shown || window->parent != T.progress)
        return;
    // Plain lines on a terminal: the run waits for Enter, so it says so.
    if (change == CHANGE_ENABLE && window->id == IDC_FINISH_BUTTON && window->enabled &&
        !T.outputDraws && T.outputIsTerminal) {
        printf("Press Enter to finish.\n");
        T.lastLine[0] = '\0';
    }
    if (change != CHANGE_TEXT || window->id != IDC_STATUS_TEXT)
        return;
    char clean[MODEL_TEXT_SIZE];
    SanitizeText(window->text, clean, sizeof clean);
    if (T.outputDraws || strcmp(clean, T.lastLine) == 0)
        return;
    printf("%s\n", clean);
    fflush(stdout);
    snprintf(T.lastLine, sizeof T.lastLine, "%s", clean);
}

int TerminalExitStatus(int wizardResult) {
    int warnings = Wizard.WarningCount;
    if (warnings > 0)
        fprintf(stderr, "update-wizard: %d warning%s.\n", warnings, warnings == 1 ? "" : "s");
    if (wizardResult != 0 || !T.agreementShown)
        return EXIT_NOT_STARTED;
    if (!T.accepted)
        return EXIT_DECLINED;
    if (Wizard.RunCompleted)
        return warnings > 0 ? EXIT_WARNINGS : EXIT_DONE;
    return T.stopped ? EXIT_STOPPED : EXIT_NOT_CHANGED;
}
