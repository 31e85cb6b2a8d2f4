// Sound decoding, the music stream, and what games play, measured on the loopback
// render the runner writes with --audio-out.
#include <gtest/gtest.h>
#include <sndfile.h>

#include <chrono>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "pack/pack_fixture.h"
#include "platform/audio_device.h"
#include "platform/file.h"
#include "platform/sound_decode.h"
#include "sound/music_stream.h"
#include "support/process.h"

namespace {

using namespace pack_test;

constexpr int kRenderRate = 44100;
constexpr int kFramePeriod = kRenderRate / 30;  // samples per game frame at room speed 30

// A sine tone written through the decoding library in `format`.
void WriteTone(const std::string& path, int format, int rate, int channels, double seconds, double amplitude,
               double frequency = 440.0) {
    SF_INFO info{};
    info.samplerate = rate;
    info.channels = channels;
    info.format = format;
    SNDFILE* f = sf_open(path.c_str(), SFM_WRITE, &info);
    ASSERT_NE(f, nullptr) << sf_strerror(nullptr);
    const int frames = int(seconds * rate);
    std::vector<float> samples(size_t(frames) * size_t(channels));
    for (int i = 0; i < frames; ++i)
        for (int c = 0; c < channels; ++c)
            samples[size_t(i) * size_t(channels) + size_t(c)] =
                float(amplitude * std::sin(2 * M_PI * frequency * i / rate));
    sf_writef_float(f, samples.data(), frames);
    sf_close(f);
}

std::vector<uint8_t> ReadBytes(const std::string& path) {
    std::vector<uint8_t> bytes;
    std::string error;
    EXPECT_TRUE(File_ReadWhole(path, bytes, error)) << error;
    return bytes;
}

TEST(SoundDecode, ReadsEachFormatFromFileAndMemory) {
    const std::string dir = TestDirectory("SoundDecode");
    struct Case {
        const char* name;
        int format;
        int rate;
        int channels;
    };
    const Case cases[] = {
        {"tone.wav", SF_FORMAT_WAV | SF_FORMAT_PCM_16, 22050, 1},
        {"tone.ogg", SF_FORMAT_OGG | SF_FORMAT_VORBIS, 44100, 2},
        {"tone.flac", SF_FORMAT_FLAC | SF_FORMAT_PCM_16, 11025, 2},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string path = dir + "/" + c.name;
        WriteTone(path, c.format, c.rate, c.channels, 0.25, 0.5);
        TDecodedSound fromFile, fromMemory;
        std::string error;
        ASSERT_TRUE(SoundDecode_File(path, fromFile, error)) << error;
        const std::vector<uint8_t> bytes = ReadBytes(path);
        ASSERT_TRUE(SoundDecode_Memory(bytes.data(), bytes.size(), fromMemory, error)) << error;
        EXPECT_EQ(fromFile.channels, c.channels);
        EXPECT_EQ(fromFile.rate, c.rate);
        EXPECT_NEAR(double(fromFile.Frames()), c.rate * 0.25, c.rate * 0.01);
        EXPECT_EQ(fromMemory.samples, fromFile.samples);
        int peak = 0;
        for (int16_t s : fromFile.samples) peak = std::max(peak, std::abs(int(s)));
        EXPECT_NEAR(peak / 32768.0, 0.5, 0.03);
    }
}

TEST(SoundDecode, RejectsWhatIsNoSound) {
    const std::string dir = TestDirectory("SoundDecodeBad");
    const std::string wav = dir + "/tone.wav";
    WriteTone(wav, SF_FORMAT_WAV | SF_FORMAT_PCM_16, 22050, 1, 0.1, 0.5);
    std::vector<uint8_t> truncated = ReadBytes(wav);
    truncated.resize(20);
    const std::vector<uint8_t> text = {'n', 'o', 't', ' ', 'a', ' ', 's', 'o', 'u', 'n', 'd', '\n'};
    for (const std::vector<uint8_t>* bytes : std::initializer_list<const std::vector<uint8_t>*>{&truncated, &text}) {
        TDecodedSound out;
        std::string error;
        EXPECT_FALSE(SoundDecode_Memory(bytes->data(), bytes->size(), out, error));
        EXPECT_FALSE(error.empty());
    }
    TDecodedSound out;
    std::string error;
    EXPECT_FALSE(SoundDecode_Memory(nullptr, 0, out, error));
    EXPECT_FALSE(SoundDecode_File(dir + "/missing.wav", out, error));
}

// A stream plays to its end on the loopback device; no frame's update waits long for it.
TEST(MusicStream, PlaysToItsEndWithoutStallingAFrame) {
    const std::string dir = TestDirectory("MusicStream");
    const std::string path = dir + "/long.flac";
    WriteTone(path, SF_FORMAT_FLAC | SF_FORMAT_PCM_16, 44100, 2, 3.0, 0.4);
    ASSERT_TRUE(AudioDevice_Open(true));
    double slowest = 0;
    int frames = 0;
    std::vector<float> render(size_t(kFramePeriod) * 2);
    std::vector<float> level;
    {
        TMusicStream music;
        std::string error;
        ASSERT_TRUE(music.PlayFile(path, false, error)) << error;
        while (music.Playing() && frames < 200) {
            const auto start = std::chrono::steady_clock::now();
            music.Update();
            slowest =
                std::max(slowest, std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
            AudioDevice_Render(render.data(), kFramePeriod);
            double sum = 0;
            for (float v : render) sum += double(v) * v;
            level.push_back(std::sqrt(sum / double(render.size())));
            ++frames;
        }
    }
    AudioDevice_Close();
    // Three seconds at 30 frames a second, and a frame or two for the last pieces.
    EXPECT_GE(frames, 89);
    EXPECT_LE(frames, 95);
    for (int k = 1; k < 88; ++k) EXPECT_GT(level[size_t(k)], 0.1) << "frame " << k;
    EXPECT_LT(slowest, 0.1);
}

// A device opened in the background is the one AudioDevice_Open gives, and renders; one
// nobody takes over is closed with the rest.
TEST(AudioDevice, ABackgroundOpeningIsTakenOverOrClosed) {
    AudioDevice_OpenInBackground(true);
    ASSERT_TRUE(AudioDevice_Open(true));
    EXPECT_EQ(AudioDevice_Kind(), TAudioDeviceKind::Loopback);
    std::vector<float> render(size_t(kFramePeriod) * 2, 1.0f);
    AudioDevice_Render(render.data(), kFramePeriod);
    for (float v : render) ASSERT_EQ(v, 0.0f);  // nothing plays: silence was written
    AudioDevice_OpenInBackground(true);         // already open: nothing starts
    AudioDevice_Close();
    EXPECT_EQ(AudioDevice_Kind(), TAudioDeviceKind::None);

    AudioDevice_OpenInBackground(true);
    AudioDevice_Close();
    EXPECT_EQ(AudioDevice_Kind(), TAudioDeviceKind::None);
    // Still usable the ordinary way afterwards.
    ASSERT_TRUE(AudioDevice_Open(true));
    EXPECT_EQ(AudioDevice_Kind(), TAudioDeviceKind::Loopback);
    AudioDevice_Close();
}

// --- games --------------------------------------------------------------------------------

struct TCapture {
    std::vector<float> samples;  // interleaved stereo

    // Root mean square of one channel (0 left, 1 right; 2 both) over game frames
    // [first, last] (the render of frame k is the k-th period).
    double Rms(int first, int last, int channel = 2) const {
        double sum = 0;
        size_t n = 0;
        for (size_t i = size_t(first - 1) * kFramePeriod; i < size_t(last) * kFramePeriod && 2 * i + 1 < samples.size();
             ++i)
            for (int c = 0; c < 2; ++c)
                if (channel == 2 || channel == c) {
                    sum += double(samples[2 * i + size_t(c)]) * samples[2 * i + size_t(c)];
                    ++n;
                }
        return n ? std::sqrt(sum / double(n)) : 0;
    }
    // The first sample at or after `from` louder than `threshold`, -1 when none.
    long Onset(long from, float threshold = 0.01f) const {
        for (size_t i = size_t(from); 2 * i + 1 < samples.size(); ++i)
            if (std::fabs(samples[2 * i]) > threshold || std::fabs(samples[2 * i + 1]) > threshold) return long(i);
        return -1;
    }
    // Samples from `from` to the last one louder than the threshold before `to`.
    long Extent(long from, long to, float threshold = 0.01f) const {
        long last = from;
        for (long i = from; i < to && 2 * size_t(i) + 1 < samples.size(); ++i)
            if (std::fabs(samples[2 * size_t(i)]) > threshold || std::fabs(samples[2 * size_t(i) + 1]) > threshold)
                last = i;
        return last - from;
    }
};

TCapture ReadCapture(const std::string& path) {
    TCapture c;
    SF_INFO info{};
    SNDFILE* f = sf_open(path.c_str(), SFM_READ, &info);
    EXPECT_NE(f, nullptr) << path;
    if (f == nullptr) return c;
    EXPECT_EQ(info.channels, 2);
    EXPECT_EQ(info.samplerate, kRenderRate);
    c.samples.resize(size_t(info.frames) * 2);
    sf_readf_float(f, c.samples.data(), info.frames);
    sf_close(f);
    return c;
}

// One object whose step event acts at fixed steps; each act is heard from the next
// frame's render on.
const char kTimeline[] = R"(t += 1;
switch (t) {
    case 5: sound_play(snd_tone); break;
    case 30: sound_volume(snd_tone, 0.5); sound_play(snd_tone); break;
    case 60: sound_volume(snd_tone, 1); audio_play_sound_at(snd_tone, -100, 0, 0, 100, 1000, 1, false, 1); break;
    case 90: audio_play_sound_at(snd_tone, 100, 0, 0, 100, 1000, 1, false, 1); break;
    case 120: sound_loop(snd_tone); sound_fade(snd_tone, 0, 1000); break;
    case 160: sound_stop(snd_tone); sound_volume(snd_tone, 1); break;
    case 170: e = audio_emitter_create(); audio_emitter_pitch(e, 2); audio_play_sound_on(e, snd_tone, false, 1); break;
    case 200: sound_loop(snd_tone); break;
    case 220: sound_stop(snd_tone); break;
    case 240: repeat (5) sound_play(snd_tone); break;
}
)";

const char kManifest[] = R"({
  "game": { "name": "Sound Render" },
  "sounds": [ { "name": "snd_tone", "file": "tone.wav" } ],
  "objects": [ { "name": "obj_clock", "events": { "create": { "code": "t = 0;" }, "step": "clock.zs" } } ],
  "rooms": [ { "name": "rm", "speed": 30, "instances": [ { "object": "obj_clock" } ] } ]
})";

class SoundGame : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        project_ = std::make_unique<CProjectDir>("SoundGame");
        project_->Text("game.json", kManifest);
        project_->Text("clock.zs", kTimeline);
        // Half a second, quiet enough that four copies at once stay below full scale.
        WriteTone(project_->Path("tone.wav"), SF_FORMAT_WAV | SF_FORMAT_PCM_16, 44100, 1, 0.5, 0.2);
        CLineErrors errors;
        ASSERT_TRUE(Pack_Build(project_->Dir(), project_->Path("game.win"), PackOptions{}, errors))
            << ErrorText(errors);
        const std::string out = project_->Path("render.wav");
        run_ = RunProgram("zorvex", {"--headless", "--no-wait", "--frames", "260", "--audio-out", out, "-game",
                                     project_->Path("game.win")});
        capture_ = ReadCapture(out);
    }
    static void TearDownTestSuite() { project_.reset(); }

    static std::unique_ptr<CProjectDir> project_;
    static ProcessResult run_;
    static TCapture capture_;
};
std::unique_ptr<CProjectDir> SoundGame::project_;
ProcessResult SoundGame::run_;
TCapture SoundGame::capture_;

TEST_F(SoundGame, RendersInStepWithTheFrames) {
    EXPECT_EQ(run_.exitCode, 0) << run_.err;
    EXPECT_EQ(capture_.samples.size(), size_t(260) * kFramePeriod * 2);
    // Played during step 5: silent before, heard from the first sample of frame 6.
    EXPECT_LT(capture_.Rms(1, 5), 1e-6);
    const long onset = capture_.Onset(0);
    EXPECT_GE(onset, 5L * kFramePeriod);
    EXPECT_LT(onset, 6L * kFramePeriod);
    // Half a second long.
    EXPECT_NEAR(double(capture_.Extent(onset, 29L * kFramePeriod)), 0.5 * kRenderRate, kFramePeriod);
}

TEST_F(SoundGame, VolumeFadeAndStopChangeTheLevel) {
    const double full = capture_.Rms(7, 18);
    ASSERT_GT(full, 0.05);
    EXPECT_NEAR(capture_.Rms(32, 43) / full, 0.5, 0.03);
    // A fade to 0 over 1000 ms at 30 frames a second: 30 steps of 1/30.
    EXPECT_NEAR(capture_.Rms(136, 136) / full, 1.0 - 15.0 / 30.0, 0.05);
    EXPECT_NEAR(capture_.Rms(128, 128) / full, 1.0 - 7.0 / 30.0, 0.05);
    EXPECT_LT(capture_.Rms(151, 160), 1e-4);
    // A loop goes on until stopped: still heard after its half second, silent after the stop.
    EXPECT_NEAR(capture_.Rms(215, 220) / full, 1.0, 0.05);
    EXPECT_LT(capture_.Rms(222, 239), 1e-4);
}

TEST_F(SoundGame, FifthOverlappingPlayRestartsTheOldestSource) {
    const double full = capture_.Rms(7, 18);
    // Five plays in one step: four sources, the fifth play restarting the first.
    EXPECT_NEAR(capture_.Rms(242, 255) / full, 4.0, 0.2);
}

TEST_F(SoundGame, PositionMovesTheSoundBetweenChannels) {
    const double leftOfListener[2] = {capture_.Rms(62, 73, 0), capture_.Rms(62, 73, 1)};
    const double rightOfListener[2] = {capture_.Rms(92, 103, 0), capture_.Rms(92, 103, 1)};
    ASSERT_GT(leftOfListener[0] + leftOfListener[1], 0.01);
    // The listener looks along +z with +y up, so +x lies on its left.
    EXPECT_GT(leftOfListener[1], 2 * leftOfListener[0]);
    EXPECT_GT(rightOfListener[0], 2 * rightOfListener[1]);
}

TEST_F(SoundGame, EmitterPitchShortensTheSound) {
    const long onset = capture_.Onset(170L * kFramePeriod);
    ASSERT_GE(onset, 170L * kFramePeriod);
    EXPECT_NEAR(double(capture_.Extent(onset, 199L * kFramePeriod)), 0.25 * kRenderRate, kFramePeriod);
}

TEST(SoundSwitches, NoAudioAnswersMinusOne) {
    CProjectDir project("SoundNoAudio");
    project.Text("game.json", R"({
  "game": { "name": "No Audio" },
  "sounds": [ { "name": "snd_tone", "file": "tone.wav" } ],
  "objects": [ { "name": "obj_main", "events": { "create": { "code":
    "show_debug_message(sound_play(snd_tone)); show_debug_message(sound_loop(snd_tone));
     show_debug_message(sound_isplaying(snd_tone)); show_debug_message(audio_play_sound(snd_tone, 1, false));
     show_debug_message(audio_play_music(snd_tone, false)); show_debug_message(sound_exists(snd_tone));" } } } ],
  "rooms": [ { "name": "rm", "instances": [ { "object": "obj_main" } ] } ]
})");
    WriteTone(project.Path("tone.wav"), SF_FORMAT_WAV | SF_FORMAT_PCM_16, 22050, 1, 0.1, 0.2);
    CLineErrors errors;
    ASSERT_TRUE(Pack_Build(project.Dir(), project.Path("game.win"), PackOptions{}, errors)) << ErrorText(errors);
    for (bool noAudio : {true, false}) {
        std::vector<std::string> args = {"--headless", "--no-wait", "--frames", "2", "-game", project.Path("game.win")};
        if (noAudio) args.push_back("-noaudio");
        ProcessResult p = RunProgram("zorvex", args);
        EXPECT_EQ(p.exitCode, 0) << p.err;
        EXPECT_EQ(p.out, noAudio ? "-1\n-1\n0\n-1\n-1\n1\n" : "1\n1\n1\n200000\n1\n1\n") << "-noaudio " << noAudio;
    }
}

// A bare file name is looked for beside the game, whatever folder the runner was started
// in; a name found nowhere adds nothing.
TEST(SoundSwitches, AddedSoundsAreFoundBesideTheGame) {
    CProjectDir project("SoundBeside");
    project.Text("game.json", R"({
  "game": { "name": "Sounds Beside" },
  "objects": [ { "name": "obj_main", "events": { "create": { "code":
    "i = sound_add(\"tone.wav\", 0, false); show_debug_message(i);
     show_debug_message(sound_replace(i, \"tone.wav\", 1, true)); show_debug_message(sound_get_kind(i));
     show_debug_message(sound_add(\"elsewhere.wav\", 0, false));" } } } ],
  "rooms": [ { "name": "rm", "instances": [ { "object": "obj_main" } ] } ]
})");
    WriteTone(project.Path("tone.wav"), SF_FORMAT_WAV | SF_FORMAT_PCM_16, 22050, 1, 0.1, 0.2);
    CLineErrors errors;
    ASSERT_TRUE(Pack_Build(project.Dir(), project.Path("game.win"), PackOptions{}, errors)) << ErrorText(errors);
    ASSERT_FALSE(std::filesystem::exists("tone.wav"));
    ProcessResult p = RunProgram(
        "zorvex", {"--headless", "--no-wait", "--frames", "2", "-noaudio", "-game", project.Path("game.win")});
    EXPECT_EQ(p.exitCode, 0) << p.err;
    EXPECT_EQ(p.out, "0\n1\n1\n-1\n");
}

// Data that is no sound and a missing sound are reported and the game goes on.
TEST(SoundSwitches, BadSoundsAreReportedAndTheGameGoesOn) {
    CProjectDir project("SoundBad");
    project.Text("junk.wav", "this is not a sound file at all\n");
    project.Text("game.json", R"({
  "game": { "name": "Bad Sounds" },
  "objects": [ { "name": "obj_main", "events": { "create": { "code":
    "i = sound_add(\")" + project.Path("junk.wav") +
                                  R"(\", 0, false); show_debug_message(i);
     show_debug_message(sound_play(i)); show_debug_message(sound_get_kind(i)); sound_play(99);
     show_debug_message(\"alive\");" } } } ],
  "rooms": [ { "name": "rm", "instances": [ { "object": "obj_main" } ] } ]
})");
    CLineErrors errors;
    ASSERT_TRUE(Pack_Build(project.Dir(), project.Path("game.win"), PackOptions{}, errors)) << ErrorText(errors);
    const std::string log = project.Path("log.txt");
    ProcessResult p = RunProgram(
        "zorvex", {"--headless", "--no-wait", "--frames", "2", "--log", log, "-game", project.Path("game.win")});
    EXPECT_EQ(p.exitCode, 0) << p.err;
    // Added, but it cannot be decoded: it turns to the music path, which cannot play it either.
    EXPECT_EQ(p.out, "0\n0\n3\nalive\n");
    EXPECT_NE(p.err.find("Sound does not exist."), std::string::npos) << p.err;
    std::ifstream in(log);
    const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    EXPECT_NE(text.find("ALUT error on load"), std::string::npos) << text;
    EXPECT_NE(text.find("error opening mp3 file junk.wav"), std::string::npos) << text;
}

}  // namespace
