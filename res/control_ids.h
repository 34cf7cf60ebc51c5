/* Control ids of the main dialog's template. Plain defines, so the resource
   compiler reads this file too. */
#pragma once

#define IDC_WIFI_SSID 1001
#define IDC_WIFI_PASSWORD 1003
#define IDC_GSM_PIN 1006
#define IDC_COUNTRY_LIST 1008
#define IDC_PROVIDER_LIST 1009
#define IDC_ROAMING_CHECK 1012
#define IDC_APN 1014
#define IDC_GSM_PASSWORD 1018
#define IDC_GSM_USER 1019
#define IDC_DNS1 1020
#define IDC_DNS2 1021
#define IDC_GATEWAY 1022
#define IDC_RADIO_PROFILE_LIST 1031
