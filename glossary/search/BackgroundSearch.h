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
    // the progress. `changed` is called on the search's thread whenever take() has news; it
    // may come after this object is gone, so it holds nothing of its owner's but a handle.
    BackgroundSearch(std::function<jet::Database()> open, std::size_t rowCount,
                     std::function<void()> changed);
    // Cancels the search under way and waits at most kStopWaitMs for its thread: a step that
    // cannot be cancelled (opening a large database) finishes alone, and its thread with it.
    ~BackgroundSearch();
    BackgroundSearch(const BackgroundSearch&) = delete;
    BackgroundSearch& operator=(const BackgroundSearch&) = delete;

    static constexpr int kStopWaitMs = 50;

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
    class Worker; // what the thread uses: it may outlive this object
    std::shared_ptr<Worker> worker_;
    std::thread thread_;
};

} // namespace search
