#pragma once

#include <chrono>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <system_error>
#include <thread>

// A value made on a thread of its own, so that whoever asked for it (the window) goes on
// answering meanwhile. Nobody ever waits for the thread to end: dropping the load leaves the
// thread to finish alone, and what it made goes with it.
template <typename T> class BackgroundLoad {
public:
    // Runs `make` (which must not throw) on a new thread and then calls `done` there. Without a
    // thread to spare, both run here before the constructor returns.
    BackgroundLoad(std::function<T()> make, std::function<void()> done)
        : shared_(std::make_shared<Shared>()) {
        auto run = [shared = shared_, make = std::move(make), done = std::move(done)] {
            T value = make();
            {
                const std::lock_guard<std::mutex> lock(shared->mutex);
                shared->value.emplace(std::move(value));
            }
            shared->ready.notify_all();
            done();
        };
        try {
            std::thread(run).detach();
        } catch (const std::system_error&) {
            run();
        }
    }
    BackgroundLoad(const BackgroundLoad&) = delete;
    BackgroundLoad& operator=(const BackgroundLoad&) = delete;

    // Waits at most `most` for the value; true when it is there.
    bool waitFor(std::chrono::milliseconds most) {
        std::unique_lock<std::mutex> lock(shared_->mutex);
        return shared_->ready.wait_for(lock, most, [this] { return shared_->value.has_value(); });
    }

    // The value once made, once; else nothing.
    std::optional<T> take() {
        const std::lock_guard<std::mutex> lock(shared_->mutex);
        std::optional<T> value = std::move(shared_->value);
        shared_->value.reset();
        return value;
    }

private:
    struct Shared {
        std::mutex mutex;
        std::condition_variable ready;
        std::optional<T> value;
    };
    std::shared_ptr<Shared> shared_;
};
