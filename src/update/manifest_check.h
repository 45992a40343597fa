// The wizard's side of an update's manifest (script/manifest.h): the product
// checked against it before anything changes, the result proven against it
// before the cleanup. An update whose script names no manifest passes both
// untouched, with no status text or warning of theirs.
#ifndef WIZARD_UPDATE_MANIFEST_CHECK_H
#define WIZARD_UPDATE_MANIFEST_CHECK_H

// With the script loaded, before the planning pass changes anything: every
// input of the update as shipped (or as its result, left by an interrupted
// run), every file it needs as the new version has it, every file it removes
// as the old version had it (or gone), and the archive as the old version had
// it (or anyhow, when the record shows this update under way). 1 to go on; 0
// after a warning that names the first file that differs and whether the
// update is damaged or the product another version, or after a cancel. A
// missing utility or archive is left to the planning pass's own warnings.
// The manifest stays loaded for ProveResults.
int CheckProduct();

// Before the cleanup, after a run that failed nowhere: every result as the
// new version has it and every removed file gone. 1 when the update may end:
// it has no manifest, or its results are proven and a cleanup list came. 0
// after a warning for each file that differs: the cleanup must not run, so
// that the update stays; 0 as well without a cleanup list (the planning pass
// warned), so that the wizard's record stays with the update, and the run
// that finishes it accepts the archive as this one changed it.
int ProveResults();

#endif
