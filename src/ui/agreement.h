// The user agreement dialog (template "LICENSE").
#ifndef WIZARD_UI_AGREEMENT_H
#define WIZARD_UI_AGREEMENT_H

#include "ui/window.h"

extern const char AgreementTextFirst[];
extern const char AgreementTextSecond[];

intptr_t AgreementDialogProc(WindowHandle dialog, unsigned message, uintptr_t wparam,
                             intptr_t lparam);

// Shows the agreement modally: 1 accepted, 0 declined (or not shown at all).
int ShowAgreement();

#endif
