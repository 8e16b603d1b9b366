// The whole window over a big folder: how long loading, replanning, applying and undoing take until their result
// is shown, and the longest time the main thread went without a turn meanwhile, next to the bare listing of the
// same folder measured in the same run; scrolling frames, the resident memory, and the command line's apply and
// undo of the same job (quorvane-cli --apply, then --undo) too.
//   ./build/bench/window_100k [FILES]        (default 100000; runs offscreen unless QT_QPA_PLATFORM is set)
#include <algorithm>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <utility>

#include <malloc.h>
#include <sys/resource.h>
#include <unistd.h>

#include <QAbstractItemView>
#include <QApplication>
#include <QElapsedTimer>
#include <QProcess>
#include <QScrollBar>
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

// The CPU time the calling thread has used.
double threadCpuMilliseconds()
{
    timespec now {};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) * 1e3 + static_cast<double>(now.tv_nsec) / 1e6;
}

// A 5 ms timer on the main thread: the longest time it went without a turn is the longest stall. Of that time, the
// main thread's own CPU time is the part its work took; the rest it spent waiting, mostly for a core on a busy machine.
class StallMeter {
public:
    StallMeter()
    {
        m_ticker.setInterval(5);
        QObject::connect(&m_ticker, &QTimer::timeout, &m_ticker, [this] {
            const double cpu = threadCpuMilliseconds();
            if (milliseconds(m_sinceTick) > m_longest) {
                m_longest = milliseconds(m_sinceTick);
                m_longestCpu = cpu - m_cpuAtTick;
            }
            m_cpuAtTick = cpu;
            m_sinceTick.restart();
        });
    }
    void restart()
    {
        m_longest = 0;
        m_longestCpu = 0;
        m_cpuAtTick = threadCpuMilliseconds();
        m_sinceTick.start();
        m_ticker.start();
    }
    double longest() const { return std::max(m_longest, milliseconds(m_sinceTick)); }
    double longestCpu() const
    {
        return milliseconds(m_sinceTick) > m_longest ? threadCpuMilliseconds() - m_cpuAtTick : m_longestCpu;
    }

private:
    QTimer m_ticker;
    QElapsedTimer m_sinceTick;
    double m_longest = 0;
    double m_longestCpu = 0;
    double m_cpuAtTick = 0;
};

struct Phase {
    double totalMs = 0;
    double stallMs = 0;
    double stallCpuMs = 0;
};

// Starts `work`, then turns the event loop until the view model has been idle (neither working nor processing) for
// 20 ms: the result is shown.
template <typename Work> Phase untilShown(QuorvaneViewModel &viewModel, StallMeter &meter, Work work)
{
    QElapsedTimer timer;
    timer.start();
    meter.restart();
    work();
    QElapsedTimer idle;
    idle.start();
    double idleSince = 0;
    for (;;) {
        // Waits for the next event (the meter ticks every 5 ms) instead of spinning, which would take a core from
        // the worker.
        QApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents);
        const bool busy = viewModel.isWorking() || viewModel.isProcessing();
        if (busy)
            idleSince = milliseconds(timer);
        else if (milliseconds(timer) - idleSince > 20)
            break;
    }
    return { idleSince, meter.longest(), meter.longestCpu() };
}

// Scrolls a view page by page to its end, repainting each page; returns the longest page.
double longestScrollFrame(QAbstractItemView *view)
{
    if (!view)
        return 0;
    QScrollBar *bar = view->verticalScrollBar();
    double longest = 0;
    for (int page = 0; page < 60 && bar->value() < bar->maximum(); ++page) {
        QElapsedTimer frame;
        frame.start();
        bar->setValue(bar->value() + std::max(1, (bar->maximum() - bar->minimum()) / 60));
        view->viewport()->repaint();
        longest = std::max(longest, milliseconds(frame));
    }
    return longest;
}

long peakResidentMegabytes()
{
    rusage usage {};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss / 1024;
}

long residentMegabytes()
{
    long pages = 0;
    long resident = 0;
    if (FILE *statm = std::fopen("/proc/self/statm", "r")) {
        if (std::fscanf(statm, "%ld %ld", &pages, &resident) != 2)
            resident = 0;
        std::fclose(statm);
    }
    return resident * sysconf(_SC_PAGESIZE) / (1024 * 1024);
}

// The whole command-line process on `folder` with `arguments`; its output is dropped.
double commandLineMs(const QStringList &arguments)
{
    QProcess process;
    process.setStandardOutputFile(QProcess::nullDevice());
    QElapsedTimer timer;
    timer.start();
    process.start(QStringLiteral(QUORVANE_CLI_PATH), arguments);
    if (!process.waitForFinished(-1) || process.exitCode() != 0)
        std::fprintf(stderr, "quorvane-cli %s failed: %s\n", qPrintable(arguments.join(u' ')),
            process.readAllStandardError().constData());
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
    std::size_t listedCount = 0;
    double listingMs = 0;
    {
        // Dropped (and its pages given back) before the window starts: a million records of the benchmark's own
        // would count against the window's memory.
        const auto listed = FileAccessService().listFiles(folder.path(), false);
        listingMs = milliseconds(listing);
        listedCount = listed ? listed->files.size() : 0;
    }
    malloc_trim(0);

    QuorvaneApp::Options options;
    options.folderChooser = [&](const FolderChooserRequest &) { return std::optional(folder.path()); };
    QuorvaneApp app(options);
    app.show();
    QApplication::processEvents();
    QuorvaneViewModel &viewModel = app.viewModel();
    StallMeter meter;

    const Phase load = untilShown(viewModel, meter, [&] { viewModel.loadFolder(folder.path()); });
    const long loadedMegabytes = residentMegabytes();
    auto *table = app.mainWindow().findChild<QTableView *>(QStringLiteral("fileTable"));
    auto *preview = app.mainWindow().findChild<QAbstractItemView *>(QStringLiteral("previewList"));
    const double tableFrameMs = longestScrollFrame(table);
    const double previewFrameMs = longestScrollFrame(preview);
    const Phase replan = untilShown(viewModel, meter, [&] {
        RenameParameters parameters = viewModel.renameParameters();
        parameters.prefixText = "x_";
        viewModel.setRenameParameters(parameters);
        viewModel.updateRenamePlans();
    });
    const Phase apply = untilShown(viewModel, meter, [&] { viewModel.applyRename(); });
    const QString appliedStatus = viewModel.statusMessage();
    const Phase undo = untilShown(viewModel, meter, [&] { viewModel.undoLastRename(); });
    const long shownMegabytes = residentMegabytes();
    // The lists replaced by the reload are freed on a worker after the result is shown; wait until the resident size
    // stops falling (or 20 s pass) to see what the window keeps.
    long settledMegabytes = shownMegabytes;
    QElapsedTimer settling;
    settling.start();
    for (long previous = LONG_MAX; settledMegabytes < previous - 1 && settling.elapsed() < 20000;) {
        previous = settledMegabytes;
        QElapsedTimer pause;
        pause.start();
        while (pause.elapsed() < 1000)
            QApplication::processEvents(QEventLoop::AllEvents, 50);
        settledMegabytes = residentMegabytes();
    }
    const QString path = QString::fromStdString(folder.path().string());
    const double cliApplyMs = commandLineMs(
        { QStringLiteral("--params"), QStringLiteral(R"({"prefixText":"x_"})"), QStringLiteral("--apply"), path });
    const double cliUndoMs = commandLineMs({ QStringLiteral("--undo"), path });

    std::printf("files: %d (listed %zu)\n", count, listedCount);
    std::printf("bare listing (FileAccessService::listFiles): %.0f ms\n", listingMs);
    std::printf("%-44s %9s %18s %14s\n", "until shown", "total ms", "longest stall ms", "its CPU ms");
    for (const auto &[name, phase] :
        { std::pair { "choose folder -> whole preview", load }, std::pair { "one prefix change -> preview", replan },
            std::pair { "apply (rename all, reload)", apply }, std::pair { "undo (rename all back, reload)", undo } })
        std::printf("%-44s %9.0f %18.0f %14.0f\n", name, phase.totalMs, phase.stallMs, phase.stallCpuMs);
    std::printf("longest scroll frame: table %.1f ms, preview %.1f ms\n", tableFrameMs, previewFrameMs);
    std::printf(
        "preview / bare listing: %.2fx; undo / apply: %.2fx\n", load.totalMs / listingMs, undo.totalMs / apply.totalMs);
    std::printf("command line (whole process): apply %.0f ms, undo %.0f ms; window apply / command line apply: %.2fx\n",
        cliApplyMs, cliUndoMs, apply.totalMs / cliApplyMs);
    std::printf(
        "resident memory: %ld MB after loading, %ld MB after undo (%ld MB once its frees settle); peak %ld MB\n",
        loadedMegabytes, shownMegabytes, settledMegabytes, peakResidentMegabytes());
    std::printf("after apply: %s\nafter undo: %s\n", qPrintable(appliedStatus), qPrintable(viewModel.statusMessage()));
    return 0;
}
