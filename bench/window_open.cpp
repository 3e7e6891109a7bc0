// How long the main window takes to open: construct, show and paint it on
// the offscreen platform, against Qt's own file dialog (a stock window that
// also lists a folder tree) opened the same way in the same run.
//   bench/window_open [ROUNDS]
#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFileDialog>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>
#include <vector>

#include "app/frm_main.h"

namespace {

template <typename Open>
double MillisecondsToOpen(Open open) {
    QElapsedTimer timer;
    timer.start();
    auto window = open();
    window->show();
    QCoreApplication::processEvents();
    window->grab();  // the first complete paint
    const double elapsed = timer.nsecsElapsed() / 1e6;
    window->hide();
    return elapsed;
}

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QApplication application(argc, argv);
    QApplication::setStyle("Fusion");
    const int rounds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 20;
    QTemporaryDir program_folder;

    std::vector<double> main_window;
    std::vector<double> file_dialog;
    for (int round = 0; round < rounds; ++round) {
        main_window.push_back(MillisecondsToOpen([&] {
            kalvex::MainWindowServices services;
            services.messages = std::make_unique<kalvex::CollectingMessageService>();
            services.program_folder = program_folder.path().toStdString();
            return std::make_unique<kalvex::frmMain>(std::move(services));
        }));
        file_dialog.push_back(MillisecondsToOpen([] {
            auto dialog = std::make_unique<QFileDialog>(nullptr, "Open", QDir::currentPath());
            dialog->setOption(QFileDialog::DontUseNativeDialog);
            return dialog;
        }));
    }
    const double ours = Median(main_window);
    const double peer = Median(file_dialog);
    std::printf("rounds: %d\n", rounds);
    std::printf("main window opens in   %.1f ms (median)\n", ours);
    std::printf("Qt file dialog opens in %.1f ms (median)\n", peer);
    std::printf("ratio main window / file dialog: %.2f\n", ours / peer);
    return 0;
}
