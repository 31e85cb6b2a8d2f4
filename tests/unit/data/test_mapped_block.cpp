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

TEST_F(MappedBlockTest, ReadsTheFileKeepsWritesAndMovesOver) {
    std::vector<uint8_t> bytes(5000);
    for (size_t i = 0; i < bytes.size(); ++i) bytes[i] = uint8_t(i * 7);
    Write(bytes);
    TFileMap map;
    std::string error;
    ASSERT_TRUE(map.Open(path_, error)) << error;
    CGameData data(std::move(map));
    EXPECT_EQ(map.Data(), nullptr);
    ASSERT_EQ(data.Size(), bytes.size());
    EXPECT_EQ(std::vector<uint8_t>(data.Base(), data.Base() + data.Size()), bytes);
    EXPECT_TRUE(data.InRange(4996, 4));
    EXPECT_FALSE(data.InRange(4997, 4));
    EXPECT_TRUE(data.InRange(5000, 0));
    EXPECT_FALSE(data.InRange(5001, 0));

    // The file cut short or rewritten while the game plays changes nothing already read.
    Write({1, 2, 3});
    EXPECT_EQ(data.Base()[4999], bytes[4999]);

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
    EXPECT_EQ(moved.Base()[4999], bytes[4999]);
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
