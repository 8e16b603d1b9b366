// The whole window over a big folder: how long loading, scrolling, replanning and applying hold the main thread,
// next to the bare listing of the same folder measured in the same run.
//   ./build/bench/window_100k [FILES]        (default 100000; runs offscreen unless QT_QPA_PLATFORM is set)
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>

#include <QAbstractItemView>
#include <QApplication>
#include <QElapsedTimer>
#include <QStandardPaths>
#include <QTableView>
#include <QTimer>

#include "BenchFolder.h"
#include "FileAccessService.h"
#include "MainWindow.h"
#include "QuorvaneApp.h"
#include "QuorvaneViewModel.h"

namespace {

double milliseconds(const QElapsedTimer &timer)
{
    return static_cast<double>(timer.nsecsElapsed()) / 1e6;
}

// Runs `work`, then lets the window repaint; returns the milliseconds the main thread was busy.
template <typename Work> double timeOnMainThread(Work work)
{
    QElapsedTimer timer;
    timer.start();
    work();
    QApplication::processEvents();
    return milliseconds(timer);
}

} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QStandardPaths::setTestModeEnabled(true);
    const int count = argc > 1 ? std::atoi(argv[1]) : 100000;
    QApplication application(argc, argv);
    QuorvaneApp::configureApplication(application);

    const BenchFolder &folder = BenchFolder::of(count);
    QElapsedTimer listing;
    listing.start();
    const auto listed = FileAccessService().listFiles(folder.path(), false);
    const double listingMs = milliseconds(listing);

    QuorvaneApp::Options options;
    options.folderChooser = [&](const FolderChooserRequest &) { return std::optional(folder.path()); };
    QuorvaneApp app(options);
    app.show();
    QApplication::processEvents();
    QuorvaneViewModel &viewModel = app.viewModel();

    const double loadMs = timeOnMainThread([&] { viewModel.loadFolder(folder.path()); });
    auto *table = app.mainWindow().findChild<QTableView *>(QStringLiteral("fileTable"));
    auto *preview = app.mainWindow().findChild<QAbstractItemView *>(QStringLiteral("previewList"));
    const double scrollMs = timeOnMainThread([&] {
        if (table)
            table->scrollToBottom();
        if (preview)
            preview->scrollToBottom();
    });
    const double replanMs = timeOnMainThread([&] {
        RenameParameters parameters = viewModel.renameParameters();
        parameters.prefixText = "x_";
        viewModel.setRenameParameters(parameters);
        viewModel.updateRenamePlans();
    });

    // While the batch runs, a 5 ms timer on the main thread measures the longest time it went without a turn.
    QElapsedTimer sinceTick;
    double longestGapMs = 0;
    QTimer ticker;
    ticker.setInterval(5);
    QObject::connect(&ticker, &QTimer::timeout, &ticker, [&] {
        longestGapMs = std::max(longestGapMs, milliseconds(sinceTick));
        sinceTick.restart();
    });
    QElapsedTimer applying;
    applying.start();
    sinceTick.start();
    ticker.start();
    viewModel.applyRename();
    while (viewModel.isProcessing() || applying.elapsed() < 10)
        QApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
    const double applyMs = milliseconds(applying);
    // The reload after the batch runs in the same turn that ends it: let the timer tick once more so that the
    // stall it caused is counted.
    QElapsedTimer settling;
    settling.start();
    while (settling.elapsed() < 50)
        QApplication::processEvents(QEventLoop::WaitForMoreEvents, 10);
    ticker.stop();

    std::printf("files: %d (listed %zu)\n", count, listed ? listed->files.size() : 0);
    std::printf("bare listing (FileAccessService::listFiles): %.0f ms\n", listingMs);
    std::printf("loadFolder in the window, repainted:          %.0f ms\n", loadMs);
    std::printf("scroll table and preview to the bottom:      %.0f ms\n", scrollMs);
    std::printf("one prefix change, replanned and repainted:  %.0f ms\n", replanMs);
    std::printf("apply (rename all, reload, repaint):         %.0f ms; longest main-thread stall %.0f ms\n", applyMs,
        longestGapMs);
    std::printf("status: %s\n", qPrintable(viewModel.statusMessage()));
    return 0;
}
