#include "platform/audio_device.h"

#include <AL/al.h>
#include <AL/alc.h>
#include <AL/alext.h>
#include <sndfile.h>

#include <cstdio>
#include <system_error>
#include <thread>

namespace {

constexpr int kLoopbackRate = 44100;

struct TDeviceState {
    ALCdevice* device = nullptr;
    ALCcontext* context = nullptr;
    TAudioDeviceKind kind = TAudioDeviceKind::None;
    LPALCRENDERSAMPLESSOFT render = nullptr;
    bool capture = false;
    std::string captureFile;
    std::vector<float> captured;
    std::vector<float> scratch;
};

TDeviceState& State() {
    static TDeviceState s;
    return s;
}

// A context on the opened device, made current; on failure the device is closed again.
bool MakeContext(TDeviceState& s, const ALCint* attrs) {
    s.context = alcCreateContext(s.device, attrs);
    if (s.context != nullptr && alcMakeContextCurrent(s.context) == ALC_TRUE) return true;
    if (s.context) alcDestroyContext(s.context);
    alcCloseDevice(s.device);
    s.device = nullptr;
    s.context = nullptr;
    return false;
}

bool OpenOutput(TDeviceState& s) {
    s.device = alcOpenDevice(nullptr);
    if (s.device == nullptr) return false;
    if (!MakeContext(s, nullptr)) return false;
    s.kind = TAudioDeviceKind::Output;
    return true;
}

bool OpenLoopback(TDeviceState& s) {
    if (alcIsExtensionPresent(nullptr, "ALC_SOFT_loopback") != ALC_TRUE) return false;
    auto open = reinterpret_cast<LPALCLOOPBACKOPENDEVICESOFT>(alcGetProcAddress(nullptr, "alcLoopbackOpenDeviceSOFT"));
    s.render = reinterpret_cast<LPALCRENDERSAMPLESSOFT>(alcGetProcAddress(nullptr, "alcRenderSamplesSOFT"));
    if (open == nullptr || s.render == nullptr) return false;
    s.device = open(nullptr);
    if (s.device == nullptr) return false;
    // Plain stereo at a fixed rate, no head-related filter and no limiter: what a
    // source plays at gain g comes out at g, so the render can be measured.
    const ALCint attrs[] = {ALC_FORMAT_CHANNELS_SOFT,
                            ALC_STEREO_SOFT,
                            ALC_FORMAT_TYPE_SOFT,
                            ALC_FLOAT_SOFT,
                            ALC_FREQUENCY,
                            kLoopbackRate,
                            ALC_HRTF_SOFT,
                            ALC_FALSE,
                            ALC_OUTPUT_LIMITER_SOFT,
                            ALC_FALSE,
                            0};
    if (!MakeContext(s, attrs)) return false;
    s.kind = TAudioDeviceKind::Loopback;
    return true;
}

void WriteCapture(const TDeviceState& s) {
    SF_INFO info{};
    info.samplerate = kLoopbackRate;
    info.channels = 2;
    info.format = SF_FORMAT_WAV | SF_FORMAT_FLOAT;
    SNDFILE* f = sf_open(s.captureFile.c_str(), SFM_WRITE, &info);
    if (f == nullptr) {
        std::fprintf(stderr, "zorvex: cannot write the audio capture %s: %s\n", s.captureFile.c_str(),
                     sf_strerror(nullptr));
        return;
    }
    sf_writef_float(f, s.captured.data(), sf_count_t(s.captured.size() / 2));
    sf_close(f);
}

bool OpenEither(TDeviceState& s, bool loopback) {
    if (!loopback && OpenOutput(s)) return true;
    return OpenLoopback(s);
}

// An opening on a thread of its own: the thread fills `made` alone and is joined before
// anything else looks at it.
struct TBackgroundOpen {
    std::thread thread;
    bool loopback = false;
    bool opened = false;
    TDeviceState made;
};

TBackgroundOpen& Background() {
    static TBackgroundOpen b;
    return b;
}

void CloseDevice(TDeviceState& s) {
    if (alcGetCurrentContext() == s.context) alcMakeContextCurrent(nullptr);
    alcDestroyContext(s.context);
    alcCloseDevice(s.device);
}

// Waits for a background opening. When it was for the same `loopback`, what it made
// becomes the device and `attempted` is set (its failure is the answer too); otherwise,
// or when nobody is to take it (`take` false), its device is closed again.
void CollectBackground(bool take, bool loopback, bool& attempted) {
    attempted = false;
    TBackgroundOpen& b = Background();
    if (!b.thread.joinable()) return;
    b.thread.join();
    TDeviceState& made = b.made;
    if (take && b.loopback == loopback) {
        attempted = true;
        if (b.opened) {
            TDeviceState& s = State();
            s.device = made.device;
            s.context = made.context;
            s.kind = made.kind;
            s.render = made.render;
        }
    } else if (b.opened) {
        CloseDevice(made);
    }
    b = TBackgroundOpen{};
}

}  // namespace

bool AudioDevice_Open(bool loopback) {
    TDeviceState& s = State();
    bool attempted = false;
    CollectBackground(s.kind == TAudioDeviceKind::None, loopback, attempted);
    if (s.kind != TAudioDeviceKind::None) return true;
    return !attempted && OpenEither(s, loopback);
}

void AudioDevice_OpenInBackground(bool loopback) {
    TBackgroundOpen& b = Background();
    if (b.thread.joinable() || State().kind != TAudioDeviceKind::None) return;
    b.loopback = loopback;
    try {
        b.thread = std::thread([&b, loopback] { b.opened = OpenEither(b.made, loopback); });
    } catch (const std::system_error&) {
        // No thread to be had: the device is opened when it is needed, as without this.
    }
}

void AudioDevice_Close() {
    bool attempted = false;
    CollectBackground(false, false, attempted);
    TDeviceState& s = State();
    if (s.kind == TAudioDeviceKind::None) return;
    CloseDevice(s);
    if (s.capture && !s.captureFile.empty()) WriteCapture(s);
    s = TDeviceState{};
}

TAudioDeviceKind AudioDevice_Kind() { return State().kind; }
int AudioDevice_Rate() { return kLoopbackRate; }

void AudioDevice_Render(float* out, int frames) {
    TDeviceState& s = State();
    if (s.kind != TAudioDeviceKind::Loopback || frames <= 0) return;
    s.render(s.device, out, frames);
    if (s.capture) s.captured.insert(s.captured.end(), out, out + size_t(frames) * 2);
}

void AudioDevice_Advance(int frames) {
    TDeviceState& s = State();
    if (s.kind != TAudioDeviceKind::Loopback || frames <= 0) return;
    s.scratch.resize(size_t(frames) * 2);
    AudioDevice_Render(s.scratch.data(), frames);
}

void AudioDevice_SetCaptureFile(const std::string& file) {
    State().capture = true;
    State().captureFile = file;
}

const std::vector<float>& AudioDevice_Captured() { return State().captured; }
