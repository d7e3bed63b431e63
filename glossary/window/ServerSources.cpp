#include "ServerSources.h"

#include "Articles.h"
#include "dict/ServerAddress.h"
#include "dicttext/PlainToHtml.h"
#include "jet/TextCodec.h"

#include <algorithm>

namespace {

const ServerDictionary* dictionaryNamed(const ServerSetting& server, const std::u16string& name) {
    for (const ServerDictionary& dictionary : server.dictionaries) {
        if (dictionary.name == name)
            return &dictionary;
    }
    return nullptr;
}

// Blanks alone are no word to ask a server about.
bool isBlank(const std::u16string& word) {
    return word.find_first_not_of(u" \t") == std::u16string::npos;
}

std::u16string noteHtml(const std::u16string& note) {
    return u"<br><p><i>" + escapeHtml(note) + u"</i></p>"; // set apart, as a part would be
}

} // namespace

std::vector<std::u16string> rememberedServers(const ServerChoice& choice) {
    std::vector<std::u16string> lines;
    for (const ServerSetting& server : choice) {
        lines.push_back(u"@" + server.address);
        for (const ServerDictionary& dictionary : server.dictionaries)
            lines.push_back((dictionary.on ? u"+" : u"-") + dictionary.name);
    }
    return lines;
}

ServerChoice serversFromRemembered(const std::vector<std::u16string>& lines) {
    ServerChoice choice;
    for (const std::u16string& line : lines) {
        if (line.size() < 2)
            continue;
        if (line[0] == u'@') {
            std::u16string refusal;
            const std::u16string address = serverAddressOf(line.substr(1), choice, refusal);
            if (!address.empty())
                choice.push_back(ServerSetting{address, false, {}});
        } else if ((line[0] == u'+' || line[0] == u'-') && !choice.empty()) {
            choice.back().dictionaries.push_back({line.substr(1), {}, line[0] == u'+'});
        }
    }
    return choice;
}

std::u16string serverAddressOf(const std::u16string& typed, const ServerChoice& choice,
                               std::u16string& refusal) {
    const auto address = dict::parseServerAddress(jet::toUtf8(typed));
    if (!address) {
        refusal = u"\u201C" + typed +
                  u"\u201D names no DICT server. Type the server's name or address, and a "
                  u"colon and its port if it is not 2628 (dict.example.org or "
                  u"dict.example.org:2629).";
        return std::u16string();
    }
    const std::u16string text = jet::fromUtf8(address->text());
    for (const ServerSetting& server : choice) {
        if (server.address == text) {
            refusal = u"The DICT server " + text +
                      u" is in the list already: its dictionaries are there to turn on or off.";
            return std::u16string();
        }
    }
    refusal.clear();
    return text;
}

ServerSources::ServerSources(std::function<void()> changed, dict::ClientOptions options)
    : changed_(std::move(changed)), options_(options) {}

bool ServerSources::asked(const ServerSetting& server) const {
    return (!server.listed && server.dictionaries.empty() && shows(server, u"")) ||
           std::any_of(server.dictionaries.begin(), server.dictionaries.end(),
                       [&](const ServerDictionary& dictionary) {
                           return dictionary.on && shows(server, dictionary.name);
                       });
}

dict::ServerSource& ServerSources::source(const std::u16string& address) {
    std::unique_ptr<dict::ServerSource>& source = sources_[address];
    if (!source) {
        // The address was read when the server was added; a copy read again cannot fail.
        const auto parsed = dict::parseServerAddress(jet::toUtf8(address));
        source = std::make_unique<dict::ServerSource>(parsed.value_or(dict::ServerAddress{}),
                                                      changed_, options_);
    }
    return *source;
}

bool ServerSources::takeDatabases(ServerChoice& choice) {
    bool changed = false;
    for (ServerSetting& server : choice) {
        if (server.listed)
            continue;
        const auto databases = source(server.address).databases();
        if (!databases)
            continue;
        std::vector<ServerDictionary> merged;
        for (const ServerDictionary& known : server.dictionaries) {
            for (const dict::Database& database : *databases) {
                if (jet::fromUtf8(database.name) == known.name)
                    merged.push_back({known.name, jet::fromUtf8(database.description), known.on});
            }
        }
        for (const dict::Database& database : *databases) {
            const std::u16string name = jet::fromUtf8(database.name);
            if (std::none_of(merged.begin(), merged.end(),
                             [&](const ServerDictionary& d) { return d.name == name; }))
                merged.push_back({name, jet::fromUtf8(database.description), true});
        }
        server.dictionaries = std::move(merged);
        server.listed = true;
        changed = true;
    }
    return changed;
}

std::u16string ServerSources::pagePart(const std::u16string& word) {
    std::u16string html;
    if (isBlank(word))
        return html;
    const auto anyWord = [](const std::u16string&) { return true; };
    for (const ServerSetting& server : choice_) {
        if (!asked(server))
            continue;
        const dict::ServerPart part = source(server.address).page(word, anyWord);
        if (part.state != dict::ServerPart::State::Ready) {
            html += noteHtml(part.note);
            continue;
        }
        // The server's order where it has not listed its databases yet, else the reader's.
        std::vector<const articles::Part*> shown;
        for (const articles::Part& one : part.parts) {
            const ServerDictionary* dictionary = dictionaryNamed(server, one.source);
            if ((dictionary == nullptr || dictionary->on) && shows(server, one.source))
                shown.push_back(&one);
        }
        const auto rank = [&](const articles::Part* one) {
            for (std::size_t i = 0; i < server.dictionaries.size(); ++i) {
                if (server.dictionaries[i].name == one->source)
                    return i;
            }
            return server.dictionaries.size();
        };
        std::stable_sort(
            shown.begin(), shown.end(),
            [&](const articles::Part* a, const articles::Part* b) { return rank(a) < rank(b); });
        for (const articles::Part* one : shown) {
            html += u"<br>" + articles::heading(one->source + u" (" + server.address + u")") +
                    one->html;
        }
    }
    return html;
}

std::vector<std::u16string> ServerSources::nearMatches(const std::u16string& word) {
    std::vector<std::u16string> words;
    if (isBlank(word))
        return words;
    for (const ServerSetting& server : choice_) {
        if (!asked(server))
            continue;
        for (const dict::Match& match : source(server.address).nearMatches(word)) {
            const ServerDictionary* dictionary =
                dictionaryNamed(server, jet::fromUtf8(match.database));
            const std::u16string found = jet::fromUtf8(match.word);
            if ((dictionary == nullptr || dictionary->on) &&
                shows(server, jet::fromUtf8(match.database)) &&
                std::find(words.begin(), words.end(), found) == words.end())
                words.push_back(found);
        }
    }
    return words;
}

void ServerSources::withdrawWaiting() {
    for (auto& [address, source] : sources_)
        source->withdrawWaiting();
}
