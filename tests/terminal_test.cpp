// The terminal backend in-process: the message queue through its PumpMessages,
// the progress bar's arithmetic, the text work of the drawn window, and the
// line protocol on standard input and output (pipes standing in for the user),
// with real signals raised at chosen points of a pass.
#include "ui/agreement.h"
#include "app/progress_window.h"
#include "ui/progress.h"
#include "ui/resource.h"
#include "ui/terminal/screen.h"
#include "ui/terminal/terminal.h"

#include "sys/pump.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <pty.h>
#include <signal.h>
#include <stdlib.h>
#include <stdio.h>
#include <string.h>
#include <unistd.h>

#include <string>
#include <vector>

namespace {

// Standard input from a given text, standard output into a file, for one test.
class TerminalTest : public ::testing::Test {
  public:
    void SetUp() override {
        fflush(stdout);
        savedIn = dup(STDIN_FILENO);
        savedOut = dup(STDOUT_FILENO);
        snprintf(outName, sizeof outName, "terminal-test-%d.out", static_cast<int>(getpid()));
        int out = open(outName, O_CREAT | O_TRUNC | O_WRONLY, 0600);
        dup2(out, STDOUT_FILENO);
        close(out);
        SetInput("");
        ModelReset();
        Wizard.CancelRequested = 0;
        Wizard.ProgressWindow = nullptr;
        snprintf(Wizard.BaseDirectory, sizeof Wizard.BaseDirectory, "/srv/product");
    }
    void TearDown() override {
        TerminalRestore();
        // Failure messages went into the capture as well: hand them on.
        if (HasFailure())
            fprintf(stderr, "%s", Output().c_str());
        fflush(stdout);
        dup2(savedIn, STDIN_FILENO);
        dup2(savedOut, STDOUT_FILENO);
        close(savedIn);
        close(savedOut);
        unlink(outName);
    }
    // The whole of the input, already at its end, as from a file.
    void SetInput(const std::string &text) {
        int fds[2];
        ASSERT_EQ(pipe(fds), 0);
        ASSERT_EQ(write(fds[1], text.data(), text.size()), static_cast<ssize_t>(text.size()));
        close(fds[1]);
        dup2(fds[0], STDIN_FILENO);
        close(fds[0]);
        TerminalReset();
    }
    std::string Output() {
        fflush(stdout);
        std::string text;
        FILE *file = fopen(outName, "rb");
        if (file == nullptr)
            return text;
        char buffer[4096];
        size_t got;
        while ((got = fread(buffer, 1, sizeof buffer, file)) > 0)
            text.append(buffer, got);
        fclose(file);
        return text;
    }
    int savedIn = -1, savedOut = -1;
    char outName[64];
};

// --- The queue, through the backend's PumpMessages ---

std::vector<std::string> Trace;
int Depth;

intptr_t QueueProc(WindowHandle window, unsigned message, uintptr_t wparam, intptr_t) {
    if (message < 2000)
        return 0;
    Trace.push_back(std::to_string(message) + "@" + std::to_string(Depth));
    if (message == 2000) {
        // A message posted from inside a handler goes behind those already waiting.
        PostWindowMessage(window, 2009, 0, 0);
        Depth++;
        PumpMessages();
        Depth--;
    }
    if (message == 2002 && wparam == 1)
        DestroyWindowHandle(window);
    return 1;
}

TEST_F(TerminalTest, QueueKeepsOrderAndDispatchesNestedFromPump) {
    Trace.clear();
    Depth = 0;
    ModelWindow *window = ModelCreateDialog(TEMPLATE_PROGRESS, QueueProc);
    ASSERT_NE(window, nullptr);
    for (unsigned m : {2000u, 2001u, 2002u})
        ASSERT_EQ(PostWindowMessage(window, m, 0, 0), 1);
    PumpMessages();
    EXPECT_EQ(Trace, (std::vector<std::string>{"2000@0", "2001@1", "2002@1", "2009@1"}));
    EXPECT_TRUE(ModelQueueEmpty());
}

TEST_F(TerminalTest, MessagesOfADestroyedWindowAreDropped) {
    Trace.clear();
    Depth = 0;
    ModelWindow *window = ModelCreateDialog(TEMPLATE_PROGRESS, QueueProc);
    ASSERT_NE(window, nullptr);
    PostWindowMessage(window, 2002, 1, 0); // destroys the window
    PostWindowMessage(window, 2001, 0, 0);
    PumpMessages();
    EXPECT_EQ(Trace, (std::vector<std::string>{"2002@0"}));
    EXPECT_EQ(PostWindowMessage(window, 2001, 0, 0), 0);
    EXPECT_TRUE(ModelQueueEmpty());
}

TEST_F(TerminalTest, FullQueueRefusesAndKeepsWhatItHolds) {
    Trace.clear();
    Depth = 0;
    ModelWindow *window = ModelCreateDialog(TEMPLATE_PROGRESS, QueueProc);
    ASSERT_NE(window, nullptr);
    for (int i = 0; i < MODEL_QUEUE; i++)
        ASSERT_EQ(PostWindowMessage(window, 2100 + i, 0, 0), 1);
    EXPECT_EQ(PostWindowMessage(window, 2001, 0, 0), 0);
    PumpMessages();
    ASSERT_EQ(Trace.size(), static_cast<size_t>(MODEL_QUEUE));
    EXPECT_EQ(Trace.front(), "2100@0");
    EXPECT_EQ(Trace.back(), std::to_string(2100 + MODEL_QUEUE - 1) + "@0");
}

// --- The progress bar's arithmetic ---

struct BarStep {
    unsigned message;
    uintptr_t wparam;
    intptr_t lparam;
    intptr_t returned;
    int minimum, maximum, position;
};

void CheckBar(const char *name, ProgressState bar, const std::vector<BarStep> &steps) {
    int index = 0;
    for (const BarStep &s : steps) {
        EXPECT_EQ(ProgressBarMessage(&bar, s.message, s.wparam, s.lparam), s.returned)
            << name << " step " << index;
        EXPECT_EQ(bar.minimum, s.minimum) << name << " step " << index;
        EXPECT_EQ(bar.maximum, s.maximum) << name << " step " << index;
        EXPECT_EQ(bar.position, s.position) << name << " step " << index;
        index++;
    }
}

TEST(ProgressArithmetic, RangePositionStepAndWrap) {
    const ProgressState start{0, 100, 0, 10};
    CheckBar("steps wrap past the maximum to the minimum", start,
             {{PBM_SETRANGE, 0, 3 * 65536, 100 * 65536, 0, 3, 0},
              {PBM_SETSTEP, 1, 0, 10, 0, 3, 0},
              {PBM_STEPIT, 0, 0, 0, 0, 3, 1},
              {PBM_STEPIT, 0, 0, 1, 0, 3, 2},
              {PBM_STEPIT, 0, 0, 2, 0, 3, 3},
              {PBM_STEPIT, 0, 0, 3, 0, 3, 0}});
    CheckBar("the wrap goes to the minimum, not to zero", start,
             {{PBM_SETRANGE, 0, 20 * 65536 + 10, 100 * 65536, 10, 20, 10},
              {PBM_SETPOS, 18, 0, 10, 10, 20, 18},
              {PBM_SETSTEP, 5, 0, 10, 10, 20, 18},
              {PBM_STEPIT, 0, 0, 18, 10, 20, 10}});
    CheckBar("positions are held inside the range", start,
             {{PBM_SETPOS, 250, 0, 0, 0, 100, 100},
              {PBM_SETRANGE, 0, 50 * 65536, 100 * 65536, 0, 50, 50},
              {PBM_SETPOS, 0x10005, 0, 50, 0, 50, 5}});
    CheckBar("the end of the execution phase fills the bar", ProgressState{0, 734, 734, 1},
             {{PBM_SETRANGE, 0, 100 * 65536, 734 * 65536, 0, 100, 100},
              {PBM_SETPOS, 100, 0, 100, 0, 100, 100}});
    CheckBar("16-bit range: a count above 65535 keeps its low bits", start,
             {{PBM_SETRANGE, 0, static_cast<intptr_t>(65535) << 16, 100 * 65536, 0, 65535, 0}});
}

// --- Answers, wrapping and the drawn window ---

TEST(TerminalScreen, Answers) {
    struct Case {
        const char *line;
        int accepts, yesDefault;
    } cases[] = {
        {"y", 1, 1},    {"yes", 1, 1},   {"YES", 1, 1},   {" Yes \r", 1, 1}, {"", 0, 1},
        {"n", 0, 0},    {"No", 0, 0},    {"yess", 0, -1}, {"ye", 0, -1},     {"accept", 0, -1},
        {"y y", 0, -1}, {"nope", 0, -1}, {"\t", 0, 1},
    };
    for (const Case &c : cases) {
        EXPECT_EQ(AnswerAccepts(c.line), c.accepts) << '"' << c.line << '"';
        EXPECT_EQ(AnswerYesDefault(c.line), c.yesDefault) << '"' << c.line << '"';
    }
}

std::vector<std::string> Wrap(const char *text, int width) {
    std::vector<std::string> lines;
    char line[64];
    size_t offset = 0;
    while (NextWrappedLine(text, &offset, width, line, sizeof line))
        lines.push_back(line);
    return lines;
}

TEST(TerminalScreen, Wrapping) {
    using L = std::vector<std::string>;
    EXPECT_EQ(Wrap("one two three four", 9), (L{"one two", "three", "four"}));
    EXPECT_EQ(Wrap("a\r\n\r\nb\r\n", 10), (L{"a", "", "b"}));
    EXPECT_EQ(Wrap("abcdefghijk", 4), (L{"abcd", "efgh", "ijk"}));
    EXPECT_EQ(Wrap("exactly10!", 10), (L{"exactly10!"}));
    EXPECT_EQ(Wrap("", 10), L{});
    // A line longer than the caller's buffer is cut, never overrun.
    std::string longLine(200, 'x');
    L cut = Wrap(longLine.c_str(), 150);
    ASSERT_EQ(cut.size(), 2u);
    EXPECT_EQ(cut[0].size(), 63u);
}

TEST(TerminalScreen, ControlCharactersAreDefused) {
    char clean[16];
    EXPECT_STREQ(SanitizeText("a\x1b[2Jb\tc", clean, sizeof clean), "a?[2Jb?c");
    EXPECT_STREQ(SanitizeText("0123456789abcdefghij", clean, sizeof clean), "0123456789abcde");
}

TEST(TerminalScreen, Capabilities) {
    EXPECT_TRUE(TerminalCanMoveCursor(1, "xterm-256color"));
    EXPECT_FALSE(TerminalCanMoveCursor(1, "dumb"));
    EXPECT_FALSE(TerminalCanMoveCursor(1, ""));
    EXPECT_FALSE(TerminalCanMoveCursor(1, nullptr));
    EXPECT_FALSE(TerminalCanMoveCursor(0, "xterm"));
    EXPECT_TRUE(TerminalCanUseColour(1, nullptr));
    EXPECT_TRUE(TerminalCanUseColour(1, ""));
    EXPECT_FALSE(TerminalCanUseColour(1, "1"));
    EXPECT_FALSE(TerminalCanUseColour(0, nullptr));
}

TEST(TerminalScreen, ProgressBarCells) {
    char text[64];
    ProgressState half{0, 100, 50, 1};
    FormatProgressBar(&half, 10, text, sizeof text);
    EXPECT_STREQ(text, "[#####.....]  50%");
    ProgressState empty{5, 5, 5, 1}; // an empty range must not divide by zero
    FormatProgressBar(&empty, 4, text, sizeof text);
    EXPECT_STREQ(text, "[....]   0%");
    ProgressState full{10, 20, 20, 1};
    FormatProgressBar(&full, 4, text, sizeof text);
    EXPECT_STREQ(text, "[####] 100%");
}

TEST(TerminalScreen, WindowFitsItsWidthAndShowsGreyedParts) {
    std::string longStatus(255, 's');
    std::string longDir = "/" + std::string(300, 'd') + "/product";
    ScreenState state{"Tarvelle Local File Update Wizard v1.0.5a",
                      longDir.c_str(),
                      longStatus.c_str(),
                      0,
                      ProgressState{0, 100, 0, 1},
                      1,
                      0};
    static ScreenLines lines;
    for (int width : {10, 32, 40, 78, 200}) {
        ComposeProgressScreen(&state, width, 0, &lines);
        int limit = width < SCREEN_MIN_WIDTH
                        ? SCREEN_MIN_WIDTH
                        : (width > SCREEN_MAX_WIDTH ? SCREEN_MAX_WIDTH : width);
        for (int i = 0; i < lines.count; i++)
            EXPECT_LE(static_cast<int>(strlen(lines.line[i])), limit)
                << width << ": " << lines.line[i];
    }
    ComposeProgressScreen(&state, 78, 0, &lines);
    std::string all;
    for (int i = 0; i < lines.count; i++)
        all += std::string(lines.line[i]) + "\n";
    EXPECT_NE(all.find("Processing Resources (inactive)"), std::string::npos);
    EXPECT_NE(all.find("[ Cancel ]"), std::string::npos);
    EXPECT_EQ(all.find("[ Finish ]"), std::string::npos);
    EXPECT_NE(all.find("...d"), std::string::npos) << "the end of a long directory is shown";
    EXPECT_NE(all.find("d/product\n"), std::string::npos);
    EXPECT_EQ(all.find('\x1b'), std::string::npos);

    state.resourcesEnabled = 1;
    state.cancelEnabled = 0;
    state.finishEnabled = 1;
    ComposeProgressScreen(&state, 78, 1, &lines);
    all.clear();
    for (int i = 0; i < lines.count; i++)
        all += std::string(lines.line[i]) + "\n";
    EXPECT_NE(all.find("[ Finish ]"), std::string::npos);
    EXPECT_NE(all.find("\x1b[2m  Cancel  "), std::string::npos) << "greyed Cancel is dim";
    EXPECT_NE(all.find("Press Enter to finish."), std::string::npos);
}

// --- Questions answered from standard input ---

TEST_F(TerminalTest, AgreementAcceptsOnlyYes) {
    struct Case {
        const char *input;
        intptr_t result;
    } cases[] = {{"y\n", 1}, {"YES\n", 1}, {"yes", 1},    {"\n", 0},
                 {"n\n", 0}, {"", 0},      {"yess\n", 0}, {"sure\ny\n", 0}};
    for (const Case &c : cases) {
        SetInput(c.input);
        ModelReset();
        EXPECT_EQ(RunAgreementDialog(AgreementDialogProc), c.result) << '"' << c.input << '"';
    }
    std::string out = Output();
    EXPECT_NE(out.find("Tarvelle User Agreement\n"), std::string::npos);
    EXPECT_NE(out.find("TERMS OF USE OF THIS UPDATE\n"), std::string::npos);
    EXPECT_NE(out.find("LIMITATION OF LIABILITY\n"), std::string::npos);
    EXPECT_EQ(out.find('\r'), std::string::npos);
    EXPECT_NE(out.find("Accept? [y/N] YES\n"), std::string::npos) << "the answer is echoed";
}

TEST_F(TerminalTest, CancelQuestionDefaultsToYes) {
    struct Case {
        const char *input;
        int result;
    } cases[] = {{"n\n", 0}, {"\n", 1}, {"y\n", 1}, {"", 1}, {"what\nno\n", 0}, {"x\n", 1}};
    for (const Case &c : cases) {
        SetInput(c.input);
        EXPECT_EQ(ConfirmCancel(CancelQuestion), c.result) << '"' << c.input << '"';
    }
    std::string out = Output();
    EXPECT_NE(out.find(std::string(CancelQuestion) + " [Y/n] n\n"), std::string::npos);
    EXPECT_NE(out.find("Please answer y or n. [Y/n] no\n"), std::string::npos);
}

// --- A pass with Ctrl-C, hang-up and Finish ---

int PassEntries;
int SignalAt;
int SignalNumber;
int EntriesDone;

// A pass of five entries that checks CancelRequested after each, as the file pass does.
void FakePass() {
    for (int entry = 1; entry <= PassEntries; entry++) {
        SetStatusF("Entry %d.", entry);
        EntriesDone = entry;
        if (entry == SignalAt)
            raise(SignalNumber);
        PumpMessages();
        if (Wizard.CancelRequested)
            return;
    }
}

intptr_t PassProc(WindowHandle window, unsigned message, uintptr_t wparam, intptr_t lparam) {
    if (message != MSG_PLAN)
        return ProgressDialogProc(window, message, wparam, lparam);
    FakePass();
    if (WindowExists(window)) {
        EnableWindowItem(GetDialogItem(window, IDC_CANCEL_BUTTON), 0);
        EnableWindowItem(GetDialogItem(window, IDC_FINISH_BUTTON), 1);
    }
    return 1;
}

struct RunResult {
    int entries;
    int cancelled;
    int windowLeft;
    std::string out;
};

RunResult RunPass(TerminalTest *test, const std::string &input, int signalAt, int number) {
    test->SetInput(input);
    ModelReset();
    Wizard.CancelRequested = 0;
    PassEntries = 5;
    SignalAt = signalAt;
    SignalNumber = number;
    EntriesDone = 0;
    int error = 0;
    WindowHandle window = CreateProgressWindow(PassProc, &error);
    EXPECT_NE(window, nullptr);
    Wizard.ProgressWindow = window;
    ShowProgressWindow(window, WizardTitle);
    RunMessageLoop();
    RunResult result{EntriesDone, Wizard.CancelRequested, WindowExists(window), test->Output()};
    DestroyWindowHandle(window);
    return result;
}

TEST_F(TerminalTest, CtrlCAnsweredNoLetsThePassFinish) {
    // The last line is the Enter that presses Finish.
    RunResult r = RunPass(this, "n\n\n", 2, SIGINT);
    EXPECT_EQ(r.entries, 5);
    EXPECT_EQ(r.cancelled, 1);
    EXPECT_EQ(r.windowLeft, 0) << "Finish destroys the window";
    EXPECT_NE(r.out.find("Entry 2.\nAre you sure you want to cancel?"), std::string::npos);
    EXPECT_NE(r.out.find("[Y/n] n\nEntry 3.\n"), std::string::npos);
    EXPECT_NE(r.out.find("Entry 5.\n"), std::string::npos);
}

TEST_F(TerminalTest, CtrlCAnsweredYesStopsThePassAtOnce) {
    RunResult r = RunPass(this, "y\n", 3, SIGINT);
    EXPECT_EQ(r.entries, 3);
    EXPECT_EQ(r.cancelled, 1);
    EXPECT_EQ(r.windowLeft, 0) << "a confirmed Cancel destroys the window at once";
    EXPECT_EQ(r.out.find("Entry 4."), std::string::npos);
}

TEST_F(TerminalTest, HangUpClosesWithoutAQuestion) {
    RunResult r = RunPass(this, "", 2, SIGHUP);
    EXPECT_EQ(r.entries, 2);
    EXPECT_EQ(r.cancelled, 1);
    EXPECT_EQ(r.windowLeft, 1) << "the close box leaves the window to the end of the loop";
    EXPECT_EQ(r.out.find("Are you sure"), std::string::npos);
}

TEST_F(TerminalTest, EndOfPipedInputWaitsForTheRunToFinish) {
    // No answer at all: the pass is not stopped; the close box comes when the wizard waits.
    RunResult r = RunPass(this, "", 0, 0);
    EXPECT_EQ(r.entries, 5);
    EXPECT_EQ(r.cancelled, 1);
    EXPECT_EQ(r.windowLeft, 1);
}

TEST_F(TerminalTest, CtrlCAfterTheRunLeavesAsTheCloseBox) {
    // Cancel is greyed once the pass is over, so the interrupt cannot ask anything.
    SignalAt = 0;
    SetInput("");
    ModelReset();
    Wizard.CancelRequested = 0;
    PassEntries = 0;
    int error = 0;
    WindowHandle window = CreateProgressWindow(PassProc, &error);
    ShowProgressWindow(window, WizardTitle);
    PumpMessages(); // the empty pass: Finish enabled
    raise(SIGINT);
    PumpMessages();
    EXPECT_EQ(Wizard.CancelRequested, 1);
    EXPECT_TRUE(WindowExists(window));
    EXPECT_EQ(Output().find("Are you sure"), std::string::npos);
}

TEST_F(TerminalTest, LineModeShowsTitleDestinationAndEachStatus) {
    RunResult r = RunPass(this, "\n", 0, 0);
    EXPECT_EQ(r.out, "Tarvelle Local File Update Wizard v1.0.5a\n"
                     "Destination Directory: /srv/product\n"
                     "Entry 1.\nEntry 2.\nEntry 3.\nEntry 4.\nEntry 5.\n");
}

// Everything that has reached the terminal's other side so far.
std::string Drained(int master) {
    std::string text;
    char buffer[4096];
    ssize_t got;
    while ((got = read(master, buffer, sizeof buffer)) > 0)
        text.append(buffer, static_cast<size_t>(got));
    return text;
}

TEST_F(TerminalTest, DrawsInPlaceAndOnlyWhenSomethingChanged) {
    int master = -1, slave = -1;
    ASSERT_EQ(openpty(&master, &slave, nullptr, nullptr, nullptr), 0);
    fcntl(master, F_SETFL, fcntl(master, F_GETFL) | O_NONBLOCK);
    fflush(stdout);
    dup2(slave, STDOUT_FILENO);
    close(slave);
    const char *term = getenv("TERM");
    std::string savedTerm = term != nullptr ? term : "";
    setenv("TERM", "xterm", 1);
    setenv("NO_COLOR", "1", 1);
    SetInput("");
    PassEntries = 0;
    SignalAt = 0;
    int error = 0;
    WindowHandle window = CreateProgressWindow(PassProc, &error);
    ASSERT_NE(window, nullptr);
    Wizard.ProgressWindow = window;
    ShowProgressWindow(window, WizardTitle);
    std::string first = Drained(master);
    EXPECT_NE(first.find("Tarvelle Local File Update Wizard v1.0.5a"), std::string::npos);
    EXPECT_NE(first.find("[ Cancel ]"), std::string::npos);
    EXPECT_EQ(first.find("\x1b[1m"), std::string::npos) << "NO_COLOR is respected";

    PumpMessages(); // the empty pass: Finish enabled, so the window is drawn again
    std::string second = Drained(master);
    EXPECT_EQ(second.rfind("\r\x1b[", 0), 0u) << "redrawn over the old drawing";
    EXPECT_NE(second.find("[ Finish ]"), std::string::npos);

    PumpMessages();
    PumpMessages();
    EXPECT_EQ(Drained(master), "") << "nothing changed, nothing drawn";

    SetStatus("Two.");
    PumpMessages();
    std::string third = Drained(master);
    EXPECT_NE(third.find("  Two."), std::string::npos);
    EXPECT_EQ(third.find("Tarvelle User"), std::string::npos);

    fflush(stdout);
    dup2(savedOut, STDOUT_FILENO);
    close(master);
    unsetenv("NO_COLOR");
    if (term != nullptr)
        setenv("TERM", savedTerm.c_str(), 1);
    else
        unsetenv("TERM");
    DestroyWindowHandle(window);
}

} // namespace
