#include "tests/net/loopback_server.h"

#include <winsock2.h>
#include <ws2tcpip.h>

#include <cstdlib>

namespace {

struct WinsockSession {
    WinsockSession() {
        WSADATA data;
        WSAStartup(MAKEWORD(2, 2), &data);
    }
};

void EnsureWinsock() {
    static WinsockSession session;
}

SOCKET ListenOnLoopback(int* port) {
    EnsureWinsock();
    SOCKET s = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    sockaddr_in address = {};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = 0;
    bind(s, reinterpret_cast<sockaddr*>(&address), sizeof address);
    listen(s, 8);
    int length = sizeof address;
    getsockname(s, reinterpret_cast<sockaddr*>(&address), &length);
    *port = ntohs(address.sin_port);
    return s;
}

// Reads one request: the head up to the blank line, then Content-Length bytes.
std::string ReadRequest(SOCKET client) {
    std::string data;
    char buffer[4096];
    size_t bodyStart = std::string::npos;
    size_t wanted = 0;
    for (;;) {
        if (bodyStart != std::string::npos && data.size() >= bodyStart + wanted)
            break;
        int n = recv(client, buffer, sizeof buffer, 0);
        if (n <= 0)
            break;
        data.append(buffer, static_cast<size_t>(n));
        if (bodyStart == std::string::npos) {
            size_t end = data.find("\r\n\r\n");
            if (end != std::string::npos) {
                bodyStart = end + 4;
                size_t at = data.find("Content-Length:");
                if (at != std::string::npos && at < end)
                    wanted = std::strtoul(data.c_str() + at + 15, nullptr, 10);
            }
        }
    }
    return data;
}

}  // namespace

LoopbackServer::LoopbackServer(std::string reply, bool stall)
    : reply_(std::move(reply)), stall_(stall) {
    listener_ = ListenOnLoopback(&port_);
    thread_ = std::thread(&LoopbackServer::Serve, this);
}

LoopbackServer::~LoopbackServer() {
    stopping_ = true;
    closesocket(static_cast<SOCKET>(listener_));
    thread_.join();
}

std::string LoopbackServer::Url(const std::string& path) const {
    return "http://127.0.0.1:" + std::to_string(port_) + path;
}

std::vector<std::string> LoopbackServer::Requests() {
    std::lock_guard<std::mutex> lock(mutex_);
    return requests_;
}

std::string LoopbackServer::Reply(int status, const std::string& body,
                                  const std::string& contentType) {
    return "HTTP/1.1 " + std::to_string(status) + " X\r\nContent-Type: " + contentType +
           "\r\nContent-Length: " + std::to_string(body.size()) + "\r\nConnection: close\r\n\r\n" +
           body;
}

void LoopbackServer::Serve() {
    while (!stopping_) {
        SOCKET client = accept(static_cast<SOCKET>(listener_), nullptr, nullptr);
        if (client == INVALID_SOCKET)
            return;
        std::string request = ReadRequest(client);
        {
            std::lock_guard<std::mutex> lock(mutex_);
            requests_.push_back(request);
        }
        if (stall_) {
            while (!stopping_)
                Sleep(50);
        } else {
            send(client, reply_.data(), static_cast<int>(reply_.size()), 0);
            shutdown(client, SD_SEND);
        }
        closesocket(client);
    }
}

int UnusedLoopbackPort() {
    int port = 0;
    SOCKET s = ListenOnLoopback(&port);
    closesocket(s);
    return port;
}
