// A stand-in resource utility for the UI tests: whatever verb it is given, it
// leaves an "update.dmp" with an empty PFF section and succeeds, so a run of
// the wizard has nothing to add and nothing to clean up.
#include <stdio.h>

int main() {
    FILE *dump = fopen("update.dmp", "wb");
    if (dump == nullptr)
        return 1;
    int written = fputs("[PFF]\r\n", dump);
    int closed = fclose(dump);
    return written < 0 || closed != 0 ? 1 : 0;
}
