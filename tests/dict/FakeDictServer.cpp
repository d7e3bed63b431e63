#include "FakeDictServer.h"

FakeDictServer::FakeDictServer(Play play)
    : play_(std::move(play)), stop_(CreateEventW(nullptr, TRUE, FALSE, nullptr)) {
    if (listenOn(SOMAXCONN))
        thread_ = std::thread([this] { run(); });
}

FakeDictServer::FakeDictServer(Full) : stop_(CreateEventW(nullptr, TRUE, FALSE, nullptr)) {
    if (!listenOn(0))
        return;
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = htons(port_);
    for (int i = 0; i < 4; ++i) {
        win32::Socket filler(socket(AF_INET, SOCK_STREAM, IPPROTO_TCP));
        u_long nonBlocking = 1;
        ioctlsocket(filler.get(), FIONBIO, &nonBlocking);
        connect(filler.get(), reinterpret_cast<sockaddr*>(&address), sizeof address);
        waiting_.push_back(std::move(filler));
    }
}

bool FakeDictServer::listenOn(int backlog) {
    listener_ = win32::Socket(socket(AF_INET, SOCK_STREAM, IPPROTO_TCP));
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    int length = sizeof address;
    if (bind(listener_.get(), reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
        listen(listener_.get(), backlog) != 0 ||
        getsockname(listener_.get(), reinterpret_cast<sockaddr*>(&address), &length) != 0)
        return false;
    port_ = ntohs(address.sin_port);
    return true;
}

FakeDictServer::~FakeDictServer() {
    SetEvent(stop_.get());
    if (thread_.joinable())
        thread_.join();
}

void FakeDictServer::run() {
    while (WaitForSingleObject(stop_.get(), 0) != WAIT_OBJECT_0) {
        fd_set ready;
        FD_ZERO(&ready);
        FD_SET(listener_.get(), &ready);
        timeval slice{0, 50 * 1000}; // the stop is looked at between slices
        if (select(0, &ready, nullptr, nullptr, &slice) != 1)
            continue;
        win32::Socket connection(accept(listener_.get(), nullptr, nullptr));
        if (!connection.valid())
            continue;
        ++accepted_;
        play_(*this, connection.get());
        shutdown(connection.get(), SD_SEND);
    }
}

bool FakeDictServer::sendAll(SOCKET connection, std::string_view bytes) {
    // A client that stopped reading must not hold the server: no send waits past 10 s.
    u_long nonBlocking = 1;
    ioctlsocket(connection, FIONBIO, &nonBlocking);
    const ULONGLONG deadline = GetTickCount64() + 10000;
    while (!bytes.empty() && GetTickCount64() < deadline) {
        const int sent = send(connection, bytes.data(), static_cast<int>(bytes.size()), 0);
        if (sent > 0) {
            bytes.remove_prefix(static_cast<std::size_t>(sent));
            continue;
        }
        if (WSAGetLastError() != WSAEWOULDBLOCK)
            return false;
        fd_set ready;
        FD_ZERO(&ready);
        FD_SET(connection, &ready);
        timeval slice{0, 50 * 1000};
        select(0, nullptr, &ready, nullptr, &slice);
    }
    return bytes.empty();
}

std::optional<std::string> FakeDictServer::readLine(SOCKET connection) {
    std::string line;
    const ULONGLONG deadline = GetTickCount64() + 10000;
    while (GetTickCount64() < deadline && WaitForSingleObject(stop_.get(), 0) != WAIT_OBJECT_0) {
        fd_set ready;
        FD_ZERO(&ready);
        FD_SET(connection, &ready);
        timeval slice{0, 50 * 1000};
        if (select(0, &ready, nullptr, nullptr, &slice) != 1)
            continue;
        char c = 0;
        if (recv(connection, &c, 1, 0) != 1)
            return std::nullopt;
        if (c == '\n') {
            if (!line.empty() && line.back() == '\r')
                line.pop_back();
            return line;
        }
        line += c;
    }
    return std::nullopt;
}

bool FakeDictServer::greet(SOCKET connection) {
    if (!sendAll(connection, "220 fake.test dictd <auth.mime> <1.1@fake.test>\r\n"))
        return false;
    const auto introduction = readLine(connection);
    return introduction && introduction->rfind("CLIENT ", 0) == 0 &&
           sendAll(connection, "250 ok\r\n");
}

void FakeDictServer::holdUntilStopped() {
    WaitForSingleObject(stop_.get(), 30000);
}
