// The program's seam: every operation is carried out.
#include "sys/fault.h"

int FaultBefore(FaultOperation, const char *, const char *) {
    return 0;
}
