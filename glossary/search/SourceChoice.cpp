#include "SourceChoice.h"

#include <algorithm>

namespace search {

SourceChoice applyRemembered(const std::vector<Source>& sources,
                             const std::vector<std::u16string>& remembered) {
    SourceChoice choice;
    std::vector<bool> placed(sources.size(), false);
    for (const std::u16string& line : remembered) {
        if (line.empty() || (line[0] != u'+' && line[0] != u'-'))
            continue; // not of ours: ignored
        const std::u16string_view name = std::u16string_view(line).substr(1);
        // Two sources of one name are matched in their order.
        for (std::size_t i = 0; i < sources.size(); ++i) {
            if (!placed[i] && sources[i].name == name) {
                placed[i] = true;
                choice.push_back({static_cast<std::uint32_t>(i), sources[i].name,
                                  sources[i].entries, line[0] == u'+'});
                break;
            }
        }
    }
    for (std::size_t i = 0; i < sources.size(); ++i) {
        if (!placed[i])
            choice.push_back(
                {static_cast<std::uint32_t>(i), sources[i].name, sources[i].entries, true});
    }
    return choice;
}

std::vector<std::u16string> rememberedForm(const SourceChoice& choice) {
    std::vector<std::u16string> form;
    for (const SourceSetting& source : choice)
        form.push_back((source.on ? u"+" : u"-") + source.name);
    return form;
}

bool changesNothing(const SourceChoice& choice) {
    for (std::size_t i = 0; i < choice.size(); ++i) {
        if (!choice[i].on || choice[i].number != i)
            return false;
    }
    return true;
}

std::vector<std::u16string> namesOn(const SourceChoice& choice) {
    std::vector<std::u16string> names;
    for (const SourceSetting& source : choice) {
        if (source.on)
            names.push_back(source.name);
    }
    return names;
}

} // namespace search
