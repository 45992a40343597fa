// The one seam of every operation that changes the disk or starts a program:
// the portable fronts of sys/ ask here before each, and the platform folders
// never do. The program links a seam that always answers 0
// (sys/fault_none.cpp); the tests link one that counts the operations and
// can fail the Nth, end the process there or cut the power there
// (sys/fault_plan.cpp).
#ifndef WIZARD_SYS_FAULT_H
#define WIZARD_SYS_FAULT_H

enum FaultOperation {
    FAULT_CREATE,  // name created, or emptied
    FAULT_WRITE,   // a piece of at most FAULT_WRITE_PIECE bytes written to a file
    FAULT_FLUSH,   // written data made durable; name the first of the files
    FAULT_SYNC,    // created, renamed and deleted names made durable; name the first
    FAULT_REPLACE, // name renamed over other
    FAULT_DELETE,  // name deleted
    FAULT_MODE,    // other made to carry the identity of name
    FAULT_STAMP,   // name's times set
    FAULT_START    // a child program started: name is its command line
};

// A long write is asked about piece by piece, so that a stop can fall inside it.
enum { FAULT_WRITE_PIECE = 1 << 16 };

// Asked right before the operation: 0 to carry it out, or the platform's
// error code that it must fail with, as if the platform had refused it.
int FaultBefore(FaultOperation operation, const char *name, const char *other);

#endif
