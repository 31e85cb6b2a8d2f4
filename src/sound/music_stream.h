#pragma once
// Music: a long sound played on one source of its own from a queue of short buffers. A
// worker thread decodes the pieces ahead; the engine thread only queues what is ready,
// so no frame waits for the decoder (except on the loopback device, where the render
// must hear exactly what the game played and so waits for a late piece).
#include <cstdint>
#include <memory>
#include <string>

class TMusicStream {
public:
    TMusicStream();
    ~TMusicStream();
    TMusicStream(const TMusicStream&) = delete;
    TMusicStream& operator=(const TMusicStream&) = delete;

    // Starts playing a file, or sound file data that outlives the stream.
    bool PlayFile(const std::string& path, bool loop, std::string& error);
    bool PlayMemory(const uint8_t* data, size_t size, bool loop, std::string& error);
    void Stop();
    void Pause(bool paused);
    bool Playing() const;
    void SetGain(float gain);
    // Once per frame: queues decoded pieces, notices the end.
    void Update();

    struct TImpl;

private:
    std::unique_ptr<TImpl> impl_;
};
