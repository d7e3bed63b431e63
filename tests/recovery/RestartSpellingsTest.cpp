#include "recovery/PendingOperations.h"
#include "recovery/VolumeNames.h"

#include <gtest/gtest.h>

// The system carries out a restart operation on whatever file its name reaches, however the
// object names spell the way there: each spelling of one file is that file.

namespace {

const std::wstring kInstalled = L"C:\\Program Files\\Technical Glossary\\glossary.exe";

bool deletes(const std::wstring& entry, PathForm form = foldLatinCase) {
    return touches({entry, L""}, kInstalled, form);
}

// As Windows answers for drive C: on the first hard disk's third volume.
void onTheTestDrives(std::wstring& path) {
    path = onDosDevice(path, {{L"S:", L"\\??\\C:\\Program Files"},
                              {L"C:", L"\\Device\\HarddiskVolume3"},
                              {L"D:", L"\\Device\\HarddiskVolume4"}});
    foldLatinCase(path);
}

} // namespace

TEST(RestartSpellings, TheObjectNamesPrefixesOfADriveNameTheSameFile) {
    for (const wchar_t* prefix :
         {L"\\??\\", L"\\\\?\\", L"\\DosDevices\\", L"\\dosdevices\\", L"\\GLOBAL??\\",
          L"\\??\\Global\\", L"\\DosDevices\\Global\\", L"\\??\\GLOBALROOT\\??\\",
          L"\\\\?\\GLOBALROOT\\DosDevices\\", L"\\??\\GLOBALROOT\\GLOBAL??\\"}) {
        EXPECT_TRUE(deletes(prefix + kInstalled)) << prefix;
        EXPECT_TRUE(deletes(std::wstring(L"!") + prefix + kInstalled)) << prefix;
    }
}

TEST(RestartSpellings, AVolumesDeviceNameIsTheFileOnItsDrive) {
    const std::wstring below = kInstalled.substr(2);
    EXPECT_TRUE(deletes(L"\\??\\GLOBALROOT\\Device\\HarddiskVolume3" + below, onTheTestDrives));
    EXPECT_TRUE(deletes(L"\\\\?\\GLOBALROOT\\device\\harddiskvolume3" + below, onTheTestDrives));
    EXPECT_TRUE(
        deletes(L"\\??\\GLOBALROOT\\Device\\HarddiskVolume3\\Program Files", onTheTestDrives))
        << "a folder above it";
    EXPECT_FALSE(deletes(L"\\??\\GLOBALROOT\\Device\\HarddiskVolume4" + below, onTheTestDrives));
    EXPECT_FALSE(deletes(L"\\??\\GLOBALROOT\\Device\\HarddiskVolume33" + below, onTheTestDrives));
    // Without the system's answer a device's name stays what it is, and names no drive's file.
    EXPECT_FALSE(deletes(L"\\??\\GLOBALROOT\\Device\\HarddiskVolume3" + below));
}

TEST(RestartSpellings, OtherNamesStayOthers) {
    EXPECT_FALSE(deletes(L"\\??\\Global\\D:" + kInstalled.substr(2)));
    EXPECT_FALSE(deletes(L"\\??\\GlobalX\\" + kInstalled));
    EXPECT_FALSE(deletes(L"\\Device\\Global\\" + kInstalled));
    EXPECT_TRUE(touches({L"\\??\\UNC\\server\\share\\a.dll", L""}, L"\\\\server\\share\\a.dll"));
    EXPECT_TRUE(
        touches({L"\\??\\GLOBALROOT\\??\\UNC\\server\\share", L""}, L"\\\\server\\share\\a.dll"));
}

TEST(VolumeNames, ADriveSubstitutedForAFolderIsNoDevicesDrive) {
    const std::vector<DosDevice> devices = {{L"S:", L"\\??\\C:\\x"},
                                            {L"C:", L"\\Device\\HarddiskVolume3"}};
    EXPECT_EQ(onDosDevice(L"\\Device\\HarddiskVolume3\\a", devices), L"C:\\a");
    EXPECT_EQ(onDosDevice(L"\\Device\\HarddiskVolume3", devices), L"C:\\");
    EXPECT_EQ(onDosDevice(L"\\??\\C:\\x\\a", devices), L"\\??\\C:\\x\\a");
    EXPECT_EQ(onDosDevice(L"\\Device\\HarddiskVolume9\\a", devices),
              L"\\Device\\HarddiskVolume9\\a");
}
