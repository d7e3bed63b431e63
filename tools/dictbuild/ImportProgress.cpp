#include "ImportProgress.h"

namespace {

// Often enough to look alive, seldom enough to cost nothing beside the work.
constexpr std::chrono::milliseconds kShownEvery(100);

} // namespace

std::string counted(std::size_t count, const char* one, const char* many) {
    return std::to_string(count) + " " + (count == 1 ? one : many);
}

ImportProgress::ImportProgress(std::FILE* summary, std::FILE* progress, bool live)
    : summary_(summary), progress_(progress), live_(live) {}

ImportProgress::~ImportProgress() {
    clear();
}

std::size_t ImportProgress::beginDictionary(const std::string& name) {
    dictionaries_.push_back({name, {}});
    show(name + ": reading", true);
    return dictionaries_.size() - 1;
}

void ImportProgress::entriesRead(std::size_t count) {
    if (!dictionaries_.empty())
        show(dictionaries_.back().name + ": " + counted(count, "entry", "entries") + " read",
             false);
}

void ImportProgress::phase(const std::string& what, std::size_t done, std::size_t total) {
    show(total == 0 ? what : what + ": " + std::to_string(done) + " of " + std::to_string(total),
         done == 0);
}

void ImportProgress::skipped(std::size_t number, const std::string& reason, std::size_t count) {
    if (number >= dictionaries_.size() || count == 0)
        return;
    for (auto& [why, how] : dictionaries_[number].skipped) {
        if (why == reason) {
            how += count;
            return;
        }
    }
    dictionaries_[number].skipped.emplace_back(reason, count);
}

void ImportProgress::endDictionary(std::size_t number, std::size_t entries, std::size_t headwords) {
    if (number >= dictionaries_.size())
        return;
    const Dictionary& dictionary = dictionaries_[number];
    std::string line = "dictbuild: " + dictionary.name + ": " +
                       counted(entries, "entry", "entries") + ", " +
                       counted(headwords, "headword", "headwords");
    for (std::size_t i = 0; i < dictionary.skipped.size(); ++i)
        line += (i == 0 ? "; skipped " : ", ") + std::to_string(dictionary.skipped[i].second) +
                " " + dictionary.skipped[i].first;
    clear();
    std::fprintf(summary_, "%s\n", line.c_str());
    std::fflush(summary_);
}

void ImportProgress::show(const std::string& line, bool now) {
    if (!live_)
        return;
    const auto time = std::chrono::steady_clock::now();
    if (!now && time - lastShown_ < kShownEvery)
        return;
    lastShown_ = time;
    const std::string text = "dictbuild: " + line;
    // Blanks over the rest of a longer line before: not every console knows an erase code.
    const std::size_t width = text.size();
    std::fprintf(progress_, "\r%s%s", text.c_str(),
                 std::string(shownWidth_ > width ? shownWidth_ - width : 0, ' ').c_str());
    std::fflush(progress_);
    shownWidth_ = width;
}

void ImportProgress::clear() {
    if (!live_ || shownWidth_ == 0)
        return;
    std::fprintf(progress_, "\r%s\r", std::string(shownWidth_, ' ').c_str());
    std::fflush(progress_);
    shownWidth_ = 0;
}
