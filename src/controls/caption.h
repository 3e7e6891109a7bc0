#pragma once

#include <QFont>
#include <QImage>
#include <QPixmap>
#include <QString>
#include <QWidget>

#include "controls/property_bag.h"
#include "controls/system_colour.h"

class QPainter;

namespace kalvex {

// A self-drawn one-line label: optional two-colour gradient, a 3-D border in
// one of seven styles, drop shadow, outlined letters, a picture left of the
// text, characters stacked in a column, and a transparent background. Hosts
// use it as a clickable heading, so it raises the usual mouse events with
// positions in twips.
class Caption : public QWidget {
    Q_OBJECT
    Q_PROPERTY(QString Caption READ GetCaption WRITE SetCaption)
    Q_PROPERTY(int Borders READ GetBorders WRITE SetBorders)
    Q_PROPERTY(bool Transparent READ GetTransparent WRITE SetTransparent)
    Q_PROPERTY(bool AutoSize READ GetAutoSize WRITE SetAutoSize)
    Q_PROPERTY(bool CaptionOutlined READ GetCaptionOutlined WRITE SetCaptionOutlined)
    Q_PROPERTY(bool DisplayVertikal READ GetDisplayVertikal WRITE SetDisplayVertikal)
    Q_PROPERTY(int DisplayType READ GetDisplayType WRITE SetDisplayType)
    Q_PROPERTY(int CaptionGradientTyp READ GetCaptionGradientTyp WRITE SetCaptionGradientTyp)
    Q_PROPERTY(int CaptionAligmend READ GetCaptionAligmend WRITE SetCaptionAligmend)
    Q_PROPERTY(bool CaptionShadowed READ GetCaptionShadowed WRITE SetCaptionShadowed)
    Q_PROPERTY(QString Con_LinkKey READ GetCon_LinkKey WRITE SetCon_LinkKey)

public:
    // Created as a newly placed control: its name as the caption, white
    // outlined and shadowed letters on a transparent background.
    explicit Caption(const QString& name = "Caption1", QWidget* parent = nullptr);

    QString GetCaption() const { return caption_; }
    void SetCaption(const QString& text);
    int GetBorders() const { return borders_; }
    void SetBorders(int style);
    bool GetTransparent() const { return transparent_; }
    void SetTransparent(bool on);
    bool GetAutoSize() const { return auto_size_; }
    void SetAutoSize(bool on);
    QFont GetFont() const { return font(); }
    void SetFont(const QFont& font);
    ColourValue GetBackColor() const { return back_color_; }
    void SetBackColor(ColourValue colour);
    ColourValue GetCaptionINColor() const { return in_color_; }
    void SetCaptionINColor(ColourValue colour);
    ColourValue GetCaptionOUTColor() const { return out_color_; }
    void SetCaptionOUTColor(ColourValue colour);
    bool GetCaptionTransparent() const { return caption_transparent_; }
    void SetCaptionTransparent(bool on);
    bool GetCaptionOutlined() const { return outlined_; }
    void SetCaptionOutlined(bool on);
    bool GetDisplayVertikal() const { return vertical_; }
    void SetDisplayVertikal(bool on);
    int GetDisplayType() const { return display_type_; }
    void SetDisplayType(int type);
    QPixmap GetMouseIcon() const { return mouse_icon_; }
    void SetMouseIcon(const QPixmap& icon);
    int GetMousePointer() const { return mouse_pointer_; }
    void SetMousePointer(int pointer);
    ColourValue GetCaptionGradientStart() const { return gradient_start_; }
    void SetCaptionGradientStart(ColourValue colour);
    ColourValue GetCaptionGradientEnds() const { return gradient_ends_; }
    void SetCaptionGradientEnds(ColourValue colour);
    bool GetCaptionGradientchangeColor() const { return gradient_swapped_; }
    void SetCaptionGradientchangeColor(bool on);
    int GetCaptionGradientTyp() const { return gradient_type_; }
    void SetCaptionGradientTyp(int type);
    bool GetEnabled() const { return isEnabled(); }
    void SetEnabled(bool enabled);
    int GetCaptionAligmend() const { return alignment_; }
    void SetCaptionAligmend(int alignment);
    bool GetCaptionShadowed() const { return shadowed_; }
    void SetCaptionShadowed(bool on);
    QPixmap GetCaptionPicture() const { return picture_; }
    void SetCaptionPicture(const QPixmap& picture);
    WId GetHwnd() { return winId(); }
    QString GetCon_LinkKey() const { return link_key_; }
    void SetCon_LinkKey(const QString& key) { link_key_ = key; }

    // Surface text extents in twips, 30 more when the letters are outlined.
    int TextHeight(const QString& text) const;
    int TextWidth(const QString& text) const;
    void Refresh();

    // Margins the border style sets, in twips.
    int LeftMargin() const { return margin_left_; }
    int TopMargin() const { return margin_top_; }

    // What the control shows, before the host's background is put behind it:
    // pixels left in BackColor are transparent when Transparent is on.
    QImage RenderSurface() const;

    void ReadProperties(const PropertyBag& bag);
    void WriteProperties(PropertyBag& bag) const;

signals:
    // Positions in twips from the control's top-left corner.
    void MouseDown(int button, int shift, int x, int y);
    void MouseMove(int button, int shift, int x, int y);
    void MouseUp(int button, int shift, int x, int y);
    void Click();
    void DblClick();
    void PropertyChanged(const QString& name);

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void changeEvent(QEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;

private:
    void Changed(const char* name);
    void DrawCaption(QPainter& painter) const;
    void DrawGradient(QPainter& painter) const;
    void DrawCaptionText(QPainter& painter, const QString& text, int x, int y) const;
    void DrawBorders(QPainter& painter) const;
    void SetBorderMargins();
    void MeasureVertical();
    void LayoutCaption();
    void ApplyPointer();
    void PrintText(QPainter& painter, const QString& text, int x, int y,
                   const QColor& colour) const;
    void DrawLine(QPainter& painter, int x1, int y1, int x2, int y2, ColourValue colour) const;
    int SurfaceTextWidth(const QString& text) const;
    int SurfaceTextHeight(const QString& text) const;
    int PictureWidth() const;
    int PictureHeight() const;
    int OutlineReserve() const { return outlined_ ? 30 : 0; }
    int WidthTwips() const;
    int HeightTwips() const;
    void EmitMouse(QMouseEvent* event, void (Caption::*signal)(int, int, int, int));

    QString caption_;
    int borders_ = 0;
    bool transparent_ = true;
    bool auto_size_ = false;
    ColourValue back_color_ = kButtonFace;
    ColourValue in_color_ = 0xFFFFFF;
    ColourValue out_color_ = 0;
    bool caption_transparent_ = false;
    bool outlined_ = true;
    bool vertical_ = false;
    int display_type_ = 0;
    QPixmap mouse_icon_;
    int mouse_pointer_ = 0;
    ColourValue gradient_start_ = 0xFFFFFF;
    ColourValue gradient_ends_ = 0x404040;
    bool gradient_swapped_ = false;
    int gradient_type_ = 0;
    int alignment_ = 0;
    bool shadowed_ = true;
    QPixmap picture_;
    QString link_key_;

    int margin_left_ = 0;
    int margin_top_ = 0;
    int margin_right_ = 0;
    int margin_bottom_ = 0;
    int stacked_height_ = 0;
    int widest_character_ = 0;
    bool busy_ = false;  // set while AutoSize resizes the control
    bool pressed_ = false;
};

}  // namespace kalvex
