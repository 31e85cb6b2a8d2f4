#pragma once
// The sound output under both sound systems: an OpenAL context on the machine's output
// device, or on a loopback device that the engine renders itself, frame by frame (runs
// without a window, and machines without a sound card). Everything here runs on the
// engine thread, but for a background opening, which keeps to its own state until it is
// collected; the context is current for the whole process.
#include <string>
#include <vector>

enum class TAudioDeviceKind { None, Output, Loopback };

// Opens the output device, or the loopback device when `loopback` is set or no output
// device can be opened. False when neither works (the game then plays silently). Takes
// over what an opening in the background made for the same `loopback`, waiting for it.
bool AudioDevice_Open(bool loopback);
// Starts opening the device as AudioDevice_Open(loopback) would, on a thread of its own,
// so that the sound system's slow start-up overlaps the window's and the graphics
// device's; AudioDevice_Open or AudioDevice_Close collects it. Nothing is said or
// printed by the thread.
void AudioDevice_OpenInBackground(bool loopback);
// Closes the device (and whatever a background opening made that nobody took over).
void AudioDevice_Close();
TAudioDeviceKind AudioDevice_Kind();
// The mixing rate of the loopback render (frames per second).
int AudioDevice_Rate();

// Loopback only: mixes `frames` stereo frames (interleaved floats, left first) into
// `out`, and keeps them for the capture file when one is set.
void AudioDevice_Render(float* out, int frames);
// Renders `frames` and keeps or drops them: the loopback's clock, once per game frame.
void AudioDevice_Advance(int frames);

// The loopback render is kept and written to `file` (a float WAV) when the device closes.
void AudioDevice_SetCaptureFile(const std::string& file);
// What was rendered so far (interleaved stereo), for the capture and for tests.
const std::vector<float>& AudioDevice_Captured();
