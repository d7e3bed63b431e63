#include "RowQueue.h"

#include <utility>

namespace {

// Rows, or characters, a batch gathers before it is handed over.
constexpr std::size_t kBatchRows = 256;
constexpr std::size_t kBatchCharacters = 256 * 1024;

} // namespace

RowQueue::RowQueue(Work work, std::size_t maxWaitingCharacters)
    : work_(std::move(work)), maxWaiting_(maxWaitingCharacters) {
    thread_ = std::thread([this] { run(); });
}

void RowQueue::stop() {
    {
        const std::lock_guard<std::mutex> lock(mutex_);
        closing_ = true;
        abandon_ = true;
    }
    changed_.notify_all();
    if (thread_.joinable())
        thread_.join();
}

std::size_t RowQueue::charactersOf(const DictionaryEntry& entry) {
    return entry.term.size() + (entry.definition ? entry.definition->size() : 0);
}

void RowQueue::push(std::uint32_t row, DictionaryEntry entry) {
    batchCharacters_ += charactersOf(entry);
    batch_.push_back({row, std::move(entry)});
    if (batch_.size() >= kBatchRows || batchCharacters_ >= kBatchCharacters)
        handOver();
}

void RowQueue::handOver() {
    {
        std::unique_lock<std::mutex> lock(mutex_);
        // A batch larger than the limit alone still goes, once nothing else waits.
        changed_.wait(lock, [this] {
            return failed_ || unfinished_ == 0 ||
                   waitingCharacters_ + batchCharacters_ <= maxWaiting_;
        });
        if (failed_)
            std::rethrow_exception(failure_);
        if (!batch_.empty()) {
            ++unfinished_;
            waitingCharacters_ += batchCharacters_;
            waiting_.push_back(std::move(batch_));
        }
    }
    changed_.notify_all();
    batch_ = {};
    batchCharacters_ = 0;
}

void RowQueue::finish() {
    handOver();
    {
        std::unique_lock<std::mutex> lock(mutex_);
        closing_ = true;
        changed_.notify_all();
        changed_.wait(lock, [this] { return failed_ || unfinished_ == 0; });
        if (failed_)
            std::rethrow_exception(failure_);
    }
}

void RowQueue::run() {
    for (;;) {
        std::vector<Row> rows;
        {
            std::unique_lock<std::mutex> lock(mutex_);
            changed_.wait(lock, [this] { return abandon_ || closing_ || !waiting_.empty(); });
            if (abandon_ || (waiting_.empty() && closing_))
                return;
            rows = std::move(waiting_.front());
            waiting_.pop_front();
        }
        std::size_t characters = 0;
        try {
            for (Row& row : rows) {
                characters += charactersOf(row.entry);
                work_(row.number, row.entry);
            }
        } catch (...) {
            const std::lock_guard<std::mutex> lock(mutex_);
            failure_ = std::current_exception();
            failed_ = true;
            changed_.notify_all();
            return;
        }
        {
            const std::lock_guard<std::mutex> lock(mutex_);
            --unfinished_;
            waitingCharacters_ -= characters;
        }
        changed_.notify_all();
    }
}
