// Helpers of the hardening tests: a product directory of each test's own, an
// update written into it, whole runs of the wizard over the recording backend,
// and a picture of every file so that a test can tell what a run changed.
#ifndef WIZARD_TESTS_HARDENING_SUPPORT_H
#define WIZARD_TESTS_HARDENING_SUPPORT_H

#include "app/startup.h"
#include "app/wizard.h"
#include "script/text_reader.h"
#include "sys/files.h"
#include "sys/szdd.h"
#include "ui/model/model.h"
#include "ui/recording/recording.h"
#include "ui/resource.h"
#include "update/planning.h"
#include "update/work_list.h"

#include <gtest/gtest.h>

#include <stdlib.h>

#include <algorithm>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <list>
#include <map>
#include <sstream>
#include <string>
#include <vector>

namespace hardening {

namespace fs = std::filesystem;

// Every variable that the utilities of these tests read.
const char *const UtilitySettings[] = {"WIZARD_TEST_LOG",  "WIZARD_TEST_CWD",  "WIZARD_TEST_LST",
                                       "WIZARD_TEST_DMP",  "WIZARD_TEST_HIDE", "WIZARD_TEST_STDOUT",
                                       "WIZARD_TEST_EXIT", "WIZARD_BAD_MODE",  "WIZARD_BAD_COUNT",
                                       "WIZARD_BAD_MB"};

// putenv keeps the pointer on POSIX, so every text given to it stays alive. An
// empty value counts as unset for the utilities (Windows cannot keep one).
inline void SetSetting(const std::string &name, const std::string &value) {
    static std::list<std::string> texts;
    texts.push_back(name + "=" + value);
    putenv(&texts.back()[0]);
}

// Big cases (megabytes of script, 100,000 entries) run only where the build
// asks for them: natively, not under the sanitizers or Wine.
inline bool BigCasesWanted() {
    const char *value = getenv("WIZARD_BIG_CASES");
    return value != nullptr && value[0] == '1';
}

inline void WriteFile(const std::string &name, const std::string &content) {
    std::ofstream out(name, std::ios::binary | std::ios::trunc);
    out << content;
}

inline std::string ReadFile(const std::string &name) {
    std::ifstream in(name, std::ios::binary);
    if (!in)
        return "<missing>";
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

// The update files end their lines with CR LF.
inline std::string Lines(const std::vector<std::string> &lines) {
    std::string text;
    for (const std::string &line : lines)
        text += line + "\r\n";
    return text;
}

// Every regular file below dir by its relative name, with its content.
typedef std::map<std::string, std::string> Picture;

inline Picture TakePicture(const fs::path &dir = fs::current_path()) {
    Picture picture;
    for (const fs::directory_entry &entry : fs::recursive_directory_iterator(dir))
        if (entry.is_regular_file())
            picture[fs::relative(entry.path(), dir).generic_string()] =
                ReadFile(entry.path().string());
    return picture;
}

// The names whose content differs between two pictures, or that one lacks.
inline std::vector<std::string> Changed(const Picture &before, const Picture &after) {
    std::vector<std::string> names;
    for (const auto &file : before) {
        auto found = after.find(file.first);
        if (found == after.end() || found->second != file.second)
            names.push_back(file.first);
    }
    for (const auto &file : after)
        if (before.find(file.first) == before.end())
            names.push_back(file.first);
    return names;
}

inline intptr_t QuietProc(WindowHandle, unsigned, uintptr_t, intptr_t) {
    return 0;
}

// The list from its head: "<kind> <name>".
inline std::vector<std::string> Entries() {
    std::vector<std::string> found;
    for (WorkEntry *e = Wizard.WorkListHead; e != nullptr; e = e->next)
        found.push_back(std::to_string(e->kind) + " " + e->name);
    return found;
}

inline std::string Entry(uint32_t kind, const std::string &name) {
    return std::to_string(kind) + " " + name;
}

// A product directory of each test's own, entered for the test's duration.
class ProductTest : public ::testing::Test {
  protected:
    fs::path home;
    fs::path dir;

    void SetUp() override {
        home = fs::current_path();
        const ::testing::TestInfo *info = ::testing::UnitTest::GetInstance()->current_test_info();
        dir = home / "hardening_work" / (std::string(info->test_suite_name()) + "-" + info->name());
        std::error_code ignored;
        fs::remove_all(dir, ignored);
        fs::create_directories(dir);
        fs::current_path(dir);
        RecordingReset();
        ResetRandom();
        for (const char *name : UtilitySettings)
            SetSetting(name, "");
    }

    void TearDown() override {
        for (const char *name : UtilitySettings)
            SetSetting(name, "");
        FreeWorkList();
        ReleaseText();
        fs::current_path(home);
        std::error_code ignored;
        fs::remove_all(dir, ignored);
    }

    // A pointer file naming the script, the script, the archive and a utility.
    void WriteUpdate(const std::string &script, const std::string &utility) {
        WriteFile("update.wiz", Lines({"[HEADER]", "CMD=setup.txt"}));
        WriteFile("setup.txt", script);
        WriteFile("product.res", "archive");
        // Removed first: MinGW's copy_file does not overwrite despite being asked.
        std::error_code error;
        fs::remove("restool.exe", error);
        fs::copy_file(utility, "restool.exe", error);
        EXPECT_FALSE(error) << error.message();
        // An empty cleanup list, handed out once, keeps its warning out of the way.
        WriteFile("given.dmp", Lines({"[PFF]"}));
        SetSetting("WIZARD_TEST_DMP", "given.dmp");
    }

    // A script of the usual head and the given further lines.
    static std::string Script(const std::vector<std::string> &more) {
        std::vector<std::string> lines = {"[HEADER]", "DST=product.res", "[PRECHECK]",
                                          "RESEXE=restool.exe"};
        lines.insert(lines.end(), more.begin(), more.end());
        return Lines(lines);
    }

    // Runs the planning pass alone, with a window that takes no part in it.
    // Every run starts from a clean state, as the program does.
    int Plan() {
        RecordingReset();
        EXPECT_TRUE(ReadCurrentDirectory(Wizard.BaseDirectory, sizeof Wizard.BaseDirectory));
        ModelWindow *window = ModelCreateDialog(TEMPLATE_PROGRESS, QuietProc);
        Wizard.ProgressWindow = window;
        Wizard.StatusText = GetDialogItem(window, IDC_STATUS_TEXT);
        return PlanningPass();
    }

    // A whole run of the program, as a user who accepts and then waits.
    int RunWizard() { return WizardMain(""); }

    static std::vector<std::string> Warnings() { return RecordedWith("warning "); }

    static std::string LastStatus() {
        std::vector<std::string> texts = RecordedWith("status ");
        return texts.empty() ? std::string() : texts.back();
    }
};

} // namespace hardening

#endif
