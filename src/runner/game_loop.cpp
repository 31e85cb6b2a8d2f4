#include "runner/game_loop.h"

#include "data/game.h"
#include "ds/ds_structures.h"
#include "extension/extension.h"
#include "function/function_action.h"
#include "function/function_file.h"
#include "function/function_http.h"

#include <cmath>
#include <string>

#include "data/error.h"
#include "graphics/surface.h"
#include "object/event.h"
#include "object/instance.h"
#include "object/timeline.h"
#include "particle/particle.h"
#include "path/mp_grid.h"
#include "platform/clock.h"
#include "platform/console.h"
#include "platform/message_pump.h"
#include "platform/window.h"
#include "room/room.h"
#include "room/room_draw.h"
#include "room/room_transition.h"
#include "runner/runner.h"
#include "vm/machine.h"

namespace {

CFrameHooks g_hooks;
bool g_noWait = false;

void Pump() {
    if (!Platform_PumpMessages()) Runner().gameRunning = 0;
}

bool FreezeWhenInactive() {
    const CGameResources* res = &*Game().resources;
    return res && res->options.FreezeWhenInactive();
}

void UpdateCaption() {
    if (!Game().run.captionDirty) return;
    Game().run.captionDirty = false;
    TWindow* window = Runner().window.get();
    if (window && window->IsOpen()) window->SetCaption(Game_Caption());
}

}  // namespace

CFrameHooks Game_Hooks() { return g_hooks; }
void Game_SetHooks(const CFrameHooks& hooks) { g_hooks = hooks; }
void Game_SetNoWait(bool noWait) { g_noWait = noWait; }
bool Game_NoWait() { return g_noWait; }

int64_t Game_Now() { return Timing_Time() - Game().run.timerBase; }
void Game_ResetTimer() { Game().run.timerBase = Timing_Time(); }

// --- start and end ------------------------------------------------------------------------

void Game_Start() {
    Console().Output("StartGame()\n");
    Game_ResetTimer();
    Event_RebuildLists();
    Game().run.score = 0;
    Game().run.lives = -1;
    Game().run.cursorSprite = -1;
    Game().run.frameCount = 0;
    Game().run.transitionKind = 0;
    Extension_Initialise();
    const CGameResources* res = &*Game().resources;
    if (TWindow* window = Runner().window.get(); window && res) window->ShowCursor(res->options.ShowCursor());
    Room_ResetKept(Room_Count());
    Game().run.started = true;
    Room_Start(Room_First(), true);
    Console().Output("StartGame() - DONE\n");
}

void Game_EnterMainLoop() {
    Game_ResetTimer();
    Game().run.lastTarget = Game().run.secondStart = Game_Now();
    Game().run.fps = 0;
    Game().run.framesThisSecond = 0;
    Pump();
    Console().Output("**********************************.\n");
    Console().Output("Entering main loop.\n");
    Console().Output("**********************************.\n");
    Game().run.lastStepStart = Game_Now();
}

void Game_End() {
    if (!Game().run.started) return;
    Room_End(true);
    Room_DeleteKept();
    Extension_Finish();
    // Open files are closed (and a changed ini file written); data structures and
    // planning grids go.
    FileFunctions_Reset();
    Http_Reset();
    DS_FreeAll();
    MPGrid_DestroyAll();
    Particles_FreeAll();
    Action_ResetParticles();
    Game().run.started = false;
}

// --- requests -------------------------------------------------------------------------------

bool Game_ChangePending() {
    if (Code_EndingOnError()) Game().run.newRoom = kRequestFatal;
    return Game().run.newRoom != kRequestNone;
}

void Game_ActOnRequest() {
    Game_ChangePending();
    const int request = Game().run.newRoom;
    if (request >= 0) {
        Transition_Start();
        Room_End(false);
        Room_Start(request, false);
        Transition_Finish();
        return;
    }
    switch (request) {
    case kRequestGameEnd:
    case kRequestFatal: Runner().gameRunning = 0; break;
    case kRequestRestart:
        Game_End();
        Game_Start();
        break;
    case kRequestLoad:
        Game().run.newRoom = kRequestNone;
        Event_ClearInput();
        if (g_hooks.loadGame) g_hooks.loadGame();
        break;
    default: break;
    }
}

// --- timing ---------------------------------------------------------------------------------

int64_t Game_WaitTime(int speed, int64_t frameStart, int64_t lastTarget) {
    const double period = 1000000.0 / double(speed > 0 ? speed : 1);
    double wait = period - double(frameStart - lastTarget);
    if (wait < 0) wait = 0;
    return std::min<int64_t>(int64_t(wait), 1000000);
}

void Game_Wait(int64_t us) {
    if (us <= 0) return;
    us = std::min<int64_t>(us, 3000000);
    const int64_t start = Game_Now();
    const int64_t end = start + us;
    // Sleep for all but the last millisecond, then spin on the clock: frame starts keep
    // to the clock rather than to the system's sleep granularity.
    if (us >= 2000) Timing_Sleep((us - 1000) / 1000 * 1000);
    for (;;) {
        Pump();
        const int64_t now = Game_Now();
        if (now >= end || now < start || Runner().gameRunning == 0) break;
    }
}

// --- the frame --------------------------------------------------------------------------------

void Game_MainLoopFrame() {
    const int64_t frameStart = Game_Now();
    if (frameStart < Game().run.lastTarget) Game().run.lastTarget = frameStart;
    CRoom* room = Room_Running();
    if (room && room->speed <= 0) room->speed = 1;
    const int speed = room ? room->speed : 30;
    const int64_t wait = Game_WaitTime(speed, frameStart, Game().run.lastTarget);
    if (!g_noWait) Game_Wait(wait);
    const int64_t target = frameStart + wait;
    Game().run.lastTarget = target;
    if (target < Game().run.secondStart) Game().run.secondStart = target;
    if (target / 1000000 > Game().run.secondStart / 1000000) {
        Game().run.fps = Game().run.framesThisSecond;
        Game().run.framesThisSecond = 0;
        Game().run.secondStart = target;
    }
    ++Game().run.framesThisSecond;
    if (g_hooks.updateAudio) g_hooks.updateAudio();
    if (Game().run.paused) return;
    if (Game().run.displayResetPending) {
        // The reset loses what was drawn on surfaces: they go first.
        if (g_hooks.applyDisplayReset) {
            Surface_FreeAll();
            g_hooks.applyDisplayReset();
        }
        Game().run.displayResetPending = false;
    }
    if (g_hooks.beginScene) g_hooks.beginScene();
    Game_Step();
    Event_FinishInputFrame();
    Game_ChangePending();
    if (g_hooks.endScene) g_hooks.endScene(Game().run.newRoom < 0 && Game().run.autoDraw);
    UpdateCaption();
    Game_ActOnRequest();
}

void Game_Step() {
    const int64_t now = Game_Now();
    Game().run.deltaTime = now - Game().run.lastStepStart;
    Game().run.lastStepStart = now;

    Event_StartInputFrame();
    if (g_hooks.serviceTick) g_hooks.serviceTick();
    // Transfers move on even in a frozen frame; their results wait for a running one.
    Http_Progress();
    if (FreezeWhenInactive() && !Event_WindowActive()) return;
    while (Http_DeliverOne())
        if (Game_ChangePending()) return;

    for (CInstance* i = Game().world->ActiveHead(); i; i = i->next) {
        i->xprevious = i->x;
        i->yprevious = i->y;
        i->pathPositionPrevious = i->pathPosition;
    }
    Event_RunStep(kStepBegin);
    if (Game_ChangePending()) return;
    TimeLine_RunAll();
    if (Game_ChangePending()) return;
    Event_RunAlarms();
    if (Game_ChangePending()) return;
    Event_RunKeyboard();
    if (Game_ChangePending()) return;
    Event_RunJoystick();
    if (Game_ChangePending()) return;
    Event_RunMouse();
    if (Game_ChangePending()) return;
    Event_RunStep(kStepNormal);
    if (Game_ChangePending()) return;
    const bool physics = g_hooks.updateMotion && g_hooks.updateMotion();
    if (Game_ChangePending()) return;
    if (const CRoom* room = Room_Running()) Event_RunOther(Room_EventAreas(*room));
    if (Game_ChangePending()) return;
    if (!physics && g_hooks.runCollisionEvents) g_hooks.runCollisionEvents();
    if (Game_ChangePending()) return;
    Event_RunStep(kStepEnd);
    if (Game_ChangePending()) return;
    if (g_hooks.updateParticles) g_hooks.updateParticles();

    if (CRoom* room = Room_Running(); room && Game().world->removalPending) Room_RemoveDestroyed(*room);
    if (Game().run.autoDraw) Room_Draw();
    if (CRoom* room = Room_Running()) Room_ScrollBackgrounds(*room);
    Event_AdvanceAnimation();
    ++Game().run.frameCount;
}

// --- score, lives, health, caption ------------------------------------------------------------

void Game_SetLives(int lives) {
    const int old = Game().run.lives;
    Game().run.lives = lives;
    Game().run.captionDirty = true;
    if (old >= 1 && lives < 1) Event_PerformForAll(kEventOther, kOtherNoMoreLives);
}

void Game_SetHealth(double health) {
    const double old = Game().run.health;
    Game().run.health = health;
    Game().run.captionDirty = true;
    if (old > 0 && health <= 0) Event_PerformForAll(kEventOther, kOtherNoMoreHealth);
}

std::string Game_Caption() {
    const CRoom* room = Room_Running();
    std::string text = room ? room->caption : std::string();
    auto add = [&text](const std::string& part) {
        if (!text.empty()) text += ' ';
        text += part;
    };
    if (Game().run.showScore) add(Game().run.captionScore + std::to_string(Game().run.score));
    if (Game().run.showLives) add(Game().run.captionLives + std::to_string(Game().run.lives));
    if (Game().run.showHealth) add(Game().run.captionHealth + std::to_string(int(std::lround(Game().run.health))));
    return text;
}
