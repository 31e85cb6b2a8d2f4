#include "function/function_room.h"

#include <cmath>
#include <iterator>
#include <memory>
#include <string>

#include "compiler/compiler.h"
#include "data/error.h"
#include "data/game.h"
#include "object/instance.h"
#include "room/room.h"
#include "value/args.h"
#include "vm/code.h"

namespace {

void Fatal(const char* message) {
    Code_ShowError(message, true);
    Game().run.newRoom = kRequestFatal;
}

void F_RoomGoto(CValue&, CInstance*, CInstance*, int argc, CValue* args) { Game_RequestRoom(Arg_Index(argc, args, 0)); }

void F_RoomGotoNext(CValue&, CInstance*, CInstance*, int, CValue*) {
    const int current = Room_CurrentIndex();
    if (current == Room_Last()) return Fatal("Moving to next room after the last room.");
    Game_RequestRoom(Room_Next(current));
}

void F_RoomGotoPrevious(CValue&, CInstance*, CInstance*, int, CValue*) {
    const int current = Room_CurrentIndex();
    if (current == Room_First()) return Fatal("Moving to previous room before the first room.");
    Game_RequestRoom(Room_Previous(current));
}

void F_RoomRestart(CValue&, CInstance*, CInstance*, int, CValue*) { Game_RequestRoom(Room_CurrentIndex()); }

void F_RoomNext(CValue& result, CInstance*, CInstance*, int argc, CValue* args) {
    result.SetReal(Room_Next(Arg_Index(argc, args, 0)));
}

void F_RoomPrevious(CValue& result, CInstance*, CInstance*, int argc, CValue* args) {
    result.SetReal(Room_Previous(Arg_Index(argc, args, 0)));
}

void F_RoomExists(CValue& result, CInstance*, CInstance*, int argc, CValue* args) {
    result.SetReal(Room_Exists(Arg_Index(argc, args, 0)) ? 1 : 0);
}

void F_RoomGetName(CValue& result, CInstance*, CInstance*, int argc, CValue* args) {
    result.SetString(Room_Name(Arg_Index(argc, args, 0)));
}

void F_RoomAdd(CValue& result, CInstance*, CInstance*, int, CValue*) { result.SetReal(Room_Add()); }

void F_RoomDuplicate(CValue& result, CInstance*, CInstance*, int argc, CValue* args) {
    result.SetReal(Room_Duplicate(Arg_Index(argc, args, 0)));
}

void F_RoomAssign(CValue& result, CInstance*, CInstance*, int argc, CValue* args) {
    result.SetReal(Room_Assign(Arg_Index(argc, args, 0), Arg_Index(argc, args, 1)) ? 1 : 0);
}

void F_GameEnd(CValue&, CInstance*, CInstance*, int, CValue*) { Game_RequestEnd(); }
void F_GameRestart(CValue&, CInstance*, CInstance*, int, CValue*) { Game_RequestRestart(); }

void F_RoomInstanceAdd(CValue& result, CInstance*, CInstance*, int argc, CValue* args) {
    CRoom* room = Room_Definition(Arg_Index(argc, args, 0));
    if (!room) return result.SetReal(-1);
    CRoomInstance record;
    record.x = Arg_IntTrunc(argc, args, 1);
    record.y = Arg_IntTrunc(argc, args, 2);
    record.objectIndex = Arg_IntTrunc(argc, args, 3);
    record.id = uint32_t(++Game().world->lastId);
    room->Record().instances.push_back(std::move(record));
    result.SetReal(double(room->Record().instances.back().id));
}

void F_RoomInstanceClear(CValue&, CInstance*, CInstance*, int argc, CValue* args) {
    if (CRoom* room = Room_Definition(Arg_Index(argc, args, 0))) room->Record().instances.clear();
}

// The simple settings of a definition; they apply the next time the room is entered fresh.
#define ROOM_SET(NAME, STMT)                                             \
    void NAME(CValue&, CInstance*, CInstance*, int argc, CValue* args) { \
        if (CRoom* room = Room_Definition(Arg_Index(argc, args, 0))) {   \
            STMT;                                                        \
        }                                                                \
    }
ROOM_SET(F_RoomSetWidth, room->width = Arg_Int(argc, args, 1))
ROOM_SET(F_RoomSetHeight, room->height = Arg_Int(argc, args, 1))
ROOM_SET(F_RoomSetCaption, room->caption = Arg_Text(argc, args, 1))
ROOM_SET(F_RoomSetPersistent, room->persistent = Arg_Bool(argc, args, 1))
ROOM_SET(F_RoomSetViewEnabled, room->viewsEnabled = Arg_Bool(argc, args, 1))
ROOM_SET(F_RoomSetBackgroundColor,
         (room->colour = Arg_Colour(argc, args, 1), room->showColour = Arg_Bool(argc, args, 2)))
#undef ROOM_SET

// room_set_code(room, text): the creation code of the room's record, compiled now. A
// text that does not compile is reported and the old code stays.
void F_RoomSetCode(CValue&, CInstance*, CInstance*, int argc, CValue* args) {
    CRoom* room = Room_Definition(Arg_Index(argc, args, 0));
    if (room == nullptr) return;
    auto code = std::make_unique<CCode>();
    std::string error;
    if (!Code_Compile(Arg_CText(argc, args, 1), "Room." + room->name + ".CreationCode", CCode::kProgram, *code,
                      error)) {
        Code_ShowError("COMPILATION ERROR in room creation code\n" + error, false);
        return;
    }
    CRoom& record = room->Record();
    if (record.creationCode) record.replacedCodes.push_back(std::move(record.creationCode));
    record.creationCode = std::move(code);
}

}  // namespace

extern const FunctionImpl kRoomFunctions[] = {
    {"room_goto", F_RoomGoto},
    {"room_goto_next", F_RoomGotoNext},
    {"room_goto_previous", F_RoomGotoPrevious},
    {"room_restart", F_RoomRestart},
    {"room_next", F_RoomNext},
    {"room_previous", F_RoomPrevious},
    {"room_exists", F_RoomExists},
    {"room_get_name", F_RoomGetName},
    {"room_name", F_RoomGetName},
    {"room_add", F_RoomAdd},
    {"room_duplicate", F_RoomDuplicate},
    {"room_assign", F_RoomAssign},
    {"game_end", F_GameEnd},
    {"game_restart", F_GameRestart},
    {"room_instance_add", F_RoomInstanceAdd},
    {"room_instance_clear", F_RoomInstanceClear},
    {"room_set_width", F_RoomSetWidth},
    {"room_set_height", F_RoomSetHeight},
    {"room_set_caption", F_RoomSetCaption},
    {"room_set_code", F_RoomSetCode},
    {"room_set_persistent", F_RoomSetPersistent},
    {"room_set_view_enabled", F_RoomSetViewEnabled},
    {"room_set_background_color", F_RoomSetBackgroundColor},
};
extern const size_t kRoomFunctionCount = std::size(kRoomFunctions);
