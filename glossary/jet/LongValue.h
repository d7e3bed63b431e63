#pragma once

#include "PageFile.h"

#include <string>

namespace jet {

// The bytes of a Memo or OLE value from its 12-byte field: kept inline, in one LVAL row, or in
// a chain of LVAL rows. Compressed text is decoded only after the pieces are joined.
class LongValue {
public:
    LongValue(const PageFile& file, Bytes field);
    LongValue(const LongValue&) = delete;
    LongValue& operator=(const LongValue&) = delete;

    // Points into the file, or into the joined chain this object holds.
    Bytes bytes() const { return bytes_; }

private:
    std::string joined_;
    Bytes bytes_;
};

} // namespace jet
