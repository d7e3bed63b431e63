#pragma once

#include "Reply.h"

#include <string>
#include <string_view>

// Reads the reply to one request line by line: its status lines, the text that follows some
// of them (up to a line holding a lone "."), within the limits. Anything a well-behaved server
// would not send ends the reply as failed, with the reason in plain words.
namespace dict {

// What a reply answers: the banner when the connection opens, or a command.
enum class Request { Connect, ShowDatabases, Define, Match, Client, Quit };

class ReplyReader {
public:
    explicit ReplyReader(Request request, Limits limits = {});

    enum class State { More, Done, Failed };
    // The next line of the connection, without its end.
    State line(std::string_view text);
    // The connection ended: a reply not done is cut off.
    State end();
    // A line longer than the limit came.
    State lineTooLong();

    State state() const { return state_; }
    const Reply& reply() const { return reply_; }
    Reply take() { return std::move(reply_); }
    // Why the reply failed, a sentence's end: "the server sent ..." (empty unless failed).
    const std::string& error() const { return error_; }

private:
    enum class Expect { Status, Definition, Text, Ok };
    State status(int code, std::string_view rest, std::string_view text);
    State definition(std::string_view rest, std::string_view text);
    const char* listing(int code) const; // what a listing of `code` holds; null: none
    bool ends(int code) const;           // a reply of that code alone
    State textLine(std::string_view text);
    State listLine(std::string_view text);
    State fail(std::string reason);
    State done();

    Request request_;
    Limits limits_;
    Expect expect_ = Expect::Status;
    std::size_t bytes_ = 0;
    State state_ = State::More;
    Reply reply_;
    std::string error_;
};

// The code a status line starts with, three digits and a blank or its end; 0 when it has none.
int statusCode(std::string_view line);

// A line as a reason may show it: at most 60 characters, controls as "?".
std::string shown(std::string_view line);

} // namespace dict
