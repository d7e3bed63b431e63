#pragma once

#include "dict/LineReader.h"
#include "dict/ReplyReader.h"
#include "dict/ServerAddress.h"
#include "win32/Sockets.h"

#include <windows.h>

#include <optional>
#include <string>
#include <string_view>

// One connection to a DICT server. Every wait has a time limit and ends at once when the
// client is stopped, so that neither a silent server nor closing the window ever hangs.
namespace dict {

// Why a question got no answer, in plain words, and what the reader can do about it.
struct Failure {
    enum class Advice { CheckAddress, TryLater, AskKeeper, None, Stopped };
    std::string reason; // "the server did not answer within 10 s"
    Advice advice = Advice::TryLater;
};

class Connection {
public:
    // `stop`, a manual-reset event the caller owns, ends every wait when set.
    Connection(HANDLE stop, Limits limits) : stop_(stop), limits_(limits), lines_(limits.maxLine) {}

    // Connects (within `connectMs`), reads the greeting and introduces the glossary (each
    // within `answerMs`).
    std::optional<Failure> open(const ServerAddress& server, DWORD connectMs, DWORD answerMs);
    // Sends `command` and reads its reply, all within `answerMs`.
    std::optional<Failure> ask(std::string_view command, Request request, DWORD answerMs,
                               Reply& reply);
    bool isOpen() const { return socket_.valid(); }
    // Says goodbye without waiting for the answer, and closes.
    void close();

private:
    enum class Wait { Ready, TimedOut, Stopped };
    Wait waitUntil(ULONGLONG deadline, WSANETWORKEVENTS* events = nullptr);
    std::optional<Failure> connectTo(const addrinfo& address, ULONGLONG deadline, DWORD connectMs);
    std::optional<Failure> send(std::string_view bytes, ULONGLONG deadline, DWORD answerMs);
    std::optional<Failure> receive(Request request, ULONGLONG deadline, DWORD answerMs,
                                   Reply& reply);
    void drop();

    HANDLE stop_;
    Limits limits_;
    LineReader lines_;
    win32::Socket socket_;
    win32::NetworkEvent event_;
};

// "5 s", "1.5 s", "200 ms".
std::string durationText(DWORD milliseconds);

} // namespace dict
