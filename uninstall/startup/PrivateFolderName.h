#pragma once

#include <cstdint>
#include <string>

// The name of the folder in which the relay puts the temporary copy: a fixed prefix and 32 hex
// digits from the system's random source, so that no one can guess it beforehand. Portable.
constexpr char kPrivateFolderPrefix[] = "Uninstall-";

std::string privateFolderName(const std::uint8_t (&random)[16]);
bool isPrivateFolderName(const std::string& name);

// True when `copyPath` lies directly in such a folder, and that folder directly in
// `temporaryDirectory`: the only place a verified temporary copy ever runs from.
bool liesInPrivateFolder(const std::string& copyPath, const std::string& temporaryDirectory);
