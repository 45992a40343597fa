// flush-bench [DIRECTORY]: what the durability of an update costs on a real
// disk. A pair of product trees whose 3,000 files all changed (text of 1 to
// 32 KB, which update-make ships compressed), the update that update-make
// writes for them, applied by the wizard's passes in DIRECTORY (default: a
// folder in the current directory; give one on a disk, not in memory), against
// the same replacements done in bulk: each file expanded beside itself,
// time-stamped and renamed over itself, then one sync of the file system. The wizard's seam
// counts its flushes. Each side runs three times on fresh copies, the two
// taking turns to go first; the best time of each counts. Ends with
// "flushes N" (the wizard's, in one run) and "ratio bulk X" (the wizard's
// time over the bulk one's).
#include "app/passes_only.h"
#include "script/contract.h"
#include "state/wizard_state.h"
#include "sys/files.h"
#include "sys/szdd.h"
#include "update/execution.h"
#include "update/planning.h"
#include "update/record.h"
#include "update/work_list.h"

#include <fcntl.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>
#include <utime.h>

#include <string>
#include <vector>

enum { FILES = 3000, FOLDERS = 30, REPEATS = 3, RELEASE_TIME = 1767225600 };

extern int FlushCount;

static double Now() {
    struct timespec now;
    clock_gettime(CLOCK_MONOTONIC, &now);
    return (double)now.tv_sec + (double)now.tv_nsec / 1e9;
}

static int Run(const std::string &command) {
    int status = system(command.c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

static void Fail(const char *what) {
    fprintf(stderr, "flush-bench: %s\n", what);
    exit(1);
}

static std::string Name(int index) {
    char name[64];
    snprintf(name, sizeof name, "dir%02d/file%04d.txt", index % FOLDERS, index);
    return name;
}

// Text that compresses, a different one for each version of each file.
static std::string Text(int index, int version) {
    static const char *const Words[] = {"resource ", "update ", "table ", "\n",
                                        "dialog ",   "string ", "0x1F ",  "version "};
    uint32_t state = 2654435761u * (uint32_t)(index + 1) + (uint32_t)version;
    size_t size = 1024 + (state >> 7) % (31 * 1024);
    std::string text;
    while (text.size() < size) {
        state = state * 1103515245u + 12345u;
        text += Words[(state >> 16) % 8];
    }
    return text;
}

static void Write(const std::string &path, const std::string &content) {
    FILE *file = fopen(path.c_str(), "wb");
    if (file == nullptr || fwrite(content.data(), 1, content.size(), file) != content.size() ||
        fclose(file) != 0)
        Fail("cannot write the trees");
}

// The two trees, with the utility and an archive that stays as it is, and the
// update between them.
static void MakeUpdate(const std::string &root) {
    std::string old = root + "/old", now = root + "/new";
    if (Run("rm -rf '" + root + "' && mkdir -p '" + old + "' && cd '" + old +
            "' && for d in $(seq -f dir%02g 0 29); do mkdir $d; done && cp " RESTOOL_PATH
            " restool.exe && echo member >m0 && ./restool.exe data.res m0 " +
            EncodeVerb + " >/dev/null && rm m0 && cp -a '" + old + "' '" + now + "'") != 0)
        Fail("cannot make the trees");
    for (int i = 0; i < FILES; i++) {
        Write(old + "/" + Name(i), Text(i, 1));
        Write(now + "/" + Name(i), Text(i, 2));
    }
    if (Run(UPDATE_MAKE_PATH " --time 1767225600 --archive data.res --utility restool.exe '" + old +
            "' '" + now + "' '" + root + "/update' >/dev/null") != 0)
        Fail("update-make did not write the update");
}

// The product with the update copied in, fresh.
static void Prepare(const std::string &root) {
    if (Run("rm -rf '" + root + "/work' && cp -a '" + root + "/old' '" + root +
            "/work' && cp -a '" + root + "/update/.' '" + root + "/work/'") != 0)
        Fail("cannot copy the product");
}

// Seconds the wizard's passes took, with the flushes counted.
static double RunWizard(const std::string &work) {
    if (chdir(work.c_str()) != 0)
        Fail("cannot enter the product");
    Wizard = WizardState();
    ReadCurrentDirectory(Wizard.BaseDirectory, sizeof Wizard.BaseDirectory);
    int error = 0;
    Wizard.ProgressWindow = CreateProgressWindow(PassesOnlyDialogProc, &error);
    FlushCount = 0;
    double start = Now();
    if (PlanningPass())
        ExecutionPass();
    double seconds = Now() - start;
    ReleaseDirectory();
    FreeWorkList();
    if (!Wizard.RunCompleted || Wizard.WarningCount != 0)
        Fail("the wizard did not run to its end");
    return seconds;
}

// The same replacements in bulk: expanded beside, stamped, renamed; one sync.
static double RunBulk(const std::string &work) {
    if (chdir(work.c_str()) != 0)
        Fail("cannot enter the product");
    double start = Now();
    for (int i = 0; i < FILES; i++) {
        std::string name = Name(i), temporary = name + ".new";
        FileHandle in = NO_FILE;
        int out = open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
        int64_t written = 0;
        int result = out >= 0 && OpenToRead(name.c_str(), SHARE_ALL, &in) == 0
                         ? SzddExpand(in, out, &written)
                         : 1;
        if (out >= 0)
            close(out);
        CloseFileHandle(in);
        struct utimbuf times = {RELEASE_TIME, RELEASE_TIME};
        if (result != 0 || utime(temporary.c_str(), &times) != 0 ||
            rename(temporary.c_str(), name.c_str()) != 0)
            Fail("the bulk replacement failed");
    }
    int directory = open(".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (directory < 0 || syncfs(directory) != 0)
        Fail("the bulk sync failed");
    close(directory);
    return Now() - start;
}

// Both sides leave the new tree's files; the bulk one leaves the update's own.
static void Check(const std::string &root) {
    if (Run("diff -rq -x data.res -x 'update.*' -x patch.src '" + root + "/new' '" + root +
            "/work' >/dev/null") != 0)
        Fail("a run did not leave the new tree");
}

int main(int argc, char **argv) {
    char here[4096];
    if (getcwd(here, sizeof here) == nullptr)
        return 1;
    std::string root = argc > 1 ? argv[1] : std::string(here) + "/flush-bench-data";
    if (root[0] != '/')
        root = std::string(here) + "/" + root;
    setvbuf(stdout, nullptr, _IOLBF, 0);
    MakeUpdate(root);
    printf("update: %d changed files, compressed, from update-make, in %s\n", FILES, root.c_str());
    double best[2] = {1e30, 1e30};
    int flushes = 0;
    const char *sides[2] = {"bulk", "wizard"};
    for (int repeat = 0; repeat < REPEATS; repeat++) {
        for (int turn = 0; turn < 2; turn++) {
            int side = (turn + repeat) % 2;
            Prepare(root);
            double seconds = side == 0 ? RunBulk(root + "/work") : RunWizard(root + "/work");
            if (chdir(here) != 0)
                return 1;
            Check(root);
            if (side == 1)
                flushes = FlushCount;
            printf("%-6s run %d: %.3f s\n", sides[side], repeat + 1, seconds);
            if (seconds < best[side])
                best[side] = seconds;
        }
    }
    Run("rm -rf '" + root + "'");
    printf("bulk %.3f s\nwizard %.3f s\n", best[0], best[1]);
    printf("flushes %d\n", flushes);
    printf("ratio bulk %.2f\n", best[1] / best[0]);
    return 0;
}
