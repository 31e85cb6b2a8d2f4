#pragma once
// A small HTTP/1.1 server on 127.0.0.1 (a free port) for tests that make requests: each
// connection gets one reply from the route table, then is closed.
#include <atomic>
#include <condition_variable>
#include <functional>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

class TTestHttpServer {
public:
    struct Request {
        std::string method, path, body;
        std::map<std::string, std::string> headers;  // names in lower case
    };
    struct Reply {
        int status = 200;
        std::string body;
        // Holds the reply back until the server stops (a request that never ends).
        bool hang = false;
    };
    using Route = std::function<Reply(const Request&)>;

    explicit TTestHttpServer(std::map<std::string, Route> routes);
    ~TTestHttpServer();
    TTestHttpServer(const TTestHttpServer&) = delete;
    TTestHttpServer& operator=(const TTestHttpServer&) = delete;

    bool Listening() const { return listener_ >= 0; }
    std::string Url(const std::string& path) const;
    // The requests seen so far, in arrival order.
    std::vector<Request> Seen();

    // A port on 127.0.0.1 where nothing listens (bound, then released).
    static int ClosedPort();

private:
    void Accept();
    void Serve(int connection);

    std::map<std::string, Route> routes_;
    int listener_ = -1;
    int port_ = 0;
    std::atomic<bool> stop_{false};
    std::mutex mutex_;
    std::condition_variable stopped_;
    std::vector<Request> seen_;
    std::vector<std::thread> connections_;
    std::thread acceptor_;
};
