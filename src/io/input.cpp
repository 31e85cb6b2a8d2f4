#include "io/input.h"
#include "io/utf8.h"

#include <cerrno>
#include <cstring>

#include "io/input_record.h"
#include "platform/display.h"

namespace {

bool ValidKey(int key) { return key >= 0 && key < kInputKeys; }
bool ValidButton(int button) { return button >= 1 && button <= kInputButtons; }

int TextLength(const uint16_t* text) {
    int n = 0;
    while (n < kInputTextMax && text[n] != 0) ++n;
    return n;
}

// UTF-8 to UTF-16 units; bad bytes are skipped.
int ToUnits(std::string_view utf8, uint16_t* out, int max) {
    int n = 0;
    for (size_t i = 0; i < utf8.size() && n < max;) {
        const auto b = uint8_t(utf8[i]);
        uint32_t cp = 0;
        size_t len = 0;
        if (b < 0x80) cp = b, len = 1;
        else if ((b & 0xE0) == 0xC0) cp = b & 0x1F, len = 2;
        else if ((b & 0xF0) == 0xE0) cp = b & 0x0F, len = 3;
        else if ((b & 0xF8) == 0xF0) cp = b & 0x07, len = 4;
        else {
            ++i;
            continue;
        }
        if (i + len > utf8.size()) break;
        bool ok = true;
        for (size_t k = 1; k < len; ++k) {
            const auto c = uint8_t(utf8[i + k]);
            if ((c & 0xC0) != 0x80) ok = false;
            cp = (cp << 6) | (c & 0x3F);
        }
        i += ok ? len : 1;
        if (!ok) continue;
        if (cp >= 0x10000) {
            if (n + 2 > max) break;
            cp -= 0x10000;
            out[n++] = uint16_t(0xD800 + (cp >> 10));
            out[n++] = uint16_t(0xDC00 + (cp & 0x3FF));
        } else {
            out[n++] = uint16_t(cp);
        }
    }
    return n;
}

std::string FromUnits(const uint16_t* units, int n) {
    std::string out;
    for (int i = 0; i < n; ++i) {
        uint32_t cp = units[i];
        if (cp >= 0xD800 && cp < 0xDC00 && i + 1 < n && units[i + 1] >= 0xDC00 && units[i + 1] < 0xE000) {
            cp = 0x10000 + ((cp - 0xD800) << 10) + (units[i + 1] - 0xDC00);
            ++i;
        }
        Utf8_Append(out, cp);
    }
    return out;
}

}  // namespace

int Input_SidedKey(int key, bool leftHeld) {
    switch (key) {
    case 16: return leftHeld ? 160 : 161;
    case 17: return leftHeld ? 162 : 163;
    case 18: return leftHeld ? 164 : 165;
    default: return key;
    }
}

CInput& Input() {
    static CInput input;
    return input;
}

CInput::CInput() { Reset(); }

void CInput::Reset() {
    m_state = CInputState{};
    m_pending = CPendingInput{};
    ResetMap();
    for (int i = 0; i < kVirtualKeyCount; ++i) m_virtualKeys[i] = CVirtualKey{0, uint16_t(i)};
    for (CTouchPoint& t : m_touches) t = CTouchPoint{};
    m_virtualMask[0] = m_virtualMask[1] = 0;
    m_firstLatch = true;
    m_frames = 0;
}

// --- window events ------------------------------------------------------------------------

void CInput::KeyDown(int key, bool leftHeld) {
    if (!ValidKey(key)) return;
    const int m = m_keyMap[Input_SidedKey(key, leftHeld)];
    if (!ValidKey(m)) return;
    m_pending.lastKey = m;
    m_pending.key = m;
    if (!m_pending.keyDown[m]) m_pending.keyPressed[m] = 1;
    m_pending.keyDown[m] = 1;
}

void CInput::KeyUp(int key, bool leftHeld) {
    if (!ValidKey(key)) return;
    const int m = m_keyMap[Input_SidedKey(key, leftHeld)];
    if (!ValidKey(m)) return;
    if (m == m_pending.key) m_pending.key = 0;
    m_pending.keyDown[m] = 0;
    // A press not yet latched stays: a key tapped between two frames is seen pressed
    // and released in the next one.
    m_pending.keyReleased[m] = 1;
}

void CInput::Char(uint16_t c) {
    m_pending.lastChar = c;
    if (c == 8) {
        if (m_pending.textLength > 0) --m_pending.textLength;
    } else if (c >= 32) {
        // A full text starts again: the 1024th character typed is its first.
        if (m_pending.textLength >= kInputTextMax - 1) m_pending.textLength = 0;
        m_pending.text[m_pending.textLength++] = c;
    }
    m_pending.text[m_pending.textLength] = 0;
}

void CInput::MouseMove(int x, int y) {
    m_pending.rawX = x;
    m_pending.rawY = y;
}

void CInput::ButtonDown(int button) {
    if (!ValidButton(button)) return;
    m_pending.button = m_pending.lastButton = button;
    if (!m_pending.mouseDown[button - 1]) m_pending.mousePressed[button - 1] = 1;
    m_pending.mouseDown[button - 1] = 1;
}

void CInput::ButtonUp(int button) {
    if (!ValidButton(button)) return;
    m_pending.button = 0;
    m_pending.mouseDown[button - 1] = 0;
    m_pending.mouseReleased[button - 1] = 1;
}

void CInput::Wheel(int delta) {
    if (delta > 0) m_pending.wheelUp = true;
    if (delta < 0) m_pending.wheelDown = true;
}

void CInput::Touch(int index, bool down, int x, int y) {
    if (index < 0 || index >= kTouchPointCount) return;
    CTouchPoint& t = m_touches[index];
    if (down) t.touched = true;
    t.x = x;
    t.y = y;
}

// --- the frame start ------------------------------------------------------------------------

void CInput::BeginFrame(const CInputFrameContext& context) {
    ++m_frames;
    std::memset(m_state.keyReleased, 0, sizeof m_state.keyReleased);
    std::memset(m_state.keyPressed, 0, sizeof m_state.keyPressed);
    std::memset(m_state.mousePressed, 0, sizeof m_state.mousePressed);
    std::memset(m_state.mouseReleased, 0, sizeof m_state.mouseReleased);
    std::memset(m_state.wheelUp, 0, sizeof m_state.wheelUp);
    std::memset(m_state.wheelDown, 0, sizeof m_state.wheelDown);
    if (m_playback || m_playbackEnded) {
        PlaybackFrame();
        return;
    }
    Latch();
    UpdateVirtualKeys(context);
    if (m_record) {
        uint8_t block[kInputBlockSize];
        InputRecord_Encode(m_state, block);
        // Flushed every frame, so a game that dies still leaves its input behind.
        if (std::fwrite(block, 1, sizeof block, m_record.get()) != sizeof block || std::fflush(m_record.get()) != 0) {
            std::fprintf(stderr, "zorvex: cannot write the input recording; recording stops at frame %ld\n", m_frames);
            m_record.reset();
        }
    }
}

void CInput::Latch() {
    CInputState& s = m_state;
    CPendingInput& p = m_pending;
    if (m_firstLatch) {
        // What scripts wrote before the first frame is kept, unless a window event has
        // given the value since (events before the first frame are never lost).
        m_firstLatch = false;
        if (p.lastChar == 0) p.lastChar = s.lastChar;
        if (p.key == 0) p.key = s.key;
        if (p.lastKey == 0) p.lastKey = s.lastKey;
        if (p.button == 0) p.button = s.button[0];
        if (p.lastButton == 0) p.lastButton = s.lastButton[0];
    }
    Display_MousePosition(s.cursorX, s.cursorY);
    s.lastChar = p.lastChar;
    std::memcpy(s.text, p.text, sizeof s.text);
    s.rawX[0] = p.rawX;
    s.rawY[0] = p.rawY;
    std::memcpy(s.keyDown, p.keyDown, sizeof s.keyDown);
    s.key = p.key;
    s.lastKey = p.lastKey;
    for (int k = 0; k < kInputKeys; ++k) {
        if (p.keyPressed[k]) s.keyPressed[k] = 1;
        if (p.keyReleased[k]) s.keyReleased[k] = 1;
    }
    s.button[0] = p.button;
    s.lastButton[0] = p.lastButton;
    for (int b = 0; b < kInputButtons; ++b) {
        s.mouseDown[b] = p.mouseDown[b];
        if (p.mousePressed[b]) s.mousePressed[b] = 1;
        if (p.mouseReleased[b]) s.mouseReleased[b] = 1;
    }
    s.wheelUp[0] = p.wheelUp ? 1 : 0;
    s.wheelDown[0] = p.wheelDown ? 1 : 0;
    std::memset(p.keyPressed, 0, sizeof p.keyPressed);
    std::memset(p.keyReleased, 0, sizeof p.keyReleased);
    std::memset(p.mousePressed, 0, sizeof p.mousePressed);
    std::memset(p.mouseReleased, 0, sizeof p.mouseReleased);
    p.wheelUp = p.wheelDown = false;
}

void CInput::UpdateVirtualKeys(const CInputFrameContext& c) {
    uint64_t mask[2] = {0, 0};
    for (CTouchPoint& t : m_touches) {
        if (!t.touched) continue;
        t.touched = false;
        const double px = c.windowW > 0 ? double(t.x) * c.roomW / c.windowW : t.x;
        const double py = c.windowH > 0 ? double(t.y) * c.roomH / c.windowH : t.y;
        for (const CVirtualKey& v : m_virtualKeys) {
            if (!(v.flags & kVirtualKeyActive)) continue;
            if (v.x <= px && px < v.right && v.y <= py && py < v.bottom)
                mask[v.slot / 64] |= uint64_t(1) << (v.slot % 64);
        }
    }
    for (const CVirtualKey& v : m_virtualKeys) {
        if (!(v.flags & kVirtualKeyActive)) continue;
        const uint64_t bit = uint64_t(1) << (v.slot % 64);
        const bool now = (mask[v.slot / 64] & bit) != 0;
        const bool changed = now != ((m_virtualMask[v.slot / 64] & bit) != 0);
        uint8_t *down = nullptr, *pressed = nullptr, *released = nullptr;
        if (v.key != 0 && ValidKey(v.key)) {
            down = &m_state.keyDown[v.key];
            pressed = &m_state.keyPressed[v.key];
            released = &m_state.keyReleased[v.key];
        } else if (ValidButton(v.button)) {
            down = &m_state.mouseDown[v.button - 1];
            pressed = &m_state.mousePressed[v.button - 1];
            released = &m_state.mouseReleased[v.button - 1];
        } else {
            continue;
        }
        if (now && changed) *pressed = 1;
        if (now && !changed) *down = 1;
        if (!now && changed) *released = 1;
    }
    m_virtualMask[0] = mask[0];
    m_virtualMask[1] = mask[1];
}

void CInput::PlaybackFrame() {
    if (!m_playback) {
        // The played back input has ended: nothing is held from here on.
        CInputState empty;
        std::memcpy(empty.text, m_state.text, sizeof empty.text);
        m_state = empty;
        return;
    }
    uint8_t block[kInputBlockSize];
    const size_t got = std::fread(block, 1, sizeof block, m_playback.get());
    std::string problem;
    if (got == sizeof block && InputRecord_Decode(block, m_state, problem)) return;
    if (got == 0 && std::feof(m_playback.get()))
        std::fprintf(stderr, "zorvex: the input file %s ends after %ld frames; input stops here\n",
                     m_playbackPath.c_str(), m_frames - 1);
    else if (got != sizeof block)
        std::fprintf(stderr,
                     "zorvex: the input file %s ends inside the block of frame %ld (%zu of %zu bytes); input stops "
                     "here\n",
                     m_playbackPath.c_str(), m_frames, got, kInputBlockSize);
    else
        std::fprintf(stderr, "zorvex: the input file %s is damaged at frame %ld (%s); input stops here\n",
                     m_playbackPath.c_str(), m_frames, problem.c_str());
    m_playback.reset();
    m_playbackEnded = true;
    PlaybackFrame();
}

// --- what scripts do --------------------------------------------------------------------------

std::string CInput::Text() const { return FromUnits(m_state.text, TextLength(m_state.text)); }

void CInput::SetText(std::string_view utf8) {
    uint16_t units[kInputTextMax + 1] = {};
    const int n = ToUnits(utf8, units, kInputTextMax);
    std::memcpy(m_state.text, units, sizeof units);
    std::memcpy(m_pending.text, units, sizeof units);
    m_state.text[n] = m_pending.text[n] = 0;
    m_pending.textLength = n;
}

std::string CInput::LastChar() const {
    if (m_state.lastChar == 0) return {};
    return FromUnits(&m_state.lastChar, 1);
}

void CInput::SetLastChar(std::string_view utf8) {
    uint16_t units[2] = {};
    ToUnits(utf8, units, 1);
    m_state.lastChar = units[0];
}

void CInput::SetLastKey(int key) {
    m_state.lastKey = key;
    m_pending.lastKey = 0;
    m_pending.key = 0;
}

void CInput::SetMap(int from, int to) {
    if (ValidKey(from) && ValidKey(to)) m_keyMap[from] = to;
}

void CInput::ResetMap() {
    for (int k = 0; k < kInputKeys; ++k) m_keyMap[k] = k;
}

void CInput::ClearKey(int key) {
    if (!ValidKey(key)) return;
    m_state.keyDown[key] = m_state.keyPressed[key] = m_state.keyReleased[key] = 0;
    m_pending.keyDown[key] = m_pending.keyPressed[key] = m_pending.keyReleased[key] = 0;
}

void CInput::ClearButton(int button) {
    if (!ValidButton(button)) return;
    const int b = button - 1;
    m_state.mouseDown[b] = m_state.mousePressed[b] = m_state.mouseReleased[b] = 0;
    m_pending.mouseDown[b] = m_pending.mousePressed[b] = m_pending.mouseReleased[b] = 0;
}

void CInput::ClearAll() {
    const int32_t cx = m_state.cursorX, cy = m_state.cursorY;
    int32_t rawX[kInputDevices], rawY[kInputDevices];
    std::memcpy(rawX, m_state.rawX, sizeof rawX);
    std::memcpy(rawY, m_state.rawY, sizeof rawY);
    const int32_t prx = m_pending.rawX, pry = m_pending.rawY;
    // The mouse stays where it is: clearing is about keys, buttons and text.
    m_state = CInputState{};
    m_pending = CPendingInput{};
    m_state.cursorX = cx, m_state.cursorY = cy;
    std::memcpy(m_state.rawX, rawX, sizeof rawX);
    std::memcpy(m_state.rawY, rawY, sizeof rawY);
    m_pending.rawX = prx, m_pending.rawY = pry;
}

// --- virtual keys ---------------------------------------------------------------------------

int CInput::AddVirtualKey(int x, int y, int w, int h, int key, int button) {
    for (CVirtualKey& v : m_virtualKeys) {
        if (v.flags & kVirtualKeyActive) continue;
        const uint16_t slot = v.slot;
        v = CVirtualKey{kVirtualKeyActive, slot, x, y, x + w, y + h, w, h, key, button};
        return slot + 1;
    }
    return 0;
}

bool CInput::DeleteVirtualKey(int handle) {
    if (handle < 1 || handle > kVirtualKeyCount) return false;
    CVirtualKey& v = m_virtualKeys[handle - 1];
    v = CVirtualKey{0, v.slot};
    return true;
}

bool CInput::ShowVirtualKey(int handle, bool shown) {
    if (handle < 1 || handle > kVirtualKeyCount) return false;
    CVirtualKey& v = m_virtualKeys[handle - 1];
    v.flags = uint16_t(shown ? v.flags | kVirtualKeyShown : v.flags & ~kVirtualKeyShown);
    return true;
}

// --- recording and playback -------------------------------------------------------------------

bool CInput::StartRecording(const std::string& path, std::string& error) {
    m_record.reset(std::fopen(path.c_str(), "w+b"));
    if (!m_record) error = "cannot create the input recording " + path + ": " + std::strerror(errno);
    return m_record != nullptr;
}

bool CInput::StartPlayback(const std::string& path, std::string& error) {
    m_record.reset();
    m_playbackEnded = false;
    m_playbackPath = path;
    m_playback.reset(std::fopen(path.c_str(), "rb"));
    if (!m_playback) error = "cannot open the input file " + path + ": " + std::strerror(errno);
    return m_playback != nullptr;
}

void CInput::StopRecording() {
    m_record.reset();
    m_playback.reset();
    m_playbackEnded = false;
}
