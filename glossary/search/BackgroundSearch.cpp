#include "BackgroundSearch.h"

#include "FullTextIndex.h"
#include "FullTextSearch.h"
#include "Query.h"

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <iterator>

namespace search {

namespace {

constexpr std::size_t kTermColumn = 1, kDefinitionColumn = 2;
// A scan says how far it has read at every hundredth of the rows (no clock: the shipped
// programs import no more of the system than they need).
constexpr std::size_t kProgressSteps = 100;
// An answer from this many entries a word on has its beginning told first.
constexpr std::size_t kLongAnswer = 20000;
// More than a screenful of the list: told before the rest of the beginning, whose entries may
// not all have been read yet.
constexpr std::size_t kFirstScreen = 100;
// A long loop looks whether its search is still wanted this often: well under a millisecond.
constexpr std::size_t kRowsBetweenLooks = 256;

// The rows of `hits` (best first), each once.
std::vector<std::uint32_t> rowsOf(const std::vector<Hit>& hits) {
    std::vector<std::uint32_t> rows;
    std::vector<bool> seen;
    for (const Hit& hit : hits) {
        if (hit.row >= seen.size())
            seen.resize(hit.row + 1u);
        if (!seen[hit.row])
            rows.push_back(hit.row);
        seen[hit.row] = true;
    }
    return rows;
}

// The rows read one after the other, as a scan asks for them; rows without a term are left
// out of the count, as the list leaves them out.
class SequentialRows {
public:
    explicit SequentialRows(const jet::Database& database)
        : rows_(database.openTable(u"Dict", {kTermColumn, kDefinitionColumn})) {
        skipNullTerms();
    }
    std::size_t at() const { return at_; }
    const jet::Value* value(std::uint32_t row, std::size_t column) {
        while (at_ < row && !rows_.eof()) {
            rows_.moveNext();
            skipNullTerms();
            ++at_;
        }
        return at_ == row && !rows_.eof() ? &rows_.value(column) : nullptr;
    }

private:
    void skipNullTerms() {
        while (!rows_.eof() && rows_.value(kTermColumn).isNull())
            rows_.moveNext();
    }
    jet::Recordset rows_;
    std::size_t at_ = 0;
};

} // namespace

class BackgroundSearch::Worker {
public:
    Worker(std::function<jet::Database()> open, std::size_t rowCount, std::function<void()> changed)
        : open_(std::move(open)), rowCount_(rowCount), changed_(std::move(changed)) {}

    void run();
    void stop();
    bool waitEnded(std::chrono::milliseconds most);
    std::uint64_t start(std::u16string text);
    void cancel();
    void readAhead();
    std::optional<Progress> take();

private:
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
    std::condition_variable wake_, ended_;
    std::u16string pending_;       // under mutex_
    std::uint64_t taken_ = 0;      // the last search the thread took, under mutex_
    std::optional<Progress> news_; // under mutex_
    std::atomic<std::uint64_t> latest_{0};
    std::atomic<bool> stopping_{false};
    bool readingAhead_ = false, readAhead_ = false; // asked for, and done; under mutex_
    bool hasEnded_ = false;                         // run() has returned; under mutex_

    // The search's thread's own.
    bool prepared_ = false;
    std::optional<jet::Database> database_;
    std::unique_ptr<FullTextIndex> index_;
    std::vector<jet::Recordset::Position> positions_; // of every row, read for phrases
    std::optional<jet::Recordset> positionScan_;      // reading them; done once at its end
    bool positionsRead_ = false;
    std::size_t entryBlocksRead_ = 0;
};

BackgroundSearch::BackgroundSearch(std::function<jet::Database()> open, std::size_t rowCount,
                                   std::function<void()> changed)
    : worker_(std::make_shared<Worker>(std::move(open), rowCount, std::move(changed))),
      thread_([worker = worker_] { worker->run(); }) {}

BackgroundSearch::~BackgroundSearch() {
    worker_->stop();
    // The window's thread waits here: never for long.
    if (worker_->waitEnded(std::chrono::milliseconds(kStopWaitMs)))
        thread_.join();
    else
        thread_.detach();
}

std::uint64_t BackgroundSearch::start(std::u16string text) {
    return worker_->start(std::move(text));
}

void BackgroundSearch::cancel() {
    worker_->cancel();
}

void BackgroundSearch::readAhead() {
    worker_->readAhead();
}

std::optional<BackgroundSearch::Progress> BackgroundSearch::take() {
    return worker_->take();
}

void BackgroundSearch::Worker::stop() {
    {
        const std::lock_guard<std::mutex> lock(mutex_);
        stopping_ = true;
    }
    wake_.notify_all();
}

bool BackgroundSearch::Worker::waitEnded(std::chrono::milliseconds most) {
    std::unique_lock<std::mutex> lock(mutex_);
    return ended_.wait_for(lock, most, [this] { return hasEnded_; });
}

std::uint64_t BackgroundSearch::Worker::start(std::u16string text) {
    std::uint64_t id = 0;
    {
        const std::lock_guard<std::mutex> lock(mutex_);
        pending_ = std::move(text);
        id = ++latest_;
        news_.reset();
    }
    wake_.notify_all();
    return id;
}

void BackgroundSearch::Worker::readAhead() {
    {
        const std::lock_guard<std::mutex> lock(mutex_);
        readingAhead_ = true;
    }
    wake_.notify_all();
}

void BackgroundSearch::Worker::cancel() {
    const std::lock_guard<std::mutex> lock(mutex_);
    taken_ = ++latest_; // a search no one waits for: nothing to start
    news_.reset();
}

std::optional<BackgroundSearch::Progress> BackgroundSearch::Worker::take() {
    const std::lock_guard<std::mutex> lock(mutex_);
    std::optional<Progress> news = std::move(news_);
    news_.reset();
    return news;
}

void BackgroundSearch::Worker::publish(Progress progress) {
    {
        const std::lock_guard<std::mutex> lock(mutex_);
        if (progress.search != latest_)
            return;
        news_ = std::move(progress);
    }
    changed_();
}

void BackgroundSearch::Worker::run() {
    struct Ended {
        Worker& worker;
        ~Ended() {
            {
                const std::lock_guard<std::mutex> lock(worker.mutex_);
                worker.hasEnded_ = true;
            }
            worker.ended_.notify_all();
        }
    } ended{*this};
    for (;;) {
        std::u16string text;
        std::uint64_t id = 0;
        {
            std::unique_lock<std::mutex> lock(mutex_);
            wake_.wait(lock, [this] {
                return stopping_ || taken_ != latest_ || (readingAhead_ && !readAhead_);
            });
            if (stopping_)
                return;
            if (taken_ == latest_) {
                // Idle: one step of reading ahead, then a look for a search again.
                lock.unlock();
                const bool more = readAheadStep();
                lock.lock();
                readAhead_ = !more;
                continue;
            }
            text = pending_;
            id = taken_ = latest_;
        }
        Progress found = search(text, id);
        if (!cancelled(id))
            publish(std::move(found));
    }
}

bool BackgroundSearch::Worker::prepare() {
    if (prepared_)
        return database_.has_value();
    prepared_ = true;
    try {
        database_ = open_();
        index_ = FullTextIndex::open(*database_);
    } catch (const std::exception&) {
        database_.reset();
        index_.reset();
    }
    return database_.has_value();
}

bool BackgroundSearch::Worker::readAheadStep() {
    try {
        if (!prepare() || !index_)
            return false;
        const std::size_t blocks = (index_->entryCount() + kEntriesPerBlock - 1) / kEntriesPerBlock;
        if (entryBlocksRead_ < blocks) {
            index_->entry(static_cast<std::uint32_t>(entryBlocksRead_++ * kEntriesPerBlock));
            return true;
        }
        return !readPositions(kEntriesPerBlock, 0);
    } catch (const std::exception&) {
        return false; // the search that needs it will say so
    }
}

bool BackgroundSearch::Worker::readPositions(std::size_t most, std::uint64_t id) {
    if (positionsRead_)
        return true;
    if (!positionScan_)
        positionScan_ = database_->openTable(u"Dict", {0});
    for (std::size_t i = 0; i < most && !positionScan_->eof(); ++i) {
        // Every row of a large database takes seconds: a new text or the window's close
        // must not wait for them. What was read stays for the next search.
        if (i % kRowsBetweenLooks == 0 && id != 0 && cancelled(id))
            return false;
        positions_.push_back(positionScan_->position());
        positionScan_->moveNext();
    }
    if (positionScan_->eof()) {
        positionsRead_ = true;
        positionScan_.reset();
    }
    return positionsRead_;
}

void BackgroundSearch::Worker::tellFirstHits(const Query& query, std::uint64_t id) {
    // Only a long answer is worth telling twice; a phrase's places come from the text.
    for (const std::vector<std::string>& group : query.groups) {
        if (group.size() > 1)
            return;
    }
    std::vector<std::uint32_t> inTerms;
    bool first = true, common = true;
    for (const std::string& word : query.words()) {
        if (cancelled(id))
            return;
        const std::vector<Posting> postings = index_->postings(word);
        common = common && postings.size() >= kLongAnswer;
        std::vector<std::uint32_t> entries;
        for (const Posting& posting : postings) {
            if (posting.place == Place::Term)
                entries.push_back(posting.entry);
        }
        if (!first) {
            std::vector<std::uint32_t> both;
            std::set_intersection(inTerms.begin(), inTerms.end(), entries.begin(), entries.end(),
                                  std::back_inserter(both));
            entries.swap(both);
        }
        inTerms.swap(entries);
        first = false;
    }
    if (!common || inTerms.empty() || cancelled(id))
        return;
    const auto tell = [this, id](const std::vector<Hit>& hits) {
        Progress beginning;
        beginning.search = id;
        beginning.indexed = true;
        beginning.rowCount = rowCount_;
        beginning.rows = rowsOf(hits);
        publish(std::move(beginning));
    };
    std::vector<Hit> hits;
    for (const std::uint32_t entry : inTerms) {
        if (entry >= index_->entryCount())
            return; // damaged: the whole search says so
        if (hits.size() % kRowsBetweenLooks == 0 && cancelled(id))
            return;
        hits.push_back({index_->entry(entry).row, 0, Place::Term});
        if (hits.size() == kFirstScreen && inTerms.size() > kFirstScreen) {
            if (cancelled(id))
                return;
            tell(hits);
        }
    }
    tell(hits);
}

BackgroundSearch::Progress BackgroundSearch::Worker::search(const std::u16string& text,
                                                            std::uint64_t id) {
    Progress progress;
    progress.search = id;
    progress.finished = true;
    progress.rowCount = rowCount_;
    if (!prepare()) {
        progress.failed = true;
        return progress;
    }
    progress.indexed = index_ != nullptr;
    const Query query = parseQuery(text);
    if (query.empty())
        return progress;
    try {
        RowSource rows;
        rows.count = rowCount_;
        if (index_) {
            rows.cancelled = [this, id] { return cancelled(id); };
            // A phrase is looked for in the entries' text: rows are read where they stand.
            auto dict = std::make_shared<jet::Recordset>(
                database_->openTable(u"Dict", {kTermColumn, kDefinitionColumn}));
            const auto value = [this, dict, id](std::uint32_t row,
                                                std::size_t column) -> const jet::Value* {
                if (!readPositions(SIZE_MAX, id) || row >= positions_.size())
                    return nullptr;
                dict->moveTo(positions_[row]);
                return &dict->value(column);
            };
            rows.term = [value](std::uint32_t row) {
                const jet::Value* term = value(row, kTermColumn);
                return term != nullptr ? term->text : std::u16string();
            };
            rows.definition = [value](std::uint32_t row) -> std::optional<std::u16string> {
                const jet::Value* definition = value(row, kDefinitionColumn);
                if (definition == nullptr || definition->isNull())
                    return std::nullopt;
                return definition->text;
            };
            tellFirstHits(query, id);
            if (cancelled(id))
                return progress;
            progress.rows = rowsOf(searchIndex(*index_, query, rows));
            return progress;
        }
        auto dict = std::make_shared<SequentialRows>(*database_);
        rows.term = [dict](std::uint32_t row) {
            const jet::Value* term = dict->value(row, kTermColumn);
            return term != nullptr ? term->text : std::u16string();
        };
        rows.definition = [dict](std::uint32_t row) -> std::optional<std::u16string> {
            const jet::Value* definition = dict->value(row, kDefinitionColumn);
            if (definition == nullptr || definition->isNull())
                return std::nullopt;
            return definition->text;
        };
        const std::size_t step = std::max<std::size_t>(rowCount_ / kProgressSteps, 1);
        std::size_t nextReport = step;
        rows.cancelled = [&] {
            if (cancelled(id))
                return true;
            if (dict->at() >= nextReport) {
                nextReport = dict->at() + step;
                Progress partial;
                partial.search = id;
                partial.rowsRead = dict->at();
                partial.rowCount = rowCount_;
                publish(std::move(partial));
            }
            return false;
        };
        progress.rows = rowsOf(searchByScan(query, rows));
        progress.rowsRead = dict->at();
    } catch (const std::exception&) {
        progress.failed = true;
        progress.rows.clear();
    }
    return progress;
}

} // namespace search
