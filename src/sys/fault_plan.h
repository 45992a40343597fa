// The tests' seam (sys/fault_plan.cpp), beyond what every seam answers.
#ifndef WIZARD_SYS_FAULT_PLAN_H
#define WIZARD_SYS_FAULT_PLAN_H

// How many operations were asked about so far.
int FaultOperationCount();

#endif
