#pragma once

#include "jet/Database.h"

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

// Search in definitions on a thread of its own, so that no keystroke waits for one: each new
// text cancels the search before it, a search without the index reports how far it has read,
// and only the newest search's answer is kept.
namespace search {

class FullTextIndex;
struct Query;

class BackgroundSearch {
public:
    struct Progress {
        std::uint64_t search = 0; // the number start() gave
        bool finished = false;    // else a scan is under way
        bool indexed = false;     // through the full-text index, else by reading every row
        bool failed = false;      // the database or its index could not be read
        std::size_t rowsRead = 0; // by a scan so far
        std::size_t rowCount = 0;
        // When finished: the rows found, each once, best first. Before, through the index, a
        // long answer's beginning: the rows whose terms hold every word, in the answer's order
        // (first a screenful of them, when there are more, then all).
        // Rows are counted in table order; a scan leaves out rows without a term, as the glossary's
        // list does.
        std::vector<std::uint32_t> rows;
    };

    // `open` opens the database on the search's thread, which alone uses what it returns (the
    // reader is not shared between threads). `rowCount` is how many rows the list holds, for
    // the progress. `changed` is called on the search's thread whenever take() has news.
    BackgroundSearch(std::function<jet::Database()> open, std::size_t rowCount,
                     std::function<void()> changed);
    ~BackgroundSearch(); // cancels the search under way and waits for its thread
    BackgroundSearch(const BackgroundSearch&) = delete;
    BackgroundSearch& operator=(const BackgroundSearch&) = delete;

    // Searches the definitions for `text` (Query.h), cancelling the search before; returns the
    // number the answers carry.
    std::uint64_t start(std::u16string text);
    void cancel();
    // While no search runs, reads ahead what searches read on the way: the index, its entries
    // and where every row stands (a phrase reads rows), so that the first search of a common
    // word or a phrase waits for none of it. A search that comes meanwhile goes first.
    void readAhead();
    // The newest news of the newest search, once.
    std::optional<Progress> take();

private:
    void run();
    Progress search(const std::u16string& text, std::uint64_t id);
    bool prepare();
    bool readAheadStep(); // false when nothing is left to read ahead
    void tellFirstHits(const Query& query, std::uint64_t id);
    // Reads at most `most` more; false when not all are read, also when search `id` (0: none)
    // was cancelled on the way.
    bool readPositions(std::size_t most, std::uint64_t id);
    bool cancelled(std::uint64_t id) const { return stopping_ || latest_ != id; }
    void publish(Progress progress);

    std::function<jet::Database()> open_;
    const std::size_t rowCount_;
    std::function<void()> changed_;

    std::mutex mutex_;
    std::condition_variable wake_;
    std::u16string pending_;       // under mutex_
    std::uint64_t taken_ = 0;      // the last search the thread took, under mutex_
    std::optional<Progress> news_; // under mutex_
    std::atomic<std::uint64_t> latest_{0};
    std::atomic<bool> stopping_{false};
    bool readingAhead_ = false, readAhead_ = false; // asked for, and done; under mutex_

    // The search's thread's own.
    bool prepared_ = false;
    std::optional<jet::Database> database_;
    std::unique_ptr<FullTextIndex> index_;
    std::vector<jet::Recordset::Position> positions_; // of every row, read for phrases
    std::optional<jet::Recordset> positionScan_;      // reading them; done once at its end
    bool positionsRead_ = false;
    std::size_t entryBlocksRead_ = 0;

    std::thread thread_; // last: starts once the rest is there
};

} // namespace search
