// load-bench [DIRECTORY]: whole updates of 10,000 and 100,000 entries (half COPY
// lines of the script, a quarter ADD files and a quarter leftovers that the
// utility names) through the planning and execution passes, and a script of
// 50 MB (half a million comment lines before one COPY line) through planning.
// Prints the seconds of each pass and the work list's bytes per entry; the
// last line, "growth X", is the 100,000-entry time over ten times the
// 10,000-entry time (1 means the passes grow in proportion to the entries).
#include "app/passes_only.h"
#include "script/contract.h"
#include "sys/files.h"
#include "update/execution.h"
#include "update/planning.h"
#include "update/work_list.h"

#include <malloc.h>
#include <stdio.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

#include <string>

static double Now() {
    timespec at;
    clock_gettime(CLOCK_MONOTONIC, &at);
    return (double)at.tv_sec + (double)at.tv_nsec / 1e9;
}

static int WriteText(const std::string &name, const std::string &text) {
    FILE *file = fopen(name.c_str(), "wb");
    if (file == nullptr)
        return 0;
    size_t written = fwrite(text.data(), 1, text.size(), file);
    return (fclose(file) == 0) & (written == text.size());
}

// A section of its own and one line of key in it.
static std::string KeyLine(const ContractKey &key, const char *value) {
    return std::string("[") + key.section + "]\r\n" + key.key + "=" + value + "\r\n";
}

// The update in the current directory: copies COPY files, and the utility told
// (through the environment) how many files to hand out for adding and cleanup.
static int WriteUpdate(int copies, int lists, const std::string &comments) {
    std::string script = KeyLine(ArchiveKey, "product.res") + KeyLine(UtilityKey, "utility") +
                         comments + "[" + CopyKey.section + "]\r\n";
    for (int i = 0; i < copies; i++) {
        char name[32];
        snprintf(name, sizeof name, "copy%06d.dat", i);
        if (!WriteText(name, name))
            return 0;
        script += std::string(CopyKey.key) + "=" + name + ",100\r\n";
    }
    char count[16];
    snprintf(count, sizeof count, "%d", lists);
    setenv("WIZARD_TEST_MODE", "many", 1);
    setenv("WIZARD_TEST_COUNT", count, 1);
    unlink("utility");
    return symlink(BENCH_UTILITY_PATH, "utility") == 0 &&
           WriteText("update.wiz", KeyLine(ScriptKey, "setup.txt")) &&
           WriteText("setup.txt", script) && WriteText("product.res", "archive");
}

// Seconds of planning and of execution; 0 on a failure.
static int RunPasses(double *planning, double *execution, double *bytesPerEntry) {
    if (ReadCurrentDirectory(Wizard.BaseDirectory, sizeof Wizard.BaseDirectory) != 0)
        return 0;
    int error = 0;
    Wizard.CancelRequested = 0;
    Wizard.ProgressWindow = CreateProgressWindow(PassesOnlyDialogProc, &error);
    size_t heap = mallinfo2().uordblks;
    double start = Now();
    int planned = PlanningPass();
    double middle = Now();
    *bytesPerEntry = (double)(mallinfo2().uordblks - heap) / (double)CountWorkEntries(~0u);
    if (planned)
        ExecutionPass();
    *planning = middle - start;
    *execution = Now() - middle;
    FreeWorkList();
    return planned;
}

// One update of entries in a fresh directory below root: its total seconds.
static double Measure(const std::string &root, int entries, const std::string &comments) {
    std::string dir = root + "/load-" + std::to_string(entries) + "-" + std::to_string(getpid());
    std::string clean = "rm -rf '" + dir + "'";
    double planning = 0, execution = 0, bytes = 0;
    if (system(clean.c_str()) != 0 || mkdir(dir.c_str(), 0755) != 0 || chdir(dir.c_str()) != 0 ||
        !WriteUpdate(entries / 2, entries / 4, comments) ||
        !RunPasses(&planning, &execution, &bytes)) {
        fprintf(stderr, "load-bench: the update of %d entries did not run\n", entries);
        exit(1);
    }
    printf("%7d entries: planning %.3f s, execution %.3f s, work list %.0f bytes per entry\n",
           entries, planning, execution, bytes);
    fflush(stdout);
    if (chdir(root.c_str()) != 0 || system(clean.c_str()) != 0)
        exit(1);
    return planning + execution;
}

int main(int argc, char **argv) {
    std::string root = argc > 1 ? argv[1] : access("/dev/shm", W_OK) == 0 ? "/dev/shm" : "/tmp";
    double small = Measure(root, 10000, "");
    double big = Measure(root, 100000, "");
    std::string comments;
    for (int i = 0; i < 500000; i++)
        comments += "; a comment line of a hundred characters, as an author might write notes "
                    "about the update's files\r\n";
    printf("a script of %zu MB: ", comments.size() >> 20);
    Measure(root, 2, comments);
    printf("growth %.2f\n", big / (10 * small));
    return 0;
}
