#include "Connection.h"

#include "dict/Commands.h"

namespace dict {

namespace {

constexpr std::size_t kChunk = 16 * 1024;

Failure timedOut(DWORD answerMs) {
    return {"the server did not answer within " + durationText(answerMs),
            Failure::Advice::TryLater};
}

Failure stopped() {
    return {"the question was withdrawn", Failure::Advice::Stopped};
}

Failure broken(int error) {
    return {"the connection broke (Winsock error " + std::to_string(error) + ")",
            Failure::Advice::TryLater};
}

} // namespace

std::string durationText(DWORD milliseconds) {
    if (milliseconds % 1000 == 0)
        return std::to_string(milliseconds / 1000) + " s";
    if (milliseconds > 1000 && milliseconds % 100 == 0)
        return std::to_string(milliseconds / 1000) + "." +
               std::to_string(milliseconds % 1000 / 100) + " s";
    return std::to_string(milliseconds) + " ms";
}

std::optional<Failure> Connection::open(const ServerAddress& server, DWORD connectMs,
                                        DWORD answerMs) {
    drop();
    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    hints.ai_protocol = IPPROTO_TCP;
    win32::Addresses addresses;
    const std::string port = std::to_string(server.port);
    if (getaddrinfo(server.host.c_str(), port.c_str(), &hints, addresses.receive()) != 0 ||
        !addresses.valid())
        return Failure{"no server of that name was found", Failure::Advice::CheckAddress};
    // Every address the name has is tried (localhost may be ::1 first, the server on 127.0.0.1).
    const ULONGLONG deadline = GetTickCount64() + connectMs;
    std::optional<Failure> failure;
    for (const addrinfo* address = addresses.get(); address != nullptr;
         address = address->ai_next) {
        failure = connectTo(*address, deadline, connectMs);
        if (!failure)
            break;
        if (failure->advice == Failure::Advice::Stopped)
            return failure;
    }
    if (failure)
        return failure;
    Reply greeting;
    if (auto refused = receive(Request::Connect, GetTickCount64() + answerMs, answerMs, greeting)) {
        drop();
        return refused;
    }
    Reply introduced;
    return ask(clientCommand("Technical Glossary"), Request::Client, answerMs, introduced);
}

std::optional<Failure> Connection::connectTo(const addrinfo& address, ULONGLONG deadline,
                                             DWORD connectMs) {
    drop();
    socket_ = win32::Socket(WSASocketW(address.ai_family, address.ai_socktype, address.ai_protocol,
                                       nullptr, 0, WSA_FLAG_OVERLAPPED));
    event_ = win32::NetworkEvent(WSACreateEvent());
    if (!socket_.valid() || !event_.valid())
        return broken(WSAGetLastError());
    // From here the socket does not block: every wait is one of waitUntil's.
    if (WSAEventSelect(socket_.get(), event_.get(), FD_CONNECT | FD_READ | FD_WRITE | FD_CLOSE) !=
        0)
        return broken(WSAGetLastError());
    if (connect(socket_.get(), address.ai_addr, static_cast<int>(address.ai_addrlen)) == 0)
        return std::nullopt;
    if (WSAGetLastError() != WSAEWOULDBLOCK)
        return broken(WSAGetLastError());
    for (;;) {
        WSANETWORKEVENTS events{};
        const Wait wait = waitUntil(deadline, &events);
        if (wait == Wait::Stopped)
            return stopped();
        if (wait == Wait::TimedOut)
            return Failure{"the server did not accept the connection within " +
                               durationText(connectMs),
                           Failure::Advice::TryLater};
        if ((events.lNetworkEvents & FD_CONNECT) == 0)
            continue;
        const int error = events.iErrorCode[FD_CONNECT_BIT];
        if (error == 0)
            return std::nullopt;
        drop();
        if (error == WSAECONNREFUSED)
            return Failure{"the server refused the connection (no DICT server listens at that "
                           "port)",
                           Failure::Advice::CheckAddress};
        return Failure{"the server cannot be reached (Winsock error " + std::to_string(error) + ")",
                       Failure::Advice::TryLater};
    }
}

std::optional<Failure> Connection::ask(std::string_view command, Request request, DWORD answerMs,
                                       Reply& reply) {
    const ULONGLONG deadline = GetTickCount64() + answerMs;
    auto failure = send(command, deadline, answerMs);
    if (!failure)
        failure = receive(request, deadline, answerMs, reply);
    if (failure)
        drop(); // what the server sends next would answer this question, not the next
    return failure;
}

void Connection::close() {
    if (socket_.valid()) {
        const std::string goodbye = quitCommand();
        ::send(socket_.get(), goodbye.data(), static_cast<int>(goodbye.size()), 0);
    }
    drop();
}

Connection::Wait Connection::waitUntil(ULONGLONG deadline, WSANETWORKEVENTS* events) {
    const ULONGLONG now = GetTickCount64();
    if (now >= deadline)
        return Wait::TimedOut;
    const WSAEVENT handles[] = {event_.get(), stop_};
    const DWORD result =
        WSAWaitForMultipleEvents(2, handles, FALSE, static_cast<DWORD>(deadline - now), FALSE);
    if (result == WSA_WAIT_EVENT_0 + 1)
        return Wait::Stopped;
    if (result == WSA_WAIT_TIMEOUT)
        return Wait::TimedOut;
    WSANETWORKEVENTS seen{};
    WSAEnumNetworkEvents(socket_.get(), event_.get(), &seen);
    if (events != nullptr)
        *events = seen;
    return Wait::Ready;
}

std::optional<Failure> Connection::send(std::string_view bytes, ULONGLONG deadline,
                                        DWORD answerMs) {
    while (!bytes.empty()) {
        const int sent = ::send(socket_.get(), bytes.data(), static_cast<int>(bytes.size()), 0);
        if (sent > 0) {
            bytes.remove_prefix(static_cast<std::size_t>(sent));
            continue;
        }
        if (WSAGetLastError() != WSAEWOULDBLOCK)
            return broken(WSAGetLastError());
        const Wait wait = waitUntil(deadline);
        if (wait == Wait::Stopped)
            return stopped();
        if (wait == Wait::TimedOut)
            return timedOut(answerMs);
    }
    return std::nullopt;
}

std::optional<Failure> Connection::receive(Request request, ULONGLONG deadline, DWORD answerMs,
                                           Reply& reply) {
    ReplyReader reader(request, limits_);
    std::string line;
    char chunk[kChunk];
    bool closed = false;
    while (reader.state() == ReplyReader::State::More) {
        // The lines already received first: a reply may have come with the one before.
        const LineReader::Next next = lines_.next(line);
        if (next == LineReader::Next::Line) {
            reader.line(line);
            continue;
        }
        if (next == LineReader::Next::TooLong) {
            reader.lineTooLong();
            break;
        }
        if (closed) {
            reader.end();
            break;
        }
        const int received = recv(socket_.get(), chunk, sizeof chunk, 0);
        if (received > 0) {
            lines_.add(std::string_view(chunk, static_cast<std::size_t>(received)));
            continue;
        }
        if (received == 0) {
            closed = true;
            continue;
        }
        const int error = WSAGetLastError();
        if (error == WSAECONNRESET || error == WSAECONNABORTED) {
            closed = true;
            continue;
        }
        if (error != WSAEWOULDBLOCK)
            return broken(error);
        const Wait wait = waitUntil(deadline);
        if (wait == Wait::Stopped)
            return stopped();
        if (wait == Wait::TimedOut)
            return timedOut(answerMs);
    }
    if (reader.state() == ReplyReader::State::Failed)
        return Failure{reader.error(), Failure::Advice::AskKeeper};
    reply = reader.take();
    return std::nullopt;
}

void Connection::drop() {
    socket_ = win32::Socket();
    event_ = win32::NetworkEvent();
    lines_ = LineReader(limits_.maxLine);
}

} // namespace dict
