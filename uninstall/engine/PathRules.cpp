#include "PathRules.h"

#include <cstddef>
#include <vector>

namespace {

bool isSeparator(char c) {
    return c == '\\' || c == '/';
}

bool isDriveLetter(char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

std::vector<std::string> components(const std::string& path, std::size_t from) {
    std::vector<std::string> parts;
    std::string part;
    for (std::size_t i = from; i < path.size(); ++i) {
        if (isSeparator(path[i])) {
            parts.push_back(part);
            part.clear();
        } else {
            part += path[i];
        }
    }
    parts.push_back(part);
    return parts;
}

char upper(char c) {
    return c >= 'a' && c <= 'z' ? static_cast<char>(c - 32) : c;
}

bool equalIgnoringCase(const std::string& a, const char* b) {
    std::size_t i = 0;
    for (; i < a.size() && b[i] != '\0'; ++i) {
        if (upper(a[i]) != upper(b[i]))
            return false;
    }
    return i == a.size() && b[i] == '\0';
}

// "C$", "ADMIN$", "IPC$" and every other hidden share: the administrative ones show local
// protected folders under another name, so none is trusted.
bool isHiddenShare(const std::string& share) {
    return !share.empty() && share.back() == '$';
}

// The machine itself under a network name.
bool isLoopbackHost(const std::string& host) {
    return equalIgnoringCase(host, "localhost") || host.compare(0, 4, "127.") == 0 ||
           host == "[::1]" || host == "::1" || equalIgnoringCase(host, "0--1.ipv6-literal.net");
}

bool onlyDotsOrBlanks(const std::string& part) {
    if (part.empty())
        return false;
    for (const char c : part) {
        if (c != '.' && c != ' ')
            return false;
    }
    return true;
}

} // namespace

bool isPlainAbsolutePath(const std::string& path) {
    std::size_t rest = 0;
    if (path.size() >= 3 && isDriveLetter(path[0]) && path[1] == ':' && isSeparator(path[2])) {
        rest = 3;
    } else if (path.size() >= 2 && isSeparator(path[0]) && isSeparator(path[1])) {
        // Server and share must both be there and be names.
        const std::vector<std::string> parts = components(path, 2);
        if (parts.size() < 2 || parts[0].empty() || parts[1].empty() || parts[0] == "?" ||
            parts[0] == "." || isHiddenShare(parts[1]) || isLoopbackHost(parts[0]))
            return false;
        rest = 2;
    } else {
        return false;
    }
    if (path.find('\0') != std::string::npos)
        return false;
    for (const std::string& part : components(path, rest)) {
        if (onlyDotsOrBlanks(part))
            return false;
    }
    return true;
}

bool isRelativePath(const std::string& path) {
    const bool onDrive = path.size() >= 3 && path[1] == ':' && isSeparator(path[2]);
    const bool onShareOrDevice = path.size() >= 2 && isSeparator(path[0]) && isSeparator(path[1]);
    return !onDrive && !onShareOrDevice;
}

std::string comparablePath(const std::string& path) {
    std::string result;
    result.reserve(path.size());
    for (const char c : path)
        result += isSeparator(c) ? '\\' : upper(c);
    // Until none is left, so that the form of a form is the form itself.
    for (;;) {
        if (result.compare(0, 8, "\\\\?\\UNC\\") == 0)
            result.erase(1, 6); // "\\?\UNC\server" -> "\\server"
        else if (result.compare(0, 4, "\\\\?\\") == 0)
            result.erase(0, 4);
        else
            break;
    }
    while (result.size() > 1 && result.back() == '\\' && !(result.size() == 3 && result[1] == ':'))
        result.pop_back();
    return result;
}

bool samePath(const std::string& a, const std::string& b) {
    return comparablePath(a) == comparablePath(b);
}

std::string wow64Redirected(const std::string& path, const std::string& windowsDirectory) {
    const std::string windows = comparablePath(windowsDirectory);
    const std::string comparable = comparablePath(path);
    const std::size_t base = windows.size() + 1;
    if (windows.empty() || comparable.size() <= base ||
        comparable.compare(0, windows.size(), windows) != 0 || comparable[windows.size()] != '\\')
        return path;
    std::vector<std::string> parts = components(path.substr(base), 0);
    std::size_t system = 0;
    if (parts.size() >= 2 && equalIgnoringCase(parts[0], "lastgood"))
        system = 1;
    if (parts.size() < system + 2 || !equalIgnoringCase(parts[system], "System32"))
        return path;
    // The folders that stay shared between both kinds of process.
    const std::string& first = parts[system + 1];
    for (const char* exempt : {"catroot", "catroot2", "driverstore", "logfiles", "spool"}) {
        if (equalIgnoringCase(first, exempt))
            return path;
    }
    if (equalIgnoringCase(first, "drivers") && parts.size() > system + 2 &&
        equalIgnoringCase(parts[system + 2], "etc"))
        return path;
    parts[system] = "SysWOW64";
    std::string result = path.substr(0, base);
    for (std::size_t i = 0; i < parts.size(); ++i)
        result += (i == 0 ? "" : "\\") + parts[i];
    return result;
}

bool liesIn(const std::string& path, const std::string& folder) {
    const std::string inner = comparablePath(path), outer = comparablePath(folder);
    if (outer.empty() || inner.size() <= outer.size() || inner.compare(0, outer.size(), outer) != 0)
        return false;
    return outer.back() == '\\' || inner[outer.size()] == '\\';
}

bool namesDevice(const std::string& path) {
    const std::size_t slash = path.find_last_of("\\/:");
    std::string name = path.substr(slash == std::string::npos ? 0 : slash + 1);
    name = name.substr(0, name.find('.'));
    while (!name.empty() && name.back() == ' ')
        name.pop_back();
    for (const char* device : {"CON", "PRN", "AUX", "NUL", "CONIN$", "CONOUT$", "CLOCK$"}) {
        if (equalIgnoringCase(name, device))
            return true;
    }
    return name.size() == 4 &&
           (equalIgnoringCase(name.substr(0, 3), "COM") ||
            equalIgnoringCase(name.substr(0, 3), "LPT")) &&
           name[3] >= '1' && name[3] <= '9';
}
