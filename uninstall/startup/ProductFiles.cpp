#include "ProductFiles.h"

#include "base/AppException.h"
#include "base/ProcessValues.h"
#include "setuplog/SetupLog.h"

std::vector<std::string> productFiles(const std::string& original, const std::string& copy) {
    std::vector<std::string> files = {applicationDirectory + "Setup.log", original, copy};
    try {
        const SetupLog log(applicationDirectory, "Setup.log");
        std::string path;
        for (const char* section : {"SHAREDFILES", "STDFILES", "APPFILES"}) {
            for (int i = 0; i < log.entryCount(section); ++i) {
                if (log.entry(path, section, i))
                    files.push_back(path);
            }
        }
    } catch (const AppException&) {
        // The run itself says so when it reads the log.
    }
    return files;
}
