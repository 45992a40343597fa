// The wizard's record of the files it makes (RecordFile, in the product
// directory). Every name is in the record, made durable, before its file is
// made; a run that finds a record removes what it names, and nothing else,
// before it makes anything of its own, so that running an interrupted update
// again leaves what one uninterrupted run leaves. The run holds the directory
// from its first step to its end: a second wizard changes nothing there.
#ifndef WIZARD_UPDATE_RECORD_H
#define WIZARD_UPDATE_RECORD_H

#include <stddef.h>

// Takes the current directory for this run: 0, or an error for which
// IsHeldError holds when another wizard has it.
int TakeDirectory();
// Lets go of it, however the run ended; the record stays when it has not
// ended the record.
void ReleaseDirectory();

// Into dest, the update script that a record of an interrupted run names:
// 1, or 0 when there is no record.
int RecordedScript(char *dest, size_t size);

// Removes what a record of an interrupted run names, then begins this run's
// record with the capture files, under the script's name: 0, or an error
// (nothing of the wizard's own may then be made).
int BeginRecord(const char *script);

// A temporary name for an expansion, "WIZ<hex>.TMP" in the current directory,
// drawn from the runtime's generator as the platform forms it and made
// durable in the record before it is handed out; never the name of an
// existing file. 0, or an error.
int NextTemporaryName(char *dest, size_t size);
// The temporary file of that name has reached its place, or is gone.
void TemporaryNameDone(const char *name);

// The name of a twin beside target, through which a file crosses to another
// file system, in the record before it is handed out: 0, or an error.
int NextTwinName(const char *target, char *dest, size_t size);

// The cleanup begins: its names go into the record first, durably, so that a
// run that finds them finishes the cleanup, even once the files that name the
// cleanup are gone. 0, or an error (the cleanup must not begin).
int RecordCleanup();
// When the record shows a cleanup that was under way: its names become the
// work list's cleanup entries, and 1; the run has nothing else to do. 0 when
// there is none (or no memory for them, which leaves the list partly filled).
int ResumeRecordedCleanup();

// The run has reached its end: everything it did is made durable, and when
// the update is complete the record goes first. 0, or an error.
int EndRecord(int complete);

#endif
