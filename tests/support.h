// Shared test support: scratch directories, files and SZDD data.
// (A minimal copy; the full harness replaces it.)
#ifndef TESTS_SUPPORT_H
#define TESTS_SUPPORT_H

#include "compress.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <initializer_list>
#include <sstream>
#include <string>

// Each test runs in a fresh empty directory, the current one, removed after.
class ScratchTest : public ::testing::Test {
  protected:
    std::filesystem::path home, dir;

    void SetUp() override {
        home = std::filesystem::current_path();
        dir = home / "scratch" / ::testing::UnitTest::GetInstance()->current_test_info()->name();
        std::filesystem::remove_all(dir);
        std::filesystem::create_directories(dir);
        std::filesystem::current_path(dir);
    }

    void TearDown() override {
        std::filesystem::current_path(home);
        std::error_code ignored;
        std::filesystem::remove_all(dir, ignored);
    }
};

inline std::string ReadFile(const std::string &name) {
    std::ifstream in(name, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

inline void WriteFile(const std::string &name, const std::string &content) {
    std::ofstream(name, std::ios::binary | std::ios::trunc) << content;
}

inline bool Exists(const std::string &name) {
    return std::filesystem::exists(name);
}

inline std::string Lines(std::initializer_list<std::string> lines) {
    std::string text;
    for (const std::string &line : lines)
        text += line + "\r\n";
    return text;
}

inline std::string Szdd(const std::string &plain) {
    std::string packed(SzddCompressBound(plain.size()), '\0');
    packed.resize(SzddCompress(plain.data(), plain.size(), 0, &packed[0]));
    return packed;
}

inline const char *ExampleDir() {
    return EXAMPLE_DIR;
}

#endif
