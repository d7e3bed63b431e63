#pragma once

#include <cstddef>
#include <string>
#include <string_view>

// The lines of a DICT connection, ended by LF (a CR before it dropped). The bytes kept are
// bounded: a line longer than `maxLine` is refused as soon as that many bytes came without its
// end, so a server sending one endless line costs no more than that.
namespace dict {

class LineReader {
public:
    explicit LineReader(std::size_t maxLine) : maxLine_(maxLine) {}

    // Received bytes; to be added only while next() says More (at most one chunk ahead).
    void add(std::string_view bytes);

    enum class Next { Line, More, TooLong };
    // The next whole line into `line`, without its end. TooLong stays once reached.
    Next next(std::string& line);

    // Bytes received and not yet given out as lines (the start of a line cut off).
    std::size_t pending() const { return buffer_.size() - start_; }

private:
    Next refuse();

    std::size_t maxLine_;
    std::string buffer_;
    std::size_t start_ = 0;   // where the next line begins in buffer_
    std::size_t scanned_ = 0; // bytes after start_ known to hold no LF
    bool tooLong_ = false;
};

} // namespace dict
