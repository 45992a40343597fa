// The text reader over texts in memory and files on disk: the matching rules,
// the worked example, and texts outside the usual form (bare LF, NUL bytes,
// lone CR, long lines and long header names) read without leaving the buffers.
#include "script/text_reader.h"
#include "sys/files.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

namespace {

const char NOT_FOUND[] = "<not found>";

void Load(const std::string &text) {
    ASSERT_EQ(LoadTextBytes(text.data(), text.size()), 1);
}

// The value of key in section as the wizard asks for it (128 bytes), or NOT_FOUND.
std::string Get(const char *section, const char *key) {
    char value[128];
    memset(value, 'Z', sizeof value);
    if (!GetSectionValue(section, key, value, sizeof value, nullptr)) {
        return NOT_FOUND;
    }
    return value;
}

std::string Next(const char *key) {
    char value[128];
    if (!NextSectionValue(key, value, sizeof value, nullptr)) {
        return NOT_FOUND;
    }
    return value;
}

// Every value of key in section, in file order.
std::vector<std::string> All(const char *section, const char *key) {
    std::vector<std::string> values;
    if (!SeekSection(section)) {
        return values;
    }
    for (std::string value = Next(key); value != NOT_FOUND; value = Next(key)) {
        values.push_back(value);
    }
    return values;
}

class TextReaderTest : public ::testing::Test {
  protected:
    void TearDown() override { ReleaseText(); }
};

TEST_F(TextReaderTest, WorkedExample) {
    Load("[HEADER]\r\nCMD = setup.txt ; script\r\ncmd=other\r\n[COPY]\r\n"
         "COPY=a.dat,100,0\r\nCOPY=b.dat,200,0\r\n");
    EXPECT_EQ(Get("HEADER", "cmd"), "setup.txt ");
    ASSERT_EQ(SeekSection("COPY"), 1);
    EXPECT_EQ(Next("COPY"), "a.dat,100,0");
    EXPECT_EQ(Next("COPY"), "b.dat,200,0");
    EXPECT_EQ(Next("COPY"), NOT_FOUND);
}

TEST_F(TextReaderTest, LoadRewritesCrLfAndCountsLines) {
    Load("A\r\nB\r\nC");
    ASSERT_EQ(Reader.size, 7u);
    EXPECT_EQ(std::string(Reader.text, Reader.size), std::string("A\n\0B\n\0C", 7));
    EXPECT_EQ(Reader.lineCount, 2u);
    EXPECT_EQ(Reader.lineIndex, 0u);
    EXPECT_EQ(Reader.cursor, 0u);
}

struct LookupCase {
    const char *text;
    const char *section;
    const char *key;
    const char *value; // NOT_FOUND when the lookup must fail
};

const LookupCase LOOKUPS[] = {
    // Headers: upper case in the file, matched by the run of A-Z, 0-9 and "_".
    {"[HEADER]\r\nK=1\r\n", "HEADER", "K", "1"},
    {"[HEADER]\r\nK=1\r\n", "header", "K", "1"},
    {"[header]\r\nK=1\r\n", "HEADER", "K", NOT_FOUND},
    {"[header]\r\nK=1\r\n", "header", "K", NOT_FOUND},
    {"[Header]\r\nK=1\r\n", "h", "K", "1"},
    {"[MY-SECTION]\r\nK=1\r\n", "MY-SECTION", "K", NOT_FOUND},
    {"[MY-SECTION]\r\nK=1\r\n", "MY", "K", "1"},
    {"[HEADER\r\nK=1\r\n", "HEADER", "K", "1"},
    {"[HEADER] first part\r\nK=1\r\n", "HEADER", "K", "1"},
    {"[HEADERS]\r\nK=1\r\n", "HEADER", "K", NOT_FOUND},
    {" [HEADER]\r\nK=1\r\n", "HEADER", "K", NOT_FOUND},
    {"[A_1]\r\nK=1\r\n", "a_1", "K", "1"},
    {"[]\r\nK=1\r\n", "", "K", NOT_FOUND},
    {"K=0\r\n[A]\r\nK=1\r\n", "A", "K", "1"},
    // Keys: upper-cased once, compared case-sensitively with the file's text.
    {"[A]\r\nCMD=x\r\n", "A", "cmd", "x"},
    {"[A]\r\ncmd=x\r\n", "A", "cmd", NOT_FOUND},
    {"[A]\r\ncmd=x\r\n", "A", "CMD", NOT_FOUND},
    {"[A]\r\n  CMD=x\r\n", "A", "CMD", NOT_FOUND},
    {"[A]\r\n\tCMD=x\r\n", "A", "CMD", NOT_FOUND},
    {"[A]\r\nCMD  =x\r\n", "A", "CMD", "x"},
    {"[A]\r\nCMD\t=x\r\n", "A", "CMD", NOT_FOUND},
    {"[A]\r\n;CMD=x\r\n", "A", "CMD", NOT_FOUND},
    {"[A]\r\n\r\n=x\r\nCMD=y\r\n", "A", "CMD", "y"},
    // Values: leading blanks go, trailing ones stay, ";" and CR end the value.
    {"[A]\r\nCMD=  a b  ;c\r\n", "A", "CMD", "a b  "},
    {"[A]\r\nCMD=a=b\r\n", "A", "CMD", "a=b"},
    {"[A]\r\nCMD=\tx\r\n", "A", "CMD", "\tx"},
    {"[A]\r\nCMD=a\rb\r\n", "A", "CMD", "a"},
    {"[A]\r\nCMD=a\r\r\n", "A", "CMD", "a"},
    // A matching key without a value still counts: empty value.
    {"[A]\r\nCMD\r\nCMD=x\r\n", "A", "CMD", ""},
    {"[A]\r\nCMD=\r\n", "A", "CMD", ""},
    {"[A]\r\nCMD=;x\r\n", "A", "CMD", ""},
    {"[A]\r\nCMD=   \r\n", "A", "CMD", ""},
    // Any line starting with "[" ends the section.
    {"[A]\r\n[lower\r\nK=1\r\n", "A", "K", NOT_FOUND},
    {"[A]\r\n[\r\nK=1\r\n", "A", "K", NOT_FOUND},
    {"[A]\r\n[  \r\nK=1\r\n", "A", "K", NOT_FOUND},
    {"[A]\r\n[B]\r\nK=1\r\n", "A", "K", NOT_FOUND},
    // Only the first of two sections of one name is read.
    {"[A]\r\nJ=1\r\n[A]\r\nK=2\r\n", "A", "K", NOT_FOUND},
    // A header or key on a last line without a line end is not there.
    {"[A]\r\nK=1", "A", "K", NOT_FOUND},
    {"[A]", "A", "K", NOT_FOUND},
    {"[A]\r\n", "A", "K", NOT_FOUND},
    // Bare LF ends a line as CR LF does, in any mixture.
    {"[A]\nK=1\n", "A", "K", "1"},
    {"[A]\r\nJ=0\nK=1\r\n", "A", "K", "1"},
    {"[A]\nK=1", "A", "K", NOT_FOUND},
    {"[A]\n\r\nK=1\n", "A", "K", "1"},
    // A lone CR at the very end belongs to no line.
    {"[A]\r\nK=1\r", "A", "K", NOT_FOUND},
    {"[A]\r\nK=1\r\n\r", "A", "K", "1"},
    {"\r", "A", "K", NOT_FOUND},
};

TEST_F(TextReaderTest, LookupRules) {
    for (const LookupCase &c : LOOKUPS) {
        SCOPED_TRACE(testing::Message()
                     << "text \"" << c.text << "\" section " << c.section << " key " << c.key);
        Load(c.text);
        EXPECT_EQ(Get(c.section, c.key), c.value);
    }
}

TEST_F(TextReaderTest, SameKeyTwice) {
    Load("[A]\r\nK=first\r\nK=second\r\n");
    EXPECT_EQ(Get("A", "K"), "first");
    EXPECT_EQ(All("A", "K"), (std::vector<std::string>{"first", "second"}));
}

TEST_F(TextReaderTest, NextSectionValueSkipsOtherKeys) {
    Load("[EXECUTE]\r\nCOPY=no\r\nEXE=one\r\nREMOVE=no\r\nEXE=two\r\n[REMOVE]\r\nEXE=no\r\n");
    EXPECT_EQ(All("EXECUTE", "exe"), (std::vector<std::string>{"one", "two"}));
}

TEST_F(TextReaderTest, NextAfterLastValueStaysAtEnd) {
    Load("[A]\r\nK=1\r\n");
    ASSERT_EQ(SeekSection("A"), 1);
    EXPECT_EQ(Next("K"), "1");
    EXPECT_EQ(Next("K"), NOT_FOUND);
    EXPECT_EQ(Reader.lineIndex, Reader.lineCount);
    EXPECT_EQ(Next("K"), NOT_FOUND);
    EXPECT_EQ(Reader.lineIndex, Reader.lineCount);
}

TEST_F(TextReaderTest, HeaderOnLastLine) {
    Load("K=1\r\n[A]\r\n");
    EXPECT_EQ(SeekSection("A"), 1);
    EXPECT_EQ(Reader.lineIndex, 2u);
    EXPECT_EQ(Next("K"), NOT_FOUND);
    EXPECT_EQ(Get("A", "K"), NOT_FOUND);
}

TEST_F(TextReaderTest, CursorPositions) {
    Load("[A]\r\nK=1\r\n[B]\r\nJ=2\r\n");
    EXPECT_EQ(SeekSection("B"), 1);
    EXPECT_EQ(Reader.lineIndex, 3u);
    EXPECT_EQ(Reader.cursor, 15u);
    // The section-ending line has been consumed.
    EXPECT_EQ(Get("A", "J"), NOT_FOUND);
    EXPECT_EQ(Reader.lineIndex, 3u);
    EXPECT_EQ(Next("J"), "2");
    EXPECT_EQ(SeekSection("C"), 0);
    EXPECT_EQ(Reader.lineIndex, Reader.lineCount);
}

TEST_F(TextReaderTest, EmptyTextHasNoLines) {
    Load("");
    EXPECT_EQ(Reader.lineCount, 0u);
    char line[8];
    EXPECT_EQ(ReadLine(line, sizeof line), nullptr);
    EXPECT_EQ(SeekSection("A"), 0);
    EXPECT_EQ(Get("A", "K"), NOT_FOUND);
    EXPECT_EQ(Next("K"), NOT_FOUND);
}

TEST_F(TextReaderTest, FailedLookupLeavesDestinationsAlone) {
    Load("[A]\r\nK=1\r\n");
    char value[8];
    memset(value, 'Z', sizeof value);
    int32_t number = 77;
    EXPECT_EQ(GetSectionValue("A", "J", value, sizeof value, &number), 0);
    EXPECT_EQ(GetSectionValue("B", "K", value, sizeof value, &number), 0);
    EXPECT_EQ(std::string(value, sizeof value), std::string(8, 'Z'));
    EXPECT_EQ(number, 77);
}

TEST_F(TextReaderTest, IntegerDestination) {
    const struct {
        const char *line;
        int32_t number;
    } cases[] = {
        {"N= 42abc", 42},    {"N=-7", -7}, {"N=+8", 8},     {"N=abc", 0},
        {"N=", 0},           {"N", 0},     {"N=\t 9", 9},   {"N=1 2", 1},
        {"N=4294967297", 1}, {"N=- 5", 0}, {"N=12;34", 12},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.line);
        Load(std::string("[A]\r\n") + c.line + "\r\n");
        int32_t number = 77;
        EXPECT_EQ(GetSectionValue("A", "N", nullptr, 0, &number), 1);
        EXPECT_EQ(number, c.number);
    }
}

TEST_F(TextReaderTest, ValueIsCutToItsDestinationAndTerminated) {
    Load("[A]\r\nK=abcdef\r\n");
    char value[16];
    memset(value, 'Z', sizeof value);
    ASSERT_EQ(GetSectionValue("A", "K", value, 4, nullptr), 1);
    EXPECT_EQ(std::string(value, 5), std::string("abc\0Z", 5));

    memset(value, 'Z', sizeof value);
    ASSERT_EQ(GetSectionValue("A", "K", value, 1, nullptr), 1);
    EXPECT_EQ(std::string(value, 2), std::string("\0Z", 2));

    memset(value, 'Z', sizeof value);
    ASSERT_EQ(GetSectionValue("A", "K", value, 0, nullptr), 1);
    EXPECT_EQ(value[0], 'Z');

    // The rest of the destination is zero-filled, as strncpy leaves it.
    memset(value, 'Z', sizeof value);
    ASSERT_EQ(GetSectionValue("A", "K", value, sizeof value, nullptr), 1);
    EXPECT_EQ(std::string(value, sizeof value), std::string("abcdef") + std::string(10, '\0'));
}

TEST_F(TextReaderTest, ReadLineCopiesLineWithItsLineEnd) {
    Load("one\r\ntwo\nthree");
    char line[8];
    memset(line, 'Z', sizeof line);
    ASSERT_EQ(ReadLine(line, sizeof line), line);
    EXPECT_EQ(std::string(line, sizeof line), std::string("one\n\0\0\0\0", 8));
    ASSERT_EQ(ReadLine(line, sizeof line), line);
    EXPECT_STREQ(line, "two\n");
    memset(line, 'Z', sizeof line);
    EXPECT_EQ(ReadLine(line, sizeof line), nullptr);
    EXPECT_EQ(line[0], 'Z');
    EXPECT_EQ(Reader.lineIndex, 2u);
}

TEST_F(TextReaderTest, ReadLineCutsLongLineAndStillStepsPastIt) {
    Load(std::string(300, 'x') + "\r\nnext\r\n");
    char line[128];
    ASSERT_EQ(ReadLine(line, sizeof line), line);
    EXPECT_EQ(std::string(line), std::string(127, 'x'));
    ASSERT_EQ(ReadLine(line, 5), line);
    EXPECT_STREQ(line, "next");
    EXPECT_EQ(ReadLine(line, sizeof line), nullptr);
}

TEST_F(TextReaderTest, LinesUpToTheLimitAreRead) {
    // 126 characters: the longest line that fits the lookups' line buffer.
    std::string value(124, 'v');
    Load("[A]\r\nK=" + value + "\r\n");
    EXPECT_EQ(Get("A", "K"), value);
}

TEST_F(TextReaderTest, LongerLinesAreNeverValues) {
    // A cut line could name a different file; it is passed over whole.
    std::string value(125, 'v');
    Load("[A]\r\nK=" + value + "\r\nK=short\r\nK=" + std::string(5000, 'w') + "\nK=last\r\n");
    EXPECT_EQ(All("A", "K"), (std::vector<std::string>{"short", "last"}));
    EXPECT_EQ(Reader.lineIndex, Reader.lineCount);
}

TEST_F(TextReaderTest, LongLineStartingWithBracketEndsSection) {
    Load("[A]\r\n[" + std::string(400, 'b') + "\r\nK=1\r\n");
    EXPECT_EQ(Get("A", "K"), NOT_FOUND);
}

TEST_F(TextReaderTest, LongHeaderNamesAreComparedWhole) {
    std::string name(300, 'N');
    Load("[" + name + "]\r\nK=1\r\n[" + name + "X]\r\nK=2\r\n");
    EXPECT_EQ(Get(name.c_str(), "K"), "1");
    EXPECT_EQ(Get((name + "X").c_str(), "K"), "2");
    EXPECT_EQ(Get(name.substr(0, 131).c_str(), "K"), NOT_FOUND);
}

TEST_F(TextReaderTest, NulBytesStayInsideTheirLine) {
    // A NUL hides the rest of its line; the line count and the lines after it
    // are unaffected, and a line holding a NUL gives no value.
    const std::string text("[A]\r\nK=ab\0cd\r\nK=2\r\n\0K=3\r\n[\0B]\r\nK=4\r\n", 36);
    Load(text);
    EXPECT_EQ(Reader.lineCount, 6u);
    EXPECT_EQ(All("A", "K"), (std::vector<std::string>{"2"}));

    ASSERT_EQ(SeekSection("A"), 1);
    char line[16];
    ASSERT_EQ(ReadLine(line, sizeof line), line);
    EXPECT_STREQ(line, "K=ab");
    ASSERT_EQ(ReadLine(line, sizeof line), line);
    EXPECT_STREQ(line, "K=2\n");
    ASSERT_EQ(ReadLine(line, sizeof line), line);
    EXPECT_STREQ(line, "");
    ASSERT_EQ(ReadLine(line, sizeof line), line);
    EXPECT_STREQ(line, "[");
}

TEST_F(TextReaderTest, ReleaseEmptiesTheReader) {
    Load("[A]\r\nK=1\r\n");
    EXPECT_EQ(ReleaseText(), 1);
    EXPECT_EQ(Reader.text, nullptr);
    EXPECT_EQ(Reader.size, 0u);
    char line[8];
    EXPECT_EQ(ReadLine(line, sizeof line), nullptr);
    EXPECT_EQ(Get("A", "K"), NOT_FOUND);
    EXPECT_EQ(ReleaseText(), 1);
}

// Files on disk, in the test's working directory.
class TextFileTest : public TextReaderTest {
  protected:
    void Write(const char *name, const std::string &bytes) {
        FILE *file = fopen(name, "wb");
        ASSERT_NE(file, nullptr);
        ASSERT_EQ(fwrite(bytes.data(), 1, bytes.size(), file), bytes.size());
        fclose(file);
        written.push_back(name);
    }
    void TearDown() override {
        TextReaderTest::TearDown();
        for (const std::string &name : written) {
            remove(name.c_str());
        }
    }
    std::vector<std::string> written;
};

TEST_F(TextFileTest, LoadsFileAndReplacesPreviousText) {
    Write("reader-one.txt", "[HEADER]\r\nCMD=one.txt\r\n");
    Write("reader-two.txt", "[HEADER]\nCMD=two.txt\n");
    ASSERT_EQ(LoadTextFile("reader-one.txt"), 1);
    EXPECT_EQ(Reader.size, 23u);
    EXPECT_EQ(Get("HEADER", "CMD"), "one.txt");
    ASSERT_EQ(LoadTextFile("reader-two.txt"), 1);
    EXPECT_EQ(Get("HEADER", "CMD"), "two.txt");
}

TEST_F(TextFileTest, EmptyFileLoads) {
    Write("reader-empty.txt", "");
    ASSERT_EQ(LoadTextFile("reader-empty.txt"), 1);
    EXPECT_EQ(Reader.lineCount, 0u);
    EXPECT_EQ(SeekSection("A"), 0);
}

TEST_F(TextFileTest, FailedLoadLeavesNothingLoaded) {
    Write("reader-one.txt", "[A]\r\nK=1\r\n");
    ASSERT_EQ(LoadTextFile("reader-one.txt"), 1);
    EXPECT_EQ(LoadTextFile("reader-missing.txt"), 0);
    EXPECT_EQ(Reader.text, nullptr);
    EXPECT_EQ(Reader.lineCount, 0u);
    EXPECT_EQ(Get("A", "K"), NOT_FOUND);
}

TEST_F(TextFileTest, FileHeldOpenByAnotherCannotBeLoadedOnWindows) {
    if (PathSeparator != '\\') {
        GTEST_SKIP() << "files are opened without sharing only on Windows";
    }
    Write("reader-held.txt", "[A]\r\nK=1\r\n");
    FileHandle held = OpenFileShared("reader-held.txt");
    ASSERT_NE(held, NO_FILE);
    EXPECT_EQ(LoadTextFile("reader-held.txt"), 0);
    CloseFileHandle(held);
    EXPECT_EQ(LoadTextFile("reader-held.txt"), 1);
}

} // namespace
