// Helpers of the compressed-file tests: a scratch directory per test, whole
// files in and out, and the sample data every expander must agree on.
#ifndef WIZARD_TESTS_SZDD_SUPPORT_H
#define WIZARD_TESTS_SZDD_SUPPORT_H

#include "compress.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

namespace szdd_test {

namespace fs = std::filesystem;

// A fresh directory for one test, entered for its duration.
class ScratchTest : public ::testing::Test {
  protected:
    void SetUp() override {
        start = fs::current_path();
        const ::testing::TestInfo *info = ::testing::UnitTest::GetInstance()->current_test_info();
        dir = fs::temp_directory_path() /
              ("wizard-szdd-" + std::string(info->test_suite_name()) + "-" + info->name());
        fs::remove_all(dir);
        fs::create_directories(dir);
        fs::current_path(dir);
    }
    void TearDown() override {
        fs::current_path(start);
        std::error_code ignored;
        fs::permissions(dir / "packed.ex_", fs::perms::owner_write, fs::perm_options::add, ignored);
        fs::remove_all(dir, ignored);
    }
    fs::path start, dir;
};

inline void WriteBytes(const std::string &name, const std::string &bytes) {
    FILE *file = std::fopen(name.c_str(), "wb");
    ASSERT_NE(file, nullptr) << name;
    ASSERT_EQ(std::fwrite(bytes.data(), 1, bytes.size(), file), bytes.size());
    ASSERT_EQ(std::fclose(file), 0);
}

inline std::string ReadBytes(const std::string &name) {
    std::string bytes;
    FILE *file = std::fopen(name.c_str(), "rb");
    if (file == nullptr) {
        return "<missing>";
    }
    char buffer[65536];
    size_t got;
    while ((got = std::fread(buffer, 1, sizeof buffer, file)) > 0) {
        bytes.append(buffer, got);
    }
    std::fclose(file);
    return bytes;
}

inline std::string Compress(const std::string &data, unsigned char lastChar = 0) {
    std::string out(SzddCompressBound(data.size()), '\0');
    size_t size = SzddCompress(data.data(), data.size(), lastChar, &out[0]);
    out.resize(size);
    return out;
}

// Deterministic bytes, the same on every platform and run.
inline std::string RandomBytes(size_t size, uint32_t start) {
    std::string bytes(size, '\0');
    uint32_t state = start * 2654435761u + 1;
    for (size_t i = 0; i < size; i++) {
        state ^= state << 13;
        state ^= state >> 17;
        state ^= state << 5;
        bytes[i] = (char)(state >> 24);
    }
    return bytes;
}

inline std::string TextBytes(size_t size) {
    static const char *const words[] = {"update ", "wizard ", "file ", "the ",     "resource ",
                                        "of ",     "copy ",   "\r\n",  "archive ", "a "};
    std::string text;
    uint32_t state = 7;
    while (text.size() < size) {
        state = state * 1103515245u + 12345u;
        text += words[(state >> 16) % 10];
    }
    text.resize(size);
    return text;
}

// Runs of one byte and of short patterns: matches that overlap their source.
inline std::string RunBytes(size_t size) {
    std::string bytes;
    while (bytes.size() < size) {
        bytes.append(3000, 'a');
        for (int i = 0; i < 700; i++) {
            bytes += "xyz";
        }
        bytes.append(40, ' ');
        bytes.append(5000, '\0');
    }
    bytes.resize(size);
    return bytes;
}

struct Sample {
    const char *name;
    std::string data;
};

// Small enough for expanders that make a system call per byte.
inline std::vector<Sample> Samples() {
    return {
        {"empty", ""},
        {"one", "Q"},
        {"blanks", std::string(100, ' ')},
        {"text4080", TextBytes(4080)},
        {"text4096", TextBytes(4096)},
        {"text4097", TextBytes(4097)},
        {"random4080", RandomBytes(4080, 1)},
        {"random4097", RandomBytes(4097, 2)},
        {"text", TextBytes(70000)},
        {"random", RandomBytes(50000, 3)},
        {"runs", RunBytes(60000)},
    };
}

} // namespace szdd_test

#endif
