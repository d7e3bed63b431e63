#pragma once

#include "dictclient/ServerSource.h"

#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

// The DICT servers the reader added, each with its databases as dictionaries turned on or off
// in the reader's order, and the sources that ask them. A source lives for the session, so
// that its answers stay cached however often the dialog adds or removes its server.
struct ServerDictionary {
    std::u16string name;        // the server's database
    std::u16string description; // as the server describes it; empty until it has
    bool on = true;
};

struct ServerSetting {
    std::u16string address; // as notes name the server: the host, with a port not 2628
    bool listed = false;    // the server's own list of databases has come this session
    std::vector<ServerDictionary> dictionaries;
};
using ServerChoice = std::vector<ServerSetting>;

// The form a choice is remembered in: "@address" a server, then "+name" or "-name" a database.
std::vector<std::u16string> rememberedServers(const ServerChoice& choice);
ServerChoice serversFromRemembered(const std::vector<std::u16string>& lines);

// The address as notes name it, or empty with `refusal` saying why `typed` names no server
// or one the choice has already.
std::u16string serverAddressOf(const std::u16string& typed, const ServerChoice& choice,
                               std::u16string& refusal);

class ServerSources {
public:
    // `changed`: called on a client's thread when a server answered.
    ServerSources(std::function<void()> changed, dict::ClientOptions options);

    ServerChoice& choice() { return choice_; }
    const ServerChoice& choice() const { return choice_; }
    dict::ServerSource& source(const std::u16string& address);

    // Brings the databases servers have listed into `choice`: remembered ones keep their
    // place and state, new ones follow, on; ones a server no longer has go. Asks the servers
    // not yet listed. True when `choice` changed.
    bool takeDatabases(ServerChoice& choice);

    // The page's part from the servers for `word` (HTML): each server's dictionaries that are
    // on, in order, under their headings; or its note while it is waited for or failed.
    std::u16string pagePart(const std::u16string& word);
    // The servers' near matches for a word no term begins with, without repeats.
    std::vector<std::u16string> nearMatches(const std::u16string& word);
    // The reader went on: questions not yet sent are withdrawn.
    void withdrawWaiting();
    // Which servers' dictionaries the group shown lets through (all without it): one outside
    // the group is as if it were off.
    using Shown = std::function<bool(const std::u16string& address, const std::u16string& name)>;
    void setShown(Shown shown) { shown_ = std::move(shown); }

private:
    std::function<void()> changed_;
    dict::ClientOptions options_;
    std::map<std::u16string, std::unique_ptr<dict::ServerSource>> sources_;
    ServerChoice choice_;
    Shown shown_;
    bool shows(const ServerSetting& server, const std::u16string& name) const {
        return !shown_ || shown_(server.address, name);
    }
    bool asked(const ServerSetting& server) const; // any of its dictionaries on and shown
};
