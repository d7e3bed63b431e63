#include "LineReader.h"

namespace dict {

void LineReader::add(std::string_view bytes) {
    if (tooLong_)
        return;
    // Lines given out are dropped before the buffer grows, so it holds one line and a chunk.
    if (start_ != 0) {
        buffer_.erase(0, start_);
        start_ = 0;
    }
    buffer_.append(bytes);
}

LineReader::Next LineReader::next(std::string& line) {
    if (tooLong_)
        return Next::TooLong;
    const std::size_t end = buffer_.find('\n', start_ + scanned_);
    if (end == std::string::npos) {
        scanned_ = buffer_.size() - start_;
        // One byte more may be the CR of a line just as long as allowed.
        return scanned_ > maxLine_ + 1 ? refuse() : Next::More;
    }
    std::size_t length = end - start_;
    if (length != 0 && buffer_[end - 1] == '\r')
        --length;
    if (length > maxLine_)
        return refuse();
    line.assign(buffer_, start_, length);
    start_ = end + 1;
    scanned_ = 0;
    return Next::Line;
}

LineReader::Next LineReader::refuse() {
    tooLong_ = true;
    std::string().swap(buffer_);
    start_ = scanned_ = 0;
    return Next::TooLong;
}

} // namespace dict
