#include "RunningPrograms.h"

#include "base/ProcessValues.h"
#include "base/SystemErrorText.h"
#include "engine/PathRules.h"
#include "engine/ProductPrograms.h"
#include "engine/ProtectedFolders.h"
#include "setuplog/SetupLog.h"
#include "win32/FileHolders.h"
#include "win32/Handles.h"

#include <restartmanager.h>
#include <tlhelp32.h>

#include <algorithm>

namespace {

ProductPlaces placesOf(const SetupLog& log) {
    ProductPlaces places;
    if (!isProtectedFolder(applicationDirectory))
        places.applicationDirectory = applicationDirectory;
    std::string entry;
    for (int i = 0; i < log.entryCount("APPFILES"); ++i) {
        if (log.entry(entry, "APPFILES", i))
            places.files.push_back(entry);
    }
    return places;
}

ProgramIdentity identityOf(HANDLE process) {
    ProgramIdentity identity;
    char path[MAX_PATH * 2] = {};
    DWORD size = sizeof path;
    FILETIME created = {}, exited = {}, kernel = {}, user = {};
    if (!QueryFullProcessImageNameA(process, 0, path, &size) ||
        !GetProcessTimes(process, &created, &exited, &kernel, &user))
        return identity;
    identity.image.assign(path, size);
    identity.started =
        (static_cast<unsigned long long>(created.dwHighDateTime) << 32) | created.dwLowDateTime;
    return identity;
}

DWORD sessionOf(DWORD id) {
    DWORD session = 0;
    return ProcessIdToSessionId(id, &session) ? session : 0xFFFFFFFF;
}

struct WindowSearch {
    DWORD id;
    std::vector<HWND> windows;
};

BOOL CALLBACK collectWindow(HWND window, LPARAM context) {
    auto* search = reinterpret_cast<WindowSearch*>(context);
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    if (owner == search->id)
        search->windows.push_back(window);
    return TRUE;
}

std::vector<HWND> topLevelWindows(DWORD id) {
    WindowSearch search{id, {}};
    EnumWindows(collectWindow, reinterpret_cast<LPARAM>(&search));
    return search.windows;
}

std::wstring nameOf(DWORD id, const std::string& path) {
    const std::size_t slash = path.find_last_of("\\/");
    const std::wstring file =
        ansiToWide(slash == std::string::npos ? path : path.substr(slash + 1));
    for (const HWND window : topLevelWindows(id)) {
        wchar_t title[256] = {};
        if (IsWindowVisible(window) && GetWindow(window, GW_OWNER) == nullptr &&
            GetWindowTextW(window, title, 256) > 0)
            return std::wstring(title) + L" (" + file + L")";
    }
    return file;
}

// What the Restart Manager knows and a look at program files cannot: a program elsewhere that
// has one of the product's files open. Nothing where the system has no Restart Manager.
struct Holders {
    std::vector<DWORD> ids, services;
};

Holders holdersOf(const SetupLog& log) {
    std::vector<std::wstring> files;
    std::string entry;
    for (int i = 0; i < log.entryCount("APPFILES"); ++i) {
        if (log.entry(entry, "APPFILES", i) && isPlainAbsolutePath(entry))
            files.push_back(ansiToWide(entry));
    }
    Holders ids;
    for (const RM_PROCESS_INFO& holder : win32::processesHolding(files)) {
        ids.ids.push_back(holder.Process.dwProcessId);
        if (holder.ApplicationType == RmService || holder.ApplicationType == RmCritical)
            ids.services.push_back(holder.Process.dwProcessId);
    }
    return ids;
}

} // namespace

std::vector<RunningProgram> runningProductPrograms(const SetupLog& log, DWORD relayId) {
    const ProductPlaces places = placesOf(log);
    const Holders holders = holdersOf(log);
    const DWORD ownSession = sessionOf(GetCurrentProcessId());
    const auto listed = [](const std::vector<DWORD>& ids, DWORD id) {
        return std::find(ids.begin(), ids.end(), id) != ids.end();
    };
    std::vector<RunningProgram> programs;
    const win32::Handle snapshot(CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
    PROCESSENTRY32 entry = {};
    entry.dwSize = sizeof entry;
    for (BOOL more = snapshot && Process32First(snapshot.get(), &entry); more;
         more = Process32Next(snapshot.get(), &entry)) {
        const DWORD id = entry.th32ProcessID;
        if (id == GetCurrentProcessId() || id == relayId || id == 0)
            continue;
        auto process = std::make_shared<win32::Handle>(
            OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION | SYNCHRONIZE, FALSE, id));
        // One that cannot be waited for is still named; it is not known to have ended.
        if (!*process)
            process->reset(OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, id));
        if (!*process)
            continue;
        const ProgramIdentity identity = identityOf(process->get());
        if (identity.image.empty() ||
            (!isProductProgram(identity.image, places) && !listed(holders.ids, id)))
            continue;
        RunningProgram program;
        program.id = id;
        program.path = identity.image;
        program.started = identity.started;
        program.ours = !listed(holders.services, id) && sessionOf(id) == ownSession;
        program.name = nameOf(id, identity.image);
        program.process = std::move(process);
        programs.push_back(std::move(program));
    }
    return programs;
}

std::vector<RunningProgram> closePrograms(const std::vector<RunningProgram>& programs,
                                          DWORD timeoutMs) {
    std::vector<bool> asked(programs.size(), false);
    for (std::size_t i = 0; i < programs.size(); ++i) {
        const RunningProgram& program = programs[i];
        const HANDLE process = program.process ? program.process->get() : nullptr;
        // Still running, and still the program that was listed: held since, its id is its own.
        DWORD exitCode = 0;
        if (!program.ours || process == nullptr ||
            WaitForSingleObject(process, 0) == WAIT_OBJECT_0 ||
            !GetExitCodeProcess(process, &exitCode) || exitCode != STILL_ACTIVE ||
            !sameProgram({program.path, program.started}, identityOf(process)))
            continue;
        asked[i] = true;
        for (const HWND window : topLevelWindows(program.id))
            PostMessageA(window, WM_CLOSE, 0, 0);
    }
    const DWORD start = GetTickCount();
    std::vector<RunningProgram> running;
    for (std::size_t i = 0; i < programs.size(); ++i) {
        const DWORD spent = GetTickCount() - start;
        const DWORD left = asked[i] && spent < timeoutMs ? timeoutMs - spent : 0;
        const HANDLE process = programs[i].process ? programs[i].process->get() : nullptr;
        // One that cannot be waited for is not known to have ended.
        if (process == nullptr || WaitForSingleObject(process, left) != WAIT_OBJECT_0)
            running.push_back(programs[i]);
    }
    return running;
}

std::wstring runningText(const std::vector<RunningProgram>& programs) {
    std::wstring text;
    for (const RunningProgram& program : programs)
        text += program.name + (program.ours ? L" is running.\n"
                                             : L" is running as a service or in another session: "
                                               L"it is not closed from here; stop it yourself.\n");
    return text;
}
