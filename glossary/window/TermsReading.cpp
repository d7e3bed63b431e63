#include "TermsReading.h"

#include "Ids.h"
#include "WindowText.h"
#include "win32/ErrorText.h"

#include <chrono>

namespace {

// The window waits this long for the terms before it shows the note.
constexpr int kQuietReadMs = 50;
// Read first, while the rest comes: more than a screenful of the list.
constexpr std::size_t kFirstTerms = 1000;

// Why `path` cannot be read, as the load said or the system says of a missing file.
std::wstring reasonFor(const std::wstring& path, const std::string& failure) {
    if (GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES)
        return std::wstring(failure.begin(), failure.end());
    std::wstring reason = win32::systemMessage(GetLastError());
    return reason.empty() ? L"The file cannot be found." : reason;
}

// Reads `set` (its first member `path`) into `into`: the reason `path` cannot be read as a
// database, or nothing; on any thread.
std::wstring readSet(const std::wstring& path, const TermsReading::Set& set,
                     TermsReading::Read& into, std::size_t most) {
    const std::optional<groups::Group>& group = set.group;
    search::SetRead read =
        search::readSet(set.members, set.order, most,
                        [group](search::SourceChoice& choice) { groups::restrict(choice, group); });
    into.glossary = std::move(read.glossary);
    std::wstring failure;
    for (std::size_t part = 0; part < read.members.size(); ++part) {
        const Glossary::PartRead& outcome = read.reads[part];
        const std::string& memberPath = set.members[read.members[part]].path;
        const std::wstring wide = read.members[part] == 0 ? path : fromUtf8(memberPath);
        if (read.members[part] == 0) {
            into.damage = std::wstring(outcome.damage.begin(), outcome.damage.end());
            if (!outcome.failure.empty())
                failure = reasonFor(path, outcome.failure);
        } else if (!outcome.failure.empty()) {
            into.setProblems.emplace_back(wide, reasonFor(wide, outcome.failure));
        } else if (!outcome.damage.empty()) {
            into.setProblems.emplace_back(
                wide, std::wstring(outcome.damage.begin(), outcome.damage.end()) +
                          L"; only the terms before the damage are listed");
        }
    }
    return failure;
}

} // namespace

std::unique_ptr<TermsReading::Load> TermsReading::load(const std::wstring& path, std::size_t most,
                                                       UINT done, bool alone) const {
    const HWND window = window_;
    Set set = owner_.set(path);
    if (alone)
        set.members.resize(1);
    return std::make_unique<Load>(
        [path, set = std::move(set), most] {
            Read read;
            try {
                read.failure = readSet(path, set, read, most);
            } catch (const std::exception&) {
                read.failure = L"The terms do not fit in the memory there is.";
            }
            return read;
        },
        [window, done] { PostMessageW(window, done, 0, 0); });
}

void TermsReading::awaitBriefly() {
    // A small database is there before anyone could read a note about it: its terms are
    // taken at once, and the message that says they are in finds nothing more to take.
    if (reading_->waitFor(std::chrono::milliseconds(kQuietReadMs)))
        read();
    else
        owner_.slow();
}

void TermsReading::start() {
    const std::wstring path = owner_.path();
    reading_ = load(path, SIZE_MAX, MSG_DATABASE_READ);
    // A window that starts on the first term shows it, with a screenful of the list, long
    // before a large database is read to its end.
    firstTerms_.reset();
    if (owner_.firstTermsFirst())
        firstTerms_ = load(path, kFirstTerms, MSG_FIRST_TERMS_READ);
    awaitBriefly();
}

void TermsReading::open(const std::wstring& path) {
    opening_ = path;
    textThen_ = owner_.searchText();
    reading_ = load(path, SIZE_MAX, MSG_DATABASE_READ, true);
    awaitBriefly();
}

bool TermsReading::reread(bool announce) {
    if (announce)
        groupNoteDue_ = true;
    if (reading_ && !rereading_) {
        // The start's terms are read again through the set; another database's replace it.
        if (opening_.empty())
            start();
    } else if (reading_) {
        // One read at a time: a choice made meanwhile is read once the one being read is in,
        // and any between the two is never read.
        rereadDue_ = true;
    } else {
        textThen_ = owner_.searchText();
        rereading_ = true;
        reading_ = load(owner_.path(), SIZE_MAX, MSG_DATABASE_READ);
        awaitBriefly();
    }
    if (!reading_)
        return false; // read at once, and said
    if (announce && !rereading_)
        groupNoteDue_ = false; // the start's terms, read again: their own note follows
    return true;
}

void TermsReading::firstTermsRead() {
    std::optional<Read> read = firstTerms_ ? firstTerms_->take() : std::nullopt;
    firstTerms_.reset();
    // Only while the rest is still read.
    if (read && reading_ && read->failure.empty())
        owner_.firstTerms(std::move(*read));
}

void TermsReading::read() {
    std::optional<Read> read = reading_ ? reading_->take() : std::nullopt;
    if (!read)
        return; // a database opened meanwhile took its place
    reading_.reset();
    firstTerms_.reset();
    if (rereading_) {
        rereading_ = false;
        if (rereadDue_) {
            // Superseded: these terms are never shown.
            rereadDue_ = false;
            rereading_ = true;
            reading_ = load(owner_.path(), SIZE_MAX, MSG_DATABASE_READ);
            return;
        }
        const bool announce = groupNoteDue_;
        groupNoteDue_ = false;
        owner_.reread(std::move(*read), owner_.searchText() != textThen_, announce);
        return;
    }
    if (!opening_.empty()) {
        const std::wstring path = std::move(opening_);
        opening_.clear();
        owner_.opened(path, std::move(*read), owner_.searchText() != textThen_);
        return;
    }
    owner_.started(std::move(*read));
}
