#pragma once

#include "base/Options.h"
#include "engine/UninstallReport.h"
#include "setuplog/SetupLog.h"

#include <memory>
#include <string>
#include <vector>

// A document-like object opened by name. Opening while an open is under way is an error
// (ModelException code 1).
class Model {
public:
    virtual ~Model() = default;
    virtual void reset() {}
    virtual void open(const std::string& name);
    virtual void save() {}
    virtual void saveAs(const std::string& /*name*/) {}
    virtual void release() {}
    virtual void load(const std::string& /*name*/) {}
    virtual void store(const std::string& /*name*/) {}

    bool opening() const { return opening_; }
    bool unnamed() const { return unnamed_; }
    const std::string& name() const { return name_; }

protected:
    bool opening_ = false;
    bool unnamed_ = true;
    std::string name_;
    std::string text_; // filled by the derived model
};

// The uninstaller's document: the setup log of the application directory, the application
// name, the list of items that could not be removed, and the run's options and report.
class UninstallModel : public Model {
public:
    ~UninstallModel() override;
    void release() override;
    // Loads "setup.log" from the directory; when it cannot be opened, says so in a message box
    // ("Can't open log file", caption "Error") and throws the FileException on.
    void load(const std::string& directory) override;

    const SetupLog* setupLog() const { return setupLog_.get(); }
    const std::string& applicationName() const { return text_; }
    std::vector<std::string>& problems() { return problems_; }

    // The run's options and report; the main stage owns both and outlives the model.
    void attach(const UninstallOptions& options, UninstallReport& report) {
        options_ = &options;
        report_ = &report;
    }
    const UninstallOptions& options() const { return *options_; }
    UninstallReport& report() { return *report_; }

private:
    std::unique_ptr<SetupLog> setupLog_;
    std::vector<std::string> problems_;
    UninstallOptions noOptions_;
    UninstallReport ownReport_; // counts only, until a report is attached
    const UninstallOptions* options_ = &noOptions_;
    UninstallReport* report_ = &ownReport_;
};
