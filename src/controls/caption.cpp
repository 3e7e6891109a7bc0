// The owner-drawn caption label: gradient, border, shadow and stacked text.
#include "controls/caption.h"

#include <QFontMetrics>
#include <QMouseEvent>
#include <QPainter>
#include <cmath>

#include "controls/twips.h"

namespace kalvex {
namespace {

constexpr ColourValue kShadowGrey = 0x808080;
constexpr ColourValue kDisabledLetters = 0xE0E0E0;
constexpr int kShadowOffset = 45;

struct BorderStyle {
    int lines;
    ColourValue top_left[4];      // outer to inner
    ColourValue bottom_right[4];  // outer to inner
};

// Index = Borders value; style 0 has no lines.
constexpr BorderStyle kBorderStyles[] = {
    {0, {}, {}},
    {2, {kButtonShadow, kDarkShadow3D}, {kButtonHighlight, kLight3D}},
    {2, {kButtonHighlight, kDarkShadow3D}, {kDarkShadow3D, kButtonHighlight}},
    {3,
     {kButtonHighlight, kButtonShadow, kDarkShadow3D},
     {kDarkShadow3D, kButtonShadow, kButtonHighlight}},
    {4,
     {kButtonHighlight, kLight3D, kButtonShadow, kDarkShadow3D},
     {kDarkShadow3D, kButtonShadow, kLight3D, kButtonHighlight}},
    {1, {kDarkShadow3D}, {kDarkShadow3D}},
    {3, {kDarkShadow3D, kButtonShadow, kLight3D}, {kDarkShadow3D, kButtonShadow, kLight3D}},
    {4,
     {kDarkShadow3D, kButtonShadow, kLight3D, kButtonHighlight},
     {kDarkShadow3D, kButtonShadow, kLight3D, kButtonHighlight}},
};

bool IsBorderStyle(int style) {
    return style >= 0 && style <= 7;
}

Qt::CursorShape CursorOfPointer(int pointer) {
    switch (pointer) {
        case 1:
            return Qt::ArrowCursor;
        case 2:
            return Qt::CrossCursor;
        case 3:
            return Qt::IBeamCursor;
        case 5:
        case 15:
            return Qt::SizeAllCursor;
        case 6:
            return Qt::SizeBDiagCursor;
        case 7:
            return Qt::SizeVerCursor;
        case 8:
            return Qt::SizeFDiagCursor;
        case 9:
            return Qt::SizeHorCursor;
        case 10:
            return Qt::UpArrowCursor;
        case 11:
            return Qt::WaitCursor;
        case 12:
            return Qt::ForbiddenCursor;
        case 13:
            return Qt::BusyCursor;
        case 14:
            return Qt::WhatsThisCursor;
        default:
            return Qt::ArrowCursor;
    }
}

int ButtonValue(Qt::MouseButtons buttons) {
    int value = 0;
    if (buttons & Qt::LeftButton)
        value |= 1;
    if (buttons & Qt::RightButton)
        value |= 2;
    if (buttons & Qt::MiddleButton)
        value |= 4;
    return value;
}

int ShiftValue(Qt::KeyboardModifiers modifiers) {
    int value = 0;
    if (modifiers & Qt::ShiftModifier)
        value |= 1;
    if (modifiers & Qt::ControlModifier)
        value |= 2;
    if (modifiers & Qt::AltModifier)
        value |= 4;
    return value;
}

}  // namespace

Caption::Caption(const QString& name, QWidget* parent) : QWidget(parent) {
    setObjectName(name);
    caption_ = name;
    setAttribute(Qt::WA_OpaquePaintEvent, false);
    LayoutCaption();
}

int Caption::WidthTwips() const {
    return PixelsToTwips(width());
}
int Caption::HeightTwips() const {
    return PixelsToTwips(height());
}

int Caption::SurfaceTextWidth(const QString& text) const {
    return PixelsToTwips(QFontMetrics(font()).horizontalAdvance(text));
}
int Caption::SurfaceTextHeight(const QString&) const {
    return PixelsToTwips(QFontMetrics(font()).height());
}
int Caption::TextWidth(const QString& text) const {
    return SurfaceTextWidth(text) + OutlineReserve();
}
int Caption::TextHeight(const QString& text) const {
    return SurfaceTextHeight(text) + OutlineReserve();
}
int Caption::PictureWidth() const {
    return picture_.isNull() ? 0 : PixelsToTwips(picture_.deviceIndependentSize().toSize().width());
}
int Caption::PictureHeight() const {
    return picture_.isNull() ? 0
                             : PixelsToTwips(picture_.deviceIndependentSize().toSize().height());
}

// ---- properties --------------------------------------------------------------

void Caption::Changed(const char* name) {
    update();
    emit PropertyChanged(name);
}

void Caption::SetCaption(const QString& text) {
    caption_ = text;
    MeasureVertical();
    LayoutCaption();
    Changed("Caption");
}

void Caption::SetBorders(int style) {
    borders_ = style;
    SetBorderMargins();
    LayoutCaption();
    Changed("Borders");
}

void Caption::SetTransparent(bool on) {
    transparent_ = on;
    Changed("Transparent");
}

void Caption::SetAutoSize(bool on) {
    auto_size_ = on;
    LayoutCaption();
    Changed("AutoSize");
}

void Caption::SetFont(const QFont& new_font) {
    setFont(new_font);
    MeasureVertical();
    LayoutCaption();
    Changed("Font");
}

void Caption::SetBackColor(ColourValue c) {
    back_color_ = c;
    Changed("BackColor");
}
void Caption::SetCaptionINColor(ColourValue c) {
    in_color_ = c;
    Changed("CaptionINColor");
}
void Caption::SetCaptionOUTColor(ColourValue c) {
    out_color_ = c;
    Changed("CaptionOUTColor");
}
void Caption::SetCaptionTransparent(bool on) {
    caption_transparent_ = on;
    Changed("CaptionTransparent");
}

void Caption::SetCaptionOutlined(bool on) {
    outlined_ = on;
    if (on) {
        LayoutCaption();
    }
    Changed("CaptionOutlined");
}

void Caption::SetDisplayVertikal(bool on) {
    vertical_ = on;
    // Keep the display type on the same side (normal or reversed).
    if (!on && display_type_ == 2)
        display_type_ = 0;
    if (!on && display_type_ == 3)
        display_type_ = 1;
    if (on && display_type_ == 0)
        display_type_ = 2;
    if (on && display_type_ == 1)
        display_type_ = 3;
    stacked_height_ = 0;
    widest_character_ = 0;
    LayoutCaption();
    Changed("DisplayVertikal");
}

void Caption::SetDisplayType(int type) {
    display_type_ = type;
    if ((type == 0 || type == 1) && vertical_) {
        vertical_ = false;
    } else if ((type == 2 || type == 3) && !vertical_) {
        vertical_ = true;
    }
    LayoutCaption();
    Changed("DisplayType");
}

void Caption::SetMouseIcon(const QPixmap& icon) {
    mouse_icon_ = icon;
    ApplyPointer();
    emit PropertyChanged("MouseIcon");
}

void Caption::SetMousePointer(int pointer) {
    mouse_pointer_ = pointer;
    ApplyPointer();
    emit PropertyChanged("MousePointer");
}

void Caption::ApplyPointer() {
    if (mouse_pointer_ == 99 && !mouse_icon_.isNull()) {
        setCursor(QCursor(mouse_icon_));
    } else if (mouse_pointer_ == 0) {
        unsetCursor();
    } else {
        setCursor(CursorOfPointer(mouse_pointer_));
    }
}

void Caption::SetCaptionGradientStart(ColourValue c) {
    gradient_start_ = c;
    Changed("CaptionGradientStart");
}
void Caption::SetCaptionGradientEnds(ColourValue c) {
    gradient_ends_ = c;
    Changed("CaptionGradientEnds");
}
void Caption::SetCaptionGradientchangeColor(bool on) {
    gradient_swapped_ = on;
    Changed("CaptionGradientchangeColor");
}
void Caption::SetCaptionGradientTyp(int type) {
    gradient_type_ = type;
    Changed("CaptionGradientTyp");
}
void Caption::SetEnabled(bool enabled) {
    setEnabled(enabled);
    Changed("Enabled");
}
void Caption::SetCaptionAligmend(int alignment) {
    alignment_ = alignment;
    Changed("CaptionAligmend");
}
void Caption::SetCaptionShadowed(bool on) {
    shadowed_ = on;
    Changed("CaptionShadowed");
}

void Caption::SetCaptionPicture(const QPixmap& picture) {
    picture_ = picture;
    LayoutCaption();
    Changed("CaptionPicture");
}

void Caption::Refresh() {
    repaint();
}

void Caption::ReadProperties(const PropertyBag& bag) {
    auto colour = [&bag](const char* key, ColourValue fallback) {
        return static_cast<ColourValue>(bag.Read(key, fallback).toUInt());
    };
    caption_ = bag.Read("Caption", "0").toString();
    borders_ = static_cast<qint16>(bag.Read("Borders", 0).toInt());
    transparent_ = bag.Read("Transparent", true).toBool();
    auto_size_ = bag.Read("AutoSize", false).toBool();
    if (bag.Contains("Font")) {
        QFont stored;
        stored.fromString(bag.Read("Font", QString()).toString());
        setFont(stored);
    }
    back_color_ = colour("BackColor", kButtonFace);
    in_color_ = colour("CaptionINColor", 0xFFFFFF);
    out_color_ = colour("CaptionOUTColor", 0);
    caption_transparent_ = bag.Read("CaptionTransparent", false).toBool();
    outlined_ = bag.Read("CaptionOutlined", true).toBool();
    vertical_ = bag.Read("DisplayVertikal", false).toBool();
    display_type_ = static_cast<qint16>(bag.Read("DisplayType", 0).toInt());
    mouse_icon_ = bag.Read("MouseIcon", QPixmap()).value<QPixmap>();
    mouse_pointer_ = static_cast<qint16>(bag.Read("MousePointer", 0).toInt());
    gradient_start_ = colour("CaptionGradientStart", 0xFFFFFF);
    gradient_ends_ = colour("CaptionGradientEnds", 0x404040);
    gradient_swapped_ = bag.Read("CaptionGradientchangeColor", false).toBool();
    gradient_type_ = static_cast<qint16>(bag.Read("CaptionGradientTyp", 0).toInt());
    setEnabled(bag.Read("Enabled", true).toBool());
    alignment_ = static_cast<qint16>(bag.Read("CaptionAligmend", 0).toInt());
    shadowed_ = bag.Read("CaptionShadowed", true).toBool();
    picture_ = bag.Read("CaptionPicture", QPixmap()).value<QPixmap>();
    ApplyPointer();
    SetBorderMargins();
    MeasureVertical();
    LayoutCaption();
    update();
}

void Caption::WriteProperties(PropertyBag& bag) const {
    // Font and pictures have no fixed default: the font is stored when it is
    // not the host's, a picture when there is one.
    bag.Write("Caption", caption_, "0");
    bag.Write("Borders", borders_, 0);
    bag.Write("Transparent", transparent_, true);
    bag.Write("AutoSize", auto_size_, false);
    const QFont host_font = parentWidget() ? parentWidget()->font() : QFont();
    bag.Write("Font", font().toString(), host_font.toString());
    bag.Write("BackColor", back_color_, kButtonFace);
    bag.Write("CaptionINColor", in_color_, ColourValue{0xFFFFFF});
    bag.Write("CaptionOUTColor", out_color_, ColourValue{0});
    bag.Write("CaptionTransparent", caption_transparent_, false);
    bag.Write("CaptionOutlined", outlined_, true);
    bag.Write("DisplayVertikal", vertical_, false);
    bag.Write("DisplayType", display_type_, 0);
    if (!mouse_icon_.isNull())
        bag.Write("MouseIcon", mouse_icon_, QVariant());
    bag.Write("MousePointer", mouse_pointer_, 0);
    bag.Write("CaptionGradientStart", gradient_start_, ColourValue{0xFFFFFF});
    bag.Write("CaptionGradientEnds", gradient_ends_, ColourValue{0x404040});
    bag.Write("CaptionGradientchangeColor", gradient_swapped_, false);
    bag.Write("CaptionGradientTyp", gradient_type_, 0);
    bag.Write("Enabled", isEnabled(), true);
    bag.Write("CaptionAligmend", alignment_, 0);
    bag.Write("CaptionShadowed", shadowed_, true);
    if (!picture_.isNull())
        bag.Write("CaptionPicture", picture_, QVariant());
}

// ---- layout --------------------------------------------------------------------

void Caption::SetBorderMargins() {
    // A style outside 0 to 7 draws nothing and keeps the margins it had.
    if (!IsBorderStyle(borders_)) {
        return;
    }
    const int width = kBorderStyles[borders_].lines * kTwipsPerPixel;
    margin_left_ = margin_top_ = margin_right_ = margin_bottom_ = width;
}

void Caption::MeasureVertical() {
    if (!vertical_) {
        return;
    }
    stacked_height_ = 0;
    widest_character_ = 0;
    for (const QChar character : caption_) {
        stacked_height_ += SurfaceTextHeight(character);
        widest_character_ = std::max(widest_character_, SurfaceTextWidth(character));
    }
}

void Caption::LayoutCaption() {
    MeasureVertical();
    if (!auto_size_) {
        return;
    }
    int width = 0;
    int height = 0;
    if (vertical_) {
        width = margin_left_ + margin_right_ + 2 * OutlineReserve() + widest_character_;
        height = margin_top_ + margin_bottom_ + OutlineReserve() + stacked_height_;
    } else {
        width = margin_left_ + margin_right_ + OutlineReserve() + PictureWidth() +
                SurfaceTextWidth(caption_);
        // A picture taller than the text makes room for itself.
        height = margin_top_ + margin_bottom_ + OutlineReserve() +
                 std::max(SurfaceTextHeight(caption_), PictureHeight());
    }
    busy_ = true;
    resize(TwipsToPixels(width), TwipsToPixels(height));
    busy_ = false;
}

// ---- drawing -------------------------------------------------------------------

QImage Caption::RenderSurface() const {
    const qreal ratio = devicePixelRatioF();
    QImage surface(size() * ratio, QImage::Format_ARGB32);
    surface.setDevicePixelRatio(ratio);
    const QColor back = TranslateColour(back_color_, palette());
    surface.fill(back);  // clear the surface
    {
        QPainter painter(&surface);
        DrawCaption(painter);
    }
    if (transparent_) {
        // Mask colour: every pixel still in BackColor lets the host show through.
        const QRgb key = back.rgb();
        for (int y = 0; y < surface.height(); ++y) {
            auto* line = reinterpret_cast<QRgb*>(surface.scanLine(y));
            for (int x = 0; x < surface.width(); ++x) {
                if (line[x] == key) {
                    line[x] = qRgba(0, 0, 0, 0);
                }
            }
        }
    }
    return surface;
}

void Caption::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.drawImage(QPoint(0, 0), RenderSurface());
}

void Caption::DrawCaption(QPainter& painter) const {
    if (gradient_type_ != 0) {
        DrawGradient(painter);
    }
    const int x = margin_left_;
    const int y = margin_top_ + OutlineReserve();
    switch (display_type_) {
        case 0:
            DrawCaptionText(painter, caption_, x, y);
            break;
        case 1: {
            QString reversed(caption_);
            std::reverse(reversed.begin(), reversed.end());
            DrawCaptionText(painter, reversed, x, y);
            break;
        }
        case 2:
        case 3: {
            const int count = static_cast<int>(caption_.size());
            int top = y;
            for (int k = 0; k < count; ++k) {
                const QString character(caption_[display_type_ == 2 ? k : count - 1 - k]);
                const int left = WidthTwips() / 2 - SurfaceTextWidth(character) / 2;
                DrawCaptionText(painter, character, left, top);
                top += SurfaceTextHeight(character);
            }
            break;
        }
        default:
            break;  // no text and no borders
    }
}

void Caption::DrawGradient(QPainter& painter) const {
    const int left = margin_left_;
    const int top = margin_top_;
    const int width = WidthTwips() - 2 * margin_left_;
    const int height = HeightTwips() - 2 * margin_top_;
    ColourValue start = gradient_start_;
    ColourValue end = gradient_ends_;
    if (gradient_swapped_) {
        std::swap(start, end);
    }
    const QColor from = TranslateColour(start, palette());
    const QColor to = TranslateColour(end, palette());
    auto blend = [&](int i, int span) {
        auto channel = [&](int a, int b) {
            return static_cast<int>(std::lround(a + static_cast<double>(i) * (b - a) / span));
        };
        return QColor(std::clamp(channel(from.red(), to.red()), 0, 255),
                      std::clamp(channel(from.green(), to.green()), 0, 255),
                      std::clamp(channel(from.blue(), to.blue()), 0, 255));
    };
    painter.save();
    if (gradient_type_ == 2) {
        for (int i = 1; i <= height; i += kTwipsPerPixel) {
            painter.setPen(blend(i, height + top));
            const int y = TwipsToPixels(top + i);
            painter.drawLine(TwipsToPixels(left), y, TwipsToPixels(left + width) - 1, y);
        }
    } else {
        for (int i = 1; i <= width; i += kTwipsPerPixel) {
            painter.setPen(blend(i, width + left));
            const int x = TwipsToPixels(left + i);
            painter.drawLine(x, TwipsToPixels(top), x, TwipsToPixels(top + height) - 1);
        }
    }
    painter.restore();
}

void Caption::PrintText(QPainter& painter, const QString& text, int x, int y,
                        const QColor& colour) const {
    painter.setPen(colour);
    const QFontMetrics metrics(font());
    painter.drawText(QPointF(TwipsToPixels(x), TwipsToPixels(y) + metrics.ascent()), text);
}

void Caption::DrawCaptionText(QPainter& painter, const QString& text, int x, int y) const {
    DrawBorders(painter);
    painter.setFont(font());
    const int width = WidthTwips();
    const int height = HeightTwips();
    const int picture_width = PictureWidth();
    if (!picture_.isNull()) {
        const int picture_top = margin_top_ + height / 2 - PictureHeight() / 2;
        painter.drawPixmap(TwipsToPixels(margin_left_), TwipsToPixels(picture_top), picture_);
        x += picture_width;
    }
    if (!vertical_) {
        const int shadow = shadowed_ ? kShadowOffset : 0;
        const int text_width = SurfaceTextWidth(text);
        const int text_height = SurfaceTextHeight(text);
        if (alignment_ >= 0 && alignment_ <= 2) {
            if (alignment_ == 1) {
                // Centred in the room the picture leaves.
                x = picture_width + static_cast<int>(std::floor(
                                        (width - picture_width - shadow) / 2.0 - text_width / 2.0));
            } else if (alignment_ == 2) {
                x = std::max(picture_width, width - text_width - 2 * margin_left_ - shadow);
            }
            y = static_cast<int>(std::floor(height / 2.0 - text_height / 2.0));
            if (alignment_ == 2 && shadowed_) {
                y -= 30;
            }
        }
    }

    QColor outline = TranslateColour(out_color_, palette());
    if (!isEnabled()) {
        outline = TranslateColour(kShadowGrey, palette());
    } else if (shadowed_) {
        PrintText(painter, text, x + kShadowOffset, y + kShadowOffset,
                  TranslateColour(kShadowGrey, palette()));
    }
    if (outlined_) {
        if (!vertical_) {
            x += 15;
            y += 15;
        }
        static constexpr int kNeighbours[8][2] = {{-15, -15}, {-15, 0}, {0, -15}, {-15, 15},
                                                  {15, -15},  {15, 0},  {0, 15},  {15, 15}};
        for (const auto& offset : kNeighbours) {
            PrintText(painter, text, x + offset[0], y + offset[1], outline);
        }
    }
    ColourValue letters = caption_transparent_ ? back_color_ : in_color_;
    if (!isEnabled()) {
        letters = kDisabledLetters;
    }
    PrintText(painter, text, x, y, TranslateColour(letters, palette()));
    DrawBorders(painter);
}

void Caption::DrawLine(QPainter& painter, int x1, int y1, int x2, int y2,
                       ColourValue colour) const {
    painter.setPen(QPen(TranslateColour(colour, palette()), 1));
    painter.drawLine(TwipsToPixels(x1), TwipsToPixels(y1), TwipsToPixels(x2), TwipsToPixels(y2));
}

void Caption::DrawBorders(QPainter& painter) const {
    if (!IsBorderStyle(borders_)) {
        return;
    }
    const BorderStyle& style = kBorderStyles[borders_];
    // The last pixel column and row, in twips.
    const int right = WidthTwips() - kTwipsPerPixel;
    const int bottom = HeightTwips() - kTwipsPerPixel;
    for (int k = 0; k < style.lines; ++k) {
        const int in = k * kTwipsPerPixel;
        DrawLine(painter, in, in, right - in, in, style.top_left[k]);
        DrawLine(painter, in, in, in, bottom - in, style.top_left[k]);
    }
    for (int k = 0; k < style.lines; ++k) {
        const int in = k * kTwipsPerPixel;
        DrawLine(painter, in, bottom - in, right - in, bottom - in, style.bottom_right[k]);
        DrawLine(painter, right - in, in, right - in, bottom - in, style.bottom_right[k]);
    }
}

// ---- events --------------------------------------------------------------------

void Caption::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    if (!busy_) {
        update();
    }
}

void Caption::changeEvent(QEvent* event) {
    QWidget::changeEvent(event);
    if (event->type() == QEvent::EnabledChange || event->type() == QEvent::PaletteChange ||
        event->type() == QEvent::FontChange) {
        update();
    }
}

void Caption::EmitMouse(QMouseEvent* event, void (Caption::*signal)(int, int, int, int)) {
    const int buttons = ButtonValue(event->type() == QEvent::MouseButtonRelease ||
                                            event->type() == QEvent::MouseButtonPress
                                        ? Qt::MouseButtons(event->button())
                                        : event->buttons());
    (this->*signal)(buttons, ShiftValue(event->modifiers()),
                    PixelsToTwips(static_cast<int>(event->position().x())),
                    PixelsToTwips(static_cast<int>(event->position().y())));
}

void Caption::mousePressEvent(QMouseEvent* event) {
    pressed_ = true;
    EmitMouse(event, &Caption::MouseDown);
}

void Caption::mouseMoveEvent(QMouseEvent* event) {
    EmitMouse(event, &Caption::MouseMove);
}

void Caption::mouseReleaseEvent(QMouseEvent* event) {
    EmitMouse(event, &Caption::MouseUp);
    if (pressed_ && rect().contains(event->position().toPoint())) {
        emit Click();
    }
    pressed_ = false;
}

void Caption::mouseDoubleClickEvent(QMouseEvent* event) {
    EmitMouse(event, &Caption::MouseDown);
    emit DblClick();
}

}  // namespace kalvex
