#include "ScreenCapture.h"

#include "win32/Gdi.h"

#include <fstream>

namespace driver {

namespace {

// What the screen shows inside an area, copied into a bitmap of our own: Wine reads pixels of
// the screen itself from the desktop window alone.
struct ScreenCopy {
    explicit ScreenCopy(const RECT& area)
        : memory(CreateCompatibleDC(screen.dc())),
          bitmap(
              CreateCompatibleBitmap(screen.dc(), area.right - area.left, area.bottom - area.top)) {
        const win32::Selection drawn(memory.get(), bitmap.get());
        BitBlt(memory.get(), 0, 0, area.right - area.left, area.bottom - area.top, screen.dc(),
               area.left, area.top, SRCCOPY);
    }
    win32::WindowDc screen{nullptr};
    win32::MemoryDc memory;
    win32::Gdi<HBITMAP> bitmap;
};

} // namespace

bool saveScreenArea(const RECT& area, const std::string& path) {
    const int width = area.right - area.left, height = area.bottom - area.top;
    if (width <= 0 || height <= 0)
        return false;
    BITMAPINFOHEADER info = {};
    info.biSize = sizeof info;
    info.biWidth = width;
    info.biHeight = height;
    info.biPlanes = 1;
    info.biBitCount = 24;
    std::string pixels(
        static_cast<std::size_t>((width * 3 + 3) & ~3) * static_cast<std::size_t>(height), '\0');
    const ScreenCopy copy(area);
    GetDIBits(copy.memory.get(), copy.bitmap.get(), 0, static_cast<UINT>(height), &pixels[0],
              reinterpret_cast<BITMAPINFO*>(&info), DIB_RGB_COLORS);
    BITMAPFILEHEADER file = {};
    file.bfType = 0x4D42;
    file.bfOffBits = sizeof file + sizeof info;
    file.bfSize = file.bfOffBits + static_cast<DWORD>(pixels.size());
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(&file), sizeof file);
    out.write(reinterpret_cast<const char*>(&info), sizeof info);
    out.write(pixels.data(), static_cast<std::streamsize>(pixels.size()));
    return static_cast<bool>(out);
}

COLORREF screenPixel(POINT point) {
    const ScreenCopy copy({point.x, point.y, point.x + 1, point.y + 1});
    const win32::Selection drawn(copy.memory.get(), copy.bitmap.get());
    return GetPixel(copy.memory.get(), 0, 0);
}

} // namespace driver
