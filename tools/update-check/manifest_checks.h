// update-check's manifest check: the product directory judged against the
// update's manifest file by file, as the wizard judges it before it changes
// anything, but every difference reported, not only the first.
#ifndef UPDATE_CHECK_MANIFEST_CHECKS_H
#define UPDATE_CHECK_MANIFEST_CHECKS_H

// The manifest that the loaded script names (MANIFEST in [HEADER]), if any,
// named script in the findings about the key; the findings about files are
// the manifest's, by its lines.
void CheckManifest(const char *script);

#endif
