#include "UnregistrationMode.h"

int runUnregistrationMode(char** /*arguments*/) {
    // Unregistering the COM servers is not built yet; a non-zero code says nothing was done.
    return 1;
}
