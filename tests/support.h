// The one harness of every test program: a scratch directory per test, whole
// files in and out, SZDD streams, the environment, and the stand-in child.
#ifndef WIZARD_TESTS_SUPPORT_H
#define WIZARD_TESTS_SUPPORT_H

#include "compress.h"
#include "tar.h"

#include <gtest/gtest.h>

#ifdef _WIN32
#include <windows.h>
#endif
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>
#ifndef _WIN32
#include <sys/wait.h>
#include <utime.h>
#endif

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <list>
#include <map>
#include <string>
#include <thread>
#include <vector>

namespace fs = std::filesystem;

// The folder the test program started in; taken before any test changes directory.
inline const fs::path &StartDir() {
    static const fs::path start = fs::current_path();
    return start;
}

// The stand-in child (tests/child.cpp) by the build's path, whatever the folder (under
// Wine the start folder lends it its drive); and quoted for a command line.
inline std::string ChildPath() {
    return (StartDir() / CHILD_PATH).string();
}
inline std::string Child(const std::string &arguments) {
    return "\"" + ChildPath() + "\" " + arguments;
}

// "<missing>" for a file that is not there, so a test tells it from an empty one.
inline std::string ReadFile(const std::string &name) {
    std::ifstream in(name, std::ios::binary);
    if (!in)
        return "<missing>";
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

inline void WriteFile(const std::string &name, const std::string &content) {
    std::ofstream out(name, std::ios::binary | std::ios::trunc);
    out << content;
    ASSERT_TRUE(out.good()) << name;
}

// The name itself: a dangling link counts.
inline bool Exists(const std::string &name) {
    std::error_code ignored;
    return fs::exists(fs::symlink_status(name, ignored));
}

// The update files end their lines with CR LF.
inline std::string Lines(const std::vector<std::string> &lines) {
    std::string text;
    for (const std::string &line : lines)
        text += line + "\r\n";
    return text;
}

inline std::string Repeat(const std::string &text, int times) {
    std::string all;
    for (int i = 0; i < times; i++)
        all += text;
    return all;
}

// Text lines the way a child wrote them, without Windows' CR.
inline std::string WithoutCr(std::string text) {
    text.erase(std::remove(text.begin(), text.end(), '\r'), text.end());
    return text;
}

// A valid SZDD stream of plain, made by the compressor of tools/szdd-compress.
// Damaged ones are made from it by cutting or changing bytes.
inline std::string Szdd(const std::string &plain, unsigned char lastChar = 0) {
    std::string out(SzddCompressBound(plain.size()), '\0');
    out.resize(SzddCompress(plain.data(), plain.size(), lastChar, &out[0]));
    return out;
}

// Deterministic bytes, the same on every platform and run.
inline std::string RandomBytes(size_t size, uint32_t start) {
    std::string bytes(size, '\0');
    uint32_t state = start * 2654435761u + 1;
    for (char &byte : bytes) {
        state ^= state << 13;
        state ^= state >> 17;
        state ^= state << 5;
        byte = (char)(state >> 24);
    }
    return bytes;
}

// A directory as the tests compare it: every file's content, modification time
// and permission bits, and every member of an archive of the sample utility as
// "ARCHIVE//MEMBER" right after the archive's own entry.
struct FileState {
    std::string content;
    int64_t time;
    int mode;
};
typedef std::map<std::string, FileState> Tree;

inline Tree Look(const fs::path &dir) {
    Tree tree;
    for (const fs::directory_entry &entry : fs::recursive_directory_iterator(dir)) {
        struct stat info;
        std::string name = entry.path().lexically_relative(dir).generic_string();
        if (!entry.is_regular_file() || stat(entry.path().string().c_str(), &info) != 0)
            continue;
        tree[name] = {ReadFile(entry.path().string()), (int64_t)info.st_mtime,
                      (int)(info.st_mode & 0777)};
        TarArchive archive;
        char problem[TAR_PROBLEM_SIZE];
        if (TarLoad(entry.path().string().c_str(), &archive, problem, sizeof problem) == TAR_OK)
            for (const TarMember *m = archive.first; m != nullptr; m = m->next)
                tree[name + "//" + m->name] = {std::string((const char *)m->data, m->size),
                                               m->mtime, (int)m->mode};
        TarFree(&archive);
    }
    return tree;
}

// The names whose entries differ between two trees, for a message that says which.
inline std::vector<std::string> Differences(const Tree &a, const Tree &b) {
    std::vector<std::string> names;
    for (const Tree *one : {&a, &b})
        for (const auto &[name, state] : *one) {
            const Tree &other = one == &a ? b : a;
            auto found = other.find(name);
            bool same = found != other.end() && found->second.content == state.content &&
                        found->second.time == state.time && found->second.mode == state.mode;
            if (!same && (one == &a || found == other.end()))
                names.push_back(name);
        }
    return names;
}

// An archive's own entry, which its members' entries follow.
inline bool IsArchive(const Tree &tree, Tree::const_iterator entry) {
    auto next = std::next(entry);
    return next != tree.end() && next->first.rfind(entry->first + "//", 0) == 0;
}

// A copy with the same times and modes, so that untouched files compare equal.
inline void CopyTree(const fs::path &from, const fs::path &to) {
    std::error_code ignored;
    fs::create_directories(to, ignored);
    fs::copy_options options = fs::copy_options::recursive | fs::copy_options::overwrite_existing;
#ifndef _WIN32 // links stay links; MinGW's copy refuses a tree with the option
    options |= fs::copy_options::copy_symlinks;
#endif
    fs::copy(from, to, options);
    for (const fs::directory_entry &entry : fs::recursive_directory_iterator(from)) {
        fs::path copy = to / entry.path().lexically_relative(from);
        if (entry.is_symlink())
            continue;
        fs::permissions(copy, entry.status().permissions(), ignored);
        fs::last_write_time(copy, entry.last_write_time(), ignored);
    }
}

// Puts name=value for this process and its children; an empty value counts as
// unset for the child. putenv keeps the pointer, so the texts stay alive.
inline void SetEnv(const std::string &name, const std::string &value) {
    static std::list<std::string> texts;
    texts.push_back(name + "=" + value);
    putenv(&texts.back()[0]);
}

// Every variable the child reads as the resource utility.
inline void ClearChildEnv() {
    for (const char *name :
         {"WIZARD_TEST_LOG", "WIZARD_TEST_LST", "WIZARD_TEST_DMP", "WIZARD_TEST_HIDE",
          "WIZARD_TEST_EXIT", "WIZARD_TEST_MODE", "WIZARD_TEST_COUNT"})
        SetEnv(name, "");
}

// Every test runs in an empty directory of its own, named with the process id
// so parallel runs never share one, and removed afterwards.
class ScratchTest : public ::testing::Test {
  protected:
    fs::path dir;

    void SetUp() override {
        StartDir();
        const ::testing::TestInfo *info = ::testing::UnitTest::GetInstance()->current_test_info();
        std::string name = "wizard-" + std::to_string(getpid()) + "-" + info->test_suite_name() +
                           "-" + info->name();
        for (char &c : name)
            if (c == '/')
                c = '_';
        dir = fs::temp_directory_path() / name;
        std::error_code ignored;
        fs::remove_all(dir, ignored);
        fs::create_directories(dir);
        fs::current_path(dir);
        ClearChildEnv();
    }

    void TearDown() override {
        ClearChildEnv();
        fs::current_path(StartDir());
        std::error_code ignored;
        for (const fs::directory_entry &entry : fs::recursive_directory_iterator(dir, ignored))
            fs::permissions(entry.path(), fs::perms::owner_all, fs::perm_options::add, ignored);
        fs::remove_all(dir, ignored);
    }
};

// A second process that holds a file (Windows: open without sharing; POSIX: a
// lock on the file or directory), the stand-in child's "hold".
struct FileHolder {
#ifdef _WIN32
    PROCESS_INFORMATION process;
#else
    pid_t process;
#endif
    std::string name;
};

// Starts the child that holds name and waits until it does: true on success.
inline bool StartHolding(FileHolder *holder, const std::string &name) {
    holder->name = name;
#ifdef _WIN32
    std::string line = Child("hold " + name);
    STARTUPINFOA startup;
    ZeroMemory(&startup, sizeof startup);
    startup.cb = sizeof startup;
    if (!CreateProcessA(nullptr, &line[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                        &holder->process))
        return false;
#else
    holder->process = fork();
    if (holder->process == 0) {
        execl(ChildPath().c_str(), ChildPath().c_str(), "hold", name.c_str(), (char *)nullptr);
        _exit(127);
    }
#endif
    for (int i = 0; i < 2000 && !Exists(name + ".ready"); i++)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    return Exists(name + ".ready");
}

// Lets go of the file and waits until the holder has ended.
inline void StopHolding(FileHolder *holder) {
    WriteFile(holder->name + ".stop", "");
#ifdef _WIN32
    WaitForSingleObject(holder->process.hProcess, 30000);
    CloseHandle(holder->process.hThread);
    CloseHandle(holder->process.hProcess);
#else
    waitpid(holder->process, nullptr, 0);
#endif
    fs::remove(holder->name + ".stop");
}

#ifndef _WIN32
// Pairs of product trees, old and new, as update-make takes them: the old
// tree's files, the utility and an archive; the new one with files removed,
// changed, touched, made executable or added, and members added or changed.
inline std::string Quoted(const fs::path &path) {
    return "'" + path.string() + "'";
}

// A shell command's exit status, its standard output and error in out.txt.
inline int Shell(const std::string &command) {
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
inline std::string Name(Draw *draw) {
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
inline std::string Content(Draw *draw) {
    uint32_t kind = draw->Next(4);
    if (kind == 0)
        return "";
    if (kind == 1)
        return RandomBytes(1 + draw->Next(3000), draw->Next(1000));
    return Repeat("line " + std::to_string(draw->Next(100)) + "\n", 1 + draw->Next(400));
}

inline void Stamp(const fs::path &path, int64_t time) {
    struct utimbuf times = {(time_t)time, (time_t)time};
    utime(path.c_str(), &times);
}

inline void WriteEntry(const fs::path &root, const std::string &name, Draw *draw) {
    fs::create_directories((root / name).parent_path());
    WriteFile((root / name).string(), Content(draw));
    fs::permissions(root / name, draw->Next(4) == 0 ? fs::perms(0755) : fs::perms(0644));
    Stamp(root / name, 1500000000 + draw->Next(99999999));
}

// The archive: members m0 and on with their contents and times, made with
// restool; made afresh, the unchanged members are stamped anew too.
inline void Archive(const fs::path &root, int members, int changed, Draw *draw, bool afresh) {
    std::string names;
    for (int i = 0; i < members; i++) {
        std::string name = "m" + std::to_string(i);
        WriteEntry(root, name, draw);
        if (i < changed)
            WriteFile((root / name).string(), "changed " + name);
        else if (afresh)
            Stamp(root / name, 1700000000 + i);
        names += " " + name;
    }
    ASSERT_EQ(Shell("cd " + Quoted(root) + " && " RESTOOL_PATH " data.res" + names + " /ENCODE"),
              0);
    for (int i = 0; i < members; i++)
        fs::remove(root / ("m" + std::to_string(i)));
}

// A pair: old with files, the utility and an archive; new with some files
// removed, changed, touched, made executable or added, members added or
// changed (the archive made afresh in every other pair), a link alike in both
// (every third pair) and a directory of the old tree only (every third).
inline void MakePair(int number, const fs::path &old, const fs::path &now) {
    Draw draw = {2654435761u * (uint32_t)(number + 1)};
    for (int i = 0, files = 3 + draw.Next(20); i < files; i++)
        WriteEntry(old, Name(&draw), &draw);
    fs::copy_file(RESTOOL_PATH, old / "restool.exe");
    if (number % 3 == 0)
        fs::create_symlink("restool.exe", old / "lib.so");
    if (number % 3 == 1)
        WriteEntry(old, "gone/" + Name(&draw), &draw);
    int members = 2 + draw.Next(3), added = draw.Next(4), changed = 1 + draw.Next(2);
    Draw same = draw; // the new archive's first members as the old one's
    Archive(old, members, 0, &draw, false);
    CopyTree(old, now);
    fs::remove_all(now / "gone");
    Archive(now, members + added, changed, &same, number % 2 == 1);
    for (const auto &[name, state] : Look(now)) {
        if (name == "restool.exe" || name == "lib.so" || name.rfind("data.res", 0) == 0)
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

#endif

#endif
