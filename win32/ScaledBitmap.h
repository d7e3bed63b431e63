#pragma once

#include "Gdi.h"

#include <windows.h>

namespace win32 {

// A copy of `source` drawn at `width` x `height` pixels, smoothed: a picture made for 96 dpi
// keeps its size on the screen at any density. Null when the system has no memory for it.
inline Gdi<HBITMAP> scaledBitmap(HBITMAP source, int width, int height) {
    BITMAP size = {};
    if (source == nullptr || GetObject(source, sizeof size, &size) == 0 || width <= 0 ||
        height <= 0)
        return Gdi<HBITMAP>();
    const WindowDc screen(nullptr);
    const MemoryDc from(CreateCompatibleDC(screen.dc())), to(CreateCompatibleDC(screen.dc()));
    Gdi<HBITMAP> scaled(CreateCompatibleBitmap(screen.dc(), width, height));
    if (!from || !to || !scaled)
        return Gdi<HBITMAP>();
    {
        const Selection read(from.get(), source), write(to.get(), scaled.get());
        SetStretchBltMode(to.get(), HALFTONE);
        SetBrushOrgEx(to.get(), 0, 0, nullptr);
        StretchBlt(to.get(), 0, 0, width, height, from.get(), 0, 0, size.bmWidth, size.bmHeight,
                   SRCCOPY);
    }
    return scaled;
}

} // namespace win32
