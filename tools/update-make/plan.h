// What an update must do to turn the old tree into the new one, and whether the
// wizard's formats can carry it: every problem an author must decide is
// printed, as "update-make: NAME: what".
#ifndef UPDATE_MAKE_PLAN_H
#define UPDATE_MAKE_PLAN_H

#include "tar.h"
#include "tree.h"

#include <stdint.h>

enum { MAX_CHANGEABLE = 256 };

struct MakeOptions {
    const char *oldRoot, *newRoot, *out;
    const char *archive, *utility; // as the product holds them (DST, RESEXE)
    const char *pointer, *script, *package;
    const char *manifest; // none: the update has no manifest
    // Files (or folders: every file below) that users may change, which the
    // manifest does not expect as either tree has them.
    const char *changeable[MAX_CHANGEABLE];
    int changeableCount;
    int64_t time; // the release time of every COPY line, when timeGiven
    int timeGiven;
    char separator; // between the parts of a name in the script
};

// A file of the new tree that the update copies: shipped in the update, or
// only stamped when just its time changed.
struct Change {
    const TreeEntry *file;
    int ship;
    int64_t time; // of its COPY line
};

struct Plan {
    Tree oldTree, newTree;
    TarArchive oldArchive, newArchive;
    Change *copies;
    size_t copyCount;
    const TreeEntry **removals; // files of the old tree only
    size_t removalCount;
    const TarMember **members; // new or changed members of the archive
    size_t memberCount;
};

// Reads both trees and makes the plan: the number of problems found (0: the
// plan can be written). Release with FreePlan in every case.
int MakePlan(const MakeOptions *options, Plan *plan);
void FreePlan(Plan *plan);

// 1 when every file of both trees that the plan copies is older in the new
// tree than in the old: most likely the trees were named the wrong way round.
int LooksLikeDowngrade(const Plan *plan);

// 1 when the file (a name of the trees) is one that users may change.
int IsChangeable(const MakeOptions *options, const char *name);

// The name as the script writes it, with the options' separator.
void ScriptName(const MakeOptions *options, const char *name, char *dest, size_t size);

#endif
