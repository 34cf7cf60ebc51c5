#pragma once
// The progress the worker tasks show in the Info area: one line per step, the
// step's text followed by " done" or " failed" once the step is over, lines
// joined by a single LF. Every update replaces the whole Info area.

#include <cstdint>
#include <initializer_list>

#include "app/waiting_hint.h"
#include "platform/dialog.h"

namespace app {

// The pieces are string-table texts of at most 99 characters, so a task's
// few lines never come near this bound; a longer text would be cut, never
// written past it.
constexpr std::uint32_t PROGRESS_TEXT_CAPACITY = 1024;

struct ProgressLine {
    const char* step;
    // uiStrings.done or uiStrings.failed; none while the step still runs.
    const char* outcome = nullptr;
};

// Puts the lines into the Info area; a closing text, when given, follows
// after an empty line.
void showProgress(platform::DialogHandle dialog, std::initializer_list<ProgressLine> lines,
                  const char* closing = nullptr);

// After a poll that did not find the device: puts the waiting line, with the
// hint when there is one (app/waiting_hint.h), into the Info area when that
// differs from what it shows.
void showWaitingInfo(platform::DialogHandle dialog, WaitingInfo& info, const char* waitingLine);

}  // namespace app
