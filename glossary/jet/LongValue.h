#pragma once

#include "PageFile.h"

#include <string>

namespace jet {

// The bytes of a Memo or OLE value from its 12-byte field: kept inline, in one LVAL row, or in
// a chain of LVAL rows. Compressed text is decoded only after the pieces are joined.
std::string readLongValue(const PageFile& file, Bytes field);

} // namespace jet
