// update-make over generated pairs of product trees: the update it writes,
// copied into the old tree, gives no finding in update-check and, run by the
// native wizard, leaves exactly the new tree: contents, times, execute bits,
// the archive's members with their times, none of the update's own files.
// What the format cannot carry is refused, with nothing written.
#include "support.h"

#include <sys/wait.h>
#include <utime.h>

namespace {

std::string Quoted(const fs::path &path) {
    return "'" + path.string() + "'";
}

// A shell command's exit status, its standard output and error in out.txt.
int Shell(const std::string &command) {
    int status = system(("(" + command + ") >out.txt 2>&1").c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// Deterministic choices for one pair.
struct Draw {
    uint32_t state;
    uint32_t Next(uint32_t below) {
        state ^= state << 13;
        state ^= state >> 17;
        state ^= state << 5;
        return state % below;
    }
};

// A name within what the wizard's lines carry: ASCII and UTF-8 letters, blanks
// and dots inside, in the root or a folder of one or two levels.
std::string Name(Draw *draw) {
    static const char *const Parts[] = {"a",   "b", "Zeta", "r\xc3\xa9sum\xc3\xa9", "x y",
                                        "1.2", "-", "_",    "\xe6\x97\xa5",         "data"};
    std::string name;
    for (int depth = draw->Next(3), i = 0; i <= depth; i++) {
        name += i > 0 ? "/" : "";
        for (int parts = 1 + draw->Next(3); parts > 0; parts--)
            name += Parts[draw->Next(10)];
        name += i < depth ? "" : ".txt";
    }
    return name;
}

// Text that compresses, bytes that do not, or nothing.
std::string Content(Draw *draw) {
    uint32_t kind = draw->Next(4);
    if (kind == 0)
        return "";
    if (kind == 1)
        return RandomBytes(1 + draw->Next(3000), draw->Next(1000));
    return Repeat("line " + std::to_string(draw->Next(100)) + "\n", 1 + draw->Next(400));
}

void Stamp(const fs::path &path, int64_t time) {
    struct utimbuf times = {(time_t)time, (time_t)time};
    utime(path.c_str(), &times);
}

void WriteEntry(const fs::path &root, const std::string &name, Draw *draw) {
    fs::create_directories((root / name).parent_path());
    WriteFile((root / name).string(), Content(draw));
    fs::permissions(root / name, draw->Next(4) == 0 ? fs::perms(0755) : fs::perms(0644));
    Stamp(root / name, 1500000000 + draw->Next(99999999));
}

// The archive: members m0 and on with their contents and times, made with restool.
void Archive(const fs::path &root, int members, int changed, Draw *draw) {
    std::string names;
    for (int i = 0; i < members; i++) {
        std::string name = "m" + std::to_string(i);
        WriteEntry(root, name, draw);
        if (i < changed)
            WriteFile((root / name).string(), "changed " + name);
        names += " " + name;
    }
    ASSERT_EQ(Shell("cd " + Quoted(root) + " && " RESTOOL_PATH " data.res" + names + " /ENCODE"),
              0);
    for (int i = 0; i < members; i++)
        fs::remove(root / ("m" + std::to_string(i)));
}

// A pair: old with files, the utility and an archive; new with some files
// removed, changed, touched, made executable or added, and members added or
// changed.
void MakePair(int number, const fs::path &old, const fs::path &now) {
    Draw draw = {2654435761u * (uint32_t)(number + 1)};
    for (int i = 0, files = 3 + draw.Next(20); i < files; i++)
        WriteEntry(old, Name(&draw), &draw);
    fs::copy_file(RESTOOL_PATH, old / "restool.exe");
    int members = 2 + draw.Next(3), added = draw.Next(4), changed = 1 + draw.Next(2);
    Draw same = draw; // the new archive's first members as the old one's
    Archive(old, members, 0, &draw);
    CopyTree(old, now);
    Archive(now, members + added, changed, &same);
    for (const auto &[name, state] : Look(old)) {
        if (name == "restool.exe" || name.rfind("data.res", 0) == 0)
            continue;
        uint32_t what = draw.Next(6);
        if (what == 0)
            fs::remove(now / name);
        else if (what == 1)
            WriteFile((now / name).string(), Content(&draw) + "new");
        else if (what == 2)
            fs::permissions(now / name, fs::perms(0755));
        else if (what == 3)
            fs::last_write_time(now / name,
                                fs::last_write_time(now / name) + std::chrono::hours(1));
    }
    for (int i = 0, added = draw.Next(5); i < added; i++)
        WriteEntry(now, "new/" + Name(&draw), &draw);
}

// As the wizard leaves a product: the archive by its members, without its own
// bytes (the utility writes them in its order) or the members' modes.
Tree Result(const fs::path &root) {
    Tree tree = Look(root);
    for (auto entry = tree.begin(); entry != tree.end();) {
        bool archive = IsArchive(tree, entry);
        entry->second.mode =
            entry->first.find("//") != std::string::npos ? 0 : entry->second.mode & 0100;
        entry = archive ? tree.erase(entry) : std::next(entry);
    }
    return tree;
}

class RoundTrip : public ScratchTest {};

TEST_F(RoundTrip, GeneratedPairs) {
    const std::string make = UPDATE_MAKE_PATH " --archive data.res --utility restool.exe ";
    for (int pair = 0; pair < 30; pair++) {
        SCOPED_TRACE("pair " + std::to_string(pair));
        fs::path base = dir / std::to_string(pair);
        MakePair(pair, base / "old", base / "new");
        ASSERT_EQ(Shell(make + Quoted(base / "old") + " " + Quoted(base / "new") + " " +
                        Quoted(base / "out")),
                  0)
            << ReadFile("out.txt");
        CopyTree(base / "old", base / "product");
        CopyTree(base / "out", base / "product");
        EXPECT_EQ(Shell(UPDATE_CHECK_PATH " " + Quoted(base / "product")), 0)
            << ReadFile("out.txt");
        EXPECT_EQ(Shell("yes | " WIZARD_PATH " /DIR=" + (base / "product").string()), 0)
            << ReadFile("out.txt");
        EXPECT_EQ(Differences(Result(base / "product"), Result(base / "new")),
                  std::vector<std::string>());
    }
}

// Each row changes a plain pair (old: a.txt, the utility, an archive of m0; new:
// the same) by a shell command run above both, and names what update-make says.
TEST_F(RoundTrip, RefusedWithNothingWritten) {
    const struct {
        std::string change;
        const char *said;
        int status;
    } rows[] = {
        {"echo x >'new/a,b.txt'", "a,b.txt: a comma or a semicolon", 1},
        {"mkdir new/sub. && echo x >new/sub./c",
         "sub./c: a part of the name ends in a blank or a dot", 1},
        {"mkdir new/empty", "empty: an empty directory that only the new tree", 1},
        {"mkdir old/gone && echo x >old/gone/f", "gone: a directory that only the old tree", 1},
        {"cd old && echo x >m1 && ./restool.exe data.res m1 /ENCODE",
         "m1: a member that the "
         "archive would have to lose",
         1},
        {"cd new && echo m0 >m0 && touch -d @5 m0 && ./restool.exe data.res m0 /ENCODE",
         "m0: a member that differs only in its time", 1},
        {"echo x >new/" + std::string(120, 'n'), "its line \"COPY=...\" takes 138 characters", 1},
        {"echo x >new/notes.wiz", "notes.wiz: a name that the wizard or its utility use", 1},
        {"echo x >new/A.TXT", "a.txt: differs from A.TXT only in case", 1},
        {"mkdir out", "out: exists already", 1},
        {"mv new/restool.exe new/tool", "restool.exe: the new tree has no such utility", 1},
    };
    for (const auto &row : rows) {
        SCOPED_TRACE(row.change);
        fs::remove_all("case");
        fs::create_directories("case/old");
        ASSERT_EQ(Shell("cd case && echo a >old/a.txt && cp " RESTOOL_PATH " old/restool.exe && "
                        "cd old && echo m0 >m0 && ./restool.exe data.res m0 /ENCODE && rm m0"),
                  0);
        ASSERT_EQ(Shell("cd case && cp -a old new && " + row.change), 0);
        EXPECT_EQ(Shell("cd case && " UPDATE_MAKE_PATH " --archive data.res --utility restool.exe"
                        " old new out"),
                  row.status);
        EXPECT_NE(ReadFile("out.txt").find(row.said), std::string::npos) << ReadFile("out.txt");
        EXPECT_FALSE(Exists("case/out.partial"));
    }
    EXPECT_EQ(Shell(UPDATE_MAKE_PATH " --archive data.res old new out"), 2);
}

} // namespace
