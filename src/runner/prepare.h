#pragma once
// The ordered preparation of a loaded game.
#include <vector>

struct PrepareStep {
    const char* log;      // the step's log line, or null
    int progress;         // load form percentage
    const char* caption;  // load form caption
    bool captionFirst;    // the caption is shown before the log line
    bool (*run)();        // null: nothing to run
    const char* failure;  // shown when `run` fails
};

const std::vector<PrepareStep>& Prepare_Steps();

// Moves the load form's bar; drawn once the display exists.
void Prepare_Progress(int percent, const char* caption);
