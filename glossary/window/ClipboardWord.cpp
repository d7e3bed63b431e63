#include "ClipboardWord.h"
#include "CopiedWord.h"

namespace {

// A clipboard text larger than this is a passage, never a word: it is not even read.
constexpr SIZE_T kMostReadBytes = 64 * 1024;

} // namespace

bool readCopiedWord(HWND owner, std::u16string& word) {
    word.clear();
    // Opened first: a writer between emptying it and putting its text there still holds it.
    if (!OpenClipboard(owner))
        return false;
    std::u16string text;
    const HANDLE data =
        IsClipboardFormatAvailable(CF_UNICODETEXT) ? GetClipboardData(CF_UNICODETEXT) : nullptr;
    const SIZE_T size = data != nullptr ? GlobalSize(data) : 0;
    if (size >= sizeof(char16_t) && size <= kMostReadBytes) {
        if (const auto* characters = static_cast<const char16_t*>(GlobalLock(data))) {
            const std::size_t most = size / sizeof(char16_t);
            std::size_t length = 0;
            while (length < most && characters[length] != u'\0')
                ++length;
            text.assign(characters, length);
            GlobalUnlock(data);
        }
    }
    CloseClipboard();
    word = copiedWord(text);
    return true;
}
