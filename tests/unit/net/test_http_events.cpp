// A game that sends requests and downloads pictures from a server on 127.0.0.1: each
// reply arrives as the HTTP event with its map in async_load, each picture as the Image
// Loaded event, and the pictures land in the entries sprite_add and background_add gave.
#include <algorithm>
#include <chrono>
#include <sstream>

#include "graphics/bitmap.h"
#include "object/game_fixture.h"
#include "support/http_server.h"

namespace {

constexpr int kImageLoaded = 60;
constexpr int kHttp = 62;

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
}

std::string Quote(const std::string& s) { return "\"" + s + "\""; }

class HttpEventsTest : public GameTest {};

TEST_F(HttpEventsTest, RepliesAndPicturesArriveAsAsynchronousEvents) {
    std::string big(200000, ' ');
    for (size_t i = 0; i < big.size(); ++i) big[i] = char('a' + i % 26);
    big.replace(big.size() - 3, 3, "END");
    const std::vector<uint8_t> png = Bitmap_EncodePng(CBitmap32(24, 16, 0xFF336699));
    TTestHttpServer server({
        {"/hello",
         [](const auto&) {
             return TTestHttpServer::Reply{200, "hello world"};
         }},
        {"/missing",
         [](const auto&) {
             return TTestHttpServer::Reply{404, "not here"};
         }},
        {"/empty",
         [](const auto&) {
             return TTestHttpServer::Reply{201, ""};
         }},
        {"/big",
         [&](const auto&) {
             return TTestHttpServer::Reply{200, big};
         }},
        {"/echo",
         [](const auto& r) {
             return TTestHttpServer::Reply{
                 200,
                 "type=" + (r.headers.count("content-type") ? r.headers.at("content-type") : "") + " body=" + r.body};
         }},
        {"/pic",
         [&](const auto&) {
             return TTestHttpServer::Reply{200, std::string(png.begin(), png.end())};
         }},
    });
    ASSERT_TRUE(server.Listening());
    const std::string refused = "http://127.0.0.1:" + std::to_string(TTestHttpServer::ClosedPort()) + "/gone";

    struct Request {
        std::string url;
        const char* post;  // null for a GET
        std::string line;  // what the HTTP event shows
    };
    const std::vector<Request> requests = {
        {server.Url("/hello"), nullptr, "status 0 http_status 200 length 11 result hello world"},
        {server.Url("/missing"), nullptr, "status 0 http_status 404 length 8 result not here"},
        {server.Url("/empty"), nullptr, "status -1 http_status 201 length 0 result "},
        {server.Url("/big"), nullptr,
         "status 0 http_status 200 length 200000 result abcdefghij..." + big.substr(big.size() - 10)},
        {server.Url("/echo"), "a=1&b=two",
         "status 0 http_status 200 length 53 result type=application/x-www-form-urlencoded body=a=1&b=two"},
        // No reply at all: the status code cannot be read.
        {refused, nullptr, "status -1 http_status 200 length 0 result "},
    };

    desc.hasCode = false;
    const int rm = Room("rm");
    const int o = Object("obj");
    std::string create =
        "global.left = 0; global.ids = ds_map_create();\n"
        "show_debug_message(\"outside an event async_load is \" + string(async_load));\n"
        "show_debug_message(\"ftp gives \" + string(http_get(\"ftp://127.0.0.1/file\")));\n";
    for (const Request& r : requests)
        create += "ds_map_add(global.ids, " + Quote(r.url) + ", " +
                  (r.post ? "http_post_string(" + Quote(r.url) + ", " + Quote(r.post) + ")"
                          : "http_get(" + Quote(r.url) + ")") +
                  "); global.left += 1;\n";
    create += "global.spr = sprite_add(" + Quote(server.Url("/pic?sprite")) + ", 2, false, false, 3, 4);\n" +
              "global.bad = sprite_add(" + Quote(server.Url("/nothing.png")) + ", 1, false, false, 0, 0);\n" +
              "global.bg = background_add(" + Quote(server.Url("/pic?background")) + ", false, false);\n" +
              "global.left += 3;\n"
              "show_debug_message(\"sprites made at once: \" + string(global.bad - global.spr) + \" \" + "
              "string(sprite_get_width(global.spr)) + \" \" + string(background_exists(global.bg)));\n";
    On(o, kEventCreate, 0, create);
    const std::string finish =
        "global.left -= 1;\nif (global.left == 0) {\n"
        "show_debug_message(\"sprite \" + string(sprite_get_width(global.spr)) + \"x\" + "
        "string(sprite_get_height(global.spr)) + \" frames \" + "
        "string(sprite_get_number(global.spr)) + \" origin \" + "
        "string(sprite_get_xoffset(global.spr)) + \",\" + string(sprite_get_yoffset(global.spr)));\n"
        "show_debug_message(\"background \" + string(background_get_width(global.bg)) + \"x\" + "
        "string(background_get_height(global.bg)));\n"
        "show_debug_message(\"failed download: sprite \" + string(sprite_exists(global.bad)) + "
        "\" width \" + string(sprite_get_width(global.bad)));\n"
        "game_end(); }\n";
    On(o, kEventOther, kHttp,
       "var m, r; m = async_load; r = ds_map_find_value(m, \"result\");\n"
       "if (string_length(r) > 60) r = string_copy(r, 1, 10) + \"...\" + string_copy(r, string_length(r) - 9, 10);\n"
       "show_debug_message(\"http \" + ds_map_find_value(m, \"url\") + \" own id \" + "
       "string(ds_map_find_value(m, \"id\") == ds_map_find_value(global.ids, ds_map_find_value(m, \"url\"))) + "
       "\" status \" + string(ds_map_find_value(m, \"status\")) + \" http_status \" + "
       "string(ds_map_find_value(m, \"http_status\")) + \" length \" + "
       "string(string_length(ds_map_find_value(m, \"result\"))) + \" result \" + r);\n" +
           finish);
    On(o, kEventOther, kImageLoaded,
       "show_debug_message(\"image \" + ds_map_find_value(async_load, \"filename\") + \" status \" + "
       "string(ds_map_find_value(async_load, \"status\")));\n" +
           finish);
    Place(rm, o, 100001);

    // At the room speed, so the frame limit bounds the run in time.
    const ProcessResult p = Play(450, {"--log", "-"});
    EXPECT_EQ(p.exitCode, 0) << p.err;
    const std::vector<std::string> head = {"outside an event async_load is -1", "ftp gives -1",
                                           "sprites made at once: 1 0 1"};
    const std::vector<std::string> tail = {"sprite 12x16 frames 2 origin 3,4", "background 24x16",
                                           "failed download: sprite 1 width 0"};
    std::vector<std::string> events = {"image " + server.Url("/pic?sprite") + " status 0",
                                       "image " + server.Url("/pic?background") + " status 0",
                                       "image " + server.Url("/nothing.png") + " status -1"};
    for (const Request& r : requests) events.push_back("http " + r.url + " own id 1 " + r.line);
    std::vector<std::string> lines = Lines(p.out);
    ASSERT_EQ(lines.size(), head.size() + events.size() + tail.size()) << p.out;
    EXPECT_EQ(std::vector<std::string>(lines.begin(), lines.begin() + long(head.size())), head);
    EXPECT_EQ(std::vector<std::string>(lines.end() - long(tail.size()), lines.end()), tail);
    // The events come in the order the transfers finish.
    std::vector<std::string> middle(lines.begin() + long(head.size()), lines.end() - long(tail.size()));
    std::sort(middle.begin(), middle.end());
    std::sort(events.begin(), events.end());
    EXPECT_EQ(middle, events);
    for (const char* log : {"size=11, incoming = hello world\n", "size=200000, incoming = abcdefghijklmnopqrst\n",
                            "size=0, incoming = \n"})
        EXPECT_NE(p.err.find(log), std::string::npos) << log;
}

// A transfer still running when the game ends is dropped: the game ends on time and
// cleanly (the sanitizer build fails the exit on a handle or thread left behind).
TEST_F(HttpEventsTest, GameEndDropsRunningTransfers) {
    TTestHttpServer server({{"/hang", [](const auto&) { return TTestHttpServer::Reply{200, "late", true}; }}});
    ASSERT_TRUE(server.Listening());
    desc.hasCode = false;
    const int rm = Room("rm");
    const int o = Object("obj");
    On(o, kEventCreate, 0, "http_get(" + Quote(server.Url("/hang")) + "); alarm[0] = 15;");
    On(o, kEventAlarm, 0, "show_debug_message(\"ending\"); game_end();");
    On(o, kEventOther, kHttp, "show_debug_message(\"delivered\");");
    Place(rm, o, 100001);
    const auto start = std::chrono::steady_clock::now();
    const ProcessResult p = Play(300, {});
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(8));
    EXPECT_EQ(p.exitCode, 0) << p.err;
    EXPECT_EQ(p.out, "ending\n");
    EXPECT_EQ(server.Seen().size(), 1u);
}

}  // namespace
