#pragma once
#include <cstdint>
#include <string>
#include <vector>

// Reads a whole file with one read. False, with `error` naming the cause, when it cannot.
bool File_ReadWhole(const std::string& path, std::vector<uint8_t>& out, std::string& error);
// A regular file's whole contents in pages of their own, private to this process: writes
// to them never reach the file, and nothing done to the file afterwards reaches them.
// Unlike a vector, the block is not zeroed before it is read into.
class TFileMap {
public:
    TFileMap() = default;
    ~TFileMap();
    TFileMap(TFileMap&& other) noexcept;
    TFileMap& operator=(TFileMap&& other) noexcept;
    TFileMap(const TFileMap&) = delete;
    TFileMap& operator=(const TFileMap&) = delete;

    // False, with `error` naming the cause, when the file cannot be opened or read whole
    // (an empty file is refused too; it is read the ordinary way).
    bool Open(const std::string& path, std::string& error);
    uint8_t* Data() const { return data_; }
    size_t Size() const { return size_; }

private:
    void Close();
    uint8_t* data_ = nullptr;
    size_t size_ = 0;
    size_t mapped_ = 0;  // the length of the mapping at data_ (at least size_)
};

// Whether a regular file exists and can be opened for reading.
bool File_CanRead(const std::string& path);
// The directory that holds the running executable, with a trailing "/".
std::string File_ExecutableDirectory();
