// The terminal backend in-process: wrapping, defused control characters, the bar's
// cells, and the window at every width.
#include "state/version.h"
#include "ui/terminal/screen.h"

#include <gtest/gtest.h>

#include <string.h>

#include <algorithm>
#include <string>

namespace {

TEST(TerminalText, WrappingDefusingCapabilitiesAndBar) {
    auto wrap = [](const std::string &text, int width) {
        std::string lines;
        char line[16]; // shorter than some lines: they are cut, never overrun
        for (size_t at = 0; NextWrappedLine(text.c_str(), &at, width, line, sizeof line);)
            lines += std::string(line) + "|";
        return lines;
    };
    EXPECT_EQ(wrap("one two three four", 9), "one two|three|four|");
    EXPECT_EQ(wrap("a\r\n\r\nb\r\n", 10), "a||b|");
    EXPECT_EQ(wrap("abcdefghijk", 4), "abcd|efgh|ijk|");
    EXPECT_EQ(wrap("exactly10!", 10), "exactly10!|");
    EXPECT_EQ(wrap(std::string(70, 'x'), 80), std::string(15, 'x') + "|");
    char clean[16];
    EXPECT_STREQ(SanitizeText("a\x1b[2Jb\tc", clean, sizeof clean), "a?[2Jb?c");
    EXPECT_STREQ(SanitizeText("0123456789abcdefghij", clean, sizeof clean), "0123456789abcde");
    EXPECT_TRUE(TerminalCanMoveCursor(1, "xterm") && TerminalCanUseColour(1, "") &&
                TerminalCanUseColour(1, nullptr));
    for (const char *term : {"dumb", "", static_cast<const char *>(nullptr)})
        EXPECT_FALSE(TerminalCanMoveCursor(1, term)) << (term ? term : "unset");
    EXPECT_FALSE(TerminalCanMoveCursor(0, "xterm") || TerminalCanUseColour(1, "1"));
    const struct {
        ProgressState bar;
        const char *shown;
    } rows[] = {{{0, 100, 50, 1}, "[#####.....]  50%"},
                {{5, 5, 5, 1}, "[..........]   0%"}, // an empty range
                {{10, 20, 20, 1}, "[##########] 100%"},
                {{0, 65535, 65534, 1}, "[#########.]  99%"}};
    char text[64];
    for (const auto &row : rows) {
        FormatProgressBar(&row.bar, 10, text, sizeof text);
        EXPECT_STREQ(text, row.shown);
    }
}

TEST(TerminalText, WindowFitsEveryWidthAndShowsGreyedParts) {
    std::string status(255, 's'), dir = "/" + std::string(300, 'd') + "/product", shown[2];
    ScreenState state{WizardTitle, dir.c_str(), status.c_str(), 0, {0, 100, 0, 1}, 1, 0};
    static ScreenLines lines;
    for (int width : {10, 39, 78, 200}) {
        ComposeProgressScreen(&state, width, 0, &lines);
        int limit = std::max(+SCREEN_MIN_WIDTH, std::min(width, +SCREEN_MAX_WIDTH));
        for (int i = 0; i < lines.count; i++) {
            EXPECT_LE(static_cast<int>(strlen(lines.line[i])), limit)
                << width << ": " << lines.line[i];
            shown[0] += width == 39 ? std::string(lines.line[i]) + "\n" : "";
        }
    }
    EXPECT_EQ(shown[0].rfind(WIZARD_PRODUCT "\nv" WIZARD_VERSION "\n=", 0), 0u) << shown[0];
    for (const char *part : {"(inactive)", "[ Cancel ]", "  Finish", "...d", "d/product\n"})
        EXPECT_NE(shown[0].find(part), std::string::npos) << part;
    state.resourcesEnabled = state.finishEnabled = 1;
    state.cancelEnabled = 0;
    ComposeProgressScreen(&state, 78, 1, &lines);
    for (int i = 0; i < lines.count; i++)
        shown[1] += lines.line[i];
    for (const char *part : {"[ Finish ]", "\x1b[2m  Cancel  ", "Press Enter to finish."})
        EXPECT_NE(shown[1].find(part), std::string::npos) << part;
}

} // namespace
