#include "base/AppException.h"
#include "driver/WindowFinder.h"
#include "support/WinTestSupport.h"
#include "ui/Dialog.h"
#include "ui/HeldException.h"
#include "ui/MessageLoop.h"
#include "ui/Model.h"
#include "ui/Window.h"
#include "ui/WindowClass.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <thread>
#include <vector>

using namespace driver;
using namespace testsupport;

namespace {

constexpr DWORD kTimeoutMs = 20000;

class Recording : public FrameWindow {
public:
    explicit Recording(bool accept = true) : accept_(accept) {}
    bool onCreate() override { return accept_; }
    void onDestroy() override {
        destroyed = true;
        FrameWindow::onDestroy();
    }
    void onSize(unsigned width, unsigned height) override { size = {width, height}; }
    void onCommand(unsigned id, LPARAM parameter) override { commands.push_back({id, parameter}); }

    bool destroyed = false;
    std::pair<unsigned, unsigned> size;
    std::vector<std::pair<unsigned, LPARAM>> commands;

private:
    bool accept_;
};

const char* testClass() {
    static const char kName[] = "FrameworkTestClass";
    static bool registered = false;
    if (!registered) {
        WindowClass(CS_HREDRAW | CS_VREDRAW, kName, LoadCursor(nullptr, IDC_ARROW),
                    reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1), GetModuleHandleA(nullptr), nullptr,
                    nullptr)
            .registerClass();
        registered = true;
    }
    return kName;
}

// A dialog template in memory: one button, no resource needed.
std::vector<WORD> dialogTemplate() {
    std::vector<WORD> words(64, 0);
    auto* dialog = reinterpret_cast<DLGTEMPLATE*>(words.data());
    dialog->style = WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME;
    dialog->cdit = 0;
    dialog->cx = 100;
    dialog->cy = 50;
    return words;
}

class Ending : public DialogHandler {
public:
    using DialogHandler::DialogHandler;
    ~Ending() override { ++deleted; }
    bool onInitDialog(HWND dialog) override {
        // Escape first, then a command of the worker's kind that ends the dialog.
        PostMessageA(dialog, WM_COMMAND, IDCANCEL, 0);
        PostMessageA(dialog, WM_USER + 7, MAKEWPARAM(1234, 0), 0);
        return true;
    }
    bool onCommand(HWND dialog, unsigned id, unsigned) override {
        seen.push_back(id);
        if (id != 1234)
            return false;
        EndDialog(dialog, 1234);
        return true;
    }
    bool onNotify(HWND, WPARAM, LPARAM) override { return false; }

    static inline int deleted = 0;
    static inline std::vector<unsigned> seen;
};

} // namespace

TEST(WindowFramework, MessagesBecomeCallsOfTheBoundObject) {
    Recording window;
    ASSERT_TRUE(window.createTopLevel(0, testClass(), "test", 0, 0, 200, 46, nullptr,
                                      GetModuleHandleA(nullptr)));
    const HWND handle = window.handle();
    SendMessageA(handle, WM_USER + 6, 0, 77);
    SendMessageA(handle, WM_COMMAND, MAKEWPARAM(32775, 0), 5);
    EXPECT_EQ(window.commands,
              (std::vector<std::pair<unsigned, LPARAM>>{{WM_USER + 6, 77}, {32775, 5}}));
    EXPECT_EQ(SendMessageA(handle, WM_ERASEBKGND, 0, 0), 1)
        << "erase background is always answered with 1";
    SendMessageA(handle, WM_SIZE, 0, MAKELPARAM(300, 40));
    EXPECT_EQ(window.size, std::make_pair(300u, 40u));

    window.destroyWindow();
    EXPECT_TRUE(window.destroyed);
    EXPECT_EQ(window.handle(), nullptr);
    EXPECT_FALSE(IsWindow(handle));
    MSG quit;
    EXPECT_TRUE(PeekMessageA(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE))
        << "a frame window ends the loop";
}

TEST(WindowFramework, RefusedCreationLeavesNoWindow) {
    Recording window(false);
    EXPECT_FALSE(window.createTopLevel(0, testClass(), "test", 0, 0, 10, 10, nullptr,
                                       GetModuleHandleA(nullptr)));
    EXPECT_EQ(window.handle(), nullptr);
}

TEST(WindowFramework, RegisteringAClassTwiceThrowsWithTheSystemCode) {
    testClass();
    try {
        WindowClass(0, testClass(), nullptr, nullptr, GetModuleHandleA(nullptr), nullptr, nullptr)
            .registerClass();
        FAIL() << "no exception";
    } catch (const WinException& error) {
        EXPECT_STREQ(error.text, "RegisterClassEx");
        EXPECT_EQ(error.code, static_cast<unsigned long>(ERROR_CLASS_ALREADY_EXISTS));
    }
}

TEST(DialogFramework, UnhandledEscapeLeavesTheDialogOpenAndTheHandlerIsDeletedAtTheEnd) {
    std::vector<WORD> dialog = dialogTemplate();
    DialogFactory factory(
        [](HWND, UninstallModel* model) -> DialogHandler* { return new Ending(model); }, nullptr);
    const INT_PTR result = DialogBoxIndirectParamA(
        GetModuleHandleA(nullptr), reinterpret_cast<DLGTEMPLATE*>(dialog.data()), nullptr,
        dialogProcedure, reinterpret_cast<LPARAM>(&factory));
    EXPECT_EQ(result, 1234);
    EXPECT_EQ(Ending::seen, (std::vector<unsigned>{IDCANCEL, 1234}));
    EXPECT_EQ(Ending::deleted, 1);
}

TEST(Model, OpeningDuringAnOpenIsRefused) {
    class Reentrant : public Model {
    public:
        void load(const std::string& name) override { open(name); }
    } model;
    try {
        model.open("x");
        FAIL() << "no exception";
    } catch (const ModelException& error) {
        EXPECT_EQ(error.kind, 3);
        EXPECT_EQ(error.code, 1);
    }
    EXPECT_TRUE(model.opening()) << "a failed load leaves the flag set";
}

TEST(UninstallModel, LoadsTheSetupLogAndTheApplicationName) {
    TempDirectory app("model");
    writeFile(app.file("Setup.log"), "[COMMON]\r\nApplication_Name=Example\\tProduct\r\n");
    UninstallModel model;
    model.open(app.path() + "\\");
    ASSERT_NE(model.setupLog(), nullptr);
    EXPECT_EQ(model.applicationName(), "Example\tProduct");
    EXPECT_EQ(model.name(), app.path() + "\\");
    EXPECT_TRUE(model.problems().empty());
}

TEST(UninstallModel, MissingSetupLogIsReportedAndThrown) {
    TempDirectory app("model-missing");
    std::string boxText;
    std::thread answer([&] {
        const HWND box = waitForWindow(GetCurrentProcessId(), "Error", kTimeoutMs);
        if (box != nullptr) {
            boxText = windowText(GetDlgItem(box, 0xFFFF));
            PostMessageA(box, WM_COMMAND, IDOK, 0);
        }
    });
    UninstallModel model;
    try {
        model.open(app.path());
        ADD_FAILURE() << "no exception";
    } catch (const FileException& error) {
        EXPECT_EQ(error.fileName, "setup.log");
        EXPECT_EQ(error.reason, 2);
    }
    answer.join();
    // The file, why, and what to do.
    EXPECT_EQ(boxText.rfind("Can't open log file \"" + app.path() + "\\setup.log\"", 0), 0u)
        << boxText;
    EXPECT_NE(boxText.find("Reinstall the product"), std::string::npos) << boxText;
    EXPECT_EQ(model.setupLog(), nullptr);
}

namespace {

class Throwing : public FrameWindow {
public:
    void onCommand(unsigned id, LPARAM) override {
        if (id == WM_USER + 1)
            throw WinException(1234, "Out of memory");
    }
};

// Fails in its initialisation, or (outer) opens such a dialog from a command of its own.
class Failing : public DialogHandler {
public:
    Failing(UninstallModel* model, bool outer) : DialogHandler(model), outer_(outer) {}
    ~Failing() override { ++deleted; }
    bool onInitDialog(HWND dialog) override {
        if (!outer_)
            throw std::runtime_error("initialisation failed");
        PostMessageA(dialog, WM_COMMAND, 77, 0);
        return true;
    }
    bool onCommand(HWND dialog, unsigned id, unsigned) override {
        if (id != 77)
            return false;
        std::vector<WORD> inner = dialogTemplate();
        DialogFactory factory(
            [](HWND, UninstallModel* model) -> DialogHandler* { return new Failing(model, false); },
            nullptr);
        innerResult = DialogBoxIndirectParamA(GetModuleHandleA(nullptr),
                                              reinterpret_cast<DLGTEMPLATE*>(inner.data()), dialog,
                                              dialogProcedure, reinterpret_cast<LPARAM>(&factory));
        return true;
    }
    bool onNotify(HWND, WPARAM, LPARAM) override { return false; }

    static inline int deleted = 0;
    static inline INT_PTR innerResult = 0;

private:
    bool outer_;
};

} // namespace

TEST(WindowFramework, ExceptionInAHandlerEndsTheLoopAndIsThrownFromIt) {
    Throwing window;
    ASSERT_TRUE(window.createTopLevel(0, testClass(), "test", 0, 0, 200, 46, nullptr,
                                      GetModuleHandleA(nullptr)));
    PostMessageA(window.handle(), WM_USER + 1, 0, 0);
    PostMessageA(window.handle(), WM_USER + 2, 0, 0); // must stay unhandled: the loop has ended
    try {
        runMessageLoop();
        FAIL() << "the loop ended without the exception";
    } catch (const WinException& error) {
        EXPECT_STREQ(error.text, "Out of memory");
        EXPECT_EQ(error.code, 1234u);
    }
    EXPECT_FALSE(exceptionHeld()) << "thrown once, not held again";
    MSG next;
    EXPECT_TRUE(PeekMessageA(&next, window.handle(), WM_USER + 2, WM_USER + 2, PM_REMOVE));
    window.destroyWindow();
    PeekMessageA(&next, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE);
}

TEST(DialogFramework, ExceptionInADialogEndsItAndTheDialogThatOpenedIt) {
    std::vector<WORD> outer = dialogTemplate();
    DialogFactory factory(
        [](HWND, UninstallModel* model) -> DialogHandler* { return new Failing(model, true); },
        nullptr);
    const INT_PTR result = DialogBoxIndirectParamA(
        GetModuleHandleA(nullptr), reinterpret_cast<DLGTEMPLATE*>(outer.data()), nullptr,
        dialogProcedure, reinterpret_cast<LPARAM>(&factory));
    EXPECT_EQ(Failing::innerResult, -1);
    EXPECT_EQ(result, -1);
    EXPECT_EQ(Failing::deleted, 2) << "both handlers deleted";
    ASSERT_TRUE(exceptionHeld());
    EXPECT_THROW(rethrowHeldException(), std::runtime_error);
    EXPECT_FALSE(exceptionHeld());
}
