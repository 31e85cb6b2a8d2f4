#pragma once
#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "vm/code.h"

struct CRoomBackground {
    bool visible = false;
    bool foreground = false;
    int index = -1;
    double x = 0, y = 0;
    bool tileH = true, tileV = true;
    double hspeed = 0, vspeed = 0;
    double xscale = 1, yscale = 1;
    uint32_t blend = 0xFFFFFF;
    double alpha = 1;
};

struct CRoomView {
    bool visible = false;
    int viewX = 0, viewY = 0, viewW = 640, viewH = 480;
    int portX = 0, portY = 0, portW = 640, portH = 480;
    double angle = 0;
    int hborder = 32, vborder = 32;
    int hspeed = -1, vspeed = -1;
    int follow = -1;
};

struct CRoomInstance {
    int x = 0, y = 0;
    int objectIndex = -1;
    uint32_t id = 0;
    std::unique_ptr<CCode> creationCode;
    float xscale = 1, yscale = 1;
    uint32_t colour = 0xFFFFFFFF;  // low 24 bits the blend colour, top byte alpha
    float rotation = 0;
};

// A tile record, read in place from the block when the room is entered.
constexpr uint32_t kRoomTileRecordSize = 48;

class CRoom {
public:
    std::string name;
    std::string caption;
    int width = 640, height = 480;
    int speed = 30;
    bool persistent = false;
    uint32_t colour = 0xC0C0C0;
    bool showColour = true;
    std::unique_ptr<CCode> creationCode;
    bool viewsEnabled = false;
    std::array<CRoomBackground, 8> backgrounds;
    std::array<CRoomView, 8> views;
    std::vector<CRoomInstance> instances;
    std::vector<uint32_t> tiles;  // offsets of the tile records

    bool physicsWorld = false;
    double gravityX = 0, gravityY = 0;
    double physicsScale = 0.1;
};
