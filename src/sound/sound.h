#pragma once
#include <cstdint>
#include <string>
#include <vector>

class CSound {
public:
    std::string name;
    int kind = 0;
    std::string fileType;
    std::string fileName;
    uint32_t effects = 0;
    double volume = 1.0;
    double pan = 0.0;
    bool preload = false;
    int dataIndex = -1;
    bool streamed = false;  // new audio system: not decoded at start-up
    // The sound's file data in the block, once the audio chunk was read.
    uint32_t dataOffset = 0;
    uint32_t dataLength = 0;
    // A sound made at run time (sound_add, sound_replace) owns its file's bytes.
    std::vector<uint8_t> fileData;
};
