#pragma once

class QApplication;
class QString;

namespace kalvex {

// For tests that drive the real program from outside with X input events:
// the program keeps a JSON description of its visible windows in `path` (each
// named control's place on the screen, whether it is shown, enabled and
// ticked, the texts of labels, boxes and list rows, the tabs of the tab
// strip) and rewrites it after every change of a control and every click or
// key. A test finds controls there and waits for states instead of guessing
// coordinates or sleeping. "settled" says that everything changed has been
// painted since, so a screenshot shows it.
void KeepWidgetMap(QApplication& application, const QString& path);

}  // namespace kalvex
