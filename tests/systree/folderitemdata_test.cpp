#include <cstdlib>
#include <memory>
#include <sstream>
#include <vector>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "fakes.h"
#include "systree/folderitemdata.h"
#include "systree/shutdown.h"

namespace {

const char *const Leaking = "Memory Leak Detected.  Not all folder data was freed.";

TEST(TFolderItemData, IsCountedWhileItLivesAndReleasesOnlyItsFolder)
{
    TFakeShellFolder folder;
    const int records = LiveFolderDataCount();
    const long blocks = ShellAllocatorLiveBlocks();
    auto data = std::make_unique<TFolderItemData>();
    EXPECT_FALSE(data->Populated || data->ParentFolder || data->Attributes || data->RelativeIDList
        || data->AbsoluteIDList);
    std::vector<TFolderItemData> more(50);
    EXPECT_EQ(LiveFolderDataCount(), records + 51);

    data->ParentFolder = TComPtr<IShellFolder>(&folder);
    TOwnedIdList relative(data->RelativeIDList = IdListAlloc(8));
    TOwnedIdList absolute(data->AbsoluteIDList = IdListAlloc(16));
    data.reset();
    more.clear();
    EXPECT_EQ(LiveFolderDataCount(), records);
    EXPECT_EQ(folder.References, 1u);
    // The lists are the creator's to free.
    EXPECT_EQ(ShellAllocatorLiveBlocks(), blocks + 2);
    EXPECT_EQ(ShellAllocator()->DidAlloc(relative.get()), 1);
}

TEST(TFolderItemData, HasAttributeWhenAnyBitOfTheMaskIsSet)
{
    TFolderItemData data;
    data.Attributes = SFGAO_HASSUBFOLDER | SFGAO_CANRENAME;
    EXPECT_TRUE(data.HasAttribute(SFGAO_HASSUBFOLDER));
    EXPECT_TRUE(data.HasAttribute(SFGAO_FOLDER | SFGAO_CANRENAME));
    EXPECT_FALSE(data.HasAttribute(SFGAO_FOLDER | SFGAO_LINK));
    data.Attributes = 0xFFFFFFFF;
    EXPECT_FALSE(data.HasAttribute(0));
}

TEST(ShellControlsShutdown, RaisesELeakingWhileFolderDataLives)
{
    EXPECT_NO_THROW(ShellControlsShutdown());
    EXPECT_NO_THROW(CheckLeaks(-1));
    std::ostringstream errors;
    EXPECT_EQ(ShellControlsExitStatus(0, errors), 0);
    EXPECT_EQ(errors.str(), "");

    auto alive = std::make_unique<TFolderItemData>();
    try {
        ShellControlsShutdown();
        ADD_FAILURE() << "no ELeaking";
    } catch (const ELeaking &error) {
        EXPECT_EQ(error.Message(), Leaking);
    }
    EXPECT_EQ(ShellControlsExitStatus(0, errors), 1);
    EXPECT_EQ(ShellControlsExitStatus(2, errors), 2); // a failure already reported stays
    EXPECT_EQ(errors.str(), std::string(Leaking) + "\n" + Leaking + "\n");
    EXPECT_STREQ(ENoFolderData().what(), "Could not get folder data.");
}

TEST(ShellControlsExitStatusDeathTest, ALeakEndsTheProcessWithStatusOneAndTheMessage)
{
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
            // Never destroyed, but reachable, so that a leak checker stays quiet.
            static TFolderItemData *alive = new TFolderItemData;
            (void)alive;
            std::exit(ShellControlsExitStatus(0));
        },
        ::testing::ExitedWithCode(1), ::testing::HasSubstr(std::string(Leaking) + "\n"));
    EXPECT_EXIT(std::exit(ShellControlsExitStatus(0)), ::testing::ExitedWithCode(0),
        ::testing::Not(::testing::HasSubstr("Leak")));
}

} // namespace
