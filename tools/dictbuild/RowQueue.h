#pragma once

#include "DictionarySource.h"

#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <exception>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

// Rows handed, in order, to work done on a thread of its own (their writing into the database
// and the searches' reading of them), so that it runs beside the import's reading and converting.
// The import waits only when more characters than it allows are waiting: the memory the hand-over
// may hold.
class RowQueue {
public:
    using Work = std::function<void(std::uint32_t row, DictionaryEntry& entry)>;

    RowQueue(Work work, std::size_t maxWaitingCharacters);
    ~RowQueue() { stop(); }
    RowQueue(const RowQueue&) = delete;
    RowQueue& operator=(const RowQueue&) = delete;

    // Throws what the work threw, if it failed on an earlier row.
    void push(std::uint32_t row, DictionaryEntry entry);
    // Waits until every row is done; throws what the work threw.
    void finish();
    // Abandons the rows still waiting (the import failed) and ends the thread, once the batch
    // in hand is done: what the work touches is then the caller's again. No push() after it.
    void stop();

private:
    struct Row {
        std::uint32_t number;
        DictionaryEntry entry;
    };
    void run();
    void handOver(); // the batch being gathered, to the thread
    static std::size_t charactersOf(const DictionaryEntry& entry);

    Work work_;
    const std::size_t maxWaiting_;
    // Gathered on the import's thread, handed over a batch at a time: a lock and a wake-up a
    // row would cost more than the rows' own reading.
    std::vector<Row> batch_;
    std::size_t batchCharacters_ = 0;

    std::mutex mutex_;
    std::condition_variable changed_;
    std::deque<std::vector<Row>> waiting_; // batches, oldest first
    // Of the batches waiting or being worked on.
    std::size_t unfinished_ = 0, waitingCharacters_ = 0;
    bool closing_ = false, abandon_ = false, failed_ = false;
    std::exception_ptr failure_;
    std::thread thread_; // last: started once the rest is in place
};
