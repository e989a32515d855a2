// Resource ids of the installer: its dialog, its icon and the dialog's controls.
#pragma once

// Installer dialog
#define IDD_INSTALLER 101
#define IDI_INSTALLER 102
#define IDC_PROGRESS 1000
#define IDC_MESSAGE 1001
#define IDC_STATUS 1002
#define IDC_INSTALL 1003
#define IDC_DESTINATION 1004
#define IDC_BROWSE 1005
#define IDC_START_MENU_ICONS 1006
#define IDC_CANCEL_EXIT 1007
#define IDC_DESKTOP_ICON 1009
#define IDC_DESTINATION_GROUP 1010
