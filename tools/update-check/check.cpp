// update-check's driver: which files the wizard would read, in its order, and
// the command around it. Every value is taken with the wizard's own calls, in
// the way the planning pass takes it, so the checker reads exactly what the
// wizard reads; only the text checks look at what the reader passes over.
#include "check.h"

#include "findings.h"
#include "manifest_checks.h"
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
    char manifest[NAME_SIZE] = "";
    GetSectionValue(ManifestKey.section, ManifestKey.key, manifest, sizeof manifest);
    SetUpdateFiles(pointer, script, manifest);
    CheckScriptText(script);
    CheckArchive(script);
    CheckPrecheck(script);
    CheckEntries(script, &CopyKey);
    CheckEntries(script, &ExecuteKey);
    CheckEntries(script, &RemoveKey);
    CheckManifest(script);
    ReleaseText();
}

int CheckUpdate(const char *dir, char *report, size_t size) {
    static char home[HOME_SIZE], base[HOME_SIZE];
    ResetFindings();
    if (size > 0)
        report[0] = '\0';
    if (ReadCurrentDirectory(home, sizeof home) != 0)
        home[0] = '\0';
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

static const char Usage[] = "usage: update-check [DIR]\n"
                            "       update-check --help | --version\n";

static const char Help[] =
    "Examines the update in DIR (default: the current directory) as the update\n"
    "wizard would read it, without changing a byte and without running anything:\n"
    "the *.wiz pointer file, the update script, the utility, the archive and the\n"
    "files that the script names, compressed ones decoded in full. When the script\n"
    "names a manifest (MANIFEST), DIR is the product with the update in it, and\n"
    "every file is judged against the manifest as the wizard judges it before it\n"
    "changes anything: the update's files as shipped, the product's as the version\n"
    "the update is for has them. One line per finding, \"file:line: message\", in\n"
    "the order of the files.\n"
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
    if (argc > 2 || (argc == 2 && argv[1][0] == '-')) {
        snprintf(report, size, "%s", Usage);
        return 2;
    }
    const char *dir = argc == 2 ? argv[1] : "";
    int found = CheckUpdate(dir, report, size);
    if (found < 0) {
        snprintf(report, size, "update-check: %s: cannot enter the directory\n", dir);
        return 2;
    }
    return found > 0 ? 1 : 0;
}
