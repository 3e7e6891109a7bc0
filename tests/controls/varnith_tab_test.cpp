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
    const QStringList captions = {"One", "Two", "Three", "Four"};
    tabs.SetTabStrip(captions.join(','));
    ASSERT_EQ(tabs.GetTabCount(), 4);
    const QFontMetrics metrics(tabs.font());
    int left = 0;
    for (int i = 0; i < 4; ++i) {
        const TabBox& body = tabs.BodyBox(i);
        EXPECT_EQ(body.left, left) << i;
        EXPECT_EQ(body.width, metrics.horizontalAdvance(captions[i]) * 15 + 180);
        left += body.width;
    }
    EXPECT_EQ(tabs.BodyBox(3).height, metrics.height() * 15 + 120);
    // Without a frame the control is as high as the tab row; with one it
    // grows to 1000 twips, and a taller control keeps its height.
    EXPECT_EQ(tabs.RowHeight(), tabs.BodyBox(3).height + 15);
    EXPECT_EQ(tabs.height(), TwipsToPixels(tabs.RowHeight()));
    tabs.SetDrawFrame(true);
    EXPECT_EQ(tabs.height(), TwipsToPixels(1000));
    tabs.resize(400, 200);
    tabs.SetDrawFrame(true);
    EXPECT_EQ(tabs.height(), 200);
    tabs.SetFrameHeight(1500);
    EXPECT_EQ(tabs.HeightTwips(), tabs.RowHeight() + 1500);
}

// Without a frame a grey base line runs under the tabs, the back colour
// above it; system colours paint in the palette's colours, and a disabled
// tab in the disabled colour.
TEST_F(VarnithTabTest, WithoutFrameAGreyBaseLineRunsUnderTabsInTheirColours) {
    tabs.SetTabColour(kButtonFace);
    tabs.SetBorder(kBlue);
    tabs.SetDisabledColour(kRed);
    tabs.ChangeTabEnable(2, false);
    tabs.SetSelected(-1);
    const QImage image = Render(tabs);
    const QPoint middle = TabMiddle(tabs, 0, 2);
    EXPECT_EQ(image.pixelColor(middle).rgb(), tabs.palette().color(QPalette::Button).rgb());
    EXPECT_EQ(image.pixelColor(middle.x(), 0), QColor(0, 0, 255));
    EXPECT_EQ(image.pixelColor(TabMiddle(tabs, 2, 2)), Rgb(kRed));
    const int y = TwipsToPixels(tabs.CaptionRowHeight() - 15);
    const TabBox& last = tabs.BodyBox(3);
    const int beyond_tabs = TwipsToPixels(last.left + last.width) + 10;
    EXPECT_EQ(image.pixelColor(beyond_tabs, y), QColor(0x80, 0x80, 0x80));
    EXPECT_EQ(image.pixelColor(beyond_tabs, y - 3).rgb(), tabs.Translated(kButtonFace).rgb());
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
    const int selected = TabMiddle(tabs, 1, 0).x();
    const int other = TabMiddle(tabs, 2, 0).x();

    // Top outlines: green on the selected tab, red on the others.
    EXPECT_EQ(image.pixelColor(selected, 0), Rgb(kGreen));
    EXPECT_EQ(image.pixelColor(other, 0), Rgb(kRed));
    // On the frame's top line the bridge replaces the outline under tab 1 only.
    const int frame_top = TwipsToPixels(tabs.CaptionRowHeight() - 15);
    EXPECT_EQ(image.pixelColor(selected, frame_top), Rgb(kWhite));
    EXPECT_EQ(image.pixelColor(other, frame_top), Rgb(kRed));
    // Right of the tabs the frame's own outline runs.
    EXPECT_EQ(image.pixelColor(390, frame_top), Rgb(kRed));

    tabs.SetBridge(false);
    EXPECT_EQ(Render(tabs).pixelColor(selected, frame_top), Rgb(kGreen));
}

// What the window's own tests leave out: how arrows, repeated and right
// clicks and disabled tabs move the selection and report it.
TEST_F(VarnithTabTest, ArrowsAndLeftClicksSelectOnlyEnabledTabsAndReportEachSelection) {
    tabs.show();
    tabs.SetSelected(0);
    tabs.ChangeTabEnable(2, false);
    QSignalSpy clicked(&tabs, &VarnithTab::TabClicked);
    const auto click = [this](int index, Qt::MouseButton button = Qt::LeftButton, int y = 5) {
        QTest::mouseClick(&tabs, button, {}, TabMiddle(tabs, index, y));
    };

    // Neither clicks nor arrows select a disabled tab.
    click(2);
    tabs.SelectTabManually(2);
    EXPECT_EQ(clicked.count(), 0);
    QTest::keyRelease(&tabs, Qt::Key_Right);
    QTest::keyRelease(&tabs, Qt::Key_Right);
    EXPECT_EQ(tabs.GetSelected(), 3);
    QTest::keyRelease(&tabs, Qt::Key_Right);  // arrows stop at the ends
    EXPECT_EQ(clicked.count(), 2);

    // The selected tab clicked again is reported again; a right click is none.
    click(1);
    click(1);
    click(0, Qt::RightButton);
    EXPECT_EQ(tabs.GetSelected(), 1);
    EXPECT_EQ(clicked.count(), 4);
    // With every tab to the right disabled, Right changes nothing.
    tabs.ChangeTabEnable(3, false);
    QTest::keyRelease(&tabs, Qt::Key_Right);
    EXPECT_EQ(tabs.GetSelected(), 1);
    tabs.CreateTabs();
    EXPECT_TRUE(tabs.IsTabEnabled(2));

    // A click on the frame below the tab row selects nothing.
    tabs.resize(400, 120);
    tabs.SetDrawFrame(true);
    click(3, Qt::LeftButton, 100);
    EXPECT_EQ(tabs.GetSelected(), 1);
}

TEST_F(VarnithTabTest, StoredPropertiesAreTheChangedOnesAndACopyReadFromThemLooksTheSame) {
    PropertyBag bag;
    tabs.SetSelected(0);
    tabs.WriteProperties(bag);
    EXPECT_EQ(bag.Count(), 0);

    tabs.SetTabStrip("Options,Tag v1,Tag v2,FreeDB");
    tabs.SetBorder(kDarkShadow3D);
    tabs.SetSelected(2);
    tabs.SetDrawFrame(true);
    tabs.WriteProperties(bag);
    EXPECT_EQ(bag.Count(), 4);

    // A strip read from them looks the same.
    VarnithTab copy;
    copy.resize(tabs.size());
    copy.ReadProperties(bag);
    EXPECT_EQ(Render(copy), Render(tabs));
}

}  // namespace
}  // namespace kalvex
