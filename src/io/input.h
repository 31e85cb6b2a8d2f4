#pragma once
// The player's input as the game sees it. Window events arrive at any time between
// frames and go into a pending copy; at the start of every frame the pending copy is
// latched into the visible state, so every event and script of one frame reads the
// same input. The visible state can be written to a file frame by frame and read back
// in place of the window's events (input_record.h has the block layout).
#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>
#include <string_view>

constexpr int kInputKeys = 256;
constexpr int kInputDevices = 5;
constexpr int kInputButtons = 3;
constexpr int kInputTextMax = 1024;
constexpr int kVirtualKeyCount = 128;
constexpr int kTouchPointCount = 128;

// The visible state. The items are the recorded ones, in their recorded order.
struct CInputState {
    uint16_t lastChar = 0;
    // UTF-16 units, zero-terminated.
    uint16_t text[kInputTextMax + 1] = {};
    int32_t lastKey = 0;
    int32_t key = 0;
    uint8_t keyDown[kInputKeys] = {};
    uint8_t keyReleased[kInputKeys] = {};
    uint8_t keyPressed[kInputKeys] = {};
    int32_t lastButton[kInputDevices] = {};
    int32_t button[kInputDevices] = {};
    // Per device, buttons 1 left, 2 right, 3 middle at [device * 3 + button - 1].
    uint8_t mouseDown[kInputDevices * kInputButtons] = {};
    uint8_t mouseReleased[kInputDevices * kInputButtons] = {};
    uint8_t mousePressed[kInputDevices * kInputButtons] = {};
    uint8_t wheelUp[kInputDevices] = {};
    uint8_t wheelDown[kInputDevices] = {};
    int32_t cursorX = 0;
    int32_t cursorY = 0;
    // Window client coordinates; only device 0 is ever fed (and recorded).
    int32_t rawX[kInputDevices] = {};
    int32_t rawY[kInputDevices] = {};
};

// What window events write; latched at the frame start.
struct CPendingInput {
    uint8_t keyDown[kInputKeys] = {};
    uint8_t keyPressed[kInputKeys] = {};
    uint8_t keyReleased[kInputKeys] = {};
    int32_t key = 0;
    int32_t lastKey = 0;
    uint16_t lastChar = 0;
    uint16_t text[kInputTextMax + 1] = {};
    int textLength = 0;
    uint8_t mouseDown[kInputButtons] = {};
    uint8_t mousePressed[kInputButtons] = {};
    uint8_t mouseReleased[kInputButtons] = {};
    int32_t button = 0;
    int32_t lastButton = 0;
    bool wheelUp = false;
    bool wheelDown = false;
    int32_t rawX = 0;
    int32_t rawY = 0;
};

// A screen rectangle that acts as a key or a mouse button while touched.
struct CVirtualKey {
    uint16_t flags = 0;  // bit 0 active, bit 1 shown
    uint16_t slot = 0;
    int32_t x = 0, y = 0, right = 0, bottom = 0, w = 0, h = 0;
    int32_t key = 0;
    int32_t button = 0;
};
constexpr uint16_t kVirtualKeyActive = 1;
constexpr uint16_t kVirtualKeyShown = 2;

struct CTouchPoint {
    bool touched = false;  // touched during this frame
    int32_t x = 0, y = 0;
};

// Sizes the frame start needs to place touches in the room: the window's, and the
// room's (the first view's port when views are on).
struct CInputFrameContext {
    int windowW = 0, windowH = 0;
    int roomW = 0, roomH = 0;
};

class CInput {
public:
    CInput();

    // --- window events ------------------------------------------------------------
    // Key codes are the engine's; the generic Shift, Control and Alt (16, 17, 18)
    // become their left or right codes by `leftHeld`.
    void KeyDown(int key, bool leftHeld = true);
    void KeyUp(int key, bool leftHeld = true);
    void Char(uint16_t c);
    void MouseMove(int x, int y);
    void ButtonDown(int button);
    void ButtonUp(int button);
    void Wheel(int delta);
    void Touch(int index, bool down, int x, int y);

    // --- the frame start -----------------------------------------------------------
    // Clears the per-frame flags, then latches the pending state (or reads the played
    // back block), updates the virtual keys and writes the recorded block.
    void BeginFrame(const CInputFrameContext& context);
    // The pending state into the visible one (part of BeginFrame).
    void Latch();

    // --- what scripts do -----------------------------------------------------------
    const CInputState& State() const { return m_state; }
    CInputState& MutableState() { return m_state; }
    const CPendingInput& Pending() const { return m_pending; }

    std::string Text() const;  // keyboard_string as UTF-8
    void SetText(std::string_view utf8);
    std::string LastChar() const;  // keyboard_lastchar as UTF-8 ("" for none)
    void SetLastChar(std::string_view utf8);
    void SetLastKey(int key);
    // mouse_lastbutton 0, visible and pending (mouse_wait waits for the next press).
    void ForgetLastButton() { m_state.lastButton[0] = m_pending.lastButton = 0; }

    int Map(int key) const { return key >= 0 && key < kInputKeys ? m_keyMap[key] : 0; }
    void SetMap(int from, int to);
    void ResetMap();

    // One key, one device-0 button, or everything (visible and pending).
    void ClearKey(int key);
    void ClearButton(int button);
    void ClearAll();

    // --- virtual keys ----------------------------------------------------------------
    // The handle (slot + 1), or 0 when every slot is taken.
    int AddVirtualKey(int x, int y, int w, int h, int key, int button = 0);
    // False for a handle outside 1..128.
    bool DeleteVirtualKey(int handle);
    bool ShowVirtualKey(int handle, bool shown);
    const CVirtualKey& VirtualKey(int slot) const { return m_virtualKeys[slot]; }

    // --- recording and playback ----------------------------------------------------
    bool Recording() const { return m_record != nullptr; }
    bool PlayingBack() const { return m_playback != nullptr; }
    // False with a message when the file cannot be opened.
    bool StartRecording(const std::string& path, std::string& error);
    bool StartPlayback(const std::string& path, std::string& error);
    // Closes the file (the end of the game).
    void StopRecording();
    // True once a played back file ran out or was damaged: input has ended.
    bool PlaybackEnded() const { return m_playbackEnded; }

    long FrameCounter() const { return m_frames; }
    // Everything back to the start-up state (files are left alone).
    void Reset();

private:
    void PlaybackFrame();
    void UpdateVirtualKeys(const CInputFrameContext& context);

    CInputState m_state;
    CPendingInput m_pending;
    int32_t m_keyMap[kInputKeys];
    CVirtualKey m_virtualKeys[kVirtualKeyCount];
    CTouchPoint m_touches[kTouchPointCount];
    uint64_t m_virtualMask[2] = {0, 0};
    bool m_firstLatch = true;
    long m_frames = 0;

    struct TCloser {
        void operator()(std::FILE* f) const { std::fclose(f); }
    };
    std::unique_ptr<std::FILE, TCloser> m_record;
    std::unique_ptr<std::FILE, TCloser> m_playback;
    std::string m_playbackPath;
    bool m_playbackEnded = false;
};

// The one input of the running game.
CInput& Input();

// The translation of the generic modifier keys: Shift 16 → 160 / 161, Control 17 →
// 162 / 163, Alt 18 → 164 / 165 (left / right); every other code stays.
int Input_SidedKey(int key, bool leftHeld);
