// Command-line splitting by the Windows runtime's rules.
#include "sys/posix/command_line.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

CommandLineWords words; // too large for the stack

std::vector<std::string> Split(const char *line) {
    std::vector<std::string> result;
    int count = SplitCommandLine(line, &words);
    for (int i = 0; i < count; i++)
        result.push_back(words.Words[i]);
    EXPECT_EQ(words.Words[count < 0 ? 0 : count], nullptr);
    return result;
}

struct Case {
    const char *line;
    std::vector<std::string> words;
};

void Check(const std::vector<Case> &cases) {
    for (const Case &c : cases) {
        SCOPED_TRACE(c.line);
        EXPECT_EQ(Split(c.line), c.words);
    }
}

TEST(CommandLine, BlanksSeparateWords) {
    Check({
        {"", {}},
        {" \t ", {}},
        {"prog", {"prog"}},
        {"  prog  a   b\tc \t", {"prog", "a", "b", "c"}},
        {"util.exe RES.DAT SRC.DAT /WORK", {"util.exe", "RES.DAT", "SRC.DAT", "/WORK"}},
        // Only blank and tab separate.
        {"prog a\nb a\rb", {"prog", "a\nb", "a\rb"}},
    });
}

TEST(CommandLine, TheProgramTakesQuotesOnlyForGrouping) {
    Check({
        {"\"C:\\Program Files\\util.exe\" a", {"C:\\Program Files\\util.exe", "a"}},
        {"C:\\\"Program Files\"\\util.exe", {"C:\\Program Files\\util.exe"}},
        // Backslashes before a quote stay in the program's name.
        {"dir\\\\\"x y\" z", {"dir\\\\x y", "z"}},
        {"dir\\\"x y\" z", {"dir\\x y", "z"}},
        {"\"\" a", {"", "a"}},
        {"\"open to the end", {"open to the end"}},
    });
}

TEST(CommandLine, QuotesGroupAndVanish) {
    Check({
        {"p \"a b\" c", {"p", "a b", "c"}},
        {"p a\"b c\"d", {"p", "ab cd"}},
        {"p \"\"", {"p", ""}},
        {"p \"\" \"\"", {"p", "", ""}},
        {"p \"a\t b\"", {"p", "a\t b"}},
        {"p \"open to the end  ", {"p", "open to the end  "}},
    });
}

TEST(CommandLine, BackslashesCountOnlyBeforeAQuote) {
    Check({
        {"p a\\b a\\\\b \\\\server\\share\\", {"p", "a\\b", "a\\\\b", "\\\\server\\share\\"}},
        // 2n backslashes and a quote: n backslashes, the quote groups.
        {"p a\\\\\"b c\"", {"p", "a\\b c"}},
        {"p a\\\\\\\\\"b c\"", {"p", "a\\\\b c"}},
        // 2n+1 backslashes and a quote: n backslashes and a literal quote.
        {"p \\\"a", {"p", "\"a"}},
        {"p a\\\\\\\"b c", {"p", "a\\\"b", "c"}},
        {"p \"a \\\" b\"", {"p", "a \" b"}},
        {"p \"C:\\dir\\\\\" next", {"p", "C:\\dir\\", "next"}},
        {"p \"C:\\dir\\\" next", {"p", "C:\\dir\" next"}},
        {"p trailing\\", {"p", "trailing\\"}},
    });
}

TEST(CommandLine, TwoQuotesInsideQuotesGiveOneAndStayQuoted) {
    Check({
        {"p \"a\"\"b\"", {"p", "a\"b"}},
        {"p \"a\"\" b\" c", {"p", "a\" b", "c"}},
        {"p a\"b\"\" c d", {"p", "ab\" c d"}},
        {"p \"\"\"\"", {"p", "\""}},
        // Outside quotes two quotes open and close an empty part.
        {"p a\"\"b", {"p", "ab"}},
    });
}

TEST(CommandLine, TheLongestLineFitsAndALongerOneIsRefused) {
    std::string line = "p";
    while (line.size() + 2 < COMMAND_LINE_SIZE)
        line += " x";
    ASSERT_EQ(line.size(), (size_t)COMMAND_LINE_SIZE - 1);
    EXPECT_EQ(SplitCommandLine(line.c_str(), &words), COMMAND_LINE_WORDS);
    EXPECT_STREQ(words.Words[COMMAND_LINE_WORDS - 1], "x");
    EXPECT_EQ(words.Words[COMMAND_LINE_WORDS], nullptr);

    std::string quoted(COMMAND_LINE_SIZE - 1, '"');
    EXPECT_GE(SplitCommandLine(quoted.c_str(), &words), 1);

    line += "y";
    EXPECT_EQ(SplitCommandLine(line.c_str(), &words), -1);
    EXPECT_EQ(words.Words[0], nullptr);
}

} // namespace
