#pragma once

#include <windows.h>

#include <string>
#include <vector>

// One file the setup program carries: its resource, the folder it goes to ("app", the
// destination; "system"; "common", the product's folder under Common Files), its name there,
// and whether it is shared with other products.
struct PayloadFile {
    std::wstring resource;
    std::wstring folder;
    std::wstring name;
    bool shared = false;
};

// The list in resource PAYLOAD (RCDATA): a line a file, "resource|folder|name|flags". Throws
// InstallError when the program carries no usable list.
std::vector<PayloadFile> readPayload(HMODULE module);

// The bytes of one RCDATA resource. Throws InstallError when it is missing.
std::string payloadBytes(HMODULE module, const std::wstring& resource);
