// The tab strip and its four pages, and which page shows.
#include "app/tab_pages.h"

#include <QFrame>

#include "app/option_group.h"
#include "app/page_widgets.h"
#include "controls/property_bag.h"
#include "controls/varnith_tab.h"

namespace kalvex {

TabPages::TabPages(QWidget* window, const MainLayout& layout) {
    nTab = new VarnithTab(window);
    nTab->setObjectName("nTab");
    Place(nTab, layout.nTab);
    for (int i = 0; i < 4; ++i) {
        fraTab[i] = Make<QFrame>(window, "fraTab", layout.fraTab);
        fraTab[i]->setProperty(kOptionIndexProperty, i);
    }
    QObject::connect(nTab, &VarnithTab::TabClicked, nTab, [this] { OnTabClicked(); });
}

void TabPages::Prepare(const MainLayout& layout) {
    PropertyBag bag;
    bag.Write("TabStrip", "Options,Tag v1,Tag v2,FreeDB", QVariant());
    bag.Write("Border", kDarkShadow3D, QVariant());
    bag.Write("BorderSelected", ColourValue{0x00FF0000}, QVariant());
    bag.Write("TabColour", kButtonFace, QVariant());
    bag.Write("TabColourSelected", kButtonFace, QVariant());
    bag.Write("DrawFrame", true, QVariant());
    bag.Write("Bridge", true, QVariant());
    nTab->ReadProperties(bag);
    Place(nTab, layout.nTab);

    // Flat, borderless, in the strip's frame colour.
    const QColor background = nTab->Translated(nTab->GetTabColour());
    for (int i = 0; i < 4; ++i) {
        QFrame* page = fraTab[i];
        page->setFrameShape(QFrame::NoFrame);
        QPalette colours = page->palette();
        colours.setColor(QPalette::Window, background);
        page->setPalette(colours);
        page->setAutoFillBackground(true);
        Place(page, layout.fraTab);
        page->raise();
        page->setVisible(i == 0);
    }
}

void TabPages::OnTabClicked() {
    const int selected = nTab->GetSelected();
    for (int i = 0; i < static_cast<int>(fraTab.size()); ++i) {
        fraTab[i]->setVisible(i == selected);
    }
}

}  // namespace kalvex
