#include "app/wizard.h"

#include <stdarg.h>
#include <stdio.h>

WizardState Wizard;

const char WizardTitle[] = "Tarvelle Local File Update Wizard v1.0.5a";

void ShowWarningF(const char *format, ...) {
    va_list args;
    va_start(args, format);
    vsnprintf(Wizard.Message, sizeof Wizard.Message, format, args);
    va_end(args);
    ShowWarning(Wizard.Message);
}

void ClearWizardNames() {
    Wizard.BaseDirectory[0] = '\0';
    Wizard.PointerFileName[0] = '\0';
    Wizard.ScriptFileName[0] = '\0';
    Wizard.ResourceFile[0] = '\0';
    Wizard.SourceFile[0] = '\0';
    Wizard.UpdateFile[0] = '\0';
    Wizard.ResourceUtility[0] = '\0';
    Wizard.HeaderProgram[0] = '\0';
}
