#include "InputFormat.h"

#include "StardictInfo.h"

#include <algorithm>
#include <cctype>

namespace {

std::string lower(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return text;
}

bool endsWith(const std::string& text, std::string_view ending) {
    return text.size() >= ending.size() &&
           text.compare(text.size() - ending.size(), ending.size(), ending) == 0;
}

// `head` read as text: UTF-16 (either order, after its byte order mark) taken byte by byte to
// its low bytes, UTF-8 without its mark; enough to find ASCII words.
std::string asciiOf(std::string_view head) {
    const auto byte = [&head](std::size_t i) { return static_cast<unsigned char>(head[i]); };
    std::string text;
    if (head.size() >= 2 &&
        ((byte(0) == 0xFF && byte(1) == 0xFE) || (byte(0) == 0xFE && byte(1) == 0xFF))) {
        const std::size_t low = byte(0) == 0xFF ? 0 : 1;
        for (std::size_t i = 2; i + 1 < head.size(); i += 2)
            text += static_cast<char>(byte(i + 1 - low) == 0 ? head[i + low] : '?');
        return text;
    }
    if (head.substr(0, 3) == "\xEF\xBB\xBF")
        head.remove_prefix(3);
    return std::string(head);
}

// MDict files begin with the length of a header in UTF-16LE XML.
bool isMdict(std::string_view head) {
    static constexpr std::string_view kDictionary("<\0D\0i\0c\0t\0i\0o\0n\0a\0r\0y\0", 22);
    static constexpr std::string_view kLibrary("<\0L\0i\0b\0r\0a\0r\0y\0", 16);
    return head.size() > 4 && (head.substr(4, kDictionary.size()) == kDictionary ||
                               head.substr(4, kLibrary.size()) == kLibrary);
}

std::string cannotRead(const std::string& path, const char* format) {
    return path + " is " + format +
           ", which dictbuild cannot read; convert it to StarDict or dictd format (for example "
           "with pyglossary) and import that";
}

} // namespace

std::string stardictInfoName(const std::string& path) {
    const std::size_t slash = path.find_last_of("/\\");
    const std::size_t dot = path.find('.', slash == std::string::npos ? 0 : slash + 1);
    return (dot == std::string::npos ? path : path.substr(0, dot)) + ".ifo";
}

InputFormat inputFormat(const std::string& path, std::string_view head, bool isFolder,
                        bool infoBeside) {
    if (isFolder)
        return {InputKind::StardictFolder, {}};
    const std::string name = lower(path);
    const std::string text = asciiOf(head);
    if (endsWith(name, ".ifo") || stardict::looksLikeInfo(std::string(head)))
        return {InputKind::StardictInfo, {}};
    const bool gzip = head.size() >= 2 && head[0] == '\x1F' && head[1] == '\x8B';
    // A DSL file opens with its name in quotes: #NAME "English-Russian".
    const std::size_t quote = text.find_first_not_of(" \t", 5);
    if (endsWith(name, ".dsl") || endsWith(name, ".dsl.dz") ||
        (!gzip && text.compare(0, 5, "#NAME") == 0 && quote != 5 && quote != std::string::npos &&
         text[quote] == '"'))
        return {InputKind::Unreadable, cannotRead(path, "a DSL dictionary")};
    if (endsWith(name, ".mdx") || endsWith(name, ".mdd") || isMdict(head))
        return {InputKind::Unreadable, cannotRead(path, "an MDict dictionary")};
    if (endsWith(name, ".bgl") || head.substr(0, 4) == std::string_view("\x12\x34\x00\x01", 4) ||
        head.substr(0, 4) == std::string_view("\x12\x34\x00\x02", 4))
        return {InputKind::Unreadable, cannotRead(path, "a Babylon dictionary")};
    if (endsWith(name, ".xdxf") || (!gzip && text.find("<xdxf") != std::string::npos &&
                                    text.find_first_not_of(" \t\r\n") == text.find('<')))
        return {InputKind::Unreadable, cannotRead(path, "an XDXF dictionary")};
    const bool stardictPart =
        endsWith(name, ".idx") || endsWith(name, ".idx.gz") || endsWith(name, ".syn") ||
        ((endsWith(name, ".dict") || endsWith(name, ".dict.dz")) && infoBeside);
    if (stardictPart)
        return {InputKind::StardictPart,
                path + " is a part of a StarDict dictionary; give its information file " +
                    stardictInfoName(path) +
                    " (or the folder holding it) instead, with the .idx "
                    "and .dict files beside it"};
    return {};
}
