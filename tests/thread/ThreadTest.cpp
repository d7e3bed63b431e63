#include "thread/Thread.h"
#include "thread/CriticalSection.h"
#include "thread/Semaphore.h"
#include "thread/SyncEvent.h"

#include <gtest/gtest.h>

#include <atomic>
#include <stdexcept>
#include <string>

namespace {

constexpr DWORD kTimeoutMs = 10000;

std::string uniqueName(const char* what) {
    return std::string("SetupTests.") + what + "." + std::to_string(GetCurrentProcessId()) + "." +
           std::to_string(GetTickCount64());
}

template <typename Error, typename Action> std::string failure(Action action) {
    try {
        action();
    } catch (const Error& error) {
        return std::string(error.className) + ": " + error.message;
    }
    return "no error";
}

class Counting : public thread::Runnable {
public:
    void run() override { ++runs; }
    std::atomic<int> runs{0};
};

class Throwing : public thread::Thread {
public:
    void run() override { throw std::runtime_error("body failed"); }
};

class ThrowingAnything : public thread::Thread {
public:
    void run() override { throw 42; }
};

// Runs until told to stop, so that waits can time out for real.
class Blocked : public thread::Thread {
public:
    Blocked() : release(false, true, nullptr) {}
    void run() override { release.wait(); }
    thread::SyncEvent release;
};

DWORD exitCode(const thread::Thread& thread) {
    DWORD code = STILL_ACTIVE;
    GetExitCodeThread(thread.handle(), &code);
    return code;
}

} // namespace

TEST(Thread, RunsItsRunnableOnceAfterStartAndEndsWithCodeZero) {
    Counting body;
    thread::Thread thread(&body);
    EXPECT_EQ(thread.wait(50), static_cast<DWORD>(WAIT_TIMEOUT)) << "created suspended";
    EXPECT_EQ(body.runs, 0);
    EXPECT_EQ(thread.start(), 1u) << "previous suspend count";
    EXPECT_EQ(thread.wait(kTimeoutMs), static_cast<DWORD>(WAIT_OBJECT_0));
    EXPECT_EQ(body.runs, 1);
    EXPECT_EQ(exitCode(thread), 0u);
    EXPECT_EQ(thread.wait(), static_cast<DWORD>(WAIT_OBJECT_0));
}

TEST(Thread, SecondStartIsRefusedAndDoesNotRunAgain) {
    Counting body;
    thread::Thread thread(&body);
    thread.start();
    ASSERT_EQ(thread.wait(kTimeoutMs), static_cast<DWORD>(WAIT_OBJECT_0));
    EXPECT_EQ(failure<thread::Thread::Error>([&] { thread.start(); }),
              "class Thread: Thread can be started only once.");
    EXPECT_EQ(body.runs, 1);
}

TEST(Thread, BodiesThatThrowEndQuietlyWithCodeZero) {
    Throwing standard;
    ThrowingAnything other;
    standard.start();
    other.start();
    ASSERT_EQ(standard.wait(kTimeoutMs), static_cast<DWORD>(WAIT_OBJECT_0));
    ASSERT_EQ(other.wait(kTimeoutMs), static_cast<DWORD>(WAIT_OBJECT_0));
    EXPECT_EQ(exitCode(standard), 0u);
    EXPECT_EQ(exitCode(other), 0u);
}

TEST(Thread, WithoutRunnableItEndsAtOnce) {
    thread::Thread thread;
    thread.start();
    EXPECT_EQ(thread.wait(kTimeoutMs), static_cast<DWORD>(WAIT_OBJECT_0));
    EXPECT_EQ(exitCode(thread), 0u);
}

TEST(Thread, PrioritiesByIndexAndIllegalOnesRefused) {
    Blocked thread;
    EXPECT_EQ(thread.priority(), 2);
    EXPECT_TRUE(thread.setPriority(4));
    EXPECT_EQ(GetThreadPriority(thread.handle()), THREAD_PRIORITY_HIGHEST);
    EXPECT_TRUE(thread.setPriority(0));
    EXPECT_EQ(GetThreadPriority(thread.handle()), THREAD_PRIORITY_LOWEST);
    for (int illegal : {6, -1}) {
        EXPECT_EQ(failure<thread::Thread::Error>([&] { thread.setPriority(illegal); }),
                  "class Thread: Illegal priority value.");
        EXPECT_EQ(thread.priority(), 0) << "the stored index is unchanged";
    }
    thread.start();
    thread.release.set();
    EXPECT_EQ(thread.wait(kTimeoutMs), static_cast<DWORD>(WAIT_OBJECT_0));
}

TEST(Thread, WaitWithTimeOutOnARunningThreadReportsTheTimeOut) {
    Blocked thread;
    thread.start();
    EXPECT_EQ(thread.wait(0), static_cast<DWORD>(WAIT_TIMEOUT));
    EXPECT_EQ(thread.wait(20), static_cast<DWORD>(WAIT_TIMEOUT));
    thread.release.set();
    EXPECT_EQ(thread.wait(kTimeoutMs), static_cast<DWORD>(WAIT_OBJECT_0));
}

TEST(Semaphore, CountsLocksAndUnlocks) {
    thread::Semaphore semaphore(1, nullptr);
    EXPECT_TRUE(semaphore.lock(0));
    EXPECT_FALSE(semaphore.lock(20)) << "count used up: time-out";
    EXPECT_TRUE(semaphore.unlock(2));
    EXPECT_EQ(semaphore.lock(), static_cast<DWORD>(WAIT_OBJECT_0));
    EXPECT_TRUE(semaphore.lock(0));
    EXPECT_FALSE(semaphore.lock(0));
}

TEST(Semaphore, NamesInUseAndMissingNamesAreErrors) {
    const std::string name = uniqueName("semaphore");
    thread::Semaphore first(0, name.c_str());
    EXPECT_EQ(failure<thread::Semaphore::Error>([&] { thread::Semaphore second(0, name.c_str()); }),
              "class Semaphore: Semaphore already exists.");
    thread::Semaphore opened(name.c_str());
    opened.unlock(1);
    EXPECT_TRUE(first.lock(0)) << "both handles name one object";
    EXPECT_EQ(failure<thread::Semaphore::Error>(
                  [&] { thread::Semaphore missing(uniqueName("none").c_str()); }),
              "class Semaphore: Can't open existing semaphore.");
    first.unlock(0x7FFFFFFF);
    EXPECT_EQ(failure<thread::Semaphore::Error>([&] { first.unlock(1); }),
              "class Semaphore: Can't unlock semaphore.")
        << "past the maximum count";
}

TEST(Semaphore, RefusedCreationLeavesNoHandleOpen) {
    const std::string name = uniqueName("semaphore");
    thread::Semaphore first(0, name.c_str());
    DWORD before = 0, after = 0;
    GetProcessHandleCount(GetCurrentProcess(), &before);
    for (int i = 0; i < 20; ++i)
        failure<thread::Semaphore::Error>([&] { thread::Semaphore second(0, name.c_str()); });
    GetProcessHandleCount(GetCurrentProcess(), &after);
    EXPECT_LE(after, before + 1);
}

TEST(SyncEvent, SignalsResetsAndTimesOut) {
    thread::SyncEvent manual(false, true, nullptr);
    EXPECT_FALSE(manual.wait(20));
    manual.set();
    EXPECT_TRUE(manual.wait(0));
    EXPECT_TRUE(manual.wait(0)) << "manual reset stays signalled";
    manual.reset();
    EXPECT_FALSE(manual.wait(0));

    thread::SyncEvent automatic(true, false, nullptr);
    EXPECT_EQ(automatic.wait(), static_cast<DWORD>(WAIT_OBJECT_0)) << "initially signalled";
    EXPECT_FALSE(automatic.wait(0)) << "auto reset after one wait";
}

TEST(SyncEvent, NamesInUseAndMissingNamesAreErrors) {
    const std::string name = uniqueName("event");
    thread::SyncEvent first(false, true, name.c_str());
    EXPECT_EQ(failure<thread::SyncEvent::Error>(
                  [&] { thread::SyncEvent second(false, true, name.c_str()); }),
              "class SyncEvent: Event already exists.");
    thread::SyncEvent opened(name.c_str());
    opened.set();
    EXPECT_TRUE(first.wait(0));
    EXPECT_EQ(failure<thread::SyncEvent::Error>(
                  [&] { thread::SyncEvent missing(uniqueName("none").c_str()); }),
              "class SyncEvent: Can't open existing event.");
}

TEST(CriticalSection, SerialisesTwoThreads) {
    class Adder : public thread::Thread {
    public:
        Adder(thread::CriticalSection& lock, long& total) : lock_(lock), total_(total) {}
        void run() override {
            for (int i = 0; i < 20000; ++i) {
                lock_.enter();
                const long seen = total_;
                total_ = seen + 1;
                lock_.leave();
            }
        }

    private:
        thread::CriticalSection& lock_;
        long& total_;
    };
    thread::CriticalSection lock;
    long total = 0;
    Adder a(lock, total), b(lock, total);
    a.start();
    b.start();
    ASSERT_EQ(a.wait(kTimeoutMs), static_cast<DWORD>(WAIT_OBJECT_0));
    ASSERT_EQ(b.wait(kTimeoutMs), static_cast<DWORD>(WAIT_OBJECT_0));
    EXPECT_EQ(total, 40000);
    EXPECT_TRUE(thread::sleep(1));
}
