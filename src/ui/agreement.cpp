#include "ui/agreement.h"

#include "state/branding.h"
#include "ui/progress.h"
#include "ui/resource.h"

#include <stdlib.h>
#include <string.h>

#ifdef AGREEMENT_TEXT
// A vendor's build brings its agreement whole (state/branding.h, from the file
// that the build's WIZARD_AGREEMENT_FILE names, its lines ending in CR LF).
const char AgreementTextFirst[] = AGREEMENT_TEXT;
const char AgreementTextSecond[] = "";
#else
// Two fixed texts, joined when the dialog opens. Lines end in CR LF, as a
// multi-line edit field needs them; the first ends with an empty line.
const char AgreementTextFirst[] =
    "TERMS OF USE OF THIS UPDATE\r\n"
    "\r\n"
    "This wizard applies an update to the product installed in the destination "
    "directory. It changes, replaces and removes files of that product and adds new "
    "resources to its resource archive. It works only with the files that the update "
    "has placed in the destination directory and does not use any network.\r\n"
    "\r\n"
    "Before you go on, close the product and every program that uses its files. Files "
    "that are in use may not be replaced, and the update may then be left incomplete.\r\n"
    "\r\n"
    "Make a copy of the destination directory if you may want to return to the "
    "current state of the product: the update cannot be undone by this wizard.\r\n"
    "\r\n";

const char AgreementTextSecond[] =
    "LIMITATION OF LIABILITY\r\n"
    "\r\n"
    "The update is provided as it is, without warranty of any kind. The publisher of "
    "the product is not liable for any loss of data or other damage that results from "
    "applying the update, from cancelling it before it has finished, or from using the "
    "product afterwards.\r\n"
    "\r\n"
    "If the update is cancelled, the product may be left in an unstable state; you will "
    "then need to install the product again.\r\n"
    "\r\n"
    "By choosing Accept you agree to these terms and the update begins. Choose Cancel "
    "to leave the product unchanged.\r\n";
#endif

static intptr_t OnInitDialog(WindowHandle dialog) {
    WindowHandle field = GetDialogItem(dialog, IDC_AGREEMENT_TEXT);
    size_t first = strlen(AgreementTextFirst);
    size_t second = strlen(AgreementTextSecond);
    size_t size = first + second + 16;
    char *text = static_cast<char *>(malloc(size));
    if (text != nullptr) {
        memcpy(text, AgreementTextFirst, first);
        memcpy(text + first, AgreementTextSecond, second + 1);
        SetWindowTextTo(field, text);
        CenterWindow(dialog);
        free(text);
    }
    BringToForeground(dialog);
    return 1;
}

intptr_t AgreementDialogProc(WindowHandle dialog, unsigned message, uintptr_t wparam,
                             intptr_t lparam) {
    (void)lparam;
    if (message == WM_INITDIALOG)
        return OnInitDialog(dialog);
    if (message != WM_COMMAND)
        return 0;
    switch (wparam & 0xFFFF) {
    case IDOK:
        EndDialogWith(dialog, 1);
        return 1;
    case IDCANCEL:
        EndDialogWith(dialog, 0);
        return 1;
    default:
        return 0;
    }
}

int ShowAgreement() {
    return RunAgreementDialog(AgreementDialogProc) == 1 ? 1 : 0;
}
