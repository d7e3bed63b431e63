#include "recovery/VolumeNames.h"

#include <gtest/gtest.h>

const std::wstring kVolume = L"Volume{1b3c5d7e-0000-1111-2222-333344445555}";

TEST(VolumeNames, AVolumeMountedInAFolderKeepsTheWholeFolder) {
    EXPECT_EQ(onMountName(kVolume + L"\\x\\y.dll", L"C:\\mnt\\v\\"), L"C:\\mnt\\v\\x\\y.dll");
    EXPECT_EQ(onMountName(kVolume + L"\\x", L"C:\\mnt\\v"), L"C:\\mnt\\v\\x");
    EXPECT_EQ(onMountName(kVolume, L"C:\\mnt\\v\\"), L"C:\\mnt\\v\\");
}

TEST(VolumeNames, AVolumeWithADriveIsOnItsRoot) {
    EXPECT_EQ(onMountName(kVolume + L"\\x\\y.dll", L"D:\\"), L"D:\\x\\y.dll");
    EXPECT_EQ(onMountName(kVolume, L"D:\\"), L"D:\\");
}

TEST(VolumeNames, WhatIsNoVolumeOrMountedNowhereStaysAsGiven) {
    EXPECT_EQ(onMountName(kVolume + L"\\x", L""), kVolume + L"\\x");
    EXPECT_EQ(onMountName(kVolume + L"\\x", L"\\\\server\\share\\"), kVolume + L"\\x");
    EXPECT_EQ(onMountName(L"C:\\Volume{x}\\y", L"D:\\"), L"C:\\Volume{x}\\y");
    EXPECT_EQ(onMountName(kVolume + L"x\\y", L"D:\\"), kVolume + L"x\\y");
}
