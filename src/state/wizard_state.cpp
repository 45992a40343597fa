#include "state/wizard_state.h"

#include "state/version.h"

WizardState Wizard;

const char WizardTitle[] = WIZARD_PRODUCT " v" WIZARD_VERSION;
