// Test helpers of the execution passes: a fresh work directory that is the
// current directory and BaseDirectory, a progress window of the recording
// backend that takes no part in planning, work entries made as the planning
// pass makes them, and the test utility copied in as the resource utility.
#ifndef WIZARD_TESTS_EXECUTION_FIXTURE_H
#define WIZARD_TESTS_EXECUTION_FIXTURE_H

#include "sys/files.h"
#include "app/progress_window.h"
#include "ui/progress.h"
#include "ui/recording/recording.h"
#include "ui/resource.h"
#include "update/work_list.h"

#include <gtest/gtest.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/stat.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace fs = std::filesystem;

// The resource utility's name in the work directory. The ".exe" also serves on
// POSIX, where the name carries no meaning.
static const char UtilityName[] = "restool.exe";
static const char UtilityLogName[] = "utility.log";

// The progress window's own procedure, except that the planning and execution
// messages are left to the test, which calls the passes itself.
static intptr_t TestProgressProc(WindowHandle window, unsigned message, uintptr_t wparam,
                                 intptr_t lparam) {
    if (message == MSG_PLAN || message == MSG_EXECUTE)
        return 1;
    return ProgressDialogProc(window, message, wparam, lparam);
}

// What the test utility is told, the same for every test: log each command
// line to UtilityLogName in the current directory, and succeed. putenv keeps
// the texts themselves, so they live as long as the program.
static char LogVariable[] = "WIZARD_TEST_LOG=utility.log";
static char ExitVariable[] = "WIZARD_TEST_EXIT=0";

class ExecutionFixture : public ::testing::Test {
  protected:
    fs::path startDirectory;
    size_t mark = 0;

    void SetUp() override {
        RecordingReset();
        startDirectory = fs::current_path();
        const ::testing::TestInfo *info = ::testing::UnitTest::GetInstance()->current_test_info();
        fs::path work =
            startDirectory / (std::string("work-") + info->test_suite_name() + "-" + info->name());
        std::error_code ignored;
        fs::remove_all(work, ignored);
        fs::create_directories(work);
        fs::current_path(work);
        ASSERT_NE(ReadCurrentDirectory(Wizard.BaseDirectory, sizeof Wizard.BaseDirectory), 0);
        snprintf(Wizard.ResourceFile, sizeof Wizard.ResourceFile, "%s", "product.res");
        snprintf(Wizard.ResourceUtility, sizeof Wizard.ResourceUtility, "%s", UtilityName);
        int error = 0;
        Wizard.ProgressWindow = CreateProgressWindow(TestProgressProc, &error);
        ASSERT_NE(Wizard.ProgressWindow, nullptr);
        putenv(LogVariable);
        putenv(ExitVariable);
        mark = RecordedEvents().size();
    }

    void TearDown() override {
        FreeWorkList();
        fs::current_path(startDirectory);
    }

    // Copies the test utility in as the resource utility.
    void InstallUtility() {
        fs::copy_file(TEST_UTILITY_PATH, UtilityName, fs::copy_options::overwrite_existing);
    }

    // Events recorded since the window was made, with this prefix removed.
    std::vector<std::string> Since(const std::string &prefix) const {
        std::vector<std::string> found;
        const std::vector<std::string> &events = RecordedEvents();
        for (size_t i = mark; i < events.size(); i++)
            if (events[i].compare(0, prefix.size(), prefix) == 0)
                found.push_back(events[i].substr(prefix.size()));
        return found;
    }

    // An entry as the planning pass makes it, from "name,time".
    WorkEntry *Add(uint32_t kind, const std::string &value) {
        char buffer[NAME_SIZE];
        snprintf(buffer, sizeof buffer, "%s", value.c_str());
        WorkEntry *entry = AddWorkEntry(buffer);
        EXPECT_NE(entry, nullptr);
        if (entry != nullptr)
            entry->kind = kind;
        return entry;
    }

    static void WriteFile(const std::string &name, const std::string &content) {
        std::ofstream out(name, std::ios::binary | std::ios::trunc);
        out << content;
    }

    static std::string ReadFile(const std::string &name) {
        std::ifstream in(name, std::ios::binary);
        std::stringstream text;
        text << in.rdbuf();
        return text.str();
    }

    static bool Exists(const std::string &name) {
        std::error_code ignored;
        return fs::exists(name, ignored);
    }

    // The lines that the test utility has logged, one per run.
    static std::vector<std::string> UtilityRuns() {
        std::vector<std::string> lines;
        std::ifstream in(UtilityLogName, std::ios::binary);
        std::string line;
        while (std::getline(in, line)) {
            if (!line.empty() && line.back() == '\r')
                line.pop_back();
            lines.push_back(line);
        }
        return lines;
    }

    // The blank-separated words of a logged command line after the program.
    static std::vector<std::string> Arguments(const std::string &line) {
        std::vector<std::string> words;
        std::istringstream in(line);
        std::string word;
        while (in >> word)
            words.push_back(word);
        if (!words.empty())
            words.erase(words.begin());
        return words;
    }
};

#endif
