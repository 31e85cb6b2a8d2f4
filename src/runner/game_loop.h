#pragma once
// The game's heartbeat: starting and ending the game, one frame per main-loop
// iteration held to the room speed, and the frame sequence itself.
#include <cstdint>
#include <string>

#include "data/game.h"

class CRoom;
class CInstance;

// Hooks for the layers that plug into the frame sequence. Unset ones do nothing.
struct CFrameHooks {
    // Friction, gravity, paths and movement; true when the room's physics world moved
    // the instances instead.
    bool (*updateMotion)() = nullptr;
    void (*runCollisionEvents)() = nullptr;
    void (*updateParticles)() = nullptr;
    // Drawing around the draw events: before (backgrounds, tiles) and after (GUI
    // layer, cursor) are the graphics layer's.
    void (*beginScene)() = nullptr;
    void (*endScene)(bool present) = nullptr;
    void (*applyDisplayReset)() = nullptr;
    void (*updateAudio)() = nullptr;
    // A saved game to load (request -300).
    void (*loadGame)() = nullptr;
    // Per frame, for the service functions.
    void (*serviceTick)() = nullptr;
};
// Installed as a whole by the layers that own them (a copy to change one and put back).
CFrameHooks Game_Hooks();
void Game_SetHooks(const CFrameHooks& hooks);

// How the main loop waits: `noWait` skips the wait and nothing else.
void Game_SetNoWait(bool noWait);
bool Game_NoWait();

// The microsecond clock of the game, reset by StartGame and EnterMainLoop.
int64_t Game_Now();
void Game_ResetTimer();

// Starts (or restarts) the game at the first room of the order.
void Game_Start();
void Game_EnterMainLoop();
// One main-loop iteration.
void Game_MainLoopFrame();
// The frame sequence.
void Game_Step();
// Room end with the game-end events, the kept rooms freed.
void Game_End();
// Carries out the new-room request at the end of a frame.
void Game_ActOnRequest();

// Whether the rest of the step is skipped: a request is pending (a fatal error makes
// the request -400 here).
bool Game_ChangePending();

// Waits that long (at most 3 s), pumping messages.
void Game_Wait(int64_t microseconds);
// The wait before a frame: the period at `speed` less what the last frame overran,
// within 0 .. 1000000.
int64_t Game_WaitTime(int speed, int64_t frameStart, int64_t lastTarget);

// Score, lives and health with their events.
void Game_SetLives(int lives);
void Game_SetHealth(double health);
// The window caption from the room caption and the shown values.
std::string Game_Caption();

// Engine-wide built-in variables of rooms, score, time and events, and the instance
// variables, connected to their fields.
void Game_ConnectVariables();
