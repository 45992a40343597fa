// File removal with retry, and the file primitives the rest relies on.
#include "state/wizard_state.h"
#include "support.h"
#include "sys/files.h"
#include "ui/recording/recording.h"
#include "update/removal.h"

#ifndef _WIN32
#include <sys/xattr.h>
#endif

#include <tuple>

namespace {

class Files : public ScratchTest {};

// A directory holding a file is an obstacle no file deletion passes, on any
// platform; under Windows so is a file another process holds.
TEST_F(Files, RemoveFileTable) {
    fs::create_directories("obstacle/inside");
    const int refused = DeleteFileOnce("obstacle");
    ASSERT_NE(refused, 0);
    // freeAt: the pump call that frees the obstacle.
    const struct {
        const char *what, *name;
        int retry, freeAt, cancel, result, pumps;
    } rows[] = {
        {"no name", nullptr, 1, 0, 0, 0, 0},
        {"a missing file", "not-there", 1, 0, 0, 0, 0},
        {"in a missing directory", "no-such-dir/not-there", 1, 0, 0, 0, 0},
        {"a plain file", "plain", 1, 0, 0, 0, 0},
        {"an obstacle, once", "obstacle", 0, 0, 0, refused, 0},
        {"an obstacle, six times", "obstacle", 1, 0, 0, refused, 5},
        // The caller decides what a cancel stops; a handler may free the file.
        {"a cancel stops no attempt", "obstacle", 1, 0, 1, refused, 5},
        {"freed at the second pump", "obstacle", 1, 2, 0, 0, 3},
#ifdef _WIN32
        {"held, once", "held", 0, 0, 0, ERROR_SHARING_VIOLATION, 0},
        {"held, six times", "held", 1, 0, 0, ERROR_SHARING_VIOLATION, 5},
#endif
    };
#ifdef _WIN32
    FileHolder holder;
    ASSERT_TRUE(StartHolding(&holder, "held"));
#endif
    for (const auto &row : rows) {
        WriteFile("plain", "x");
        RecordingReset();
        int pumps = 0;
        RecordingOnPump([&](int call) {
            pumps++;
            Wizard.CancelRequested = row.cancel;
            if (call == row.freeAt) {
                fs::remove_all("obstacle");
                WriteFile("obstacle", "now a plain file");
            }
        });
        EXPECT_EQ(RemoveFile(row.name, row.retry), row.result) << row.what;
        EXPECT_EQ(pumps, row.pumps) << row.what;
        EXPECT_EQ(row.name != nullptr && Exists(row.name), row.result != 0) << row.what;
    }
    Wizard.CancelRequested = 0;
    RecordingReset();
#ifdef _WIN32
    StopHolding(&holder);
    EXPECT_EQ(RemoveFile("held", 0), 0);
#endif
}

TEST_F(Files, Primitives) {
    // Whole blocks out and in; a read is short only at the end.
    std::string data = RandomBytes(3 << 20, 4);
    WriteFile("old", "old content");
    FileHandle file;
    ASSERT_EQ(CreateFileAnew("old", &file), 0);
    int64_t size = -1;
    EXPECT_EQ(SizeOfFile(file, &size), 0);
    EXPECT_EQ(size, 0);
    EXPECT_EQ(WriteToFile(file, data.data(), data.size()), 0);
    CloseFileHandle(file);
    std::string back(data.size() + 100, '\0');
    size_t got = 0;
    ASSERT_EQ(OpenToRead("old", SHARE_NONE, &file), 0);
    EXPECT_EQ(ReadFromFile(file, &back[0], back.size(), &got), 0);
    EXPECT_EQ(got, data.size());
    EXPECT_EQ(ReadFromFile(file, &back[0], back.size(), &got), 0);
    EXPECT_EQ(got, 0u);
    CloseFileHandle(file);
    EXPECT_TRUE(back.substr(0, data.size()) == data);
    // A new file is never one that is there already.
    EXPECT_EQ(CreateNewFile("old", &file), FileExistsError);
    EXPECT_EQ(file, NO_FILE);
    EXPECT_NE(CreateFileAnew("no/such/dir/file", &file), 0);
    EXPECT_TRUE(IsMissingError(DeleteFileOnce("missing")));
    EXPECT_EQ(DeleteFileOnce("missing"), 2) << "file not found, the same code on both platforms";

    // A rename replaces the target whole and takes the source; a failed one keeps both.
    const char *names[] = {"old"};
    EXPECT_EQ(SyncFiles(SYNC_DATA, names, 1), 0);
    EXPECT_EQ(RenameOver("old", "to"), 0);
    EXPECT_TRUE(ReadFile("to") == data);
    EXPECT_FALSE(Exists("old"));
    WriteFile("small", "s");
    EXPECT_TRUE(IsMissingError(RenameOver("missing", "to")));
    EXPECT_NE(RenameOver("small", "no/such/dir/to"), 0);
    EXPECT_EQ(ReadFile("small"), "s");
    EXPECT_TRUE(ReadFile("to") == data);
}

// A file that takes another's place carries who it is: owner and group (when
// the wizard may set them), the mode with its set-user-ID bit, extended
// attributes; on Windows the hidden and system attributes.
TEST_F(Files, CarryIdentity) {
    WriteFile("target", "old");
    WriteFile("new", "new");
#ifdef _WIN32
    ASSERT_TRUE(SetFileAttributesA("target", FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM));
    ASSERT_EQ(CarryIdentity("target", "new"), 0);
    EXPECT_EQ(GetFileAttributesA("new") & (FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM),
              (DWORD)(FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM));
#else
    if (geteuid() != 0)
        GTEST_SKIP() << "only the superuser may give a file to another owner";
    ASSERT_EQ(chown("target", 65534, 65534), 0);
    ASSERT_EQ(chmod("target", 04750), 0);
    int attributes = setxattr("target", "user.note", "kept", 4, 0) == 0;
    ASSERT_EQ(CarryIdentity("target", "new"), 0);
    struct stat info;
    ASSERT_EQ(stat("new", &info), 0);
    EXPECT_EQ(std::make_tuple(info.st_uid, info.st_gid, info.st_mode & 07777),
              std::make_tuple(65534u, 65534u, 04750u));
    char value[8] = "";
    EXPECT_EQ(attributes ? getxattr("new", "user.note", value, sizeof value) : 4, 4);
#endif
}

TEST_F(Files, Names) {
    char name[64], tiny[4];
    EXPECT_NE(FindMatchAt("*.wiz", 0, name, sizeof name), 0);
    WriteFile("notes.txt", "");
    WriteFile("UPDATE.WIZ", "");
    EXPECT_EQ(FindMatchAt("*.wiz", 0, name, sizeof name), 0) << "matched without case";
    EXPECT_STREQ(name, "UPDATE.WIZ");
    EXPECT_NE(FindMatchAt("*.wiz", 0, tiny, sizeof tiny), 0) << "the name does not fit";
    EXPECT_NE(FindMatchAt("*.wiz", 1, name, sizeof name), 0);
    // Temporary names as the runtime forms them: a nonzero number only forms one.
    ASSERT_EQ(FormTempFileName("WIZ", 41, name, sizeof name), 0);
    EXPECT_EQ(fs::path(name).filename().string().substr(0, 5), "WIZ29");
    EXPECT_FALSE(Exists(name));
    EXPECT_NE(FormTempFileName("WIZ", 41, tiny, sizeof tiny), 0);
    EXPECT_NE(ReadCurrentDirectory(tiny, sizeof tiny), 0);
}

} // namespace
