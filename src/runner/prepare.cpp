#include "runner/prepare.h"

#include <algorithm>

#include "compiler/compiler.h"
#include "compiler/constants.h"
#include "data/error.h"
#include "data/game.h"
#include "extension/extension.h"
#include "graphics/graphics.h"
#include "graphics/texture.h"
#include "object/instance.h"
#include "object/timeline.h"
#include "platform/console.h"
#include "room/room_tiles.h"
#include "runner/runner.h"
#include "runner/startup_pictures.h"
#include "sound/sound_system.h"
#include "vm/script.h"

namespace {

// Included files: the data file's list is read, but nothing is extracted from it.
bool DataFile_Prepare() { return true; }

bool Extensions_Prepare() { return Extension_Prepare(*Game().resources); }
bool Sound_Prepare() { return Sound_PrepareAll(); }

// The built-in constants, then the game's own from the options, each value an
// expression evaluated now.
bool Code_Constant_Prepare() {
    Constant_RegisterAll();
    std::string message;
    return Constant_DefineGameConstants(Game().resources->options.constants, &message);
}

// Without a CODE chunk the units hold script text: each is compiled here under its
// code name. A failure is a fatal code error with the caller's heading.
bool Compile(CCode* code, const std::string& name, const char* heading) {
    if (!code || code->compiled || code->source.empty()) return true;
    code->name = name;
    std::string error;
    if (Code_CompileUnit(*code, CCode::kProgram, error)) return true;
    Code_ShowError(std::string(heading) + error, true);
    return false;
}

bool SourceGame() { return !Game().resources->code.present; }

bool Script_Prepare() {
    if (!SourceGame()) return true;
    for (const auto& s : Game().resources->scripts)
        if (s && !Compile(s->code.get(), s->name, ("COMPILATION ERROR in Script: " + s->name + "\n").c_str()))
            return false;
    return true;
}

// Moments run in time order whatever order the file lists them in.
bool TimeLine_Prepare() {
    TimeLine_PrepareAll();
    if (!SourceGame()) return true;
    for (const auto& t : Game().resources->timelines) {
        if (!t) continue;
        for (const auto& m : t->moments)
            if (!Compile(m.event->code.get(), "Timeline." + t->name + "." + std::to_string(m.step),
                         "COMPILATION ERROR in code action\n"))
                return false;
    }
    return true;
}

bool Object_Prepare() {
    const ResourceTable<CObject>& objects = Game().resources->objects;
    Console().Output("Preparing %d objects:\n", int(objects.size()));
    for (const auto& o : objects) {
        if (!o) continue;
        Console().Output("\tObjects %d: %s\n", o->index, o->name.c_str());
        if (!SourceGame()) continue;
        for (int type = 0; type < kEventTypeCount; ++type) {
            const auto& table = o->events[size_t(type)];
            for (size_t n = 0; n < table.size(); ++n) {
                if (!table[n]) continue;
                const std::string name = "Object." + o->name + "." + Event_ShortName(type, int(n)) + ".0";
                if (!Compile(table[n]->code.get(), name, "COMPILATION ERROR in code action\n")) return false;
            }
        }
    }
    Object_ResolveParents();
    Event_RebuildLists();
    return true;
}

// Instances placed in rooms carry their ids from the file; those made at run time
// continue above the highest of them. Without a CODE chunk the creation codes are
// compiled; an instance's failing code is reported, a room's fails the step.
bool Room_Prepare() {
    // A damaged header must not leave the counter next to overflowing.
    const uint32_t highest = Game().resources->header.highestInstanceId;
    Game().world->lastId = int(std::clamp<uint32_t>(highest, kFirstInstanceId, 0x7FF00000u));
    Tile_ResetIds(Game().resources->header.highestTileId);
    if (!SourceGame()) return true;
    for (const auto& room : Game().resources->rooms) {
        if (!room) continue;
        if (!Compile(room->creationCode.get(), "Room." + room->name, "COMPILATION ERROR in room script\n"))
            return false;
        for (size_t i = 0; i < room->instances.size(); ++i)
            Compile(room->instances[i].creationCode.get(), "Instance." + room->name + "." + std::to_string(i),
                    "COMPILATION ERROR in room script\n");
    }
    return true;
}

// The device exists since start-up; the texture pages need the chunks, so they are
// made a texture each here, and the window takes the game's window colour.
bool Graphics_Prepare() {
    Graphics_SetWindowColour(Game().resources->options.WindowColour() & 0xFFFFFF);
    return Texture_PreparePages();
}

bool Prepare_Ready() { return true; }

}  // namespace

const std::vector<PrepareStep>& Prepare_Steps() {
    static const std::vector<PrepareStep> steps = {
        {"DataFile_Prepare() \n", 50, "Extracting included files", false, DataFile_Prepare,
         "Failed to extract the included files."},
        {"Extension_Prepare() \n", 54, "Preparing extension packages", false, Extensions_Prepare,
         "Failed to prepare extension packages."},
        {"Code_Constant_Prepare() \n", 56, "Preparing constants", false, Code_Constant_Prepare,
         "Failed to define the constants."},
        {"Script_Prepare() \n", 58, "Compiling scripts", false, Script_Prepare, "Failed to compile the scripts."},
        {"TimeLine_Prepare() \n", 70, "Compiling time line actions", false, TimeLine_Prepare,
         "Failed to compile the actions in the time lines."},
        {"Object_Prepare() \n", 72, "Compiling object actions", false, Object_Prepare,
         "Failed to compile the actions in the objects."},
        {"Room_Prepare() \n", 76, "Compiling object actions", false, Room_Prepare,
         "Failed to compile the actions in the objects."},
        {"Sound_Prepare() \n", 80, "Preparing sounds", true, Sound_Prepare, "Failed to prepare the sounds."},
        {"InitGraphics() \n", 90, "Preparing graphics", false, Graphics_Prepare, "Failed to prepare the graphics."},
        {nullptr, 100, "Ready", false, Prepare_Ready, nullptr},
    };
    return steps;
}

// The caption is not drawn: the load form shows no text.
void Prepare_Progress(int percent, const char*) { Startup_ShowProgress(percent); }
