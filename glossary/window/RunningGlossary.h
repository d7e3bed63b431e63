#pragma once

#include "StartArguments.h"
#include "win32/Handles.h"

#include <windows.h>

#include <string>

// One glossary window a user session: a start finds the window already running from the same
// program file and hands it its database and word.
class RunningGlossary {
public:
    // Marks this process as the program's start in this session, for as long as it lives.
    RunningGlossary();

    // Hands `start` to a window of the program that runs already, which comes to the front.
    // False when there is none, or it did not take it in time: this start opens its own.
    bool handOver(const StartArguments& start) const;

    // What another start handed to `window` (WM_COPYDATA's data); false when it is not that.
    static bool received(const COPYDATASTRUCT& data, StartArguments& start);
    // Whether the program ran already in this session when this process started.
    bool another() const { return another_; }

private:
    win32::Handle mark_;
    bool another_ = false; // the mark was there before this process
};
