#include "DictionaryGroups.h"

#include "text/Folding.h"

#include <algorithm>

namespace groups {

namespace {

bool isBlank(char16_t c) {
    return c == u' ' || c == u'\t' || c == u'\u00A0' || c == u'\u3000';
}

std::u16string trimmed(const std::u16string& text) {
    std::size_t begin = 0, end = text.size();
    while (begin < end && isBlank(text[begin]))
        ++begin;
    while (end > begin && isBlank(text[end - 1]))
        --end;
    return text.substr(begin, end - begin);
}

// A line break or a tab would split the stored line; other controls show as nothing.
bool hasControl(const std::u16string& text) {
    return std::any_of(text.begin(), text.end(), [](char16_t c) { return c < 0x20 || c == 0x7F; });
}

bool sameName(const std::u16string& a, const std::u16string& b) {
    return text::foldCase(a) == text::foldCase(b);
}

bool goodMember(const Member& member) {
    return !member.name.empty() && member.name.size() <= kLongestMemberName &&
           member.server.size() <= kLongestMemberName && !hasControl(member.name) &&
           !hasControl(member.server);
}

} // namespace

bool operator==(const Member& a, const Member& b) {
    return a.server == b.server && a.name == b.name;
}

bool Group::holds(const Member& member) const {
    return std::find(members.begin(), members.end(), member) != members.end();
}

bool Groups::choose(std::size_t choice) {
    if (choice > list_.size())
        return false;
    chosen_ = choice;
    return true;
}

std::optional<Group> Groups::shown() const {
    if (chosen_ == 0)
        return std::nullopt;
    return list_[chosen_ - 1];
}

bool Groups::lets(const Member& member) const {
    return chosen_ == 0 || list_[chosen_ - 1].holds(member);
}

std::u16string Groups::refusal(const std::u16string& typed, std::size_t except) const {
    const std::u16string name = trimmed(typed);
    if (name.empty())
        return u"Type a name for the group first (English, or Computing, for example).";
    if (name.size() > kLongestName)
        return u"The group's name is longer than 80 letters: type a shorter one.";
    if (hasControl(name))
        return u"A group's name is one line without tabs: type it again without them.";
    if (sameName(name, kAllDictionaries))
        return u"\u201CAll dictionaries\u201D is the choice of every dictionary, not a group: "
               u"type another name.";
    for (std::size_t i = 0; i < list_.size(); ++i) {
        if (i != except && sameName(list_[i].name, name))
            return u"There is a group named \u201C" + list_[i].name +
                   u"\u201D already: type another name, or choose that group to change it.";
    }
    if (except >= list_.size() && list_.size() >= kMostGroups)
        return u"There are 100 groups already: delete one that is no longer needed first.";
    return std::u16string();
}

bool Groups::add(const std::u16string& name) {
    if (!refusal(name).empty())
        return false;
    list_.push_back(Group{trimmed(name), {}});
    return true;
}

bool Groups::rename(std::size_t index, const std::u16string& name) {
    if (index >= list_.size() || !refusal(name, index).empty())
        return false;
    list_[index].name = trimmed(name);
    return true;
}

void Groups::remove(std::size_t index) {
    if (index >= list_.size())
        return;
    list_.erase(list_.begin() + static_cast<std::ptrdiff_t>(index));
    if (chosen_ == index + 1)
        chosen_ = 0;
    else if (chosen_ > index + 1)
        --chosen_;
}

void Groups::setMember(std::size_t index, const Member& member, bool in) {
    if (index >= list_.size() || !goodMember(member))
        return;
    std::vector<Member>& members = list_[index].members;
    const auto at = std::find(members.begin(), members.end(), member);
    if (in && at == members.end() && members.size() < kMostMembers)
        members.push_back(member);
    else if (!in && at != members.end())
        members.erase(at);
}

std::vector<std::u16string> Groups::remembered() const {
    std::vector<std::u16string> lines;
    for (const Group& group : list_) {
        lines.push_back(u"=" + group.name);
        for (const Member& member : group.members)
            lines.push_back(member.server.empty() ? u"+" + member.name
                                                  : u"@" + member.server + u"\t" + member.name);
    }
    if (chosen_ > 0)
        lines.push_back(u"*" + list_[chosen_ - 1].name);
    return lines;
}

Groups Groups::fromRemembered(const std::vector<std::u16string>& lines) {
    Groups groups;
    std::u16string chosen;
    bool inGroup = false; // members follow a group that was taken
    for (const std::u16string& line : lines) {
        if (line.empty())
            continue;
        const std::u16string rest = line.substr(1);
        switch (line[0]) {
        case u'=':
            inGroup = groups.add(rest);
            break;
        case u'+':
            if (inGroup)
                groups.setMember(groups.list_.size() - 1, {u"", rest}, true);
            break;
        case u'@': {
            const std::size_t tab = rest.find(u'\t');
            if (inGroup && tab != std::u16string::npos && tab > 0)
                groups.setMember(groups.list_.size() - 1,
                                 {rest.substr(0, tab), rest.substr(tab + 1)}, true);
            break;
        }
        case u'*':
            chosen = rest;
            break;
        default:
            break; // not of ours
        }
    }
    for (std::size_t i = 0; i < groups.list_.size() && !chosen.empty(); ++i) {
        if (groups.list_[i].name == chosen)
            groups.chosen_ = i + 1;
    }
    return groups;
}

void restrict(search::SourceChoice& choice, const std::optional<Group>& group) {
    if (!group)
        return;
    for (search::SourceSetting& source : choice) {
        if (!group->holds(Member{u"", source.name}))
            source.on = false;
    }
}

} // namespace groups
