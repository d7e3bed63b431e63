#include "RegistryRecord.h"

#include "CommaRecord.h"

namespace {

// The split parts once had 260-byte buffers; a longer part is refused rather than cut.
constexpr std::size_t kLongestPart = 259;

RegistryRecord::Root rootNamed(const std::string& name) {
    if (name == "HKCR")
        return RegistryRecord::Root::ClassesRoot;
    if (name == "HKCU")
        return RegistryRecord::Root::CurrentUser;
    if (name == "HKLM")
        return RegistryRecord::Root::LocalMachine;
    if (name == "HKU")
        return RegistryRecord::Root::Users;
    return RegistryRecord::Root::None;
}

bool isSoftware(const std::string& component) {
    static const char kSoftware[] = "SOFTWARE";
    if (component.size() != sizeof kSoftware - 1)
        return false;
    for (std::size_t i = 0; i < component.size(); ++i) {
        const char c = component[i] >= 'a' && component[i] <= 'z'
                           ? static_cast<char>(component[i] - 32)
                           : component[i];
        if (c != kSoftware[i])
            return false;
    }
    return true;
}

// "Software\\" and "Software\\\\X" name the same keys as "Software" and "Software\\X" to the
// registry, so the protection rule must see them in that form.
std::string withoutExtraBackslashes(const std::string& path) {
    std::string result;
    for (const char c : path) {
        if (c != '\\' || (!result.empty() && result.back() != '\\'))
            result += c;
    }
    while (!result.empty() && result.back() == '\\')
        result.pop_back();
    return result;
}

} // namespace

RegistryRecord readRegistryRecord(const std::string& text, bool withValueName) {
    RegistryRecord record;
    CommaRecord fields(text);
    std::string rootName;
    fields.next(rootName);
    fields.next(record.keyPath);
    if (withValueName)
        fields.next(record.valueName);
    record.root = rootNamed(rootName);
    record.keyPath = withoutExtraBackslashes(record.keyPath);

    const std::size_t split = record.keyPath.rfind('\\');
    const std::string parent =
        split == std::string::npos ? std::string() : record.keyPath.substr(0, split);
    const std::string last =
        split == std::string::npos ? record.keyPath : record.keyPath.substr(split + 1);
    record.refused = record.keyPath.empty() ||
                     (parent.empty() && record.root != RegistryRecord::Root::ClassesRoot) ||
                     isSoftware(last) || parent.size() > kLongestPart || last.size() > kLongestPart;
    return record;
}
