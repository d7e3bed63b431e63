#include "DictClient.h"

#include "Connection.h"
#include "dict/Commands.h"
#include "jet/TextCodec.h"

namespace dict {

namespace {

std::optional<std::string> commandOf(const Question& question) {
    switch (question.kind) {
    case Question::Kind::Databases:
        return showDatabasesCommand();
    case Question::Kind::Define:
        return defineCommand(question.database, question.word);
    case Question::Kind::Match:
        return matchCommand(question.database, question.strategy, question.word);
    }
    return std::nullopt;
}

// About what an answer holds, for the bound on the session's answers.
std::size_t sizeOf(const Answer& answer) {
    std::size_t bytes = sizeof answer + answer.question.word.size();
    for (const Definition& definition : answer.reply.definitions)
        bytes += sizeof definition + definition.text.size() + definition.word.size() +
                 definition.database.size() + definition.description.size();
    for (const Match& match : answer.reply.matches)
        bytes += sizeof match + match.word.size() + match.database.size();
    for (const Database& database : answer.reply.databases)
        bytes += sizeof database + database.name.size() + database.description.size();
    return bytes;
}

Request requestOf(const Question& question) {
    switch (question.kind) {
    case Question::Kind::Databases:
        return Request::ShowDatabases;
    case Question::Kind::Define:
        return Request::Define;
    case Question::Kind::Match:
        return Request::Match;
    }
    return Request::Define;
}

} // namespace

std::string questionKey(const Question& question) {
    return std::to_string(static_cast<int>(question.kind)) + '\n' + question.database + '\n' +
           question.strategy + '\n' + question.word;
}

std::u16string failureNote(const ServerAddress& server, const Failure& failure) {
    const char* advice = "";
    switch (failure.advice) {
    case Failure::Advice::CheckAddress:
        advice = " Check the server's name and port in the Dictionaries dialog.";
        break;
    case Failure::Advice::TryLater:
        advice = " Try again later, or ask whoever runs the server.";
        break;
    case Failure::Advice::AskKeeper:
        advice = " Ask whoever runs the server to look into it.";
        break;
    case Failure::Advice::None:
    case Failure::Advice::Stopped:
        break;
    }
    return jet::fromUtf8("DICT server " + server.text() + ": " + failure.reason + "." + advice);
}

Client::Client(ServerAddress server, Deliver deliver, ClientOptions options)
    : server_(std::move(server)), deliver_(std::move(deliver)), options_(options),
      stop_(CreateEventW(nullptr, TRUE, FALSE, nullptr)) {
    thread_ = std::thread([this] { run(); });
}

Client::~Client() {
    {
        const std::lock_guard<std::mutex> lock(mutex_);
        stopping_ = true;
        waiting_.clear();
    }
    SetEvent(stop_.get());
    wake_.notify_all();
    thread_.join();
}

Client::AnswerPointer Client::ask(const Question& question) {
    const std::string key = questionKey(question);
    {
        const std::lock_guard<std::mutex> lock(mutex_);
        if (const auto cached = cache_.find(key); cached != cache_.end())
            return cached->second;
        if (!asked_.insert(key).second)
            return nullptr;
        waiting_.push_back(question);
    }
    wake_.notify_one();
    return nullptr;
}

void Client::withdrawWaiting() {
    const std::lock_guard<std::mutex> lock(mutex_);
    for (const Question& question : waiting_)
        asked_.erase(questionKey(question));
    waiting_.clear();
}

std::u16string Client::waitingNote() const {
    return jet::fromUtf8("Waiting for " + server_.text() + "\xE2\x80\xA6");
}

void Client::run() {
    Connection connection(stop_.get(), options_.limits);
    for (;;) {
        Question question;
        {
            std::unique_lock<std::mutex> lock(mutex_);
            // Without questions the connection is let go, so no server keeps it open for us.
            if (waiting_.empty() && connection.isOpen()) {
                lock.unlock();
                connection.close();
                lock.lock();
            }
            wake_.wait(lock, [this] { return stopping_ || !waiting_.empty(); });
            if (stopping_)
                return;
            question = std::move(waiting_.front());
            waiting_.pop_front();
        }
        answer(question, connection);
    }
}

void Client::answer(const Question& question, Connection& connection) {
    if (!connection.isOpen()) {
        if (auto failure =
                connection.open(server_, options_.connectTimeoutMs, options_.answerTimeoutMs)) {
            // Every question waiting would meet the same: they all get this note now.
            std::deque<Question> others;
            {
                const std::lock_guard<std::mutex> lock(mutex_);
                others.swap(waiting_);
            }
            deliverFailure(question, *failure);
            for (const Question& other : others)
                deliverFailure(other, *failure);
            return;
        }
    }
    const auto command = commandOf(question);
    if (!command) {
        deliverFailure(question, {"the word cannot be sent in a DICT command (a line break in it, "
                                  "or longer than " +
                                      std::to_string(kMaxCommand) + " bytes)",
                                  Failure::Advice::None});
        return;
    }
    Reply reply;
    if (auto failure =
            connection.ask(*command, requestOf(question), options_.answerTimeoutMs, reply)) {
        deliverFailure(question, *failure);
        return;
    }
    auto done = std::make_shared<Answer>();
    done->question = question;
    done->answered = true;
    done->reply = std::move(reply);
    const std::string key = questionKey(question);
    {
        const std::lock_guard<std::mutex> lock(mutex_);
        asked_.erase(key);
        cache_[key] = done;
        cacheOrder_.push_back(key);
        cacheBytes_ += sizeOf(*done);
        while (cacheOrder_.size() > options_.cachedAnswers || cacheBytes_ > options_.cachedBytes) {
            cacheBytes_ -= sizeOf(*cache_[cacheOrder_.front()]);
            cache_.erase(cacheOrder_.front());
            cacheOrder_.pop_front();
        }
    }
    deliver_(std::move(done));
}

void Client::deliverFailure(const Question& question, const Failure& failure) {
    {
        const std::lock_guard<std::mutex> lock(mutex_);
        asked_.erase(questionKey(question));
    }
    // Only the destructor withdraws a question being asked: no one waits for it now.
    if (failure.advice == Failure::Advice::Stopped)
        return;
    auto failed = std::make_shared<Answer>();
    failed->question = question;
    failed->note = failureNote(server_, failure);
    deliver_(std::move(failed));
}

} // namespace dict
