#include <windows.h>

#include "app/startup.h"

// The show mode is not used: the progress window is always shown plainly. The
// backend finds the program's resources through its own module handle.
int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR commandTail, int) {
    return WizardMain(commandTail);
}
