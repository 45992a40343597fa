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

// What update-make's update leaves: the new tree, but the members that a fresh
// archive only stamped anew keep their old times.
Tree Expected(const fs::path &now, const fs::path &old) {
    Tree want = Result(now);
    const Tree before = Result(old);
    for (auto &[name, state] : want) {
        auto was = before.find(name);
        if (name.find("//") != std::string::npos && was != before.end() &&
            was->second.content == state.content)
            state.time = was->second.time;
    }
    return want;
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
        EXPECT_EQ(ReadFile("out.txt").find("gone: a directory that only the old tree has") !=
                      std::string::npos,
                  pair % 3 == 1);
        CopyTree(base / "old", base / "product");
        CopyTree(base / "out", base / "product");
        EXPECT_EQ(Shell(UPDATE_CHECK_PATH " " + Quoted(base / "product")), 0)
            << ReadFile("out.txt");
        EXPECT_EQ(Shell("yes | " WIZARD_PATH " /DIR=" + (base / "product").string()), 0)
            << ReadFile("out.txt");
        EXPECT_EQ(Differences(Result(base / "product"), Expected(base / "new", base / "old")),
                  std::vector<std::string>());
    }
}

// Three versions of a product and update-make's update from the second to the
// third, with its manifest, put into a product and run: on the second, whose
// user changed a file the update leaves to users, it gives the third and
// proves it; on the first, on the second with an input cut short
// or a needed file missing, the wizard stops before it changes a byte, and
// update-check has said so; a result that differs from the manifest keeps the
// update. Each row: what is done to the product after the update is put in.
TEST_F(RoundTrip, ThreeVersions) {
    MakePair(7, "v1", "v2");
    WriteFile("v1/kept.txt", "as the first version has it");
    for (const char *v : {"v1", "v2"})
        WriteFile(std::string(v) + "/old.log", "a log the third version drops");
    WriteFile("v2/kept.txt", "as the second and third versions have it");
    WriteFile("v2/user.cfg", "settings that users change");
    CopyTree("v2", "v3");
    fs::remove("v3/old.log");
    WriteFile("v3/notes.txt", Repeat("the third version's notes\n", 200));
    ASSERT_EQ(Shell("cd v3 && echo m9 >m9 && ./restool.exe data.res m9 /ENCODE && rm m9"), 0);
    ASSERT_EQ(Shell(UPDATE_MAKE_PATH " --archive data.res --utility restool.exe --changeable "
                                     "user.cfg v2 v3 out"),
              0)
        << ReadFile("out.txt");
    EXPECT_EQ(ReadFile("out/update.sum").find("user.cfg"), std::string::npos);
    const std::string wrong = "sed -i '/^result .*  notes.txt$/s/ [0-9a-f]\\{64\\}  / " +
                              std::string(64, '0') + "  /' p/update.sum";
    const struct {
        const char *name, *base;
        std::string change;
        int status;
        const char *said, *found;
    } rows[] = {
        {"the second", "v2", "echo mine >p/user.cfg && cp -p p/user.cfg v3", 0, "All done.",
         nullptr},
        {"the first", "v1", "true", 3, "Product file (", "the product is another version"},
        {"an input cut short", "v2", "head -c 40 out/notes.txt >p/notes.txt", 3,
         "Update file (notes.txt) is damaged or incomplete. Aborting.",
         "input notes.txt is not as the update shipped it"},
        {"a needed file missing", "v2", "rm p/kept.txt", 3,
         "Product file (kept.txt) could not be located: this update is for another version.",
         "needed kept.txt does not exist"},
        {"a result that differs", "v2", wrong, 4,
         "File (notes.txt) is not as this update should leave it.  Skipping cleanup.", nullptr},
    };
    for (const auto &row : rows) {
        SCOPED_TRACE(row.name);
        fs::remove_all("p");
        CopyTree(row.base, "p");
        CopyTree("out", "p");
        ASSERT_EQ(Shell(row.change), 0);
        EXPECT_EQ(Shell(UPDATE_CHECK_PATH " p"), row.found != nullptr) << ReadFile("out.txt");
        EXPECT_TRUE(row.found == nullptr ||
                    ReadFile("out.txt").find(row.found) != std::string::npos)
            << ReadFile("out.txt");
        const Tree before = Look("p");
        EXPECT_EQ(Shell("yes | " WIZARD_PATH " /DIR=" + fs::absolute("p").string()), row.status);
        EXPECT_NE(ReadFile("out.txt").find(row.said), std::string::npos) << ReadFile("out.txt");
        // Stopped: byte for byte as before; run: the third version.
        const Tree &want = row.status == 3 ? before : Result("v3");
        EXPECT_EQ(row.status == 4 ? std::vector<std::string>()
                                  : Differences(row.status == 3 ? Look("p") : Result("p"), want),
                  std::vector<std::string>());
        EXPECT_EQ(Exists("p/update.wiz") && Exists("p/patch.src"), row.status != 0);
    }
}

// Each row changes a plain pair (old: a.txt, the utility, an archive of m0; new:
// the same) by a shell command run above both, and names what update-make says
// and its exit status: 1 refused, 3 nothing to ship (both nothing written), 0
// written with a warning.
TEST_F(RoundTrip, RefusedOrWarned) {
    const std::string make = UPDATE_MAKE_PATH " --archive data.res --utility restool.exe ";
    const struct {
        std::string change;
        const char *said;
        int status;
        const char *trees = "old new out";
    } rows[] = {
        {"echo x >'new/a,b.txt'", "a,b.txt: a comma or a semicolon", 1},
        {"mkdir new/sub. && echo x >new/sub./c",
         "sub./c: a part of the name ends in a blank or a dot", 1},
        {"mkdir new/empty", "empty: an empty directory that only the new tree", 1},
        {"ln -s a.txt old/l && ln -s m0 new/l", "l: a symbolic link that the trees do not", 1},
        {"cd old && echo x >m1 && ./restool.exe data.res m1 /ENCODE",
         "m1: a member that the archive would have to lose", 1},
        {"echo x >new/" + std::string(120, 'n'), "its line \"COPY=...\" takes 138 characters", 1},
        {"echo x >new/notes.wiz", "notes.wiz: a name that the wizard or its utility use", 1},
        {"echo x >new/A.TXT", "a.txt: differs from A.TXT only in case", 1},
        {"mkdir out", "out: exists already", 1},
        {"true", "new/out: inside the tree new,", 1, "old new new/out"},
        {"mv new/restool.exe new/tool", "restool.exe: the new tree has no such utility", 1},
        {"seq 9999 >new/a.txt && chmod 444 new/a.txt", "COPY a.txt is compressed and read-only", 1},
        // The archive made afresh: its member stamped anew needs nothing.
        {"cd new && echo m0 >m0 && touch -d @5 m0 && ./restool.exe data.res m0 /ENCODE && rm m0",
         "old and new hold the same product: nothing to ship", 3},
        {"echo b >new/a.txt && touch -d @5 new/a.txt", "every changed file is older in new", 0},
    };
    for (const auto &row : rows) {
        SCOPED_TRACE(row.change);
        fs::remove_all("case");
        fs::create_directories("case/old");
        ASSERT_EQ(Shell("cd case && echo a >old/a.txt && cp " RESTOOL_PATH " old/restool.exe && "
                        "cd old && echo m0 >m0 && ./restool.exe data.res m0 /ENCODE && rm m0"),
                  0);
        ASSERT_EQ(Shell("cd case && cp -a old new && " + row.change), 0);
        EXPECT_EQ(Shell("cd case && " + make + row.trees), row.status);
        EXPECT_NE(ReadFile("out.txt").find(row.said), std::string::npos) << ReadFile("out.txt");
        EXPECT_EQ(Exists("case/out/update.wiz"), row.status == 0);
        EXPECT_FALSE(Exists("case/out.partial") || Exists("case/out.check"));
    }
    EXPECT_EQ(Shell(UPDATE_MAKE_PATH " --archive data.res old new out"), 2);
    EXPECT_NE(ReadFile("out.txt").find("--utility NAME is needed"), std::string::npos);
}

} // namespace
