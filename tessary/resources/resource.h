// Every resource, control, command and timer id of the mail watcher, grouped by where it is used.
// Shared by the resource script and the code; the numbers are fixed.
#pragma once

// Icons
#define IDI_PROGRAM             102 // window icon
#define IDI_ENTRY_IDLE          106 // list row: enabled, no mail waiting or last check failed
#define IDI_ENTRY_DISABLED      107 // list row: disabled
#define IDI_ENTRY_DIALING       108 // list row: this entry's dial is in progress
#define IDI_ENTRY_CHECKING      109 // list row: check running, first animation frame
#define IDI_TRAY_BLINK_1        113 // tray animation frame after mail arrived
#define IDI_TRAY_BLINK_2        114 // tray animation frame after mail arrived
#define IDI_TRAY                115 // the normal tray icon
#define IDI_ENTRY_CHECKING_2    116 // list row: check running, animation frame
#define IDI_ENTRY_CHECKING_3    117 // list row: check running, animation frame
#define IDI_ENTRY_MAIL          118 // list row: enabled, mail waiting
#define IDI_ENTRY_WAITING       119 // list row: waiting for the dial-up line
#define IDI_TRAY_ERROR          120 // the tray icon while an account cannot be checked

// Main window (dialog 101, menu 103)
#define IDD_MAIN                101
#define IDR_MAIN_MENU           103
#define IDC_ENTRY_LIST          1006
#define IDC_LOG                 1053

// Main window timers
#define IDT_POLL                67
#define IDT_TRAY_ANIM           68
#define IDT_LIST_ANIM           69
#define IDT_RESUME_WAIT         70 // after a wake from sleep: waiting for the network

// Tray icon
#define TRAY_ICON_ID            23

// Commands of the menu bar, the system menu, the list's context menu and the tray menu
#define IDM_ABOUT               16
#define IDM_SETTINGS            40001
#define IDM_ADD_NEW             40002
#define IDM_CHECK_SELECTED      40003
#define IDM_EDIT                40004
#define IDM_ADD_WIZARD          40005
#define IDM_REMOVE              40006
#define IDM_CHECK_ALL           40007
#define IDM_ENABLE_ALL          40008
#define IDM_DISABLE_ALL         40009
#define IDM_CLOSE               40010
#define IDM_HELP_CONTENTS       40011
#define IDM_SHOW_HEADERS        40012
#define IDM_RUN_EMAIL_APP       40013
#define IDM_SHOW_WINDOW         40014
#define IDM_RUN_SELECTED_EMAIL_APP 40022

// About box (dialog 129)
#define IDD_ABOUT               129
#define IDC_ABOUT_WEB_PAGE      1064

// Settings dialog (dialog 111)
#define IDD_SETTINGS                111
#define IDC_SET_RUN_AT_STARTUP      1050
#define IDC_SET_SPEAK_CONNECT_SPEED 1051
#define IDC_SET_SKIP_WHEN_CPU_BUSY  1052
#define IDC_SET_RUN_IN_TRAY         1053
#define IDC_SET_POPUP_ON_MAIL       1054
#define IDC_SET_SPEAK_RESULTS       1055
#define IDC_SET_SYNC_AUDIO          1056
#define IDC_SET_FULL_VOICE_FEEDBACK 1057
#define IDC_SET_HELP                1069
#define IDC_SET_SERVER_TIMEOUT      1072
#define IDC_SET_VOICE               1073
#define IDC_SET_SPEAK_FROM          1074
#define IDC_SET_SPEAK_SUBJECTS      1075
#define IDC_SET_ENGINE_ABOUT        1076
#define IDC_SET_ENGINE_GENERAL      1077
#define IDC_SET_ENGINE_LEXICON      1078
#define IDC_SET_ENGINE_TRANSLATE    1079
#define IDC_SET_SPEED               1080
#define IDC_SET_SHOW_NOTIFICATION   1081 // "Show a notification for new mail"
#define IDC_SET_QUIET_WHEN_BUSY     1082 // hold sound, speech and pop-up while the user is busy
#define IDC_SET_FAILURE_ALERTS      1083 // tell the user when an account cannot be checked

// Edit mailbox entry dialog (dialog 104); the wizard's schedule page uses the same schedule ids
#define IDD_ENTRY                   104
#define IDC_EMB_SERVER              1008
#define IDC_EMB_USER                1009
#define IDC_EMB_PASSWORD            1010
#define IDC_EMB_DIAL_AS_NEEDED      1011
#define IDC_EMB_WAIT_FOR_CONNECTION 1012
#define IDC_EMB_ALWAYS_CONNECTED    1013
#define IDC_EMB_DIALUP              1015
#define IDC_EMB_MONDAY              1016
#define IDC_EMB_TUESDAY             1017
#define IDC_EMB_WEDNESDAY           1018
#define IDC_EMB_THURSDAY            1019
#define IDC_EMB_FRIDAY              1020
#define IDC_EMB_SATURDAY            1021
#define IDC_EMB_SUNDAY              1022
#define IDC_EMB_START_TIME_SET      1027
#define IDC_EMB_END_TIME_SET        1028
#define IDC_EMB_PERIOD_HOURS        1030
#define IDC_EMB_PERIOD_MINUTES      1031
#define IDC_EMB_ENABLED             1033
#define IDC_EMB_DISABLED            1034
#define IDC_EMB_HANG_UP             1035
#define IDC_EMB_NAME                1037
#define IDC_EMB_START_TIME          1038
#define IDC_EMB_END_TIME            1039
#define IDC_EMB_SET_ACTIONS         1043
#define IDC_EMB_HELP                1069
#define IDC_EMB_SECURITY            1090 // None, STLS (STARTTLS for IMAP), SSL/TLS
#define IDC_EMB_PORT                1091
#define IDC_EMB_TRUSTED_CERTIFICATE 1092
#define IDC_EMB_ANNOUNCE_NEW_ONLY   1093
#define IDC_EMB_PROTOCOL            1095 // POP3, IMAP
#define IDC_EMB_FOLDER              1096 // the IMAP folder; empty: INBOX
#define IDC_EMB_PORT_DEFAULT        1097 // the hint that names the default port
#define IDC_EMB_WATCH               1099 // IMAP: watch continuously (IDLE)
#define IDC_EMB_SIGN_IN             1120 // Password, Microsoft account, Google account
#define IDC_EMB_ACCOUNT             1121 // the address signed in with
#define IDC_EMB_SIGN_IN_NOW         1122 // "Sign in..." (while running: "Cancel sign-in")
#define IDC_EMB_SIGN_IN_STATE       1123 // whether the entry is signed in
#define IDC_EMB_SIGN_IN_CODE        1124 // "Sign in with a code..." (Microsoft only)

// Actions dialog (dialog 110); the wizard's sound and e-mail program pages use the same ids
#define IDD_ACTIONS                 110
#define IDC_ACT_PLAY_MAIL_SOUND     1044
#define IDC_ACT_RUN_MAIL_PROGRAM    1045
#define IDC_ACT_RUN_SHELL_COMMAND   1046
#define IDC_ACT_MAIL_SOUND_FILE     1047
#define IDC_ACT_BROWSE_MAIL_SOUND   1048
#define IDC_ACT_MAIL_PROGRAM_PATH   1049
#define IDC_ACT_BROWSE_MAIL_PROGRAM 1050
#define IDC_ACT_SHELL_COMMAND       1051
#define IDC_ACT_BROWSE_SHELL_FILE   1052
#define IDC_ACT_SHELL_COMMAND_FILE  1053
#define IDC_ACT_MAIL_PROGRAM_ARGS   1054
#define IDC_ACT_PLAY_NO_MAIL_SOUND  1055
#define IDC_ACT_NO_MAIL_SOUND_FILE  1056
#define IDC_ACT_BROWSE_NO_MAIL_SOUND 1057
#define IDC_ACT_HELP                1069
#define IDC_ACT_MUTE                1095 // "Mute this account"
// Notifications in the actions dialog (1130-1139)
#define IDC_ACT_SHOW_NOTIFICATION   1130 // "Show a notification"

// Add account wizard (pages 121 to 128, in the order step 2, step 1, steps 3 to 8)
#define IDD_WIZ_SERVER              121 // step 2
#define IDD_WIZ_NAME                122 // step 1
#define IDD_WIZ_CREDENTIALS         123
#define IDD_WIZ_CONNECTION          124
#define IDD_WIZ_SCHEDULE            125
#define IDD_WIZ_SOUNDS              126
#define IDD_WIZ_CLIENT              127
#define IDD_WIZ_DONE                128
#define IDC_WIZ_NAME                1054 // step 1
#define IDC_WIZ_SERVER              1055 // step 2
#define IDC_WIZ_SECURE              1094
#define IDC_WIZ_PROTOCOL            1098 // POP3, IMAP
#define IDC_WIZ_USER                1056 // step 3
#define IDC_WIZ_PASSWORD            1057
#define IDC_WIZ_ALWAYS_CONNECTED    1057 // step 4
#define IDC_WIZ_DIAL_AS_NEEDED      1058
#define IDC_WIZ_WAIT_FOR_CONNECTION 1059
#define IDC_WIZ_DIALUP              1015
#define IDC_WIZ_HANG_UP             1035
#define IDC_WIZ_CLIENT_LIST         1060 // step 7
// The wizard's provider set-up (ids 1140 to 1159)
#define IDC_WIZ_ADDRESS             1140 // step 1: the e-mail address, asked first
#define IDC_WIZ_PORT                1141 // step 2: empty for the standard port
#define IDC_WIZ_WATCH               1142 // step 2: IMAP: watch continuously (IDLE)
#define IDC_WIZ_ADVICE              1143 // step 3: what to do at the provider
#define IDC_WIZ_SIGN_IN             1144 // step 3: Password, Microsoft account, Google account

// Sign in with a code (dialog 140), opened from the edit dialog
#define IDD_DEVICE_SIGN_IN          140
#define IDC_DSI_ADDRESS             1110 // where to enter the code
#define IDC_DSI_CODE                1111
#define IDC_DSI_COPY                1112
#define IDC_DSI_OPEN                1113
#define IDC_DSI_STATE               1114

// Header viewer (dialog 131)
#define IDD_HEADERS                 131
#define IDC_HDR_TEXT                1080
#define IDC_HDR_MAILBOX             1081
#define IDC_HDR_MESSAGE             1100 // the number of the message shown
#define IDC_HDR_MESSAGE_SPIN        1101
#define IDC_HDR_MESSAGE_COUNT       1102 // "of N"
#define IDC_HDR_FROM                1103 // the shown message's fields, decoded
#define IDC_HDR_DATE                1104
#define IDC_HDR_SUBJECT             1105
