// The DICT client under Windows: questions answered by Debian's dictd on a local port, over two
// dictionaries the glossary never imported, and every fault a server can show, played by a
// server of the test's own, ending in a note that names the server and the reason.
#include "dictclient/DictClient.h"
#include "FakeDictServer.h"
#include "dict/DefinitionParts.h"
#include "dictclient/ServerSource.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdlib>
#include <mutex>
#include <string>
#include <vector>

using dict::Client;
using dict::Question;

namespace {

// Collects what the client delivers, on its thread.
class Answers {
public:
    Client::Deliver deliver() {
        return [this](Client::AnswerPointer answer) {
            const std::lock_guard<std::mutex> lock(mutex_);
            list_.push_back(std::move(answer));
            arrived_.notify_all();
        };
    }
    // The n-th answer (from 1), waited for 30 s at most; null when it did not come.
    Client::AnswerPointer wait(std::size_t n = 1) {
        std::unique_lock<std::mutex> lock(mutex_);
        arrived_.wait_for(lock, std::chrono::seconds(30), [&] { return list_.size() >= n; });
        return list_.size() >= n ? list_[n - 1] : nullptr;
    }
    std::size_t count() {
        const std::lock_guard<std::mutex> lock(mutex_);
        return list_.size();
    }

private:
    std::mutex mutex_;
    std::condition_variable arrived_;
    std::vector<Client::AnswerPointer> list_;
};

dict::ServerAddress addressOf(const std::string& typed) {
    auto address = dict::parseServerAddress(typed);
    EXPECT_TRUE(address) << typed;
    return address.value_or(dict::ServerAddress{});
}

Question define(const std::string& word, const std::string& database = "*") {
    Question question;
    question.word = word;
    question.database = database;
    return question;
}

std::string utf8(const std::u16string& text) {
    std::string bytes;
    for (const char16_t c : text)
        bytes += c < 0x80 ? static_cast<char>(c) : '?';
    return bytes;
}

// The note a DEFINE gets from a server that plays `play` after greeting the client, after
// the server's name (checked here).
std::string noteAfterGreeting(const std::function<void(FakeDictServer&, SOCKET)>& play,
                              dict::ClientOptions options = {}) {
    FakeDictServer server([&](FakeDictServer& self, SOCKET connection) {
        if (self.greet(connection) && self.readLine(connection))
            play(self, connection);
    });
    Answers answers;
    Client client(addressOf(server.address()), answers.deliver(), options);
    EXPECT_EQ(client.ask(define("iron")), nullptr);
    const auto answer = answers.wait();
    if (answer == nullptr)
        return "no answer within 30 s";
    EXPECT_FALSE(answer->answered);
    const std::string note = utf8(answer->note);
    const std::string named = "DICT server " + server.address() + ": ";
    EXPECT_EQ(note.rfind(named, 0), 0u) << note;
    return note.substr(note.rfind(named, 0) == 0 ? named.size() : 0);
}

std::string definitions(std::size_t count, const std::string& announced) {
    std::string reply = "150 " + announced + " definitions retrieved\r\n";
    for (std::size_t i = 0; i < count; ++i)
        reply += "151 \"iron\" elements \"The Elements\"\r\niron\r\n.\r\n";
    return reply + "250 ok\r\n";
}

} // namespace

TEST(DictClientFaults, ANameNoServerHasEndsWithANoteToCheckTheAddress) {
    Answers answers;
    Client client(addressOf("no-such-server.invalid"), answers.deliver());
    client.ask(define("iron"));
    const auto answer = answers.wait();
    ASSERT_NE(answer, nullptr);
    EXPECT_EQ(utf8(answer->note),
              "DICT server no-such-server.invalid: no server of that name was found. Check the "
              "server's name and port in the Dictionaries dialog.");
}

TEST(DictClientFaults, ARefusedConnectionNamesThePort) {
    std::uint16_t port = 0;
    {
        FakeDictServer closed([](FakeDictServer&, SOCKET) {});
        port = closed.port();
    } // nothing listens there now
    Answers answers;
    Client client(addressOf("127.0.0.1:" + std::to_string(port)), answers.deliver());
    client.ask(define("iron"));
    client.ask(define("gold"));
    const auto second = answers.wait(2);
    ASSERT_NE(second, nullptr) << "a question waiting meets the same refusal";
    EXPECT_EQ(utf8(answers.wait(1)->note),
              "DICT server 127.0.0.1:" + std::to_string(port) +
                  ": the server refused the connection (no DICT server listens at that port). "
                  "Check the server's name and port in the Dictionaries dialog.");
    EXPECT_EQ(second->question.word, "gold");
}

TEST(DictClientFaults, AServerThatNeverAnswersEndsInATimeOutAndNoWaitIsLonger) {
    FakeDictServer server([](FakeDictServer& self, SOCKET) { self.holdUntilStopped(); });
    Answers answers;
    dict::ClientOptions options;
    options.answerTimeoutMs = 700;
    Client client(addressOf(server.address()), answers.deliver(), options);
    const auto asked = std::chrono::steady_clock::now();
    client.ask(define("iron"));
    const auto answer = answers.wait();
    const auto waited = std::chrono::steady_clock::now() - asked;
    ASSERT_NE(answer, nullptr);
    EXPECT_EQ(utf8(answer->note), "DICT server " + server.address() +
                                      ": the server did not answer within 700 ms. Try again "
                                      "later, or ask whoever runs the server.");
    EXPECT_GE(waited, std::chrono::milliseconds(650));
    EXPECT_LT(waited, std::chrono::seconds(5));
}

TEST(DictClientFaults, AServerThatDoesNotAcceptTheConnectionTimesOut) {
    FakeDictServer server{FakeDictServer::Full{}};
    Answers answers;
    dict::ClientOptions options;
    options.connectTimeoutMs = 600;
    Client client(addressOf(server.address()), answers.deliver(), options);
    const auto asked = std::chrono::steady_clock::now();
    client.ask(define("iron"));
    const auto answer = answers.wait();
    const auto waited = std::chrono::steady_clock::now() - asked;
    ASSERT_NE(answer, nullptr);
    EXPECT_EQ(utf8(answer->note), "DICT server " + server.address() +
                                      ": the server did not accept the connection within 600 ms. "
                                      "Try again later, or ask whoever runs the server.");
    EXPECT_GE(waited, std::chrono::milliseconds(550));
    EXPECT_LT(waited, std::chrono::seconds(5));
}

TEST(DictClientFaults, AServerSilentAfterItsGreetingTimesOutTheQuestion) {
    dict::ClientOptions options;
    options.answerTimeoutMs = 500;
    EXPECT_EQ(
        noteAfterGreeting([](FakeDictServer& self, SOCKET) { self.holdUntilStopped(); }, options),
        "the server did not answer within 500 ms. Try again later, or ask whoever runs the "
        "server.");
}

TEST(DictClientFaults, AccessDeniedAtTheGreetingShowsTheServersWords) {
    FakeDictServer server([](FakeDictServer&, SOCKET connection) {
        FakeDictServer::sendAll(connection, "530 access denied\r\n");
    });
    Answers answers;
    Client client(addressOf(server.address()), answers.deliver());
    client.ask(define("iron"));
    const auto answer = answers.wait();
    ASSERT_NE(answer, nullptr);
    EXPECT_EQ(utf8(answer->note), "DICT server " + server.address() +
                                      ": the server answered \"530 access denied\". Ask whoever "
                                      "runs the server to look into it.");
}

TEST(DictClientFaults, GarbageAWrongCodeAndACutReplyEachEndWithTheirReason) {
    const std::string askKeeper = " Ask whoever runs the server to look into it.";
    EXPECT_EQ(noteAfterGreeting([](FakeDictServer&, SOCKET connection) {
                  FakeDictServer::sendAll(connection, "<html>\x01\x02 no DICT here\r\n");
              }),
              "the server sent a line that is not a DICT reply: \"<html>?? no DICT here\"." +
                  askKeeper);
    EXPECT_EQ(noteAfterGreeting([](FakeDictServer&, SOCKET connection) {
                  FakeDictServer::sendAll(connection, "110 1 databases present\r\n");
              }),
              "the server answered \"110 1 databases present\" where the reply to DEFINE was "
              "due." +
                  askKeeper);
    EXPECT_EQ(noteAfterGreeting([](FakeDictServer&, SOCKET connection) {
                  FakeDictServer::sendAll(connection, "150 1 definitions retrieved\r\n151 "
                                                      "\"iron\" elements \"x\"\r\niron\r\nSymb");
              }),
              "the server's reply was cut off." + askKeeper);
}

TEST(DictClientFaults, AMegabyteLineIsRefusedBeforeItEnds) {
    EXPECT_EQ(noteAfterGreeting([](FakeDictServer&, SOCKET connection) {
                  FakeDictServer::sendAll(connection, "150 1 definitions retrieved\r\n151 "
                                                      "\"iron\" elements \"x\"\r\n" +
                                                          std::string(1024 * 1024, 'm') +
                                                          "\r\n.\r\n250 ok\r\n");
              }),
              "the server sent a line longer than 64 KiB. Ask whoever runs the server to look "
              "into it.");
}

TEST(DictClientFaults, HundredThousandDefinitionsAreRefusedAnnouncedOrSent) {
    EXPECT_EQ(noteAfterGreeting([](FakeDictServer&, SOCKET connection) {
                  FakeDictServer::sendAll(connection, definitions(100000, "100000"));
              }),
              "the server offers 100000 definitions, more than the 1000 the glossary takes. Ask "
              "whoever runs the server to look into it.");
    EXPECT_EQ(noteAfterGreeting([](FakeDictServer&, SOCKET connection) {
                  FakeDictServer::sendAll(connection, definitions(100000, "1"));
              }),
              "the server sent more than 1000 definitions. Ask whoever runs the server to look "
              "into it.");
}

TEST(DictClientFaults, AfterAFaultTheNextQuestionConnectsAfresh) {
    FakeDictServer server([](FakeDictServer& self, SOCKET connection) {
        if (!self.greet(connection) || !self.readLine(connection))
            return;
        if (self.accepted() == 1)
            FakeDictServer::sendAll(connection, "garbage\r\n");
        else
            FakeDictServer::sendAll(connection, definitions(1, "1"));
    });
    Answers answers;
    Client client(addressOf(server.address()), answers.deliver());
    client.ask(define("iron"));
    ASSERT_NE(answers.wait(1), nullptr);
    EXPECT_FALSE(answers.wait(1)->answered);
    client.ask(define("iron"));
    const auto second = answers.wait(2);
    ASSERT_NE(second, nullptr);
    EXPECT_TRUE(second->answered) << utf8(second->note);
    EXPECT_EQ(server.accepted(), 2);
}

TEST(DictClientFaults, ClosingTheClientEndsItsWaitForASilentServerAtOnce) {
    win32::Handle asked(CreateEventW(nullptr, TRUE, FALSE, nullptr));
    FakeDictServer server([&](FakeDictServer& self, SOCKET connection) {
        if (self.greet(connection) && self.readLine(connection)) {
            SetEvent(asked.get());
            self.holdUntilStopped();
        }
    });
    Answers answers;
    auto client = std::make_unique<Client>(addressOf(server.address()), answers.deliver());
    client->ask(define("iron"));
    ASSERT_EQ(WaitForSingleObject(asked.get(), 30000), WAIT_OBJECT_0);
    const auto closing = std::chrono::steady_clock::now();
    client.reset();
    EXPECT_LT(std::chrono::steady_clock::now() - closing, std::chrono::seconds(2));
    EXPECT_EQ(answers.count(), 0u) << "a question withdrawn is answered to no one";
}

TEST(DictClientCache, AnAnswerIsKeptForTheSessionAndAQuestionAskedTwiceGoesOnce) {
    std::atomic<int> defines{0};
    FakeDictServer server([&](FakeDictServer& self, SOCKET connection) {
        if (!self.greet(connection))
            return;
        while (auto line = self.readLine(connection)) {
            if (line->rfind("DEFINE", 0) != 0)
                break;
            ++defines;
            FakeDictServer::sendAll(connection, definitions(1, "1"));
        }
    });
    Answers answers;
    Client client(addressOf(server.address()), answers.deliver());
    EXPECT_EQ(client.ask(define("iron")), nullptr);
    EXPECT_EQ(client.ask(define("iron")), nullptr) << "asked again before its answer came";
    const auto first = answers.wait(1);
    ASSERT_NE(first, nullptr);
    ASSERT_TRUE(first->answered) << utf8(first->note);
    const auto cached = client.ask(define("iron"));
    ASSERT_NE(cached, nullptr) << "answered at once from the session's answers";
    EXPECT_EQ(cached->reply.definitions.size(), 1u);
    EXPECT_EQ(client.ask(define("gold")), nullptr) << "another word goes to the server";
    ASSERT_NE(answers.wait(2), nullptr);
    EXPECT_EQ(answers.wait(2)->question.word, "gold");
    EXPECT_EQ(answers.count(), 2u);
    EXPECT_EQ(defines, 2) << "iron once, however often asked, and gold";
}

TEST(DictClientCache, TheSessionsAnswersAreBoundedInCountAndInBytesTheOldestGoingFirst) {
    FakeDictServer server([](FakeDictServer& self, SOCKET connection) {
        if (!self.greet(connection))
            return;
        while (auto line = self.readLine(connection)) {
            if (line->rfind("DEFINE", 0) != 0)
                break;
            FakeDictServer::sendAll(
                connection,
                definitions(line->find("large") != std::string::npos ? 500 : 1, "1000"));
        }
    });
    Answers answers;
    dict::ClientOptions options;
    options.cachedAnswers = 3;
    options.cachedBytes = 10000;
    Client client(addressOf(server.address()), answers.deliver(), options);
    const auto answer = [&](const char* word) {
        client.ask(define(word));
        const auto answered = answers.wait(answers.count() + 1);
        ASSERT_NE(answered, nullptr) << word;
        EXPECT_TRUE(answered->answered) << utf8(answered->note);
    };
    for (const char* word : {"iron", "gold", "lead", "zinc"})
        answer(word);
    EXPECT_EQ(client.ask(define("iron")), nullptr) << "the oldest of four went";
    ASSERT_NE(answers.wait(5), nullptr);
    EXPECT_NE(client.ask(define("zinc")), nullptr);
    EXPECT_NE(client.ask(define("iron")), nullptr);
    answer("large");
    EXPECT_EQ(client.ask(define("iron")), nullptr) << "500 definitions took the room of the others";
}

// Debian's dictd, started by with_dictd.py on a free port over devil and elements.
class DictClientWithDictd : public ::testing::Test {
protected:
    void SetUp() override {
        const char* server = std::getenv("DICT_SERVER");
        if (server == nullptr)
            FAIL() << "DICT_SERVER names no server: run this through tests/dict/with_dictd.py";
        address_ = server;
    }
    Client::AnswerPointer askOnce(const Question& question) {
        Client client(addressOf(address_), answers_.deliver());
        EXPECT_EQ(client.ask(question), nullptr);
        auto answer = answers_.wait(++asked_);
        EXPECT_NE(answer, nullptr);
        if (answer != nullptr) {
            EXPECT_TRUE(answer->answered) << utf8(answer->note);
        }
        return answer;
    }
    std::string address_;
    Answers answers_;
    std::size_t asked_ = 0;
};

TEST_F(DictClientWithDictd, ShowDbListsTheServersDictionaries) {
    Question question;
    question.kind = Question::Kind::Databases;
    const auto answer = askOnce(question);
    ASSERT_TRUE(answer && answer->answered);
    std::vector<std::string> names;
    for (const auto& database : answer->reply.databases)
        names.push_back(database.name);
    EXPECT_EQ(names, (std::vector<std::string>{"devil", "elements"}));
}

TEST_F(DictClientWithDictd, DefineGivesTheDefinitionsAsPagePartsWithLinks) {
    const auto answer = askOnce(define("iron"));
    ASSERT_TRUE(answer && answer->answered);
    ASSERT_FALSE(answer->reply.definitions.empty());
    EXPECT_EQ(answer->reply.definitions[0].database, "elements");
    dict::LayoutSamples samples;
    const auto parts = dict::definitionParts(
        answer->reply.definitions, [](const std::u16string&) { return true; }, samples);
    ASSERT_FALSE(parts.empty());
    EXPECT_EQ(parts[0].source, u"elements");
    EXPECT_NE(parts[0].html.find(u"Fe"), std::u16string::npos) << utf8(parts[0].html);

    const auto devil = askOnce(define("abdication", "devil"));
    ASSERT_TRUE(devil && devil->answered);
    ASSERT_EQ(devil->reply.definitions.size(), 1u);
    EXPECT_NE(devil->reply.definitions[0].text.find("ABDICATION"), std::string::npos);
}

TEST_F(DictClientWithDictd, TheSourceGivesNearMatchesAndDatabasesOnceTheServerAnswered) {
    win32::Handle changed(CreateEventW(nullptr, FALSE, FALSE, nullptr));
    dict::ServerSource source(addressOf(address_), [&changed] { SetEvent(changed.get()); });
    EXPECT_TRUE(source.nearMatches(u"abdicaton").empty()) << "not answered yet";
    ASSERT_EQ(WaitForSingleObject(changed.get(), 30000), WAIT_OBJECT_0);
    const auto matches = source.nearMatches(u"abdicaton");
    ASSERT_FALSE(matches.empty()) << utf8(source.lastFailure());
    EXPECT_EQ(matches[0].word, "abdication");
    EXPECT_FALSE(source.databases());
    ASSERT_EQ(WaitForSingleObject(changed.get(), 30000), WAIT_OBJECT_0);
    ASSERT_TRUE(source.databases());
    EXPECT_EQ(source.databases()->size(), 2u);
}

TEST_F(DictClientWithDictd, MatchByLevenshteinFindsNearWordsAndNoMatchIsAnEmptyAnswer) {
    Question question;
    question.kind = Question::Kind::Match;
    question.word = "abdicaton";
    const auto answer = askOnce(question);
    ASSERT_TRUE(answer && answer->answered);
    bool found = false;
    for (const auto& match : answer->reply.matches)
        found = found || (match.database == "devil" && match.word == "abdication");
    EXPECT_TRUE(found);
    const auto none = askOnce(define("qqqqzzzz"));
    ASSERT_TRUE(none && none->answered);
    EXPECT_TRUE(none->reply.definitions.empty());
}

// The server as one of the window's sources: its page part, near matches and databases.
class ServerSourceTest : public ::testing::Test {
protected:
    std::function<void()> changed() {
        return [this] { SetEvent(changed_.get()); };
    }
    // Waits for the next answer (30 s at most).
    bool answered() {
        const bool came = WaitForSingleObject(changed_.get(), 30000) == WAIT_OBJECT_0;
        ResetEvent(changed_.get());
        return came;
    }
    win32::Handle changed_{CreateEventW(nullptr, TRUE, FALSE, nullptr)};
};

TEST_F(ServerSourceTest, APageWaitsForTheServerThenHoldsItsPartsUnderTheDatabase) {
    FakeDictServer server([](FakeDictServer& self, SOCKET connection) {
        if (self.greet(connection) && self.readLine(connection))
            FakeDictServer::sendAll(connection, definitions(1, "1"));
    });
    dict::ServerSource source(addressOf(server.address()), changed());
    const auto isTerm = [](const std::u16string&) { return true; };
    const dict::ServerPart waiting = source.page(u"iron", isTerm);
    EXPECT_EQ(waiting.state, dict::ServerPart::State::Waiting);
    EXPECT_EQ(utf8(waiting.note), "Waiting for " + server.address() + "?");
    ASSERT_TRUE(answered());
    const dict::ServerPart ready = source.page(u"iron", isTerm);
    ASSERT_EQ(ready.state, dict::ServerPart::State::Ready) << utf8(ready.note);
    ASSERT_EQ(ready.parts.size(), 1u);
    EXPECT_EQ(ready.parts[0].source, u"elements");
}

TEST_F(ServerSourceTest, AFailedQuestionKeepsItsNoteUntilTheReaderRetries) {
    FakeDictServer server([](FakeDictServer&, SOCKET connection) {
        FakeDictServer::sendAll(connection, "garbage\r\n");
    });
    dict::ServerSource source(addressOf(server.address()), changed());
    const auto isTerm = [](const std::u16string&) { return true; };
    source.page(u"iron", isTerm);
    ASSERT_TRUE(answered());
    const dict::ServerPart failed = source.page(u"iron", isTerm);
    EXPECT_EQ(failed.state, dict::ServerPart::State::Failed);
    EXPECT_EQ(utf8(failed.note), "DICT server " + server.address() +
                                     ": the server sent a line that is not a DICT reply: "
                                     "\"garbage\". Ask whoever runs the server to look into it.");
    EXPECT_EQ(source.lastFailure(), failed.note);
    EXPECT_EQ(source.page(u"iron", isTerm).state, dict::ServerPart::State::Failed)
        << "not asked again at every redraw";
    source.retry();
    EXPECT_EQ(source.page(u"iron", isTerm).state, dict::ServerPart::State::Waiting);
    ASSERT_TRUE(answered());
    EXPECT_EQ(server.accepted(), 2);
}
