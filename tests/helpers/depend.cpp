// A small library that a test COM server imports. It is built twice under the same file name:
// once to lie beside the server, once to be planted where a program that loads the server runs
// (DEPEND_MARK tells the two apart).
#include <windows.h>

extern "C" __declspec(dllexport) const char* dependencyMark() {
    return DEPEND_MARK;
}
