#pragma once
// The script value: a real or a text. A value owns its text; copies duplicate it.
// Texts are zero-terminated UTF-8 from the memory manager; a null text is the empty text.
#include <cstdint>
#include <string>
#include <string_view>

void Text_Free(char* text);

class CValue {
public:
    enum Kind : int32_t { kReal = 0, kString = 1 };

    int32_t kind = kReal;
    char* str = nullptr;
    double val = 0.0;

    CValue() = default;
    explicit CValue(double v) : val(v) {}
    explicit CValue(std::string_view text) { SetString(text); }
    CValue(const CValue& other) { Copy(other); }
    CValue(CValue&& other) noexcept : kind(other.kind), str(other.str), val(other.val) {
        other.str = nullptr;
        other.kind = kReal;
        other.val = 0;
    }
    CValue& operator=(const CValue& other) {
        if (this != &other) Copy(other);
        return *this;
    }
    CValue& operator=(CValue&& other) noexcept;
    ~CValue() {
        if (str) Text_Free(str);
    }

    // Target from source: kind and number copied, text duplicated.
    void Copy(const CValue& other);
    // Frees the text and leaves the real 0.
    void Release();
    void SetReal(double v);
    // Stores a fresh copy of the text (reusing the current buffer when it is large enough).
    void SetString(std::string_view text);
    // Takes over a text allocated with Text_Alloc (null: the empty text).
    void TakeString(char* text);

    bool IsReal() const { return kind == kReal; }
    bool IsString() const { return kind == kString; }
    // The text, "" for null.
    const char* Text() const { return str ? str : ""; }
};

// Texts of values and machine items come from the memory manager.
char* Text_Alloc(size_t length);  // length + 1 bytes, terminated
char* Text_Duplicate(std::string_view text);
char* Text_Duplicate(const char* text);  // null stays null
void Text_Free(char* text);

// Text forms of a real.
std::string Real_ToMachineText(double v);  // "%g" with an exponent of at least three digits
std::string Real_ToStringForm(double v);   // the `string` built-in: "%d" when integral, else "%.2f"
std::string Real_ToDumpText(double v);     // variable dumps: "%d" when integral, else "%f"
// The dump form of a value: a real as above, a text in double quotes.
std::string Value_ToDumpText(const CValue& v);

// Number forms of a text.
double Text_ToReal(const char* text);         // longest decimal prefix, 0 without digits
int32_t Text_ToInt(const char* text);         // decimal integer prefix, clamped to 32 bits
double Text_ToRealBuiltin(const char* text);  // the `real` built-in: strips bytes below 33 (signed) first

// Truth of a real.
inline bool Real_IsTrue(double v) { return v > 0.5; }

// Truncation toward zero. A value outside the target's range (and NaN) gives the
// smallest integer, which is what the hardware's truncating conversion gives for them,
// so games that overflow a conversion see what they always saw and we stay free of UB.
int32_t Real_TruncToInt32(double v);
int64_t Real_TruncToInt64(double v);

// Whether the real is a whole number inside the 32-bit range (the "%d" forms print it so).
bool Real_IsInt32(double v);
