// Asks a DICT server as the glossary does, and prints the answer: its databases, or a word's
// definitions, or the note that says why there is none.
// Usage: dictquery <host[:port]> [word]
#include "dict/ServerAddress.h"
#include "dictclient/DictClient.h"
#include "jet/TextCodec.h"

#include <windows.h>

#include <cstdio>
#include <future>
#include <string>

namespace {

void print(const std::string& utf8) {
    std::fwrite(utf8.data(), 1, utf8.size(), stdout);
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 2 || argc > 3) {
        print("Usage: dictquery <host[:port]> [word]\n"
              "Without a word, lists the server's databases; with one, prints its definitions.\n");
        return 2;
    }
    const auto server = dict::parseServerAddress(argv[1]);
    if (!server) {
        print(std::string("dictquery: \"") + argv[1] +
              "\" names no server. Write a host name or address, with \":port\" when it is not "
              "2628.\n");
        return 2;
    }
    std::promise<dict::Client::AnswerPointer> answered;
    dict::Client client(*server, [&answered](dict::Client::AnswerPointer answer) {
        answered.set_value(std::move(answer));
    });
    dict::Question question;
    if (argc == 3) {
        question.word = argv[2]; // the console's code page: ASCII words are safe
    } else {
        question.kind = dict::Question::Kind::Databases;
    }
    client.ask(question);
    const dict::Client::AnswerPointer answer = answered.get_future().get();
    if (!answer->answered) {
        print(jet::toUtf8(answer->note) + "\n");
        return 1;
    }
    for (const dict::Database& database : answer->reply.databases)
        print(database.name + "\t" + database.description + "\n");
    for (const dict::Definition& definition : answer->reply.definitions)
        print("From " + definition.database + " (" + definition.description + "):\n" +
              definition.text + "\n\n");
    if (argc == 3 && answer->reply.definitions.empty())
        print("No definitions for \"" + question.word + "\" on " + server->text() + ".\n");
    return 0;
}
