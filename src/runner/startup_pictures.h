#pragma once
// The pictures shown while the game starts: the splash after the device is made, and
// the load form's loading image and progress bar during preparation.

// Five frames: black, with the splash picture over the whole window in splash mode 1,
// where the last four are each held 500 ms (not with --no-wait).
void Startup_ShowSplash();
// One frame of the load form at a percentage: the game's loading image centred and,
// with the progress-bar option, the bar. Nothing when the game has neither.
void Startup_ShowProgress(int percent);
