#pragma once

#include <string>
#include <vector>

// The names by which the system reaches a volume, brought to the drive form ("C:\..."). Portable:
// what the system answers about its volumes is handed in.

// "C:\..." with a letter of A to Z.
bool isDrivePath(const std::wstring& path);

// "Volume{...}\rest" on the folder the volume is mounted at (its first name, "C:\" or a folder
// such as "C:\mnt\v\"): "C:\mnt\v\rest". As given when it is no volume's name or the mount name
// is no drive path.
std::wstring onMountName(const std::wstring& path, const std::wstring& mountName);

// A drive and the device the system's object names take it to: "C:", "\Device\HarddiskVolume3".
struct DosDevice {
    std::wstring drive;
    std::wstring device;
};

// "\Device\HarddiskVolume3\rest" on the drive of that device among `devices`: "C:\rest". As
// given when no drive leads to that device itself (a drive substituted for a folder leads to a
// path, not a device, and is never taken).
std::wstring onDosDevice(const std::wstring& path, const std::vector<DosDevice>& devices);
