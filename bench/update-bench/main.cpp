// update-bench [DIRECTORY]: the execution passes over a large update, against a
// baseline that does only the unavoidable work on the same files.
//
// The update: 20,000 COPY files of 1 to 64 KB, every second one SZDD-compressed,
// and 5,000 ADD files, with the work list built directly (no planning pass) and
// a user interface that shows nothing. The baseline decodes, writes, copies
// over, time-stamps and deletes the same files and runs the same 50 batches of
// the utility, with no window, no status texts and no list. Each side runs
// three times on fresh copies of the files, the two sides taking turns to go
// first; the best time of each counts.
//
// The output ends with "ratio baseline X" (the wizard's time over the
// baseline's) and "peak_mb N" (the largest resident size of the whole run).
#include "app/passes_only.h"
#include "compress.h"
#include "script/contract.h"
#include "sys/files.h"
#include "sys/szdd.h"
#include "sys/szdd_format.h"
#include "ui/model/model.h"
#include "update/execution.h"
#include "update/record.h"
#include "update/work_list.h"

#include <dirent.h>
#include <fcntl.h>
#include <spawn.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>
#include <utime.h>

extern char **environ;

enum {
    COPY_FILES = 20000,
    ADD_FILES = 5000,
    MIN_SIZE = 1024,
    MAX_SIZE = 64 * 1024,
    BATCH = 100,
    REPEATS = 3,
    BASE_TIME = 1000000000,
    FILE_NAME_SIZE = 32,
    ROOT_SIZE = 1024,                              // the benchmark's directory
    DIR_SIZE = ROOT_SIZE + 16,                     // its "source" and "work"
    FILE_PATH_SIZE = DIR_SIZE + 1 + FILE_NAME_SIZE // a file in one of them
};

static const char UtilityName[] = "utility";
static const char ArchiveName[] = "product.res";
static const char BaselineTemp[] = "baseline.tmp";

// The files: COPY files first, then ADD files; every second COPY file compressed.
static int FileCount() {
    return COPY_FILES + ADD_FILES;
}
static int IsAddFile(int index) {
    return index >= COPY_FILES;
}
static int IsCompressedFile(int index) {
    return !IsAddFile(index) && index % 2 == 0;
}

static void FileName(int index, char *dest, size_t size) {
    if (IsAddFile(index))
        snprintf(dest, size, "a%04d.dat", index - COPY_FILES);
    else
        snprintf(dest, size, "c%05d.dat", index);
}

// Text-like content, so that compression finds matches as it would in
// real files: words drawn by a generator seeded with the file's number.
static size_t FillData(int index, unsigned char *data) {
    static const char *const Words[] = {
        "resource", "update",  "file",    "table", "string", "dialog", "icon",   "bitmap",
        "0x1F",     "version", "product", "menu",  "accel",  "data",   "cursor", "font"};
    uint32_t state = 2166136261u ^ (uint32_t)index;
    auto next = [&state]() {
        state = state * 1664525u + 1013904223u;
        return state >> 8;
    };
    size_t size = MIN_SIZE + next() % (MAX_SIZE - MIN_SIZE + 1);
    size_t at = 0;
    while (at < size) {
        const char *word = Words[next() % 16];
        for (size_t i = 0; word[i] != 0 && at < size; i++)
            data[at++] = (unsigned char)word[i];
        if (at < size)
            data[at++] = (next() % 8 == 0) ? (unsigned char)('0' + next() % 10) : ' ';
    }
    return size;
}

static int WriteWhole(const char *path, const void *data, size_t size) {
    FILE *file = fopen(path, "wb");
    if (file == nullptr)
        return 0;
    int ok = fwrite(data, 1, size, file) == size;
    return fclose(file) == 0 && ok;
}

static void RemoveDirectory(const char *dir) {
    DIR *listing = opendir(dir);
    if (listing == nullptr)
        return;
    char path[FILE_PATH_SIZE];
    struct dirent *entry;
    while ((entry = readdir(listing)) != nullptr) {
        if (strcmp(entry->d_name, ".") == 0 || strcmp(entry->d_name, "..") == 0)
            continue;
        snprintf(path, sizeof path, "%s/%s", dir, entry->d_name);
        unlink(path);
    }
    closedir(listing);
    rmdir(dir);
}

// Writes every input file once into source; the number of bytes written, or -1.
static int64_t GenerateSource(const char *source) {
    static unsigned char plain[MAX_SIZE];
    unsigned char *packed = (unsigned char *)malloc(SzddCompressBound(MAX_SIZE));
    if (packed == nullptr || mkdir(source, 0777) != 0) {
        free(packed);
        return -1;
    }
    int64_t total = 0;
    char name[FILE_NAME_SIZE];
    char path[FILE_PATH_SIZE];
    for (int i = 0; i < FileCount() && total >= 0; i++) {
        size_t size = FillData(i, plain);
        const void *bytes = plain;
        if (IsCompressedFile(i)) {
            size = SzddCompress(plain, size, 't', packed);
            bytes = packed;
        }
        FileName(i, name, sizeof name);
        snprintf(path, sizeof path, "%s/%s", source, name);
        total = (size != 0 && WriteWhole(path, bytes, size)) ? total + (int64_t)size : -1;
    }
    free(packed);
    return total;
}

// A plain copy for the set-up, which is not measured: no flush to the disk
// per file, one sync for all of them instead.
static int CopyPlain(const char *from, const char *to) {
    static unsigned char buffer[MAX_SIZE];
    FILE *in = fopen(from, "rb");
    if (in == nullptr)
        return 0;
    size_t size = fread(buffer, 1, sizeof buffer, in);
    fclose(in);
    return WriteWhole(to, buffer, size);
}

// A fresh copy of the inputs and the utility in work, written out to the disk
// so that no run pays for the set-up's writes.
static int PrepareWork(const char *source, const char *work) {
    RemoveDirectory(work);
    if (mkdir(work, 0777) != 0)
        return 0;
    char name[FILE_NAME_SIZE];
    char from[FILE_PATH_SIZE], to[FILE_PATH_SIZE];
    for (int i = 0; i < FileCount(); i++) {
        FileName(i, name, sizeof name);
        snprintf(from, sizeof from, "%s/%s", source, name);
        snprintf(to, sizeof to, "%s/%s", work, name);
        if (!CopyPlain(from, to))
            return 0;
    }
    snprintf(to, sizeof to, "%s/%s", work, UtilityName);
    int ok = symlink(BENCH_UTILITY_PATH, to) == 0;
    sync();
    return ok;
}

// Processor time of this process, user and system, in seconds.
static double ProcessorSeconds() {
    struct rusage usage;
    getrusage(RUSAGE_SELF, &usage);
    return (double)(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           (double)(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

static double Seconds() {
    struct timespec now;
    clock_gettime(CLOCK_MONOTONIC, &now);
    return (double)now.tv_sec + (double)now.tv_nsec / 1e9;
}

// The list as the planning pass leaves it: COPY entries, then ADD entries.
static int BuildWorkList() {
    char value[NAME_SIZE];
    char name[FILE_NAME_SIZE];
    for (int i = 0; i < FileCount(); i++) {
        FileName(i, name, sizeof name);
        snprintf(value, sizeof value, "%s,%d", name, BASE_TIME + i);
        WorkEntry *entry = AddWorkEntry(value);
        if (entry == nullptr)
            return 0;
        entry->kind = IsAddFile(i) ? ENTRY_ADD : ENTRY_COPY;
    }
    return 1;
}

// Seconds that building the list and ExecutionPass took in work, or -1.
static double RunWizard(const char *work) {
    ModelReset();
    Wizard = WizardState();
    if (chdir(work) != 0 ||
        ReadCurrentDirectory(Wizard.BaseDirectory, sizeof Wizard.BaseDirectory) != 0)
        return -1;
    snprintf(Wizard.ResourceFile, sizeof Wizard.ResourceFile, "%s", ArchiveName);
    snprintf(Wizard.ResourceUtility, sizeof Wizard.ResourceUtility, "%s", UtilityName);
    int error = 0;
    Wizard.ProgressWindow = CreateProgressWindow(PassesOnlyDialogProc, &error);
    if (Wizard.ProgressWindow == nullptr)
        return -1;

    double start = Seconds();
    int built = BuildWorkList() && BeginRecord("bench") == 0;
    if (built)
        ExecutionPass();
    double elapsed = Seconds() - start;

    FreeWorkList();
    DestroyWindowHandle(Wizard.ProgressWindow);
    Wizard.ProgressWindow = nullptr;
    return built ? elapsed : -1;
}

// The file work of one entry: decode an SZDD file into a file of its own
// beside it and rename that over it, then set both times. The data and the
// renames are made durable in bulk, once, by the caller.
static int BaselinePrepareFile(const char *name, int32_t time) {
    unsigned char header[SZDD_HEADER_SIZE];
    int fd = open(name, O_RDONLY);
    if (fd < 0)
        return 0;
    ssize_t got = read(fd, header, sizeof header);
    close(fd);
    if (got > 0 && SzddHasMagic(header, (size_t)got)) {
        FileHandle in = NO_FILE, out = NO_FILE;
        int64_t written = 0;
        int result =
            OpenToRead(name, SHARE_ALL, &in) == 0 && CreateFileAnew(BaselineTemp, &out) == 0
                ? SzddExpand(in, out, &written)
                : LZERROR_BADINHANDLE;
        CloseFileHandle(out);
        CloseFileHandle(in);
        if (result != 0 || rename(BaselineTemp, name) != 0)
            return 0;
    }
    struct utimbuf times = {time, time};
    return utime(name, &times) == 0;
}

// One run of the utility over names first to first + count - 1, then their deletion.
static int BaselineEncode(const char *utility, int first, int count) {
    static char names[BATCH][FILE_NAME_SIZE];
    char *argv[BATCH + 4];
    int argc = 0;
    argv[argc++] = (char *)utility;
    argv[argc++] = (char *)ArchiveName;
    for (int i = 0; i < count; i++) {
        FileName(first + i, names[i], sizeof names[i]);
        argv[argc++] = names[i];
    }
    argv[argc++] = (char *)EncodeVerb;
    argv[argc] = nullptr;

    int capture = open(UtilityCaptureFile, O_RDWR | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    if (capture < 0)
        return 0;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, capture, STDOUT_FILENO);
    pid_t child;
    int started = posix_spawn(&child, utility, &actions, nullptr, argv, environ) == 0;
    posix_spawn_file_actions_destroy(&actions);
    close(capture);
    int status = 0;
    if (started)
        waitpid(child, &status, 0);
    for (int i = 0; i < count; i++)
        unlink(names[i]);
    return started;
}

static double RunBaseline(const char *work) {
    char utility[FILE_PATH_SIZE];
    char cwd[DIR_SIZE];
    if (chdir(work) != 0 || getcwd(cwd, sizeof cwd) == nullptr)
        return -1;
    snprintf(utility, sizeof utility, "%s/%s", cwd, UtilityName);

    double start = Seconds();
    int ok = 1;
    char name[FILE_NAME_SIZE];
    for (int i = 0; i < FileCount(); i++) {
        FileName(i, name, sizeof name);
        ok &= BaselinePrepareFile(name, BASE_TIME + i);
    }
    int directory = open(".", O_RDONLY | O_DIRECTORY);
    ok &= directory >= 0 && syncfs(directory) == 0;
    if (directory >= 0)
        close(directory);
    for (int first = COPY_FILES; first < FileCount(); first += BATCH) {
        int count = FileCount() - first < BATCH ? FileCount() - first : BATCH;
        ok &= BaselineEncode(utility, first, count);
    }
    unlink(UtilityCaptureFile);
    double elapsed = Seconds() - start;
    return ok ? elapsed : -1;
}

// What both sides must leave: COPY files expanded with their times, ADD files
// handed over in 50 runs and gone. A sample of the COPY files is compared.
static int CheckResults(const char *work) {
    static unsigned char plain[MAX_SIZE];
    static unsigned char found[MAX_SIZE + 1];
    char name[FILE_NAME_SIZE];
    char path[FILE_PATH_SIZE];
    for (int i = 0; i < FileCount(); i++) {
        FileName(i, name, sizeof name);
        snprintf(path, sizeof path, "%s/%s", work, name);
        struct stat info;
        int exists = stat(path, &info) == 0;
        if (IsAddFile(i)) {
            if (exists)
                return 0;
            continue;
        }
        if (!exists || info.st_mtime != BASE_TIME + i || info.st_atime != BASE_TIME + i)
            return 0;
        if (i % 97 != 0)
            continue;
        size_t size = FillData(i, plain);
        FILE *file = fopen(path, "rb");
        if (file == nullptr)
            return 0;
        size_t got = fread(found, 1, sizeof found, file);
        fclose(file);
        if (got != size || memcmp(found, plain, size) != 0)
            return 0;
    }
    return 1;
}

// The utility's own log: 50 runs that found all 5,000 files.
static int CheckUtilityRuns(const char *work) {
    char path[FILE_PATH_SIZE];
    snprintf(path, sizeof path, "%s/encode.log", work);
    FILE *log = fopen(path, "rb");
    if (log == nullptr)
        return 0;
    int runs = 0, total = 0, names = 0, found = 0;
    while (fscanf(log, "%d %d", &names, &found) == 2) {
        runs++;
        total += found;
        if (names != found)
            total = -1000000;
    }
    fclose(log);
    return runs == ADD_FILES / BATCH && total == ADD_FILES;
}

int main(int argc, char **argv) {
    char root[ROOT_SIZE], source[DIR_SIZE], work[DIR_SIZE], home[ROOT_SIZE];
    if (getcwd(home, sizeof home) == nullptr)
        return 1;
    snprintf(root, sizeof root, "%s", argc > 1 ? argv[1] : "update-bench-data");
    mkdir(root, 0777);
    snprintf(source, sizeof source, "%s/source", root);
    snprintf(work, sizeof work, "%s/work", root);
    RemoveDirectory(source);
    setvbuf(stdout, nullptr, _IOLBF, 0);
    // The stand-in utility logs each /ENCODE run's names and how many it found.
    setenv("WIZARD_TEST_MODE", "many", 1);

    int64_t bytes = GenerateSource(source);
    if (bytes < 0) {
        fprintf(stderr, "update-bench: cannot write the input files in %s\n", source);
        return 1;
    }
    printf("update: %d COPY files (%d compressed), %d ADD files, %.1f MB on disk\n", COPY_FILES,
           COPY_FILES / 2, ADD_FILES, (double)bytes / (1024.0 * 1024.0));

    double best[2] = {1e30, 1e30};
    const char *sides[2] = {"baseline", "wizard"};
    for (int repeat = 0; repeat < REPEATS; repeat++) {
        for (int turn = 0; turn < 2; turn++) {
            int side = (turn + repeat) % 2;
            if (!PrepareWork(source, work)) {
                fprintf(stderr, "update-bench: cannot prepare %s\n", work);
                return 1;
            }
            double processor = ProcessorSeconds();
            double seconds = side == 0 ? RunBaseline(work) : RunWizard(work);
            processor = ProcessorSeconds() - processor;
            if (chdir(home) != 0)
                return 1;
            if (seconds < 0 || !CheckResults(work) || (side == 1 && !CheckUtilityRuns(work))) {
                fprintf(stderr, "update-bench: the %s run did not do its work\n", sides[side]);
                return 1;
            }
            printf("%-8s run %d: %.3f s (processor %.3f s)\n", sides[side], repeat + 1, seconds,
                   processor);
            if (seconds < best[side])
                best[side] = seconds;
        }
    }
    RemoveDirectory(work);
    RemoveDirectory(source);
    rmdir(root);

    struct rusage usage;
    getrusage(RUSAGE_SELF, &usage);
    printf("baseline %.3f s\nwizard %.3f s\n", best[0], best[1]);
    printf("ratio baseline %.2f\n", best[1] / best[0]);
    printf("peak_mb %ld\n", (long)(usage.ru_maxrss / 1024));
    return 0;
}
