#include "platform/sound_decode.h"

#include <sndfile.h>

#include <cstring>

struct TSoundReader::TImpl {
    SNDFILE* file = nullptr;
    SF_INFO info{};
    // The virtual file over memory.
    const uint8_t* data = nullptr;
    sf_count_t size = 0;
    sf_count_t pos = 0;

    ~TImpl() {
        if (file != nullptr) sf_close(file);
    }
};

namespace {

sf_count_t VLength(void* user) { return static_cast<TSoundReader::TImpl*>(user)->size; }

sf_count_t VSeek(sf_count_t offset, int whence, void* user) {
    auto* m = static_cast<TSoundReader::TImpl*>(user);
    sf_count_t to = whence == SEEK_SET ? offset : whence == SEEK_CUR ? m->pos + offset : m->size + offset;
    if (to < 0 || to > m->size) return -1;
    m->pos = to;
    return m->pos;
}

sf_count_t VRead(void* ptr, sf_count_t count, void* user) {
    auto* m = static_cast<TSoundReader::TImpl*>(user);
    sf_count_t n = count < m->size - m->pos ? count : m->size - m->pos;
    if (n <= 0) return 0;
    std::memcpy(ptr, m->data + m->pos, size_t(n));
    m->pos += n;
    return n;
}

sf_count_t VWrite(const void*, sf_count_t, void*) { return 0; }
sf_count_t VTell(void* user) { return static_cast<TSoundReader::TImpl*>(user)->pos; }

SF_VIRTUAL_IO g_memoryIo = {VLength, VSeek, VRead, VWrite, VTell};

bool CheckOpened(TSoundReader::TImpl& m, std::string& error) {
    if (m.file == nullptr) {
        error = sf_strerror(nullptr);
        return false;
    }
    if (m.info.channels < 1 || m.info.channels > 2 || m.info.samplerate <= 0) {
        error = "sounds have one or two channels, this one has " + std::to_string(m.info.channels);
        sf_close(m.file);
        m.file = nullptr;
        return false;
    }
    return true;
}

bool ReadWhole(TSoundReader& reader, TDecodedSound& out) {
    out.channels = reader.Channels();
    out.rate = reader.Rate();
    out.samples.clear();
    std::vector<int16_t> piece;
    while (reader.Read(piece, 16384) > 0) out.samples.insert(out.samples.end(), piece.begin(), piece.end());
    return true;
}

}  // namespace

TSoundReader::TSoundReader() : impl_(std::make_unique<TImpl>()) {}
TSoundReader::~TSoundReader() = default;

bool TSoundReader::OpenFile(const std::string& path, std::string& error) {
    impl_ = std::make_unique<TImpl>();
    impl_->file = sf_open(path.c_str(), SFM_READ, &impl_->info);
    return CheckOpened(*impl_, error);
}

bool TSoundReader::OpenMemory(const uint8_t* data, size_t size, std::string& error) {
    impl_ = std::make_unique<TImpl>();
    impl_->data = data;
    impl_->size = sf_count_t(size);
    impl_->file = sf_open_virtual(&g_memoryIo, SFM_READ, &impl_->info, impl_.get());
    return CheckOpened(*impl_, error);
}

int TSoundReader::Channels() const { return impl_->info.channels; }
int TSoundReader::Rate() const { return impl_->info.samplerate; }

size_t TSoundReader::Read(std::vector<int16_t>& out, size_t frames) {
    out.resize(frames * size_t(impl_->info.channels > 0 ? impl_->info.channels : 1));
    if (impl_->file == nullptr) {
        out.clear();
        return 0;
    }
    sf_count_t got = sf_readf_short(impl_->file, out.data(), sf_count_t(frames));
    if (got < 0) got = 0;
    out.resize(size_t(got) * size_t(impl_->info.channels));
    return size_t(got);
}

bool TSoundReader::Rewind() { return impl_->file != nullptr && sf_seek(impl_->file, 0, SEEK_SET) == 0; }

bool SoundDecode_Memory(const uint8_t* data, size_t size, TDecodedSound& out, std::string& error) {
    TSoundReader reader;
    if (data == nullptr || size == 0) {
        error = "no sound data";
        return false;
    }
    return reader.OpenMemory(data, size, error) && ReadWhole(reader, out);
}

bool SoundDecode_File(const std::string& path, TDecodedSound& out, std::string& error) {
    TSoundReader reader;
    return reader.OpenFile(path, error) && ReadWhole(reader, out);
}
