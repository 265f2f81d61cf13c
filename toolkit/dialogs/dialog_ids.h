// Control ids of the dialog library's dialogs, shared by its resources and its procedures.
#pragma once

#define IDC_MESSAGE 1000
#define IDC_FOLDER 1001
#define IDC_COMPONENT1 1002
#define IDC_COMPONENT2 1003
#define IDC_EXITSETUP 1004
#define IDC_FOLDERLABEL 1005
