#pragma once

// Copies the program into the temporary directory, starts the copy with the relay command
// line and returns -1 at once, whether the copy started or not.
int runRelayStage();
