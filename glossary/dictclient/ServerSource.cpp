#include "ServerSource.h"

#include "jet/TextCodec.h"

namespace dict {

ServerSource::ServerSource(ServerAddress server, std::function<void()> changed,
                           ClientOptions options)
    : changed_(std::move(changed)),
      client_(std::make_unique<Client>(
          std::move(server), [this](Client::AnswerPointer answer) { delivered(std::move(answer)); },
          options)) {}

Client::AnswerPointer ServerSource::answerTo(const Question& question) {
    {
        const std::lock_guard<std::mutex> lock(mutex_);
        if (const auto failed = failed_.find(questionKey(question)); failed != failed_.end())
            return failed->second;
    }
    return client_->ask(question);
}

void ServerSource::delivered(Client::AnswerPointer answer) {
    if (!answer->answered) {
        const std::lock_guard<std::mutex> lock(mutex_);
        failed_[questionKey(answer->question)] = answer;
        lastFailure_ = answer->note;
    }
    changed_();
}

ServerPart ServerSource::page(const std::u16string& term,
                              const std::function<bool(const std::u16string&)>& isTerm,
                              const std::string& database) {
    Question question;
    question.word = jet::toUtf8(term);
    question.database = database;
    const Client::AnswerPointer answer = answerTo(question);
    ServerPart part;
    if (answer == nullptr) {
        part.note = client_->waitingNote();
    } else if (!answer->answered) {
        part.state = ServerPart::State::Failed;
        part.note = answer->note;
    } else {
        part.state = ServerPart::State::Ready;
        part.parts = definitionParts(answer->reply.definitions, isTerm, samples_);
    }
    return part;
}

std::vector<Match> ServerSource::nearMatches(const std::u16string& word,
                                             const std::string& database) {
    Question question;
    question.kind = Question::Kind::Match;
    question.word = jet::toUtf8(word);
    question.database = database;
    const Client::AnswerPointer answer = answerTo(question);
    return answer != nullptr && answer->answered ? answer->reply.matches : std::vector<Match>();
}

std::optional<std::vector<Database>> ServerSource::databases() {
    Question question;
    question.kind = Question::Kind::Databases;
    const Client::AnswerPointer answer = answerTo(question);
    if (answer == nullptr || !answer->answered)
        return std::nullopt;
    return answer->reply.databases;
}

std::u16string ServerSource::lastFailure() {
    const std::lock_guard<std::mutex> lock(mutex_);
    return lastFailure_;
}

void ServerSource::retry() {
    const std::lock_guard<std::mutex> lock(mutex_);
    failed_.clear();
    lastFailure_.clear();
}

} // namespace dict
