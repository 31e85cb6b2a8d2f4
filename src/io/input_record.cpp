#include "io/input_record.h"

#include <cstring>

namespace {

// Little-endian whatever the machine is.
class TWriter {
public:
    explicit TWriter(uint8_t* out) : m_out(out) {}
    void U16(uint16_t v) {
        m_out[m_at++] = uint8_t(v);
        m_out[m_at++] = uint8_t(v >> 8);
    }
    void I32(int32_t v) {
        const auto u = uint32_t(v);
        for (int i = 0; i < 4; ++i) m_out[m_at++] = uint8_t(u >> (8 * i));
    }
    void Bytes(const uint8_t* p, size_t n) {
        std::memcpy(m_out + m_at, p, n);
        m_at += n;
    }
    size_t At() const { return m_at; }

private:
    uint8_t* m_out;
    size_t m_at = 0;
};

class TReader {
public:
    explicit TReader(const uint8_t* in) : m_in(in) {}
    uint16_t U16() {
        const uint16_t v = uint16_t(m_in[m_at] | (m_in[m_at + 1] << 8));
        m_at += 2;
        return v;
    }
    int32_t I32() {
        uint32_t u = 0;
        for (int i = 0; i < 4; ++i) u |= uint32_t(m_in[m_at + size_t(i)]) << (8 * i);
        m_at += 4;
        return int32_t(u);
    }
    void Bytes(uint8_t* p, size_t n) {
        std::memcpy(p, m_in + m_at, n);
        m_at += n;
    }
    size_t At() const { return m_at; }

private:
    const uint8_t* m_in;
    size_t m_at = 0;
};

bool Flags(const uint8_t* p, size_t n) {
    for (size_t i = 0; i < n; ++i)
        if (p[i] > 1) return false;
    return true;
}

}  // namespace

void InputRecord_Encode(const CInputState& s, uint8_t* out) {
    TWriter w(out);
    w.U16(s.lastChar);
    for (uint16_t unit : s.text) w.U16(unit);
    w.I32(s.lastKey);
    w.I32(s.key);
    w.Bytes(s.keyDown, sizeof s.keyDown);
    w.Bytes(s.keyReleased, sizeof s.keyReleased);
    w.Bytes(s.keyPressed, sizeof s.keyPressed);
    for (int32_t v : s.lastButton) w.I32(v);
    for (int32_t v : s.button) w.I32(v);
    w.Bytes(s.mouseDown, sizeof s.mouseDown);
    w.Bytes(s.mouseReleased, sizeof s.mouseReleased);
    w.Bytes(s.mousePressed, sizeof s.mousePressed);
    w.Bytes(s.wheelUp, sizeof s.wheelUp);
    w.Bytes(s.wheelDown, sizeof s.wheelDown);
    w.I32(s.cursorX);
    w.I32(s.cursorY);
    w.I32(s.rawX[0]);
    w.I32(s.rawY[0]);
}

bool InputRecord_Decode(const uint8_t* in, CInputState& state, std::string& problem) {
    CInputState s;
    TReader r(in);
    s.lastChar = r.U16();
    for (uint16_t& unit : s.text) unit = r.U16();
    s.lastKey = r.I32();
    s.key = r.I32();
    r.Bytes(s.keyDown, sizeof s.keyDown);
    r.Bytes(s.keyReleased, sizeof s.keyReleased);
    r.Bytes(s.keyPressed, sizeof s.keyPressed);
    for (int32_t& v : s.lastButton) v = r.I32();
    for (int32_t& v : s.button) v = r.I32();
    r.Bytes(s.mouseDown, sizeof s.mouseDown);
    r.Bytes(s.mouseReleased, sizeof s.mouseReleased);
    r.Bytes(s.mousePressed, sizeof s.mousePressed);
    r.Bytes(s.wheelUp, sizeof s.wheelUp);
    r.Bytes(s.wheelDown, sizeof s.wheelDown);
    s.cursorX = r.I32();
    s.cursorY = r.I32();
    s.rawX[0] = r.I32();
    s.rawY[0] = r.I32();

    bool ended = false;
    for (uint16_t unit : s.text) ended = ended || unit == 0;
    if (!ended) return problem = "keyboard_string has no end", false;
    if (s.lastKey < 0 || s.lastKey >= kInputKeys || s.key < 0 || s.key >= kInputKeys)
        return problem = "a key code outside 0..255", false;
    for (int d = 0; d < kInputDevices; ++d)
        if (s.button[d] < 0 || s.button[d] > kInputButtons || s.lastButton[d] < 0 || s.lastButton[d] > kInputButtons)
            return problem = "a mouse button outside 0..3", false;
    if (!Flags(s.keyDown, sizeof s.keyDown) || !Flags(s.keyReleased, sizeof s.keyReleased) ||
        !Flags(s.keyPressed, sizeof s.keyPressed) || !Flags(s.mouseDown, sizeof s.mouseDown) ||
        !Flags(s.mouseReleased, sizeof s.mouseReleased) || !Flags(s.mousePressed, sizeof s.mousePressed) ||
        !Flags(s.wheelUp, sizeof s.wheelUp) || !Flags(s.wheelDown, sizeof s.wheelDown))
        return problem = "a key or button flag other than 0 or 1", false;
    state = s;
    return true;
}

static_assert(2 + 2 * (kInputTextMax + 1) + 4 + 4 + 3 * kInputKeys + 2 * 4 * kInputDevices +
                      3 * kInputDevices * kInputButtons + 2 * kInputDevices + 8 + 4 + 4 ==
                  kInputBlockSize,
              "the recorded block is the items' sizes added up");
