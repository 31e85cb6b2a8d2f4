#include "io/ini_file.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <system_error>

#if defined(__unix__) || defined(__APPLE__)
#include <unistd.h>
#endif

namespace {

// Settings files are tiny; anything this big is not one, and reading it whole
// would only risk running out of memory.
constexpr std::size_t kMaxIniFileBytes = 64u * 1024u * 1024u;

struct FileCloser {
    void operator()(std::FILE* f) const { std::fclose(f); }
};
using FilePtr = std::unique_ptr<std::FILE, FileCloser>;

bool IsLineEnd(char c) { return c == '\n' || c == '\r'; }
bool IsBlank(char c) { return c == ' ' || c == '\t'; }
// The C library's isspace in the "C" locale, without its int/EOF pitfalls.
bool IsSpace(char c) { return IsBlank(c) || IsLineEnd(c) || c == '\v' || c == '\f'; }

std::string_view TrimTrailingBlanks(std::string_view s) {
    while (!s.empty() && IsBlank(s.back())) s.remove_suffix(1);
    return s;
}

// Parser state for one pass over the text. Every branch of Run consumes at
// least one byte, and every index is checked against the size before use.
class CIniParser {
public:
    CIniParser(std::string_view text, std::list<CIniFile::Section>& sections) : text_(text), sections_(sections) {}

    bool Run() {
        constexpr std::string_view kBom = "\xEF\xBB\xBF";
        if (text_.substr(0, kBom.size()) == kBom) pos_ = kBom.size();

        sections_.push_front(CIniFile::Section{"", true, {}});
        CIniFile::Section* current = &sections_.front();

        for (;;) {
            SkipSpaceAndComments();
            if (AtEnd()) break;
            if (text_[pos_] == '[') {
                sections_.push_front(CIniFile::Section{ParseSectionName(), false, {}});
                current = &sections_.front();
            } else {
                ParseKey(*current);
            }
        }
        return clean_;
    }

    int Line() const { return line_; }

private:
    bool AtEnd() const { return pos_ >= text_.size(); }

    void SkipSpaceAndComments() {
        while (!AtEnd()) {
            const char c = text_[pos_];
            if (c == '\n') {
                ++line_;
                ++pos_;
            } else if (IsSpace(c)) {
                ++pos_;
            } else if (c == '#' || c == ';') {
                // Stop on the line feed itself so it gets counted above.
                while (!AtEnd() && text_[pos_] != '\n') ++pos_;
            } else {
                return;
            }
        }
    }

    // At "[". The name ends at "]", which is consumed; a line end or the end
    // of the text also ends it, and is left for the skipper.
    std::string ParseSectionName() {
        ++pos_;
        const std::size_t start = pos_;
        while (!AtEnd() && text_[pos_] != ']' && !IsLineEnd(text_[pos_])) ++pos_;
        std::string name(text_.substr(start, pos_ - start));
        if (!AtEnd() && text_[pos_] == ']') {
            ++pos_;
        } else {
            clean_ = false;
        }
        return name;
    }

    // At the first byte of a key line, which is neither space, "[", "#" nor ";".
    void ParseKey(CIniFile::Section& section) {
        const std::size_t start = pos_;
        while (!AtEnd() && text_[pos_] != '=' && !IsLineEnd(text_[pos_])) ++pos_;
        if (AtEnd() || text_[pos_] != '=') {
            // No "=" on this line: drop it. The line end is left for the skipper.
            clean_ = false;
            return;
        }
        const std::string_view name = TrimTrailingBlanks(text_.substr(start, pos_ - start));
        ++pos_;

        while (!AtEnd() && IsSpace(text_[pos_]) && !IsLineEnd(text_[pos_])) ++pos_;
        if (AtEnd() || IsLineEnd(text_[pos_])) return;  // no value on its line

        const std::size_t valueStart = pos_;
        while (!AtEnd()) {
            const char c = text_[pos_];
            if (IsLineEnd(c) || c == '#' || c == ';') break;
            ++pos_;
        }
        const std::string_view value = TrimTrailingBlanks(text_.substr(valueStart, pos_ - valueStart));
        section.keys.push_front(CIniFile::Key{std::string(name), std::string(value)});
    }

    std::string_view text_;
    std::list<CIniFile::Section>& sections_;
    std::size_t pos_ = 0;
    int line_ = 1;
    bool clean_ = true;
};

bool ReadWholeFile(const std::string& path, std::string& out) {
    out.clear();
    FilePtr file(std::fopen(path.c_str(), "rb"));
    if (!file) return false;
    char buffer[16384];
    for (;;) {
        const std::size_t got = std::fread(buffer, 1, sizeof buffer, file.get());
        if (got > kMaxIniFileBytes - out.size()) return false;
        out.append(buffer, got);
        if (got < sizeof buffer) break;
    }
    // A directory opens fine on some systems and only fails here.
    return std::ferror(file.get()) == 0;
}

bool WriteFileData(std::FILE* file, std::string_view data) {
    if (!data.empty() && std::fwrite(data.data(), 1, data.size(), file) != data.size()) return false;
    if (std::fflush(file) != 0) return false;
#if defined(__unix__) || defined(__APPLE__)
    // Get the bytes onto the disk before the rename makes them the real file.
    if (::fsync(::fileno(file)) != 0) return false;
#endif
    return true;
}

// Writes a fresh file; on failure a file it created is removed again (and
// nothing it did not create is ever touched).
bool WriteWholeFile(const std::string& path, std::string_view data) {
    FilePtr file(std::fopen(path.c_str(), "wb"));
    if (!file) return false;
    const bool written = WriteFileData(file.get(), data);
    const bool closed = std::fclose(file.release()) == 0;
    if (written && closed) return true;
    std::remove(path.c_str());
    return false;
}

}  // namespace

CIniFile::CIniFile() { ParseText({}); }

bool CIniFile::ParseText(std::string_view text) {
    sections_.clear();
    dirty_ = false;
    CIniParser parser(text, sections_);
    const bool clean = parser.Run();
    line_ = parser.Line();
    return clean;
}

bool CIniFile::Load(const std::string& path) {
    std::string text;
    if (!ReadWholeFile(path, text)) {
        ParseText({});
        return false;
    }
    ParseText(text);
    return true;
}

bool CIniFile::Save(const std::string& path) {
    if (path.empty()) return false;
    std::error_code ec;
    const std::filesystem::path target(path);
    if (target.has_parent_path()) {
        std::filesystem::create_directories(target.parent_path(), ec);
        if (ec) return false;
    }
    const std::string temp = path + ".tmp";
    if (!WriteWholeFile(temp, Serialize())) return false;
    std::filesystem::rename(temp, target, ec);
    if (ec) {
        std::remove(temp.c_str());
        return false;
    }
    dirty_ = false;
    return true;
}

std::string CIniFile::Serialize() const {
    std::string out;
    auto writeKeys = [&out](const Section& section) {
        for (const Key& key : section.keys) {
            out += key.name;
            out += '=';
            out += key.value;
            out += "\r\n";
        }
    };
    // The headerless keys can only be read back from the top of the file.
    for (const Section& section : sections_)
        if (section.headerless) writeKeys(section);
    for (const Section& section : sections_) {
        if (section.headerless) continue;
        out += '[';
        out += section.name;
        out += "]\r\n";
        writeKeys(section);
    }
    // A first key whose name begins with the bytes of a byte order mark would lose them
    // when read (the reader skips a mark at the start): a mark of our own in front keeps
    // them.
    if (out.compare(0, 3, "\xEF\xBB\xBF") == 0) out.insert(0, "\xEF\xBB\xBF");
    return out;
}

const CIniFile::Section* CIniFile::FindSection(std::string_view name) const {
    for (const Section& section : sections_)
        if (section.name == name) return &section;
    return nullptr;
}

CIniFile::Section* CIniFile::FindSection(std::string_view name) {
    for (Section& section : sections_)
        if (section.name == name) return &section;
    return nullptr;
}

const std::string* CIniFile::Find(std::string_view section, std::string_view key) const {
    const Section* found = FindSection(section);
    if (!found) return nullptr;
    for (const Key& k : found->keys)
        if (k.name == key) return &k.value;
    return nullptr;
}

std::optional<std::string> CIniFile::Value(std::string_view section, std::string_view key) const {
    if (const std::string* value = Find(section, key)) return *value;
    return std::nullopt;
}

std::string CIniFile::ReadString(std::string_view section, std::string_view key, std::string_view def) const {
    if (const std::string* value = Find(section, key)) return *value;
    return std::string(def);
}

double CIniFile::ReadReal(std::string_view section, std::string_view key, double def) const {
    if (const std::string* value = Find(section, key)) return TextToReal(*value);
    return def;
}

double CIniFile::ReadReal(std::string_view section, std::string_view key, std::string_view defText) const {
    if (const std::string* value = Find(section, key)) return TextToReal(*value);
    return defText.empty() ? 0.0 : TextToReal(defText);
}

long CIniFile::ReadInt(std::string_view section, std::string_view key, long def) const {
    const std::string* value = Find(section, key);
    if (!value) return def;
    return std::strtol(value->c_str(), nullptr, 10);  // saturates on overflow
}

bool CIniFile::KeyExists(std::string_view section, std::string_view key) const { return Find(section, key) != nullptr; }

bool CIniFile::SectionExists(std::string_view section) const { return FindSection(section) != nullptr; }

void CIniFile::WriteString(std::string_view section, std::string_view key, std::string_view value) {
    dirty_ = true;
    Section* target = FindSection(section);
    if (!target) {
        sections_.push_front(Section{std::string(section), false, {}});
        target = &sections_.front();
    }
    for (Key& k : target->keys) {
        if (k.name == key) {
            k.value.assign(value);
            return;
        }
    }
    target->keys.push_front(Key{std::string(key), std::string(value)});
}

bool CIniFile::KeyDelete(std::string_view section, std::string_view key) {
    Section* found = FindSection(section);
    if (!found) return false;
    for (auto it = found->keys.begin(); it != found->keys.end(); ++it) {
        if (it->name == key) {
            found->keys.erase(it);
            dirty_ = true;
            return true;
        }
    }
    return false;
}

bool CIniFile::SectionDelete(std::string_view section) {
    for (auto it = sections_.begin(); it != sections_.end(); ++it) {
        if (it->name == section) {
            sections_.erase(it);
            dirty_ = true;
            return true;
        }
    }
    return false;
}

double CIniFile::TextToReal(std::string_view text) {
    // strtod wants a terminated string; the copy also stops it at the view's end.
    const std::string copy(text);
    return std::strtod(copy.c_str(), nullptr);
}
