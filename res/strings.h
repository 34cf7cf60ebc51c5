/* The string table: ids and texts, shared by the resource script (which
   compiles them into the program) and the code (which loads them by id, or,
   off Windows, reads them from here). */
#pragma once

/* ONDAVOX_MAKER_ADDRESS, the maker's web address of string 139: a build
   setting (see README). */
#include "ondavox_build_settings.h"

#define IDS_WINDOW_TITLE 103
#define IDS_INITIALIZING_DEVICE 104
#define IDS_DONE 105
#define IDS_SAVE_AND_QUIT 106
#define IDS_CANCEL 107
#define IDS_SAVING_CONFIGURATION 108
#define IDS_WINDOW_CLASS 109
#define IDS_READING_DEVICE 110
#define IDS_WAITING_FOR_DEVICE 111
#define IDS_NO_THANKS 112
#define IDS_YES 113
#define IDS_CHECKING_UPDATE 114
#define IDS_UPDATE_AVAILABLE 115
#define IDS_CURRENT_VERSION 116
#define IDS_LATEST_VERSION 117
#define IDS_ASK_UPDATE 119
#define IDS_UPDATING_ITSELF 120
#define IDS_OK 122
#define IDS_QUIT 130
#define IDS_FAILED 131
#define IDS_INITIALIZING_UPDATE 136
#define IDS_DOWNLOADING_IMAGE 137
#define IDS_VERIFYING_IMAGE 138
#define IDS_VISIT_MAKER 139

/* "Avaliable" and "updateing" are the product's own spelling. */
#define TEXT_WINDOW_TITLE "Ondavox Utility"
#define TEXT_INITIALIZING_DEVICE "Initializing Device, please wait..."
#define TEXT_DONE "done"
#define TEXT_SAVE_AND_QUIT "Save and Quit"
#define TEXT_CANCEL "Cancel"
#define TEXT_SAVING_CONFIGURATION "Saving configuration to device, please wait..."
#define TEXT_WINDOW_CLASS "Ondavox Utility"
#define TEXT_READING_DEVICE "Reading Device, please wait..."
#define TEXT_WAITING_FOR_DEVICE "Waiting for Brelvan Ondavox device..."
#define TEXT_NO_THANKS "No, Thanks!"
#define TEXT_YES "Yes!"
#define TEXT_CHECKING_UPDATE "Checking software update..."
#define TEXT_UPDATE_AVAILABLE "Brelvan Ondavox Update available!"
#define TEXT_CURRENT_VERSION "Current version:"
#define TEXT_LATEST_VERSION "Avaliable latest version:"
#define TEXT_ASK_UPDATE "Do you want to update?"
#define TEXT_UPDATING_ITSELF "Brelvan Ondavox is updateing itself. Please Wait for rebooting."
#define TEXT_OK "OK"
#define TEXT_QUIT "Quit"
#define TEXT_FAILED "failed"
#define TEXT_INITIALIZING_UPDATE "Initializing Update process, please wait..."
#define TEXT_DOWNLOADING_IMAGE "Downloading Update Image..."
#define TEXT_VERIFYING_IMAGE "Verifying Update Image..."
#define TEXT_VISIT_MAKER "Please visit " ONDAVOX_MAKER_ADDRESS " for update!"
