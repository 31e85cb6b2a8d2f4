// The sound resources: start-up and the frame for both systems, the decoded buffers,
// the samples with their four sources, and the music stream.
#include "sound/sound_system.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <memory>
#include <vector>

#include "data/game.h"
#include "data/game_resources.h"
#include "platform/audio_device.h"
#include "platform/console.h"
#include "platform/file.h"
#include "platform/sound_decode.h"
#include "sound/music_stream.h"
#include "sound/sound.h"
#include "sound/sound_internal.h"

namespace {

constexpr int kSampleSources = 4;

struct TBuffer {
    ALuint buffer = 0;
    double seconds = 0;
    bool tried = false;
};

// One per sound that was played: its four sources, taken in turn.
struct TSample {
    ALuint sources[kSampleSources] = {};
    int next = 0;
    float gain = 1.0f;
    float fadeStep = 0.0f;
    int fadeFrames = 0;
};

struct TMusic {
    TMusicStream stream;
    int sound = -1;
    double volume = 1.0;
    double fadeStep = 0.0;
    int fadeFrames = 0;
};

struct TSoundState {
    bool started = false;
    bool on = false;
    double master = 1.0;
    std::vector<TBuffer> buffers;
    std::vector<std::unique_ptr<TSample>> samples;
    std::unique_ptr<TMusic> music;
    double renderCarry = 0.0;  // loopback frames owed to the next game frame
};

TSoundState& S() {
    static TSoundState s;
    return s;
}

std::vector<std::unique_ptr<CSound>>& Table() { return Game().resources->sounds; }

bool EndsWith(const std::string& s, const char* tail) {
    const size_t n = std::char_traits<char>::length(tail);
    if (s.size() < n) return false;
    for (size_t i = 0; i < n; ++i)
        if (char(std::tolower(static_cast<unsigned char>(s[s.size() - n + i]))) != tail[i]) return false;
    return true;
}

// Music files and the background music and multimedia kinds go to the stream rather
// than into a buffer: a long track is never decoded whole.
bool IsMusic(const CSound& s) {
    return s.kind == 1 || s.kind == 3 || EndsWith(s.fileName, ".mp3") || EndsWith(s.fileName, ".mid") ||
           EndsWith(s.fileName, ".midi");
}

void FreeSample(int index) {
    TSoundState& st = S();
    if (size_t(index) >= st.samples.size() || !st.samples[size_t(index)]) return;
    TSample& sample = *st.samples[size_t(index)];
    for (ALuint src : sample.sources) alSourceStop(src);
    alDeleteSources(kSampleSources, sample.sources);
    st.samples[size_t(index)].reset();
}

// The sample of the sound, made on first use; null when the sound cannot be decoded
// (it then plays as music).
TSample* SampleFor(int index, CSound& s) {
    TSoundState& st = S();
    if (size_t(index) >= st.samples.size()) st.samples.resize(size_t(index) + 1);
    if (st.samples[size_t(index)]) return st.samples[size_t(index)].get();
    ALuint buffer = SoundShared_Buffer(index);
    if (buffer == 0) {
        s.kind = 3;
        return nullptr;
    }
    auto sample = std::make_unique<TSample>();
    alGetError();
    alGenSources(kSampleSources, sample->sources);
    if (alGetError() != AL_NO_ERROR) {
        Console().Output("AL error on load %08x(%d)\n", unsigned(index), kSampleSources);
        return nullptr;
    }
    for (ALuint src : sample->sources) {
        alSourcei(src, AL_BUFFER, ALint(buffer));
        alSourcei(src, AL_SOURCE_RELATIVE, AL_TRUE);
    }
    sample->gain = float(s.volume);
    st.samples[size_t(index)] = std::move(sample);
    return st.samples[size_t(index)].get();
}

TSample* SampleIfAny(int index) {
    TSoundState& st = S();
    return size_t(index) < st.samples.size() ? st.samples[size_t(index)].get() : nullptr;
}

void ApplySampleGain(TSample& sample) {
    for (ALuint src : sample.sources) {
        ALint state = 0;
        alGetSourcei(src, AL_SOURCE_STATE, &state);
        if (state == AL_PLAYING || state == AL_PAUSED) alSourcef(src, AL_GAIN, sample.gain * float(S().master));
    }
}

void ApplyMusicGain() {
    TSoundState& st = S();
    if (st.music) st.music->stream.SetGain(float(st.music->volume * st.master));
}

std::string g_searchDirectory;

// The file a music sound plays from, when there is one on disk.
std::string MusicFile(const std::string& name) {
    if (name.empty()) return "";
    if (File_CanRead(name)) return name;
    if (!g_searchDirectory.empty()) {
        std::string beside = g_searchDirectory + "/" + name;
        if (File_CanRead(beside)) return beside;
    }
    return "";
}

bool PlayMusic(int index, const CSound& s, bool loop) {
    TSoundState& st = S();
    if (!st.music) st.music = std::make_unique<TMusic>();
    TMusic& m = *st.music;
    m.stream.Stop();
    m.sound = -1;
    std::string name = s.fileName;
    // There is no MIDI device: a MIDI file is played from its recording beside it.
    const bool midi = EndsWith(name, ".mid") || EndsWith(name, ".midi");
    if (midi) name = name.substr(0, name.size() - 3) + "mp3";
    std::string error;
    bool ok = false;
    const std::string file = MusicFile(name);
    const uint8_t* data = nullptr;
    size_t size = 0;
    if (!file.empty()) {
        ok = m.stream.PlayFile(file, loop, error);
    } else if (!midi && SoundShared_Bytes(s, data, size)) {
        ok = m.stream.PlayMemory(data, size, loop, error);
    } else {
        error = midi ? "there is no MIDI device and no recording of the music" : "the file cannot be found";
    }
    if (!ok) {
        Console().Output("error opening mp3 file %s - %s\n", name.c_str(), error.c_str());
        return false;
    }
    m.sound = index;
    m.fadeFrames = 0;
    ApplyMusicGain();
    return true;
}

bool MusicIs(int index) {
    const TSoundState& st = S();
    return st.music && st.music->sound == index && st.music->stream.Playing();
}

void StopMusic() {
    TSoundState& st = S();
    if (!st.music) return;
    st.music->stream.Stop();
    st.music->sound = -1;
}

}  // namespace

// --- shared ----------------------------------------------------------------------------------

bool SoundShared_On() { return S().on; }

CSound* SoundShared_Get(int index) {
    auto& table = Table();
    return index >= 0 && size_t(index) < table.size() ? table[size_t(index)].get() : nullptr;
}

bool SoundShared_Bytes(const CSound& s, const uint8_t*& data, size_t& size) {
    if (!s.fileData.empty()) {
        data = s.fileData.data();
        size = s.fileData.size();
        return true;
    }
    if (s.dataLength == 0 || uint64_t(s.dataOffset) + s.dataLength > Game().data.Size()) return false;
    data = Game().data.Base() + s.dataOffset;
    size = s.dataLength;
    return true;
}

ALuint SoundShared_Buffer(int index) {
    TSoundState& st = S();
    CSound* s = SoundShared_Get(index);
    if (s == nullptr || !st.on) return 0;
    if (size_t(index) >= st.buffers.size()) st.buffers.resize(size_t(index) + 1);
    TBuffer& b = st.buffers[size_t(index)];
    if (b.tried) return b.buffer;
    b.tried = true;
    const uint8_t* data = nullptr;
    size_t size = 0;
    TDecodedSound decoded;
    std::string error;
    if (!SoundShared_Bytes(*s, data, size) || !SoundDecode_Memory(data, size, decoded, error)) {
        Console().Output("ALUT error on load %08x(%d) : %s\n", unsigned(index), int(size),
                         error.empty() ? "no sound data" : error.c_str());
        return 0;
    }
    alGetError();
    alGenBuffers(1, &b.buffer);
    alBufferData(b.buffer, decoded.channels == 2 ? AL_FORMAT_STEREO16 : AL_FORMAT_MONO16, decoded.samples.data(),
                 ALsizei(decoded.samples.size() * sizeof(int16_t)), decoded.rate);
    if (ALenum e = alGetError(); e != AL_NO_ERROR) {
        Console().Output("AL error on load %08x(%d)\n", unsigned(index), int(e));
        alDeleteBuffers(1, &b.buffer);
        b.buffer = 0;
        return 0;
    }
    b.seconds = double(decoded.Frames()) / double(decoded.rate);
    return b.buffer;
}

double SoundShared_Seconds(int index) {
    if (SoundShared_Buffer(index) == 0) return -1;
    return S().buffers[size_t(index)].seconds;
}

void SoundShared_FreeBuffer(int index) {
    TSoundState& st = S();
    FreeSample(index);
    Audio_ForgetSound(index);
    if (size_t(index) >= st.buffers.size()) return;
    TBuffer& b = st.buffers[size_t(index)];
    if (b.buffer != 0) alDeleteBuffers(1, &b.buffer);
    b = TBuffer{};
}

bool SoundShared_Check(const char* message) {
    if (alGetError() == AL_NO_ERROR) return true;
    Console().Output("%s", message);
    return false;
}

// --- start, frame, end -------------------------------------------------------------------

void Sound_Start(bool noAudio, bool loopback) {
    TSoundState& st = S();
    if (st.started) return;
    st.started = true;
    Console().Output("SoundHardware::Init\n");
    if (noAudio) return;
    const bool wantOutput = !loopback;
    if (!AudioDevice_Open(loopback)) {
        std::fprintf(stderr, "zorvex: no sound device could be opened; the game plays without sound\n");
        return;
    }
    if (wantOutput && AudioDevice_Kind() == TAudioDeviceKind::Loopback)
        std::fprintf(stderr, "zorvex: no sound device could be opened; the game plays without sound\n");
    st.on = true;
    Audio_Init();
}

bool Sound_PrepareAll() {
    TSoundState& st = S();
    if (!st.on) return true;
    auto& table = Table();
    for (size_t i = 0; i < table.size(); ++i) {
        CSound* s = table[i].get();
        if (s == nullptr || s->streamed || IsMusic(*s)) continue;
        if (SoundShared_Buffer(int(i)) == 0) s->kind = 3;
    }
    return true;
}

void Sound_Quit() {
    TSoundState& st = S();
    if (!st.started) {
        AudioDevice_Close();  // a device opened ahead for a game that never got this far
        return;
    }
    Console().Output("SoundHardware::Quit\n");
    if (st.on) {
        st.music.reset();
        for (size_t i = 0; i < st.samples.size(); ++i) FreeSample(int(i));
        Audio_Quit();
        for (TBuffer& b : st.buffers)
            if (b.buffer != 0) alDeleteBuffers(1, &b.buffer);
        AudioDevice_Close();
    }
    st = TSoundState{};
}

bool Sound_On() { return S().on; }

void Sound_Update(int roomSpeed) {
    TSoundState& st = S();
    if (!st.on) return;
    for (auto& sp : st.samples) {
        if (!sp || sp->fadeFrames <= 0) continue;
        TSample& sample = *sp;
        sample.gain = std::clamp(sample.gain + sample.fadeStep, 0.0f, 1.0f);
        --sample.fadeFrames;
        ApplySampleGain(sample);
    }
    if (st.music) {
        TMusic& m = *st.music;
        if (m.fadeFrames > 0) {
            m.volume = std::clamp(m.volume + m.fadeStep, 0.0, 1.0);
            --m.fadeFrames;
            ApplyMusicGain();
        }
        m.stream.Update();
        if (!m.stream.Playing()) m.sound = -1;
    }
    Audio_Update();
    if (AudioDevice_Kind() == TAudioDeviceKind::Loopback) {
        const double frames = double(AudioDevice_Rate()) / double(roomSpeed > 0 ? roomSpeed : 30) + st.renderCarry;
        const int whole = int(frames);
        st.renderCarry = frames - whole;
        AudioDevice_Advance(whole);
    }
}

// --- sound resources ---------------------------------------------------------------------

bool Sound_Exists(int index) { return SoundShared_Get(index) != nullptr; }

bool Sound_Play(int index, bool loop) {
    CSound* s = SoundShared_Get(index);
    if (s == nullptr || !S().on) return false;
    if (IsMusic(*s)) return PlayMusic(index, *s, loop);
    TSample* sample = SampleFor(index, *s);
    if (sample == nullptr) return PlayMusic(index, *s, loop);
    ALuint src = sample->sources[sample->next];
    sample->next = (sample->next + 1) % kSampleSources;
    alGetError();
    alSourceStop(src);
    alSourcef(src, AL_GAIN, sample->gain * float(S().master));
    alSourcei(src, AL_LOOPING, loop ? AL_TRUE : AL_FALSE);
    alSourcePlay(src);
    return SoundShared_Check("Error playing sample\n");
}

void Sound_Stop(int index) {
    if (!S().on || SoundShared_Get(index) == nullptr) return;
    if (MusicIs(index)) {
        StopMusic();
        return;
    }
    if (TSample* sample = SampleIfAny(index))
        for (ALuint src : sample->sources) alSourceStop(src);
}

void Sound_StopAll() {
    TSoundState& st = S();
    if (!st.on) return;
    StopMusic();
    for (auto& sp : st.samples)
        if (sp)
            for (ALuint src : sp->sources) alSourceStop(src);
}

bool Sound_IsPlaying(int index) {
    if (!S().on || SoundShared_Get(index) == nullptr) return false;
    if (MusicIs(index)) return true;
    TSample* sample = SampleIfAny(index);
    if (sample == nullptr) return false;
    for (ALuint src : sample->sources) {
        ALint state = 0;
        alGetSourcei(src, AL_SOURCE_STATE, &state);
        if (state == AL_PLAYING) return true;
    }
    return false;
}

void Sound_SetVolume(int index, double volume) {
    CSound* s = SoundShared_Get(index);
    if (s == nullptr) return;
    volume = std::clamp(volume, 0.0, 1.0);
    s->volume = volume;
    if (!S().on) return;
    if (S().music && S().music->sound == index) {
        S().music->volume = volume;
        S().music->fadeFrames = 0;
        ApplyMusicGain();
    }
    if (TSample* sample = SampleIfAny(index)) {
        sample->gain = float(volume);
        sample->fadeFrames = 0;
        ApplySampleGain(*sample);
    }
}

void Sound_Fade(int index, double target, int frames) {
    CSound* s = SoundShared_Get(index);
    if (s == nullptr || !S().on) return;
    target = std::clamp(target, 0.0, 1.0);
    frames = std::max(frames, 1);
    TSoundState& st = S();
    if (IsMusic(*s)) {
        if (!st.music) st.music = std::make_unique<TMusic>();
        TMusic& m = *st.music;
        if (MusicIs(index)) {
            m.fadeStep = (target - m.volume) / frames;
            m.fadeFrames = frames;
        } else {
            m.volume = target;
            m.fadeFrames = 0;
            ApplyMusicGain();
        }
        return;
    }
    TSample* sample = SampleFor(index, *s);
    if (sample == nullptr) return;
    sample->fadeStep = float((target - sample->gain) / frames);
    sample->fadeFrames = frames;
}

void Sound_SetMasterVolume(double volume) {
    TSoundState& st = S();
    st.master = std::clamp(volume, 0.0, 1.0);
    if (!st.on) return;
    for (auto& sp : st.samples)
        if (sp) ApplySampleGain(*sp);
    ApplyMusicGain();
}

void Sound_Discard(int index) {
    if (!S().on || SoundShared_Get(index) == nullptr) return;
    if (MusicIs(index)) StopMusic();
    SoundShared_FreeBuffer(index);
}

void Sound_Restore(int index) {
    CSound* s = SoundShared_Get(index);
    if (s == nullptr || !S().on || IsMusic(*s)) return;
    SampleFor(index, *s);
}

namespace {

bool LoadFileInto(CSound& s, const std::string& path, int kind, bool preload) {
    std::vector<uint8_t> bytes;
    std::string error;
    if (!File_ReadWhole(path, bytes, error) || bytes.empty()) return false;
    s.fileData = std::move(bytes);
    s.kind = kind;
    s.preload = preload;
    s.volume = 1.0;
    s.pan = 0.0;
    s.dataOffset = 0;
    s.dataLength = 0;
    s.streamed = false;
    const size_t slash = path.find_last_of("/\\");
    s.fileName = slash == std::string::npos ? path : path.substr(slash + 1);
    const size_t dot = s.fileName.rfind('.');
    s.fileType = dot == std::string::npos ? "" : s.fileName.substr(dot);
    return true;
}

}  // namespace

int Sound_Add(const std::string& path, int kind, bool preload) {
    auto s = std::make_unique<CSound>();
    if (!LoadFileInto(*s, path, kind, preload)) return -1;
    auto& table = Table();
    const int index = int(table.size());
    s->name = "__newsound" + std::to_string(index);
    table.push_back(std::move(s));
    if (preload && S().on && !IsMusic(*table.back())) SampleFor(index, *table.back());
    return index;
}

bool Sound_Replace(int index, const std::string& path, int kind, bool preload) {
    CSound* s = SoundShared_Get(index);
    if (s == nullptr) return false;
    CSound loaded;
    if (!LoadFileInto(loaded, path, kind, preload)) return false;
    if (S().on) {
        if (MusicIs(index)) StopMusic();
        SoundShared_FreeBuffer(index);
    }
    loaded.name = s->name;
    *s = std::move(loaded);
    if (preload && S().on && !IsMusic(*s)) SampleFor(index, *s);
    return true;
}

void Sound_Delete(int index) {
    if (SoundShared_Get(index) == nullptr) return;
    if (S().on) {
        if (MusicIs(index)) StopMusic();
        SoundShared_FreeBuffer(index);
    }
    Table()[size_t(index)].reset();
}

void Sound_SetSearchDirectory(const std::string& dir) { g_searchDirectory = dir; }

// --- music of the audio system ------------------------------------------------------------

bool Audio_PlayMusic(int sound, bool loop) {
    CSound* s = SoundShared_Get(sound);
    if (s == nullptr || !S().on) return false;
    return PlayMusic(sound, *s, loop);
}

void Audio_StopMusic() {
    if (S().on) StopMusic();
}
