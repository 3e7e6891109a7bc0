#include "app/main_layout.h"

#include <gtest/gtest.h>

namespace kalvex {
namespace {

// How the controls follow a wider and taller window is checked on the real
// window; here only the steps a far too small window must skip.
TEST(MainLayoutTest, StepsThatWouldGiveNegativeSizesAreSkippedAndTheRestStillRun) {
    MainLayout layout = InitialMainLayout();
    ResizeMainLayout(layout, kMainWindowWidth, kMainWindowHeight - kWindowFrameHeight);
    const MainLayout wide = layout;
    ResizeMainLayout(layout, 5000, 2000);
    EXPECT_LT(layout.nTab.left, wide.nTab.left);
    EXPECT_EQ(layout.lvwTracks.width, wide.lvwTracks.width);
    EXPECT_EQ(layout.pbFiles.width, wide.lvwTracks.width);
    EXPECT_EQ(layout.lvwTracks.height, wide.lvwTracks.height);
    EXPECT_EQ(layout.Dir1.width, wide.Dir1.width);
    EXPECT_EQ(layout.cboDrives.width, wide.cboDrives.width);
    // Positions still follow.
    EXPECT_EQ(layout.cmdUpdate.left, layout.nTab.left);
    EXPECT_EQ(layout.chkVersion2.left, layout.chkVersion1.left);
}

}  // namespace
}  // namespace kalvex
