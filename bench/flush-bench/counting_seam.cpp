// The seam of this benchmark: every operation is carried out, and the flushes
// are counted.
#include "sys/fault.h"

int FlushCount;

int FaultBefore(FaultOperation operation, const char *, const char *) {
    if (operation == FAULT_FLUSH || operation == FAULT_SYNC)
        FlushCount++;
    return 0;
}
