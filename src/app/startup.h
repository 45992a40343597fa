// Start-up and the run sequence.
#ifndef WIZARD_APP_STARTUP_H
#define WIZARD_APP_STARTUP_H

// The program's entry: takes the command-line tail (the command line without
// the program's name) and returns the process exit code.
int WizardMain(const char *commandTail);

// Applies the /DIR= option of the tail: 1 when there was none or the directory
// was entered, 0 when entering it failed (the warning has been shown).
int ApplyDirOption(const char *commandTail);

#endif
