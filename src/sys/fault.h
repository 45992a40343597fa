// The one seam of every operation that changes the disk or starts a program:
// the platform folders ask here before each. The program links a seam that
// always answers 0 (sys/fault_none.cpp); the tests link one that counts the
// operations and can fail the Nth or end the process there (sys/fault_plan.cpp).
#ifndef WIZARD_SYS_FAULT_H
#define WIZARD_SYS_FAULT_H

enum FaultOperation {
    FAULT_CREATE,  // a file created or emptied: name
    FAULT_WRITE,   // bytes written to an open file
    FAULT_FLUSH,   // a file's content made durable: name
    FAULT_REPLACE, // name renamed over other
    FAULT_DELETE,  // name
    FAULT_STAMP,   // name's times set
    FAULT_START    // a child program started: its command line
};

// Asked right before the operation: 0 to carry it out, or the platform's
// error code that it must fail with, as if the platform had refused it.
int FaultBefore(FaultOperation operation, const char *name, const char *other);

// The tests' seam only: how many operations were asked about so far.
int FaultOperationCount();

#endif
