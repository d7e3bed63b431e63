#include "Payload.h"

#include "Installation.h"

namespace {

std::vector<std::wstring> fields(const std::wstring& line) {
    std::vector<std::wstring> parts;
    std::size_t start = 0;
    for (std::size_t bar = line.find(L'|');; bar = line.find(L'|', start)) {
        parts.push_back(
            line.substr(start, bar == std::wstring::npos ? std::wstring::npos : bar - start));
        if (bar == std::wstring::npos)
            break;
        start = bar + 1;
    }
    return parts;
}

} // namespace

std::string payloadBytes(HMODULE module, const std::wstring& resource) {
    const HRSRC found = FindResourceW(module, resource.c_str(), MAKEINTRESOURCEW(10)); // RT_RCDATA
    const HGLOBAL loaded = found != nullptr ? LoadResource(module, found) : nullptr;
    const void* data = loaded != nullptr ? LockResource(loaded) : nullptr;
    if (data == nullptr)
        throw InstallError(L"The setup program is damaged: it lacks its part " + resource + L".");
    return std::string(static_cast<const char*>(data), SizeofResource(module, found));
}

std::vector<PayloadFile> readPayload(HMODULE module) {
    const std::string text = payloadBytes(module, L"PAYLOAD");
    std::vector<PayloadFile> files;
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find('\n', start);
        if (end == std::string::npos)
            end = text.size();
        std::string line = text.substr(start, end - start);
        start = end + 1;
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        if (line.empty() || line[0] == '#')
            continue;
        const std::vector<std::wstring> parts = fields(std::wstring(line.begin(), line.end()));
        if (parts.size() != 4 || parts[0].empty() || parts[2].empty() ||
            (parts[1] != L"app" && parts[1] != L"system" && parts[1] != L"common") ||
            parts[2].find_first_of(L"\\/:") != std::wstring::npos)
            throw InstallError(L"The setup program is damaged: its list of files is not readable.");
        files.push_back(PayloadFile{parts[0], parts[1], parts[2], parts[3] == L"shared"});
    }
    if (files.empty())
        throw InstallError(L"The setup program is damaged: it carries no files.");
    return files;
}
