#pragma once

#include <array>

#include "app/main_layout.h"

class QFrame;
class QWidget;

namespace kalvex {

class VarnithTab;

// The tab strip on the right and its four pages in the strip's frame:
// Options, Tag v1, Tag v2 and FreeDB. One page shows at a time; a click on a
// tab shows its page, even while the pages are disabled.
class TabPages {
public:
    TabPages(QWidget* window, const MainLayout& layout);

    // Gives the strip its tabs and colours and lays the pages flat in it,
    // "Options" showing. It raises the pages over the strip, so it comes
    // once the window's controls are all made.
    void Prepare(const MainLayout& layout);

    VarnithTab* nTab = nullptr;
    std::array<QFrame*, 4> fraTab{};

private:
    void OnTabClicked();
};

}  // namespace kalvex
