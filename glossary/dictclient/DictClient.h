#pragma once

#include "dict/Reply.h"
#include "dict/ServerAddress.h"
#include "win32/Handles.h"
#include "win32/Sockets.h"

#include <windows.h>

#include <condition_variable>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <set>
#include <string>
#include <thread>

// A DICT server as a source of the glossary: questions go to the server on a thread of the
// client's own, so that nothing the window does ever waits for the network; answers come back
// through a callback, and each is kept for the rest of the session.
namespace dict {

struct Question {
    enum class Kind { Databases, Define, Match };
    Kind kind = Kind::Define;
    std::string word;             // UTF-8; none for Databases
    std::string database = "*";   // "*": every database of the server
    std::string strategy = "lev"; // Match's
};

struct Answer {
    Question question;
    bool answered = false;
    Reply reply;         // when answered
    std::u16string note; // when not: the server, the reason and what to do, for the page
};

struct ClientOptions {
    DWORD connectTimeoutMs = 5000;
    DWORD answerTimeoutMs = 10000;
    Limits limits;
    std::size_t cachedAnswers = 500;            // the oldest goes when more come,
    std::size_t cachedBytes = 32 * 1024 * 1024; // or when they hold more text than this
};

class Client {
public:
    using AnswerPointer = std::shared_ptr<const Answer>;
    // Called on the client's thread, never after the destructor has returned: the window
    // posts the answer to itself. A withdrawn question gets no answer.
    using Deliver = std::function<void(AnswerPointer)>;

    Client(ServerAddress server, Deliver deliver, ClientOptions options = {});
    // Ends any wait for the server at once.
    ~Client();
    Client(const Client&) = delete;
    Client& operator=(const Client&) = delete;

    // The answer at once when the session has it; else nothing, and the question goes to the
    // server (once, however often it is asked before the answer comes).
    AnswerPointer ask(const Question& question);
    // Questions not yet sent are withdrawn (the reader went on to another word).
    void withdrawWaiting();

    const ServerAddress& server() const { return server_; }
    // "Waiting for dict.example.org…", for the page while the server's part has not come.
    std::u16string waitingNote() const;

private:
    void run();
    void answer(const Question& question, class Connection& connection);
    void deliverFailure(const Question& question, const struct Failure& failure);

    ServerAddress server_;
    Deliver deliver_;
    ClientOptions options_;
    win32::WinsockUse winsock_;
    win32::Handle stop_; // set by the destructor; breaks every wait of the connection

    std::mutex mutex_; // guards what follows
    std::condition_variable wake_;
    bool stopping_ = false;
    std::deque<Question> waiting_;
    std::set<std::string> asked_;                // keys waiting or being answered
    std::map<std::string, AnswerPointer> cache_; // answers of this session
    std::deque<std::string> cacheOrder_;
    std::size_t cacheBytes_ = 0;

    std::thread thread_; // last: started when all above is ready
};

// A question's key among the session's answers.
std::string questionKey(const Question& question);

// The note for a question the server did not answer.
std::u16string failureNote(const ServerAddress& server, const struct Failure& failure);

} // namespace dict
