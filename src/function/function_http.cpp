#include "function/function_http.h"

#include <cstdint>
#include <deque>
#include <functional>
#include <iterator>
#include <string>
#include <utility>
#include <vector>

#include "ds/ds_structures.h"
#include "graphics/sprite_create.h"
#include "graphics/sprite_draw.h"
#include "net/http_client.h"
#include "object/event.h"
#include "value/args.h"
#include "variable/variables.h"

namespace {

constexpr int kImageLoadedEvent = 60;
constexpr int kHttpEvent = 62;

int g_asyncLoad = -1;
// Finished requests, delivered one per phase so that a room change can stop the frame
// between two of them.
std::deque<std::function<void()>> g_finished;

struct TEntry {
    const char* key;
    CValue value;
};

int NewMap(std::vector<TEntry> entries) {
    CDSTable<CDS_Map>& maps = DS_Table<CDS_Map>();
    const int id = maps.Create();
    if (CDS_Map* map = maps.Find(id))
        for (const TEntry& e : entries) map->Add(CValue(std::string_view(e.key)), e.value);
    return id;
}

// The map stays the game's, like any map it makes.
void Raise(int number, int map) {
    const int outer = g_asyncLoad;
    g_asyncLoad = map;
    Event_RunAsync(number);
    g_asyncLoad = outer;
}

void DeliverReply(const CHttpReply& reply) {
    const double status = reply.body.empty() ? -1 : 0;
    Raise(kHttpEvent, NewMap({{"id", CValue(double(reply.id))},
                              {"url", CValue(std::string_view(reply.url))},
                              {"result", CValue(std::string_view(reply.body))},
                              {"http_status", CValue(double(reply.httpStatus))},
                              {"status", CValue(status)}}));
}

const uint8_t* Bytes(const CHttpReply& reply) { return reinterpret_cast<const uint8_t*>(reply.body.data()); }

void ReportPicture(const std::string& url, bool loaded) {
    Raise(kImageLoadedEvent,
          NewMap({{"status", CValue(loaded ? 0.0 : -1.0)}, {"filename", CValue(std::string_view(url))}}));
}

void Queue(std::vector<std::function<void()>> finished) {
    for (auto& f : finished) g_finished.push_back(std::move(f));
}

void F_HttpGet(CValue& result, CInstance*, CInstance*, int argc, CValue* args) {
    result.SetReal(Http_Get(std::string(Arg_Text(argc, args, 0)), DeliverReply));
}

void F_HttpPostString(CValue& result, CInstance*, CInstance*, int argc, CValue* args) {
    result.SetReal(Http_Post(std::string(Arg_Text(argc, args, 0)), std::string(Arg_Text(argc, args, 1)), DeliverReply));
}

}  // namespace

const FunctionImpl kHttpFunctions[] = {
    {"http_get", F_HttpGet},
    {"http_post_string", F_HttpPostString},
};
extern const size_t kHttpFunctionCount = std::size(kHttpFunctions);

void Http_ConnectVariables() {
    Variable_ConnectBuiltin(
        "async_load",
        [](CInstance*, int32_t, CValue& r) -> bool {
            r.SetReal(g_asyncLoad);
            return true;
        },
        nullptr);
}

void Http_Progress() { Queue(Http_Poll()); }

bool Http_DeliverOne() {
    if (g_finished.empty()) return false;
    std::function<void()> deliver = std::move(g_finished.front());
    g_finished.pop_front();
    deliver();
    return true;
}

void Http_QueueAsyncEvent(int eventNumber, std::function<int()> makeMap) {
    g_finished.push_back([eventNumber, makeMap = std::move(makeMap)] { Raise(eventNumber, makeMap()); });
}

void Http_Reset() {
    Http_CancelAll();
    g_finished.clear();
    g_asyncLoad = -1;
}

int Http_DownloadSprite(const std::string& url, int frames, const CPictureOptions& options, int xorigin, int yorigin) {
    // The entry is appended after the request is under way, so the index is the
    // table's length now.
    const int index = Sprite_Count();
    const int request = Http_Get(url, [=](CHttpReply& reply) {
        // The body is the picture file itself, decoded where it arrived.
        std::vector<CBitmap32> pictures;
        const bool loaded = Sprite_DecodeFrames(Bytes(reply), reply.body.size(), frames, options, pictures) &&
                            Sprite_ReplacePictures(index, std::move(pictures), options, xorigin, yorigin);
        ReportPicture(reply.url, loaded);
    });
    if (request < 0) return -1;
    return Sprite_AddBlank();
}

int Http_DownloadBackground(const std::string& url, const CPictureOptions& options) {
    const int index = Background_Count();
    const int request = Http_Get(url, [=](CHttpReply& reply) {
        CBitmap32 picture;
        const bool loaded = Background_DecodePicture(Bytes(reply), reply.body.size(), options, picture) &&
                            Background_ReplacePicture(index, std::move(picture), options);
        ReportPicture(reply.url, loaded);
    });
    if (request < 0) return -1;
    return Background_AddBlank();
}
