// The one stand-in child of every test. Its first argument picks what it is:
//   CODE [ITEM...]  prints each ITEM as "[ITEM]" on a line and exits with CODE
//                   (decimal or 0x hexadecimal, any 32-bit value); the ITEMs
//                   --stderr=TEXT, --create=NAME, --sleep=MS and --abort do that
//   fds             POSIX: "leak N" for every descriptor above the standard ones
//                   that is its standard output's file, then "done", then "own
//                   group" when it leads a process group of its own
//   startup         Windows: "flags=HEX show=N" of its start description
//   hold NAME       holds NAME (Windows: open without sharing; POSIX: a lock on
//                   the file or directory), makes NAME.ready, lets go once
//                   NAME.stop exists (a minute at most)
//   wait STARTED RELEASE   makes STARTED, waits for RELEASE (30 s at most)
//   anything else   the resource utility, set by the environment (empty = unset):
//     WIZARD_TEST_LOG   appends its arguments, joined with blanks, as a line
//     WIZARD_TEST_LST, WIZARD_TEST_DMP   a file moved to "update.lst", "update.dmp"
//     WIZARD_TEST_HIDE  a file renamed NAME.hidden, so a later start of it fails
//     WIZARD_TEST_EXIT  the exit code (default 0)
//     WIZARD_TEST_MODE  flood: WIZARD_TEST_COUNT MB to standard output; many:
//                       /WORK and /DUMP make WIZARD_TEST_COUNT files and the list
//                       naming them, /ENCODE appends "NAMES FOUND" (how many
//                       names it got, how many of them exist) to "encode.log";
//                       empty: every call leaves an empty "update.dmp"
// The benchmarks use it as their resource utility too.
// A failure of its own exits with 101.
#ifdef _WIN32
#include <windows.h>
#else
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <chrono>
#include <filesystem>
#include <string>
#include <thread>

enum { OWN_FAILURE = 101 };

static const char *Setting(const char *name) {
    const char *value = getenv(name);
    return value != nullptr && value[0] != '\0' ? value : nullptr;
}

static bool Exists(const std::string &name) {
    std::error_code ignored;
    return std::filesystem::exists(name, ignored);
}

static bool Write(const std::string &name, const std::string &text, const char *how = "wb") {
    FILE *file = fopen(name.c_str(), how);
    if (file == nullptr)
        return false;
    size_t written = fwrite(text.data(), 1, text.size(), file);
    return fclose(file) == 0 && written == text.size();
}

static bool WaitFor(const std::string &name, int seconds) {
    for (int waited = 0; waited < seconds * 100 && !Exists(name); waited++)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    return Exists(name);
}

static int RunItems(int argc, char **argv) {
    for (int i = 2; i < argc; i++) {
        const char *item = argv[i];
        if (strncmp(item, "--stderr=", 9) == 0)
            fprintf(stderr, "%s\n", item + 9);
        else if (strncmp(item, "--create=", 9) == 0)
            Write(item + 9, "");
        else if (strncmp(item, "--sleep=", 8) == 0)
            std::this_thread::sleep_for(std::chrono::milliseconds(atoi(item + 8)));
        else if (strcmp(item, "--abort") == 0) {
            fflush(stdout);
            abort();
        } else
            printf("[%s]\n", item);
    }
    fflush(stdout);
    return (int)(unsigned)strtoul(argv[1], nullptr, 0);
}

#ifdef _WIN32
static int Probe(int argc, char **argv) {
    if (argc == 2 && strcmp(argv[1], "startup") == 0) {
        STARTUPINFOA startup;
        GetStartupInfoA(&startup);
        printf("flags=%lx show=%u\n", (unsigned long)startup.dwFlags,
               (unsigned)startup.wShowWindow);
        return 0;
    }
    if (argc == 3 && strcmp(argv[1], "hold") == 0) {
        std::string name = argv[2];
        HANDLE held = CreateFileA(name.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                                  OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (held == INVALID_HANDLE_VALUE)
            return 3;
        Write(name + ".ready", "");
        WaitFor(name + ".stop", 60);
        CloseHandle(held);
        DeleteFileA((name + ".ready").c_str());
        return 0;
    }
    return -1;
}
#else
static int Probe(int argc, char **argv) {
    if (argc == 3 && strcmp(argv[1], "hold") == 0) {
        std::string name = argv[2];
        int held = open(name.c_str(), O_RDONLY);
        if (held < 0 || flock(held, LOCK_EX) != 0)
            return 3;
        Write(name + ".ready", "");
        WaitFor(name + ".stop", 60);
        close(held);
        remove((name + ".ready").c_str());
        return 0;
    }
    if (argc != 2 || strcmp(argv[1], "fds") != 0)
        return -1;
    struct stat out;
    if (fstat(STDOUT_FILENO, &out) != 0)
        return 1;
    for (int fd = STDERR_FILENO + 1; fd < 65536; fd++) {
        struct stat info;
        if (fstat(fd, &info) == 0 && info.st_dev == out.st_dev && info.st_ino == out.st_ino)
            printf("leak %d\n", fd);
    }
    printf("done\n%s\n", getpgrp() == getpid() ? "own group" : "shared group");
    return 0;
}
#endif

// Copies, then removes the source; a source that is already gone is no error.
static bool HandOut(const char *from, const char *to) {
    if (!Exists(from))
        return true;
    std::error_code error;
    std::filesystem::copy_file(from, to, std::filesystem::copy_options::overwrite_existing, error);
    return !error && std::filesystem::remove(from, error);
}

// count files PREFIXnnnnn.dat and a list naming them under section and key.
static bool FilesAndList(const char *list, const char *section, const char *key, const char *prefix,
                         int count) {
    std::string text = std::string("[") + section + "]\r\n";
    for (int i = 0; i < count; i++) {
        char name[64];
        snprintf(name, sizeof name, "%s%05d.dat", prefix, i);
        if (!Write(name, name))
            return false;
        text += std::string(key) + "=" + name + ",100\r\n";
    }
    return Write(list, text);
}

// "NAMES FOUND" for the /ENCODE arguments between the archive and the verb.
static std::string EncodeCount(int argc, char **argv) {
    int found = 0;
    for (int i = 2; i < argc - 1; i++)
        found += Exists(argv[i]);
    return std::to_string(argc - 3) + " " + std::to_string(found) + "\n";
}

static int Misbehave(const std::string &mode, int argc, char **argv) {
    const char *verb = argc > 1 ? argv[argc - 1] : "";
    int count = Setting("WIZARD_TEST_COUNT") ? atoi(Setting("WIZARD_TEST_COUNT")) : 0;
    if (mode == "empty")
        return Write("update.dmp", "[PFF]\r\n") ? 0 : OWN_FAILURE;
    if (mode == "flood") {
        for (long line = 0; line < count * 16384L; line++) // about a megabyte a count
            puts("a line of output that the wizard's capture file must take whole");
        return 0;
    }
    bool ok = true;
    if (strcmp(verb, "/WORK") == 0)
        ok = FilesAndList("update.lst", "ADD", "FILE", "add", count);
    else if (strcmp(verb, "/DUMP") == 0)
        ok = FilesAndList("update.dmp", "PFF", "ENTRY", "old", count);
    else if (strcmp(verb, "/ENCODE") == 0)
        ok = Write("encode.log", EncodeCount(argc, argv), "ab");
    return ok ? 0 : OWN_FAILURE;
}

static int Utility(int argc, char **argv) {
    if (const char *log = Setting("WIZARD_TEST_LOG")) {
        std::string line;
        for (int i = 0; i < argc; i++)
            line += (i > 0 ? " " : "") + std::string(argv[i]);
        if (!Write(log, line + "\n", "ab"))
            return OWN_FAILURE;
    }
    if (const char *mode = Setting("WIZARD_TEST_MODE"))
        return Misbehave(mode, argc, argv);
    if (!HandOut(Setting("WIZARD_TEST_LST") ? Setting("WIZARD_TEST_LST") : "", "update.lst") ||
        !HandOut(Setting("WIZARD_TEST_DMP") ? Setting("WIZARD_TEST_DMP") : "", "update.dmp"))
        return OWN_FAILURE;
    if (const char *hide = Setting("WIZARD_TEST_HIDE"))
        if (rename(hide, (std::string(hide) + ".hidden").c_str()) != 0)
            return OWN_FAILURE;
    return Setting("WIZARD_TEST_EXIT") ? atoi(Setting("WIZARD_TEST_EXIT")) : 0;
}

int main(int argc, char **argv) {
    if (argc > 1 && strchr("0123456789", argv[1][0]) != nullptr)
        return RunItems(argc, argv);
    if (argc == 4 && strcmp(argv[1], "wait") == 0) {
        if (!Write(argv[2], "started\n"))
            return OWN_FAILURE;
        return WaitFor(argv[3], 30) ? 0 : 1;
    }
    int probed = Probe(argc, argv);
    return probed >= 0 ? probed : Utility(argc, argv);
}
