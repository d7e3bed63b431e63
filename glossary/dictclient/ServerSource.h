#pragma once

#include "DictClient.h"
#include "dict/DefinitionParts.h"

#include <functional>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

// A DICT server as one of the glossary's sources, for the window's page, list and suggestions:
// each asks and never waits; what is not here yet is asked and comes with `changed`. A
// question the server did not answer keeps its note for the session (a dead server is not
// asked again at every redraw) until retry().
namespace dict {

struct ServerPart {
    enum class State { Waiting, Ready, Failed };
    State state = State::Waiting;
    std::vector<articles::Part> parts; // Ready: one a database, none when it has no entry
    std::u16string note;               // Waiting: "Waiting for …"; Failed: why, what to do
};

class ServerSource {
public:
    // `changed` is called on the client's thread when an answer came: the window posts itself
    // a message and asks again. Never called after the destructor has returned.
    ServerSource(ServerAddress server, std::function<void()> changed, ClientOptions options = {});

    // The server's part of `term`'s page (DEFINE in `database`, "*" for all). `isTerm` tells
    // which braces link.
    ServerPart page(const std::u16string& term,
                    const std::function<bool(const std::u16string&)>& isTerm,
                    const std::string& database = "*");
    // Near matches (MATCH lev) for the suggestions; nothing until the server answered.
    std::vector<Match> nearMatches(const std::u16string& word, const std::string& database = "*");
    // The server's databases (SHOW DB), to become dictionaries; nothing until answered.
    std::optional<std::vector<Database>> databases();
    // The note of the last question that failed, for the dialog; empty when none did.
    std::u16string lastFailure();
    // Questions that failed may be asked again (the reader asked for it).
    void retry();
    // The reader went on: questions not yet sent are withdrawn.
    void withdrawWaiting() { client_->withdrawWaiting(); }
    const ServerAddress& server() const { return client_->server(); }

private:
    Client::AnswerPointer answerTo(const Question& question);
    void delivered(Client::AnswerPointer answer);

    std::function<void()> changed_;
    std::mutex mutex_;                                    // guards failed_ and lastFailure_
    std::map<std::string, Client::AnswerPointer> failed_; // by question
    std::u16string lastFailure_;
    LayoutSamples samples_;          // the window's thread only
    std::unique_ptr<Client> client_; // last: its thread stops before the rest goes
};

} // namespace dict
