#include "io/ini_file.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <filesystem>
#include <fstream>
#include <optional>
#include <random>
#include <sstream>
#include <string>

namespace {

namespace fs = std::filesystem;

CIniFile Parsed(std::string_view text) {
    CIniFile ini;
    ini.ParseText(text);
    return ini;
}

// The writer's output doubles as a compact picture of what the parser built:
// every section and key, in list order.
struct ParseCase {
    const char* text;
    const char* written;
    bool clean;
};

TEST(IniFileParse, BuildsSectionsAndKeysByTheRules) {
    const ParseCase cases[] = {
        {"", "", true},
        {"[s]\nkey = value ; note\n", "[s]\r\nkey=value\r\n", true},
        {"[s]\nkey\t=\tvalue\t# note\n", "[s]\r\nkey=value\r\n", true},
        {"[s]\r\nk = a b  c \r\nj=w\r\n", "[s]\r\nj=w\r\nk=a b  c\r\n", true},
        {"k=a=b", "k=a=b\r\n", true},
        // "=" with nothing after it on its line drops the key, without eating the next line.
        {"[s]\nk=\nnext=1\n", "[s]\r\nnext=1\r\n", true},
        {"[s]\r\nk=  \t\r\nnext=1", "[s]\r\nnext=1\r\n", true},
        {"k=   ", "", true},
        // A comment right after "=" leaves an empty value, which is kept.
        {"k= ;note\nj=#x", "j=\r\nk=\r\n", true},
        {"  ; x=1\n\t# y=2\nz=3 # w=4\n", "z=3\r\n", true},
        {"[a] b=1 ; c\n", "[a]\r\nb=1\r\n", true},
        {"[ my sect ]\nk=v", "[ my sect ]\r\nk=v\r\n", true},
        {"\xEF\xBB\xBF[s]\nk=v", "[s]\r\nk=v\r\n", true},
        // Broken lines.
        {"novalue\nk=v\n", "k=v\r\n", false},
        {"[s]\nnovalue", "[s]\r\n", false},
        {"[open\nk=v", "[open]\r\nk=v\r\n", false},
        {"[open\r\nk=v", "[open]\r\nk=v\r\n", false},
        {"[", "[]\r\n", false},
    };
    for (const ParseCase& c : cases) {
        SCOPED_TRACE(::testing::PrintToString(std::string(c.text)));
        CIniFile ini;
        EXPECT_EQ(ini.ParseText(c.text), c.clean);
        EXPECT_EQ(ini.Serialize(), c.written);
    }
}

struct LookupCase {
    const char* text;
    const char* section;
    const char* key;
    std::optional<std::string> expected;
};

TEST(IniFileParse, LookupsTakeFirstMatchInListOrder) {
    const LookupCase cases[] = {
        // Keys before the first header sit in the headerless section "".
        {"a=1\n[s]\nb=2\n", "", "a", "1"},
        {"a=1\n[s]\nb=2\n", "s", "a", std::nullopt},
        {"a=1\n[s]\nb=2\n", "", "b", std::nullopt},
        // New entries go to the front, so the later duplicate wins...
        {"[s]\nk=first\nk=second\n", "s", "k", "second"},
        // ...and a later duplicate section hides the earlier one completely.
        {"[s]\na=1\n[s]\nb=2\n", "s", "a", std::nullopt},
        {"[s]\na=1\n[s]\nb=2\n", "s", "b", "2"},
        {"[Sec]\nKey=v", "sec", "Key", std::nullopt},
        {"[Sec]\nKey=v", "Sec", "key", std::nullopt},
        {"[Sec]\nKey=v", "Sec", "Key", "v"},
        // An explicit "[]" is a real section named "" and shadows the headerless block.
        {"u=1\n[]\nv=2", "", "v", "2"},
        {"u=1\n[]\nv=2", "", "u", std::nullopt},
    };
    for (const LookupCase& c : cases) {
        SCOPED_TRACE(::testing::PrintToString(std::string(c.text)) + " " + c.section + "/" + c.key);
        const CIniFile ini = Parsed(c.text);
        EXPECT_EQ(ini.Value(c.section, c.key), c.expected);
        EXPECT_EQ(ini.KeyExists(c.section, c.key), c.expected.has_value());
    }
}

TEST(IniFileParse, CountsLines) {
    EXPECT_EQ(Parsed("").Line(), 1);
    EXPECT_EQ(Parsed("a=1\n; c\n\n[s]\r\nb=\n# end").Line(), 6);
    EXPECT_EQ(Parsed("[open\nnovalue\n").Line(), 3);
}

// Random soup of the bytes the parser cares about: it must terminate, stay in
// bounds (the sanitizers watch), count every line feed, and agree with the
// writer - whatever it builds is written as lines it reads back cleanly, and
// two write-and-read cycles come back to the same picture.
TEST(IniFileParse, RandomTextTerminatesAndRoundTrips) {
    constexpr std::string_view kAlphabet = "[]=;# \t\r\nab";
    std::mt19937 rng(12345);
    std::uniform_int_distribution<std::size_t> length(0, 40);
    std::uniform_int_distribution<std::size_t> pick(0, kAlphabet.size() - 1);
    for (int round = 0; round < 5000; ++round) {
        std::string text(length(rng), ' ');
        for (char& ch : text) ch = kAlphabet[pick(rng)];
        SCOPED_TRACE(::testing::PrintToString(text));

        CIniFile ini;
        ini.ParseText(text);
        ASSERT_EQ(ini.Line(), 1 + std::count(text.begin(), text.end(), '\n'));
        const std::string once = ini.Serialize();
        ASSERT_TRUE(ini.ParseText(once));
        const std::string twice = ini.Serialize();
        ASSERT_TRUE(ini.ParseText(twice));
        ASSERT_TRUE(ini.ParseText(ini.Serialize()));
        ASSERT_EQ(ini.Serialize(), twice);
    }
}

TEST(IniFileWrite, EachCycleReversesSectionsAndKeys) {
    const char* text = "top1=1\ntop2=2\n[a]\nx=1\ny=2\n[b]\nz=3\n";
    const std::string first = Parsed(text).Serialize();
    EXPECT_EQ(first, "top2=2\r\ntop1=1\r\n[b]\r\nz=3\r\n[a]\r\ny=2\r\nx=1\r\n");

    const CIniFile reread = Parsed(first);
    EXPECT_EQ(reread.Value("", "top1"), "1");
    EXPECT_EQ(reread.Value("a", "x"), "1");
    EXPECT_EQ(reread.Serialize(), "top1=1\r\ntop2=2\r\n[a]\r\nx=1\r\ny=2\r\n[b]\r\nz=3\r\n");
}

// The reader skips a byte order mark at the start of the text; a key whose name begins
// with those bytes must still come back whole when it is written first.
TEST(IniFileWrite, AKeyNameBeginningWithAByteOrderMarkSurvivesTheWrite) {
    const std::string name = "\xEF\xBB\xBFk";
    const CIniFile ini = Parsed("\xEF\xBB\xBF" + name + "=v\n");
    ASSERT_EQ(ini.Value("", name), "v");
    const CIniFile reread = Parsed(ini.Serialize());
    EXPECT_EQ(reread.Value("", name), "v");
    EXPECT_FALSE(reread.Value("", "k").has_value());
}

TEST(IniFileWrite, WriteStringAddsAtFrontAndUpdatesInPlace) {
    CIniFile ini;
    EXPECT_FALSE(ini.Dirty());
    ini.WriteString("s", "a", "1");
    ini.WriteString("s", "b", "2");
    ini.WriteString("s", "a", "3");
    ini.WriteString("", "top", "t");
    ini.WriteString("t", "c", "4");
    EXPECT_TRUE(ini.Dirty());
    EXPECT_EQ(ini.Serialize(), "top=t\r\n[t]\r\nc=4\r\n[s]\r\nb=2\r\na=3\r\n");

    // Parsing replaces everything and starts clean.
    EXPECT_TRUE(ini.ParseText("[s]\na=1\n[s]\nb=2\n"));
    EXPECT_FALSE(ini.Dirty());
    ini.WriteString("s", "a", "x");  // lands in the first "[s]" in list order
    EXPECT_EQ(ini.Serialize(), "[s]\r\na=x\r\nb=2\r\n[s]\r\na=1\r\n");
}

TEST(IniFileWrite, DeletesRemoveFirstMatchAndOnlyThenMarkChanged) {
    CIniFile ini = Parsed("[s]\nk=old\nk=new\nj=1\n[t]\nx=1\n[t]\ny=2\n");
    EXPECT_FALSE(ini.KeyDelete("s", "missing"));
    EXPECT_FALSE(ini.KeyDelete("none", "k"));
    EXPECT_FALSE(ini.SectionDelete("none"));
    EXPECT_FALSE(ini.Dirty());

    EXPECT_TRUE(ini.KeyDelete("s", "k"));
    EXPECT_TRUE(ini.Dirty());
    EXPECT_EQ(ini.Value("s", "k"), "old");

    EXPECT_TRUE(ini.SectionDelete("t"));
    EXPECT_EQ(ini.Value("t", "y"), std::nullopt);
    EXPECT_EQ(ini.Value("t", "x"), "1");
    EXPECT_TRUE(ini.SectionDelete("t"));
    EXPECT_FALSE(ini.SectionExists("t"));
    EXPECT_TRUE(ini.SectionExists("s"));
}

TEST(IniFileRead, NumbersAndDefaults) {
    const CIniFile ini = Parsed("[n]\nr=3.5\ni=42\nneg=-7\ntext=abc\nlead=12abc\nbig=99999999999999999999999\n");
    EXPECT_DOUBLE_EQ(ini.ReadReal("n", "r", 0.0), 3.5);
    EXPECT_DOUBLE_EQ(ini.ReadReal("n", "r", "100"), 3.5);
    EXPECT_DOUBLE_EQ(ini.ReadReal("n", "lead", 0.0), 12.0);
    EXPECT_DOUBLE_EQ(ini.ReadReal("n", "text", 9.0), 0.0);  // present: converted, not defaulted
    EXPECT_DOUBLE_EQ(ini.ReadReal("n", "missing", 7.0), 7.0);
    EXPECT_DOUBLE_EQ(ini.ReadReal("n", "missing", "2.5"), 2.5);
    EXPECT_DOUBLE_EQ(ini.ReadReal("n", "missing", ""), 0.0);
    EXPECT_DOUBLE_EQ(ini.ReadReal("n", "missing", "xyz"), 0.0);

    EXPECT_EQ(ini.ReadInt("n", "i", 0), 42);
    EXPECT_EQ(ini.ReadInt("n", "neg", 0), -7);
    EXPECT_EQ(ini.ReadInt("n", "r", 0), 3);
    EXPECT_EQ(ini.ReadInt("n", "text", 5), 0);
    EXPECT_EQ(ini.ReadInt("n", "missing", 5), 5);
    EXPECT_EQ(ini.ReadInt("n", "big", 0), LONG_MAX);

    EXPECT_EQ(ini.ReadString("n", "i", "d"), "42");
    EXPECT_EQ(ini.ReadString("n", "missing", "d"), "d");
}

class IniFileDisk : public ::testing::Test {
protected:
    void SetUp() override {
#ifdef ZORVEX_TEST_TMP
        const fs::path root = ZORVEX_TEST_TMP;
#else
        const fs::path root = fs::temp_directory_path();
#endif
        std::random_device rd;
        dir_ = root / ("ini_file_" + std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()) +
                       "_" + std::to_string(rd()));
        std::error_code ec;
        fs::remove_all(dir_, ec);
        ASSERT_TRUE(fs::create_directories(dir_, ec)) << ec.message();
    }
    void TearDown() override {
        std::error_code ec;
        fs::remove_all(dir_, ec);
    }

    static std::string Slurp(const fs::path& path) {
        std::ifstream in(path, std::ios::binary);
        std::ostringstream out;
        out << in.rdbuf();
        return out.str();
    }

    fs::path dir_;
};

TEST_F(IniFileDisk, SaveCreatesDirectoriesAndLoadReadsBack) {
    const std::string path = (dir_ / "save" / "game" / "options.ini").string();
    CIniFile ini;
    ini.WriteString("DEFAULT", "Debug", "1");
    ini.WriteString("", "top", "x");
    ASSERT_TRUE(ini.Save(path));
    EXPECT_FALSE(ini.Dirty());
    EXPECT_EQ(Slurp(path), ini.Serialize());
    EXPECT_FALSE(fs::exists(path + ".tmp"));

    CIniFile loaded;
    ASSERT_TRUE(loaded.Load(path));
    EXPECT_EQ(loaded.ReadInt("DEFAULT", "Debug", 0), 1);
    EXPECT_EQ(loaded.Value("", "top"), "x");

    // Saving again replaces the file.
    loaded.WriteString("DEFAULT", "Debug", "0");
    ASSERT_TRUE(loaded.Save(path));
    EXPECT_EQ(Slurp(path), "top=x\r\n[DEFAULT]\r\nDebug=0\r\n");
}

TEST_F(IniFileDisk, LoadOfMissingOrUnreadableFileGivesEmptyIni) {
    CIniFile ini = Parsed("[s]\nk=v\n");
    EXPECT_FALSE(ini.Load((dir_ / "nope.ini").string()));
    EXPECT_FALSE(ini.SectionExists("s"));
    EXPECT_EQ(ini.Serialize(), "");

    ini.ParseText("[s]\nk=v\n");
    EXPECT_FALSE(ini.Load(dir_.string()));  // a directory
    EXPECT_FALSE(ini.SectionExists("s"));
}

TEST_F(IniFileDisk, FailedSaveKeepsPreviousFile) {
    const std::string path = (dir_ / "options.ini").string();
    CIniFile ini = Parsed("[s]\nk=old\n");
    ASSERT_TRUE(ini.Save(path));
    const std::string before = Slurp(path);

    // Block the temporary file's name so the write fails part-way.
    fs::create_directory(path + ".tmp");
    ini.WriteString("s", "k", "new");
    EXPECT_FALSE(ini.Save(path));
    EXPECT_TRUE(ini.Dirty());
    EXPECT_EQ(Slurp(path), before);
    EXPECT_TRUE(fs::is_directory(path + ".tmp"));  // not ours: left alone

    // A parent that is a plain file cannot become a directory.
    EXPECT_FALSE(ini.Save((dir_ / "options.ini" / "x.ini").string()));
}

}  // namespace
