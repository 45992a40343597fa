// Resource and control ids, shared by the resource script and the code.
#ifndef WIZARD_UI_RESOURCE_H
#define WIZARD_UI_RESOURCE_H

#include "state/branding.h"
#include "state/version.h"

#define IDD_PROGRESS 113
#define IDD_AGREEMENT "LICENSE"
#define IDB_PICTURE 130

#define IDC_CANCEL_BUTTON 1025
#define IDC_FINISH_BUTTON 1026
#define IDC_STATUS_TEXT 1031
#define IDC_PROGRESS_BAR 1010
#define IDC_RESOURCES_LABEL 1035
#define IDC_DESTINATION_TEXT 1032
#define IDC_AGREEMENT_TEXT 1020

// The dialogs' captions and geometry in dialog units (x, y, width, height):
// the resource script lays the real dialogs out with them, ui/model the
// in-process ones.
#define PROGRESS_CAPTION WIZARD_PRODUCT
#define PROGRESS_SIZE 293, 175
#define PICTURE_RECT 15, 7, 80, 161
#define CANCEL_BUTTON_RECT 116, 153, 50, 14
#define FINISH_BUTTON_RECT 228, 153, 50, 14
#define STATUS_LABEL_RECT 116, 41, 21, 8
#define STATUS_TEXT_RECT 116, 52, 162, 26
#define PROGRESS_BAR_RECT 116, 92, 162, 14
#define RESOURCES_LABEL_RECT 116, 82, 72, 8
#define DESTINATION_LABEL_RECT 116, 8, 66, 8
#define DESTINATION_TEXT_RECT 116, 19, 162, 14

// A vendor's build may bring its own title for the agreement (state/branding.h).
#ifndef AGREEMENT_CAPTION
#define AGREEMENT_CAPTION "Tarvelle User Agreement"
#endif
#define AGREEMENT_SIZE 294, 189
#define ACCEPT_BUTTON_RECT 237, 168, 50, 14
#define DECLINE_BUTTON_RECT 7, 168, 50, 14
#define AGREEMENT_TEXT_RECT 7, 7, 280, 153

#endif
