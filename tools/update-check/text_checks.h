// update-check's text checks: sections and keys as the author wrote them,
// against what the wizard's reader finds in them.
#ifndef UPDATE_CHECK_TEXT_CHECKS_H
#define UPDATE_CHECK_TEXT_CHECKS_H

// The loaded text as a pointer file, or as an update script, named file in
// the findings.
void CheckPointerText(const char *file);
void CheckScriptText(const char *file);

#endif
