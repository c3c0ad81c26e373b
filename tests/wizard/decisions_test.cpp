// The wizard's decisions: pages and buttons, the warnings, the free-space
// comparison and the folder texts of the browsers.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "wizard/decisions.h"

TEST(Pages, the_licence_page_exists_only_with_a_licence)
{
    int pages[kMaxPages + 1];
    pages[kMaxPages] = -1;
    ASSERT_EQ(6, ListPages(true, pages));
    EXPECT_EQ(PAGE_WELCOME, pages[0]);
    EXPECT_EQ(PAGE_LICENCE, pages[1]);
    EXPECT_EQ(PAGE_READY, pages[5]);
    EXPECT_EQ(-1, pages[kMaxPages]);
    ASSERT_EQ(5, ListPages(false, pages));
    EXPECT_EQ(PAGE_DESTINATION, pages[1]);
}

TEST(Pages, buttons_on_activation)
{
    EXPECT_EQ(BUTTON_NEXT, PageButtons(PAGE_WELCOME, false));
    EXPECT_EQ(BUTTON_BACK, PageButtons(PAGE_LICENCE, false));
    EXPECT_EQ(BUTTON_BACK | BUTTON_NEXT, PageButtons(PAGE_LICENCE, true));
    EXPECT_EQ(BUTTON_BACK | BUTTON_NEXT, PageButtons(PAGE_DESTINATION, false));
    EXPECT_EQ(BUTTON_BACK | BUTTON_NEXT, PageButtons(PAGE_DESKTOP_ICON, false));
    EXPECT_EQ(BUTTON_BACK | BUTTON_FINISH, PageButtons(PAGE_READY, false));
}

TEST(Warnings, welcome_page_downgrade_before_incompatible)
{
    InstalledProduct installed;
    installed.incompatibleLimit = 1;
    EXPECT_EQ(WelcomeWarning::None, WarningOnLeavingWelcome(installed));

    installed.versionMs = 0x00010005;  // 1.5
    EXPECT_EQ(WelcomeWarning::Incompatible, WarningOnLeavingWelcome(installed));
    installed.newerInstalled = true;
    EXPECT_EQ(WelcomeWarning::Downgrade, WarningOnLeavingWelcome(installed));

    installed.newerInstalled = false;
    installed.versionMs = 0x00020001;  // 2.1: above the limit
    EXPECT_EQ(WelcomeWarning::None, WarningOnLeavingWelcome(installed));
    installed.versionMs = 0x00000009;  // 0.9
    EXPECT_EQ(WelcomeWarning::Incompatible, WarningOnLeavingWelcome(installed));
    installed.incompatibleLimit = 0;   // warning off
    EXPECT_EQ(WelcomeWarning::None, WarningOnLeavingWelcome(installed));
}

TEST(Warnings, earlier_folder_only_when_the_folders_differ_ignoring_case)
{
    EXPECT_FALSE(NeedsEarlierFolderWarning(false, "C:\\Games\\Velmo", "D:\\Velmo"));
    EXPECT_TRUE(NeedsEarlierFolderWarning(true, "C:\\Games\\Velmo", "D:\\Velmo"));
    EXPECT_FALSE(NeedsEarlierFolderWarning(true, "d:\\VELMO", "D:\\Velmo"));
    EXPECT_FALSE(NeedsEarlierFolderWarning(true, "D:\\Spi\xe9le", "D:\\SPI\xc9LE"));
    EXPECT_TRUE(NeedsEarlierFolderWarning(true, "D:\\Velmo\\", "D:\\Velmo"));
    // A forced version without an installed program: no folder to reset to.
    EXPECT_FALSE(NeedsEarlierFolderWarning(true, "C:\\Program Files\\Velmo", ""));
}

TEST(FreeSpace, strict_comparison_and_the_volume_root)
{
    EXPECT_FALSE(IsEnoughSpace(1000, 1000));
    EXPECT_TRUE(IsEnoughSpace(1001, 1000));
    EXPECT_FALSE(IsEnoughSpace(0, 0));
    // More than 4 GB free is more than any requirement.
    EXPECT_TRUE(IsEnoughSpace(0x100000000ull, INT32_MAX));
    // A requirement that went negative counts as a huge unsigned number.
    EXPECT_FALSE(IsEnoughSpace(0xFFFFFFFFull, -1));

    EXPECT_EQ(0x00001000u, ClassicFreeBytes(512, 8, 1));
    EXPECT_EQ(0u, ClassicFreeBytes(0x10000, 0x10000, 1));  // the product wraps

    EXPECT_TRUE(MayUseExtendedFreeSpace(2, 0));
    EXPECT_FALSE(MayUseExtendedFreeSpace(1, 0x040A03E8));  // build 1000
    EXPECT_TRUE(MayUseExtendedFreeSpace(1, 0x040A03E9));   // build 1001
    EXPECT_FALSE(MayUseExtendedFreeSpace(0, 5000));

    char root[8] = "#######";
    EXPECT_TRUE(VolumeRoot("C:\\Program Files\\Velmo", root, sizeof root));
    EXPECT_STREQ("C:\\", root);
    EXPECT_TRUE(VolumeRoot("Velmo", root, sizeof root));
    EXPECT_STREQ("Velmo", root);
    EXPECT_FALSE(VolumeRoot("Velmo-folder", root, 4));
    EXPECT_STREQ("", root);
}

TEST(Browsers, destination_always_ends_in_the_product_folder)
{
    char parent[324];
    EXPECT_TRUE(DestinationParent("C:\\Program Files\\Velmo", parent, sizeof parent));
    EXPECT_STREQ("C:\\Program Files", parent);

    char destination[324] = "C:\\Program Files\\Velmo";
    EXPECT_TRUE(DestinationFromChosen("D:\\Games", "\\Velmo", destination, sizeof destination));
    EXPECT_STREQ("D:\\Games\\Velmo", destination);
    EXPECT_TRUE(DestinationFromChosen("E:\\", "\\Velmo", destination, sizeof destination));
    EXPECT_STREQ("E:\\Velmo", destination);

    // A path the buffer cannot hold leaves the destination as it was.
    std::string longPath = "C:\\" + std::string(330, 'x');
    EXPECT_FALSE(DestinationFromChosen(longPath.c_str(), "\\Velmo", destination,
                                       sizeof destination));
    EXPECT_STREQ("E:\\Velmo", destination);
    std::string justFits = "C:\\" + std::string(314, 'x');  // 317 + 6 = 323
    EXPECT_TRUE(DestinationFromChosen(justFits.c_str(), "\\Velmo", destination,
                                      sizeof destination));
    EXPECT_EQ(justFits + "\\Velmo", destination);
}

TEST(Browsers, group_is_relative_to_the_programs_folder)
{
    const char programs[] = "C:\\Start Menu\\Programs";
    char group[260] = "Velmo";
    EXPECT_TRUE(GroupFromChosen("C:\\Start Menu\\Programs\\Games\\Cards", programs, group,
                                sizeof group));
    EXPECT_STREQ("Games\\Cards", group);
    EXPECT_TRUE(GroupFromChosen(programs, programs, group, sizeof group));
    EXPECT_STREQ("", group);
    EXPECT_TRUE(GroupFromChosen("D:\\Other\\Games", nullptr, group, sizeof group));
    EXPECT_STREQ("D:\\Other\\Games", group);

    std::string deep = std::string(programs) + "\\" + std::string(300, 'g');
    strcpy(group, "Velmo");
    EXPECT_FALSE(GroupFromChosen(deep.c_str(), programs, group, sizeof group));
    EXPECT_STREQ("Velmo", group);
}
