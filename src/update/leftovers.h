// What a run that was stopped half-way (a kill, a crash, a power cut) leaves
// behind of the wizard's own: removed by the next run, so that running the
// update again gives what one uninterrupted run gives.
#ifndef WIZARD_UPDATE_LEFTOVERS_H
#define WIZARD_UPDATE_LEFTOVERS_H

// Deletes, in the current directory, the files that only the wizard makes:
// the expansion's temporary files "WIZ<hex>.TMP", the replacement's twins
// ".wizcopy??????" and the capture files "!tmpexec.$$$" and "!tmpexec.tmp".
// Nothing is reported; a file that cannot be deleted stays.
void RemoveLeftovers();

#endif
