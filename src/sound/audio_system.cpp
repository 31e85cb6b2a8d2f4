// The audio system: the sounds played on a shared set of sources given out by priority,
// emitters, the listener and the distance model.
#include <AL/al.h>

#include <algorithm>
#include <vector>

#include "platform/console.h"
#include "sound/sound.h"
#include "sound/sound_internal.h"
#include "sound/sound_system.h"

namespace {

constexpr int kDefaultChannels = 128;
constexpr float kDefaultMaxDistance = 100000.0f;

struct TVoice {
    int id = 0;
    int sound = -1;
    int source = -1;  // index into the sources
    int emitter = -1;
    double priority = 0;
    float baseGain = 1.0f;  // before the master gain
    bool loop = false;
    bool playing = false;
    bool paused = false;
};

struct TEmitter {
    bool active = false;
    float pos[3] = {0, 0, 0};
    float vel[3] = {0, 0, 0};
    float falloffRef = 1.0f;
    float falloffMax = kDefaultMaxDistance;
    float falloffFactor = 1.0f;
    float gain = 1.0f;
    float pitch = 1.0f;
};

struct TAudioState {
    bool on = false;
    std::vector<ALuint> sources;
    std::vector<TVoice> voices;
    std::vector<TEmitter> emitters;
    int nextId = kFirstVoiceId;
    float master = 1.0f;
};

TAudioState& A() {
    static TAudioState a;
    return a;
}

ALint SourceState(ALuint src) {
    ALint state = AL_STOPPED;
    alGetSourcei(src, AL_SOURCE_STATE, &state);
    return state;
}

void CreateSources(int count) {
    TAudioState& a = A();
    a.sources.assign(size_t(std::max(count, 0)), 0);
    if (a.sources.empty()) return;
    alGetError();
    alGenSources(ALsizei(a.sources.size()), a.sources.data());
    if (alGetError() != AL_NO_ERROR) {
        Console().Output("Error creating audio sources %d\n", count);
        // Fewer, one at a time, as many as the device gives.
        std::vector<ALuint> got;
        for (int i = 0; i < count; ++i) {
            ALuint s = 0;
            alGenSources(1, &s);
            if (alGetError() != AL_NO_ERROR) break;
            got.push_back(s);
        }
        a.sources = got;
    }
}

void DeleteSources() {
    TAudioState& a = A();
    for (ALuint s : a.sources) alSourceStop(s);
    if (!a.sources.empty()) alDeleteSources(ALsizei(a.sources.size()), a.sources.data());
    a.sources.clear();
    a.voices.clear();
}

// The source for a new voice of `priority`: a free one, else the one of the lowest
// playing voice below it; -1 when there is none.
int AllocateSource(double priority) {
    TAudioState& a = A();
    for (size_t i = 0; i < a.sources.size(); ++i) {
        const ALint state = SourceState(a.sources[i]);
        if (state != AL_STOPPED && state != AL_INITIAL) continue;
        for (TVoice& v : a.voices)
            if (v.source == int(i)) {
                v.playing = false;
                v.source = -1;
            }
        return int(i);
    }
    TVoice* lowest = nullptr;
    for (TVoice& v : a.voices)
        if (v.playing && !v.paused && v.source >= 0 && v.priority < priority &&
            (lowest == nullptr || v.priority < lowest->priority))
            lowest = &v;
    if (lowest == nullptr) return -1;
    const int source = lowest->source;
    alGetError();
    alSourceStop(a.sources[size_t(source)]);
    if (alGetError() != AL_NO_ERROR) Console().Output("Error stopping sample %d\n", source);
    // Taken over: the old voice no longer counts and has no source.
    lowest->paused = true;
    lowest->playing = false;
    lowest->source = -1;
    return source;
}

TVoice& NewVoice(int sound, int source, bool loop, double priority) {
    TAudioState& a = A();
    TVoice* v = nullptr;
    for (TVoice& old : a.voices)
        if (!old.playing && old.source < 0) {
            v = &old;
            break;
        }
    if (v == nullptr) v = &a.voices.emplace_back();
    *v = TVoice{};
    v->id = a.nextId++;
    v->sound = sound;
    v->source = source;
    v->loop = loop;
    v->priority = priority;
    v->playing = true;
    return *v;
}

// Everything common to the three plays; the source is set up by `place`.
template <typename F>
int Play(int sound, double priority, bool loop, float gain, float pitch, int emitter, F&& place) {
    TAudioState& a = A();
    if (!a.on) return -1;
    CSound* s = SoundShared_Get(sound);
    if (s == nullptr) return -1;
    const ALuint buffer = SoundShared_Buffer(sound);
    if (buffer == 0) return -1;
    const int index = AllocateSource(priority);
    if (index < 0) return -1;
    const ALuint src = a.sources[size_t(index)];
    alGetError();
    alSourcei(src, AL_BUFFER, 0);
    SoundShared_Check("Error prior to playing sample\n");
    place(src);
    const float base = gain * float(s->volume);
    alSourcef(src, AL_GAIN, base * a.master);
    alSourcef(src, AL_PITCH, pitch);
    alSourcei(src, AL_BUFFER, ALint(buffer));
    SoundShared_Check("Error setting sample buffer\n");
    alSourcei(src, AL_LOOPING, loop ? AL_TRUE : AL_FALSE);
    alSourcePlay(src);
    SoundShared_Check("Error playing sample\n");
    TVoice& v = NewVoice(sound, index, loop, priority);
    v.baseGain = base;
    v.emitter = emitter;
    return v.id;
}

TEmitter* Emitter(int id) {
    TAudioState& a = A();
    return id >= 0 && size_t(id) < a.emitters.size() && a.emitters[size_t(id)].active ? &a.emitters[size_t(id)]
                                                                                      : nullptr;
}

// Calls `f` on every voice that the id names: the voice, or every voice of a sound.
template <typename F>
void EachVoice(int id, F&& f) {
    for (TVoice& v : A().voices) {
        if (v.source < 0) continue;
        if (id >= kFirstVoiceId ? v.id == id : v.sound == id) f(v);
    }
}

void SetFalloff(ALuint src, const TEmitter& e) {
    alSourcef(src, AL_MAX_DISTANCE, e.falloffMax);
    alSourcef(src, AL_REFERENCE_DISTANCE, e.falloffRef);
    alSourcef(src, AL_ROLLOFF_FACTOR, e.falloffFactor);
}

}  // namespace

void Audio_Init() {
    TAudioState& a = A();
    a = TAudioState{};
    a.on = true;
    const float orientation[6] = {0, 0, 1, 0, 1, 0};
    alListener3f(AL_POSITION, 0, 0, 0);
    alListener3f(AL_VELOCITY, 0, 0, 0);
    alListenerfv(AL_ORIENTATION, orientation);
    CreateSources(kDefaultChannels);
    alDistanceModel(AL_INVERSE_DISTANCE);
}

void Audio_Quit() {
    DeleteSources();
    A() = TAudioState{};
}

void Audio_ForgetSound(int sound) {
    TAudioState& a = A();
    for (TVoice& v : a.voices) {
        if (v.sound != sound || v.source < 0) continue;
        alSourceStop(a.sources[size_t(v.source)]);
        alSourcei(a.sources[size_t(v.source)], AL_BUFFER, 0);
        v.playing = false;
        v.source = -1;
    }
}

void Audio_Update() {
    TAudioState& a = A();
    for (TVoice& v : a.voices) {
        if (!v.playing || v.paused || v.source < 0) continue;
        const ALuint src = a.sources[size_t(v.source)];
        alGetError();
        const ALint state = SourceState(src);
        SoundShared_Check("Error getting source state\n");
        if (state == AL_STOPPED) {
            v.playing = false;
            continue;
        }
        if (const TEmitter* e = Emitter(v.emitter)) {
            alSource3f(src, AL_POSITION, e->pos[0], e->pos[1], e->pos[2]);
            alSource3f(src, AL_VELOCITY, e->vel[0], e->vel[1], e->vel[2]);
            SoundShared_Check("Error updating emitter\n");
        }
    }
}

int Audio_PlaySound(int sound, double priority, bool loop) {
    return Play(sound, priority, loop, 1.0f, 1.0f, -1, [](ALuint src) {
        alSourcei(src, AL_SOURCE_RELATIVE, AL_TRUE);
        alSource3f(src, AL_POSITION, 0, 0, 0);
        alSource3f(src, AL_VELOCITY, 0, 0, 0);
        alSourcef(src, AL_MAX_DISTANCE, kDefaultMaxDistance);
        alSourcef(src, AL_REFERENCE_DISTANCE, 1.0f);
        alSourcef(src, AL_ROLLOFF_FACTOR, 1.0f);
    });
}

int Audio_PlaySoundAt(int sound, double x, double y, double z, double falloffRef, double falloffMax,
                      double falloffFactor, bool loop, double priority) {
    return Play(sound, priority, loop, 1.0f, 1.0f, -1, [&](ALuint src) {
        alSourcei(src, AL_SOURCE_RELATIVE, AL_FALSE);
        alSource3f(src, AL_POSITION, float(x), float(y), float(z));
        alSource3f(src, AL_VELOCITY, 0, 0, 0);
        alSourcef(src, AL_REFERENCE_DISTANCE, float(falloffRef));
        alSourcef(src, AL_MAX_DISTANCE, float(falloffMax));
        alSourcef(src, AL_ROLLOFF_FACTOR, float(falloffFactor));
    });
}

int Audio_PlaySoundOn(int emitter, int sound, bool loop, double priority) {
    if (!A().on) return -1;
    const TEmitter* e = Emitter(emitter);
    if (e == nullptr) {
        Console().Output("Audio_PlaySound Attempting to play sound on inactive emitter %d\n", emitter);
        return -1;
    }
    const TEmitter copy = *e;
    return Play(sound, priority, loop, copy.gain, copy.pitch, emitter, [&](ALuint src) {
        alSourcei(src, AL_SOURCE_RELATIVE, AL_FALSE);
        alSource3f(src, AL_POSITION, copy.pos[0], copy.pos[1], copy.pos[2]);
        alSource3f(src, AL_VELOCITY, copy.vel[0], copy.vel[1], copy.vel[2]);
        SetFalloff(src, copy);
    });
}

void Audio_StopSound(int id) {
    EachVoice(id, [](TVoice& v) {
        alGetError();
        alSourceStop(A().sources[size_t(v.source)]);
        if (ALenum e = alGetError(); e != AL_NO_ERROR)
            Console().Output("Error stopping sound %d error code %d\n", v.id, e);
        v.playing = false;
        v.paused = false;
    });
}

void Audio_PauseSound(int id) {
    EachVoice(id, [](TVoice& v) {
        if (!v.playing) return;
        alGetError();
        alSourcePause(A().sources[size_t(v.source)]);
        if (ALenum e = alGetError(); e != AL_NO_ERROR)
            Console().Output("Error pausing sound %d error code %d\n", v.id, e);
        v.paused = true;
    });
}

void Audio_ResumeSound(int id) {
    EachVoice(id, [](TVoice& v) {
        if (!v.playing || !v.paused) return;
        alGetError();
        alSourcePlay(A().sources[size_t(v.source)]);
        if (ALenum e = alGetError(); e != AL_NO_ERROR)
            Console().Output("Error resuming sound %d error code %d\n", v.id, e);
        v.paused = false;
    });
}

void Audio_PauseAll() {
    for (TVoice& v : A().voices)
        if (v.source >= 0) Audio_PauseSound(v.id);
}

void Audio_ResumeAll() {
    for (TVoice& v : A().voices)
        if (v.source >= 0) Audio_ResumeSound(v.id);
}

void Audio_StopAll() {
    for (TVoice& v : A().voices)
        if (v.source >= 0) Audio_StopSound(v.id);
}

bool Audio_IsPlaying(int id) {
    bool any = false;
    EachVoice(id, [&](TVoice& v) {
        if (!v.playing) return;
        if (!v.paused && SourceState(A().sources[size_t(v.source)]) == AL_STOPPED) {
            v.playing = false;
            return;
        }
        any = true;
    });
    return any;
}

void Audio_MasterGain(double gain) {
    TAudioState& a = A();
    a.master = float(std::max(gain, 0.0));
    for (const TVoice& v : a.voices)
        if (v.source >= 0) alSourcef(a.sources[size_t(v.source)], AL_GAIN, v.baseGain * a.master);
}

void Audio_SetChannelCount(int count) {
    if (!A().on) return;
    DeleteSources();
    CreateSources(std::clamp(count, 1, 256));
}

void Audio_SetFalloffModel(int model) {
    static const ALenum kModels[] = {AL_NONE,
                                     AL_INVERSE_DISTANCE,
                                     AL_INVERSE_DISTANCE_CLAMPED,
                                     AL_LINEAR_DISTANCE,
                                     AL_LINEAR_DISTANCE_CLAMPED,
                                     AL_EXPONENT_DISTANCE,
                                     AL_EXPONENT_DISTANCE_CLAMPED};
    if (model < 0 || model >= int(std::size(kModels))) {
        Console().Output("Attempting to set audio falloff to unknown model\n");
        return;
    }
    if (A().on) alDistanceModel(kModels[model]);
}

int Audio_GetType(int sound) {
    const CSound* s = SoundShared_Get(sound);
    if (s == nullptr) return -1;
    return s->streamed ? 1 : 0;
}

double Audio_SoundLength(int sound) {
    if (SoundShared_Get(sound) == nullptr || !A().on) return -1;
    return SoundShared_Seconds(sound);
}

int Audio_EmitterCreate() {
    TAudioState& a = A();
    size_t i = 0;
    while (i < a.emitters.size() && a.emitters[i].active) ++i;
    if (i == a.emitters.size()) a.emitters.emplace_back();
    a.emitters[i] = TEmitter{};
    a.emitters[i].active = true;
    return int(i);
}

void Audio_EmitterFree(int emitter) {
    TEmitter* e = Emitter(emitter);
    if (e == nullptr) return;
    for (TVoice& v : A().voices)
        if (v.emitter == emitter && v.source >= 0) {
            alSourceStop(A().sources[size_t(v.source)]);
            v.playing = false;
            v.emitter = -1;
        }
    e->active = false;
}

bool Audio_EmitterExists(int emitter) { return Emitter(emitter) != nullptr; }

namespace {

// Applies `f` to the source of every playing voice of the emitter.
template <typename F>
void EmitterVoices(int emitter, F&& f) {
    for (TVoice& v : A().voices)
        if (v.emitter == emitter && v.playing && v.source >= 0) f(v, A().sources[size_t(v.source)]);
}

}  // namespace

void Audio_EmitterPosition(int emitter, double x, double y, double z) {
    TEmitter* e = Emitter(emitter);
    if (e == nullptr) return;
    e->pos[0] = float(x);
    e->pos[1] = float(y);
    e->pos[2] = float(z);
}

void Audio_EmitterVelocity(int emitter, double x, double y, double z) {
    TEmitter* e = Emitter(emitter);
    if (e == nullptr) return;
    e->vel[0] = float(x);
    e->vel[1] = float(y);
    e->vel[2] = float(z);
}

void Audio_EmitterGain(int emitter, double gain) {
    TEmitter* e = Emitter(emitter);
    if (e == nullptr) return;
    const float old = e->gain;
    e->gain = float(std::max(gain, 0.0));
    EmitterVoices(emitter, [&](TVoice& v, ALuint src) {
        v.baseGain = old > 0 ? v.baseGain / old * e->gain : e->gain * float(SoundShared_Get(v.sound)->volume);
        alSourcef(src, AL_GAIN, v.baseGain * A().master);
    });
}

void Audio_EmitterPitch(int emitter, double pitch) {
    TEmitter* e = Emitter(emitter);
    if (e == nullptr) return;
    e->pitch = float(std::max(pitch, 0.0001));
    EmitterVoices(emitter, [&](TVoice&, ALuint src) { alSourcef(src, AL_PITCH, e->pitch); });
}

void Audio_EmitterFalloff(int emitter, double ref, double max, double factor) {
    TEmitter* e = Emitter(emitter);
    if (e == nullptr) return;
    e->falloffRef = float(ref);
    e->falloffMax = float(max);
    e->falloffFactor = float(factor);
    EmitterVoices(emitter, [&](TVoice&, ALuint src) { SetFalloff(src, *e); });
}

void Audio_ListenerPosition(double x, double y, double z) {
    if (A().on) alListener3f(AL_POSITION, float(x), float(y), float(z));
}

void Audio_ListenerVelocity(double x, double y, double z) {
    if (A().on) alListener3f(AL_VELOCITY, float(x), float(y), float(z));
}

void Audio_ListenerOrientation(double lookX, double lookY, double lookZ, double upX, double upY, double upZ) {
    const float o[6] = {float(lookX), float(lookY), float(lookZ), float(upX), float(upY), float(upZ)};
    if (A().on) alListenerfv(AL_ORIENTATION, o);
}
