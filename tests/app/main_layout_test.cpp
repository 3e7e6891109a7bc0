#include "app/main_layout.h"

#include <gtest/gtest.h>

namespace kalvex {
namespace {

constexpr int kInnerHeight = kMainWindowHeight - kWindowFrameHeight;

MainLayout LaidOut(int width, int height = kInnerHeight) {
    MainLayout layout = InitialMainLayout();
    ResizeMainLayout(layout, width, height);
    return layout;
}

TEST(MainLayoutTest, WideningBy1000TwipsMovesTheRightHandControlsAndWidensTheLists) {
    const MainLayout before = LaidOut(kMainWindowWidth);
    const MainLayout after = LaidOut(kMainWindowWidth + 1000);
    for (auto member :
         {&MainLayout::nTab, &MainLayout::fraTab, &MainLayout::cmdUpdate, &MainLayout::cmdImport,
          &MainLayout::chkVersion1, &MainLayout::chkVersion2, &MainLayout::cmdRead}) {
        EXPECT_EQ((after.*member).left - (before.*member).left, 1000);
        EXPECT_EQ((after.*member).width, (before.*member).width);
    }
    for (auto member : {&MainLayout::lvwTracks, &MainLayout::pbFiles, &MainLayout::Dir1,
                        &MainLayout::Drive1, &MainLayout::cboDrives, &MainLayout::lblFreeDB}) {
        EXPECT_EQ((after.*member).width - (before.*member).width, 1000);
        EXPECT_EQ((after.*member).left, (before.*member).left);
    }
    // Tops never change; only the track list's height follows the window.
    EXPECT_EQ(after.nTab.top, before.nTab.top);
    EXPECT_EQ(after.lvwTracks.height, before.lvwTracks.height);
    EXPECT_EQ(LaidOut(kMainWindowWidth, kInnerHeight + 600).lvwTracks.height,
              before.lvwTracks.height + 600);
}

TEST(MainLayoutTest, StepsThatWouldGiveNegativeSizesAreSkippedAndTheRestStillRun) {
    MainLayout layout = LaidOut(kMainWindowWidth);
    const MainLayout wide = layout;
    // nTab left = 5000 - 5375 - 180 < 240: the list keeps its width.
    ResizeMainLayout(layout, 5000, 2000);
    EXPECT_EQ(layout.nTab.left, 5000 - 5375 - 180);
    EXPECT_EQ(layout.lvwTracks.width, wide.lvwTracks.width);
    EXPECT_EQ(layout.pbFiles.width, wide.lvwTracks.width);
    EXPECT_EQ(layout.lvwTracks.height, wide.lvwTracks.height);  // 2000 - 3840 - 120 < 0
    EXPECT_EQ(layout.Dir1.width, wide.Dir1.width);
    EXPECT_EQ(layout.cboDrives.width, wide.cboDrives.width);
    // Positions still follow.
    EXPECT_EQ(layout.cmdUpdate.left, layout.nTab.left);
    EXPECT_EQ(layout.chkVersion2.left, layout.chkVersion1.left);
}

}  // namespace
}  // namespace kalvex
