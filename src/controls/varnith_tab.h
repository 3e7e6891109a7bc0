#pragma once

#include <QString>
#include <QWidget>
#include <vector>

#include "controls/property_bag.h"
#include "controls/system_colour.h"

class QPainter;

namespace kalvex {

// One box of the tab strip's drawing; positions in twips, corner in pixels.
struct TabBox {
    int left = 0;
    int top = 0;
    int width = 0;
    int height = 0;
    ColourValue pen = 0;
    ColourValue fill = 0;
    bool rounded = false;
    bool PenFlag = false;  // pen width 1 instead of 0
    int corner = 0;
};

// A self-drawn row of tabs with rounded top corners, optionally standing on a
// page frame into which the selected tab opens. It only draws and reports the
// selection; the host shows the page that belongs to the selected tab.
class VarnithTab : public QWidget {
    Q_OBJECT
    Q_PROPERTY(QString TabStrip READ GetTabStrip WRITE SetTabStrip)
    Q_PROPERTY(qint16 Selected READ GetSelected WRITE SetSelected)
    Q_PROPERTY(bool DrawFrame READ GetDrawFrame WRITE SetDrawFrame)
    Q_PROPERTY(bool Bridge READ GetBridge WRITE SetBridge)
    Q_PROPERTY(int FrameHeight READ GetFrameHeight WRITE SetFrameHeight)
    Q_PROPERTY(qint16 TabCount READ GetTabCount)

public:
    // Created as a newly placed control: default captions, nothing selected.
    explicit VarnithTab(QWidget* parent = nullptr);

    QString GetTabStrip() const { return tab_strip_; }
    void SetTabStrip(const QString& captions);
    qint16 GetSelected() const { return selected_; }
    void SetSelected(qint16 index);
    ColourValue GetBorder() const { return border_; }
    void SetBorder(ColourValue colour);
    ColourValue GetBorderSelected() const { return border_selected_; }
    void SetBorderSelected(ColourValue colour);
    ColourValue GetTabColour() const { return tab_colour_; }
    void SetTabColour(ColourValue colour);
    ColourValue GetTabColourSelected() const { return tab_colour_selected_; }
    void SetTabColourSelected(ColourValue colour);
    ColourValue GetTextColour() const { return text_colour_; }
    void SetTextColour(ColourValue colour);
    ColourValue GetTextColourSelected() const { return text_colour_selected_; }
    void SetTextColourSelected(ColourValue colour);
    ColourValue GetDisabledColour() const { return disabled_colour_; }
    void SetDisabledColour(ColourValue colour);
    bool GetEnabled() const { return isEnabled(); }
    void SetEnabled(bool enabled);
    ColourValue GetBackColour() const { return back_colour_; }
    void SetBackColour(ColourValue colour);
    bool GetDrawFrame() const { return draw_frame_; }
    void SetDrawFrame(bool on);
    bool GetBridge() const { return bridge_; }
    void SetBridge(bool on);
    int GetFrameHeight() const { return HeightTwips() - row_height_; }
    void SetFrameHeight(int twips);
    qint16 GetTabCount() const { return static_cast<qint16>(captions_.size()); }

    // Rebuilds the tabs from TabStrip; every tab becomes enabled again.
    void CreateTabs();
    // Selects an enabled tab as a click would; a disabled one is left alone.
    void SelectTabManually(qint16 index);
    // The selection stays, even on a tab that becomes disabled.
    void ChangeTabEnable(qint16 index, bool enabled);
    bool IsTabEnabled(int index) const;

    // The colour a stored value paints in, with this widget's palette.
    QColor Translated(ColourValue colour) const;

    // Geometry for hosts and tests, all in twips.
    const TabBox& BodyBox(int index) const { return body_boxes_.at(index); }
    const TabBox& BaseBox(int index) const { return base_boxes_.at(index); }
    int CaptionRowHeight() const { return caption_row_height_; }  // T
    int RowHeight() const { return row_height_; }                 // R
    int WidthTwips() const;
    int HeightTwips() const;
    // The tab whose base spans x (twips), or -1.
    int HitTest(int x_twips) const;

    // The host form's saved property set.
    void ReadProperties(const PropertyBag& bag);
    void WriteProperties(PropertyBag& bag) const;

signals:
    void TabClicked();
    void PropertyChanged(const QString& name);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;

private:
    void Redraw();
    void ClickTab(int index);
    void MoveSelection(int step);
    void SetColour(ColourValue& member, ColourValue colour, const char* name);
    void SetHeightTwips(int twips);
    void LayoutFrame();
    int CaptionWidth(const QString& caption) const;
    int CaptionHeight() const;

    void ClearBackground(QPainter& painter) const;
    void DrawPageFrame(QPainter& painter) const;
    void DrawBridge(QPainter& painter) const;
    void DrawTabs(QPainter& painter) const;
    void DrawTabBox(QPainter& painter, const TabBox& box) const;
    void DrawBox(QPainter& painter, int x1, int y1, int x2, int y2, ColourValue fill,
                 ColourValue pen, int pen_width, bool no_fill, bool rounded, int corner) const;
    void DrawLine(QPainter& painter, int x1, int y1, int x2, int y2, int pen_width,
                  ColourValue colour) const;

    QString tab_strip_;
    qint16 selected_ = -1;
    ColourValue border_ = 0xFF8080;
    ColourValue border_selected_ = 0x0080FF;
    ColourValue tab_colour_ = 0xE0E0E0;
    ColourValue tab_colour_selected_ = 0xFFFFFF;
    ColourValue text_colour_ = 0;
    ColourValue text_colour_selected_ = 0;
    ColourValue disabled_colour_ = 0xC0C0C0;
    ColourValue back_colour_ = kButtonFace;
    bool draw_frame_ = false;
    bool bridge_ = false;

    std::vector<QString> captions_;
    std::vector<TabBox> body_boxes_;
    std::vector<TabBox> base_boxes_;
    std::vector<TabBox> seam_boxes_;
    std::vector<bool> disabled_;
    TabBox frame_background_box_;
    TabBox frame_box_;
    TabBox frame_corner_box_;
    TabBox frame_inner_box_;

    int caption_row_height_ = 0;  // T: caption height + 120, taken once
    int row_height_ = 0;          // R: last tab's height + 15
};

}  // namespace kalvex
