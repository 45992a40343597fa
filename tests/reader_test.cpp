// The text reader, comma values, numbers and the work list.
#include "script/text_reader.h"
#include "script/values.h"
#include "support.h"
#include "sys/files.h"
#include "update/work_list.h"

#include <string.h>

#include <tuple>

using namespace std::string_literals;

namespace {

// Every value of key in the first section of that name, each as "[value]",
// cut to size - 1 and terminated, the rest zero-filled and nothing beyond; a
// lookup that finds nothing must leave its destination alone.
std::string Values(const std::string &text, const std::string &section, const std::string &key,
                   size_t size) {
    EXPECT_EQ(LoadTextBytes(text.data(), text.size()), 1);
    std::string found;
    for (int first = 1;; first = 0) {
        char value[129];
        memset(value, 'Z', sizeof value);
        int got = first ? GetSectionValue(section.c_str(), key.c_str(), value, size)
                        : NextSectionValue(key.c_str(), value, size);
        if (!got) {
            EXPECT_EQ(value[0], 'Z');
            break;
        }
        size_t length = strnlen(value, size);
        EXPECT_EQ(std::string(value + length, size + 1 - length),
                  std::string(size - length, 0) + "Z");
        found += "[" + std::string(value, length) + "]";
    }
    ReleaseText();
    return found;
}

struct Lookup {
    std::string text, section, key, values;
    size_t size = 128;
};

TEST(Reader, LookupTable) {
    std::vector<Lookup> rows = {
        {"[HEADER]\r\nCMD = setup.txt ; c\r\ncmd=o\r\n", "HEADER", "cmd", "[setup.txt ]"},
        // Headers: the file's run of A-Z, 0-9 and "_" equals the upper-cased name.
        {"[Header]\r\nK=1\r\n", "h", "K", "[1]"},
        {"[MY-SECTION]\r\nK=1\r\n", "MY-SECTION", "K", ""},
        {"[HEADERS]\r\nK=1\r\n", "HEADER", "K", ""},
        {"[HEAD]\r\nK=1\r\n", "HEADER", "K", ""},
        {" [A]\r\nK=1\r\n", "A", "K", ""},
        {"[A_1]\r\nK=1\r\n", "a_1", "K", "[1]"},
        {"[]\r\nK=1\r\n", "", "K", ""},
        {"K=0\r\n[A]\r\nK=1\r\nK=2\r\n", "A", "K", "[1][2]"},
        {"[" + std::string(300, 'N') + "]\r\nK=1\r\n", std::string(300, 'N'), "K", "[1]"},
        {"[" + std::string(300, 'N') + "X]\r\nK=1\r\n", std::string(300, 'N'), "K", ""},
        {"[" + std::string(300, 'N') + "]\r\nK=1\r\n", std::string(131, 'N'), "K", ""},
        // Keys: upper-cased once, compared with the file's text case for case.
        {"[A]\r\nCMD=x\r\n", "A", "cmd", "[x]"},
        {"[A]\r\n  CMD=x\r\n\tCMD=y\r\nCMD\t=z\r\n;CMD=c\r\n", "A", "CMD", ""},
        {"[A]\r\nCMD  =x\r\n", "A", "CMD", "[x]"},
        {"[A]\r\nCM=x\r\nCMDX=y\r\n\r\n=z\r\n", "A", "CMD", ""},
        {"[EXE]\r\nCOPY=no\r\nEXE=one\r\nX=no\r\nEXE=two\r\n[B]\r\nEXE=no\r\n", "EXE", "exe",
         "[one][two]"},
        // Values: leading blanks go, trailing ones stay, ";" and CR end them.
        {"[A]\r\nK=  a b  ;c\r\nK=a=b\r\nK=\tx\r\nK=a\rb\r\nK=c\r\r\n", "A", "K",
         "[a b  ][a=b][\tx][a][c]"},
        {"[A]\r\nK\r\nK=\r\nK=;x\r\nK=   \r\n", "A", "K", "[][][][]"},
        {"[A]\r\nN= 42abc\r\nN=-7\r\nN=- 5\r\nN=4294967297\r\n", "A", "N",
         "[42abc][-7][- 5][4294967297]"},
        // A line without its line end is no line; bare LF ends one as CR LF does.
        {"[A]\nK=1\nK=2", "A", "K", "[1]"},
        {"[A]\n\r\nK=1\n", "A", "K", "[1]"},
        {"[A]\r\nK=a\n\rK=b\r\nK=c\r\n", "A", "K", "[a][c]"},
        {"[A]\r\nK=1\r\n\r", "A", "K", "[1]"},
        // A NUL hides the rest of its line, and such a line gives no value.
        {std::string(300, '\0') + "\r\n[A]\r\nK=1\r\n", "A", "K", "[1]"},
        {"[A]\0x\r\nK=1\r\n"s, "A", "K", "[1]"},
    };
    // Lines up to 126 characters are read; longer ones are passed over whole.
    // A cut line's tail would look like a line of its own.
    for (size_t length : {0u, 1u, 4u}) // the destination's size, which may be none at all
        rows.push_back({"[A]\r\nK=abcdef\r\n", "A", "K",
                        "[" + std::string("abcdef", length ? length - 1 : 0) + "]", length});
    for (size_t length : {126u, 127u, 100000u}) {
        std::string line = "K=" + std::string(length - 8, 'n') + "K=evil";
        rows.push_back({"[A]\r\n" + line + "\r\nK=next\r\n", "A", "K",
                        (length <= 126 ? "[" + line.substr(2) + "]" : "") + "[next]"});
    }
    for (const Lookup &row : rows) {
        std::string shown = row.text.size() < 200 ? row.text : row.text.substr(0, 60) + "...";
        EXPECT_EQ(Values(row.text, row.section, row.key, row.size), row.values)
            << "text \"" << shown << "\" section " << row.section << " key " << row.key << " size "
            << row.size;
    }
}

// Every line whose first character is "[" ends a section, whatever follows it:
// a header or not, readable or not; only the first section of a name is read.
TEST(Reader, WhichLinesEndASection) {
    const struct {
        const char *name;
        std::string line;
        bool ends;
    } rows[] = {
        {"a header", "[B]", true},
        {"the same header again", "[A]", true},
        {"a header in lower case", "[b]", true},
        {"unclosed", "[B", true},
        {"a bracket alone", "[", true},
        {"an empty name", "[]", true},
        {"blanks in the brackets", "[ B ]", true},
        {"a name that is no header's", "[MY-SECTION]", true},
        {"a key after the bracket", "[K=2", true},
        {"a NUL after the bracket", "[\0B]"s, true},
        {"a NUL inside the name", "[B\0]"s, true},
        {"the longest line read", "[" + std::string(124, 'B') + "]", true},
        {"one character longer", "[" + std::string(125, 'B') + "]", true},
        {"100,000 characters", "[" + std::string(100000, 'b'), true},
        {"a bare CR inside", "[\rK=3", true},
        {"a blank first", " [B]", false},
        {"a tab first", "\t[B]", false},
    };
    for (const auto &row : rows)
        EXPECT_EQ(Values("[A]\r\nK=1\r\n" + row.line + "\r\nK=2\r\n", "A", "K", 128),
                  row.ends ? "[1]" : "[1][2]")
            << row.name;
}

TEST(Reader, LoadAndReadLine) {
    std::string text = "one\r\ntwo\n" + std::string(300, 'x') + "\r\nfour\r\nfi\rve"s;
    ASSERT_EQ(LoadTextBytes(text.data(), text.size()), 1);
    EXPECT_EQ(std::string(Reader.text, 9), "one\n\0two\n"s);
    char line[128];
    memset(line, 'Z', sizeof line);
    ASSERT_EQ(ReadLine(line, 8), line);
    EXPECT_EQ(std::string(line, 9), "one\n\0\0\0\0Z"s) << "zero-filled, no further";
    // The next lines in turn: whole, cut to the buffer, cut to a smaller size.
    const std::pair<std::string, size_t> next[] = {
        {"two\n", sizeof line}, {std::string(127, 'x'), sizeof line}, {"fou", 4}};
    for (const auto &[expected, size] : next) {
        ASSERT_EQ(ReadLine(line, size), line);
        EXPECT_EQ(line, expected);
    }
    memset(line, 'Z', sizeof line);
    EXPECT_EQ(ReadLine(line, sizeof line), nullptr);
    EXPECT_EQ(line[0], 'Z');
    EXPECT_EQ(UnendedLength(), 5u) << "a bare CR ends no line";
    EXPECT_EQ(ReleaseText(), 1);
    EXPECT_EQ(ReadLine(line, sizeof line), nullptr);
}

class ReaderFile : public ScratchTest {};

TEST_F(ReaderFile, LoadsAndFails) {
    WriteFile("empty.txt", "");
    ASSERT_EQ(LoadTextFile("empty.txt"), 1);
    EXPECT_EQ(Reader.lineCount, 0u);
    EXPECT_EQ(LoadTextFile("missing.txt"), 0);
    EXPECT_EQ(Reader.text, nullptr);
#ifdef _WIN32
    // Opened without sharing: a file someone else has open cannot be read.
    FileHandle held;
    ASSERT_EQ(OpenToRead("empty.txt", SHARE_ALL, &held), 0);
    EXPECT_EQ(LoadTextFile("empty.txt"), 0);
    CloseFileHandle(held);
#endif
}

TEST(Values, ParseIntegerFollowsAtoiAndWraps) {
    const struct {
        const char *text;
        int32_t number;
    } rows[] = {{"  -12x", -12},
                {"+5", 5},
                {"\t\n\v\f\r 7", 7},
                {"- 5", 0},
                {"+-5", 0},
                {"0x10", 0},
                {"007", 7},
                {"-2147483648", INT32_MIN},
                {"2147483648", INT32_MIN},
                {"-4294967297", -1}};
    for (const auto &row : rows)
        EXPECT_EQ(ParseInteger(row.text), row.number) << row.text;
}

// Each entry from its comma fields (empty ones vanish).
TEST(WorkList, EntriesFromValues) {
    const struct {
        const char *value, *name;
        int32_t time, extra;
        uint32_t kind; // given afterwards, for the counts
    } rows[] = {{"name.exe,100,7,9", "name.exe", 100, 7, ENTRY_COPY},
                {"name.exe,,7,", "name.exe", 7, 0, ENTRY_ADD},
                {",,name.exe", "name.exe", 0, 0, ENTRY_ADD | ENTRY_FAILED},
                {" a;b ,abc", " a;b ", 0, 0, ENTRY_REMOVE},
                {"run.exe a,b 3,-4", "run.exe a", 0, -4, ENTRY_CLEANUP},
                {",,,", "", 0, 0, ENTRY_EXECUTE}};
    for (const auto &row : rows) {
        std::string value = row.value;
        WorkEntry *entry = AddWorkEntry(&value[0]);
        ASSERT_NE(entry, nullptr);
        EXPECT_EQ(entry->kind, 0u);
        entry->kind = row.kind;
        EXPECT_EQ(std::tie(entry->name, entry->time, entry->extra),
                  std::make_tuple(std::string(row.name), row.time, row.extra))
            << row.value;
    }
    EXPECT_EQ(CountWorkEntries(ENTRY_ADD), 2);
    EXPECT_EQ(CountWorkEntries(ENTRY_ADD | ENTRY_COPY), 3);
    EXPECT_EQ(CountWorkEntries(ENTRY_FAILED | ENTRY_REMOVE), 2);
    EXPECT_EQ(CountWorkEntries(0), 0);
    std::string value = std::string(300, 'n') + ",5";
    WorkEntry *entry = AddWorkEntry(&value[0]);
    EXPECT_EQ(entry->name, std::string(NAME_SIZE - 1, 'n'));
    EXPECT_EQ(entry->time, 5);
    FreeWorkList();
    EXPECT_EQ(Wizard.WorkListHead, nullptr);
}

} // namespace
