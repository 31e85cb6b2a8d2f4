// Colours, digests, encodings, the clipboard and the answers of platform services that a
// desktop does not have, run through the machine.
#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "function/call_table.h"

namespace {

using ServicesTest = CallTableTest;

TEST_F(ServicesTest, Colours) {
    RunTable({
        {"make_color_rgb", {R(255), R(128), R(0)}, R(0x0080FF)},
        {"make_color", {R(1), R(2), R(3)}, R(0x030201)},
        {"make_color_rgb", {R(300), R(-5), R(2.5)}, R(0x0200FF)},  // clamped; halves to even
        {"make_color_hsv", {R(0), R(255), R(255)}, R(0x0000FF)},   // red
        {"make_color_hsv", {R(85), R(255), R(255)}, R(0x00FF00)},  // a third of the way: green
        {"make_color_hsv", {R(170), R(255), R(255)}, R(0xFF0000)},
        {"make_color_hsv", {R(42), R(0), R(128)}, R(0x808080)},  // no saturation: grey
        {"color_get_red", {R(0x123456)}, R(0x56)},
        {"color_get_green", {R(0x123456)}, R(0x34)},
        {"color_get_blue", {R(0x123456)}, R(0x12)},
        {"color_get_hue", {R(0x00FF00)}, R(85)},
        {"color_get_hue", {R(0xFF0000)}, R(170)},
        {"color_get_hue", {R(0x808080)}, R(0)},
        {"color_get_saturation", {R(0x808080)}, R(0)},
        {"color_get_saturation", {R(0x0000FF)}, R(255)},
        {"color_get_value", {R(0x000080)}, R(128)},
        {"color_get_value", {R(0)}, R(0)},
        {"merge_color", {R(0x000000), R(0xFFFFFF), R(0.5)}, R(0x808080)},
        {"merge_color", {R(0x0000FF), R(0xFF0000), R(0)}, R(0x0000FF)},
        {"merge_color", {R(0x0000FF), R(0xFF0000), R(2)}, R(0xFF0000)},  // held at the second
    });
}

// The published test vectors of both digests, the UTF-16 forms of the same texts, and
// base64 both ways.
TEST_F(ServicesTest, DigestsAndEncodings) {
    RunTable({
        {"md5_string_utf8", {S("")}, S("d41d8cd98f00b204e9800998ecf8427e")},
        {"md5_string_utf8", {S("abc")}, S("900150983cd24fb0d6963f7d28e17f72")},
        {"md5_string_utf8",
         {S("12345678901234567890123456789012345678901234567890123456789012345678901234567890")},
         S("57edf4a22be3c955ac49da2e2107b67a")},
        {"sha1_string_utf8", {S("abc")}, S("a9993e364706816aba3e25717850c26c9cd0d89d")},
        {"sha1_string_utf8",
         {S("abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq")},
         S("84983e441c3bd26ebaae4aa1f95129e5e54670f1")},
        {"sha1_string_utf8", {S("")}, S("da39a3ee5e6b4b0d3255bfef95601890afd80709")},
        // The UTF-16LE forms (expected digests computed independently): "a" is 61 00, an
        // accented letter one unit, a character beyond the basic plane a surrogate pair.
        {"md5_string_unicode", {S("a")}, S("4144e195f46de78a3623da7364d04f11")},
        {"sha1_string_unicode", {S("a")}, S("0a04b971b03da607ce6c455184037b660ca89f78")},
        {"md5_string_unicode", {S("\xC3\xA9")}, S("ed71e8ffd3d8c47c1a2e22c53cd384aa")},
        {"md5_string_unicode", {S("\xF0\x9F\x98\x80")}, S("713b431f5caa0d142bea157989c96852")},
        {"base64_encode", {S("Man")}, S("TWFu")},
        {"base64_encode", {S("Ma")}, S("TWE=")},
        {"base64_encode", {S("M")}, S("TQ==")},
        {"base64_encode", {S("")}, S("")},
        {"base64_decode", {S("TWFu")}, S("Man")},
        {"base64_decode", {S("TWE=")}, S("Ma")},
        {"base64_decode", {S("TQ==\n")}, S("M")},
        {"base64_decode", {S("TW Fu!junk")}, S("Man")},  // spaces skipped, a stranger ends it
        {"base64_decode", {S("T")}, S("")},
    });
}

TEST_F(ServicesTest, FileDigestsReadWhatTheFileFunctionsFind) {
    std::string dir = (std::filesystem::temp_directory_path() / "zorvex-digest-XXXXXX").string();
    ASSERT_NE(mkdtemp(dir.data()), nullptr);
    const std::string file = dir + "/abc.txt";
    {
        std::ofstream out(file, std::ios::binary);
        out << "abc";
    }
    RunTable({
        {"md5_file", {S(file)}, S("900150983cd24fb0d6963f7d28e17f72")},
        {"sha1_file", {S(file)}, S("a9993e364706816aba3e25717850c26c9cd0d89d")},
        {"md5_file", {S(dir + "/missing.txt")}, S("")},
    });
    std::error_code ec;
    std::filesystem::remove_all(dir, ec);
}

// A headless run keeps a clipboard of its own.
TEST_F(ServicesTest, ClipboardKeepsItsText) {
    RunTable({
        {"clipboard_set_text", {S("")}, R(0)},
        {"clipboard_has_text", {}, R(0)},
        {"clipboard_set_text", {S("copied \xC3\xA9")}, R(0)},
        {"clipboard_has_text", {}, R(1)},
        {"clipboard_get_text", {}, S("copied \xC3\xA9")},
    });
}

// Services a desktop lacks answer as an absent service would.
TEST_F(ServicesTest, AbsentServicesAnswerAsAbsent) {
    RunTable({
        {"achievement_available", {}, R(0)},
        {"achievement_post", {S("ach"), R(100)}, R(0)},
        {"ads_get_display_width", {R(0)}, R(0)},
        {"clickable_add", {R(0), R(0), R(-1), S("a"), S("b"), S("c")}, R(-1)},
        {"iap_is_purchased", {S("item")}, R(0)},
        {"facebook_status", {}, S("IDLE")},
        {"vorlixIsLoggedIn", {}, R(0)},
        {"url_get_domain", {}, S("")},
        {"url_open", {S("https://example.invalid/")}, R(0)},  // headless: opens nothing
        {"os_is_paused", {}, R(0)},
        {"script_name", {R(12345)}, S("")},
    });
}

}  // namespace
