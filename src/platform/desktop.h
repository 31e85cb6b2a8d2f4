#pragma once
// The runner as a process on a desktop: the environment the libraries expect, and the
// signals that ask it to end.

// Gives the libraries the environment they check on start-up (a private runtime folder
// when XDG_RUNTIME_DIR is missing or unusable), so they stay quiet. Call before the
// platform starts. The sound system's own error lines go to the diagnostic log instead
// of stderr. `quiet` also turns the sound library's own log off (the runner reports a
// missing device itself).
void Platform_PrepareEnvironment(bool quiet);
// Removes what Platform_PrepareEnvironment made.
void Platform_CleanEnvironment();

// SIGTERM and SIGINT ask the game to end normally; a further one ends the process at
// once. The handlers only set a flag, which the frame loop and the boxes read.
void Platform_InstallQuitSignals();
bool Platform_QuitSignalled();
