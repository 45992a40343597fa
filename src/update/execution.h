// The execution pass: file pass, resource encoding pass and cleanup pass.
#ifndef WIZARD_UPDATE_EXECUTION_H
#define WIZARD_UPDATE_EXECUTION_H

// Carries out the work list; returns early when CancelRequested is found set.
void ExecutionPass();

#endif
