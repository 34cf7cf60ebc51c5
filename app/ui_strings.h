#pragma once
// The user-visible texts of the program, loaded once at start from the string
// table, each into a 100-byte buffer of its own.

#include <cstdint>

namespace app {

constexpr std::uint32_t UI_STRING_CAPACITY = 100;

// In load order. String 139 is loaded twice: once for the notice and once for
// the fourth line of an update.
struct UiStrings {
    char windowTitle[UI_STRING_CAPACITY];         // 103
    char windowClass[UI_STRING_CAPACITY];         // 109
    char waitingForDevice[UI_STRING_CAPACITY];    // 111
    char initializingDevice[UI_STRING_CAPACITY];  // 104
    char readingDevice[UI_STRING_CAPACITY];       // 110
    char savingConfiguration[UI_STRING_CAPACITY]; // 108
    char done[UI_STRING_CAPACITY];                // 105
    char failed[UI_STRING_CAPACITY];              // 131
    char saveAndQuit[UI_STRING_CAPACITY];         // 106
    char quit[UI_STRING_CAPACITY];                // 130
    char cancel[UI_STRING_CAPACITY];              // 107
    char yes[UI_STRING_CAPACITY];                 // 113
    char noThanks[UI_STRING_CAPACITY];            // 112
    char ok[UI_STRING_CAPACITY];                  // 122
    char checkingUpdate[UI_STRING_CAPACITY];      // 114
    char updateAvailable[UI_STRING_CAPACITY];     // 115
    char currentVersion[UI_STRING_CAPACITY];      // 116
    char latestVersion[UI_STRING_CAPACITY];       // 117
    char askUpdate[UI_STRING_CAPACITY];           // 119
    char visitMakerNotice[UI_STRING_CAPACITY];    // 139
    char initializingUpdate[UI_STRING_CAPACITY];  // 136
    char downloadingImage[UI_STRING_CAPACITY];    // 137
    char verifyingImage[UI_STRING_CAPACITY];      // 138
    char visitMakerUpdate[UI_STRING_CAPACITY];    // 139
    char updatingItself[UI_STRING_CAPACITY];      // 120
};

// Written by the user-interface thread at start, before any worker exists;
// read by every thread afterwards.
extern UiStrings uiStrings;

// Loads the 25 buffers in their order (program start; tests load them again).
void loadUiStrings();

}  // namespace app
