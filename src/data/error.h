#pragma once
// The engine's error report for code errors (the state itself is the session's).
#include <string>

#include "data/game.h"

// Shows a code error. A fatal error ends the game; a non-fatal one continues as if
// the player chose to go on.
void Code_ShowError(const std::string& message, bool fatal);

// Set once a fatal error has ended the game; the process then exits with 255.
bool Code_EndingOnError();
// Forgets a fatal error (tests and a fresh game start).
void Code_ResetErrors();
