#include "runner/prepare.h"

#include <algorithm>

#include "object/instance.h"
#include "object/timeline.h"
#include "platform/console.h"
#include "runner/runner.h"

namespace {

// Included files: the data file's list is read, but nothing is extracted from it.
bool DataFile_Prepare() { return true; }

// Extension packages, constants and sounds are prepared by their own layers once
// those exist; until then these steps have nothing of theirs to do.
bool Extension_Prepare() { return true; }
bool Code_Constant_Prepare() { return true; }
bool Sound_Prepare() { return true; }

// Without compiled code the units hold script text, and nothing compiles it yet:
// say so rather than start a game whose code would never run.
bool AnySourceText(const CGameResources& res) {
    auto text = [](const std::unique_ptr<CCode>& code) { return code && !code->source.empty(); };
    for (const auto& s : res.scripts)
        if (s && text(s->code)) return true;
    for (const auto& o : res.objects) {
        if (!o) continue;
        for (const auto& list : o->events)
            for (const auto& e : list)
                if (e && text(e->code)) return true;
    }
    for (const auto& t : res.timelines) {
        if (!t) continue;
        for (const auto& m : t->moments)
            if (text(m.event->code)) return true;
    }
    for (const auto& room : res.rooms) {
        if (!room) continue;
        if (text(room->creationCode)) return true;
        for (const auto& inst : room->instances)
            if (text(inst.creationCode)) return true;
    }
    return false;
}

bool NoSourceToCompile() {
    const CGameResources& res = Runner().resources;
    if (res.code.present || !AnySourceText(res)) return true;
    Console().Output("Script text found, but compiling script text is not implemented yet\n");
    return false;
}

bool Script_Prepare() { return NoSourceToCompile(); }

// Moments run in time order whatever order the file lists them in.
bool TimeLine_Prepare() {
    TimeLine_PrepareAll();
    return true;
}

bool Object_Prepare() {
    const ResourceTable<CObject>& objects = Runner().resources.objects;
    Console().Output("Preparing %d objects:\n", int(objects.size()));
    for (const auto& o : objects)
        if (o) Console().Output("\tObjects %d: %s\n", o->index, o->name.c_str());
    Object_ResolveParents();
    Event_RebuildLists();
    return true;
}

// Instances placed in rooms carry their ids from the file; those made at run time
// continue above the highest of them.
bool Room_Prepare() {
    // A damaged header must not leave the counter next to overflowing.
    const uint32_t highest = Runner().resources.header.highestInstanceId;
    Instance_World().lastId = int(std::clamp<uint32_t>(highest, kFirstInstanceId, 0x7FF00000u));
    return true;
}

bool Prepare_Ready() { return true; }

}  // namespace

const std::vector<PrepareStep>& Prepare_Steps() {
    static const std::vector<PrepareStep> steps = {
        {"DataFile_Prepare() \n", 50, "Extracting included files", false, DataFile_Prepare,
         "Failed to extract the included files."},
        {"Extension_Prepare() \n", 54, "Preparing extension packages", false, Extension_Prepare,
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
        {"InitGraphics() \n", 90, "Preparing graphics", false, nullptr, nullptr},
        {nullptr, 100, "Ready", false, Prepare_Ready, nullptr},
    };
    return steps;
}

void Prepare_Progress(int, const char*) {}
