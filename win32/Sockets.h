#pragma once

#include "Unique.h"

#include <winsock2.h>
#include <ws2tcpip.h>

// Winsock's handles, for the programs that talk to a network server (link ws2_32).
namespace win32 {

struct SocketTraits {
    using Type = SOCKET;
    static Type none() { return INVALID_SOCKET; }
    static bool valid(Type value) { return value != INVALID_SOCKET; }
    static void free(Type value) { closesocket(value); }
};
using Socket = Unique<SocketTraits>;

inline void closeNetworkEvent(WSAEVENT event) {
    WSACloseEvent(event);
}
using NetworkEvent = Unique<NullIsNone<WSAEVENT, closeNetworkEvent>>;

inline void freeAddresses(addrinfo* addresses) {
    freeaddrinfo(addresses);
}
using Addresses = Unique<NullIsNone<addrinfo*, freeAddresses>>;

// Winsock is usable while one of these lives (WSAStartup counts its users).
class WinsockUse {
public:
    WinsockUse() { started_ = WSAStartup(MAKEWORD(2, 2), &data_) == 0; }
    ~WinsockUse() {
        if (started_)
            WSACleanup();
    }
    WinsockUse(const WinsockUse&) = delete;
    WinsockUse& operator=(const WinsockUse&) = delete;
    bool started() const { return started_; }

private:
    WSADATA data_{};
    bool started_ = false;
};

} // namespace win32
