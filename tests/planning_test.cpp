// The planning pass over the recording backend. The resource utility is a
// logging stand-in (tests/programs/test_utility.cpp) or the sample utility
// restool, run for real in a directory of each test's own.
#include "update/planning.h"

#include "app/startup.h"
#include "app/wizard.h"
#include "script/text_reader.h"
#include "sys/files.h"
#include "sys/process.h"
#include "sys/szdd.h"
#include "ui/model/model.h"
#include "ui/recording/recording.h"
#include "ui/resource.h"
#include "update/work_list.h"

#include <gtest/gtest.h>

#include <stdlib.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <functional>
#include <list>
#include <sstream>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

const char *const Settings[] = {"WIZARD_TEST_LOG", "WIZARD_TEST_CWD",  "WIZARD_TEST_LST",
                                "WIZARD_TEST_DMP", "WIZARD_TEST_HIDE", "WIZARD_TEST_STDOUT",
                                "WIZARD_TEST_EXIT"};

// putenv keeps the pointer on POSIX, so every text given to it stays alive.
// An empty value counts as unset for the test utility on both platforms.
void SetSetting(const std::string &name, const std::string &value) {
    static std::list<std::string> texts;
    texts.push_back(name + "=" + value);
    putenv(&texts.back()[0]);
}

void WriteFile(const std::string &name, const std::string &content) {
    std::ofstream out(name, std::ios::binary | std::ios::trunc);
    out << content;
}

std::string ReadWhole(const std::string &name) {
    std::ifstream in(name, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

// The update files end their lines with CR LF.
std::string Lines(const std::vector<std::string> &lines) {
    std::string text;
    for (const std::string &line : lines)
        text += line + "\r\n";
    return text;
}

std::vector<std::string> LogLines() {
    std::vector<std::string> lines;
    std::istringstream in(ReadWhole("log.txt"));
    std::string line;
    while (std::getline(in, line))
        lines.push_back(line);
    return lines;
}

// The list from its head: "<kind> <name> <time>".
std::vector<std::string> Entries() {
    std::vector<std::string> found;
    for (WorkEntry *e = Wizard.WorkListHead; e != nullptr; e = e->next)
        found.push_back(std::to_string(e->kind) + " " + e->name + " " + std::to_string(e->time));
    return found;
}

std::string Entry(uint32_t kind, const std::string &name, int time = 0) {
    return std::to_string(kind) + " " + name + " " + std::to_string(time);
}

// The utility path as the pass composes it, for this platform.
std::string UtilityPath(const std::string &name = "restool.exe") {
    return std::string(Wizard.BaseDirectory) + PathSeparator + name;
}

intptr_t QuietProc(WindowHandle, unsigned, uintptr_t, intptr_t) {
    return 0;
}

const std::string WorkedScript =
    Lines({"[HEADER]", "DST=data.res", "[PRECHECK]", "SRC=patch.src,1", "RESEXE=restool.exe",
           "UPD=patch.dat", "[COPY]", "COPY=app.exe,900,0", "COPY=help.txt,900", "[EXECUTE]",
           "EXE=fixup.exe /q", "[REMOVE]", "REMOVE=old.dll"});

class Planning : public ::testing::Test {
  public:
    fs::path home;
    fs::path dir;

    void SetUp() override {
        home = fs::current_path();
        dir = home / "planning_work" /
              ::testing::UnitTest::GetInstance()->current_test_info()->name();
        fs::remove_all(dir);
        fs::create_directories(dir);
        fs::current_path(dir);
        RecordingReset();
        ResetRandom();
        ASSERT_TRUE(ReadCurrentDirectory(Wizard.BaseDirectory, sizeof Wizard.BaseDirectory));
        // A progress window whose procedure ignores MSG_PLAN: the test runs the pass itself.
        ModelWindow *window = ModelCreateDialog(TEMPLATE_PROGRESS, QuietProc);
        Wizard.ProgressWindow = window;
        Wizard.StatusText = GetDialogItem(window, IDC_STATUS_TEXT);
        for (const char *name : Settings)
            SetSetting(name, "");
        SetSetting("WIZARD_TEST_LOG", "log.txt");
    }

    void TearDown() override {
        for (const char *name : Settings)
            SetSetting(name, "");
        FreeWorkList();
        fs::current_path(home);
        std::error_code ignored;
        fs::remove_all(dir, ignored);
    }

    void InstallUtility(const std::string &name = "restool.exe",
                        const std::string &from = TEST_UTILITY_PATH) {
        fs::copy_file(from, name, fs::copy_options::overwrite_existing);
    }

    // The worked example: pointer file, script, archive and the logging utility.
    void WriteWorkedExample(const std::string &script = WorkedScript) {
        WriteFile("update.wiz", Lines({"[HEADER]", "CMD=patch.txt"}));
        WriteFile("patch.txt", script);
        WriteFile("data.res", "archive");
        InstallUtility();
    }

    // Lists that the utility hands out on its next calls.
    void GiveLists(const std::string &add, const std::string &cleanup) {
        WriteFile("given.lst", add);
        WriteFile("given.dmp", cleanup);
        SetSetting("WIZARD_TEST_LST", "given.lst");
        SetSetting("WIZARD_TEST_DMP", "given.dmp");
    }
};

TEST_F(Planning, WorkedExampleRunsBothCallsAndFillsTheListInOrder) {
    WriteWorkedExample();
    GiveLists(Lines({"[ADD]", "FILE=new1.bmp,900", "FILE=new2.bmp,900"}),
              Lines({"[PFF]", "ENTRY=work.tmp"}));
    SetSetting("WIZARD_TEST_STDOUT", "captured text\n");
    SetSetting("WIZARD_TEST_CWD", "1");

    EXPECT_EQ(PlanningPass(), 1);

    EXPECT_EQ(RecordedWith("warning "), std::vector<std::string>{});
    EXPECT_EQ(RecordedWith("status "),
              (std::vector<std::string>{"Reading configuration file (.WIZ)",
                                        "Reading configuration file (patch.txt)",
                                        "Examining resource file. (data.res)"}));
    std::vector<std::string> log = LogLines();
    ASSERT_EQ(log.size(), 4u);
    EXPECT_EQ(log[0], UtilityPath() + " data.res patch.src /WORK");
    EXPECT_EQ(log[2], UtilityPath() + " patch.src /DUMP");
    // Both calls run in BaseDirectory.
    EXPECT_TRUE(fs::equivalent(log[1].substr(4), dir));
    EXPECT_TRUE(fs::equivalent(log[3].substr(4), dir));
    EXPECT_EQ(Entries(),
              (std::vector<std::string>{
                  Entry(ENTRY_CLEANUP, "work.tmp"), Entry(ENTRY_ADD, "new2.bmp", 900),
                  Entry(ENTRY_ADD, "new1.bmp", 900), Entry(ENTRY_REMOVE, "old.dll"),
                  Entry(ENTRY_EXECUTE, "fixup.exe /q"), Entry(ENTRY_COPY, "help.txt", 900),
                  Entry(ENTRY_COPY, "app.exe", 900)}));
    EXPECT_STREQ(Wizard.ResourceFile, "data.res");
    EXPECT_STREQ(Wizard.SourceFile, "patch.src");
    EXPECT_STREQ(Wizard.ResourceUtility, "restool.exe");
    EXPECT_STREQ(Wizard.UpdateFile, "patch.dat");
    // The lists and the capture file are gone; the reader holds nothing.
    EXPECT_FALSE(fs::exists("update.lst"));
    EXPECT_FALSE(fs::exists("update.dmp"));
    EXPECT_FALSE(fs::exists("!tmpexec.$$$"));
    EXPECT_EQ(Reader.text, nullptr);
}

// The worked example's own directory: C:\Upd on Windows, its POSIX twin elsewhere.
TEST_F(Planning, WorkedExampleCommandLinesInTheExamplesDirectory) {
    const std::string upd = PathSeparator == '\\' ? "C:\\Upd" : "/tmp/Upd";
    std::error_code ignored;
    fs::remove_all(upd, ignored);
    ASSERT_TRUE(fs::create_directory(upd));
    fs::current_path(upd);
    ASSERT_TRUE(ReadCurrentDirectory(Wizard.BaseDirectory, sizeof Wizard.BaseDirectory));
    ASSERT_EQ(std::string(Wizard.BaseDirectory), upd);
    WriteWorkedExample();

    EXPECT_EQ(PlanningPass(), 1);
    const std::string tool = upd + PathSeparator + "restool.exe";
    EXPECT_EQ(LogLines(), (std::vector<std::string>{tool + " data.res patch.src /WORK",
                                                    tool + " patch.src /DUMP"}));
    fs::current_path(dir);
    fs::remove_all(upd, ignored);
}

struct FailureRow {
    const char *name;
    std::function<void(Planning *)> arrange;
    std::vector<std::string> warnings; // "*" at the end of a text: compare the start only
    int result;
    size_t utilityCalls;
};

void CheckWarnings(const char *row, const std::vector<std::string> &expected) {
    std::vector<std::string> shown = RecordedWith("warning ");
    ASSERT_EQ(shown.size(), expected.size()) << row;
    for (size_t i = 0; i < expected.size(); i++) {
        std::string want = expected[i];
        if (!want.empty() && want.back() == '*')
            EXPECT_EQ(shown[i].substr(0, want.size() - 1), want.substr(0, want.size() - 1)) << row;
        else
            EXPECT_EQ(shown[i], want) << row;
    }
}

// Replaces one line of the worked script.
std::string ScriptWith(const std::string &from, const std::string &to) {
    std::string script = WorkedScript;
    size_t at = script.find(from);
    return script.replace(at, from.size(), to);
}

// An SZDD header and a few bytes: taken for compressed by the header test.
const std::string CompressedBytes = std::string("SZDD\x88\xF0\x27\x33"
                                                "A",
                                                9) +
                                    "x" + std::string("\x04\0\0\0", 4) +
                                    "\xFF"
                                    "abcd";

TEST_F(Planning, EveryFailureRowShowsItsWarningAndResult) {
    const std::string base = std::string(Wizard.BaseDirectory);
    const std::vector<FailureRow> rows = {
        {"no pointer file",
         [](Planning *) {},
         {"Configuration file (.WIZ) could not be located. Aborting."},
         0,
         0},
        {"pointer file is a directory",
         [](Planning *) { fs::create_directory("a.wiz"); },
         {"Configuration file (.WIZ) could not be located. Aborting."},
         0,
         0},
        {"pointer file without CMD",
         [](Planning *) {
             WriteFile("update.wiz", Lines({"[HEADER]", "EXE=x"}));
         },
         {"Configuration file () could not be located. Aborting."},
         0,
         0},
        {"script does not load",
         [](Planning *) {
             WriteFile("update.wiz", Lines({"[HEADER]", "CMD=missing.txt"}));
         },
         {"Configuration file (missing.txt) could not be located. Aborting."},
         0,
         0},
        {"resource utility missing",
         [](Planning *p) {
             p->WriteWorkedExample();
             fs::remove("restool.exe");
         },
         {"Resource Utility (restool.exe) could not be located. Aborting."},
         0,
         0},
        {"no RESEXE key",
         [](Planning *p) { p->WriteWorkedExample(ScriptWith("RESEXE=restool.exe\r\n", "")); },
         {"Resource Utility () could not be located. Aborting."},
         0,
         0},
        {"resource archive missing",
         [](Planning *p) {
             p->WriteWorkedExample();
             fs::remove("data.res");
         },
         {"Resource file (data.res) could not be located. Aborting."},
         0,
         0},
        {"utility and archive both missing",
         [](Planning *p) {
             p->WriteWorkedExample();
             fs::remove("data.res");
             fs::remove("restool.exe");
         },
         {"Resource Utility (restool.exe) could not be located. Aborting."},
         0,
         0},
        {"expansion fails",
         [](Planning *p) {
             p->WriteWorkedExample();
             WriteFile("patch.src", CompressedBytes);
             WriteFile("patch.dat", CompressedBytes);
             // The first temporary name cannot be created: a directory holds it.
             char name[64];
             FormTempFileName(41, name, sizeof name);
             fs::create_directory(name);
         },
         {"An error occured during file open*",
          "An error occured during decompression of file (patch.src). Skipping."},
         0,
         0},
        {"utility does not start for /WORK",
         [](Planning *p) {
             p->WriteWorkedExample();
             fs::remove("restool.exe");
             fs::create_directory("restool.exe");
         },
         {"Could not create process (update.lst)[*",
          base + PathSeparator + "restool.exe data.res patch.src /WORK"},
         0,
         0},
        {"capture file cannot be created",
         [](Planning *p) {
             p->WriteWorkedExample();
             // Nothing was started, so the result code still holds its first value.
             fs::create_directory("!tmpexec.$$$");
         },
         {"Could not create process (update.lst)[0].  Aborting.",
          base + PathSeparator + "restool.exe data.res patch.src /WORK"},
         0,
         0},
        {"utility does not start for /DUMP",
         [](Planning *p) {
             p->WriteWorkedExample();
             // The /WORK run moves the utility away; its exit code is what the text shows
             // only when the start fails before the program is tried, so no code is checked.
             SetSetting("WIZARD_TEST_HIDE", "restool.exe");
         },
         {"Could not create process (update.dmp)[*",
          base + PathSeparator + "restool.exe patch.src /DUMP"},
         0,
         1},
        {"no update.lst written",
         [](Planning *p) { p->WriteWorkedExample(); },
         {"Warning.  Could not open cleanup configuration file."},
         1,
         2},
        {"no update.dmp written",
         [](Planning *p) {
             p->WriteWorkedExample();
             WriteFile("given.lst", Lines({"[ADD]", "FILE=new.bmp,5"}));
             SetSetting("WIZARD_TEST_LST", "given.lst");
         },
         {"Warning.  Could not open cleanup configuration file."},
         1,
         2},
    };
    for (const FailureRow &row : rows) {
        TearDown();
        SetUp();
        row.arrange(this);
        EXPECT_EQ(PlanningPass(), row.result) << row.name;
        CheckWarnings(row.name, row.warnings);
        EXPECT_EQ(LogLines().size(), row.utilityCalls) << row.name;
        EXPECT_EQ(Reader.text, nullptr) << row.name;
    }
}

TEST_F(Planning, StartFailureWarningsEndWithTheCode) {
    WriteWorkedExample();
    fs::remove("restool.exe");
    fs::create_directory("restool.exe");
    EXPECT_EQ(PlanningPass(), 0);
    std::vector<std::string> shown = RecordedWith("warning ");
    ASSERT_EQ(shown.size(), 2u);
    const std::string head = "Could not create process (update.lst)[";
    const std::string tail = "].  Aborting.";
    ASSERT_GT(shown[0].size(), head.size() + tail.size());
    EXPECT_EQ(shown[0].substr(shown[0].size() - tail.size()), tail);
    int code = atoi(shown[0].substr(head.size()).c_str());
    EXPECT_NE(code, 0) << "the platform's error code of the failed start";
    // Entries of the script stay in the list although the pass stopped.
    EXPECT_EQ(Entries().size(), 4u);
}

TEST_F(Planning, EmptySourceFileLeavesTwoBlanksInTheCommandLine) {
    WriteWorkedExample(ScriptWith("SRC=patch.src,1\r\n", ""));
    fs::remove("restool.exe");
    fs::create_directory("restool.exe");
    EXPECT_EQ(PlanningPass(), 0);
    std::vector<std::string> shown = RecordedWith("warning ");
    ASSERT_EQ(shown.size(), 2u);
    EXPECT_EQ(shown[1], UtilityPath() + " data.res  /WORK");
}

TEST_F(Planning, LongestNamesAreNeverCut) {
    // Names as long as a script line allows, and the longest BaseDirectory.
    const std::string utility = std::string(110, 'u') + ".exe";
    const std::string archive = std::string(114, 'r');
    const std::string source = std::string(114, 's');
    WriteFile("update.wiz", Lines({"[HEADER]", "CMD=patch.txt"}));
    WriteFile("patch.txt", Lines({"[HEADER]", "DST=" + archive, "[PRECHECK]", "SRC=" + source,
                                  "RESEXE=" + utility}));
    WriteFile(archive, "archive");
    WriteFile(utility, "not a program");
    const std::string longBase = std::string(PATH_SIZE - 1, 'b');
    snprintf(Wizard.BaseDirectory, sizeof Wizard.BaseDirectory, "%s", longBase.c_str());

    EXPECT_EQ(PlanningPass(), 0);
    std::vector<std::string> shown = RecordedWith("warning ");
    ASSERT_EQ(shown.size(), 2u);
    EXPECT_EQ(shown[1],
              longBase + PathSeparator + utility + " " + archive + " " + source + " /WORK");
}

TEST_F(Planning, StaleListsAreReadAsFreshAndDeleted) {
    WriteWorkedExample();
    WriteFile("update.lst", Lines({"[ADD]", "FILE=old1.bmp,7"}));
    WriteFile("update.dmp", Lines({"[PFF]", "ENTRY=old.tmp"}));
    EXPECT_EQ(PlanningPass(), 1);
    EXPECT_EQ(RecordedWith("warning ").size(), 0u);
    std::vector<std::string> entries = Entries();
    ASSERT_GE(entries.size(), 2u);
    EXPECT_EQ(entries[0], Entry(ENTRY_CLEANUP, "old.tmp"));
    EXPECT_EQ(entries[1], Entry(ENTRY_ADD, "old1.bmp", 7));
    EXPECT_FALSE(fs::exists("update.lst"));
    EXPECT_FALSE(fs::exists("update.dmp"));
}

TEST_F(Planning, PrecheckTakesTheFirstCommaField) {
    WriteWorkedExample(Lines({"[HEADER]", "DST=data.res", "EXE=ignored.exe", "[PRECHECK]",
                              "SRC=,,patch.src", "RESEXE=restool.exe,5,x", "UPD=100%s.dat,1"}));
    EXPECT_EQ(PlanningPass(), 1);
    EXPECT_STREQ(Wizard.SourceFile, "patch.src");
    EXPECT_STREQ(Wizard.ResourceUtility, "restool.exe");
    EXPECT_STREQ(Wizard.UpdateFile, "100%s.dat");
    EXPECT_EQ(LogLines()[0], UtilityPath() + " data.res patch.src /WORK");
}

TEST_F(Planning, ScriptSectionsAreReadByNameNotByPlace) {
    WriteWorkedExample(
        Lines({"[REMOVE]", "REMOVE=gone.dll", "[EXECUTE]", "COPY=not.this", "EXE=run.exe,1,2",
               "[COPY]", "COPY=a.dat,100", "[HEADER]", "DST=data.res", "[PRECHECK]",
               "RESEXE=restool.exe", "[COPY]", "COPY=second.dat,1"}));
    GiveLists(Lines({"[ADD]"}), Lines({"[PFF]"}));
    EXPECT_EQ(PlanningPass(), 1);
    EXPECT_EQ(Entries(), (std::vector<std::string>{Entry(ENTRY_REMOVE, "gone.dll"),
                                                   Entry(ENTRY_EXECUTE, "run.exe", 1),
                                                   Entry(ENTRY_COPY, "a.dat", 100)}));
}

// The window closes after a failed pass: the run sequence turns result 0 into Finish.
TEST_F(Planning, FailedPassClosesTheWindow) {
    RecordingReset();
    EXPECT_EQ(WizardMain(""), 0);
    EXPECT_EQ(
        RecordedWith("warning "),
        std::vector<std::string>{"Configuration file (.WIZ) could not be located. Aborting."});
    EXPECT_EQ(RecordedWith("destroy").size(), 1u);
}

// The sample utility itself: archives made with its /ENCODE verb, then the pass.
TEST_F(Planning, SampleUtilityFindsChangedResources) {
    InstallUtility("restool.exe", RESTOOL_PATH);
    const std::string tool = UtilityPath();
    int32_t code = -1;
    WriteFile("logo.bmp", "old logo");
    WriteFile("icons.dat", "same icons");
    ASSERT_EQ(RunCaptured(tool.c_str(), (tool + " data.res logo.bmp icons.dat /ENCODE").c_str(), 1,
                          &code, "capture.txt"),
              0);
    EXPECT_EQ(code, 0);
    WriteFile("logo.bmp", "new logo");
    WriteFile("splash.bmp", "new splash");
    StampFileTime("logo.bmp", 1000);
    StampFileTime("splash.bmp", 2000);
    ASSERT_EQ(RunCaptured(tool.c_str(),
                          (tool + " patch.src logo.bmp icons.dat splash.bmp /ENCODE").c_str(), 1,
                          &code, "capture.txt"),
              0);
    EXPECT_EQ(code, 0);
    fs::remove("logo.bmp");
    fs::remove("splash.bmp");
    fs::remove("icons.dat");
    fs::remove("capture.txt");
    WriteFile("update.wiz", Lines({"[HEADER]", "CMD=update.txt"}));
    WriteFile("update.txt", Lines({"[HEADER]", "DST=data.res", "[PRECHECK]", "SRC=patch.src",
                                   "RESEXE=restool.exe", "[COPY]", "COPY=readme.txt,5"}));

    EXPECT_EQ(PlanningPass(), 1);
    EXPECT_EQ(RecordedWith("warning ").size(), 0u);
    EXPECT_EQ(Entries(), (std::vector<std::string>{Entry(ENTRY_CLEANUP, "patch.src"),
                                                   Entry(ENTRY_ADD, "splash.bmp", 2000),
                                                   Entry(ENTRY_ADD, "logo.bmp", 1000),
                                                   Entry(ENTRY_COPY, "readme.txt", 5)}));
    EXPECT_EQ(ReadWhole("logo.bmp"), "new logo");
    EXPECT_EQ(ReadWhole("splash.bmp"), "new splash");
    EXPECT_FALSE(fs::exists("icons.dat"));
    EXPECT_FALSE(fs::exists("update.lst"));
    EXPECT_FALSE(fs::exists("update.dmp"));
}

} // namespace

namespace {

void CopyAsUpdateFile(const fs::path &from, const std::string &to) {
    std::string text = ReadWhole(from.string()), crlf;
    for (char c : text) {
        if (c == '\n')
            crlf += '\r';
        crlf += c;
    }
    WriteFile(to, crlf);
}

// Puts the files of a source folder into an archive with the sample utility,
// each with the given time, and removes the loose copies again.
void EncodeFolder(const fs::path &folder, const std::string &archive, int32_t time) {
    std::string tool = UtilityPath();
    std::string command = tool + " " + archive;
    std::vector<std::string> names;
    for (const fs::directory_entry &entry : fs::directory_iterator(folder))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    for (const std::string &name : names) {
        fs::copy_file(folder / name, name, fs::copy_options::overwrite_existing);
        StampFileTime(name.c_str(), time);
        command += " " + name;
    }
    int32_t code = -1;
    ASSERT_EQ(RunCaptured(tool.c_str(), (command + " /ENCODE").c_str(), 1, &code, "encode.txt"), 0);
    ASSERT_EQ(code, 0);
    for (const std::string &name : names)
        fs::remove(name);
    fs::remove("encode.txt");
}

} // namespace

// The bundled sample update, run through the planning pass with the real
// utility: the complete work list that the execution passes will walk.
TEST_F(Planning, SampleUpdatePlansItsCompleteWorkList) {
    const fs::path example = EXAMPLE_DIR;
    InstallUtility("restool.exe", RESTOOL_PATH);
    EncodeFolder(example / "product" / "resources", "data.res", 1735689600);
    EncodeFolder(example / "update" / "patch", "patch.src", 1764547200);
    CopyAsUpdateFile(example / "update" / "update.wiz", "update.wiz");
    CopyAsUpdateFile(example / "update" / "update.txt", "update.txt");
    for (const char *name : {"app.cfg", "readme.txt", "notes.txt"})
        fs::copy_file(example / "update" / name, name);
    fs::copy_file(example / "product" / "old.log", "old.log");

    EXPECT_EQ(PlanningPass(), 1);
    EXPECT_EQ(RecordedWith("warning "), std::vector<std::string>{});
    EXPECT_EQ(Entries(),
              (std::vector<std::string>{
                  Entry(ENTRY_CLEANUP, "patch.src"), Entry(ENTRY_ADD, "splash.txt", 1764547200),
                  Entry(ENTRY_ADD, "logo.txt", 1764547200), Entry(ENTRY_REMOVE, "old.log"),
                  Entry(ENTRY_EXECUTE, "restool.exe data.res /LIST"),
                  Entry(ENTRY_COPY, "app.cfg", 1767225600),
                  Entry(ENTRY_COPY, "readme.txt", 1767225600)}));
    EXPECT_EQ(ReadWhole("logo.txt"),
              ReadWhole((example / "update" / "patch" / "logo.txt").string()));
    EXPECT_FALSE(fs::exists("strings.txt")) << "unchanged resources stay in the archive";
}
