#include "ReplyReader.h"

#include "Tokens.h"

#include <cstdlib>

namespace dict {

namespace {

const char* nameOf(Request request) {
    switch (request) {
    case Request::Connect:
        return "the greeting";
    case Request::ShowDatabases:
        return "SHOW DB";
    case Request::Define:
        return "DEFINE";
    case Request::Match:
        return "MATCH";
    case Request::Client:
        return "CLIENT";
    case Request::Quit:
        return "QUIT";
    }
    return "a command";
}

std::string sizeText(std::size_t bytes) {
    if (bytes >= 1024 * 1024 && bytes % (1024 * 1024) == 0)
        return std::to_string(bytes / (1024 * 1024)) + " MiB";
    if (bytes >= 1024 && bytes % 1024 == 0)
        return std::to_string(bytes / 1024) + " KiB";
    return std::to_string(bytes) + " bytes";
}

// The count a 110, 150 or 152 line announces; nothing when it names none.
std::size_t announced(std::string_view rest) {
    std::size_t count = 0;
    for (const char c : rest) {
        if (c < '0' || c > '9')
            break;
        count = count > 100000000 ? count : count * 10 + static_cast<std::size_t>(c - '0');
    }
    return count;
}

} // namespace

int statusCode(std::string_view line) {
    if (line.size() < 3 || (line.size() > 3 && line[3] != ' '))
        return 0;
    int code = 0;
    for (std::size_t i = 0; i < 3; ++i) {
        if (line[i] < '0' || line[i] > '9')
            return 0;
        code = code * 10 + (line[i] - '0');
    }
    return code >= 100 && code < 600 ? code : 0;
}

std::string shown(std::string_view line) {
    constexpr std::size_t kShown = 60;
    std::string text;
    for (std::size_t i = 0; i < line.size() && i < kShown; ++i) {
        const auto c = static_cast<unsigned char>(line[i]);
        text += c < 0x20 || c == 0x7f ? '?' : static_cast<char>(c);
    }
    // A character cut in its middle would show as a wrong one.
    while (line.size() > kShown && !text.empty() &&
           (static_cast<unsigned char>(text.back()) & 0xc0) == 0x80)
        text.pop_back();
    if (line.size() > kShown) {
        if (!text.empty() && static_cast<unsigned char>(text.back()) >= 0xc0)
            text.pop_back();
        text += "...";
    }
    return text;
}

ReplyReader::ReplyReader(Request request, Limits limits) : request_(request), limits_(limits) {}

ReplyReader::State ReplyReader::line(std::string_view text) {
    if (state_ != State::More)
        return state_;
    bytes_ += text.size() + 1;
    if (bytes_ > limits_.maxBytes)
        return fail("the server sent more than " + sizeText(limits_.maxBytes) + " in one reply");
    if (expect_ == Expect::Text)
        return textLine(text);
    const int code = statusCode(text);
    if (code == 0)
        return fail("the server sent a line that is not a DICT reply: \"" + shown(text) + "\"");
    return status(code, text.substr(text.size() > 3 ? 4 : 3), text);
}

ReplyReader::State ReplyReader::end() {
    if (state_ == State::More)
        return fail(bytes_ == 0 ? "the server closed the connection without a reply"
                                : "the server's reply was cut off");
    return state_;
}

ReplyReader::State ReplyReader::lineTooLong() {
    return fail("the server sent a line longer than " + sizeText(limits_.maxLine));
}

ReplyReader::State ReplyReader::status(int code, std::string_view rest, std::string_view text) {
    reply_.status = code;
    reply_.statusText.assign(rest);
    if (expect_ == Expect::Definition && code == 151)
        return definition(rest, text);
    if (expect_ != Expect::Status) {
        if (code == 250)
            return done();
    } else if (const char* items = listing(code)) {
        // A listing's announced size is refused before any of it is read.
        const std::size_t count = announced(rest);
        if (count > limits_.maxItems)
            return fail("the server offers " + std::to_string(count) + " " + items +
                        ", more than the " + std::to_string(limits_.maxItems) +
                        " the glossary takes");
        expect_ = code == 150 ? Expect::Definition : Expect::Text;
        return State::More;
    } else if (ends(code)) {
        return done();
    }
    if (code >= 400)
        return fail("the server answered \"" + shown(text) + "\"");
    return fail("the server answered \"" + shown(text) + "\" where the reply to " +
                nameOf(request_) + " was due");
}

ReplyReader::State ReplyReader::definition(std::string_view rest, std::string_view text) {
    if (reply_.definitions.size() >= limits_.maxItems)
        return fail("the server sent more than " + std::to_string(limits_.maxItems) +
                    " definitions");
    auto word = takeToken(rest);
    auto database = takeToken(rest);
    if (!word || !database)
        return fail("the server sent a definition without its word and database: \"" + shown(text) +
                    "\"");
    reply_.definitions.push_back(
        {std::move(*word), std::move(*database), takeToken(rest).value_or(std::string()), {}});
    expect_ = Expect::Text;
    return State::More;
}

const char* ReplyReader::listing(int code) const {
    if (request_ == Request::ShowDatabases && code == 110)
        return "databases";
    if (request_ == Request::Define && code == 150)
        return "definitions";
    if (request_ == Request::Match && code == 152)
        return "matches";
    return nullptr;
}

bool ReplyReader::ends(int code) const {
    switch (request_) {
    case Request::Connect:
        return code == 220;
    case Request::ShowDatabases:
        return code == 554; // no databases
    case Request::Define:
    case Request::Match:
        return code == 552; // no match
    case Request::Client:
        return code == 250;
    case Request::Quit:
        return code == 221;
    }
    return false;
}

ReplyReader::State ReplyReader::textLine(std::string_view text) {
    if (text == ".") {
        if (request_ == Request::Define) {
            std::string& body = reply_.definitions.back().text;
            if (!body.empty())
                body.pop_back(); // the last line's end
            expect_ = Expect::Definition;
        } else {
            expect_ = Expect::Ok;
        }
        return State::More;
    }
    if (!text.empty() && text[0] == '.')
        text.remove_prefix(1);
    if (request_ == Request::Define) {
        std::string& body = reply_.definitions.back().text;
        body.append(text);
        body += '\n';
        return State::More;
    }
    return listLine(text);
}

ReplyReader::State ReplyReader::listLine(std::string_view text) {
    std::string_view rest = text;
    auto first = takeToken(rest);
    auto second = takeToken(rest);
    const std::size_t items =
        request_ == Request::Match ? reply_.matches.size() : reply_.databases.size();
    if (items >= limits_.maxItems)
        return fail("the server sent more than " + std::to_string(limits_.maxItems) +
                    (request_ == Request::Match ? " matches" : " databases"));
    if (!first || (request_ == Request::Match && !second))
        return fail("the server sent a line that is not a database and a " +
                    std::string(request_ == Request::Match ? "word" : "description") + ": \"" +
                    shown(text) + "\"");
    if (request_ == Request::Match)
        reply_.matches.push_back({std::move(*first), std::move(*second)});
    else
        reply_.databases.push_back({std::move(*first), second.value_or(std::string())});
    return State::More;
}

ReplyReader::State ReplyReader::fail(std::string reason) {
    state_ = State::Failed;
    error_ = std::move(reason);
    // What was read is of no use now; its memory goes at once.
    reply_ = Reply();
    return state_;
}

ReplyReader::State ReplyReader::done() {
    state_ = State::Done;
    return state_;
}

} // namespace dict
