// Hostile update files: overlong lines, NUL bytes, mixed line ends, missing line
// ends, huge scripts, format specifiers in names, odd EXECUTE lines, repeated
// sections and lower-case keys. Each is planned or run whole; the wizard must
// take only what the file really says and change no file it was not told to.
#include "support.h"

#include <chrono>
#include <stdio.h>

using namespace hardening;

namespace {

class HostileScript : public ProductTest {
  protected:
    // The COPY entries that planning takes from these section lines.
    std::vector<std::string> CopyEntries(const std::vector<std::string> &copyLines) {
        std::vector<std::string> lines = {"[COPY]"};
        lines.insert(lines.end(), copyLines.begin(), copyLines.end());
        WriteUpdate(Script(lines), TEST_UTILITY_PATH);
        EXPECT_EQ(Plan(), 1);
        std::vector<std::string> names;
        for (WorkEntry *e = Wizard.WorkListHead; e != nullptr; e = e->next)
            if (e->kind & ENTRY_COPY)
                names.insert(names.begin(), e->name);
        FreeWorkList();
        return names;
    }

    // The same from raw bytes after "[COPY]" and its CR LF.
    std::vector<std::string> CopyEntriesFromBytes(const std::string &bytes) {
        WriteUpdate(Script({"[COPY]"}) + bytes, TEST_UTILITY_PATH);
        EXPECT_EQ(Plan(), 1);
        std::vector<std::string> names;
        for (WorkEntry *e = Wizard.WorkListHead; e != nullptr; e = e->next)
            if (e->kind & ENTRY_COPY)
                names.insert(names.begin(), e->name);
        FreeWorkList();
        return names;
    }
};

// A COPY line of exactly length characters whose tail looks like another line.
std::string CopyLineOfLength(size_t length) {
    std::string line = "COPY=";
    std::string tail = "COPY=evil.dll";
    while (line.size() + tail.size() < length)
        line += 'n';
    line += tail;
    line.resize(length, 'n');
    return line;
}

// The tail of an overlong line looks like a line of its own: it must not
// become one.
TEST_F(HostileScript, LinesOfEveryLengthAroundTheLimit) {
    for (size_t length : {125u, 126u, 127u, 128u, 131u, 132u, 200u, 100000u}) {
        SCOPED_TRACE(length);
        std::string line = CopyLineOfLength(length);
        std::vector<std::string> expected;
        if (length <= 126)
            expected.push_back(line.substr(5));
        expected.push_back("next.dat");
        EXPECT_EQ(CopyEntries({line, "COPY=next.dat"}), expected);
        EXPECT_TRUE(Warnings().empty());
    }
}

TEST_F(HostileScript, NulBytesHideTheRestOfTheirLine) {
    const std::string nul(1, '\0');
    struct Case {
        const char *what;
        std::string bytes;
        std::vector<std::string> names;
    } cases[] = {
        {"inside a value", "COPY=a" + nul + "b.dat\r\nCOPY=next.dat\r\n", {"next.dat"}},
        {"at the start", nul + "COPY=a.dat\r\nCOPY=next.dat\r\n", {"next.dat"}},
        {"after the value", "COPY=a.dat" + nul + "\r\nCOPY=next.dat\r\n", {"next.dat"}},
        {"a line of NULs", std::string(300, '\0') + "\r\nCOPY=next.dat\r\n", {"next.dat"}},
        {"after a header", "[REMOVE]" + nul + "x\r\nREMOVE=old.dll\r\n", {}},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(CopyEntriesFromBytes(c.bytes), c.names);
    }
}

TEST_F(HostileScript, BareCrAndBareLfMixes) {
    struct Case {
        const char *what;
        std::string bytes;
        std::vector<std::string> names;
    } cases[] = {
        {"bare LF ends a line", "COPY=a.dat\nCOPY=b.dat\n", {"a.dat", "b.dat"}},
        {"bare CR ends the value, not the line", "COPY=a.dat\rCOPY=b.dat\r\n", {"a.dat"}},
        {"CR CR LF", "COPY=a.dat\r\r\nCOPY=b.dat\r\n", {"a.dat", "b.dat"}},
        {"LF CR", "COPY=a.dat\n\rCOPY=b.dat\r\n", {"a.dat"}},
        {"a lone CR at the end", "COPY=a.dat\r\nCOPY=b.dat\r", {"a.dat"}},
        {"no line end after the last value", "COPY=a.dat\r\nCOPY=b.dat", {"a.dat"}},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(CopyEntriesFromBytes(c.bytes), c.names);
    }
}

TEST_F(HostileScript, APointerFileWithoutAnyLineEndNamesNoScript) {
    WriteUpdate(Script({}), TEST_UTILITY_PATH);
    WriteFile("update.wiz", "[HEADER]CMD=setup.txt");
    Picture before = TakePicture();
    EXPECT_EQ(RunWizard(), 0);
    EXPECT_EQ(Warnings(),
              std::vector<std::string>{"Configuration file () could not be located. Aborting."});
    EXPECT_EQ(Changed(before, TakePicture()), std::vector<std::string>{});
}

TEST_F(HostileScript, RepeatedSectionsOnlyTheFirstCounts) {
    EXPECT_EQ(CopyEntries({"COPY=a.dat", "[REMOVE]", "REMOVE=x.dll", "[COPY]", "COPY=b.dat"}),
              std::vector<std::string>{"a.dat"});
    WriteUpdate(Script({}), TEST_UTILITY_PATH);
    WriteFile("update.wiz", Lines({"[HEADER]", "CMD=setup.txt", "[HEADER]", "CMD=other.txt"}));
    EXPECT_EQ(Plan(), 1);
    EXPECT_STREQ(Wizard.ScriptFileName, "setup.txt");
}

TEST_F(HostileScript, LowerCaseKeysAndHeadersAreNotRecognised) {
    struct Case {
        const char *what;
        std::vector<std::string> lines;
        std::vector<std::string> names;
    } cases[] = {
        {"lower-case key", {"copy=a.dat", "COPY=b.dat"}, {"b.dat"}},
        {"mixed-case key", {"Copy=a.dat", "COPY=b.dat"}, {"b.dat"}},
        {"blank before the key", {" COPY=a.dat", "COPY=b.dat"}, {"b.dat"}},
        {"blanks after the key", {"COPY  =a.dat"}, {"a.dat"}},
        {"lower-case header ends the section", {"COPY=a.dat", "[copy]", "COPY=b.dat"}, {"a.dat"}},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(CopyEntries(c.lines), c.names);
    }
    // A pointer file in lower case names no script.
    WriteUpdate(Script({}), TEST_UTILITY_PATH);
    WriteFile("update.wiz", Lines({"[header]", "cmd=setup.txt"}));
    EXPECT_EQ(Plan(), 0);
    EXPECT_EQ(Warnings(),
              std::vector<std::string>{"Configuration file () could not be located. Aborting."});
}

// Names of 127 characters and more do not fit a line of the design (key, "="
// and name), so they are never taken: the warning then names nothing, and no
// shortened name (which could be another file) is ever used.
TEST_F(HostileScript, OverlongNamesAreNeverCutToAnotherName) {
    struct Case {
        const char *key;
        const char *warning;
    } cases[] = {
        {"DST", "Resource file () could not be located. Aborting."},
        {"RESEXE", "Resource Utility () could not be located. Aborting."},
    };
    for (const Case &c : cases) {
        for (size_t length : {127u, 128u, 300u}) {
            SCOPED_TRACE(std::string(c.key) + " " + std::to_string(length));
            RecordingReset();
            std::string name(length, 'r');
            // The name cut to 127 or to what fits a line exists: it must not be used.
            WriteFile(name.substr(0, 127), "cut");
            WriteFile(name.substr(0, 126 - 1 - strlen(c.key)), "cut");
            std::string script =
                Lines({"[HEADER]",
                       std::string("DST=") +
                           (strcmp(c.key, "DST") == 0 ? name : std::string("product.res")),
                       "[PRECHECK]",
                       std::string("RESEXE=") +
                           (strcmp(c.key, "RESEXE") == 0 ? name : std::string("restool.exe"))});
            WriteUpdate(script, TEST_UTILITY_PATH);
            EXPECT_EQ(Plan(), 0);
            EXPECT_EQ(Warnings(), std::vector<std::string>{c.warning});
        }
    }
}

TEST_F(HostileScript, FormatSpecifiersInNamesAreShownLiterally) {
    const std::string odd = "%s%n%x";
    struct Case {
        const char *what;
        std::string pointer;
        std::string script;
        std::string warning;
    } cases[] = {
        {"script name", Lines({"[HEADER]", "CMD=" + odd + ".txt"}), "",
         "Configuration file (" + odd + ".txt) could not be located. Aborting."},
        {"utility name", Lines({"[HEADER]", "CMD=setup.txt"}),
         Lines({"[HEADER]", "DST=product.res", "[PRECHECK]", "RESEXE=" + odd + ".exe"}),
         "Resource Utility (" + odd + ".exe) could not be located. Aborting."},
        {"archive name", Lines({"[HEADER]", "CMD=setup.txt"}),
         Lines({"[HEADER]", "DST=" + odd + ".res", "[PRECHECK]", "RESEXE=restool.exe"}),
         "Resource file (" + odd + ".res) could not be located. Aborting."},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        RecordingReset();
        WriteUpdate(c.script, TEST_UTILITY_PATH);
        WriteFile("update.wiz", c.pointer);
        EXPECT_EQ(Plan(), 0);
        EXPECT_EQ(Warnings(), std::vector<std::string>{c.warning});
    }
}

// A whole run where every entry kind carries format specifiers: the broken
// compressed file is named literally in both warnings, the cleanup name that
// cannot be deleted literally in the status, and the run completes.
TEST_F(HostileScript, FormatSpecifiersInEveryEntryKindThroughAWholeRun) {
    const std::string odd = "%s%n%x";
    WriteUpdate(Script({"[COPY]", "COPY=" + odd + ".dat,100", "[EXECUTE]", "EXE=" + odd, "[REMOVE]",
                        "REMOVE=" + odd + ".old"}),
                TEST_UTILITY_PATH);
    // Compressed and cut short: its expansion fails.
    WriteFile(odd + ".dat", std::string("SZDD\x88\xF0\x27\x33\x41\0\x10\0\0\0", 14));
    WriteFile(odd + ".old", "old");
    fs::create_directory(odd + ".dir");
    WriteFile("given.dmp", Lines({"[PFF]", "ENTRY=" + odd + ".dir"}));
    SetSetting("WIZARD_TEST_DMP", "given.dmp");

    EXPECT_EQ(RunWizard(), 0);

    std::vector<std::string> warnings = Warnings();
    ASSERT_EQ(warnings.size(), 2u);
    EXPECT_EQ(warnings[0], "An error occured during file copy(-3).");
    EXPECT_EQ(warnings[1],
              "An error occured during decompression of file (" + odd + ".dat). Skipping.");
    std::vector<std::string> statuses = RecordedWith("status ");
    std::string cleanup = "Could not delete file: " + odd + ".dir (";
    bool reported = false;
    for (const std::string &text : statuses)
        reported = reported || text.compare(0, cleanup.size(), cleanup) == 0;
    EXPECT_TRUE(reported);
    EXPECT_EQ(LastStatus(), "All done.");
    EXPECT_FALSE(fs::exists(odd + ".old"));
    EXPECT_EQ(ReadFile(odd + ".dat").size(), 14u);
}

// EXECUTE lines are cut at their first comma; quotes are passed on as they are.
TEST_F(HostileScript, CommasAndQuotesInExecuteLines) {
    WriteUpdate(Script({"[EXECUTE]", "EXE=\"my tool.exe\" \"one two\" three,100,5",
                        "EXE=\"my tool.exe\" \"a,b\"", "EXE=,,,", "EXE=\"\"\"\""}),
                TEST_UTILITY_PATH);
    fs::copy_file(TEST_UTILITY_PATH, "my tool.exe");
    SetSetting("WIZARD_TEST_LOG", "log.txt");
    Picture before = TakePicture();

    EXPECT_EQ(RunWizard(), 0);

    EXPECT_TRUE(Warnings().empty());
    EXPECT_EQ(LastStatus(), "All done.");
    std::string log = ReadFile("log.txt");
    // Each run logs its arguments after its own name.
    EXPECT_NE(log.find(" one two three\n"), std::string::npos) << log;
    EXPECT_NE(log.find(" a\n"), std::string::npos) << log;
    // Only the log is new; the cleanup list was handed out and read.
    EXPECT_EQ(Changed(before, TakePicture()), (std::vector<std::string>{"given.dmp", "log.txt"}));
}

TEST_F(HostileScript, HundredThousandEntriesInOneSection) {
    if (!BigCasesWanted())
        GTEST_SKIP() << "big cases run natively only (WIZARD_BIG_CASES=1)";
    std::string script = Script({"[REMOVE]"});
    for (int i = 0; i < 100000; i++) {
        char line[64];
        snprintf(line, sizeof line, "REMOVE=gone%06d.dat\r\n", i);
        script += line;
    }
    WriteUpdate(script, TEST_UTILITY_PATH);
    EXPECT_EQ(Plan(), 1);
    EXPECT_EQ(CountWorkEntries(ENTRY_REMOVE), 100000);
    EXPECT_STREQ(Wizard.WorkListHead->name, "gone099999.dat");
}

TEST_F(HostileScript, FiftyMegabytesOfScript) {
    if (!BigCasesWanted())
        GTEST_SKIP() << "big cases run natively only (WIZARD_BIG_CASES=1)";
    std::string comment = ";" + std::string(97, 'c') + "\r\n";
    std::string script = Script({"[COPY]"});
    script.reserve(50u << 20);
    while (script.size() < (50u << 20))
        script += comment;
    script += "COPY=last.dat,100\r\n";
    WriteUpdate(script, TEST_UTILITY_PATH);
    auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(Plan(), 1);
    double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    EXPECT_EQ(Entries(), std::vector<std::string>{Entry(ENTRY_COPY, "last.dat")});
    printf("[ figures  ] planning a script of %zu bytes: %.3f s\n", script.size(), seconds);
}

} // namespace

namespace {

// The longest names a line can carry, in a product directory of 259 characters:
// every command line reaches the utility whole.
TEST_F(HostileScript, TheLongestNamesInTheLongestDirectory) {
    if (PathSeparator == '\\')
        GTEST_SKIP() << "Windows paths stop at 260 characters: the utility path would not fit";
    std::string deep = fs::current_path().string();
    ASSERT_LT(deep.size(), 200u);
    // Parts of 60 characters, then one that ends at 259: never a part of 0.
    while (PATH_SIZE - 1 - deep.size() > 62)
        deep += "/" + std::string(60, 'd');
    deep += "/" + std::string(PATH_SIZE - 1 - deep.size() - 1, 'd');
    ASSERT_EQ(deep.size(), (size_t)PATH_SIZE - 1);
    fs::create_directories(deep);
    fs::current_path(deep);
    // Each line is 126 characters: key, "=" and the name.
    const std::string utility = std::string(126 - 7 - 4, 'u') + ".exe";
    const std::string archive = std::string(126 - 4, 'a');
    const std::string source = std::string(126 - 4, 's');
    std::string list = "[ADD]\r\n";
    std::vector<std::string> added;
    for (int i = 0; i < 100; i++) {
        std::string name = std::to_string(100 + i) + std::string(126 - 5 - 3, 'f');
        WriteFile(name, "new");
        list += "FILE=" + name + "\r\n";
        added.push_back(name);
    }
    WriteFile("update.wiz", Lines({"[HEADER]", "CMD=setup.txt"}));
    WriteFile("setup.txt", Lines({"[HEADER]", "DST=" + archive, "[PRECHECK]", "SRC=" + source,
                                  "RESEXE=" + utility}));
    WriteFile(archive, "archive");
    fs::copy_file(TEST_UTILITY_PATH, utility);
    WriteFile("given.lst", list);
    SetSetting("WIZARD_TEST_LST", "given.lst");
    SetSetting("WIZARD_TEST_LOG", "log.txt");

    EXPECT_EQ(RunWizard(), 0);

    EXPECT_EQ(Warnings(),
              std::vector<std::string>{"Warning.  Could not open cleanup configuration file."});
    EXPECT_EQ(LastStatus(), "All done.");
    const std::string path = deep + "/" + utility;
    std::string encode = path + " " + archive;
    for (auto name = added.rbegin(); name != added.rend(); ++name)
        encode += " " + *name;
    encode += " /ENCODE";
    EXPECT_EQ(ReadFile("log.txt"), path + " " + archive + " " + source + " /WORK\n" + path + " " +
                                       source + " /DUMP\n" + encode + "\n");
    fs::current_path(dir);
}

} // namespace
