#pragma once

#include "search/SourceChoice.h"

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

// Named sets of dictionaries ("English", "Computing") and which one the window shows; a
// dictionary outside the group shown is as if it were off. Remembered per user as lines.
namespace groups {

// A dictionary as a group names it: the database's own by its name, a DICT server's database
// by the server's address and the database's name.
struct Member {
    std::u16string server; // empty: the database's own
    std::u16string name;
};
bool operator==(const Member& a, const Member& b);

struct Group {
    std::u16string name;
    std::vector<Member> members; // named ones that no longer exist are skipped, not dropped
    bool holds(const Member& member) const;
};

// What is read back from the stored lines stays within these.
inline constexpr std::size_t kMostGroups = 100;
inline constexpr std::size_t kMostMembers = 2000;
inline constexpr std::size_t kLongestName = 80;
inline constexpr std::size_t kLongestMemberName = 1000;

// The name of the choice that is no group: every dictionary that is on.
inline constexpr char16_t kAllDictionaries[] = u"All dictionaries";

class Groups {
public:
    const std::vector<Group>& list() const { return list_; }
    // 0 is "All dictionaries"; n the group list()[n - 1], as the window's list and Ctrl+1...
    // Ctrl+9 number them.
    std::size_t chosen() const { return chosen_; }
    bool choose(std::size_t choice); // false when there is no such choice
    // A copy of the group shown, for a thread that reads the database; none for all.
    std::optional<Group> shown() const;
    // Whether `member` is shown: all are when no group is chosen.
    bool lets(const Member& member) const;

    // Why `name` (blanks around it ignored) cannot name a group, or empty when it can; `except`
    // the group being renamed, which may keep its name.
    std::u16string refusal(const std::u16string& name, std::size_t except = SIZE_MAX) const;
    // Added at the end, or renamed; false (with nothing changed) when refusal() says why not.
    bool add(const std::u16string& name);
    bool rename(std::size_t index, const std::u16string& name);
    // The group shown goes back to all when it is the one removed.
    void remove(std::size_t index);
    void setMember(std::size_t index, const Member& member, bool in);

    // "=name" begins a group, "+dictionary" and "@server<TAB>dictionary" are its members,
    // "*name" the group shown.
    std::vector<std::u16string> remembered() const;
    // Lines of any kind: what is not of this form, or beyond the bounds, is left out.
    static Groups fromRemembered(const std::vector<std::u16string>& lines);

private:
    std::vector<Group> list_;
    std::size_t chosen_ = 0;
};

// `group`'s filter over a database's own dictionaries: those outside it turned off.
void restrict(search::SourceChoice& choice, const std::optional<Group>& group);

} // namespace groups
