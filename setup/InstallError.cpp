#include "InstallError.h"

#include "SetupOptions.h"

#include <new>

SetupOutcome guardedInstall(const std::function<void()>& install) {
    try {
        install();
        return SetupOutcome{kSetupInstalled, std::wstring()};
    } catch (const RemovalInProgress& error) {
        return SetupOutcome{kSetupAnotherRunning, error.message()};
    } catch (const JournalError& error) {
        return SetupOutcome{kSetupFailed, error.message()};
    } catch (const std::bad_alloc&) {
        return SetupOutcome{kSetupFailed, L"The installation failed: out of memory. Nothing "
                                          L"was changed."};
    } catch (const std::exception& error) {
        const std::string what = error.what();
        return SetupOutcome{kSetupFailed, L"The installation failed (" +
                                              std::wstring(what.begin(), what.end()) +
                                              L"). Nothing was changed."};
    } catch (...) {
        return SetupOutcome{kSetupFailed, L"The installation failed. Nothing was changed."};
    }
}
