#pragma once

#include <windows.h>

#include <string>

namespace driver {

// Saves what the screen shows inside `area` as a 24-bit BMP file.
bool saveScreenArea(const RECT& area, const std::string& path);

// The colour the screen shows at `point`.
COLORREF screenPixel(POINT point);

} // namespace driver
