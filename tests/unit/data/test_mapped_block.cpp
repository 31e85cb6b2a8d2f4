// The data block over a mapping of the file: it reads the file's bytes, a write stays in
// the process, a move hands the block over and leaves the source empty, and the range
// check holds at the end of the mapping.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "data/game_data.h"
#include "platform/file.h"

namespace {

class MappedBlockTest : public ::testing::Test {
protected:
    void SetUp() override {
        path_ = (std::filesystem::temp_directory_path() / ("zorvex-map-" + std::to_string(getpid()))).string();
    }
    void TearDown() override { std::filesystem::remove(path_); }
    void Write(const std::vector<uint8_t>& bytes) {
        FILE* f = std::fopen(path_.c_str(), "wb");
        ASSERT_NE(f, nullptr);
        if (!bytes.empty()) {
            ASSERT_EQ(std::fwrite(bytes.data(), 1, bytes.size(), f), bytes.size());
        }
        std::fclose(f);
    }
    std::string path_;
};

// A small file, and one large enough to be placed on huge pages (whose length is no
// multiple of their size).
TEST_F(MappedBlockTest, ReadsTheFileKeepsWritesAndMovesOver) {
    for (const size_t n : {size_t(5000), (size_t(3) << 20) + 123}) {
        SCOPED_TRACE(n);
        std::vector<uint8_t> bytes(n);
        for (size_t i = 0; i < bytes.size(); ++i) bytes[i] = uint8_t(i * 7 + i / 4096);
        Write(bytes);
        TFileMap map;
        std::string error;
        ASSERT_TRUE(map.Open(path_, error)) << error;
        CGameData data(std::move(map));
        EXPECT_EQ(map.Data(), nullptr);
        ASSERT_EQ(data.Size(), bytes.size());
        EXPECT_EQ(std::vector<uint8_t>(data.Base(), data.Base() + data.Size()), bytes);
        EXPECT_TRUE(data.InRange(uint32_t(n - 4), 4));
        EXPECT_FALSE(data.InRange(uint32_t(n - 3), 4));
        EXPECT_TRUE(data.InRange(uint32_t(n), 0));
        EXPECT_FALSE(data.InRange(uint32_t(n + 1), 0));

        // The file cut short or rewritten while the game plays changes nothing already read.
        Write({1, 2, 3});
        EXPECT_EQ(data.Base()[n - 1], bytes[n - 1]);

        data.SetU32(0, 0xDEADBEEF);
        EXPECT_EQ(data.U32(0), 0xDEADBEEFu);
        std::vector<uint8_t> onDisk;
        ASSERT_TRUE(File_ReadWhole(path_, onDisk, error));
        EXPECT_EQ(onDisk, std::vector<uint8_t>({1, 2, 3}));

        CGameData moved(std::move(data));
        EXPECT_TRUE(data.Empty());
        EXPECT_EQ(data.Base(), nullptr);
        EXPECT_FALSE(data.InRange(0, 1));
        ASSERT_EQ(moved.Size(), bytes.size());
        EXPECT_EQ(moved.U32(0), 0xDEADBEEFu);
        EXPECT_EQ(moved.Base()[n - 1], bytes[n - 1]);
    }
}

TEST_F(MappedBlockTest, EmptyAndMissingFilesAreNotMapped) {
    Write({});
    TFileMap map;
    std::string error;
    EXPECT_FALSE(map.Open(path_, error));
    EXPECT_FALSE(error.empty());
    error.clear();
    EXPECT_FALSE(map.Open(path_ + ".missing", error));
    EXPECT_FALSE(error.empty());
    EXPECT_EQ(map.Data(), nullptr);
}

}  // namespace
