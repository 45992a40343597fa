// check-bench [DIRECTORY]: the wizard's check of a large product against its
// update's manifest, against sha256sum over the same files, and its share of
// the whole update.
//
// The product: 10,000 files of 4 to 200 KB (about 1 GB) in 100 folders, the
// sample utility and an archive of 50 members; the new version changes 100
// files, adds 20, removes 20 and changes 5 members. update-make writes the
// update, which is put into a copy of the product. Then, three times, taking
// turns: the check (CheckProduct, in-process, with an interface that shows
// nothing) and "sha256sum -c --quiet" over the same files and digests, taken
// from the manifest; and a whole update (PlanningPass and ExecutionPass) on a
// fresh copy. The files lie in the page cache for both sides. The best time of
// each counts. Ends with "ratio sha256sum X" (the check's time over
// sha256sum's) and "share_percent Y" (the check's part of the whole update).
#include "app/passes_only.h"
#include "script/contract.h"
#include "script/manifest.h"
#include "script/text_reader.h"
#include "state/wizard_state.h"
#include "sys/files.h"
#include "ui/model/model.h"
#include "update/execution.h"
#include "update/manifest_check.h"
#include "update/planning.h"
#include "update/work_list.h"

#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <string>

enum { FILES = 10000, FOLDERS = 100, MIN_SIZE = 4096, MAX_SIZE = 200 * 1024, REPEATS = 3 };

static uint64_t State = 88172645463325252ull;
static uint64_t Next() {
    State ^= State << 13;
    State ^= State >> 7;
    State ^= State << 17;
    return State;
}

static int Run(const std::string &command) {
    int status = system(command.c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

static void Write(const std::string &path, size_t size, int text) {
    static uint64_t words[MAX_SIZE / 8 + 1];
    for (size_t i = 0; i <= size / 8; i++)
        words[i] = text ? 0x0a656e696c20656eull + (Next() % 8) : Next();
    FILE *file = fopen(path.c_str(), "wb");
    if (file == nullptr || fwrite(words, 1, size, file) != size || fclose(file) != 0) {
        fprintf(stderr, "check-bench: cannot write %s\n", path.c_str());
        exit(1);
    }
}

static std::string Name(int index) {
    char name[64];
    snprintf(name, sizeof name, "d%02d/f%05d.bin", index % FOLDERS, index);
    return name;
}

static size_t Size() {
    return MIN_SIZE + (size_t)(Next() % (MAX_SIZE - MIN_SIZE));
}

// The old version, the new one as a copy with its changes, the update, and
// the product with the update in it.
static void MakeProduct(const std::string &root) {
    std::string old = root + "/old", now = root + "/new";
    Run("rm -rf '" + root + "' && mkdir -p '" + old + "' && cd '" + old +
        "' && for i in $(seq -w 0 99); do mkdir d$i; done");
    for (int i = 0; i < FILES; i++)
        Write(old + "/" + Name(i), Size(), 0);
    Run("cp '" RESTOOL_PATH "' '" + old + "/restool.exe' && cd '" + old +
        "' && for i in $(seq 0 49); do head -c 20000 d00/f00000.bin >m$i; done && "
        "./restool.exe data.res m* " +
        EncodeVerb + " >/dev/null && rm m*");
    Run("cp -a '" + old + "' '" + now + "'");
    for (int i = 0; i < 100; i++)
        Write(now + "/" + Name(97 * i + 5), Size(), 1);
    for (int i = 0; i < 20; i++) {
        Run("rm '" + now + "/" + Name(97 * i + 50) + "'");
        Write(now + "/d00/added" + std::to_string(i) + ".txt", Size(), 1);
    }
    Run("cd '" + now + "' && for i in 0 1 2 3 4; do echo changed $i >m$i; done && " +
        "./restool.exe data.res m0 m1 m2 m3 m4 " + EncodeVerb + " >/dev/null && rm m*");
    if (Run("'" UPDATE_MAKE_PATH "' --archive data.res --utility restool.exe '" + old + "' '" +
            now + "' '" + root + "/out' | tail -n 2") != 0) {
        fprintf(stderr, "check-bench: update-make failed\n");
        exit(1);
    }
}

static double Seconds() {
    struct timespec now;
    clock_gettime(CLOCK_MONOTONIC, &now);
    return (double)now.tv_sec + (double)now.tv_nsec / 1e9;
}

// A fresh product with the update in it.
static void Fresh(const std::string &root, const std::string &name) {
    Run("rm -rf '" + root + "/" + name + "' && cp -a '" + root + "/old' '" + root + "/" + name +
        "' && cp -a '" + root + "/out/.' '" + root + "/" + name + "/'");
}

// The wizard in dir, as start-up leaves it: names cleared, a window that
// shows nothing.
static int Begin(const std::string &dir) {
    ModelReset();
    Wizard = WizardState();
    int error = 0;
    if (chdir(dir.c_str()) != 0 ||
        ReadCurrentDirectory(Wizard.BaseDirectory, sizeof Wizard.BaseDirectory) != 0)
        return 0;
    Wizard.ProgressWindow = CreateProgressWindow(PassesOnlyDialogProc, &error);
    return Wizard.ProgressWindow != nullptr;
}

static void End() {
    FreeWorkList();
    DestroyWindowHandle(Wizard.ProgressWindow);
    Wizard.ProgressWindow = nullptr;
}

// The check alone, with the script loaded as the planning pass leaves it.
static double TimeCheck(const std::string &dir) {
    if (!Begin(dir))
        return -1;
    snprintf(Wizard.ScriptFileName, sizeof Wizard.ScriptFileName, "update.txt");
    snprintf(Wizard.ResourceFile, sizeof Wizard.ResourceFile, "data.res");
    snprintf(Wizard.ResourceUtility, sizeof Wizard.ResourceUtility, "restool.exe");
    int loaded = LoadTextFile(Wizard.ScriptFileName);
    double start = Seconds();
    int passed = loaded && CheckProduct();
    double elapsed = Seconds() - start;
    ReleaseText();
    End();
    return passed ? elapsed : -1;
}

// sha256sum over the files that the check reads, with their digests.
static double TimeRival(const std::string &dir) {
    std::string list = dir + "/../rival.sha256";
    Run("cd '" + dir + "' && grep -E '^(input|needed|removed|archive) ' update.sum | " +
        "cut -d' ' -f3- >'" + list + "'");
    double start = Seconds();
    int status = Run("cd '" + dir + "' && sha256sum -c --quiet '" + list + "'");
    double elapsed = Seconds() - start;
    return status == 0 ? elapsed : -1;
}

static double TimeWhole(const std::string &root) {
    Fresh(root, "whole");
    if (!Begin(root + "/whole"))
        return -1;
    double start = Seconds();
    if (PlanningPass())
        ExecutionPass();
    double elapsed = Seconds() - start;
    int done = Wizard.RunCompleted && Wizard.WarningCount == 0;
    End();
    return done ? elapsed : -1;
}

static void Best(double *best, double seconds, const char *what) {
    printf("%s: %.3f s\n", what, seconds);
    if (seconds < 0) {
        fprintf(stderr, "check-bench: %s failed\n", what);
        exit(1);
    }
    *best = seconds < *best ? seconds : *best;
}

int main(int argc, char **argv) {
    std::string root = std::string(argc > 1 ? argv[1] : "/dev/shm") + "/check-bench";
    MakeProduct(root);
    Fresh(root, "product");
    Run("du -sm '" + root + "/product' | cut -f1 | sed 's/$/ MB in the product/'");
    double check = 1e30, rival = 1e30, whole = 1e30;
    for (int round = 0; round < REPEATS; round++) {
        if (round % 2 == 0) {
            Best(&check, TimeCheck(root + "/product"), "check");
            Best(&rival, TimeRival(root + "/product"), "sha256sum -c");
        } else {
            Best(&rival, TimeRival(root + "/product"), "sha256sum -c");
            Best(&check, TimeCheck(root + "/product"), "check");
        }
        Best(&whole, TimeWhole(root), "whole update");
    }
    printf("check %.3f s\nsha256sum %.3f s\nwhole %.3f s\nratio sha256sum %.2f\n"
           "share_percent %.1f\n",
           check, rival, whole, check / rival, 100.0 * check / whole);
    if (chdir("/") == 0)
        Run("rm -rf '" + root + "'");
    return 0;
}
