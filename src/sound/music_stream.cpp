#include "sound/music_stream.h"

#include <AL/al.h>

#include <chrono>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <thread>
#include <vector>

#include "platform/audio_device.h"
#include "platform/sound_decode.h"

namespace {
// A quarter of a second at 44.1 kHz per piece, four pieces queued.
constexpr size_t kPieceFrames = 11025;
constexpr int kQueued = 4;
constexpr size_t kReadyAhead = 4;
}  // namespace

struct TMusicStream::TImpl {
    ALuint source = 0;
    ALuint buffers[kQueued] = {};
    ALenum format = 0;
    int rate = 0;
    bool playing = false;
    bool paused = false;
    float gain = 1.0f;

    // Shared with the decoder thread.
    std::mutex lock;
    std::condition_variable wake;
    std::deque<std::vector<int16_t>> ready;
    bool ended = false;  // the decoder delivered the last piece
    bool quit = false;
    std::unique_ptr<TSoundReader> reader;
    bool loop = false;
    std::thread worker;

    ~TImpl() { Halt(); }

    void Halt() {
        if (worker.joinable()) {
            {
                std::lock_guard<std::mutex> g(lock);
                quit = true;
            }
            wake.notify_all();
            worker.join();
        }
        if (source != 0) {
            alSourceStop(source);
            alSourcei(source, AL_BUFFER, 0);
            alDeleteSources(1, &source);
            alDeleteBuffers(kQueued, buffers);
            source = 0;
        }
        ready.clear();
        reader.reset();
        ended = false;
        quit = false;
        playing = false;
        paused = false;
    }

    void Decode() {
        std::vector<int16_t> piece;
        for (;;) {
            {
                std::unique_lock<std::mutex> g(lock);
                wake.wait(g, [&] { return quit || (ready.size() < kReadyAhead && !ended); });
                if (quit) return;
            }
            size_t got = reader->Read(piece, kPieceFrames);
            if (got == 0 && loop && reader->Rewind()) got = reader->Read(piece, kPieceFrames);
            {
                std::lock_guard<std::mutex> g(lock);
                if (got == 0) {
                    ended = true;
                } else {
                    ready.push_back(piece);
                }
            }
            wake.notify_all();
        }
    }

    // The next decoded piece; on the loopback device waits for one still coming.
    bool TakePiece(std::vector<int16_t>& piece, bool wait) {
        std::unique_lock<std::mutex> g(lock);
        if (wait) wake.wait_for(g, std::chrono::seconds(2), [&] { return !ready.empty() || ended; });
        if (ready.empty()) return false;
        piece = std::move(ready.front());
        ready.pop_front();
        g.unlock();
        wake.notify_all();
        return true;
    }

    bool Fill(ALuint buffer, bool wait) {
        std::vector<int16_t> piece;
        if (!TakePiece(piece, wait)) return false;
        alBufferData(buffer, format, piece.data(), ALsizei(piece.size() * sizeof(int16_t)), rate);
        alSourceQueueBuffers(source, 1, &buffer);
        return true;
    }

    bool Start(bool loopFlag, std::string& error) {
        format = reader->Channels() == 2 ? AL_FORMAT_STEREO16 : AL_FORMAT_MONO16;
        rate = reader->Rate();
        loop = loopFlag;
        alGetError();
        alGenSources(1, &source);
        alGenBuffers(kQueued, buffers);
        if (alGetError() != AL_NO_ERROR) {
            error = "no source for the music";
            source = 0;
            return false;
        }
        alSourcei(source, AL_SOURCE_RELATIVE, AL_TRUE);
        alSource3f(source, AL_POSITION, 0, 0, 0);
        alSourcef(source, AL_GAIN, gain);
        worker = std::thread([this] { Decode(); });
        const bool wait = AudioDevice_Kind() == TAudioDeviceKind::Loopback;
        for (ALuint b : buffers)
            if (!Fill(b, wait)) break;
        alSourcePlay(source);
        playing = true;
        return true;
    }

    void Update() {
        if (!playing || source == 0) return;
        const bool wait = AudioDevice_Kind() == TAudioDeviceKind::Loopback;
        ALint processed = 0;
        alGetSourcei(source, AL_BUFFERS_PROCESSED, &processed);
        while (processed-- > 0) {
            ALuint b = 0;
            alSourceUnqueueBuffers(source, 1, &b);
            Fill(b, wait);
        }
        ALint queued = 0, state = 0;
        alGetSourcei(source, AL_BUFFERS_QUEUED, &queued);
        alGetSourcei(source, AL_SOURCE_STATE, &state);
        if (state == AL_STOPPED || state == AL_INITIAL) {
            if (queued > 0) {
                // Ran dry while the decoder was behind: go on from what is queued now.
                if (!paused) alSourcePlay(source);
            } else {
                bool done;
                {
                    std::lock_guard<std::mutex> g(lock);
                    done = ended && ready.empty();
                }
                if (done) Halt();
            }
        }
    }
};

TMusicStream::TMusicStream() : impl_(std::make_unique<TImpl>()) {}
TMusicStream::~TMusicStream() = default;

bool TMusicStream::PlayFile(const std::string& path, bool loop, std::string& error) {
    impl_->Halt();
    impl_->reader = std::make_unique<TSoundReader>();
    if (!impl_->reader->OpenFile(path, error)) {
        impl_->reader.reset();
        return false;
    }
    return impl_->Start(loop, error);
}

bool TMusicStream::PlayMemory(const uint8_t* data, size_t size, bool loop, std::string& error) {
    impl_->Halt();
    impl_->reader = std::make_unique<TSoundReader>();
    if (!impl_->reader->OpenMemory(data, size, error)) {
        impl_->reader.reset();
        return false;
    }
    return impl_->Start(loop, error);
}

void TMusicStream::Stop() { impl_->Halt(); }

void TMusicStream::Pause(bool paused) {
    if (!impl_->playing || impl_->paused == paused) return;
    impl_->paused = paused;
    if (paused) {
        alSourcePause(impl_->source);
    } else {
        alSourcePlay(impl_->source);
    }
}

bool TMusicStream::Playing() const { return impl_->playing; }

void TMusicStream::SetGain(float gain) {
    impl_->gain = gain;
    if (impl_->source != 0) alSourcef(impl_->source, AL_GAIN, gain);
}

void TMusicStream::Update() { impl_->Update(); }
