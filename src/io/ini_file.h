#pragma once

#include <list>
#include <optional>
#include <string>
#include <string_view>

// One ini file held in memory: sections of "name=value" keys.
//
// Sections and keys live in lists to which every new entry is added at the
// front, exactly as the parser meets them; lookups take the first match in
// list order. So among duplicates the one nearest the end of the file wins,
// and every parse-and-write cycle reverses the order of sections and of the
// keys inside each section. Games have always seen their ini files behave
// like that, so it stays.
//
// Names are compared byte by byte, case-sensitively.
//
// Keys that come before the first "[" go into a headerless section. It is
// addressed by the empty section name "" and is written back as bare key
// lines at the top of the file (no "[]" header, which would turn it into a
// named section on the next read). An explicit "[]" header in a file does
// make an ordinary section whose name is empty; being nearer the front of the
// list it then shadows the headerless block for lookups by "".
//
// Parsing rules, and what happens with broken lines:
//  - a UTF-8 byte order mark at the very start of the text is skipped (text
//    editors like to add one, and without this the first header would be lost);
//  - whitespace and comments ("#" or ";" to the end of the line) are skipped
//    between entries; line feeds are counted;
//  - "[" opens a section whose name runs to the next "]"; whatever follows the
//    "]" is parsed as further entries. If the line (or the text) ends before a
//    "]", the rest of the line is taken as the name, so a header with a typo
//    still keeps its keys out of the section above it;
//  - any other line is a key whose name runs to the first "=" (trailing spaces
//    and tabs dropped). A line with no "=" before its end is ignored whole;
//  - after "=" whitespace is skipped; if that reaches the end of the line or of
//    the text, the key has no value and is dropped. The value runs to the first
//    CR, LF, "#", ";" or the end of the text, trailing spaces and tabs dropped.
//    (A comment straight after "=", as in "k= ;note", leaves an empty value,
//    which is kept.)
// Every step of the parser consumes at least one byte and never looks beyond
// the text, so any input terminates.
//
// What cannot survive a write and re-read: empty values (they come back as
// "k=" and are dropped), values with leading whitespace, "#", ";" or line ends,
// and key names with "=" - the format has no escapes.
class CIniFile {
public:
    struct Key {
        std::string name;
        std::string value;
    };

    struct Section {
        std::string name;
        bool headerless = false;  // the keys before the first "[" of the file
        std::list<Key> keys;      // newest first
    };

    // Same state as parsing an empty text: just an empty headerless section.
    CIniFile();

    // Replaces the whole contents with the parsed text and clears the dirty
    // flag. Returns false when the text had broken lines (a key line without
    // "=", a header without "]"); they are handled as described above either way.
    bool ParseText(std::string_view text);

    // Reads the file whole and parses it. A missing or unreadable file (or one
    // too big to be an ini file) leaves an empty ini and returns false; a file
    // that was read returns true even if some of its lines were broken.
    bool Load(const std::string& path);

    // Writes Serialize() to path, creating the parent directories. The text goes
    // to a temporary file beside the target first and is renamed over it, so a
    // failed or interrupted write leaves the previous file as it was. Clears the
    // dirty flag on success.
    bool Save(const std::string& path);

    // The file text: the headerless section's keys first, then for each named
    // section in list order "[name]" and its keys as "name=value", every line
    // ending in CR LF.
    std::string Serialize() const;

    // Value of the first matching key of the first matching section, or null.
    // The pointer is valid until the next change to this object.
    const std::string* Find(std::string_view section, std::string_view key) const;
    std::optional<std::string> Value(std::string_view section, std::string_view key) const;

    std::string ReadString(std::string_view section, std::string_view key, std::string_view def) const;
    // A present value is always converted (text that is not a number gives 0);
    // a missing one gives the default as it is.
    double ReadReal(std::string_view section, std::string_view key, double def) const;
    // Missing key: a non-empty default text converted, else 0.
    double ReadReal(std::string_view section, std::string_view key, std::string_view defText) const;
    // Decimal integer (leading number, else 0; saturates at the long range).
    long ReadInt(std::string_view section, std::string_view key, long def) const;

    bool KeyExists(std::string_view section, std::string_view key) const;
    bool SectionExists(std::string_view section) const;

    // Sets the first matching key, adding the section and/or the key at the
    // front of their lists when missing. Marks the file changed.
    void WriteString(std::string_view section, std::string_view key, std::string_view value);
    // Remove the first match only (a duplicate behind it becomes visible).
    // They return whether something was removed and only then mark the file
    // changed: a needless rewrite would reorder the file on disk.
    bool KeyDelete(std::string_view section, std::string_view key);
    bool SectionDelete(std::string_view section);

    bool Dirty() const { return dirty_; }
    // Line the last parse ended on: 1 plus the line feeds it went past.
    int Line() const { return line_; }
    const std::list<Section>& Sections() const { return sections_; }

    // Leading decimal number of the text as the C library reads it (leading
    // whitespace skipped; no number gives 0). The engine keeps the "C" numeric
    // locale, so "." is the decimal point.
    static double TextToReal(std::string_view text);

private:
    const Section* FindSection(std::string_view name) const;
    Section* FindSection(std::string_view name);

    std::list<Section> sections_;  // newest first
    int line_ = 1;
    bool dirty_ = false;
};
