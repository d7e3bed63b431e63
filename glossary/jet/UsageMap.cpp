#include "UsageMap.h"

#include <algorithm>

namespace jet {

namespace {

constexpr std::uint8_t kInlineMap = 0;
constexpr std::uint8_t kReferenceMap = 1;
constexpr std::size_t kBitmapPageHeader = 4;

void collectBits(Bytes bitmap, std::uint64_t firstPage, std::uint32_t pageCount,
                 std::vector<std::uint32_t>& pages) {
    for (std::size_t byte = 0; byte < bitmap.size(); ++byte) {
        const std::uint8_t bits = bitmap.u8(byte);
        for (unsigned bit = 0; bits != 0 && bit < 8; ++bit) {
            const std::uint64_t page = firstPage + byte * 8 + bit;
            if ((bits >> bit & 1) == 0)
                continue;
            if (page >= pageCount)
                throw MissingPageError(
                    "the file is truncated or damaged: its usage map names page " +
                    std::to_string(page) + " of " + std::to_string(pageCount));
            pages.push_back(static_cast<std::uint32_t>(page));
        }
    }
}

} // namespace

std::vector<std::uint32_t> usageMapPages(const PageFile& file, std::uint32_t mapPointer) {
    const Bytes map = file.row(RowPointer::from(mapPointer)).bytes;
    std::vector<std::uint32_t> pages;
    switch (map.u8(0)) {
    case kInlineMap:
        collectBits(map.from(5), map.u32(1), file.pageCount(), pages);
        break;
    case kReferenceMap: {
        const std::size_t perPage = (file.layout().pageSize - kBitmapPageHeader) * 8;
        const std::size_t slots = std::min(file.layout().referenceMapSlots, (map.size() - 1) / 4);
        for (std::size_t slot = 0; slot < slots; ++slot) {
            const std::uint32_t number = map.u32(1 + 4 * slot);
            if (number == 0)
                continue;
            const Bytes bitmap = file.page(number);
            if (bitmap.u8(0) != kPageUsageBitmap)
                throw JetError("usage map refers to page " + std::to_string(number) +
                               ", which is not a usage bitmap");
            collectBits(bitmap.from(kBitmapPageHeader), slot * perPage, file.pageCount(), pages);
        }
        break;
    }
    default:
        throw JetError("usage map of unknown type " + std::to_string(map.u8(0)));
    }
    std::sort(pages.begin(), pages.end());
    pages.erase(std::unique(pages.begin(), pages.end()), pages.end());
    return pages;
}

std::vector<std::uint32_t> tableCandidatePages(const PageFile& file, const TableDefinition& table) {
    std::vector<std::uint32_t> candidates;
    try {
        candidates = usageMapPages(file, table.ownedMap);
    } catch (const MissingPageError&) {
        throw;
    } catch (const JetError&) {
        // Like other readers, fall back to looking at every page.
        candidates.clear();
        for (std::uint32_t page = 1; page < file.pageCount(); ++page)
            candidates.push_back(page);
    }
    return candidates;
}

bool holdsRowsOf(Bytes page, const TableDefinition& table) {
    return page.u8(0) == kPageData && page.u32(4) == table.page;
}

} // namespace jet
