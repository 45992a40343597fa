// The update's on-disk contract: the names that the wizard, its resource
// utility and the tools agree on, written once. The wizard reads and writes
// by them, update-check checks by them, update-make and restool write by them.
#ifndef WIZARD_SCRIPT_CONTRACT_H
#define WIZARD_SCRIPT_CONTRACT_H

#include <stddef.h>

// The files of the contract, in the product directory.
extern const char PointerPattern[];     // "*.wiz": any such file points at the script
extern const char PointerExtension[];   // ".wiz"
extern const char AddListFile[];        // "update.lst": /WORK's list of files to add
extern const char CleanupListFile[];    // "update.dmp": /DUMP's list of files to delete last
extern const char UtilityCaptureFile[]; // "!tmpexec.$$$": the utility's standard output
extern const char ExecuteCaptureFile[]; // "!tmpexec.tmp": an EXECUTE program's standard output

// The wizard's own temporary names: "WIZ<hex>.TMP" for an expansion, in the
// current directory; ".wizcopy" and six characters for a twin that carries a
// file across file systems, beside its target.
extern const char TemporaryPrefix[];    // "WIZ"
extern const char TemporaryExtension[]; // ".TMP"
extern const char TwinPrefix[];         // ".wizcopy"
enum { TWIN_RANDOM_LENGTH = 6 };

// The wizard's record of the files it makes, which a run that finishes an
// interrupted one reads to remove them (and only them); its next version,
// written whole before it takes the record's place; and the lock that keeps
// a second wizard out of the directory (Windows).
extern const char RecordFile[];        // "!wizard.rec"
extern const char RecordDraftFile[];   // "!wizard.new"
extern const char DirectoryLockFile[]; // "!wizard.lck"

// The manifest that update-make writes into an update by default: what the
// update expects of the product before it changes anything and what it
// leaves after (script/manifest.h). The script names it (ManifestKey).
extern const char ManifestFile[]; // "update.sum"

// The sample utility's own: the marker of a successful /WORK that its /DUMP
// reads, and the package member that names what the cleanup deletes besides
// the package.
extern const char WorkMarkerFile[]; // "restool.ok"
extern const char CleanupMember[];  // ".cleanup"

// The utility's verbs, the last item of each of its command lines.
extern const char WorkVerb[];   // "/WORK"
extern const char DumpVerb[];   // "/DUMP"
extern const char EncodeVerb[]; // "/ENCODE"
// Names handed to one /ENCODE run, at most.
enum { BATCH_SIZE = 100 };

// A key of an update file and the section it is read from. many: one line per
// entry, read with NextSectionValue; otherwise only its first line counts.
struct ContractKey {
    const char *section;
    const char *key;
    int many;
};

// The pointer file.
extern const ContractKey ScriptKey; // [HEADER] CMD: the update script
// The update script.
extern const ContractKey HeaderProgramKey; // [HEADER] EXE: read, without effect
extern const ContractKey ArchiveKey;       // [HEADER] DST: the resource archive
extern const ContractKey SourceKey;        // [PRECHECK] SRC: the package for the utility
extern const ContractKey UtilityKey;       // [PRECHECK] RESEXE: the resource utility
extern const ContractKey UpdateFileKey;    // [PRECHECK] UPD: expanded, nothing else
extern const ContractKey ManifestKey;      // [HEADER] MANIFEST: checked before, proven after
extern const ContractKey CopyKey;          // [COPY] COPY: a file to expand and stamp
extern const ContractKey ExecuteKey;       // [EXECUTE] EXE: a command line to run
extern const ContractKey RemoveKey;        // [REMOVE] REMOVE: a file to delete
// The utility's lists.
extern const ContractKey AddKey;     // update.lst [ADD] FILE: a file for the archive
extern const ContractKey CleanupKey; // update.dmp [PFF] ENTRY: a file to delete last

// Every key of the update script in the order the planning pass reads them
// (CMD too: a script may be its own pointer file), ending with none.
extern const ContractKey *const ScriptKeys[];

// Windows finds a file under any case of its name, so names of the contract
// compare that way on every platform.
int SameNameIgnoringCase(const char *a, const char *b);

// 1 when a file of that name (its last part) is one the wizard or the sample
// utility read, write or delete on their own, so that a product must not hold
// it: the lists, the capture files, the temporary and twin names, pointer
// files, the sample utility's marker and cleanup member.
int IsWizardFileName(const char *name);

#endif
