#pragma once

// Runs the thread's message loop until the quit message. Returns its value, or -1 when a
// message cannot be retrieved. An exception that a procedure held ends the loop and is thrown
// from here.
int runMessageLoop();
