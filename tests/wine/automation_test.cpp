// The real update-wizard.exe, driven through its windows as a user would: the agreement,
// a failed planning, Cancel, the close box and the quit message in a pass, Finish. The Example
// cases run from tests/example/wine_e2e.sh, the Show case for scripts/screenshots; BRAND_* name
// a vendor's build and its texts (release/release_test.sh runs the Agreement cases on one).
#include "state/version.h"
#include "support.h"
#include "ui/resource.h"

#include <windows.h>

#include <commctrl.h>

#include <functional>

static const auto Brand = [](const char *n, std::string o) { return getenv(n) ? getenv(n) : o; };
static const std::string Title = Brand("BRAND_NAME", WIZARD_PRODUCT) + " v" WIZARD_VERSION;
static const char *const WindowTitle = Title.c_str();
extern const char AgreementTextFirst[], AgreementTextSecond[]; // ui/agreement.cpp, as built
enum { BOX_TEXT = 0xFFFF };                                    // the message of a message box

// Polls every 20 ms until done() holds or ms have passed.
static bool WaitUntil(const std::function<bool()> &done, DWORD ms = 10000) {
    for (DWORD start = GetTickCount(); !done(); Sleep(20))
        if (GetTickCount() - start >= ms)
            return false;
    return true;
}

// The exit code once the program has ended within ms, else -1.
static long ExitCode(const PROCESS_INFORMATION &run, DWORD ms = 10000) {
    DWORD code = 0;
    bool ended = WaitForSingleObject(run.hProcess, ms) == WAIT_OBJECT_0;
    return ended && GetExitCodeProcess(run.hProcess, &code) ? static_cast<long>(code) : -1;
}

// A visible dialog of the process with that caption that has the control id,
// or for a negative id, lacks the control -id.
static HWND FindDialog(DWORD pid, const char *title, int id) {
    for (HWND w = nullptr; (w = FindWindowExA(nullptr, w, "#32770", title)) != nullptr;) {
        DWORD owner = 0;
        GetWindowThreadProcessId(w, &owner);
        if (owner == pid && IsWindowVisible(w) && (GetDlgItem(w, abs(id)) != nullptr) == (id > 0))
            return w;
    }
    return nullptr;
}

// The text of a window of the other process, asked with a bounded wait.
static std::string TextOf(HWND window) {
    char text[4096];
    DWORD_PTR length = 0;
    if (!SendMessageTimeoutA(window, WM_GETTEXT, sizeof text, reinterpret_cast<LPARAM>(text),
                             SMTO_ABORTIFHUNG, 5000, &length))
        return "<no answer>";
    return std::string(text, length);
}

// Posted, not sent: a click may open a modal box, and the test must go on.
static void Press(HWND dialog, int id) {
    PostMessageA(GetDlgItem(dialog, id), BM_CLICK, 0, 0);
}
static void CloseBox(HWND window) {
    PostMessageA(window, WM_SYSCOMMAND, SC_CLOSE, 0);
}

// A key to the control that has the focus, as the keyboard gives it.
static void PostKey(HWND dialog, WPARAM key) {
    GUITHREADINFO info = {};
    info.cbSize = sizeof info;
    GetGUIThreadInfo(GetWindowThreadProcessId(dialog, nullptr), &info);
    PostMessageA(info.hwndFocus, WM_KEYDOWN, key, 1);
}

// The resource utility (the test child) logs each call and hands out nothing; the
// EXE lines given run in reverse order.
static void MakeUpdate(const std::vector<std::string> &programs = {}) {
    std::vector<std::string> script = {"[HEADER]", "DST=data.res", "[PRECHECK]", "RESEXE=child.exe",
                                       "[EXECUTE]"};
    for (const std::string &program : programs)
        script.push_back("EXE=child.exe " + program);
    WriteFile("update.wiz", Lines({"[HEADER]", "CMD=update.txt"}));
    WriteFile("update.txt", Lines(script));
    WriteFile("data.res", "archive");
    fs::copy_file(ChildPath(), "child.exe");
    SetEnv("WIZARD_TEST_MODE", "empty");
    SetEnv("WIZARD_TEST_LOG", "calls.log");
}

class Wizard : public ScratchTest {
  protected:
    void SetUp() override {
        ScratchTest::SetUp();
        // Without a window manager, Wine lets every closing window wait two
        // seconds for one unless it places the windows itself.
        RegSetKeyValueA(HKEY_CURRENT_USER, "Software\\Wine\\X11 Driver", "Managed", REG_SZ, "N", 2);
    }
    void TearDown() override {
        if (run.hProcess != nullptr && TerminateProcess(run.hProcess, 99))
            WaitForSingleObject(run.hProcess, 10000);
        CloseHandle(run.hThread);
        CloseHandle(run.hProcess);
        ScratchTest::TearDown();
    }
    // The agreement, or with accept the progress window after it, of a wizard run in where.
    HWND Start(bool accept = true, fs::path where = fs::path()) {
        std::string exe = "Z:" + Brand("BRAND_EXE", WIZARD_EXE_PATH);
        std::replace(exe.begin(), exe.end(), '/', '\\');
        std::string line = "\"" + exe + "\"";
        STARTUPINFOA startup = {};
        startup.cb = sizeof startup;
        if (!CreateProcessA(exe.c_str(), &line[0], nullptr, nullptr, FALSE, 0, nullptr,
                            (where.empty() ? dir : where).string().c_str(), &startup, &run))
            return nullptr;
        HWND agreement = Dialog(Brand("BRAND_CAPTION", "Tarvelle User Agreement").c_str(), IDOK);
        if (!accept || agreement == nullptr)
            return agreement;
        Press(agreement, IDOK);
        return Dialog(WindowTitle, IDC_DESTINATION_TEXT);
    }
    HWND Dialog(const char *title, int id) {
        HWND found = nullptr;
        WaitUntil([&] { return (found = FindDialog(run.dwProcessId, title, id)) != nullptr; });
        return found;
    }
    HWND Box(int button) { return Dialog(WindowTitle, button); }
    HWND AnyBox() { return FindDialog(run.dwProcessId, WindowTitle, -IDC_DESTINATION_TEXT); }
    bool Ended() { return ExitCode(run, 0) != -1; }
    bool Finishable(HWND progress, DWORD ms = 10000) {
        return WaitUntil([&] { return IsWindowEnabled(GetDlgItem(progress, IDC_FINISH_BUTTON)); },
                         ms);
    }
    PROCESS_INFORMATION run = {};
};

struct AgreementCase {
    const char *name;
    void (*act)(HWND agreement);
    bool accepts;
};

class Agreement : public Wizard, public ::testing::WithParamInterface<AgreementCase> {};

// The whole agreement shown; declined, nothing runs; accepted by Enter (Accept has the
// focus), the close box ends the finished run; no box and status 0 either way.
TEST_P(Agreement, DeclinesOrRunsToTheEnd) {
    MakeUpdate();
    HWND agreement = Start(false);
    ASSERT_NE(agreement, nullptr);
    EXPECT_EQ(TextOf(GetDlgItem(agreement, IDC_AGREEMENT_TEXT)),
              Brand("BRAND_TEXT", std::string(AgreementTextFirst) + AgreementTextSecond));
    GetParam().act(agreement);
    if (GetParam().accepts) {
        HWND progress = Dialog(WindowTitle, IDC_DESTINATION_TEXT);
        ASSERT_TRUE(Finishable(progress));
        CloseBox(progress);
    }
    bool asked = false;
    WaitUntil([&] { return (asked = asked || AnyBox() != nullptr), Ended(); });
    EXPECT_EQ(ExitCode(run), 0);
    EXPECT_FALSE(asked);
    EXPECT_EQ(Exists("calls.log"), GetParam().accepts) << "whether the utility ran";
}

INSTANTIATE_TEST_SUITE_P(
    Wine, Agreement,
    ::testing::Values(AgreementCase{"CancelButton", [](HWND a) { Press(a, IDCANCEL); }, false},
                      AgreementCase{"EscapeKey", [](HWND a) { PostKey(a, VK_ESCAPE); }, false},
                      AgreementCase{"CloseBox", CloseBox, false},
                      AgreementCase{"EnterKey", [](HWND a) { PostKey(a, VK_RETURN); }, true}),
    [](const ::testing::TestParamInfo<AgreementCase> &info) { return info.param.name; });

// Dismissing the warning of a failed planning closes the window, Finish disabled.
TEST_F(Wizard, FailedPlanningClosesTheWindow) {
    HWND progress = Start();
    HWND box = Box(IDOK);
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(TextOf(GetDlgItem(box, BOX_TEXT)),
              "Configuration file (.WIZ) could not be located. Aborting.");
    EXPECT_TRUE(IsWindowEnabled(GetDlgItem(progress, IDC_CANCEL_BUTTON)));
    EXPECT_FALSE(IsWindowEnabled(GetDlgItem(progress, IDC_FINISH_BUTTON)));
    Press(box, IDOK);
    EXPECT_EQ(ExitCode(run), 0);
}

// The user acts while the first program of the file pass is held (until
// "release1"), so the window takes it at the pump before the second (held until
// "release2"); the third leaves "after.flag".
// quit: a quit message to the wizard's thread first; close: the close box, not Cancel.
struct PassCase {
    const char *name;
    bool quit, close;
    int answer;
    bool completes;
};

class InsideAPass : public Wizard, public ::testing::WithParamInterface<PassCase> {};

TEST_P(InsideAPass, CancelCloseAndQuit) {
    const PassCase &param = GetParam();
    MakeUpdate({"0 --create=after.flag", "wait started2 release2", "wait started1 release1"});
    HWND progress = Start();
    ASSERT_TRUE(WaitUntil([] { return Exists("started1"); }));
    if (param.quit)
        PostThreadMessageA(run.dwThreadId, WM_QUIT, 3, 0);
    param.close ? CloseBox(progress) : Press(progress, IDC_CANCEL_BUTTON);
    WriteFile("release1", "");
    if (param.answer != 0) {
        HWND question = Box(IDYES);
        ASSERT_NE(question, nullptr) << "no cancel question";
        EXPECT_EQ(TextOf(GetDlgItem(question, BOX_TEXT)).rfind("Are you sure you want to", 0), 0u);
        Press(question, param.answer);
    }
    ASSERT_TRUE(WaitUntil([] { return Exists("started2"); }));
    EXPECT_EQ(AnyBox(), nullptr);
    EXPECT_EQ(IsWindow(progress) != 0, param.answer != IDYES) << "Yes removes the window at once";
    EXPECT_FALSE(Ended());
    WriteFile("release2", "");
    if (param.completes && !param.quit) {
        ASSERT_TRUE(Finishable(progress));
        EXPECT_EQ(SendMessageA(GetDlgItem(progress, IDC_PROGRESS_BAR), PBM_GETPOS, 0, 0), 100);
        EXPECT_EQ(TextOf(GetDlgItem(progress, IDC_STATUS_TEXT)), "All done.");
        EXPECT_FALSE(IsWindowEnabled(GetDlgItem(progress, IDC_CANCEL_BUTTON)));
        Press(progress, IDC_FINISH_BUTTON);
    }
    EXPECT_EQ(ExitCode(run), 0);
    EXPECT_EQ(Exists("after.flag"), param.completes);
}

INSTANTIATE_TEST_SUITE_P(Wine, InsideAPass,
                         ::testing::Values(PassCase{"CancelNo", false, false, IDNO, true},
                                           PassCase{"CancelYes", false, false, IDYES, false},
                                           PassCase{"CloseBox", false, true, 0, false},
                                           PassCase{"QuitThenCancelNo", true, false, IDNO, true}),
                         [](const ::testing::TestParamInfo<PassCase> &info) {
                             return info.param.name;
                         });

// The example update in WIZARD_EXAMPLE/whole, made by example/wine_e2e.sh.
using Example = Wizard;

static fs::path ExampleDir(const char *name) {
    return fs::path(getenv("WIZARD_EXAMPLE") ? getenv("WIZARD_EXAMPLE") : "unset") / name;
}

TEST_F(Example, RunsToFinish) {
    HWND progress = Start(true, ExampleDir("whole"));
    ASSERT_NE(progress, nullptr) << "no progress window in " << ExampleDir("whole");
    ASSERT_TRUE(Finishable(progress, 90000)); // four starts of the utility under Wine
    EXPECT_EQ(AnyBox(), nullptr) << "a warning was shown";
    Press(progress, IDC_FINISH_BUTTON);
    EXPECT_EQ(ExitCode(run), 0);
}

// A product in WIZARD_EXAMPLE/stop that the update was not made for, made by
// example/wine_e2e.sh, which checks that nothing changed: the check's warning,
// WIZARD_WARNING word for word, closes the window.
TEST_F(Example, StopsWithItsWarning) {
    const std::string warning = getenv("WIZARD_WARNING") ? getenv("WIZARD_WARNING") : "unset";
    ASSERT_NE(Start(true, ExampleDir("stop")), nullptr);
    HWND box = Box(IDOK);
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(TextOf(GetDlgItem(box, BOX_TEXT)), warning);
    Press(box, IDOK);
    EXPECT_EQ(ExitCode(run), 0);
}

using Show = Wizard;

// For scripts/screenshots: shows the WIZARD_SHOW dialog (agreement or progress,
// finished) for a few seconds, its rectangle "x y width height" in WIZARD_SHOW_RECT.
TEST_F(Show, Dialog) {
    // Copied before the environment changes, which may move it.
    std::string which = getenv("WIZARD_SHOW") ? getenv("WIZARD_SHOW") : "";
    std::string rectFile = getenv("WIZARD_SHOW_RECT") ? getenv("WIZARD_SHOW_RECT") : "";
    MakeUpdate();
    HWND dialog = Start(which == "progress");
    if (which == "progress")
        Finishable(dialog);
    Sleep(700); // painted by then
    RECT r = {};
    ASSERT_TRUE(GetWindowRect(dialog, &r));
    char rect[64];
    snprintf(rect, sizeof rect, "%ld %ld %ld %ld\n", r.left, r.top, r.right - r.left,
             r.bottom - r.top);
    WriteFile(rectFile, rect);
    Sleep(4000);
}
