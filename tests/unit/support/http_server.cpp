#include "support/http_server.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <chrono>
#include <cstring>

namespace {

int Listen(int& port) {
    const int s = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (s < 0) return -1;
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t len = sizeof a;
    if (::bind(s, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0 || ::listen(s, 16) != 0 ||
        ::getsockname(s, reinterpret_cast<sockaddr*>(&a), &len) != 0) {
        ::close(s);
        return -1;
    }
    port = ntohs(a.sin_port);
    return s;
}

bool SendAll(int s, const std::string& data) {
    size_t sent = 0;
    while (sent < data.size()) {
        const ssize_t n = ::send(s, data.data() + sent, data.size() - sent, MSG_NOSIGNAL);
        if (n <= 0) return false;
        sent += size_t(n);
    }
    return true;
}

const char* Reason(int status) {
    switch (status) {
    case 200: return "OK";
    case 201: return "Created";
    case 404: return "Not Found";
    default: return "Status";
    }
}

}  // namespace

TTestHttpServer::TTestHttpServer(std::map<std::string, Route> routes) : routes_(std::move(routes)) {
    listener_ = Listen(port_);
    if (listener_ >= 0) acceptor_ = std::thread([this] { Accept(); });
}

TTestHttpServer::~TTestHttpServer() {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        stop_ = true;
    }
    stopped_.notify_all();
    if (acceptor_.joinable()) acceptor_.join();
    for (std::thread& t : connections_) t.join();
    if (listener_ >= 0) ::close(listener_);
}

std::string TTestHttpServer::Url(const std::string& path) const {
    return "http://127.0.0.1:" + std::to_string(port_) + path;
}

std::vector<TTestHttpServer::Request> TTestHttpServer::Seen() {
    std::lock_guard<std::mutex> lock(mutex_);
    return seen_;
}

int TTestHttpServer::ClosedPort() {
    int port = 0;
    const int s = Listen(port);
    if (s >= 0) ::close(s);
    return port;
}

void TTestHttpServer::Accept() {
    while (!stop_) {
        pollfd p{listener_, POLLIN, 0};
        if (::poll(&p, 1, 50) <= 0) continue;
        const int c = ::accept4(listener_, nullptr, nullptr, SOCK_CLOEXEC);
        if (c < 0) continue;
        std::lock_guard<std::mutex> lock(mutex_);
        connections_.emplace_back([this, c] { Serve(c); });
    }
}

void TTestHttpServer::Serve(int c) {
    std::string in;
    char chunk[65536];
    size_t headerEnd = std::string::npos;
    Request r;
    size_t length = 0;
    // Reads until the headers and the announced body are in (or the peer gives up).
    for (;;) {
        if (headerEnd != std::string::npos && in.size() >= headerEnd + 4 + length) break;
        pollfd p{c, POLLIN, 0};
        if (stop_ || ::poll(&p, 1, 5000) <= 0) return (void)::close(c);
        const ssize_t n = ::recv(c, chunk, sizeof chunk, 0);
        if (n <= 0) return (void)::close(c);
        in.append(chunk, size_t(n));
        if (headerEnd == std::string::npos && (headerEnd = in.find("\r\n\r\n")) != std::string::npos) {
            size_t lineEnd = in.find("\r\n");
            const std::string first = in.substr(0, lineEnd);
            const size_t sp1 = first.find(' '), sp2 = first.find(' ', sp1 + 1);
            r.method = first.substr(0, sp1);
            r.path = first.substr(sp1 + 1, sp2 - sp1 - 1);
            for (size_t at = lineEnd + 2; at < headerEnd; at = lineEnd + 2) {
                lineEnd = in.find("\r\n", at);
                const std::string line = in.substr(at, lineEnd - at);
                const size_t colon = line.find(':');
                if (colon == std::string::npos) continue;
                std::string name = line.substr(0, colon);
                std::transform(name.begin(), name.end(), name.begin(),
                               [](unsigned char ch) { return std::tolower(ch); });
                size_t v = colon + 1;
                while (v < line.size() && line[v] == ' ') ++v;
                r.headers[name] = line.substr(v);
            }
            if (auto it = r.headers.find("content-length"); it != r.headers.end()) length = std::stoul(it->second);
        }
    }
    r.body = in.substr(headerEnd + 4, length);
    const std::string route = r.path.substr(0, r.path.find('?'));
    Reply reply{404, "no route"};
    if (auto it = routes_.find(route); it != routes_.end()) reply = it->second(r);
    {
        std::unique_lock<std::mutex> lock(mutex_);
        seen_.push_back(r);
        if (reply.hang) stopped_.wait_for(lock, std::chrono::seconds(30), [this] { return stop_.load(); });
    }
    if (!stop_)
        SendAll(c, "HTTP/1.1 " + std::to_string(reply.status) + " " + Reason(reply.status) + "\r\nContent-Length: " +
                       std::to_string(reply.body.size()) + "\r\nConnection: close\r\n\r\n" + reply.body);
    ::close(c);
}
