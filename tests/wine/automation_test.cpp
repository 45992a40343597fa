// The real update-wizard.exe, started as a user would and driven only from
// outside through its windows: the agreement, the progress window's layout and
// states, Cancel, Finish and the close box, /DIR=, show modes and exit codes.
#include "driver.h"

#include <commctrl.h>

#include <gtest/gtest.h>

#include <string.h>

#include <functional>
#include <string>
#include <vector>

static const char CancelQuestionText[] =
    "Are you sure you want to cancel?  Doing so will leave this update incomplete and may "
    "result in product instability.  If this occurs, you will need to re-install the product.";
static const char NoPointerFileText[] = "Configuration file (.WIZ) could not be located. Aborting.";

enum {
    CANCEL_BUTTON = 1025,
    FINISH_BUTTON = 1026,
    STATUS_TEXT = 1031,
    PROGRESS_BAR = 1010,
    RESOURCES_LABEL = 1035,
    DESTINATION_TEXT = 1032,
    AGREEMENT_TEXT = 1020,
    NO_ID = 0xFFFF
};

class WineDisplay : public ::testing::Environment {
  public:
    void SetUp() override { PrepareWineDisplay(); }
};

static ::testing::Environment *const Display = ::testing::AddGlobalTestEnvironment(new WineDisplay);

class WizardUi : public ::testing::Test {
  protected:
    void SetUp() override {
        dir = MakeTempDirectory();
        ASSERT_FALSE(dir.empty());
    }
    void TearDown() override {
        EndWizard(&run);
        RemoveDirectoryTree(dir);
    }

    DWORD Pid() const { return run.info.dwProcessId; }

    // Starts the wizard and accepts the agreement: the visible progress window.
    HWND StartAndAccept(const std::string &tail = std::string(), int showMode = -1) {
        if (!StartWizard(&run, dir, tail, showMode))
            return nullptr;
        HWND agreement = WaitForAgreement(Pid());
        if (agreement == nullptr)
            return nullptr;
        Press(GetDlgItem(agreement, IDOK));
        return WaitForProgressWindow(Pid());
    }

    // The exit code once the program has ended; fails the test if it does not.
    long ExitCode() {
        long code = WaitForExit(&run);
        EXPECT_NE(code, -1) << "the program did not end";
        return code;
    }

    std::string dir;
    WizardRun run = {};
};

static bool WaitForStatus(HWND progress, const char *text) {
    HWND status = GetDlgItem(progress, STATUS_TEXT);
    return WaitUntil([&] { return TextOf(status) == text; });
}

// Presses Cancel and returns the confirmation box it brings up, or none.
static HWND PressCancel(HWND progress, DWORD pid) {
    Press(GetDlgItem(progress, CANCEL_BUTTON));
    return WaitForBoxWithButton(pid, IDYES);
}

static bool SameDirectory(const std::string &a, const std::string &b) {
    return _stricmp(a.c_str(), b.c_str()) == 0;
}

// One control of a dialog template, as the program's resources describe it.
enum Look { PLAIN, BORDERED, PICTURE };

struct ControlSpec {
    const char *className;
    int id;
    const char *text; // nullptr: not compared
    int x, y, width, height;
    LONG styles; // every one of these must be set
    Look look;
};

static const ControlSpec ProgressControls[] = {
    {"Static", NO_ID, nullptr, 15, 7, 80, 161, SS_BITMAP, PICTURE},
    {"Button", CANCEL_BUTTON, "Cancel", 116, 153, 50, 14, WS_TABSTOP, PLAIN},
    {"Button", FINISH_BUTTON, "Finish", 228, 153, 50, 14, 0, PLAIN},
    {"Static", NO_ID, "Status", 116, 41, 21, 8, 0, PLAIN},
    {"Edit", STATUS_TEXT, nullptr, 116, 52, 162, 26, ES_MULTILINE | ES_READONLY | WS_VSCROLL,
     BORDERED},
    // The bar's own edge replaces the template's border, or a theme draws it.
    {"msctls_progress32", PROGRESS_BAR, nullptr, 116, 92, 162, 14, PBS_SMOOTH, PLAIN},
    {"Static", RESOURCES_LABEL, "Processing Resources", 116, 82, 72, 8, 0, PLAIN},
    {"Static", NO_ID, "Destination Directory", 116, 8, 66, 8, 0, PLAIN},
    {"Edit", DESTINATION_TEXT, nullptr, 116, 19, 162, 14, ES_AUTOHSCROLL | ES_READONLY, BORDERED},
};

static const ControlSpec AgreementControls[] = {
    {"Button", IDOK, "Accept", 237, 168, 50, 14, BS_DEFPUSHBUTTON | WS_TABSTOP, PLAIN},
    {"Button", IDCANCEL, "Cancel", 7, 168, 50, 14, WS_TABSTOP, PLAIN},
    {"Edit", AGREEMENT_TEXT, nullptr, 7, 7, 280, 153,
     ES_MULTILINE | ES_READONLY | ES_AUTOVSCROLL | WS_VSCROLL | WS_TABSTOP, BORDERED},
};

static bool Near(LONG actual, LONG expected) {
    return actual >= expected - 1 && actual <= expected + 1;
}

// Checks the dialog's controls in template order: class, id, text, styles and
// the rectangle in dialog units (within a pixel of rounding).
static void CheckControls(HWND dialog, const ControlSpec *specs, size_t count) {
    HWND child = GetWindow(dialog, GW_CHILD);
    for (size_t i = 0; i < count; ++i, child = GetWindow(child, GW_HWNDNEXT)) {
        const ControlSpec &expected = specs[i];
        SCOPED_TRACE(testing::Message()
                     << "control " << i << " (" << expected.className << " " << expected.id << ")");
        ASSERT_NE(child, nullptr);
        EXPECT_STRCASEEQ(ClassOf(child).c_str(), expected.className);
        EXPECT_EQ(GetDlgCtrlID(child) & 0xFFFF, expected.id);
        if (expected.text != nullptr) {
            EXPECT_EQ(TextOf(child), expected.text);
        }
        LONG style = GetWindowLongA(child, GWL_STYLE);
        EXPECT_EQ(style & expected.styles, expected.styles) << std::hex << style;
        if (expected.look == BORDERED) {
            // Dialogs turn a control's plain border into a sunken or static edge.
            LONG extended = GetWindowLongA(child, GWL_EXSTYLE);
            EXPECT_TRUE((style & WS_BORDER) || (extended & (WS_EX_CLIENTEDGE | WS_EX_STATICEDGE)))
                << std::hex << style << " " << extended;
        }
        RECT want = DialogUnitsToPixels(expected.x, expected.y, expected.width, expected.height);
        RECT got = RectInDialog(dialog, child);
        EXPECT_TRUE(Near(got.left, want.left)) << got.left << " vs " << want.left;
        EXPECT_TRUE(Near(got.top, want.top)) << got.top << " vs " << want.top;
        if (expected.look == PICTURE) {
            // The picture is shown at its own size, whatever the field's.
            EXPECT_EQ(got.right - got.left, 120);
            EXPECT_EQ(got.bottom - got.top, 258);
        } else {
            EXPECT_TRUE(Near(got.right, want.right)) << got.right << " vs " << want.right;
            EXPECT_TRUE(Near(got.bottom, want.bottom)) << got.bottom << " vs " << want.bottom;
        }
    }
    EXPECT_EQ(child, nullptr) << "more controls than the template has";
}

static void CheckClientSize(HWND dialog, int width, int height) {
    RECT want = DialogUnitsToPixels(0, 0, width, height);
    RECT client;
    GetClientRect(dialog, &client);
    EXPECT_TRUE(Near(client.right, want.right)) << client.right << " vs " << want.right;
    EXPECT_TRUE(Near(client.bottom, want.bottom)) << client.bottom << " vs " << want.bottom;
}

// The rule of the program: each half taken on its own, then subtracted.
static void CheckCentred(HWND window) {
    RECT screen, rect;
    GetWindowRect(GetDesktopWindow(), &screen);
    GetWindowRect(window, &rect);
    EXPECT_EQ(rect.left, ((screen.right - screen.left) >> 1) - ((rect.right - rect.left) >> 1));
    EXPECT_EQ(rect.top, ((screen.bottom - screen.top) >> 1) - ((rect.bottom - rect.top) >> 1));
}

static void CheckFrame(HWND window) {
    LONG style = GetWindowLongA(window, GWL_STYLE);
    EXPECT_EQ(style & (WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME),
              WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME);
    EXPECT_EQ(style & (WS_MINIMIZEBOX | WS_MAXIMIZEBOX), 0);
}

// ---- The agreement

TEST_F(WizardUi, AgreementShowsItsTextLaidOutAsTheTemplateSays) {
    ASSERT_TRUE(StartWizard(&run, dir, ""));
    HWND agreement = WaitForAgreement(Pid());
    ASSERT_NE(agreement, nullptr);
    CheckFrame(agreement);
    CheckControls(agreement, AgreementControls,
                  sizeof AgreementControls / sizeof *AgreementControls);
    CheckClientSize(agreement, 294, 189);
    CheckCentred(agreement);

    // Accept is the default button and holds the focus.
    LRESULT def = AskWindow(agreement, DM_GETDEFID);
    EXPECT_EQ(HIWORD(def), DC_HASDEFID);
    EXPECT_EQ(LOWORD(def), IDOK);
    EXPECT_EQ(FocusOf(agreement), GetDlgItem(agreement, IDOK));

    // Two texts of several paragraphs, the second after an empty line, CR LF throughout.
    HWND field = GetDlgItem(agreement, AGREEMENT_TEXT);
    std::string text = TextOf(field);
    EXPECT_GT(text.size(), 800u);
    EXPECT_EQ(text.rfind("TERMS OF USE OF THIS UPDATE\r\n\r\n", 0), 0u);
    EXPECT_NE(text.find(".\r\n\r\nLIMITATION OF LIABILITY\r\n\r\n"), std::string::npos);
    for (size_t at = text.find('\n'); at != std::string::npos; at = text.find('\n', at + 1))
        ASSERT_TRUE(at > 0 && text[at - 1] == '\r') << "bare line feed at " << at;

    // Read-only: typing changes nothing.
    PostMessageA(field, WM_CHAR, 'x', 1);
    Sleep(200);
    EXPECT_EQ(TextOf(field), text);

    Press(GetDlgItem(agreement, IDCANCEL));
    EXPECT_EQ(ExitCode(), 0);
}

struct DeclineCase {
    const char *name;
    std::function<void(HWND agreement)> act;
};

class Decline : public WizardUi, public ::testing::WithParamInterface<DeclineCase> {};

TEST_P(Decline, EndsTheProgramWithZeroAndNothingElse) {
    ASSERT_TRUE(StartWizard(&run, dir, ""));
    HWND agreement = WaitForAgreement(Pid());
    ASSERT_NE(agreement, nullptr);
    GetParam().act(agreement);
    bool sawOther = false;
    bool ended = WaitUntil([&] {
        sawOther =
            sawOther || FindProgressWindow(Pid()) != nullptr || FindMessageBox(Pid()) != nullptr;
        return WaitForSingleObject(run.info.hProcess, 0) == WAIT_OBJECT_0;
    });
    ASSERT_TRUE(ended);
    EXPECT_FALSE(sawOther);
    EXPECT_EQ(ExitCode(), 0);
}

INSTANTIATE_TEST_SUITE_P(
    Agreement, Decline,
    ::testing::Values(DeclineCase{"CancelButton", [](HWND a) { Press(GetDlgItem(a, IDCANCEL)); }},
                      DeclineCase{"EscapeKey", [](HWND a) { PostKey(FocusOf(a), VK_ESCAPE); }},
                      DeclineCase{"CloseBox",
                                  [](HWND a) { PostMessageA(a, WM_SYSCOMMAND, SC_CLOSE, 0); }}),
    [](const ::testing::TestParamInfo<DeclineCase> &info) { return std::string(info.param.name); });

struct AcceptCase {
    const char *name;
    std::function<void(HWND agreement)> act;
};

class Accept : public WizardUi, public ::testing::WithParamInterface<AcceptCase> {};

TEST_P(Accept, OpensTheProgressWindow) {
    MakeValidUpdate(dir);
    ASSERT_TRUE(StartWizard(&run, dir, ""));
    HWND agreement = WaitForAgreement(Pid());
    ASSERT_NE(agreement, nullptr);
    GetParam().act(agreement);
    HWND progress = WaitForProgressWindow(Pid());
    ASSERT_NE(progress, nullptr);
    EXPECT_FALSE(IsWindow(agreement));
    EXPECT_TRUE(WaitForStatus(progress, "All done."));
}

INSTANTIATE_TEST_SUITE_P(
    Agreement, Accept,
    ::testing::Values(AcceptCase{"AcceptButton", [](HWND a) { Press(GetDlgItem(a, IDOK)); }},
                      // Right after opening, the focus is on Accept.
                      AcceptCase{"EnterKey", [](HWND a) { PostKey(FocusOf(a), VK_RETURN); }}),
    [](const ::testing::TestParamInfo<AcceptCase> &info) { return std::string(info.param.name); });

// ---- The progress window over a complete run

TEST_F(WizardUi, ProgressWindowIsLaidOutAsTheTemplateSays) {
    MakeValidUpdate(dir);
    HWND progress = StartAndAccept();
    ASSERT_NE(progress, nullptr);
    ASSERT_TRUE(WaitForStatus(progress, "All done."));
    char title[128];
    GetWindowTextA(progress, title, sizeof title);
    EXPECT_STREQ(title, WizardTitleText);
    CheckFrame(progress);
    CheckControls(progress, ProgressControls, sizeof ProgressControls / sizeof *ProgressControls);
    CheckClientSize(progress, 293, 175);
    CheckCentred(progress);
    HWND destination = GetDlgItem(progress, DESTINATION_TEXT);
    EXPECT_TRUE(SameDirectory(TextOf(destination), dir));
    // One line that scrolls sideways; the status wraps instead.
    EXPECT_EQ(GetWindowLongA(destination, GWL_STYLE) & ES_MULTILINE, 0);
    EXPECT_EQ(GetWindowLongA(GetDlgItem(progress, STATUS_TEXT), GWL_STYLE) & ES_AUTOHSCROLL, 0);
}

TEST_F(WizardUi, CompleteRunWaitsForFinish) {
    MakeValidUpdate(dir);
    HWND progress = StartAndAccept();
    ASSERT_NE(progress, nullptr);
    ASSERT_TRUE(WaitForStatus(progress, "All done."));
    HWND cancel = GetDlgItem(progress, CANCEL_BUTTON);
    HWND finish = GetDlgItem(progress, FINISH_BUTTON);
    HWND bar = GetDlgItem(progress, PROGRESS_BAR);
    ASSERT_TRUE(WaitUntil([&] { return IsWindowEnabled(finish) != 0; }));
    EXPECT_FALSE(IsWindowEnabled(cancel));
    EXPECT_TRUE(IsWindowEnabled(GetDlgItem(progress, RESOURCES_LABEL)));
    EXPECT_TRUE(IsWindowEnabled(bar));
    EXPECT_EQ(AskWindow(bar, PBM_GETRANGE, TRUE), 0);
    EXPECT_EQ(AskWindow(bar, PBM_GETRANGE, FALSE), 100);
    EXPECT_EQ(AskWindow(bar, PBM_GETPOS), 100);

    // The window stays until the user ends the run.
    Sleep(300);
    EXPECT_TRUE(IsWindowVisible(progress));
    EXPECT_EQ(WaitForExit(&run, 0), -1);

    Press(finish);
    EXPECT_EQ(ExitCode(), 0);
}

TEST_F(WizardUi, CloseBoxAfterTheRunEndsItWithoutAQuestion) {
    MakeValidUpdate(dir);
    HWND progress = StartAndAccept();
    ASSERT_NE(progress, nullptr);
    ASSERT_TRUE(WaitForStatus(progress, "All done."));
    PostMessageA(progress, WM_SYSCOMMAND, SC_CLOSE, 0);
    bool asked = false;
    WaitUntil([&] {
        asked = asked || FindMessageBox(Pid()) != nullptr;
        return WaitForSingleObject(run.info.hProcess, 0) == WAIT_OBJECT_0;
    });
    EXPECT_FALSE(asked);
    EXPECT_EQ(ExitCode(), 0);
}

TEST_F(WizardUi, EnterAndEscapeDoNothingInTheProgressWindow) {
    MakeValidUpdate(dir);
    HWND progress = StartAndAccept();
    ASSERT_NE(progress, nullptr);
    ASSERT_TRUE(WaitForStatus(progress, "All done."));
    HWND finish = GetDlgItem(progress, FINISH_BUTTON);
    ASSERT_TRUE(WaitUntil([&] { return IsWindowEnabled(finish) != 0; }));
    // With dialog keyboard handling these would be Finish and the cancel question.
    HWND focus = FocusOf(progress);
    HWND target = focus != nullptr ? focus : progress;
    PostKey(target, VK_RETURN);
    PostKey(target, VK_ESCAPE);
    PostKey(progress, VK_RETURN);
    PostKey(progress, VK_ESCAPE);
    Sleep(1000);
    EXPECT_TRUE(IsWindow(progress));
    EXPECT_EQ(FindMessageBox(Pid()), nullptr);
    EXPECT_EQ(WaitForExit(&run, 0), -1);
    Press(finish);
    EXPECT_EQ(ExitCode(), 0);
}

// ---- A failed planning pass: its warning box keeps the window serviced

TEST_F(WizardUi, FailedPlanningShowsInitialStatesAndClosesByItself) {
    HWND progress = StartAndAccept(); // an empty directory: no pointer file
    ASSERT_NE(progress, nullptr);
    HWND box = WaitForMessageBox(Pid());
    ASSERT_NE(box, nullptr) << "no warning about the missing pointer file";
    EXPECT_EQ(MessageBoxText(box), NoPointerFileText);

    // The states of a window whose run has not got past planning.
    EXPECT_TRUE(IsWindowVisible(progress));
    EXPECT_TRUE(IsWindowEnabled(progress)); // the box has no owner
    EXPECT_TRUE(IsWindowEnabled(GetDlgItem(progress, CANCEL_BUTTON)));
    EXPECT_FALSE(IsWindowEnabled(GetDlgItem(progress, FINISH_BUTTON)));
    EXPECT_FALSE(IsWindowEnabled(GetDlgItem(progress, RESOURCES_LABEL)));
    EXPECT_FALSE(IsWindowEnabled(GetDlgItem(progress, PROGRESS_BAR)));
    EXPECT_EQ(AskWindow(GetDlgItem(progress, PROGRESS_BAR), PBM_GETPOS), 0);
    EXPECT_TRUE(SameDirectory(TextOf(GetDlgItem(progress, DESTINATION_TEXT)), dir));

    // Dismissed, the window closes although Finish is disabled.
    ASSERT_TRUE(PressBoxButton(box, IDOK));
    EXPECT_EQ(ExitCode(), 0);
}

TEST_F(WizardUi, CancelAnsweredNoChangesNothing) {
    HWND progress = StartAndAccept();
    ASSERT_NE(progress, nullptr);
    HWND warning = WaitForMessageBox(Pid());
    ASSERT_NE(warning, nullptr);
    HWND question = PressCancel(progress, Pid());
    ASSERT_NE(question, nullptr);
    EXPECT_EQ(MessageBoxText(question), CancelQuestionText);
    EXPECT_NE(GetDlgItem(question, IDNO), nullptr);
    ASSERT_TRUE(PressBoxButton(question, IDNO));
    ASSERT_TRUE(WaitUntil([&] { return !IsWindow(question); }));

    Sleep(300);
    EXPECT_TRUE(IsWindowVisible(progress));
    EXPECT_TRUE(IsWindowEnabled(GetDlgItem(progress, CANCEL_BUTTON)));
    EXPECT_FALSE(IsWindowEnabled(GetDlgItem(progress, FINISH_BUTTON)));
    EXPECT_TRUE(IsWindow(warning));

    ASSERT_TRUE(PressBoxButton(warning, IDOK));
    EXPECT_EQ(ExitCode(), 0);
}

TEST_F(WizardUi, CancelAnsweredYesRemovesTheWindowAtOnce) {
    HWND progress = StartAndAccept();
    ASSERT_NE(progress, nullptr);
    HWND warning = WaitForMessageBox(Pid());
    ASSERT_NE(warning, nullptr);
    HWND question = PressCancel(progress, Pid());
    ASSERT_NE(question, nullptr);
    ASSERT_TRUE(PressBoxButton(question, IDYES));

    // Gone while the pass still waits on its warning.
    EXPECT_TRUE(WaitUntil([&] { return !IsWindow(progress); }));
    EXPECT_TRUE(IsWindow(warning));
    EXPECT_EQ(WaitForExit(&run, 0), -1);

    ASSERT_TRUE(PressBoxButton(warning, IDOK));
    EXPECT_EQ(ExitCode(), 0);
}

TEST_F(WizardUi, CloseBoxDuringAPassAsksNothingAndWaitsForThePass) {
    HWND progress = StartAndAccept();
    ASSERT_NE(progress, nullptr);
    HWND warning = WaitForMessageBox(Pid());
    ASSERT_NE(warning, nullptr);
    PostMessageA(progress, WM_SYSCOMMAND, SC_CLOSE, 0);
    Sleep(500);
    EXPECT_EQ(FindBoxWithButton(Pid(), IDYES), nullptr);
    EXPECT_TRUE(IsWindowVisible(progress));

    ASSERT_TRUE(PressBoxButton(warning, IDOK));
    EXPECT_EQ(ExitCode(), 0);
}

// ---- Inside the execution pass: a file that cannot be expanded stops it at a warning

// The update copies one compressed file whose expansion cannot open its
// temporary file (the first expansion of a run uses WIZ29.TMP, here a folder),
// so the file pass shows warnings while the window is serviced.
static void MakeUpdateWithFailingCopy(const std::string &dir) {
    MakeValidUpdate(dir);
    WriteTextFile(dir + "\\update.txt", "[HEADER]\r\nDST=data.res\r\n[PRECHECK]\r\n"
                                        "RESEXE=utility.exe\r\n[COPY]\r\nCOPY=packed.bin\r\n");
    static const char packed[] = "SZDD\x88\xf0\x27\x33"
                                 "A"
                                 "\x00\x04\x00\x00\x00"
                                 "abcd";
    FILE *file = fopen((dir + "\\packed.bin").c_str(), "wb");
    ASSERT_NE(file, nullptr);
    fwrite(packed, 1, sizeof packed - 1, file);
    fclose(file);
    ASSERT_TRUE(CreateDirectoryA((dir + "\\WIZ29.TMP").c_str(), nullptr));
}

// Presses OK on every warning of the wizard until done() holds.
static bool DismissWarningsUntil(DWORD pid, const std::function<bool()> &done) {
    return WaitUntil([&] {
        HWND box = FindMessageBox(pid);
        if (box != nullptr && GetDlgItem(box, IDYES) == nullptr)
            PressBoxButton(box, IDOK);
        return done();
    });
}

class ExecutionPhase : public WizardUi {
  protected:
    // The progress window, with the file pass waiting on its first warning.
    HWND StartAndReachWarning() {
        MakeUpdateWithFailingCopy(dir);
        HWND progress = StartAndAccept();
        if (progress == nullptr || WaitForMessageBox(Pid()) == nullptr)
            return nullptr;
        return progress;
    }
    bool Ended() { return WaitForSingleObject(run.info.hProcess, 0) == WAIT_OBJECT_0; }
};

TEST_F(ExecutionPhase, CancelAnsweredNoLetsTheRunComplete) {
    HWND progress = StartAndReachWarning();
    ASSERT_NE(progress, nullptr);
    EXPECT_EQ(TextOf(GetDlgItem(progress, STATUS_TEXT)), "Decompressing file 1 of 1.");
    HWND question = PressCancel(progress, Pid());
    ASSERT_NE(question, nullptr);
    ASSERT_TRUE(PressBoxButton(question, IDNO));
    HWND status = GetDlgItem(progress, STATUS_TEXT);
    EXPECT_TRUE(DismissWarningsUntil(Pid(), [&] { return TextOf(status) == "All done."; }));
    EXPECT_TRUE(IsWindowEnabled(GetDlgItem(progress, FINISH_BUTTON)));
    Press(GetDlgItem(progress, FINISH_BUTTON));
    EXPECT_EQ(ExitCode(), 0);
}

TEST_F(ExecutionPhase, CancelAnsweredYesRemovesTheWindowBeforeThePassStops) {
    HWND progress = StartAndReachWarning();
    ASSERT_NE(progress, nullptr);
    HWND question = PressCancel(progress, Pid());
    ASSERT_NE(question, nullptr);
    ASSERT_TRUE(PressBoxButton(question, IDYES));
    EXPECT_TRUE(WaitUntil([&] { return !IsWindow(progress); }));
    EXPECT_FALSE(Ended()); // the pass still waits on its warning
    EXPECT_TRUE(DismissWarningsUntil(Pid(), [&] { return Ended(); }));
    EXPECT_EQ(ExitCode(), 0);
}

TEST_F(ExecutionPhase, CloseBoxStopsThePassWithoutAQuestion) {
    HWND progress = StartAndReachWarning();
    ASSERT_NE(progress, nullptr);
    PostMessageA(progress, WM_SYSCOMMAND, SC_CLOSE, 0);
    Sleep(500);
    EXPECT_EQ(FindBoxWithButton(Pid(), IDYES), nullptr);
    EXPECT_TRUE(IsWindowVisible(progress));
    EXPECT_TRUE(DismissWarningsUntil(Pid(), [&] { return Ended(); }));
    EXPECT_EQ(ExitCode(), 0);
}

// ---- /DIR=

struct DirCase {
    const char *name;
    const char *tail;    // "%T" stands for the target directory
    const char *warning; // the expected warning, "%T" likewise; nullptr: none
    bool entersTarget;   // DestinationText shows the target, not the start directory
};

static std::string Fill(const char *pattern, const std::string &target) {
    std::string result;
    for (const char *c = pattern; *c != '\0'; ++c) {
        if (c[0] == '%' && c[1] == 'T') {
            result += target;
            ++c;
        } else {
            result += *c;
        }
    }
    return result;
}

class DirOption : public WizardUi, public ::testing::WithParamInterface<DirCase> {};

TEST_P(DirOption, EntersTheDirectoryOrWarnsAndStaysWhereItStarted) {
    const DirCase &param = GetParam();
    std::string target = dir + "\\target";
    ASSERT_TRUE(CreateDirectoryA(target.c_str(), nullptr));
    MakeValidUpdate(target);
    MakeValidUpdate(dir);
    ASSERT_TRUE(StartWizard(&run, dir, Fill(param.tail, target)));

    HWND first = nullptr;
    ASSERT_TRUE(WaitUntil([&] {
        first = FindMessageBox(Pid());
        return first != nullptr || FindAgreement(Pid()) != nullptr;
    }));
    if (param.warning == nullptr) {
        EXPECT_EQ(first, nullptr) << MessageBoxText(first);
    } else {
        ASSERT_NE(first, nullptr);
        EXPECT_EQ(MessageBoxText(first), Fill(param.warning, target));
        PressBoxButton(first, IDOK);
    }
    HWND agreement = WaitForAgreement(Pid());
    ASSERT_NE(agreement, nullptr);
    Press(GetDlgItem(agreement, IDOK));
    HWND progress = WaitForProgressWindow(Pid());
    ASSERT_NE(progress, nullptr);
    std::string shown = TextOf(GetDlgItem(progress, DESTINATION_TEXT));
    EXPECT_TRUE(SameDirectory(shown, param.entersTarget ? target : dir)) << shown;
    EXPECT_TRUE(WaitForStatus(progress, "All done."));
}

INSTANTIATE_TEST_SUITE_P(
    Wizard, DirOption,
    ::testing::Values(DirCase{"ExistingDirectory", "/DIR=%T", nullptr, true},
                      DirCase{"AnywhereInTheLine", "-x/DIR=%T", nullptr, true},
                      DirCase{"QuotesAreKept", "/DIR=\"%T\"",
                              "Could not set current directory to (\"%T\").", false},
                      DirCase{"EmptyAtTheEnd", "/DIR=", "Could not set current directory to ().",
                              false},
                      DirCase{"LowerCaseIsNoOption", "/dir=%T", nullptr, false},
                      DirCase{"FurtherOptionBelongsToIt", "/DIR=%T /Q",
                              "Could not set current directory to (%T /Q).", false}),
    [](const ::testing::TestParamInfo<DirCase> &info) { return std::string(info.param.name); });

TEST_F(WizardUi, OverlongDirectoryWarningStaysAWholeSentence) {
    std::string tail = "/DIR=" + std::string(300, 'd');
    ASSERT_TRUE(StartWizard(&run, dir, tail));
    HWND box = WaitForMessageBox(Pid());
    ASSERT_NE(box, nullptr);
    std::string text = MessageBoxText(box);
    EXPECT_LT(text.size(), 256u);
    EXPECT_EQ(text.rfind("Could not set current directory to (ddd", 0), 0u) << text;
    EXPECT_EQ(text.substr(text.size() - 5), "...).") << text;
    PressBoxButton(box, IDOK);
    EXPECT_NE(WaitForAgreement(Pid()), nullptr);
}

// ---- Show modes

struct ShowCase {
    const char *name;
    int mode;
};

class ShowMode : public WizardUi, public ::testing::WithParamInterface<ShowCase> {};

TEST_P(ShowMode, IsIgnoredAndTheWindowsShowNormally) {
    MakeValidUpdate(dir);
    ASSERT_TRUE(StartWizard(&run, dir, "", GetParam().mode));
    HWND agreement = WaitForAgreement(Pid());
    ASSERT_NE(agreement, nullptr);
    EXPECT_FALSE(IsIconic(agreement));
    Press(GetDlgItem(agreement, IDOK));
    HWND progress = WaitForProgressWindow(Pid());
    ASSERT_NE(progress, nullptr);
    EXPECT_TRUE(IsWindowVisible(progress));
    EXPECT_FALSE(IsIconic(progress));
    CheckCentred(progress);
}

INSTANTIATE_TEST_SUITE_P(Wizard, ShowMode,
                         ::testing::Values(ShowCase{"Minimised", SW_MINIMIZE},
                                           ShowCase{"Hidden", SW_HIDE},
                                           ShowCase{"MinimisedInactive", SW_SHOWMINNOACTIVE}),
                         [](const ::testing::TestParamInfo<ShowCase> &info) {
                             return std::string(info.param.name);
                         });
