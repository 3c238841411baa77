// A one-connection-at-a-time HTTP server on 127.0.0.1 for transport tests: it records
// each request and answers with a canned raw reply, or stalls.
#pragma once

#include <atomic>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

class LoopbackServer {
public:
    // `reply` is sent verbatim after each request; with `stall` the server reads the
    // request and then sends nothing until it is stopped.
    explicit LoopbackServer(std::string reply, bool stall = false);
    ~LoopbackServer();

    int Port() const { return port_; }
    std::string Url(const std::string& path) const;

    // The raw requests received so far (head and body).
    std::vector<std::string> Requests();

    // Builds a complete reply with a Content-Length.
    static std::string Reply(int status, const std::string& body,
                             const std::string& contentType = "application/json");

private:
    void Serve();

    std::string reply_;
    bool stall_;
    unsigned long long listener_;
    int port_ = 0;
    std::atomic<bool> stopping_{false};
    std::mutex mutex_;
    std::vector<std::string> requests_;
    std::thread thread_;
};

// A port on 127.0.0.1 where nothing listens (bound, then closed).
int UnusedLoopbackPort();
