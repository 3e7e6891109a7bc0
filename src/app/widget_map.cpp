// A JSON map of the visible controls, for tests that click through the real window.
#include "app/widget_map.h"

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QApplication>
#include <QComboBox>
#include <QEvent>
#include <QItemSelectionModel>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLabel>
#include <QLineEdit>
#include <QSaveFile>
#include <QTimer>
#include <QWidget>
#include <algorithm>
#include <cstdio>
#include <utility>

#include "controls/twips.h"
#include "controls/varnith_tab.h"

namespace kalvex {
namespace {

constexpr int kMostRows = 50;

QJsonArray ScreenRect(const QWidget& widget, const QRect& local) {
    const QPoint at = widget.mapToGlobal(local.topLeft());
    return {at.x(), at.y(), local.width(), local.height()};
}

QJsonArray ListRows(const QAbstractItemView& view) {
    QJsonArray rows;
    const QAbstractItemModel* model = view.model();
    if (model == nullptr) {
        return rows;
    }
    const QModelIndex root = view.rootIndex();
    for (int row = 0; row < std::min(model->rowCount(root), kMostRows); ++row) {
        const QModelIndex index = model->index(row, 0, root);
        const bool selected =
            view.selectionModel() != nullptr && view.selectionModel()->isSelected(index);
        rows.append(QJsonObject{{"text", index.data().toString()},
                                {"rect", ScreenRect(*view.viewport(), view.visualRect(index))},
                                {"selected", selected}});
    }
    return rows;
}

QJsonArray Tabs(const VarnithTab& strip) {
    QJsonArray tabs;
    const QStringList captions = strip.GetTabStrip().split(',');
    for (int i = 0; i < strip.GetTabCount(); ++i) {
        const TabBox& base = strip.BaseBox(i);
        const QRect local(TwipsToPixels(base.left), 0, TwipsToPixels(base.width),
                          TwipsToPixels(strip.RowHeight()));
        tabs.append(QJsonObject{{"text", captions.value(i)}, {"rect", ScreenRect(strip, local)}});
    }
    return tabs;
}

QJsonObject Describe(const QWidget& widget) {
    QJsonObject entry{{"rect", ScreenRect(widget, widget.rect())},
                      {"visible", widget.isVisible()},
                      {"enabled", widget.isEnabled()}};
    if (const auto* button = qobject_cast<const QAbstractButton*>(&widget)) {
        entry["text"] = button->text();
        if (button->isCheckable()) {
            entry["checked"] = button->isChecked();
        }
    } else if (const auto* edit = qobject_cast<const QLineEdit*>(&widget)) {
        entry["text"] = edit->text();
    } else if (const auto* label = qobject_cast<const QLabel*>(&widget)) {
        entry["text"] = label->text();
    } else if (const auto* combo = qobject_cast<const QComboBox*>(&widget)) {
        entry["text"] = combo->currentText();
    } else if (const auto* view = qobject_cast<const QAbstractItemView*>(&widget)) {
        entry["rows"] = ListRows(*view);
    } else if (const auto* strip = qobject_cast<const VarnithTab*>(&widget)) {
        entry["tabs"] = Tabs(*strip);
        entry["selected"] = strip->GetSelected();
    }
    return entry;
}

QJsonObject DescribeWindow(QWidget& window) {
    QJsonObject widgets;
    for (QWidget* child : window.findChildren<QWidget*>()) {
        // Unnamed item views still count: a drop-down list's rows live in one.
        QString name = child->objectName();
        if (name.isEmpty() && qobject_cast<QAbstractItemView*>(child) != nullptr) {
            name = child->metaObject()->className();
        }
        if (!name.isEmpty() && !name.startsWith("qt_")) {
            widgets[name] = Describe(*child);
        }
    }
    return {{"class", window.metaObject()->className()},
            {"name", window.objectName()},
            {"title", window.windowTitle()},
            {"id", QString::number(window.winId())},
            {"rect", ScreenRect(window, window.rect())},
            {"active", window.isActiveWindow()},
            {"widgets", widgets}};
}

class WidgetMap : public QObject {
public:
    WidgetMap(QApplication& application, QString path)
        : QObject(&application), path_(std::move(path)) {
        write_.setSingleShot(true);
        write_.setInterval(0);
        connect(&write_, &QTimer::timeout, this, &WidgetMap::Write);
        application.installEventFilter(this);
    }

protected:
    bool eventFilter(QObject* object, QEvent* event) override {
        auto* widget = qobject_cast<QWidget*>(object);
        if (widget == nullptr) {
            return false;
        }
        switch (event->type()) {
            case QEvent::Paint:
                painted_ = changes_;
                break;
            case QEvent::Show:
            case QEvent::Resize:
                ++changes_;
                break;
            case QEvent::Move:
            case QEvent::EnabledChange:
            case QEvent::Hide:
                // Only what leaves a visible window to repaint; a moved or
                // hidden window itself paints nothing.
                if (!widget->isWindow() && widget->window()->isVisible()) {
                    ++changes_;
                }
                break;
            case QEvent::MouseButtonRelease:
            case QEvent::KeyRelease:
            case QEvent::WindowTitleChange:
            case QEvent::WindowActivate:
                break;
            default:
                return false;
        }
        write_.start();
        return false;
    }

private:
    void Write() {
        QJsonArray windows;
        for (QWidget* window : QApplication::topLevelWidgets()) {
            if (window->isVisible()) {
                windows.append(DescribeWindow(*window));
            }
        }
        const QJsonObject map{
            {"serial", ++serial_}, {"settled", painted_ == changes_}, {"windows", windows}};
        QSaveFile file(path_);
        if (!file.open(QIODevice::WriteOnly) ||
            file.write(QJsonDocument(map).toJson(QJsonDocument::Compact)) < 0 || !file.commit()) {
            std::fprintf(stderr, "kalvex-tagger: could not write %s: %s\n", qPrintable(path_),
                         qPrintable(file.errorString()));
        }
    }

    QString path_;
    QTimer write_;
    long long changes_ = 0;
    long long painted_ = 0;
    long long serial_ = 0;
};

}  // namespace

void KeepWidgetMap(QApplication& application, const QString& path) {
    new WidgetMap(application, path);
}

}  // namespace kalvex
