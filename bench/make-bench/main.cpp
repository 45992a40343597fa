// make-bench [DIRECTORY]: update-make over a realistic pair of product trees:
// 2,000 files, some 200 MB, half text and half binary data; in the new tree 5%
// changed (half of them edited, half rewritten), 20 renamed, 20 removed, 20
// added, and 5 of the archive's 50 members changed. Prints the time update-make
// took (best of three) and the update's size against the changed files' and
// the new tree's. Ends with "seconds X" and "update_mb Y".
#include "script/contract.h"

#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <string>

enum { FILES = 2000, MEMBERS = 50, BLOCK = 4096 };

static uint32_t State = 1;
static uint32_t Next() {
    State ^= State << 13;
    State ^= State >> 17;
    State ^= State << 5;
    return State;
}

// Text of words (compresses to about a third) or bytes that do not compress.
static std::string Content(int index, size_t size) {
    static const char *const Words[] = {"resource ", "update ", "table ",   "\r\n",
                                        "dialog ",   "0x1F ",   "version ", "string "};
    std::string text;
    State = 2654435761u * (uint32_t)(index + 1);
    while (text.size() < size)
        text += index % 2 == 0 ? Words[Next() % 8] : std::string(1, (char)Next());
    return text.substr(0, size);
}

static void Write(const std::string &path, const std::string &content) {
    FILE *file = fopen(path.c_str(), "wb");
    if (file == nullptr || fwrite(content.data(), 1, content.size(), file) != content.size() ||
        fclose(file) != 0) {
        fprintf(stderr, "make-bench: cannot write %s\n", path.c_str());
        exit(1);
    }
}

static int Run(const std::string &command) {
    int status = system(command.c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

static std::string Name(int index) {
    char name[64];
    snprintf(name, sizeof name, "dir%02d/file%04d.dat", index % 40, index);
    return name;
}

// The old tree, then the new one as a copy with its changes.
static void MakeTrees(const std::string &root) {
    std::string old = root + "/old", now = root + "/new";
    Run("rm -rf '" + root + "' && mkdir -p '" + old + "'");
    for (int d = 0; d < 40; d++)
        Run("mkdir -p '" + old + "/dir" + (d < 10 ? "0" : "") + std::to_string(d) + "'");
    for (int i = 0; i < FILES; i++)
        Write(old + "/" + Name(i), Content(i, 1000 + (size_t)(Next() % 200000)));
    Run("cp '" RESTOOL_PATH "' '" + old + "/restool.exe' && cd '" + old + "' && for i in $(seq 0 " +
        std::to_string(MEMBERS - 1) + "); do head -c 20000 dir00/file0000.dat >m$i; done && " +
        "./restool.exe data.res m* " + EncodeVerb + " >/dev/null && rm m*");
    Run("cp -a '" + old + "' '" + now + "'");
    for (int i = 0; i < FILES / 20; i++) {
        int index = 20 * i + 7;
        std::string content = Content(index, 1000 + (size_t)(Next() % 200000));
        Write(now + "/" + Name(index), i % 2 ? content
                                             : content.substr(0, content.size() / 2) + "an edit" +
                                                   content.substr(content.size() / 2));
    }
    for (int i = 0; i < 20; i++) {
        Run("mv '" + now + "/" + Name(20 * i + 3) + "' '" + now + "/dir00/renamed" +
            std::to_string(i) + ".dat'");
        Run("rm '" + now + "/" + Name(20 * i + 11) + "'");
        Write(now + "/dir01/added" + std::to_string(i) + ".dat", Content(FILES + i, 50000));
    }
    Run("cd '" + now + "' && for i in 0 1 2 3 4; do echo changed $i >m$i; done && " +
        "./restool.exe data.res m0 m1 m2 m3 m4 " + EncodeVerb + " >/dev/null && rm m*");
}

static double Seconds() {
    struct timespec now;
    clock_gettime(CLOCK_MONOTONIC, &now);
    return (double)now.tv_sec + (double)now.tv_nsec / 1e9;
}

static double Megabytes(const std::string &path) {
    std::string command = "du -sb '" + path + "' | cut -f1 >'" + path + ".size'";
    Run(command);
    FILE *file = fopen((path + ".size").c_str(), "rb");
    double bytes = 0;
    if (file != nullptr && fscanf(file, "%lf", &bytes) != 1)
        bytes = 0;
    if (file != nullptr)
        fclose(file);
    return bytes / (1024.0 * 1024.0);
}

int main(int argc, char **argv) {
    std::string root = std::string(argc > 1 ? argv[1] : "/dev/shm") + "/make-bench";
    MakeTrees(root);
    double best = 1e30;
    for (int run = 0; run < 3; run++) {
        Run("rm -rf '" + root + "/out'");
        double start = Seconds();
        if (Run("'" UPDATE_MAKE_PATH "' --archive data.res --utility restool.exe '" + root +
                "/old' '" + root + "/new' '" + root + "/out' >'" + root + "/make.log'") != 0) {
            fprintf(stderr, "make-bench: update-make failed; see %s/make.log\n", root.c_str());
            return 1;
        }
        double seconds = Seconds() - start;
        printf("run %d: %.3f s\n", run + 1, seconds);
        best = seconds < best ? seconds : best;
    }
    Run("tail -n 1 '" + root + "/make.log'");
    printf("new tree %.1f MB\nseconds %.3f\nupdate_mb %.1f\n", Megabytes(root + "/new"), best,
           Megabytes(root + "/out"));
    Run("rm -rf '" + root + "'");
    return 0;
}
