// Resource and control ids, shared by the resource script and the code.
#ifndef WIZARD_UI_RESOURCE_H
#define WIZARD_UI_RESOURCE_H

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

#endif
