// kalvex-tagger: the desktop program's entry point.
#include <QApplication>
#include <QTimer>

#include "app/frm_main.h"
#include "app/widget_map.h"
#include "cdrom/scsi_interface.h"

namespace {

// For checking that an installed program comes up (tools/package_test.sh):
// with KALVEX_SCREENSHOT set, the window saves a picture of itself there once
// it is drawn and the program ends without closing it (so no settings are
// written).
void ScheduleScreenshot(QWidget& window) {
    const QString path = qEnvironmentVariable("KALVEX_SCREENSHOT");
    if (path.isEmpty()) {
        return;
    }
    QTimer::singleShot(1500, &window, [&window, path] {
        const bool saved = window.grab().save(path, "PNG");
        QCoreApplication::exit(saved ? 0 : 1);
    });
}

}  // namespace

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    QApplication::setStyle("Fusion");
    if (const QString map = qEnvironmentVariable("KALVEX_WIDGET_MAP"); !map.isEmpty()) {
        kalvex::KeepWidgetMap(application, map);
    }
    kalvex::MainWindowServices services;
    services.select_drives = [](kalvex::DriveBox& box, kalvex::MessageService& messages) {
        return kalvex::SelectScsiInterface(box, messages);
    };
    kalvex::frmMain window(std::move(services));
    window.show();
    ScheduleScreenshot(window);
    return QApplication::exec();
}
