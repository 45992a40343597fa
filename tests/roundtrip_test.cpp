// update-make over generated pairs of product trees: the update it writes,
// copied into the old tree, gives no finding in update-check and, run by the
// native wizard, leaves exactly the new tree: contents, times, execute bits,
// the archive's members with their times, none of the update's own files.
// What the format cannot carry is refused, with nothing written.
#include "support.h"

namespace {

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
