#include "controls/caption.h"

#include <gtest/gtest.h>

#include <QBitmap>
#include <QFontMetrics>
#include <QRegion>
#include <QSignalSpy>
#include <QTest>

#include "controls/render.h"
#include "controls/twips.h"

namespace kalvex {
namespace {

using test::CountColour;

constexpr QRgb kWhite = 0xFFFFFF;
constexpr QRgb kBlack = 0x000000;
constexpr QRgb kGrey = 0x808080;
constexpr QRgb kLightGrey = 0xE0E0E0;

// The bounds of the pixels the caption draws (not transparent).
QRect Drawn(const Caption& caption) {
    return QRegion(QBitmap::fromImage(caption.RenderSurface().createAlphaMask())).boundingRect();
}

class CaptionTest : public testing::Test {
protected:
    void SetUp() override {
        QFont large_bold("DejaVu Sans");
        large_bold.setPixelSize(20);
        large_bold.setBold(true);
        caption.SetFont(large_bold);
        caption.resize(200, 40);
    }
    QRgb Role(QPalette::ColorRole role) const { return caption.palette().color(role).rgb(); }
    // An opaque caption without letters, so only its ground and border show.
    void Ground() {
        caption.SetCaption("");
        caption.SetTransparent(false);
    }
    Caption caption{"Heading"};
};

TEST_F(CaptionTest, LettersAreWhiteOutlinedAndShadowedOnATransparentGroundOrGreyWhenDisabled) {
    caption.SetEnabled(false);
    QImage surface = caption.RenderSurface();
    EXPECT_GT(CountColour(surface, kLightGrey), 20);
    EXPECT_GT(CountColour(surface, kGrey), 20);
    EXPECT_EQ(CountColour(surface, kWhite) + CountColour(surface, kBlack), 0);

    caption.SetEnabled(true);
    surface = caption.RenderSurface();
    EXPECT_GT(CountColour(surface, kWhite), 20);
    EXPECT_GT(CountColour(surface, kBlack), 20);
    EXPECT_GT(CountColour(surface, kGrey), 5);
    EXPECT_EQ(qAlpha(surface.pixel(0, 0)), 0);

    // The shadow lies 45 twips (3 pixels) right of and below the letters.
    caption.SetCaptionOutlined(false);
    const QRect letters = Drawn(caption);
    caption.SetCaptionShadowed(false);
    const QRect without_shadow = Drawn(caption);
    EXPECT_EQ(letters.bottomRight() - without_shadow.bottomRight(), QPoint(3, 3));

    // Transparent letters leave only the outline.
    caption.SetCaptionOutlined(true);
    caption.SetCaptionTransparent(true);
    surface = caption.RenderSurface();
    EXPECT_EQ(CountColour(surface, kWhite), 0);
    EXPECT_GT(CountColour(surface, kBlack), 20);
}

// Type 2 runs from top to bottom in whole lines, type 1 from left to right
// in whole columns; the swap exchanges start and end.
TEST_F(CaptionTest, GradientsRunDownOrAcrossFromStartToEndAndSwap) {
    Ground();
    caption.SetCaptionGradientStart(0x008000);
    caption.SetCaptionGradientEnds(0xC0FFC0);
    caption.SetCaptionGradientTyp(2);
    // 40 pixels = 600 twips; the last line is drawn at i = 586.
    QImage surface = caption.RenderSurface();
    EXPECT_EQ(surface.pixelColor(100, 0), QColor(0, 128, 0));
    EXPECT_EQ(surface.pixelColor(100, 39), QColor(188, 252, 188));
    EXPECT_EQ(surface.pixelColor(0, 20), surface.pixelColor(199, 20));
    caption.SetCaptionGradientchangeColor(true);
    EXPECT_EQ(caption.RenderSurface().pixelColor(100, 0), QColor(192, 255, 192));

    caption.SetCaptionGradientchangeColor(false);
    caption.SetCaptionGradientTyp(1);
    surface = caption.RenderSurface();
    EXPECT_EQ(surface.pixelColor(0, 5), QColor(0, 128, 0));
    EXPECT_EQ(surface.pixelColor(0, 5), surface.pixelColor(0, 35));
    EXPECT_GT(surface.pixelColor(199, 5).red(), 185);
}

TEST_F(CaptionTest, BorderStylesDrawTheirLinesAndSetTheMargins) {
    Ground();
    caption.SetBorders(1);
    QImage surface = caption.RenderSurface();
    EXPECT_EQ(caption.TopMargin(), 30);
    EXPECT_EQ(surface.pixel(100, 0), Role(QPalette::Dark));
    EXPECT_EQ(surface.pixel(100, 1), Role(QPalette::Shadow));
    EXPECT_EQ(surface.pixel(100, 39), Role(QPalette::Light));
    EXPECT_EQ(surface.pixel(199, 20), Role(QPalette::Light));

    // An unknown style draws nothing and keeps the margins.
    caption.SetBorders(9);
    surface = caption.RenderSurface();
    EXPECT_EQ(caption.TopMargin(), 30);
    EXPECT_EQ(surface.pixel(100, 0), Role(QPalette::Button));
    caption.SetBorders(0);
    EXPECT_EQ(caption.LeftMargin(), 0);
}

TEST_F(CaptionTest, TextExtentsIncludeTheOutlineReserveAndAutoSizeFitsTheText) {
    const QFontMetrics metrics(caption.font());
    const int plain = metrics.horizontalAdvance("Disc") * 15;
    EXPECT_EQ(caption.TextWidth("Disc"), plain + 30);

    caption.SetCaptionOutlined(false);
    caption.SetCaption("Disc");
    caption.SetBorders(5);
    caption.SetAutoSize(true);
    EXPECT_EQ(caption.width(), TwipsToPixels(30 + plain));
    EXPECT_EQ(caption.height(), TwipsToPixels(30 + metrics.height() * 15));

    // Upright letters stack: four lines high, one letter wide. Display types 2
    // and 3 are the upright ones; the upright switch moves between 1 and 3.
    caption.SetDisplayType(3);
    EXPECT_EQ(caption.height(), TwipsToPixels(30 + 4 * metrics.height() * 15));
    EXPECT_EQ(caption.width(), TwipsToPixels(30 + metrics.horizontalAdvance("D") * 15));
    caption.SetDisplayVertikal(false);
    EXPECT_EQ(caption.GetDisplayType(), 1);
    EXPECT_EQ(caption.height(), TwipsToPixels(30 + metrics.height() * 15));
}

TEST_F(CaptionTest, MouseEventsArriveInTwipsAndAClickOnThePictureIsTheControlsClick) {
    QPixmap picture(16, 16);
    picture.fill(Qt::red);
    caption.SetCaptionPicture(picture);
    caption.show();
    QSignalSpy down(&caption, &Caption::MouseDown);
    QSignalSpy click(&caption, &Caption::Click);
    QTest::mouseClick(&caption, Qt::LeftButton, Qt::ShiftModifier, QPoint(8, 20));
    // Left button, shift, x and y in twips.
    EXPECT_EQ(down, (QList<QVariantList>{{1, 1, 120, 300}}));
    EXPECT_EQ(click.count(), 1);
    // The picture sits at the left margin, vertically centred.
    EXPECT_EQ(caption.RenderSurface().pixelColor(2, 20), QColor(Qt::red));
}

// Only changed properties are stored, and a caption read from them looks the
// same, so each property's key and default agree between writing and reading.
TEST_F(CaptionTest, StoredPropertiesAreTheChangedOnesAndACopyReadFromThemLooksTheSame) {
    PropertyBag bag;
    caption.SetFont(QFont());
    caption.WriteProperties(bag);
    EXPECT_EQ(bag.Count(), 1);  // the caption: placed as its name, "0" by default

    caption.SetTransparent(false);
    caption.SetCaptionAligmend(1);
    caption.SetCaptionGradientTyp(2);
    caption.SetCaptionOutlined(false);
    caption.SetCon_LinkKey("not stored");
    caption.WriteProperties(bag);
    EXPECT_EQ(bag.Count(), 5);

    Caption copy("Other");
    copy.resize(caption.size());
    copy.ReadProperties(bag);
    EXPECT_EQ(copy.RenderSurface(), caption.RenderSurface());
}

}  // namespace
}  // namespace kalvex
