// The sample resource utility against the system's tar: each reads what the
// other writes, and bad archives are refused with nothing written.
#include "support.h"

#include <sys/stat.h>
#include <sys/wait.h>

#include <set>

namespace {

// A shell command in the test's directory ("restool" names the utility): its exit
// code; output in out.txt, err.txt.
int Shell(const std::string &command) {
    std::string line =
        "restool() { " RESTOOL_PATH " \"$@\"; }; (" + command + ") >out.txt 2>err.txt";
    int status = system(line.c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

class Restool : public ScratchTest {};

// What tar writes, restool reads (the later of two copies of a name counts);
// what restool writes, tar reads.
TEST_F(Restool, ArchivesGoBothWays) {
    ASSERT_EQ(
        Shell("echo same >same.txt; echo old >changed.txt; tar -cf data.res same.txt changed.txt"
              " && echo added >added.txt && touch -d @2000000 added.txt"
              " && tar -cf patch.src same.txt changed.txt added.txt"
              " && echo new >changed.txt && touch -d @1000000 changed.txt"
              " && tar -rf patch.src changed.txt && rm same.txt changed.txt added.txt"),
        0);
    EXPECT_EQ(Shell("restool data.res patch.src /WORK"), 0) << ReadFile("err.txt");
    EXPECT_EQ(ReadFile("update.lst"),
              "[ADD]\r\nFILE=added.txt,2000000\r\nFILE=changed.txt,1000000\r\n");
    EXPECT_EQ(ReadFile("changed.txt"), "new\n");
    EXPECT_EQ(ReadFile("added.txt"), "added\n");
    struct stat info;
    EXPECT_TRUE(stat("added.txt", &info) == 0 && info.st_mtime == 2000000);
    EXPECT_FALSE(Exists("same.txt"));
    EXPECT_EQ(Shell("restool /DUMP '' patch.src"), 0) << "the verb may come first";
    EXPECT_EQ(ReadFile("update.dmp"), "[PFF]\r\nENTRY=patch.src\r\n");
    EXPECT_EQ(Shell("restool data.res added.txt missing.txt /ENCODE"), 1) << "skips a missing name";
    ASSERT_EQ(Shell("TZ=UTC tar -tvf data.res"), 0);
    EXPECT_NE(ReadFile("out.txt").find(" 1970-01-24 03:33 added.txt\n"), std::string::npos);
    EXPECT_EQ(Shell("restool data.res /WORK"), 2);
    // The new archive is written through a link to it and keeps who the old one is.
    ASSERT_EQ(Shell("mv data.res real.res && ln -s real.res data.res && chmod 640 real.res && "
                    "{ [ $(id -u) != 0 ] || chown 65534:65534 real.res; }"),
              0);
    EXPECT_EQ(Shell("restool data.res added.txt /ENCODE"), 0) << ReadFile("err.txt");
    EXPECT_EQ(Shell("[ -L data.res ] && stat -c '%a %u' real.res"), 0);
    EXPECT_EQ(ReadFile("out.txt"),
              getuid() == 0 ? "640 65534\n" : "640 " + std::to_string(getuid()) + "\n");
}

// Each row leaves bad.tar (valid: a good archive whose member must not be
// extracted); the names after it can never be members.
TEST_F(Restool, BadInputIsRefusedAndNothingIsWritten) {
    const struct {
        const char *make, *message;
        int valid;
    } rows[] = {
        {": >bad.tar", "empty file", 0},
        {"head -c 2000 /dev/zero | tr '\\0' x >bad.tar", "not a ustar", 0},
        {"printf abc >bad.tar", "not a ustar", 0},
        {"head -c 5000 /dev/zero >f; tar --format=ustar -cf t f; head -c 2048 t >bad.tar",
         "truncated", 0},
        {"echo hi >f; tar --format=ustar -cf t f; head -c 1024 t >bad.tar", "truncated", 0},
        {"echo hi >f; tar --format=ustar -cf bad.tar f; printf X | dd of=bad.tar bs=1 seek=1 "
         "conv=notrunc",
         "not a ustar", 0},
        {"echo hi >f; tar --format=ustar -cf bad.tar --transform='s,^f,../f,' -P f", "\"..\"", 0},
        {"echo hi >f; tar --format=ustar -cf bad.tar -P \"$PWD/f\"", "absolute", 0},
        {"mkdir d; echo hi >d/f; tar --format=ustar -cf bad.tar d/f", "directory part", 0},
        {"mkdir d; tar --format=ustar -cf bad.tar d", "type '5'", 0},
        {"echo hi >f; tar --format=pax -cf bad.tar f", "type 'x'", 0},
        {"mkdir m; echo x >m/update.lst; tar -cf bad.tar -C m update.lst", "overwrite", 1},
        {"mkdir m; echo x >m/UPDATE.DMP; tar -cf bad.tar -C m UPDATE.DMP", "overwrite", 1},
        {"mkdir m; echo x >m/data.res; tar -cf bad.tar -C m data.res", "overwrite", 1},
        {"mkdir m; echo x >m/bad.tar; tar -cf bad.tar -C m bad.tar", "overwrite", 1},
        {"mkdir m; echo x >m/late; tar -cf bad.tar --mtime=@4000000000 -C m late", "2038", 1},
    };
    for (const auto &row : rows) {
        fs::create_directory(dir / std::to_string(&row - rows));
        fs::current_path(dir / std::to_string(&row - rows));
        ASSERT_EQ(Shell("echo keep >keep.txt; tar --format=ustar -cf data.res keep.txt; " +
                        std::string(row.make)),
                  0)
            << row.make;
        const std::string archive = ReadFile("data.res"), bad = ReadFile("bad.tar");
        std::set<fs::path> before{fs::directory_iterator("."), fs::directory_iterator()};
        EXPECT_EQ(Shell("restool data.res bad.tar /WORK"), 3) << row.make;
        EXPECT_NE(ReadFile("err.txt").find(row.message), std::string::npos) << row.make;
        EXPECT_TRUE(row.valid || (Shell("restool bad.tar /DUMP") == 3 &&
                                  Shell("restool bad.tar keep.txt /ENCODE") == 3))
            << row.make;
        std::set<fs::path> after{fs::directory_iterator("."), fs::directory_iterator()};
        EXPECT_EQ(after, before) << row.make;
        EXPECT_EQ(ReadFile("data.res"), archive) << row.make;
        EXPECT_EQ(ReadFile("bad.tar"), bad) << row.make;
    }
    const std::string archive = ReadFile("data.res");
    for (const char *name :
         {"../keep.txt", "/etc/hostname", "m/update.lst", "data.res", "update.lst"})
        EXPECT_EQ(Shell(std::string("restool data.res keep.txt ") + name + " /ENCODE"), 3) << name;
    EXPECT_EQ(ReadFile("data.res"), archive);
}

} // namespace
