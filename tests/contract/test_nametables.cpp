// The host's name tables and the image-format bit rule.
#include "vxcameraobject.h"

#include <gtest/gtest.h>

TEST(NameTables, CameraTypesHoldFourteenEntriesWithoutDuplicates)
{
    EXPECT_EQ(g_cameraTypeNames.size(), 14);
    EXPECT_EQ(g_cameraTypeNames.value(100), QStringLiteral("Virtual Camera(100)"));
    EXPECT_EQ(g_cameraTypeNames.value(110), QStringLiteral("BitFlow(110)"));
    EXPECT_EQ(g_cameraTypeNames.value(180), QStringLiteral("DaHua(180)"));
    EXPECT_EQ(g_cameraTypeNames.value(230), QStringLiteral("Dalsa(230)"));
    EXPECT_FALSE(g_cameraTypeNames.contains(210));
}

TEST(NameTables, StatesPortsAndImageFormats)
{
    EXPECT_EQ(g_cameraStateNames.size(), 6);
    EXPECT_EQ(g_cameraStateNames.value(3), QStringLiteral("Running"));
    EXPECT_EQ(g_portTypeNames.size(), 6);
    EXPECT_EQ(g_portTypeNames.value(5), QStringLiteral("TCP Client Session"));
    EXPECT_EQ(g_imageFormatNames.size(), 8);
    EXPECT_EQ(g_imageFormatNames.value(4), QStringLiteral("GRAY16"));
    EXPECT_EQ(g_imageFormatNames.value(12), QStringLiteral("BGR32"));
    for (int missing = 6; missing <= 10; ++missing)
        EXPECT_FALSE(g_imageFormatNames.contains(missing)) << missing;
}

TEST(NameTables, ImageFormatBitsKnowOnlyTheFourFixedDepths)
{
    EXPECT_EQ(GetImageFormatBits(1), 8);
    EXPECT_EQ(GetImageFormatBits(2), 24);
    EXPECT_EQ(GetImageFormatBits(3), 32);
    EXPECT_EQ(GetImageFormatBits(4), 16);
    for (int code : {0, 5, 11, 12, -1, -2147483647 - 1, 2147483647})
        EXPECT_EQ(GetImageFormatBits(code), 0) << code;
}
