// Helpers of the process and removal tests: a scratch directory per test, the
// child programs' paths and whole-file reading and writing.
#ifndef WIZARD_TESTS_SYS_TEST_SUPPORT_H
#define WIZARD_TESTS_SYS_TEST_SUPPORT_H

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

// The directory the tests started in, where the child programs are built. Taken
// before any test changes directory.
inline const std::filesystem::path &StartDirectory() {
    static const std::filesystem::path start = std::filesystem::current_path();
    return start;
}

// A child program's full path, quoted for a command line.
inline std::string ChildCommand(const char *fileName) {
    return "\"" + (StartDirectory() / fileName).string() + "\"";
}

inline std::string ReadWholeFile(const std::string &name) {
    std::ifstream in(name, std::ios::binary);
    std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    // The children write text lines; Windows ends them with CR LF.
    std::string lines;
    for (char c : text) {
        if (c != '\r')
            lines += c;
    }
    return lines;
}

inline void WriteWholeFile(const std::string &name, const std::string &text) {
    std::ofstream out(name, std::ios::binary | std::ios::trunc);
    out << text;
}

inline bool Exists(const std::string &name) {
    return std::filesystem::exists(name);
}

// Every test runs in an empty directory of its own, removed afterwards.
class ScratchTest : public ::testing::Test {
  protected:
    void SetUp() override {
        const ::testing::TestInfo *info = ::testing::UnitTest::GetInstance()->current_test_info();
        scratch = StartDirectory() /
                  (std::string("scratch-") + info->test_suite_name() + "-" + info->name());
        std::filesystem::remove_all(scratch);
        std::filesystem::create_directories(scratch);
        std::filesystem::current_path(scratch);
    }
    void TearDown() override {
        std::filesystem::current_path(StartDirectory());
        std::error_code ignored;
        std::filesystem::remove_all(scratch, ignored);
    }
    std::filesystem::path scratch;
};

#endif
