#pragma once

#include "win32/Handles.h"
#include "win32/Sockets.h"

#include <atomic>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

// A DICT server of the test's own on a free port of 127.0.0.1, playing one part with every
// connection it accepts, one connection after another. Every wait of it is bounded.
class FakeDictServer {
public:
    using Play = std::function<void(FakeDictServer&, SOCKET)>;
    explicit FakeDictServer(Play play);
    // A server that never accepts, its queue of connections full: a connection to it waits.
    struct Full {};
    explicit FakeDictServer(Full);
    ~FakeDictServer();
    FakeDictServer(const FakeDictServer&) = delete;
    FakeDictServer& operator=(const FakeDictServer&) = delete;

    std::string address() const { return "127.0.0.1:" + std::to_string(port_); }
    std::uint16_t port() const { return port_; }
    int accepted() const { return accepted_; }

    // For the parts: whether all was sent within 10 s (the client may have gone).
    static bool sendAll(SOCKET connection, std::string_view bytes);
    // The client's next line without its end, within 10 s; nothing when it closed.
    std::optional<std::string> readLine(SOCKET connection);
    // The greeting and the answer to the client's introduction, as a real server gives them.
    bool greet(SOCKET connection);
    // Keeps the connection open, saying nothing, until the server is destroyed (30 s at most).
    void holdUntilStopped();

private:
    bool listenOn(int backlog);
    void run();

    Play play_;
    win32::WinsockUse winsock_;
    win32::Socket listener_;
    win32::Handle stop_;
    std::uint16_t port_ = 0;
    std::atomic<int> accepted_{0};
    std::thread thread_;
    std::vector<win32::Socket> waiting_; // the connections that fill a full server's queue
};
