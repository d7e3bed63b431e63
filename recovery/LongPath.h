#pragma once

#include <string>

// Long names for the short (8.3) ones of an absolute path ("C:\..."), as far as it exists: the
// deepest part that exists as the file system lists it, what lies below as given. No link or
// junction is followed: the path keeps naming where it leads through. As given when no part
// of it can be found.
std::wstring longNamesOf(const std::wstring& path);

// The one name the file system gives what an absolute path ("C:\..." or a volume's GUID name,
// "Volume{...}\...", without "\\?\", or a volume's device name, "\Device\HarddiskVolume3\...")
// reaches: the deepest part of it that exists as the system
// names it once opened (8.3 names expanded, links and junctions on the way followed as the
// system follows them, a final one not; a volume named by the folder it is mounted at, a device by
// its drive), what lies below as given. As given when no part of it can be found, and for a share,
// which is never asked for over the network.
std::wstring longPathOf(const std::wstring& path);
