#pragma once

#include "BackgroundSearch.h"

#include "Glossary.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

// A search in definitions over several databases at once: one BackgroundSearch a database, each
// on its own thread, their news taken together. Rows found are tagged with their database's
// place (rowOf, partOf), as Glossary::entryOfRow reads them for a set.
namespace search {

class SetSearch {
public:
    static constexpr unsigned kPartShift = Glossary::kPartShift;
    static std::uint32_t tagged(std::uint32_t part, std::uint32_t row) {
        return part << kPartShift | row;
    }
    static std::uint32_t partOf(std::uint32_t tagged) { return tagged >> kPartShift; }
    static std::uint32_t rowOf(std::uint32_t tagged) { return tagged & ((1u << kPartShift) - 1); }

    // `open` opens a database on its search's thread (BackgroundSearch); `rowCount` is how many
    // of its rows the list holds.
    struct Database {
        std::function<jet::Database()> open;
        std::size_t rowCount = 0;
    };
    // `changed` is called on any search's thread when take() may have news.
    SetSearch(const std::vector<Database>& databases, const std::function<void()>& changed);

    std::uint64_t start(const std::u16string& text);
    void cancel();
    void readAhead();
    // The newest news of the newest search, all databases' together, once: finished when every
    // one has finished; failed when every one failed (the others' finds count); the rows of
    // each database in turn, each its best first.
    std::optional<BackgroundSearch::Progress> take();

private:
    std::vector<std::unique_ptr<BackgroundSearch>> searches_;
    std::vector<std::uint64_t> ids_; // each database's number for the newest search
    std::vector<std::optional<BackgroundSearch::Progress>> latest_;
    std::uint64_t search_ = 0;
};

} // namespace search
