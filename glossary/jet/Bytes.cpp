#include "Bytes.h"

namespace jet {

void Bytes::outOfBounds(std::size_t offset, std::size_t length, std::size_t size) {
    throw JetError("read of " + std::to_string(length) + " bytes at " + std::to_string(offset) +
                   " lies outside a block of " + std::to_string(size) + " bytes");
}

} // namespace jet
