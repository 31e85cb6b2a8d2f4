#pragma once
// HTTP requests in the background on one libcurl multi handle. Nothing here blocks:
// Http_Poll, called once per frame on the main thread, moves every transfer on and
// hands back the ones that finished, so their completions run on the main thread too.
#include <functional>
#include <string>
#include <string_view>
#include <vector>

// What a finished request gives its owner.
struct CHttpReply {
    int id = -1;
    std::string url;
    std::string body;
    // The server's status code, 200 when none could be read (no reply at all).
    int httpStatus = 200;
};

using THttpDone = std::function<void(CHttpReply&)>;

// True for a URL the client fetches: one starting with "http://" or "https://".
bool Http_IsUrl(std::string_view url);

// Starts a GET (no body) or a POST of `body` as a form; `done` runs from Http_Poll when
// it ends, whichever way. The request id (unique for the process), or -1 when the URL
// is not an HTTP one or the transfer could not be set up (nothing will be called).
int Http_Get(const std::string& url, THttpDone done);
int Http_Post(const std::string& url, const std::string& body, THttpDone done);

// Moves every transfer on without waiting and returns the finished ones' completions,
// for the caller to run (they may start new requests).
std::vector<std::function<void()>> Http_Poll();
// Transfers still running.
int Http_Pending();
// Drops every transfer without calling its completion.
void Http_CancelAll();
// Cancels what is left and releases the client (it opens again on the next request).
void Http_Shutdown();
