// update-check on the sample update and on broken copies of it, one row per
// problem; and the sample utility, which keeps its package when /WORK fails.
#include "check.h"
#include "support.h"
#include "update/child.h"

static std::string FromExample(const std::string &name) {
    return ReadFile((fs::path(EXAMPLE_DIR) / name).string());
}

// As scripts/make-example leaves it, with stand-ins for what the checker never reads.
static void CopySampleUpdate() {
    for (const char *name : {"update.wiz", "update.txt"}) {
        std::string crlf;
        for (char c : FromExample(std::string("update/") + name))
            crlf += c == '\n' ? std::string("\r\n") : std::string(1, c);
        WriteFile(name, crlf);
    }
    for (const char *name : {"readme.txt", "notes.txt"})
        WriteFile(name, Szdd(FromExample(std::string("update/") + name)));
    WriteFile("app.cfg", FromExample("update/app.cfg"));
    WriteFile("old.log", FromExample("product/old.log"));
    for (const char *name : {"data.res", "patch.src", "restool.exe"})
        WriteFile(name, "stand-in");
}

static int Command(std::vector<const char *> argv, std::string *report) {
    static char text[REPORT_SIZE];
    int status = UpdateCheckCommand((int)argv.size(), argv.data(), text, sizeof text);
    *report = text;
    return status;
}

// On a fresh copy: from becomes to in file; without from, to is written (none: removed);
// lines: of the whole report, 0 where the platforms differ.
struct Broken {
    std::string file, from, to, finding;
    int lines;
};

class UpdateCheck : public ScratchTest {};

TEST_F(UpdateCheck, SampleIsCleanAndEachBrokenCopyHasItsFinding) {
    std::string report;
    CopySampleUpdate();
    EXPECT_EQ(Command({"update-check"}, &report), 0) << report;
    EXPECT_EQ(
        Command({"update-check", "a", "b"}, &report) + Command({"update-check", "x"}, &report), 4);

    const std::string readme = Szdd(FromExample("update/readme.txt")), cut = readme.substr(0, 150);
    const std::string mark = "\xEF\xBB\xBF";
    const std::string longName = "COPY=" + std::string(107, 'a') + ".cfg";
    const std::vector<Broken> rows = {
        {"update.wiz", "", "", "*.wiz: no pointer file", 1},
        {"two.wiz", "", Lines({"[HEADER]", "CMD=update.txt"}), ": another pointer file", 1},
        {"update.wiz", "=update.txt", "=gone.txt", "update.wiz:3: script gone.txt", 1},
        {"update.wiz", "update.txt\r\n", "update.txt\r", "update.wiz:3: the last line has no", 2},
        {"update.wiz", "", mark + mark + Lines({"[HEADER]", "CMD=update.txt"}),
         "update.wiz:1: begins with a byte order mark", 0},
        {"restool.exe", "", "", "update.txt:9: utility restool.exe (RESEXE) does not", 1},
        {"data.res", "", "", "update.txt:4: archive data.res (DST) does not exist", 1},
        {"readme.txt", "", cut, "update.txt:14: readme.txt is SZDD-compressed but does not", 1},
        {"app.cfg", "", "", "update.txt:15: COPY \"app.cfg\" does not exist", 1},
        {"old.log", "", "", "update.txt:20: REMOVE \"old.log\" does not exist", 1},
        {"update.txt", "=old.log", "=restool.exe", "update.txt:20: REMOVE restool.exe deletes", 1},
        {"update.txt", "=old.log", "=update.wiz", "update.txt:20: REMOVE update.wiz deletes the",
         1},
        {"update.txt", "=old.log", "=patch.src", "update.txt:20: REMOVE patch.src deletes the pack",
         1},
        {"update.txt", "COPY=app.cfg", longName, "update.txt:15: line of 127 characters", 1},
        {"update.txt", "[COPY]", "[copy]", "update.txt:12: section [copy] is not seen", 1},
        {"update.txt", "[EXECUTE]", " [EXECUTE]", "update.txt:16: \" [EXECUTE]\" is not", 2},
        {"update.txt", "REMOVE=", "remove=", "update.txt:20: key remove is not seen", 1},
        {"update.txt", "UPD=", "  UPD=", "update.txt:11: key \"  UPD\" is not seen", 1},
        {"update.txt", "0,0", "0,zero", "update.txt:14: extra \"zero\" is not a number", 1},
        {"update.txt", "app.cfg,", "app.cfg.,", "update.txt:15: COPY \"app.cfg.\" ends in a", 0},
        {"update.txt", "DST=data.res", "DST=data.res\r\nMANIFEST=gone.sum",
         "update.txt:5: manifest gone.sum (MANIFEST) does not exist", 1},
        {"update.txt", "DST=data.res", "DST=data.res\r\nMANIFEST=old.log",
         "update.txt:21: REMOVE old.log deletes the manifest early", 2},
    };
    for (const Broken &row : rows) {
        for (const fs::directory_entry &entry : fs::directory_iterator("."))
            fs::remove(entry.path());
        CopySampleUpdate();
        std::string text = ReadFile(row.file);
        if (!row.from.empty())
            WriteFile(row.file, text.replace(text.find(row.from), row.from.size(), row.to));
        else if (!row.to.empty())
            WriteFile(row.file, row.to);
        else
            fs::remove(row.file);
        EXPECT_EQ(Command({"update-check", "."}, &report), 1) << row.finding;
        EXPECT_NE(report.find(row.finding), std::string::npos) << row.finding << "\n" << report;
        EXPECT_TRUE(!row.lines || std::count(report.begin(), report.end(), '\n') == row.lines)
            << report;
    }
    // A compressed file that the wizard may not replace.
    CopySampleUpdate();
    fs::permissions("readme.txt", fs::perms::owner_read);
    EXPECT_EQ(Command({"update-check", "."}, &report), 1);
    EXPECT_NE(report.find("update.txt:14: COPY readme.txt is compressed and read-only"),
              std::string::npos)
        << report;
    fs::permissions("readme.txt", fs::perms::owner_all);
}

static int Restool(const std::string &arguments) {
    const std::string tool = (fs::current_path() / "restool.exe").string();
    int32_t code = -1;
    EXPECT_EQ(RunCaptured(tool.c_str(), (tool + " " + arguments).c_str(), &code, "out.txt"), 0);
    return code;
}

// /DUMP follows /WORK whatever happened: after a failed /WORK (and a marker of an earlier
// run) the package stays out of the cleanup, so the update can run again once mended.
TEST_F(UpdateCheck, SampleUtilityKeepsThePackageWhenWorkFails) {
    fs::copy_file(RESTOOL_PATH, "restool.exe");
    WriteFile("logo.txt", "new logo");
    EXPECT_EQ(Restool("patch.src logo.txt /ENCODE"), 0);
    WriteFile("logo.txt", "old logo");
    EXPECT_EQ(Restool("data.res logo.txt /ENCODE"), 0);
    EXPECT_EQ(Restool("data.res patch.src /WORK"), 0);
    const std::string archive = ReadFile("data.res");
    WriteFile("data.res", "not an archive");
    EXPECT_EQ(Restool("data.res patch.src /WORK"), 3);
    EXPECT_EQ(Restool("patch.src /DUMP"), 3);
    EXPECT_TRUE(Exists("patch.src") && !Exists("update.lst") && !Exists("update.dmp"));
    WriteFile("data.res", archive);
    EXPECT_EQ(Restool("data.res patch.src /WORK"), 0);
    EXPECT_EQ(Restool("patch.src /DUMP"), 0);
    EXPECT_EQ(ReadFile("update.lst").find("FILE=logo.txt"), 7u);
    EXPECT_EQ(ReadFile("update.dmp"), Lines({"[PFF]", "ENTRY=patch.src"}));
    EXPECT_FALSE(Exists("restool.ok"));
}
