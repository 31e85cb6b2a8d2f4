#pragma once
// Decoding sound files (WAV, OGG, FLAC and whatever else the decoding library reads)
// into 16-bit samples, from memory or from a file, whole or a piece at a time.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

struct TDecodedSound {
    int channels = 0;
    int rate = 0;
    std::vector<int16_t> samples;  // interleaved
    size_t Frames() const { return channels > 0 ? samples.size() / size_t(channels) : 0; }
};

// The whole sound. False with `error` set when the data is no sound file the decoder
// reads, or has more than two channels.
bool SoundDecode_Memory(const uint8_t* data, size_t size, TDecodedSound& out, std::string& error);
bool SoundDecode_File(const std::string& path, TDecodedSound& out, std::string& error);

// A sound read a piece at a time (music). Not tied to a thread, but used by one at a time.
class TSoundReader {
public:
    TSoundReader();
    ~TSoundReader();
    TSoundReader(const TSoundReader&) = delete;
    TSoundReader& operator=(const TSoundReader&) = delete;

    // From a file, or from memory that outlives the reader (the game data block).
    bool OpenFile(const std::string& path, std::string& error);
    bool OpenMemory(const uint8_t* data, size_t size, std::string& error);
    int Channels() const;
    int Rate() const;
    // Reads up to `frames` frames into `out` (resized to what was read); 0 at the end.
    size_t Read(std::vector<int16_t>& out, size_t frames);
    bool Rewind();

    struct TImpl;

private:
    std::unique_ptr<TImpl> impl_;
};
