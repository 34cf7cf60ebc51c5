/* Resource and control ids shared by the resource script and the code. Plain
   defines, so the resource compiler reads this file too. */
#pragma once

/* Resources. */
#define IDD_MAIN_DIALOG 9
#define IDD_DEBUG_DIALOG 131
#define IDR_SHORTCUTS 109
#define IDB_BANNER 135
#define IDI_APPLICATION_ICON 107

/* Commands: buttons 1 and 2 of the main dialog and the two shortcuts. */
#define IDC_FIRST_BUTTON 1
#define IDC_SECOND_BUTTON 2
#define IDM_DEBUG_DIALOG 104
#define IDM_BETA_CHECK 32776

/* Main dialog controls, in the template's numbering. */
#define IDC_INFO_AREA (-1)
#define IDC_WIFI_SSID 1001
#define IDC_WIFI_SSID_LABEL 1002
#define IDC_WIFI_PASSWORD 1003
#define IDC_WIFI_PASSWORD_LABEL 1004
#define IDC_PIN_LABEL 1005
#define IDC_GSM_PIN 1006
#define IDC_COUNTRY_LABEL 1007
#define IDC_COUNTRY_LIST 1008
#define IDC_PROVIDER_LIST 1009
#define IDC_PROVIDER_LABEL 1010
#define IDC_ROAMING_LABEL 1011
#define IDC_ROAMING_CHECK 1012
#define IDC_APN_LABEL 1013
#define IDC_APN 1014
#define IDC_TASK_BUTTON 1015
#define IDC_ADVANCED_GROUP 1016
#define IDC_WIFI_GROUP 1017
#define IDC_GSM_PASSWORD 1018
#define IDC_GSM_USER 1019
#define IDC_DNS1 1020
#define IDC_DNS2 1021
#define IDC_GATEWAY 1022
#define IDC_USER_LABEL 1023
#define IDC_PASSWORD_LABEL 1024
#define IDC_DNS2_LABEL 1025
#define IDC_DNS1_LABEL 1026
#define IDC_GATEWAY_LABEL 1027
#define IDC_RADIO_PROFILE_LABEL 1028
#define IDC_BANNER 1029
#define IDC_RADIO_GROUP 1030
#define IDC_RADIO_PROFILE_LIST 1031
#define IDC_VERSION_LABEL 1032
#define IDC_APN_NOTE 1033
#define IDC_GSM_GROUP 1034
#define IDC_PROGRESS_BAR 1035

/* Debug dialog: its OK button is IDC_FIRST_BUTTON. */
#define IDC_DEBUG_TEXT 1013
