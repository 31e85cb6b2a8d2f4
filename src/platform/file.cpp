#include "platform/file.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <limits>

TFileMap::~TFileMap() { Close(); }

TFileMap::TFileMap(TFileMap&& other) noexcept : data_(other.data_), size_(other.size_), mapped_(other.mapped_) {
    other.data_ = nullptr;
    other.size_ = other.mapped_ = 0;
}

TFileMap& TFileMap::operator=(TFileMap&& other) noexcept {
    if (this != &other) {
        Close();
        data_ = other.data_;
        size_ = other.size_;
        mapped_ = other.mapped_;
        other.data_ = nullptr;
        other.size_ = other.mapped_ = 0;
    }
    return *this;
}

void TFileMap::Close() {
    if (data_) munmap(data_, mapped_);
    data_ = nullptr;
    size_ = mapped_ = 0;
}

namespace {

constexpr size_t kHugePage = size_t(2) << 20;

// Private anonymous pages for `size` bytes. A large block is placed on huge-page
// boundaries and asked to be backed by huge pages: reading a 30 MB file into 4 KiB pages
// takes one page fault per page, most of the time of the read; with 2 MiB pages it is a
// few dozen. Where huge pages are not to be had the advice is ignored and plain pages
// serve. `mapped` receives the length to unmap.
void* MapAnonymous(size_t size, size_t& mapped) {
    const int prot = PROT_READ | PROT_WRITE, flags = MAP_PRIVATE | MAP_ANONYMOUS;
    if (size < kHugePage / 2) {
        mapped = size;
        return mmap(nullptr, size, prot, flags, -1, 0);
    }
    const size_t length = (size + kHugePage - 1) / kHugePage * kHugePage;
    void* raw = mmap(nullptr, length + kHugePage, prot, flags, -1, 0);
    if (raw == MAP_FAILED) return raw;
    // The slack before the first boundary and after the block is handed back.
    const uintptr_t start = uintptr_t(raw), aligned = (start + kHugePage - 1) & ~uintptr_t(kHugePage - 1);
    if (aligned > start) munmap(raw, aligned - start);
    const size_t tail = start + length + kHugePage - (aligned + length);
    if (tail > 0) munmap(reinterpret_cast<void*>(aligned + length), tail);
    void* p = reinterpret_cast<void*>(aligned);
    madvise(p, length, MADV_HUGEPAGE);
    mapped = length;
    return p;
}

}  // namespace

bool TFileMap::Open(const std::string& path, std::string& error) {
    Close();
    const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        error = std::strerror(errno);
        return false;
    }
    struct stat st {};
    if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        error = "not a regular file";
        close(fd);
        return false;
    }
    if (uint64_t(st.st_size) > std::numeric_limits<uint32_t>::max()) {
        error = "the file is larger than 4 GiB";
        close(fd);
        return false;
    }
    if (st.st_size == 0) {
        error = "the file is empty";
        close(fd);
        return false;
    }
    // Anonymous pages filled by read(), not a mapping of the file itself: a mapped file
    // that someone truncates or rewrites in place (a packer writing the game again while it
    // plays) would kill the process with SIGBUS on the next read of a lost page. Fresh
    // anonymous pages need no zeroing by us, which is what reading into a vector cost.
    const size_t size = size_t(st.st_size);
    size_t mapped = 0;
    void* p = MapAnonymous(size, mapped);
    if (p == MAP_FAILED) {
        error = std::strerror(errno);
        close(fd);
        return false;
    }
    size_t got = 0;
    while (got < size) {
        const ssize_t n = read(fd, static_cast<uint8_t*>(p) + got, size - got);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            error = n < 0 ? std::strerror(errno) : "the file changed while it was read";
            munmap(p, mapped);
            close(fd);
            return false;
        }
        got += size_t(n);
    }
    close(fd);
    data_ = static_cast<uint8_t*>(p);
    size_ = size;
    mapped_ = mapped;
    return true;
}

bool File_ReadWhole(const std::string& path, std::vector<uint8_t>& out, std::string& error) {
    out.clear();
    FILE* f = std::fopen(path.c_str(), "rb");
    if (!f) {
        error = std::strerror(errno);
        return false;
    }
    struct stat st {};
    if (fstat(fileno(f), &st) != 0 || !S_ISREG(st.st_mode)) {
        error = "not a regular file";
        std::fclose(f);
        return false;
    }
    // Offsets in a data file are 32-bit, so nothing larger can be one.
    if (uint64_t(st.st_size) > std::numeric_limits<uint32_t>::max()) {
        error = "the file is larger than 4 GiB";
        std::fclose(f);
        return false;
    }
    out.resize(size_t(st.st_size));
    size_t got = out.empty() ? 0 : std::fread(out.data(), 1, out.size(), f);
    bool ok = got == out.size();
    if (!ok) error = std::ferror(f) ? std::strerror(errno) : "the file changed while it was read";
    std::fclose(f);
    if (!ok) out.clear();
    return ok;
}

bool File_CanRead(const std::string& path) {
    struct stat st {};
    return stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode) && access(path.c_str(), R_OK) == 0;
}

std::string File_ExecutableDirectory() {
    char buffer[4096];
    ssize_t n = readlink("/proc/self/exe", buffer, sizeof buffer - 1);
    if (n <= 0) return "";
    std::string path(buffer, size_t(n));
    size_t slash = path.rfind('/');
    return slash == std::string::npos ? "" : path.substr(0, slash + 1);
}
