#pragma once
// Complaints about a hand-written text file (a project manifest, a sprite description):
// each names the file and line it is about, so that an editor can jump there.
#include <string>
#include <vector>

struct FileLineError {
    std::string file;  // as the user named it (for a project: its folder joined with the relative path)
    int line = 0;      // 1-based; 0 when no line applies (the message then names the file only)
    std::string message;

    // "file:line: message", or "file: message" without a line.
    std::string Text() const {
        return line > 0 ? file + ":" + std::to_string(line) + ": " + message : file + ": " + message;
    }
};

class CLineErrors {
public:
    // A file with hundreds of broken references is best fixed from the top, so
    // after this many the rest are counted but not kept.
    static constexpr size_t kMaxKept = 100;

    void Add(const std::string& file, int line, const std::string& message) {
        ++count_;
        if (list_.size() < kMaxKept) list_.push_back(FileLineError{file, line, message});
    }
    bool Any() const { return count_ > 0; }
    size_t Count() const { return count_; }
    const std::vector<FileLineError>& List() const { return list_; }

private:
    std::vector<FileLineError> list_;
    size_t count_ = 0;
};
