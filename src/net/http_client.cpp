#include "net/http_client.h"

#include <curl/curl.h>

#include <cstdint>
#include <memory>
#include <new>
#include <unordered_map>

#include "platform/console.h"
#include "platform/dynamic_library.h"

namespace {

constexpr const char* kUserAgent = "Zorvex HTTP";
// The reply buffer starts at this size and grows to an announced larger length.
constexpr size_t kInitialBuffer = 131072;
// A reply is refused past this size, rather than exhausting memory.
constexpr size_t kMaxReply = size_t(512) << 20;
// No transfer may hang the game: these bound connecting and the whole exchange.
constexpr long kConnectTimeoutSeconds = 15;
constexpr long kTransferTimeoutSeconds = 120;

// libcurl is opened on the first request, not linked: its dependencies (TLS, compression,
// name lookup) would otherwise be loaded and relocated at every start of every game,
// which costs more than the whole rest of the runner's own linking.
constexpr const char* kCurlLibrary = "libcurl.so.4";

struct TCurl {
    decltype(&curl_global_init) global_init = nullptr;
    decltype(&curl_global_cleanup) global_cleanup = nullptr;
    decltype(&curl_easy_init) easy_init = nullptr;
    decltype(&curl_easy_setopt) easy_setopt = nullptr;
    decltype(&curl_easy_getinfo) easy_getinfo = nullptr;
    decltype(&curl_easy_cleanup) easy_cleanup = nullptr;
    decltype(&curl_easy_strerror) easy_strerror = nullptr;
    decltype(&curl_slist_append) slist_append = nullptr;
    decltype(&curl_slist_free_all) slist_free_all = nullptr;
    decltype(&curl_multi_init) multi_init = nullptr;
    decltype(&curl_multi_add_handle) multi_add_handle = nullptr;
    decltype(&curl_multi_remove_handle) multi_remove_handle = nullptr;
    decltype(&curl_multi_perform) multi_perform = nullptr;
    decltype(&curl_multi_info_read) multi_info_read = nullptr;
    decltype(&curl_multi_cleanup) multi_cleanup = nullptr;
};

// The library's entry points, null until it is open. It stays open to the end of the
// process: handles may still be released while statics are destroyed.
const TCurl* g_curl = nullptr;

template <typename T>
bool Bind(const TDynamicLibrary& library, const char* name, T& entry) {
    entry = reinterpret_cast<T>(library.Symbol(name));
    return entry != nullptr;
}

const TCurl* LoadCurl() {
    static bool tried = false;
    if (g_curl || tried) return g_curl;
    tried = true;
    // Built in place and never destroyed, so the library is never closed.
    alignas(TDynamicLibrary) static unsigned char storage[sizeof(TDynamicLibrary)];
    auto* library = new (storage) TDynamicLibrary();
    std::string error;
    static TCurl curl;
    bool ok = library->Open(kCurlLibrary, error);
    if (ok) {
        ok = Bind(*library, "curl_global_init", curl.global_init) &&
             Bind(*library, "curl_global_cleanup", curl.global_cleanup) &&
             Bind(*library, "curl_easy_init", curl.easy_init) && Bind(*library, "curl_easy_setopt", curl.easy_setopt) &&
             Bind(*library, "curl_easy_getinfo", curl.easy_getinfo) &&
             Bind(*library, "curl_easy_cleanup", curl.easy_cleanup) &&
             Bind(*library, "curl_easy_strerror", curl.easy_strerror) &&
             Bind(*library, "curl_slist_append", curl.slist_append) &&
             Bind(*library, "curl_slist_free_all", curl.slist_free_all) &&
             Bind(*library, "curl_multi_init", curl.multi_init) &&
             Bind(*library, "curl_multi_add_handle", curl.multi_add_handle) &&
             Bind(*library, "curl_multi_remove_handle", curl.multi_remove_handle) &&
             Bind(*library, "curl_multi_perform", curl.multi_perform) &&
             Bind(*library, "curl_multi_info_read", curl.multi_info_read) &&
             Bind(*library, "curl_multi_cleanup", curl.multi_cleanup);
        if (!ok) error = std::string(kCurlLibrary) + " lacks an entry point the HTTP client uses";
    }
    if (!ok) {
        Console().Output("%s: %s\n", "InternetOpen", ("the HTTP client could not start: " + error).c_str());
        library->~TDynamicLibrary();
        return nullptr;
    }
    g_curl = &curl;
    return g_curl;
}

void EasyCleanup(CURL* easy) { g_curl->easy_cleanup(easy); }
void SlistFreeAll(curl_slist* list) { g_curl->slist_free_all(list); }
void MultiCleanup(CURLM* multi) { g_curl->multi_cleanup(multi); }

struct TRequest {
    CHttpReply reply;
    THttpDone done;
    std::string postBody;
    bool isPost = false;
    std::unique_ptr<CURL, decltype(&EasyCleanup)> easy{nullptr, &EasyCleanup};
    std::unique_ptr<curl_slist, decltype(&SlistFreeAll)> headers{nullptr, &SlistFreeAll};
    bool tooLarge = false;
};

struct TSession {
    bool globalInit = false;
    std::unique_ptr<CURLM, decltype(&MultiCleanup)> multi{nullptr, &MultiCleanup};
    std::unordered_map<CURL*, std::unique_ptr<TRequest>> requests;
    int nextId = 0;

    ~TSession() { Close(); }

    bool Open() {
        if (multi) return true;
        if (LoadCurl() == nullptr) return false;
        if (!globalInit) {
            if (g_curl->global_init(CURL_GLOBAL_DEFAULT) != CURLE_OK) {
                Console().Output("%s: %s\n", "InternetOpen", "the HTTP client could not start");
                return false;
            }
            globalInit = true;
        }
        multi.reset(g_curl->multi_init());
        if (!multi) Console().Output("%s: %s\n", "InternetOpen", "the HTTP client could not start");
        return bool(multi);
    }
    void Cancel() {
        for (auto& [easy, request] : requests) g_curl->multi_remove_handle(multi.get(), easy);
        requests.clear();
    }
    void Close() {
        Cancel();
        multi.reset();
        if (globalInit) g_curl->global_cleanup();
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
    if (g_curl->easy_getinfo(request->easy.get(), CURLINFO_CONTENT_LENGTH_DOWNLOAD_T, &length) == CURLE_OK &&
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
    request->easy.reset(g_curl->easy_init());
    CURL* easy = request->easy.get();
    if (easy == nullptr) {
        Console().Output("%s: %s\n", "HttpOpenRequest", "no transfer handle");
        return -1;
    }
    request->reply.id = s.nextId;
    request->reply.url = url;
    request->reply.body.reserve(kInitialBuffer);
    request->done = std::move(done);
    g_curl->easy_setopt(easy, CURLOPT_URL, url.c_str());
    g_curl->easy_setopt(easy, CURLOPT_PROTOCOLS_STR, "http,https");
    g_curl->easy_setopt(easy, CURLOPT_REDIR_PROTOCOLS_STR, "http,https");
    g_curl->easy_setopt(easy, CURLOPT_FOLLOWLOCATION, 1L);
    g_curl->easy_setopt(easy, CURLOPT_MAXREDIRS, 10L);
    g_curl->easy_setopt(easy, CURLOPT_USERAGENT, kUserAgent);
    g_curl->easy_setopt(easy, CURLOPT_NOSIGNAL, 1L);
    g_curl->easy_setopt(easy, CURLOPT_CONNECTTIMEOUT, kConnectTimeoutSeconds);
    g_curl->easy_setopt(easy, CURLOPT_TIMEOUT, kTransferTimeoutSeconds);
    g_curl->easy_setopt(easy, CURLOPT_BUFFERSIZE, long(kInitialBuffer));
    g_curl->easy_setopt(easy, CURLOPT_HEADERFUNCTION, OnHeader);
    g_curl->easy_setopt(easy, CURLOPT_HEADERDATA, request.get());
    g_curl->easy_setopt(easy, CURLOPT_WRITEFUNCTION, OnBody);
    g_curl->easy_setopt(easy, CURLOPT_WRITEDATA, request.get());
    // Every request goes to the server: nothing is answered from a cache.
    curl_slist* headers = g_curl->slist_append(nullptr, "Cache-Control: no-cache");
    if (postBody != nullptr) {
        request->isPost = true;
        request->postBody = *postBody;
        headers = g_curl->slist_append(headers, "Content-Type: application/x-www-form-urlencoded");
        headers = g_curl->slist_append(headers, "Accept: */*");
        // The body goes at once, without waiting for a "100 Continue".
        headers = g_curl->slist_append(headers, "Expect:");
        g_curl->easy_setopt(easy, CURLOPT_POST, 1L);
        g_curl->easy_setopt(easy, CURLOPT_POSTFIELDS, request->postBody.data());
        g_curl->easy_setopt(easy, CURLOPT_POSTFIELDSIZE_LARGE, curl_off_t(request->postBody.size()));
    }
    request->headers.reset(headers);
    g_curl->easy_setopt(easy, CURLOPT_HTTPHEADER, headers);
    if (g_curl->multi_add_handle(s.multi.get(), easy) != CURLM_OK) {
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
    g_curl->easy_getinfo(easy, CURLINFO_RESPONSE_CODE, &code);
    if (result != CURLE_OK) {
        // Named after the step that failed: no reply at all means the request was not
        // answered, otherwise reading (or, for a POST, sending) broke off.
        const char* step = code == 0                                       ? "HttpSendRequest"
                           : result == CURLE_SEND_ERROR && request->isPost ? "InternetWriteFile"
                                                                           : "InternetReadFile";
        Console().Output("%s: %s\n", step, request->tooLarge ? "reply too large" : g_curl->easy_strerror(result));
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
    g_curl->multi_perform(s.multi.get(), &running);
    int queued = 0;
    while (CURLMsg* msg = g_curl->multi_info_read(s.multi.get(), &queued)) {
        if (msg->msg != CURLMSG_DONE) continue;
        CURL* easy = msg->easy_handle;
        const CURLcode result = msg->data.result;
        auto it = s.requests.find(easy);
        if (it == s.requests.end()) continue;
        std::unique_ptr<TRequest> request = std::move(it->second);
        s.requests.erase(it);
        g_curl->multi_remove_handle(s.multi.get(), easy);
        finished.push_back(Finish(std::move(request), result));
    }
    return finished;
}

int Http_Pending() { return int(Session().requests.size()); }

void Http_CancelAll() {
    if (Session().multi) Session().Cancel();
}

void Http_Shutdown() { Session().Close(); }
