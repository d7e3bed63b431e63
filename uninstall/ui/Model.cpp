#include "Model.h"

#include "base/AppException.h"
#include "base/UserMessage.h"
#include "setuplog/PathJoin.h"

#include <windows.h>

void Model::open(const std::string& name) {
    if (opening_)
        throw ModelException(std::string(), 1);
    release();
    opening_ = true;
    load(name); // a failure leaves `opening` set
    opening_ = false;
    name_ = name;
    unnamed_ = false;
}

UninstallModel::~UninstallModel() {
    release();
}

void UninstallModel::release() {
    setupLog_.reset();
}

void UninstallModel::load(const std::string& directory) {
    try {
        setupLog_ = std::make_unique<SetupLog>(directory, "setup.log");
    } catch (const FileException&) {
        const std::string text = "Can't open log file \"" + joinPath(directory, "setup.log") +
                                 "\": it is missing or cannot be read.\n\nNothing was removed. "
                                 "Reinstall the product to restore its setup log, then remove "
                                 "it again.";
        showMessage(text.c_str(), "Error", MB_OK);
        throw;
    }
    setupLog_->value(text_, "COMMON", "Application_Name", "", true);
}
