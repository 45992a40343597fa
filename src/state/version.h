// The product's name and version, the one place they are written: the
// programs, the tools, the Windows version resource and the build read them
// from here. A vendor's build may name its own product and company
// (state/branding.h, generated from the build's settings).
#ifndef WIZARD_STATE_VERSION_H
#define WIZARD_STATE_VERSION_H

#include "state/branding.h"

#ifndef WIZARD_PRODUCT
#define WIZARD_PRODUCT "Tarvelle Local File Update Wizard"
#endif
#ifndef WIZARD_COMPANY
#define WIZARD_COMPANY "Tarvelle"
#endif
#define WIZARD_VERSION_MAJOR 1
#define WIZARD_VERSION_MINOR 0
#define WIZARD_VERSION_PATCH 5
#define WIZARD_VERSION "1.0.5a"

#endif
