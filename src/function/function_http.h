#pragma once
// http_get and http_post_string, the asynchronous events that deliver their replies
// and finished picture downloads, and the async_load variable those events read.
#include <cstddef>
#include <functional>
#include <string>

#include "vm/registry.h"

struct CPictureOptions;

extern const FunctionImpl kHttpFunctions[];
extern const size_t kHttpFunctionCount;

// async_load: the map of the asynchronous event being delivered, -1 otherwise.
void Http_ConnectVariables();

// Once per frame: moves the transfers on; finished ones wait for delivery.
void Http_Progress();
// Delivers the oldest finished request as its asynchronous event; false when none is
// waiting.
bool Http_DeliverOne();
// Queues an asynchronous event of another source (a dialog's answer) to be delivered
// with the replies: makeMap runs at delivery and its map is async_load meanwhile.
void Http_QueueAsyncEvent(int eventNumber, std::function<int()> makeMap);
// Game end: transfers still running are dropped, undelivered results too.
void Http_Reset();

// sprite_add / background_add with an http(s) URL: a new empty entry whose index is
// returned at once (-1 when the download cannot start); the picture is loaded into it
// when the download finishes, and the Image Loaded event reports the outcome.
int Http_DownloadSprite(const std::string& url, int frames, const CPictureOptions& options, int xorigin, int yorigin);
int Http_DownloadBackground(const std::string& url, const CPictureOptions& options);
