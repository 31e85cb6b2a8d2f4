// The HTTP client on its own: what goes over the wire, that polling never waits, and
// that cancelled transfers end without their completions.
#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "net/http_client.h"
#include "support/http_server.h"

namespace {

using Clock = std::chrono::steady_clock;

// Polls until `count` replies are in (at most 20 s) and returns them.
std::vector<CHttpReply> Collect(std::vector<CHttpReply>& replies, size_t count) {
    const auto deadline = Clock::now() + std::chrono::seconds(20);
    while (replies.size() < count && Clock::now() < deadline) {
        for (auto& done : Http_Poll()) done();
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    return replies;
}

TEST(HttpClient, SendsTheAgentAndAFormBody) {
    TTestHttpServer server({
        {"/hello",
         [](const auto&) {
             return TTestHttpServer::Reply{200, "hello world"};
         }},
        {"/echo",
         [](const auto& r) {
             return TTestHttpServer::Reply{200, r.body};
         }},
    });
    ASSERT_TRUE(server.Listening());
    std::vector<CHttpReply> replies;
    auto keep = [&](CHttpReply& r) { replies.push_back(r); };
    const int get = Http_Get(server.Url("/hello"), keep);
    const int post = Http_Post(server.Url("/echo"), "a=1&b=two words", keep);
    ASSERT_GE(get, 0);
    ASSERT_GE(post, 0);
    EXPECT_NE(get, post);
    ASSERT_EQ(Collect(replies, 2).size(), 2u);
    EXPECT_EQ(Http_Pending(), 0);
    for (const CHttpReply& r : replies) {
        EXPECT_EQ(r.httpStatus, 200);
        EXPECT_EQ(r.url, server.Url(r.id == get ? "/hello" : "/echo"));
        EXPECT_EQ(r.body, r.id == get ? "hello world" : "a=1&b=two words");
    }
    const auto seen = server.Seen();
    ASSERT_EQ(seen.size(), 2u);
    for (const auto& s : seen) {
        EXPECT_EQ(s.headers.count("user-agent") ? s.headers.at("user-agent") : "", "Zorvex HTTP");
        if (s.path == "/echo") {
            EXPECT_EQ(s.method, "POST");
            EXPECT_EQ(s.headers.count("content-type") ? s.headers.at("content-type") : "",
                      "application/x-www-form-urlencoded");
            EXPECT_EQ(s.body, "a=1&b=two words");
        } else {
            EXPECT_EQ(s.method, "GET");
            EXPECT_EQ(s.headers.count("content-type"), 0u);
        }
    }
}

TEST(HttpClient, RefusesOtherSchemes) {
    for (const char* url : {"ftp://127.0.0.1/file", "file:///etc/hostname", "", "127.0.0.1/page", "httpx://a"}) {
        bool called = false;
        EXPECT_EQ(Http_Get(url, [&](CHttpReply&) { called = true; }), -1) << url;
        EXPECT_EQ(Http_Post(url, "x", [&](CHttpReply&) { called = true; }), -1) << url;
        EXPECT_EQ(Http_Pending(), 0);
        for (auto& done : Http_Poll()) done();
        EXPECT_FALSE(called) << url;
    }
}

// A server that never answers: polls return at once, and cancelling (or shutting the
// client down) drops the transfer without running its completion.
TEST(HttpClient, PollingNeverWaitsAndCancelledTransfersEndQuietly) {
    TTestHttpServer server({{"/hang", [](const auto&) { return TTestHttpServer::Reply{200, "late", true}; }}});
    ASSERT_TRUE(server.Listening());
    for (void (*stop)() : {&Http_CancelAll, &Http_Shutdown}) {
        bool called = false;
        ASSERT_GE(Http_Get(server.Url("/hang"), [&](CHttpReply&) { called = true; }), 0);
        const size_t before = server.Seen().size();
        const auto deadline = Clock::now() + std::chrono::seconds(10);
        while (server.Seen().size() == before && Clock::now() < deadline) {
            const auto start = Clock::now();
            for (auto& done : Http_Poll()) done();
            EXPECT_LT(Clock::now() - start, std::chrono::milliseconds(200));
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
        }
        ASSERT_GT(server.Seen().size(), before);
        EXPECT_EQ(Http_Pending(), 1);
        stop();
        EXPECT_EQ(Http_Pending(), 0);
        for (auto& done : Http_Poll()) done();
        EXPECT_FALSE(called);
    }
}

}  // namespace
