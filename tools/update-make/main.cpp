// update-make [options] OLD NEW OUT: the update that turns the product tree OLD
// into NEW, written to OUT, ready to be copied into the product.
#include "plan.h"
#include "script/contract.h"
#include "state/version.h"
#include "write.h"

#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <algorithm>
#include <filesystem>
#include <iterator>
#include <system_error>

static const char Usage[] = "usage: update-make [options] OLD NEW OUT\n"
                            "       update-make --help | --version\n";

static const char Help[] =
    "Writes into OUT the update that turns the product tree OLD into NEW: the\n"
    "pointer file, the update script (COPY lines for new and changed files, with\n"
    "the new tree's times; REMOVE lines for files that are gone), every shipped\n"
    "file SZDD-compressed where that makes it smaller, and the package of new and\n"
    "changed archive members for the sample utility (restool), which also has the\n"
    "cleanup delete the package, the manifest, the script and last the pointer\n"
    "file. The manifest holds the size and SHA-256 of the update's own files, of\n"
    "the product's files that it needs, replaces or removes, of its archive and of\n"
    "every file it leaves: the wizard checks the product against it before it\n"
    "changes anything and proves the result before the cleanup. Copy OUT into the\n"
    "product with the files' modes (cp -a OUT/. PRODUCT), then run the wizard\n"
    "there.\n"
    "  --archive NAME   the product's resource archive (DST), as the product holds\n"
    "                   it; needed\n"
    "  --utility NAME   the product's resource utility (RESEXE); needed\n"
    "  --time SECONDS   one release time for every COPY line\n"
    "  --pointer NAME   the pointer file (default update.wiz)\n"
    "  --script NAME    the update script (default update.txt)\n"
    "  --package NAME   the package for the utility (default patch.src)\n"
    "  --manifest NAME  the manifest (default update.sum)\n"
    "  --no-manifest    no manifest: the wizard checks and proves nothing\n"
    "  --changeable NAME  a file, or a folder and every file below it, that users\n"
    "                   may change (settings): the manifest does not expect it as\n"
    "                   the trees have it; repeatable\n"
    "  --windows        backslashes between the parts of names, for Windows\n"
    "Symbolic links that both trees hold alike and archive members whose time\n"
    "alone changed need nothing. Of a directory that only OLD has, the files are\n"
    "removed and the directory stays. A problem that the author must decide (a\n"
    "name the wizard's files cannot carry, an empty new directory, a changed\n"
    "link, a member the archive would lose, ...) is printed and nothing is\n"
    "written. Before it is put in place, OUT is checked as update-check checks\n"
    "an update put into the product OLD.\n"
    "Exit status: 0 written, 1 a problem (nothing written), 2 usage, 3 nothing\n"
    "to ship (OLD and NEW hold the same product; nothing written).\n"
    "The update author's guide: " WIZARD_GUIDE ".\n";

// 1 when path, which need not exist yet, lies inside the directory root.
static int Inside(const char *path, const char *root) {
    std::error_code pathError, rootError;
    std::filesystem::path full = std::filesystem::weakly_canonical(path, pathError);
    std::filesystem::path tree = std::filesystem::weakly_canonical(root, rootError);
    if (pathError || rootError)
        return 0;
    auto treeAt = std::mismatch(tree.begin(), tree.end(), full.begin(), full.end()).first;
    // "new/" ends in an empty part.
    return treeAt == tree.end() || (treeAt->empty() && std::next(treeAt) == tree.end());
}

static int UsageError() {
    fputs(Usage, stderr);
    return 2;
}

// The value of an option that takes one: 1, or 0 when it is missing.
static int TakeValue(int argc, char **argv, int *at, const char **value) {
    if (*at + 1 >= argc)
        return 0;
    *value = argv[++*at];
    return 1;
}

static int ReadOptions(int argc, char **argv, MakeOptions *options) {
    memset(options, 0, sizeof *options);
    options->pointer = "update.wiz";
    options->script = "update.txt";
    options->package = "patch.src";
    options->manifest = ManifestFile;
    options->separator = std::filesystem::path::preferred_separator == '\\' ? '\\' : '/';
    const char *roots[3];
    int rootCount = 0;
    for (int i = 1; i < argc; i++) {
        const char *arg = argv[i], *time = nullptr;
        char *end = nullptr;
        int ok = 1;
        if (strcmp(arg, "--archive") == 0)
            ok = TakeValue(argc, argv, &i, &options->archive);
        else if (strcmp(arg, "--utility") == 0)
            ok = TakeValue(argc, argv, &i, &options->utility);
        else if (strcmp(arg, "--pointer") == 0)
            ok = TakeValue(argc, argv, &i, &options->pointer);
        else if (strcmp(arg, "--script") == 0)
            ok = TakeValue(argc, argv, &i, &options->script);
        else if (strcmp(arg, "--package") == 0)
            ok = TakeValue(argc, argv, &i, &options->package);
        else if (strcmp(arg, "--manifest") == 0)
            ok = TakeValue(argc, argv, &i, &options->manifest);
        else if (strcmp(arg, "--no-manifest") == 0)
            options->manifest = nullptr;
        else if (strcmp(arg, "--changeable") == 0)
            ok = options->changeableCount < MAX_CHANGEABLE &&
                 TakeValue(argc, argv, &i, &options->changeable[options->changeableCount++]);
        else if (strcmp(arg, "--windows") == 0)
            options->separator = '\\';
        else if (strcmp(arg, "--time") == 0 && (ok = TakeValue(argc, argv, &i, &time)))
            options->time = strtoll(time, &end, 10);
        else if (arg[0] == '-' || rootCount == 3)
            ok = 0;
        else
            roots[rootCount++] = arg;
        if (time != nullptr && (end == time || *end != '\0'))
            ok = 0;
        options->timeGiven |= time != nullptr;
        if (!ok)
            return 0;
    }
    if (rootCount != 3)
        return 0;
    if (options->archive == nullptr)
        fputs("update-make: --archive NAME is needed: the product's resource archive\n", stderr);
    if (options->utility == nullptr)
        fputs("update-make: --utility NAME is needed: the product's resource utility\n", stderr);
    if (options->archive == nullptr || options->utility == nullptr)
        return 0;
    options->oldRoot = roots[0];
    options->newRoot = roots[1];
    options->out = roots[2];
    return 1;
}

int main(int argc, char **argv) {
    if (argc == 2 && strcmp(argv[1], "--help") == 0) {
        printf("%s%s", Usage, Help);
        return 0;
    }
    if (argc == 2 && strcmp(argv[1], "--version") == 0) {
        printf("update-make %s\n", WIZARD_VERSION);
        return 0;
    }
    MakeOptions options;
    if (!ReadOptions(argc, argv, &options))
        return UsageError();
    std::error_code error;
    if (std::filesystem::exists(options.out, error)) {
        fprintf(stderr, "update-make: %s: exists already; nothing written\n", options.out);
        return 1;
    }
    for (const char *root : {options.oldRoot, options.newRoot})
        if (Inside(options.out, root)) {
            fprintf(stderr,
                    "update-make: %s: inside the tree %s, which it would join; nothing "
                    "written\n",
                    options.out, root);
            return 1;
        }
    Plan plan;
    int problems = MakePlan(&options, &plan);
    int empty = problems == 0 && plan.copyCount + plan.removalCount + plan.memberCount == 0;
    if (problems == 0 && LooksLikeDowngrade(&plan))
        fprintf(stderr,
                "update-make: warning: every changed file is older in %s than in %s: "
                "are OLD and NEW the wrong way round?\n",
                options.newRoot, options.oldRoot);
    int written = problems == 0 && !empty && WriteUpdate(&options, &plan);
    FreePlan(&plan);
    if (problems > 0)
        fprintf(stderr, "update-make: %d problem%s; nothing written\n", problems,
                problems == 1 ? "" : "s");
    if (empty) {
        fprintf(stderr,
                "update-make: %s and %s hold the same product: nothing to ship; nothing "
                "written\n",
                options.oldRoot, options.newRoot);
        return 3;
    }
    return written ? 0 : 1;
}
