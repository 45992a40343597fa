// update-check's driver: which files the wizard would read, in its order, and
// the command around it. Every value is taken with the wizard's own calls, in
// the way the planning pass takes it, so the checker reads exactly what the
// wizard reads; only the text checks look at what the reader passes over.
#include "check.h"

#include "findings.h"
#include "script/contract.h"
#include "script/text_reader.h"
#include "state/version.h"
#include "state/wizard_state.h"
#include "sys/files.h"
#include "text_checks.h"
#include "value_checks.h"

#include <stdint.h>
#include <stdio.h>
#include <string.h>

enum { HOME_SIZE = 4096 };

// The first *.wiz that the wizard's search finds names the script; 0 when the
// wizard would stop there.
static int CheckPointer(char *pointer, char *script, uint32_t *cmdLine) {
    if (FindMatchAt(PointerPattern, 0, pointer, PATH_SIZE) != 0) {
        Report(PointerPattern, 0,
               "no pointer file: the wizard stops: \"Configuration file (.WIZ) could "
               "not be located. Aborting.\"");
        return 0;
    }
    NoteFile(pointer);
    char other[PATH_SIZE];
    for (int i = 0; i < MAX_FINDINGS && FindMatchAt(PointerPattern, i, other, sizeof other) == 0;
         i++)
        if (strcmp(other, pointer) != 0)
            Report(other, 0,
                   "another pointer file: the wizard reads only %s, the first its "
                   "directory search finds",
                   pointer);
    if (!LoadTextFile(pointer)) {
        Report(pointer, 0, "cannot be read: the wizard stops");
        return 0;
    }
    script[0] = '\0';
    int found = GetSectionValue(ScriptKey.section, ScriptKey.key, script, NAME_SIZE);
    *cmdLine = CurrentLineNumber();
    if (strcmp(script, pointer) != 0)
        CheckPointerText(pointer);
    ReleaseText();
    if (!found || script[0] == '\0') {
        Report(pointer, found ? *cmdLine : 0,
               "no script named by CMD in [HEADER]: the wizard stops");
        return 0;
    }
    CheckName(pointer, *cmdLine, ScriptKey.key, script);
    return 1;
}

static void CheckScript(const char *pointer, const char *script, uint32_t cmdLine) {
    if (!LoadTextFile(script)) {
        Report(pointer, cmdLine, "script %s cannot be read: the wizard stops", script);
        return;
    }
    NoteFile(script);
    SetUpdateFiles(pointer, script);
    CheckScriptText(script);
    CheckArchive(script);
    CheckPrecheck(script);
    CheckEntries(script, &CopyKey);
    CheckEntries(script, &ExecuteKey);
    CheckEntries(script, &RemoveKey);
    ReleaseText();
}

int CheckUpdate(const char *dir, const char *product, char *report, size_t size) {
    static char home[HOME_SIZE], base[HOME_SIZE], before[HOME_SIZE];
    ResetFindings();
    if (size > 0)
        report[0] = '\0';
    if (ReadCurrentDirectory(home, sizeof home) != 0)
        home[0] = '\0';
    // The product's directory as seen from the update's.
    before[0] = '\0';
    if (product != nullptr && product[0] != '\0' &&
        (ChangeDirectory(product) != 0 || ReadCurrentDirectory(before, sizeof before) != 0 ||
         ChangeDirectory(home) != 0))
        return -1;
    SetProductDirectory(before);
    if (dir != nullptr && dir[0] != '\0' && ChangeDirectory(dir) != 0)
        return -1;
    SetCheckedDirectoryLength(ReadCurrentDirectory(base, sizeof base) == 0 ? strlen(base) : 0);

    char pointer[PATH_SIZE], script[PATH_SIZE];
    uint32_t cmdLine = 0;
    if (CheckPointer(pointer, script, &cmdLine))
        CheckScript(pointer, script, cmdLine);
    static const char *const Lists[] = {AddListFile, CleanupListFile};
    for (const char *list : Lists)
        if (FileExists(list))
            Report(list, 0,
                   "left from an earlier run: the wizard reads it when the utility "
                   "writes none");

    if (home[0] != '\0')
        ChangeDirectory(home);
    if (size > 0)
        WriteReport(report, size);
    return FindingTotal();
}

static const char Usage[] = "usage: update-check [--product PRODUCT] [DIR]\n"
                            "       update-check --help | --version\n";

static const char Help[] =
    "Examines the update in DIR (default: the current directory) as the update\n"
    "wizard would read it, without changing a byte and without running anything:\n"
    "the *.wiz pointer file, the update script, the utility, the archive and the\n"
    "files that the script names, compressed ones decoded in full. One line per\n"
    "finding, \"file:line: message\", in the order of the files. With --product,\n"
    "DIR holds the update alone and PRODUCT is the product it goes into: a COPY\n"
    "file is compared with the product's file that it replaces.\n"
    "Exit status: 0 nothing found, 1 something found, 2 usage error.\n"
    "The update author's guide: " WIZARD_GUIDE ".\n";

int UpdateCheckCommand(int argc, const char *const *argv, char *report, size_t size) {
    if (argc == 2 && strcmp(argv[1], "--help") == 0) {
        snprintf(report, size, "%s%s", Usage, Help);
        return 0;
    }
    if (argc == 2 && strcmp(argv[1], "--version") == 0) {
        snprintf(report, size, "update-check %s\n", WIZARD_VERSION);
        return 0;
    }
    const char *product = "";
    int at = 1;
    if (argc >= 3 && strcmp(argv[1], "--product") == 0) {
        product = argv[2];
        at = 3;
    }
    if (argc > at + 1 || (argc == at + 1 && argv[at][0] == '-')) {
        snprintf(report, size, "%s", Usage);
        return 2;
    }
    const char *dir = argc == at + 1 ? argv[at] : "";
    int found = CheckUpdate(dir, product, report, size);
    if (found < 0) {
        snprintf(report, size, "update-check: %s%s%s: cannot enter a directory\n", dir,
                 product[0] != '\0' ? ", " : "", product);
        return 2;
    }
    return found > 0 ? 1 : 0;
}
