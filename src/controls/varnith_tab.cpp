// The owner-drawn tab strip: its drawing, its properties and its clicks.
#include "controls/varnith_tab.h"

#include <QFocusEvent>
#include <QFontMetrics>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>

#include "controls/twips.h"

namespace kalvex {
namespace {

constexpr int kFrameCornerAllowance = 160;
constexpr int kMinimumFrameControlHeight = 1000;
constexpr ColourValue kBaseLineGrey = 0x808080;

}  // namespace

VarnithTab::VarnithTab(QWidget* parent) : QWidget(parent) {
    setFocusPolicy(Qt::StrongFocus);
    // T is taken once, from the first caption's height.
    caption_row_height_ = CaptionHeight() + 120;
    frame_box_.rounded = true;
    frame_box_.PenFlag = true;
    frame_box_.corner = 20;
    frame_background_box_.PenFlag = false;
    tab_strip_ = "One,Two,Three,Four";
    CreateTabs();
}

int VarnithTab::CaptionWidth(const QString& caption) const {
    return PixelsToTwips(QFontMetrics(font()).horizontalAdvance(caption));
}

int VarnithTab::CaptionHeight() const {
    return PixelsToTwips(QFontMetrics(font()).height());
}

int VarnithTab::WidthTwips() const {
    return PixelsToTwips(width());
}
int VarnithTab::HeightTwips() const {
    return PixelsToTwips(height());
}

void VarnithTab::SetHeightTwips(int twips) {
    resize(width(), TwipsToPixels(twips));
}

QColor VarnithTab::Translated(ColourValue colour) const {
    return TranslateColour(colour, palette());
}

// ---- properties --------------------------------------------------------------

void VarnithTab::SetTabStrip(const QString& captions) {
    tab_strip_ = captions;
    CreateTabs();
    emit PropertyChanged("TabStrip");
}

void VarnithTab::SetSelected(qint16 index) {
    // Neither checked against the disabled flags nor reported as a click.
    selected_ = index;
    Redraw();
    emit PropertyChanged("Selected");
}

void VarnithTab::SetColour(ColourValue& member, ColourValue colour, const char* name) {
    member = colour;
    Redraw();
    emit PropertyChanged(name);
}

void VarnithTab::SetBorder(ColourValue c) {
    SetColour(border_, c, "Border");
}
void VarnithTab::SetBorderSelected(ColourValue c) {
    SetColour(border_selected_, c, "BorderSelected");
}
void VarnithTab::SetTabColour(ColourValue c) {
    SetColour(tab_colour_, c, "TabColour");
}
void VarnithTab::SetTabColourSelected(ColourValue c) {
    SetColour(tab_colour_selected_, c, "TabColourSelected");
}
void VarnithTab::SetTextColour(ColourValue c) {
    SetColour(text_colour_, c, "TextColour");
}
void VarnithTab::SetTextColourSelected(ColourValue c) {
    SetColour(text_colour_selected_, c, "TextColourSelected");
}
void VarnithTab::SetDisabledColour(ColourValue c) {
    SetColour(disabled_colour_, c, "DisabledColour");
}
void VarnithTab::SetBackColour(ColourValue c) {
    SetColour(back_colour_, c, "BackColour");
}

void VarnithTab::SetEnabled(bool enabled) {
    setEnabled(enabled);
    emit PropertyChanged("Enabled");
}

void VarnithTab::SetDrawFrame(bool on) {
    draw_frame_ = on;
    if (on && HeightTwips() < kMinimumFrameControlHeight) {
        SetHeightTwips(kMinimumFrameControlHeight);
    }
    CreateTabs();
    emit PropertyChanged("DrawFrame");
}

void VarnithTab::SetBridge(bool on) {
    bridge_ = on;
    emit PropertyChanged("Bridge");
}

void VarnithTab::SetFrameHeight(int twips) {
    SetHeightTwips(row_height_ + twips);
    emit PropertyChanged("FrameHeight");
}

void VarnithTab::ReadProperties(const PropertyBag& bag) {
    auto colour = [&bag](const char* key, ColourValue fallback) {
        return static_cast<ColourValue>(bag.Read(key, fallback).toUInt());
    };
    tab_strip_ = bag.Read("TabStrip", "One,Two,Three,Four").toString();
    selected_ = static_cast<qint16>(bag.Read("Selected", 0).toInt());
    border_ = colour("Border", 0xFF8080);
    border_selected_ = colour("BorderSelected", 0x0080FF);
    tab_colour_ = colour("TabColour", 0xE0E0E0);
    tab_colour_selected_ = colour("TabColourSelected", 0xFFFFFF);
    text_colour_ = colour("TextColour", 0);
    text_colour_selected_ = colour("TextColourSelected", 0);
    disabled_colour_ = colour("DisabledColour", 0xC0C0C0);
    setEnabled(bag.Read("Enabled", true).toBool());
    back_colour_ = colour("BackColour", kButtonFace);
    draw_frame_ = bag.Read("DrawFrame", false).toBool();
    bridge_ = bag.Read("Bridge", false).toBool();
    if (draw_frame_ && HeightTwips() < kMinimumFrameControlHeight) {
        SetHeightTwips(kMinimumFrameControlHeight);
    }
    CreateTabs();
    Redraw();
}

void VarnithTab::WriteProperties(PropertyBag& bag) const {
    bag.Write("TabStrip", tab_strip_, "One,Two,Three,Four");
    bag.Write("Selected", static_cast<int>(selected_), 0);
    bag.Write("Border", border_, ColourValue{0xFF8080});
    bag.Write("BorderSelected", border_selected_, ColourValue{0x0080FF});
    bag.Write("TabColour", tab_colour_, ColourValue{0xE0E0E0});
    bag.Write("TabColourSelected", tab_colour_selected_, ColourValue{0xFFFFFF});
    bag.Write("TextColour", text_colour_, ColourValue{0});
    bag.Write("TextColourSelected", text_colour_selected_, ColourValue{0});
    bag.Write("DisabledColour", disabled_colour_, ColourValue{0xC0C0C0});
    bag.Write("Enabled", isEnabled(), true);
    bag.Write("BackColour", back_colour_, kButtonFace);
    bag.Write("DrawFrame", draw_frame_, false);
    bag.Write("Bridge", bridge_, false);
}

// ---- tabs ----------------------------------------------------------------------

void VarnithTab::CreateTabs() {
    // An empty TabStrip still makes one (empty) tab, like any empty caption.
    const QStringList parts = tab_strip_.split(',', Qt::KeepEmptyParts);
    const int count = static_cast<int>(parts.size());
    captions_.assign(parts.begin(), parts.end());
    body_boxes_.assign(count, TabBox{});
    base_boxes_.assign(count, TabBox{});
    seam_boxes_.assign(count, TabBox{});
    disabled_.assign(count, false);

    const int caption_height = CaptionHeight();
    for (int i = 0; i < count; ++i) {
        TabBox& body = body_boxes_[i];
        body.rounded = true;
        body.PenFlag = true;
        body.corner = 10;
        body.pen = border_;
        body.fill = tab_colour_;
        body.width = CaptionWidth(captions_[i]) + 180;
        body.height = caption_height + 120;
        body.left = i == 0 ? 0 : body_boxes_[i - 1].left + body_boxes_[i - 1].width;
        body.top = 0;

        // The lowest 100 twips of the tab, square at the bottom corners.
        TabBox& base = base_boxes_[i];
        base.PenFlag = true;
        base.pen = border_;
        base.fill = tab_colour_;
        base.left = body.left;
        base.width = body.width;
        base.height = 100;
        base.top = body.height - 100;

        // Hides the base box's top outline, so body and base read as one shape.
        TabBox& seam = seam_boxes_[i];
        seam.pen = tab_colour_;
        seam.fill = tab_colour_;
        seam.left = base.left + 15;
        seam.width = body.width - 30;
        seam.height = 100;
        seam.top = base.top - 50;
    }

    row_height_ = body_boxes_.back().height + 15;
    if (!draw_frame_) {
        SetHeightTwips(row_height_);
    }
    LayoutFrame();
    Redraw();
}

bool VarnithTab::IsTabEnabled(int index) const {
    return index >= 0 && index < static_cast<int>(disabled_.size()) && !disabled_[index];
}

void VarnithTab::ChangeTabEnable(qint16 index, bool enabled) {
    if (index < 0 || index >= static_cast<int>(disabled_.size())) {
        return;
    }
    disabled_[index] = !enabled;
    Redraw();
}

void VarnithTab::ClickTab(int index) {
    if (!IsTabEnabled(index)) {
        return;
    }
    selected_ = static_cast<qint16>(index);
    Redraw();
    emit TabClicked();
}

void VarnithTab::SelectTabManually(qint16 index) {
    ClickTab(index);
}

void VarnithTab::MoveSelection(int step) {
    const int count = static_cast<int>(captions_.size());
    for (int i = selected_ + step; i >= 0 && i < count; i += step) {
        if (!disabled_[i]) {
            ClickTab(i);
            return;
        }
    }
}

int VarnithTab::HitTest(int x_twips) const {
    for (int i = 0; i < static_cast<int>(base_boxes_.size()); ++i) {
        const TabBox& base = base_boxes_[i];
        if (base.left <= x_twips && x_twips <= base.left + base.width) {
            return i;
        }
    }
    return -1;
}

void VarnithTab::LayoutFrame() {
    const int w = WidthTwips();
    const int h = HeightTwips();
    const int top = caption_row_height_ - 15;
    frame_background_box_.left = 0;
    frame_background_box_.top = top;
    frame_background_box_.width = w;
    frame_background_box_.height = h - top;
    frame_box_.left = 0;
    frame_box_.top = top;
    frame_box_.width = w;
    frame_box_.height = h - top;
    frame_corner_box_.left = 0;
    frame_corner_box_.top = top;
    frame_corner_box_.width = w - kFrameCornerAllowance;
    frame_corner_box_.height = frame_box_.height - kFrameCornerAllowance;
    frame_inner_box_.left = 15;
    frame_inner_box_.top = caption_row_height_;
    frame_inner_box_.width = w - kFrameCornerAllowance;
    frame_inner_box_.height = frame_box_.height - kFrameCornerAllowance;
}

void VarnithTab::Redraw() {
    update();
}

// ---- events --------------------------------------------------------------------

void VarnithTab::mouseReleaseEvent(QMouseEvent* event) {
    // Only the tab row answers: a click on the frame below is not a tab click.
    if (event->button() != Qt::LeftButton ||
        PixelsToTwips(static_cast<int>(event->position().y())) >= row_height_) {
        return;
    }
    const int index = HitTest(PixelsToTwips(static_cast<int>(event->position().x())));
    if (index >= 0) {
        ClickTab(index);
    }
}

void VarnithTab::keyReleaseEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Left && selected_ > 0) {
        MoveSelection(-1);
    } else if (event->key() == Qt::Key_Right && selected_ < GetTabCount() - 1) {
        MoveSelection(+1);
    } else {
        QWidget::keyReleaseEvent(event);
    }
}

void VarnithTab::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    LayoutFrame();
    Redraw();
}

void VarnithTab::focusInEvent(QFocusEvent* event) {
    QWidget::focusInEvent(event);
    Redraw();
}

void VarnithTab::focusOutEvent(QFocusEvent* event) {
    QWidget::focusOutEvent(event);
    Redraw();
}

// ---- drawing -------------------------------------------------------------------

void VarnithTab::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing, false);
    ClearBackground(painter);
    DrawPageFrame(painter);
    DrawTabs(painter);
    DrawBridge(painter);
}

void VarnithTab::DrawBox(QPainter& painter, int x1, int y1, int x2, int y2, ColourValue fill,
                         ColourValue pen, int pen_width, bool no_fill, bool rounded,
                         int corner) const {
    // Like a GDI box: the outline lies inside, the right and bottom edges are
    // exclusive, and pen widths 0 and 1 both mean one pixel.
    const QRect area(QPoint(TwipsToPixels(x1), TwipsToPixels(y1)),
                     QPoint(TwipsToPixels(x2) - 1, TwipsToPixels(y2) - 1));
    if (area.width() <= 0 || area.height() <= 0) {
        return;
    }
    painter.setPen(
        QPen(Translated(pen), std::max(1, pen_width), Qt::SolidLine, Qt::SquareCap, Qt::MiterJoin));
    painter.setBrush(no_fill ? QBrush(Qt::NoBrush) : QBrush(Translated(fill)));
    const QRect outline = area.adjusted(0, 0, -1, -1);
    if (rounded) {
        painter.drawRoundedRect(outline, corner / 2.0, corner / 2.0);
    } else {
        painter.drawRect(outline);
    }
}

void VarnithTab::DrawTabBox(QPainter& painter, const TabBox& box) const {
    DrawBox(painter, box.left, box.top, box.left + box.width, box.top + box.height, box.fill,
            box.pen, box.PenFlag ? 1 : 0, false, box.rounded, box.corner);
}

void VarnithTab::DrawLine(QPainter& painter, int x1, int y1, int x2, int y2, int pen_width,
                          ColourValue colour) const {
    painter.setPen(QPen(Translated(colour), std::max(1, pen_width)));
    painter.drawLine(TwipsToPixels(x1), TwipsToPixels(y1), TwipsToPixels(x2), TwipsToPixels(y2));
}

void VarnithTab::ClearBackground(QPainter& painter) const {
    DrawBox(painter, 0, 0, WidthTwips(), HeightTwips(), back_colour_, back_colour_, 0, false, false,
            0);
}

void VarnithTab::DrawPageFrame(QPainter& painter) const {
    if (!draw_frame_) {
        const int y = caption_row_height_ - 15;
        DrawLine(painter, 0, y, WidthTwips(), y, 1, kBaseLineGrey);
        return;
    }
    TabBox background = frame_background_box_;
    background.pen = background.fill = back_colour_;
    TabBox frame = frame_box_;
    frame.pen = border_;
    frame.fill = tab_colour_;
    TabBox corner = frame_corner_box_;
    corner.pen = corner.fill = border_;
    TabBox inner = frame_inner_box_;
    inner.pen = inner.fill = tab_colour_;
    DrawTabBox(painter, background);
    DrawTabBox(painter, frame);
    DrawTabBox(painter, corner);
    DrawTabBox(painter, inner);
}

void VarnithTab::DrawTabs(QPainter& painter) const {
    for (int i = 0; i < static_cast<int>(captions_.size()); ++i) {
        ColourValue text = text_colour_;
        ColourValue pen = border_;
        ColourValue fill = tab_colour_;
        if (i == selected_) {
            text = text_colour_selected_;
            pen = border_selected_;
            fill = tab_colour_selected_;
        } else if (disabled_[i]) {
            fill = disabled_colour_;
        }
        TabBox body = body_boxes_[i];
        TabBox base = base_boxes_[i];
        TabBox seam = seam_boxes_[i];
        body.pen = base.pen = pen;
        body.fill = base.fill = seam.pen = seam.fill = fill;
        DrawTabBox(painter, body);
        DrawTabBox(painter, base);
        DrawTabBox(painter, seam);

        // The caption sits 90 twips right of and 60 twips below the tab's corner.
        const QFontMetrics metrics(font());
        const QRect caption(TwipsToPixels(body.left + 90), TwipsToPixels(body.top + 60),
                            metrics.horizontalAdvance(captions_[i]), metrics.height());
        painter.setPen(Translated(text));
        painter.setFont(font());
        painter.drawText(caption, Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine, captions_[i]);
        if (i == selected_ && hasFocus()) {
            painter.setPen(QPen(Translated(text), 1, Qt::DotLine));
            painter.setBrush(Qt::NoBrush);
            painter.drawRect(caption.adjusted(-2, 0, 1, -1));
        }
    }
}

void VarnithTab::DrawBridge(QPainter& painter) const {
    if (!draw_frame_ || !bridge_ || selected_ < 0 ||
        selected_ >= static_cast<int>(base_boxes_.size())) {
        return;
    }
    const TabBox& base = base_boxes_[selected_];
    TabBox bridge;
    bridge.pen = bridge.fill = tab_colour_selected_;
    bridge.left = base.left + 15;
    bridge.width = base.width - 30;
    bridge.height = 30;
    bridge.top = base.top + base.height - 30;
    DrawTabBox(painter, bridge);
}

}  // namespace kalvex
