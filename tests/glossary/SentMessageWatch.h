#pragma once
// What the glossary's windows were sent, seen from inside its process (the watcher library that
// a hook of the test loads there), for as long as a watch lives.
#include "GlossaryWindowFixture.h"
#include "helpers/SentMessages.h"
#include "win32/Handles.h"

#include <algorithm>
#include <cstdint>

namespace glossarytest {

class SentMessageWatch {
public:
    explicit SentMessageWatch(const GlossaryProcess& glossary)
        : mapping_(CreateFileMappingW(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0,
                                      sizeof(sentmessages::Record), sentmessages::kMappingName)),
          view_(mapping_ ? MapViewOfFile(mapping_.get(), FILE_MAP_WRITE, 0, 0,
                                         sizeof(sentmessages::Record))
                         : nullptr),
          watcher_(LoadLibraryA((binaryDirectory() + "\\message_watcher.dll").c_str())) {
        const auto watch = watcher_ ? reinterpret_cast<HOOKPROC>(reinterpret_cast<void*>(
                                          GetProcAddress(watcher_.get(), "watchSentMessage")))
                                    : nullptr;
        if (view_ && watch != nullptr)
            hook_ = SetWindowsHookExW(WH_CALLWNDPROC, watch, watcher_.get(),
                                      GetWindowThreadProcessId(glossary.window(), nullptr));
    }
    ~SentMessageWatch() {
        if (hook_ != nullptr)
            UnhookWindowsHookEx(hook_);
    }
    SentMessageWatch(const SentMessageWatch&) = delete;
    SentMessageWatch& operator=(const SentMessageWatch&) = delete;

    bool valid() const { return hook_ != nullptr; }
    bool wasSent(HWND window, UINT message) const {
        for (LONG i = 0; i < recorded(); ++i) {
            if (sent(i).message == message &&
                sent(i).window == reinterpret_cast<std::uintptr_t>(window))
                return true;
        }
        return false;
    }
    int count(HWND window, UINT message) const {
        int times = 0;
        for (LONG i = 0; i < recorded(); ++i) {
            if (sent(i).message == message &&
                sent(i).window == reinterpret_cast<std::uintptr_t>(window))
                ++times;
        }
        return times;
    }
    // How many times in a row the message went to another window than the time before.
    int windowsInTurn(UINT message) const {
        int turns = 0;
        std::uint64_t last = 0;
        for (LONG i = 0; i < recorded(); ++i) {
            if (sent(i).message != message || sent(i).window == last)
                continue;
            ++turns;
            last = sent(i).window;
        }
        return turns;
    }

private:
    const sentmessages::Record& record() const {
        return *static_cast<const sentmessages::Record*>(view_.get());
    }
    LONG recorded() const { return std::min<LONG>(LONG{record().count}, sentmessages::kCapacity); }
    const sentmessages::Sent& sent(LONG at) const { return record().sent[at]; }

    win32::Handle mapping_;
    win32::View view_;
    win32::Library watcher_;
    HHOOK hook_ = nullptr;
};

} // namespace glossarytest
