#pragma once
// The steps of a long command on standard error: on a terminal one bar that
// fills step by step, otherwise one line per finished step, for logs.

namespace cli {

class StepProgress {
public:
    // steps: the step texts, in order; stepCount of them.
    StepProgress(const char* const* steps, int stepCount, bool terminal);

    void begin(int step);                // the step starts
    void end(int step, bool succeeded);  // "done" or "failed"

private:
    void drawBar(int finished, int step, const char* text);  // text: the step and its state

    const char* const* steps_;
    int stepCount_;
    bool terminal_;
};

}  // namespace cli
