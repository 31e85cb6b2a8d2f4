#include "net/http_client.h"

#include <curl/curl.h>

#include <cstdint>
#include <memory>
#include <unordered_map>

#include "platform/console.h"

namespace {

constexpr const char* kUserAgent = "Zorvex HTTP";
// The reply buffer starts at this size and grows to an announced larger length.
constexpr size_t kInitialBuffer = 131072;
// A reply is refused past this size, rather than exhausting memory.
constexpr size_t kMaxReply = size_t(512) << 20;
// No transfer may hang the game: these bound connecting and the whole exchange.
constexpr long kConnectTimeoutSeconds = 15;
constexpr long kTransferTimeoutSeconds = 120;

struct TRequest {
    CHttpReply reply;
    THttpDone done;
    std::string postBody;
    bool isPost = false;
    std::unique_ptr<CURL, decltype(&curl_easy_cleanup)> easy{nullptr, &curl_easy_cleanup};
    std::unique_ptr<curl_slist, decltype(&curl_slist_free_all)> headers{nullptr, &curl_slist_free_all};
    bool tooLarge = false;
};

struct TSession {
    bool globalInit = false;
    std::unique_ptr<CURLM, decltype(&curl_multi_cleanup)> multi{nullptr, &curl_multi_cleanup};
    std::unordered_map<CURL*, std::unique_ptr<TRequest>> requests;
    int nextId = 0;

    ~TSession() { Close(); }

    bool Open() {
        if (multi) return true;
        if (!globalInit) {
            if (curl_global_init(CURL_GLOBAL_DEFAULT) != CURLE_OK) {
                Console().Output("%s: %s\n", "InternetOpen", "the HTTP client could not start");
                return false;
            }
            globalInit = true;
        }
        multi.reset(curl_multi_init());
        if (!multi) Console().Output("%s: %s\n", "InternetOpen", "the HTTP client could not start");
        return bool(multi);
    }
    void Cancel() {
        for (auto& [easy, request] : requests) curl_multi_remove_handle(multi.get(), easy);
        requests.clear();
    }
    void Close() {
        Cancel();
        multi.reset();
        if (globalInit) curl_global_cleanup();
        globalInit = false;
    }
};

TSession& Session() {
    static TSession session;
    return session;
}

size_t OnHeader(char* data, size_t size, size_t count, void* user) {
    // The announced length sizes the buffer once, as soon as it is known.
    auto* request = static_cast<TRequest*>(user);
    curl_off_t length = -1;
    if (curl_easy_getinfo(request->easy.get(), CURLINFO_CONTENT_LENGTH_DOWNLOAD_T, &length) == CURLE_OK &&
        length > curl_off_t(request->reply.body.capacity()) && size_t(length) <= kMaxReply)
        request->reply.body.reserve(size_t(length));
    (void)data;
    return size * count;
}

size_t OnBody(char* data, size_t size, size_t count, void* user) {
    auto* request = static_cast<TRequest*>(user);
    const size_t n = size * count;
    if (request->reply.body.size() + n > kMaxReply) {
        request->tooLarge = true;
        return 0;  // ends the transfer with a write error
    }
    request->reply.body.append(data, n);
    return n;
}

int Start(const std::string& url, const std::string* postBody, THttpDone done) {
    if (!Http_IsUrl(url)) return -1;
    TSession& s = Session();
    if (!s.Open()) return -1;
    auto request = std::make_unique<TRequest>();
    request->easy.reset(curl_easy_init());
    CURL* easy = request->easy.get();
    if (easy == nullptr) {
        Console().Output("%s: %s\n", "HttpOpenRequest", "no transfer handle");
        return -1;
    }
    request->reply.id = s.nextId;
    request->reply.url = url;
    request->reply.body.reserve(kInitialBuffer);
    request->done = std::move(done);
    curl_easy_setopt(easy, CURLOPT_URL, url.c_str());
    curl_easy_setopt(easy, CURLOPT_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(easy, CURLOPT_REDIR_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(easy, CURLOPT_FOLLOWLOCATION, 1L);
    curl_easy_setopt(easy, CURLOPT_MAXREDIRS, 10L);
    curl_easy_setopt(easy, CURLOPT_USERAGENT, kUserAgent);
    curl_easy_setopt(easy, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(easy, CURLOPT_CONNECTTIMEOUT, kConnectTimeoutSeconds);
    curl_easy_setopt(easy, CURLOPT_TIMEOUT, kTransferTimeoutSeconds);
    curl_easy_setopt(easy, CURLOPT_BUFFERSIZE, long(kInitialBuffer));
    curl_easy_setopt(easy, CURLOPT_HEADERFUNCTION, OnHeader);
    curl_easy_setopt(easy, CURLOPT_HEADERDATA, request.get());
    curl_easy_setopt(easy, CURLOPT_WRITEFUNCTION, OnBody);
    curl_easy_setopt(easy, CURLOPT_WRITEDATA, request.get());
    // Every request goes to the server: nothing is answered from a cache.
    curl_slist* headers = curl_slist_append(nullptr, "Cache-Control: no-cache");
    if (postBody != nullptr) {
        request->isPost = true;
        request->postBody = *postBody;
        headers = curl_slist_append(headers, "Content-Type: application/x-www-form-urlencoded");
        headers = curl_slist_append(headers, "Accept: */*");
        // The body goes at once, without waiting for a "100 Continue".
        headers = curl_slist_append(headers, "Expect:");
        curl_easy_setopt(easy, CURLOPT_POST, 1L);
        curl_easy_setopt(easy, CURLOPT_POSTFIELDS, request->postBody.data());
        curl_easy_setopt(easy, CURLOPT_POSTFIELDSIZE_LARGE, curl_off_t(request->postBody.size()));
    }
    request->headers.reset(headers);
    curl_easy_setopt(easy, CURLOPT_HTTPHEADER, headers);
    if (curl_multi_add_handle(s.multi.get(), easy) != CURLM_OK) {
        Console().Output("%s: %s\n", "HttpSendRequest", "the transfer could not be added");
        return -1;
    }
    const int id = s.nextId++;
    s.requests.emplace(easy, std::move(request));
    return id;
}

// Ends a transfer: the status code, the log lines, and the completion to run.
std::function<void()> Finish(std::unique_ptr<TRequest> request, CURLcode result) {
    CURL* easy = request->easy.get();
    long code = 0;
    curl_easy_getinfo(easy, CURLINFO_RESPONSE_CODE, &code);
    if (result != CURLE_OK) {
        // Named after the step that failed: no reply at all means the request was not
        // answered, otherwise reading (or, for a POST, sending) broke off.
        const char* step = code == 0                                       ? "HttpSendRequest"
                           : result == CURLE_SEND_ERROR && request->isPost ? "InternetWriteFile"
                                                                           : "InternetReadFile";
        Console().Output("%s: %s\n", step, request->tooLarge ? "reply too large" : curl_easy_strerror(result));
    }
    request->reply.httpStatus = code > 0 ? int(code) : 200;
    Console().Output("size=%d, incoming = %.20s\n", int(request->reply.body.size()), request->reply.body.c_str());
    // The handles go now: a completion may outlive the client (it is closed on exit).
    request->easy.reset();
    request->headers.reset();
    std::shared_ptr<TRequest> finished(std::move(request));
    return [finished] {
        if (finished->done) finished->done(finished->reply);
    };
}

}  // namespace

bool Http_IsUrl(std::string_view url) { return url.rfind("http://", 0) == 0 || url.rfind("https://", 0) == 0; }

int Http_Get(const std::string& url, THttpDone done) { return Start(url, nullptr, std::move(done)); }
int Http_Post(const std::string& url, const std::string& body, THttpDone done) {
    return Start(url, &body, std::move(done));
}

std::vector<std::function<void()>> Http_Poll() {
    std::vector<std::function<void()>> finished;
    TSession& s = Session();
    if (!s.multi || s.requests.empty()) return finished;
    int running = 0;
    curl_multi_perform(s.multi.get(), &running);
    int queued = 0;
    while (CURLMsg* msg = curl_multi_info_read(s.multi.get(), &queued)) {
        if (msg->msg != CURLMSG_DONE) continue;
        CURL* easy = msg->easy_handle;
        const CURLcode result = msg->data.result;
        auto it = s.requests.find(easy);
        if (it == s.requests.end()) continue;
        std::unique_ptr<TRequest> request = std::move(it->second);
        s.requests.erase(it);
        curl_multi_remove_handle(s.multi.get(), easy);
        finished.push_back(Finish(std::move(request), result));
    }
    return finished;
}

int Http_Pending() { return int(Session().requests.size()); }

void Http_CancelAll() {
    if (Session().multi) Session().Cancel();
}

void Http_Shutdown() { Session().Close(); }
