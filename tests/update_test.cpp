// Whole updates over the recording backend. Each row lays out a product
// directory, runs the real program with the user's action, and checks the
// warnings, the status texts, every command line the utility (the stand-in
// child, copied in as restool.exe) was given, and every file afterwards.
#include "app/passes_only.h"
#include "app/progress_window.h"
#include "app/startup.h"
#include "script/contract.h"
#include "script/text_reader.h"
#include "state/wizard_state.h"
#include "support.h"
#include "sys/files.h"
#include "ui/agreement.h"
#include "ui/progress.h"
#include "ui/recording/recording.h"
#include "ui/resource.h"
#include "update/encoding.h"
#include "update/expansion.h"
#include "update/work_list.h"

#include <stdio.h>
#include <string.h>
#include <sys/stat.h>

#include <map>
#include <sstream>
#include <tuple>

namespace {

typedef std::map<std::string, std::string> Files;

// What a file of a row holds besides a content: nothing, a directory, a copy of
// the stand-in child, or a symbolic link to a target.
const std::string Missing = "<missing>";
const std::string Directory = "<directory>";
const std::string ChildCopy = "<child>";
const std::string LinkedTo = "<link to ";
std::string LinkTo(const std::string &target) {
    return LinkedTo + target + ">";
}

// The wizard's record of an update that did not run to its end, by its presence.
const std::string Record = "<record>";

// The product directory and a separator, as command lines show them.
const std::string Base = "<base>/";

const std::string AllDone = "All done.";
const std::string NoDump = "Warning.  Could not open cleanup configuration file.";
const std::string Data(3000, 'd');
const std::string Bom = "\xEF\xBB\xBF";

// A text as shown, or with Prefix only its start.
struct Text {
    std::string text;
    bool prefix = false;
    Text(const char *text) : text(text) {}
    Text(std::string text) : text(std::move(text)) {}
};
Text Prefix(std::string start) {
    Text text(std::move(start));
    text.prefix = true;
    return text;
}
typedef std::vector<Text> Texts;

// What the user does at the Nth call of PumpMessages: confirms Cancel, answers
// its question No, presses the close box, or moves the current directory away.
enum UserKind { NOTHING, CANCEL, ANSWER_NO, CLOSE, MOVE_AWAY };
struct Action {
    UserKind kind = NOTHING;
    int pump = 0;
};

template <typename T> std::vector<T> Then(std::vector<T> head, const std::vector<T> &more) {
    head.insert(head.end(), more.begin(), more.end());
    return head;
}

// The script: the usual head, then the row's lines.
std::string Script(const std::vector<std::string> &more) {
    return Lines(Then<std::string>(
        {"[HEADER]", "DST=product.res", "[PRECHECK]", "SRC=patch.src", "RESEXE=restool.exe"},
        more));
}

// The three texts of planning, then more.
Texts Planned(const Texts &more) {
    return Then<Text>({"Reading configuration file (.WIZ)",
                       "Reading configuration file (setup.txt)",
                       "Examining resource file. (product.res)"},
                      more);
}

// One whole update; every field but the name may be left out.
struct Row {
    const char *name;
    // Files over the defaults: update.wiz naming setup.txt, the script's head
    // (Script), product.res, the utility as restool.exe, given.dmp with an
    // empty [PFF]. The utility hands out given.lst as update.lst and given.dmp
    // as update.dmp.
    Files before = {};
    // WIZARD_TEST_* variables of the stand-in utility.
    std::map<std::string, std::string> env = {};
    Action user = {};
    Texts warnings = {};
    // What the outcome counts as warnings when it is more than the boxes shown.
    int counted = -1;
    Texts statuses = {}; // every status text; or only the last one:
    Text last = "";
    std::vector<std::string> calls = {}; // every command line the utility got
    Files after = {};                    // every file the run changed
    std::map<std::string, int64_t> times = {};
};

// Every file of the product directory but the utility's own and its log.
Files Picture() {
    Files files;
    for (const fs::directory_entry &entry : fs::recursive_directory_iterator(".")) {
        std::string name = entry.path().lexically_relative(".").generic_string();
        if (entry.is_symlink())
            files[name] = LinkTo(fs::read_symlink(entry.path()).string());
        else if (entry.is_regular_file() && name.rfind("restool.exe", 0) != 0 &&
                 name != "calls.log" && name.rfind("given.", 0) != 0)
            files[name] = name == RecordFile ? Record : ReadFile(name);
    }
    return files;
}

std::string Normal(std::string text) {
    const std::string base = std::string(Wizard.BaseDirectory) + PathSeparator;
    for (size_t at; (at = text.find(base)) != std::string::npos;)
        text.replace(at, base.size(), Base);
    return text;
}

std::vector<std::string> Calls() {
    std::vector<std::string> calls;
    std::istringstream in(WithoutCr(ReadFile("calls.log")));
    for (std::string line; std::getline(in, line);)
        if (line != Missing)
            calls.push_back(Normal(line));
    return calls;
}

// The texts shown against those wanted, a prefix shown with "..." on both sides.
void ExpectTexts(std::vector<std::string> shown, const Texts &want) {
    std::vector<std::string> wanted;
    for (size_t i = 0; i < want.size(); i++) {
        wanted.push_back(want[i].text + (want[i].prefix ? "..." : ""));
        if (i < shown.size() && want[i].prefix && shown[i].rfind(want[i].text, 0) == 0)
            shown[i] = wanted.back();
    }
    for (std::string &text : shown)
        text = Normal(text);
    EXPECT_EQ(shown, wanted);
}

int64_t ModifiedTime(const std::string &name) {
    struct stat info;
    return stat(name.c_str(), &info) == 0 ? (int64_t)info.st_mtime : -999;
}

void InstallUtility(const std::string &name = "restool.exe") {
    std::error_code ignored;
    fs::remove(name, ignored); // MinGW's copy_file does not overwrite
    fs::copy_file(ChildPath(), name);
}

void LayOut(const Files &files, const std::map<std::string, std::string> &env = {}) {
    Files all = {{"update.wiz", Lines({"[HEADER]", "CMD=setup.txt"})},
                 {"setup.txt", Script({})},
                 {"product.res", "archive"},
                 {"given.dmp", Lines({"[PFF]"})}};
    for (const auto &file : files)
        all[file.first] = file.second;
    InstallUtility();
    SetEnv("WIZARD_TEST_LOG", "calls.log");
    SetEnv("WIZARD_TEST_LST", "given.lst");
    SetEnv("WIZARD_TEST_DMP", "given.dmp");
    for (const auto &variable : env)
        SetEnv(variable.first, variable.second);
    for (const auto &[name, content] : all) {
        if (content == Missing)
            fs::remove(name);
        else if (content == Directory) {
            fs::remove(name); // a file of the defaults, such as the utility
            fs::create_directories(name);
        } else if (content == ChildCopy)
            InstallUtility(name);
        else if (content.rfind(LinkedTo, 0) == 0)
            fs::create_symlink(
                content.substr(LinkedTo.size(), content.size() - LinkedTo.size() - 1), name);
        else
            WriteFile(name, content);
    }
}

void Act(const Action &user) {
    RecordingOnPump([user](int calls) {
        if (calls != user.pump)
            return;
        if (user.kind == CANCEL || user.kind == ANSWER_NO) {
            RecordingQueueConfirmAnswers({user.kind == CANCEL ? 1 : 0});
            PressCancel();
        } else if (user.kind == CLOSE) {
            CloseProgressWindow();
        } else if (user.kind == MOVE_AWAY) {
            fs::create_directories("elsewhere");
            fs::current_path("elsewhere");
        }
    });
}

// Each row in a fresh directory of its own below the current one. UPDATE_ROW
// picks the rows whose name holds its text.
void Check(const Row &row) {
    const char *only = getenv("UPDATE_ROW");
    if (only != nullptr && strstr(row.name, only) == nullptr)
        return;
    SCOPED_TRACE(row.name);
    static int rows = 0;
    // A blank in every product directory: the utility's command line is not quoted.
    std::string own = "row " + std::to_string(++rows);
    fs::create_directory(own);
    fs::current_path(own);
    ClearChildEnv();
    RecordingReset();
    Wizard.RandomState = 1;
    LayOut(row.before, row.env);
    Files expected = Picture();
    for (const auto &file : row.after)
        if (file.second == Missing)
            expected.erase(file.first);
        else
            expected[file.first] = file.second;
    Act(row.user);

    EXPECT_EQ(WizardMain(""), 0);

    fs::current_path(Wizard.BaseDirectory);
    std::vector<std::string> warnings = RecordedWith("warning ");
    std::vector<std::string> statuses = RecordedWith("status ");
    ExpectTexts(warnings, row.warnings);
    if (row.statuses.empty())
        ExpectTexts({statuses.empty() ? "" : statuses.back()}, {row.last});
    else
        ExpectTexts(statuses, row.statuses);
    // The outcome a front-end reads.
    EXPECT_EQ(Wizard.WarningCount, row.counted >= 0 ? row.counted : (int)row.warnings.size());
    EXPECT_EQ(Wizard.RunCompleted, std::count(statuses.begin(), statuses.end(), AllDone));
    EXPECT_EQ(Calls(), row.calls);
    EXPECT_EQ(Picture(), expected);
    for (const auto &time : row.times)
        EXPECT_EQ(ModifiedTime(time.first), time.second) << time.first;
    // Released whole: no lookup can reach freed memory or a stale line.
    EXPECT_EQ(std::tie(Reader.text, Reader.size, Reader.cursor, Reader.lineIndex, Reader.lineCount),
              std::make_tuple(nullptr, 0u, 0u, 0u, 0u));
    EXPECT_EQ(Wizard.WorkListHead, nullptr);
    RecordingOnPump(nullptr);
    fs::current_path("..");
}

class Update : public ScratchTest {
  protected:
    void TearDown() override {
        FreeWorkList();
        ScratchTest::TearDown();
    }
};

const std::string Work = Base + "restool.exe product.res patch.src /WORK";
const std::string Dump = Base + "restool.exe patch.src /DUMP";

// A cut SZDD stream: its expansion fails after the temporary file was made.
const std::string Cut = Szdd(RandomBytes(5000, 7)).substr(0, 200);
const std::string CopyFailed = "An error occured during file copy(";

TEST_F(Update, Planning) {
    // clang-format off
    const Row rows[] = {
        {.name = "no pointer file", .before = {{"update.wiz", Missing}},
         .warnings = {"Configuration file (.WIZ) could not be located. Aborting."},
         .last = "Reading configuration file (.WIZ)"},
        {.name = "pointer file without CMD",
         .before = {{"update.wiz", Lines({"[HEADER]", "EXE=x"})}},
         .warnings = {"Configuration file () could not be located. Aborting."},
         .last = "Reading configuration file ()"},
        {.name = "script missing", .before = {{"setup.txt", Missing}},
         .warnings = {"Configuration file (setup.txt) could not be located. Aborting."},
         .last = "Reading configuration file (setup.txt)"},
        {.name = "utility and archive missing: the utility first",
         .before = {{"restool.exe", Missing}, {"product.res", Missing}},
         .warnings = {"Resource Utility (restool.exe) could not be located. Aborting."},
         .last = "Reading configuration file (setup.txt)"},
        {.name = "archive missing", .before = {{"product.res", Missing}},
         .warnings = {"Resource file (product.res) could not be located. Aborting."},
         .last = "Reading configuration file (setup.txt)"},
        {.name = "source cannot be expanded: it stays as it was", .before = {{"patch.src", Cut}},
         .warnings = {Prefix(CopyFailed),
                      "An error occured during decompression of file (patch.src). Skipping."},
         .last = "Reading configuration file (setup.txt)", .after = {{RecordFile, Record}}},
        {.name = "utility, source and update file expanded in place; the archive never",
         .before = {{"setup.txt", Script({"UPD=patch.dat"})}, {"patch.src", Szdd("source")},
                    {"patch.dat", Szdd("update")}, {"product.res", Szdd("archive")}},
         .last = AllDone, .calls = {Work, Dump},
         .after = {{"patch.src", "source"}, {"patch.dat", "update"}}},
        {.name = "utility does not start for /WORK; an empty source leaves two blanks",
         .before = {{"restool.exe", Directory}, {"setup.txt",
                     Lines({"[HEADER]", "DST=product.res", "[PRECHECK]", "RESEXE=restool.exe"})}},
         .warnings = {Prefix("Could not create process (update.lst)["),
                      Base + "restool.exe product.res  /WORK"},
         .last = "Examining resource file. (product.res)",
         .after = {{RecordFile, Record}, {"!tmpexec.$$$", ""}}},
        {.name = "capture file cannot be made: nothing started, the code still 0",
         .before = {{"!tmpexec.$$$", Directory}},
         .warnings = {"Could not create process (update.lst)[0].  Aborting.", Work},
         .last = "Examining resource file. (product.res)", .after = {{RecordFile, Record}}},
        {.name = "utility does not start for /DUMP", .env = {{"WIZARD_TEST_HIDE", "restool.exe"}},
         .warnings = {Prefix("Could not create process (update.dmp)["), Dump},
         .last = "Examining resource file. (product.res)", .calls = {Work},
         .after = {{RecordFile, Record}, {"!tmpexec.$$$", ""}, {"update.dmp", Lines({"[PFF]"})}}},
        {.name = "no cleanup list: the update goes on", .before = {{"given.dmp", Missing}},
         .warnings = {NoDump},
         .statuses = Planned({"Processing resource files.", "Cleaning up.", AllDone}),
         .calls = {Work, Dump}},
        {.name = "first comma field of PRECHECK values",
         .before = {{"setup.txt", Lines({"[HEADER]", "DST=product.res", "EXE=x.exe", "[PRECHECK]",
                                         "SRC=,,patch.src", "RESEXE=restool.exe,5,x", "UPD=,1"})}},
         .last = AllDone, .calls = {Work, Dump}},
        {.name = "stale lists are read as fresh ones and deleted",
         .before = {{"given.dmp", Missing}, {"update.lst", Lines({"[ADD]", "FILE=old.bmp,7"})},
                    {"update.dmp", Lines({"[PFF]", "ENTRY=old.tmp"})}, {"old.bmp", "bmp"},
                    {"old.tmp", "tmp"}},
         .last = AllDone, .calls = {Work, Dump, Base + "restool.exe product.res old.bmp /ENCODE"},
         .after = {{"update.lst", Missing}, {"update.dmp", Missing}, {"old.bmp", Missing},
                   {"old.tmp", Missing}}},
        {.name = "format specifiers in names are shown as they are",
         .before = {{"update.wiz", Lines({"[HEADER]", "CMD=%s%n%x.txt"})}},
         .warnings = {"Configuration file (%s%n%x.txt) could not be located. Aborting."},
         .last = "Reading configuration file (%s%n%x.txt)"},
    };
    // clang-format on
    for (const Row &row : rows)
        Check(row);
}

TEST_F(Update, Execution) {
    // Every kind of entry; made.txt is removed, then made, as the passes meet
    // REMOVE lines before EXECUTE lines.
    const Files worked = {
        {"setup.txt",
         Script({"[COPY]", "COPY=app.exe,900000000,0", "COPY=help.txt,1234567", "COPY=none.txt,5",
                 "[EXECUTE]", "EXE=restool.exe run,fixup /q", "EXE=restool.exe 0 --create=made.txt",
                 "[REMOVE]", "REMOVE=old.dll", "REMOVE=none.dll", "REMOVE=made.txt"})},
        {"app.exe", Szdd("new app")},
        {"help.txt", "plain help"},
        {"old.dll", "old"},
        {"new1.bmp", Szdd("one")},
        {"new2.bmp", "two"},
        {"work.tmp", "leftover"},
        {"given.lst", Lines({"[ADD]", "FILE=new1.bmp,7", "FILE=new2.bmp,8"})},
        {"given.dmp", Lines({"[PFF]", "ENTRY=work.tmp", "ENTRY=gone.tmp"})}};
    const Files workedAfter = {{"app.exe", "new app"}, {"old.dll", Missing},
                               {"made.txt", ""},       {"new1.bmp", Missing},
                               {"new2.bmp", Missing},  {"work.tmp", Missing}};
    const std::vector<std::string> workedCalls = {
        Work, Dump, "restool.exe run", Base + "restool.exe product.res new2.bmp new1.bmp /ENCODE"};
    const std::string inFilePass = "Decompressing file 3 of 5.";
    // Cleanup and ADD entries, then three REMOVE, two EXECUTE and three COPY entries.
    const std::vector<std::string> filePass = Then<std::string>(
        {"Decompressing file 1 of 5.", "Decompressing file 1 of 5.", "Decompressing file 1 of 5.",
         "Decompressing file 2 of 5."},
        Then<std::string>(std::vector<std::string>(6, inFilePass),
                          {"Decompressing file 4 of 5.", "Decompressing file 5 of 5."}));
    const Texts workedStatuses =
        Then<Text>(Texts(filePass.begin(), filePass.end()),
                   {"Processing resource files.", "Processing 2 resource files.",
                    "Processing resource file 1 of 2.", "Processing resource file 1 of 2.",
                    "Cleaning up.", AllDone});
    const std::string sub = std::string("sub dir") + PathSeparator + "prog.exe";
    // clang-format off
    const Row rows[] = {
        {.name = "worked example: newest first, every kind, both lists", .before = worked,
         .statuses = Planned(workedStatuses), .calls = workedCalls, .after = workedAfter,
         .times = {{"app.exe", 900000000}, {"help.txt", 1234567}}},
        {.name = "Cancel answered No goes on", .before = worked, .user = {ANSWER_NO, 5},
         .last = AllDone, .calls = workedCalls, .after = workedAfter},
        {.name = "Cancel confirmed in the file pass: the entry under way ends, nothing after it",
         .before = worked, .user = {CANCEL, 12}, .last = inFilePass,
         .calls = {Work, Dump, "restool.exe run"},
         .after = {{RecordFile, Record}, {"old.dll", Missing}, {"made.txt", ""},
                   {"new1.bmp", "one"}}},
        {.name = "the close box in the file pass stops it too", .before = worked,
         .user = {CLOSE, 12}, .last = inFilePass, .calls = {Work, Dump, "restool.exe run"},
         .after = {{RecordFile, Record}, {"old.dll", Missing}, {"made.txt", ""},
                   {"new1.bmp", "one"}}},
        {.name = "cleanup names resolve in the base directory, wherever the current one went",
         .before = {{"setup.txt", Script({"[COPY]", "COPY=none.txt"})}, {"work.tmp", "leftover"},
                    {"given.dmp", Lines({"[PFF]", "ENTRY=work.tmp"})}},
         .user = {MOVE_AWAY, 5}, .last = AllDone, .calls = {Work, Dump},
         .after = {{"work.tmp", Missing}}},
        {.name = "a cleanup file that cannot be deleted shows in the status",
         .before = {{"given.dmp", Lines({"[PFF]", "ENTRY=full"})}, {"full", Directory},
                    {"full/x", "x"}},
         .counted = 1,
         .statuses = Planned({"Decompressing file 1 of 0.", "Processing resource files.",
                              "Cleaning up.", Prefix("Could not delete file: full ("), AllDone}),
         .calls = {Work, Dump}},
        {.name = "a failed expansion is reported and skipped; its ADD file is not sent, and "
                 "the cleanup waits for a run that adds it",
         .before = {{"setup.txt", Script({"[COPY]", "COPY=a.dat,5", "COPY=%s%n.dat,6"})},
                    {"a.dat", Szdd("a")}, {"%s%n.dat", Cut}, {"b.add", Cut}, {"c.add", "c"},
                    {"given.lst", Lines({"[ADD]", "FILE=c.add", "FILE=b.add"})}},
         .warnings = {Prefix(CopyFailed),
                      "An error occured during decompression of file (b.add). Skipping.",
                      Prefix(CopyFailed),
                      "An error occured during decompression of file (%s%n.dat). Skipping."},
         .statuses = Planned({"Decompressing file 1 of 4.", "Decompressing file 1 of 4.",
                              "Decompressing file 2 of 4.", "Decompressing file 2 of 4.",
                              "Processing resource files.", "Processing 2 resource files.",
                              "Processing resource file 1 of 2.", AllDone}),
         .calls = {Work, Dump, Base + "restool.exe product.res c.add /ENCODE"},
         .after = {{RecordFile, Record}, {"a.dat", "a"}, {"c.add", Missing}},
         .times = {{"a.dat", 5}}},
        {.name = "the utility removed before it encodes: the files to add, the package stay",
         .before = {{"setup.txt", Script({"[REMOVE]", "REMOVE=restool.exe"})}, {"new.bmp", "new"},
                    {"patch.src", "package"}, {"given.lst", Lines({"[ADD]", "FILE=new.bmp"})},
                    {"given.dmp", Lines({"[PFF]", "ENTRY=patch.src"})}},
         .warnings = {"Could not create process (product.res)[2].  Skipping."}, .last = AllDone,
         .calls = {Work, Dump}, .after = {{RecordFile, Record}}},
        {.name = "the utility fails its /ENCODE: the files to add, the package stay",
         .before = {{"new.bmp", "new"}, {"patch.src", "package"},
                    {"given.lst", Lines({"[ADD]", "FILE=new.bmp"})},
                    {"given.dmp", Lines({"[PFF]", "ENTRY=patch.src"})}},
         .env = {{"WIZARD_TEST_EXIT", "4"}},
         .warnings = {"Process ended with an error (product.res)[4].  Skipping."}, .last = AllDone,
         .calls = {Work, Dump, Base + "restool.exe product.res new.bmp /ENCODE"},
         .after = {{RecordFile, Record}}},
        {.name = "files of the product with names like the wizard's own stay",
         .before = {{"WIZ2024.TMP", "product"}, {"WIZBEEF.tmp", "product"},
                    {".wizcopyNOTES1", "product"}, {"!wizard.rec.txt", "product"}},
         .last = AllDone, .calls = {Work, Dump}},
        {.name = "EXECUTE lines: cut at the first comma, quotes as the runtime splits them, "
                 "127 characters whole, a program that does not start or fails changes nothing",
         .before = {{"setup.txt", Script({"[EXECUTE]", "EXE=restool.exe \"a b\" c\\\"d,e",
                                          "EXE=restool.exe " + std::string(110, 'x'),
                                          "EXE=no-such-program", "EXE=restool.exe nine"})}},
         .env = {{"WIZARD_TEST_EXIT", "9"}}, .last = AllDone,
         .calls = {Work, Dump, "restool.exe nine", "restool.exe " + std::string(110, 'x'),
                   "restool.exe a b c\"d"}},
        {.name = "times at and past the ends of their range",
         .before = {{"setup.txt", Script({"[COPY]", "COPY=a,2147483647", "COPY=b,-2147483648",
                                          "COPY=c,99999999999999999999", "COPY=d,abc", "COPY=e"})},
                    {"a", "a"}, {"b", "b"}, {"c", "c"}, {"d", "d"}, {"e", "e"}},
         .last = AllDone, .calls = {Work, Dump},
         .times = {{"a", 2147483647}, {"c", 1661992959}, {"d", 0}, {"e", 0}}},
        {.name = "cleanup names that are no files: reported or skipped, nothing else touched",
         .before = {{"given.dmp", Lines({"[PFF]", "ENTRY=", "ENTRY=.", "ENTRY=..", "ENTRY=sub",
                                         "ENTRY=*", "ENTRY=*.dat", "ENTRY=?eep.dat"})},
                    {"sub", Directory}, {"keep.dat", "keep"}},
         .counted = 3, .last = AllDone, .calls = {Work, Dump}},
        {.name = "an EXECUTE program path with a blank is found as CreateProcessA finds it",
         .before = {{"setup.txt", Script({"[EXECUTE]", "EXE=" + sub + " run"})},
                    {"sub dir", Directory}, {sub, ChildCopy}},
         .last = AllDone, .calls = {Work, Dump, sub + " run"}},
        {.name = "a UTF-8 byte order mark starting any file read is skipped",
         .before = {{"update.wiz", Bom + Lines({"[HEADER]", "CMD=setup.txt"})},
                    {"setup.txt", Bom + Script({"[REMOVE]", "REMOVE=old.dll"})}, {"old.dll", "old"},
                    {"given.lst", Bom + Lines({"[ADD]", "FILE=new.bmp"})}, {"new.bmp", "new"},
                    {"given.dmp", Bom + Lines({"[PFF]", "ENTRY=work.tmp"})}, {"work.tmp", "work"}},
         .last = AllDone, .calls = {Work, Dump, Base + "restool.exe product.res new.bmp /ENCODE"},
         .after = {{"old.dll", Missing}, {"new.bmp", Missing}, {"work.tmp", Missing}}},
    };
    // clang-format on
    // Links, of the POSIX port (Windows needs a privilege to make them).
    // clang-format off
    const Row links[] = {
        {.name = "a dangling link is there to REMOVE and clean up; a removed link leaves its "
                 "target",
         .before = {{"setup.txt", Script({"[REMOVE]", "REMOVE=dangling", "REMOVE=link"})},
                    {"dangling", LinkTo("nowhere")}, {"left", LinkTo("nowhere")},
                    {"link", LinkTo("target")}, {"target", "kept"},
                    {"given.dmp", Lines({"[PFF]", "ENTRY=left"})}},
         .last = AllDone, .calls = {Work, Dump},
         .after = {{"dangling", Missing}, {"left", Missing}, {"link", Missing}}},
        {.name = "a copy over a link writes the file it points to and keeps the link",
         .before = {{"setup.txt", Script({"[COPY]", "COPY=link,5"})}, {"link", LinkTo("target")},
                    {"target", Szdd("new")}},
         .last = AllDone, .calls = {Work, Dump}, .after = {{"target", "new"}},
         .times = {{"target", 5}}},
    };
    // clang-format on
    for (const Row &row : rows)
        Check(row);
    for (const Row &row : links)
        if (PathSeparator == '/')
            Check(row);
}

TEST_F(Update, MisbehavingUtility) {
    const std::string malformed =
        "[add]\r\nFILE=x.dat\r\n[ADD\r\nFILE=a.dat\r\nFILE\r\nFILE=\r\nFILE=,,,\r\nFILE=" +
        std::string(300, 'x') + "\r\nFILE=b" + std::string(1, '\0') +
        ".dat\r\nfile=c.dat\r\n FILE=c.dat\r\nFILE=d.dat,3\nFILE=e.dat\rFILE=f.dat\r\n[ADD]"
        "\r\nFILE=g.dat\r\n";
    // clang-format off
    const Row rows[] = {
        {.name = "8 MB on standard output",
         .env = {{"WIZARD_TEST_MODE", "flood"}, {"WIZARD_TEST_COUNT", "8"}}, .warnings = {NoDump},
         .last = AllDone, .calls = {Work, Dump}},
        {.name = "1,000 files to add and 1,000 to clean up: ten runs of 100, all deleted",
         .env = {{"WIZARD_TEST_MODE", "many"}, {"WIZARD_TEST_COUNT", "1000"},
                 {"WIZARD_TEST_LOG", ""}},
         .last = AllDone, .after = {{"encode.log", Repeat("100 100\n", 10)}}},
        {.name = "malformed add lists: only well-formed FILE lines of the first ADD section",
         .before = {{"given.lst", malformed}, {"a.dat", "a"}, {"b", "b"}, {"c.dat", "c"},
                    {"d.dat", "d"}, {"e.dat", "e"}, {"f.dat", "f"}, {"g.dat", "g"}, {"x.dat", "x"}},
         .last = AllDone,
         .calls = {Work, Dump, Base + "restool.exe product.res e.dat d.dat a.dat /ENCODE"},
         .after = {{"a.dat", Missing}, {"d.dat", Missing}, {"e.dat", Missing}}},
    };
    // clang-format on
    for (const Row &row : rows)
        Check(row);
}

// The utility as restool.exe in a directory prepared by Check's defaults.
class Passes : public Update {
  protected:
    void SetUp() override {
        Update::SetUp();
        LayOut({});
    }

    // A fresh recording and window, with the names planning would have set, and
    // count ADD entries "f1" and on, the list meeting them in that order.
    void Prepare(int count) {
        FreeWorkList();
        RecordingReset();
        ASSERT_EQ(ReadCurrentDirectory(Wizard.BaseDirectory, sizeof Wizard.BaseDirectory), 0);
        snprintf(Wizard.ResourceFile, sizeof Wizard.ResourceFile, "product.res");
        snprintf(Wizard.ResourceUtility, sizeof Wizard.ResourceUtility, "restool.exe");
        int error = 0;
        Wizard.ProgressWindow = CreateProgressWindow(PassesOnlyDialogProc, &error);
        ASSERT_NE(Wizard.ProgressWindow, nullptr);
        for (int i = count; i >= 1; i--) {
            std::string name = "f" + std::to_string(i);
            WriteFile(name, "x");
            char value[NAME_SIZE];
            snprintf(value, sizeof value, "%s", name.c_str());
            AddWorkEntry(value)->kind = ENTRY_ADD;
        }
    }
};

// Whether the bar stands at sent of files, as the user sees it: in proportion,
// to within one of its units and never ahead.
bool Stands(const ProgressState &bar, int64_t sent, int64_t files) {
    int64_t gap = sent * bar.maximum - (int64_t)bar.position * files;
    return bar.minimum == 0 && bar.maximum > 0 && gap >= 0 && gap < files;
}

// The batches the utility gets and the bar: it only moves forward, stands at
// the files sent whenever a file's number is shown, and ends full; a cancel
// drops the partial batch unsent and leaves its files.
TEST_F(Passes, EncodingBatchesAndBar) {
    struct Case {
        const char *name;
        int files, cancelAt;
        std::string batches;
        int sent;
    };
    std::vector<Case> cases = {
        {"two full batches and a partial one", 250, 0, "100 100\n100 100\n50 50\n", 250},
        {"one partial batch", 7, 0, "7 7\n", 7},
        {"a cancel in the second batch", 250, 150, "100 100\n", 100},
    };
#ifndef _WIN32 // 701 runs of the utility take seconds natively, minutes under Wine
    cases.push_back(
        {"beyond the bar's 16 bits", 70001, 0, Repeat("100 100\n", 700) + "1 1\n", 70001});
#endif
    SetEnv("WIZARD_TEST_MODE", "many");
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        fs::remove("encode.log");
        Prepare(c.files);
        const ProgressState &bar =
            ModelItem(ModelWindowOf(Wizard.ProgressWindow), IDC_PROGRESS_BAR)->bar;
        std::string wrong;
        int last = 0;
        RecordingOnStatus([&](const std::string &text) {
            int number = 0;
            if (sscanf(text.c_str(), "Processing resource file %d of", &number) != 1)
                return;
            if (wrong.empty() && (bar.position < last || !Stands(bar, number - 1, c.files)))
                wrong = text + " with the bar at " + std::to_string(bar.position) + " of " +
                        std::to_string(bar.maximum);
            last = bar.position;
        });
        WriteFile("!tmpexec.$$$", "left from before");
        Act({c.cancelAt ? CANCEL : NOTHING, c.cancelAt});

        EXPECT_EQ(ResourceEncodingPass(c.files), c.cancelAt ? ENCODING_STOPPED : ENCODING_DONE);

        EXPECT_EQ(wrong, "");
        EXPECT_TRUE(Stands(bar, c.sent, c.files)) << bar.position << " of " << bar.maximum;
        EXPECT_EQ(RecordedWith("status ").at(0),
                  "Processing " + std::to_string(c.files) + " resource files.");
        EXPECT_EQ(WithoutCr(ReadFile("encode.log")), c.batches);
        for (int i = 1; i <= c.files; i++)
            ASSERT_EQ(Exists("f" + std::to_string(i)), i > c.sent) << i;
        EXPECT_EQ(Exists("!tmpexec.$$$"), c.cancelAt != 0);
        RecordingOnPump(nullptr);
        RecordingOnStatus(nullptr);
    }
}

// A confirmed Cancel and the close box at every pump of a whole update: each
// file as it was or as the update leaves it, nothing temporary left behind, and
// a cleanup once begun deletes every leftover.
TEST_F(Update, StopAtEveryPump) {
    const Files update = {
        {"setup.txt", Script({"[COPY]", "COPY=one.dat,100", "COPY=two.dat,100", "[EXECUTE]",
                              "EXE=restool.exe run", "[REMOVE]", "REMOVE=old.dll"})},
        {"one.dat", Szdd(Data)},
        {"two.dat", Szdd(Data)},
        {"add1.dat", Szdd(Data)},
        {"add2.dat", Szdd(Data)},
        {"old.dll", "old"},
        {"left1.tmp", "left"},
        {"left2.tmp", "left"},
        {"given.lst", Lines({"[ADD]", "FILE=add1.dat,100", "FILE=add2.dat,100"})},
        {"given.dmp", Lines({"[PFF]", "ENTRY=left1.tmp", "ENTRY=left2.tmp"})}};
    const struct {
        const char *name;
        void (*stop)();
    } stops[] = {{"Cancel confirmed", PressCancel}, {"the close box", CloseProgressWindow}};
    int pumps = 0;
    // The update stopped at pump at (0: never), and what it leaves.
    auto run = [&](int at, void (*stop)()) {
        fs::current_path(dir);
        for (const fs::directory_entry &entry : fs::directory_iterator("."))
            fs::remove_all(entry.path());
        RecordingReset();
        LayOut(update);
        bool cleaning = false;
        RecordingOnPump([&](int calls) {
            pumps = std::max(pumps, calls);
            if (calls == at)
                stop();
        });
        RecordingOnStatus([&](const std::string &text) { cleaning |= text == "Cleaning up."; });
        EXPECT_EQ(WizardMain(""), 0);
        RecordingOnPump(nullptr);
        RecordingOnStatus(nullptr);
        for (const char *name : {"one.dat", "two.dat"})
            EXPECT_TRUE(ReadFile(name) == Data || ReadFile(name) == Szdd(Data)) << name;
        for (const char *name : {"add1.dat", "add2.dat"})
            EXPECT_TRUE(!Exists(name) || ReadFile(name) == Data || ReadFile(name) == Szdd(Data))
                << name;
        for (const fs::directory_entry &entry : fs::directory_iterator(".")) {
            std::string name = entry.path().filename().string();
            EXPECT_NE(name.compare(0, 3, "WIZ"), 0) << name;
            EXPECT_NE(name.compare(0, 8, "!tmpexec"), 0) << name;
        }
        EXPECT_EQ(Exists("left1.tmp") || Exists("left2.tmp"), !cleaning);
    };
    run(0, nullptr);
    EXPECT_GT(pumps, 20);
    for (int at = 1; at <= pumps; at++)
        for (const auto &stop : stops) {
            SCOPED_TRACE(std::string(stop.name) + " at pump " + std::to_string(at));
            run(at, stop.stop);
        }
}

// The longest names a line carries, in a product directory of 259 characters:
// every command line reaches the utility whole.
TEST_F(Update, LongestNamesInTheLongestDirectory) {
    std::string deep = fs::current_path().string();
    // Windows paths stop at 260 characters, with the utility's name in them.
    size_t length = PathSeparator == '\\' ? PATH_SIZE - 1 - 1 - 15 - 4 : PATH_SIZE - 1;
    while (length - deep.size() > 62)
        deep += PathSeparator + std::string(60, 'd');
    deep += PathSeparator + std::string(length - deep.size() - 1, 'd');
    fs::create_directories(deep);
    fs::current_path(deep);
    const std::string utility = std::string(PathSeparator == '\\' ? 11 : 115, 'u') + ".exe";
    const std::string archive(122, 'a'), source(122, 's');
    std::string list = "[ADD]\r\n", names;
    for (int i = 0; i < 100; i++) {
        std::string name = std::to_string(100 + i) + std::string(118, 'f');
        WriteFile(name, "new");
        list += "FILE=" + name + "\r\n";
        names = " " + name + names;
    }
    LayOut({{"setup.txt", Lines({"[HEADER]", "DST=" + archive, "[PRECHECK]", "SRC=" + source,
                                 "RESEXE=" + utility})},
            {archive, "archive"},
            {"given.lst", list}});
    InstallUtility(utility);
    RecordingReset();

    EXPECT_EQ(WizardMain(""), 0);

    EXPECT_EQ(RecordedWith("status ").back(), AllDone);
    EXPECT_EQ(std::string(Wizard.BaseDirectory), deep);
    const std::string program = deep + PathSeparator + utility;
    EXPECT_EQ(WithoutCr(ReadFile("calls.log")),
              program + " " + archive + " " + source + " /WORK\n" + program + " " + source +
                  " /DUMP\n" + program + " " + archive + names + " /ENCODE\n");
    // A utility whose full path is longer than the platform starts (Windows)
    // stops the update before it changes anything.
    if (deep.size() + 1 + 20 > PathLimit) {
        const std::string longer(20, 'v');
        LayOut(
            {{"setup.txt", Lines({"[HEADER]", "DST=" + archive, "[PRECHECK]", "RESEXE=" + longer})},
             {archive, "archive"},
             {"given.lst", list}});
        InstallUtility(longer);
        const Files before = Picture();
        RecordingReset();
        EXPECT_EQ(WizardMain(""), 0);
        EXPECT_EQ(RecordedWith("warning ").at(0).rfind("Resource Utility (" + longer + ")", 0), 0u);
        EXPECT_EQ(Picture(), before);
    }
}

// One wizard at a time: one that starts while another holds the directory says
// so and changes nothing.
TEST_F(Update, SecondWizard) {
    LayOut({});
    FileHolder holder;
    ASSERT_TRUE(StartHolding(&holder, PathSeparator == '/' ? "." : DirectoryLockFile));
    const Files before = Picture();
    RecordingReset();
    EXPECT_EQ(WizardMain(""), 0);
    EXPECT_EQ(Picture(), before);
    StopHolding(&holder);
    EXPECT_EQ(RecordedWith("warning "),
              std::vector<std::string>{"Another update wizard is running in this directory. "
                                       "Aborting."});
}

// The agreement declined or not shown: no window; a window that cannot be made
// ends the run with its error; the agreement's text, and the window as created.
TEST_F(Update, AgreementAndWindow) {
    const struct {
        const char *name;
        int answer;
    } declines[] = {{"declined", 0}, {"not shown", -1}};
    for (const auto &row : declines) {
        RecordingReset();
        RecordingSetAgreementAnswer(row.answer);
        EXPECT_EQ(WizardMain(""), 0) << row.name;
        EXPECT_EQ(RecordedEvents().front(), "agreement") << row.name;
        EXPECT_TRUE(RecordedWith("show").empty()) << row.name;
    }
    RecordingReset();
    RecordingFailWindowCreation(1407);
    EXPECT_EQ(WizardMain(""), 1407);

    RecordingReset();
    RecordingSetAgreementAnswer(0);
    WizardMain("");
    EXPECT_EQ(RecordedWith("text 1020 "),
              std::vector<std::string>{std::string(AgreementTextFirst) + AgreementTextSecond});
    int error = 0;
    ModelWindow *w = ModelWindowOf(CreateProgressWindow(ProgressDialogProc, &error));
    EXPECT_EQ(ModelItem(w, IDC_DESTINATION_TEXT)->text, std::string(Wizard.BaseDirectory));
    std::vector<int> enabled;
    for (int id : {IDC_CANCEL_BUTTON, IDC_FINISH_BUTTON, IDC_RESOURCES_LABEL, IDC_PROGRESS_BAR})
        enabled.push_back(ModelItem(w, id)->enabled);
    EXPECT_EQ(enabled, (std::vector<int>{1, 0, 0, 0}));
    EXPECT_EQ(ModelItem(w, IDC_PROGRESS_BAR)->bar.position, 0);
}

// A complete run waits for Finish or the close box, with Cancel greyed, Finish
// offered and the bar full; a failed one closes its window itself.
TEST_F(Update, WaysARunEnds) {
    const struct {
        const char *name;
        std::string pointer;
        void (*act)();
        int asked; // times the user was left to act
    } rows[] = {{"Finish", Lines({"[HEADER]", "CMD=setup.txt"}), PressFinish, 1},
                {"the close box", Lines({"[HEADER]", "CMD=setup.txt"}), CloseProgressWindow, 1},
                {"planning fails", Missing, PressFinish, 0}};
    for (const auto &row : rows) {
        SCOPED_TRACE(row.name);
        RecordingReset();
        LayOut({{"update.wiz", row.pointer}});
        int asked = 0;
        RecordingOnIdle([&] {
            asked++;
            ModelWindow *w = RecordedProgressWindow();
            const ProgressState &bar = ModelItem(w, IDC_PROGRESS_BAR)->bar;
            EXPECT_EQ(ModelItemText(w, IDC_STATUS_TEXT), AllDone);
            EXPECT_FALSE(ModelItemEnabled(w, IDC_CANCEL_BUTTON));
            EXPECT_TRUE(ModelItemEnabled(w, IDC_FINISH_BUTTON));
            EXPECT_TRUE(Stands(bar, 1, 1)) << bar.position << " of " << bar.maximum;
            row.act();
        });
        EXPECT_EQ(WizardMain(""), 0);
        EXPECT_EQ(asked, row.asked);
        EXPECT_EQ(RecordedEvents().back(), "destroy");
        RecordingOnIdle(nullptr);
    }
}

// /DIR= enters the directory, or says why not, the text cut to fit its sentence.
TEST_F(Update, DirOption) {
    fs::create_directories(dir / "product dir");
    const std::string product = (dir / "product dir").string();
    const std::string quoted = "\"" + product + "\"", x300(300, 'x'), x214(214, 'x');
    struct Case {
        std::string tail, warning;
        fs::path base;
    } cases[] = {{"-q /DIR=" + product, "", dir / "product dir"},
                 {"/dir=" + product, "", dir},
                 {"/DIR=" + quoted, "Could not set current directory to (" + quoted + ").", dir},
                 {"/DIR=" + x300, "Could not set current directory to (" + x214 + "...).", dir}};
    for (const Case &c : cases) {
        SCOPED_TRACE(c.tail);
        fs::current_path(dir);
        RecordingReset();
        RecordingSetAgreementAnswer(0);
        WizardMain(c.tail.c_str());
        EXPECT_EQ(RecordedWith("warning "),
                  std::vector<std::string>(!c.warning.empty(), c.warning));
        EXPECT_EQ(fs::path(Wizard.BaseDirectory), c.base);
    }
}

// Each half is taken before the subtraction: odd sizes land one further on.
TEST(Progress, CenterPosition) {
    const WindowRect screen = {0, 0, 1024, 768}, window = {10, 20, 461, 331};
    int x = -1, y = -1;
    CenterPosition(&screen, &window, &x, &y);
    EXPECT_EQ(std::make_pair(x, y), std::make_pair(287, 229));
}

} // namespace
