#include "controls/varnith_tab.h"

#include <gtest/gtest.h>

#include <QFontMetrics>
#include <QSignalSpy>
#include <QTest>

#include "controls/render.h"
#include "controls/twips.h"

namespace kalvex {
namespace {

using test::Render;

constexpr ColourValue kRed = 0x0000FF;
constexpr ColourValue kGreen = 0x00FF00;
constexpr ColourValue kBlue = 0xFF0000;
constexpr ColourValue kWhite = 0xFFFFFF;

QColor Rgb(ColourValue value) {
    return TranslateColour(value, QPalette());
}

// The pixel in the middle of a tab, on the given row (pixels).
QPoint TabMiddle(const VarnithTab& tabs, int index, int y) {
    const TabBox& body = tabs.BodyBox(index);
    return {TwipsToPixels(body.left + body.width / 2), y};
}

class VarnithTabTest : public testing::Test {
protected:
    void SetUp() override { tabs.resize(400, 40); }
    VarnithTab tabs;
};

TEST_F(VarnithTabTest, TabsAreSizedFromTheirCaptionsAndStandEdgeToEdge) {
    tabs.SetTabStrip("One,Two,Three,Four");
    ASSERT_EQ(tabs.GetTabCount(), 4);
    const QFontMetrics metrics(tabs.font());
    const char* const captions[] = {"One", "Two", "Three", "Four"};
    int left = 0;
    for (int i = 0; i < 4; ++i) {
        const TabBox& body = tabs.BodyBox(i);
        EXPECT_EQ(body.left, left) << i;
        EXPECT_EQ(body.top, 0);
        EXPECT_EQ(body.width, metrics.horizontalAdvance(captions[i]) * 15 + 180) << i;
        EXPECT_EQ(body.height, metrics.height() * 15 + 120);
        left += body.width;
    }
    // Without a frame the control is as high as the tab row.
    EXPECT_EQ(tabs.RowHeight(), tabs.BodyBox(3).height + 15);
    EXPECT_EQ(tabs.height(), TwipsToPixels(tabs.RowHeight()));
}

TEST_F(VarnithTabTest, WithoutFrameAGreyBaseLineRunsUnderTheTabs) {
    const QImage image = Render(tabs);
    const int y = TwipsToPixels(tabs.CaptionRowHeight() - 15);
    const TabBox& last = tabs.BodyBox(3);
    const int beyond_tabs = TwipsToPixels(last.left + last.width) + 10;
    EXPECT_EQ(image.pixelColor(beyond_tabs, y), QColor(0x80, 0x80, 0x80));
    // Above the line the back colour shows.
    EXPECT_EQ(image.pixelColor(beyond_tabs, y - 3).rgb(), tabs.Translated(kButtonFace).rgb());
}

TEST_F(VarnithTabTest, DrawFrameGrowsALowControlTo1000Twips) {
    tabs.SetDrawFrame(true);
    EXPECT_EQ(tabs.height(), TwipsToPixels(1000));
    tabs.resize(400, 200);
    tabs.SetDrawFrame(true);
    EXPECT_EQ(tabs.height(), 200);
    EXPECT_EQ(tabs.GetFrameHeight(), 200 * 15 - tabs.RowHeight());
    tabs.SetFrameHeight(1500);
    EXPECT_EQ(tabs.HeightTwips(), tabs.RowHeight() + 1500);
}

TEST_F(VarnithTabTest, SelectedTabIsOutlinedInItsColourAndTheBridgeOpensItIntoTheFrame) {
    tabs.resize(400, 120);
    tabs.SetDrawFrame(true);
    tabs.SetBridge(true);
    tabs.SetBorder(kRed);
    tabs.SetBorderSelected(kGreen);
    tabs.SetTabColourSelected(kWhite);
    tabs.SetSelected(1);
    const QImage image = Render(tabs);

    // Top outlines: green on the selected tab, red on the others.
    EXPECT_EQ(image.pixelColor(TabMiddle(tabs, 1, 0).x(), 0), Rgb(kGreen));
    EXPECT_EQ(image.pixelColor(TabMiddle(tabs, 2, 0).x(), 0), Rgb(kRed));
    // On the frame's top line the bridge replaces the outline under tab 1 only.
    const int frame_top = TwipsToPixels(tabs.CaptionRowHeight() - 15);
    EXPECT_EQ(image.pixelColor(TabMiddle(tabs, 1, 0).x(), frame_top), Rgb(kWhite));
    EXPECT_EQ(image.pixelColor(TabMiddle(tabs, 2, 0).x(), frame_top), Rgb(kRed));
    // Right of the tabs the frame's own outline runs.
    EXPECT_EQ(image.pixelColor(390, frame_top), Rgb(kRed));

    tabs.SetBridge(false);
    EXPECT_EQ(Render(tabs).pixelColor(TabMiddle(tabs, 1, 0).x(), frame_top), Rgb(kGreen));
}

TEST_F(VarnithTabTest, SystemColoursPaintInThePalettesColours) {
    tabs.SetTabColour(kButtonFace);
    tabs.SetBorder(kBlue);
    tabs.SetSelected(-1);
    const QImage image = Render(tabs);
    const QPoint middle = TabMiddle(tabs, 0, 2);
    EXPECT_EQ(image.pixelColor(middle.x(), middle.y()).rgb(),
              tabs.palette().color(QPalette::Button).rgb());
    EXPECT_EQ(image.pixelColor(middle.x(), 0), QColor(0, 0, 255));
}

TEST_F(VarnithTabTest, ClicksArrowsAndSelectTabManuallyRaiseTabClickedButSettingSelectedDoesNot) {
    tabs.show();
    QSignalSpy clicked(&tabs, &VarnithTab::TabClicked);
    tabs.SetSelected(0);
    QTest::keyRelease(&tabs, Qt::Key_Left);  // arrows stop at the ends
    EXPECT_EQ(tabs.GetSelected(), 0);
    EXPECT_EQ(clicked.count(), 0);

    QTest::mouseClick(&tabs, Qt::LeftButton, {}, TabMiddle(tabs, 2, 5));
    EXPECT_EQ(tabs.GetSelected(), 2);
    EXPECT_EQ(clicked.count(), 1);
    // The selected tab again: repainted and reported again.
    QTest::mouseClick(&tabs, Qt::LeftButton, {}, TabMiddle(tabs, 2, 5));
    EXPECT_EQ(clicked.count(), 2);
    QTest::mouseClick(&tabs, Qt::RightButton, {}, TabMiddle(tabs, 0, 5));
    EXPECT_EQ(tabs.GetSelected(), 2);

    QTest::keyRelease(&tabs, Qt::Key_Left);
    EXPECT_EQ(tabs.GetSelected(), 1);
    tabs.SelectTabManually(3);
    EXPECT_EQ(tabs.GetSelected(), 3);
    EXPECT_EQ(clicked.count(), 4);
    QTest::keyRelease(&tabs, Qt::Key_Right);
    EXPECT_EQ(tabs.GetSelected(), 3);
    EXPECT_EQ(clicked.count(), 4);

    // A click on the frame below the tab row selects nothing.
    tabs.resize(400, 120);
    tabs.SetDrawFrame(true);
    QTest::mouseClick(&tabs, Qt::LeftButton, {}, TabMiddle(tabs, 1, 100));
    EXPECT_EQ(tabs.GetSelected(), 3);
}

TEST_F(VarnithTabTest, DisabledTabIsGreyedSkippedByArrowsAndIgnoresClicks) {
    tabs.show();
    tabs.SetDisabledColour(kRed);
    tabs.SetSelected(1);
    tabs.ChangeTabEnable(2, false);
    QSignalSpy clicked(&tabs, &VarnithTab::TabClicked);

    const QPoint inside = TabMiddle(tabs, 2, 3);
    EXPECT_EQ(Render(tabs).pixelColor(inside.x(), inside.y()), Rgb(kRed));
    QTest::mouseClick(&tabs, Qt::LeftButton, {}, TabMiddle(tabs, 2, 5));
    tabs.SelectTabManually(2);
    EXPECT_EQ(tabs.GetSelected(), 1);
    EXPECT_EQ(clicked.count(), 0);

    QTest::keyRelease(&tabs, Qt::Key_Right);
    EXPECT_EQ(tabs.GetSelected(), 3);
    QTest::keyRelease(&tabs, Qt::Key_Left);
    EXPECT_EQ(tabs.GetSelected(), 1);
    EXPECT_EQ(clicked.count(), 2);

    // With every tab to the right disabled, Right changes nothing.
    tabs.ChangeTabEnable(3, false);
    QTest::keyRelease(&tabs, Qt::Key_Right);
    EXPECT_EQ(tabs.GetSelected(), 1);
    // Disabling the selected tab keeps the selection; CreateTabs enables all.
    tabs.ChangeTabEnable(1, false);
    EXPECT_EQ(tabs.GetSelected(), 1);
    tabs.CreateTabs();
    EXPECT_TRUE(tabs.IsTabEnabled(2));
}

TEST_F(VarnithTabTest, StoredPropertiesAreTheChangedOnesAndACopyReadFromThemLooksTheSame) {
    PropertyBag bag;
    tabs.SetSelected(0);
    tabs.WriteProperties(bag);
    EXPECT_EQ(bag.Count(), 0);

    QSignalSpy changed(&tabs, &VarnithTab::PropertyChanged);
    tabs.SetTabStrip("Options,Tag v1,Tag v2,FreeDB");
    tabs.SetBorder(kDarkShadow3D);
    tabs.SetSelected(2);
    tabs.SetDrawFrame(true);
    ASSERT_EQ(changed.count(), 4);
    EXPECT_EQ(changed.at(1).at(0).toString(), "Border");
    tabs.WriteProperties(bag);
    EXPECT_EQ(bag.Count(), 4);
    EXPECT_FALSE(bag.Contains("BorderSelected"));

    // A strip read from them looks the same.
    VarnithTab copy;
    copy.resize(tabs.size());
    copy.ReadProperties(bag);
    EXPECT_EQ(Render(copy), Render(tabs));
}

}  // namespace
}  // namespace kalvex
