#include "QuorvaneApp.h"

#include <utility>

#include <malloc.h>

#include <QApplication>
#include <QIcon>

#include "AppVersion.h"
#include "ColorScheme.h"
#include "FolderChooserDialog.h"
#include "MainWindow.h"
#include "PhotoMetadataService.h"
#include "QuorvaneViewModel.h"

// Resources of a static library are registered by hand, from outside any namespace.
static void registerResources()
{
    Q_INIT_RESOURCE(quorvane);
}

namespace {

FolderChooser chooserOrDialog(FolderChooser chooser)
{
    return chooser ? std::move(chooser) : FolderChooser(&FolderChooserDialog::run);
}

} // namespace

void QuorvaneApp::configureApplication(QApplication &application)
{
    // The lists of a large folder (a million records) are single blocks of many megabytes. Left to itself the
    // allocator raises its threshold for mapping blocks of their own each time such a block is freed, and then
    // places the next ones amid small allocations, where their pages cannot go back to the system once freed.
    mallopt(M_MMAP_THRESHOLD, 1024 * 1024);
    QApplication::setApplicationName(QStringLiteral("Quorvane"));
    QApplication::setOrganizationName(QStringLiteral("Quorvane"));
    QApplication::setApplicationDisplayName(QStringLiteral("Quorvane"));
    QGuiApplication::setDesktopFileName(QStringLiteral("io.github.quorvane.Quorvane"));
    QApplication::setApplicationVersion(AppVersion::shortVersion());
    // Without a desktop session Qt may not know where themes live (the offscreen platform does not).
    QStringList searchPaths = QIcon::themeSearchPaths();
    if (!searchPaths.contains(QStringLiteral("/usr/share/icons")))
        QIcon::setThemeSearchPaths(searchPaths << QStringLiteral("/usr/share/icons"));
    QIcon::setThemeName(QStringLiteral("Adwaita"));

    registerResources();
    // The scalable drawing where an SVG reader is installed, and a raster copy of every size the icon theme has,
    // so that the icon is drawn from pixels of its own size at any scale factor.
    QIcon icon;
    icon.addFile(QStringLiteral(":/quorvane/quorvane.svg"));
    for (const int size : { 16, 22, 24, 32, 48, 64, 128, 256, 512 })
        icon.addFile(QStringLiteral(":/quorvane/icons/%1.png").arg(size), QSize(size, size));
    if (icon.availableSizes().isEmpty())
        icon = QIcon::fromTheme(QStringLiteral("io.github.quorvane.Quorvane"));
    QApplication::setWindowIcon(icon);
    QGuiApplication::setQuitOnLastWindowClosed(true);
    ColorScheme::apply(application, ColorScheme::desktopPreference());
}

QuorvaneApp::QuorvaneApp(Options options)
    : m_fileAccess(&m_settings, chooserOrDialog(std::move(options.folderChooser)))
    , m_renameService(m_renameFileAccess, PhotoMetadataService::shared())
    , m_viewModel(std::make_unique<QuorvaneViewModel>(m_fileAccess, m_filterService, m_renameService))
    , m_updateChecker(std::make_unique<UpdateChecker>(m_prompter, m_settings, options.updateOptions))
    , m_window(std::make_unique<MainWindow>(*m_viewModel, m_prompter, m_settings, options.updateOptions))
{
    m_prompter.setWindow(m_window.get());
    QObject::connect(
        m_window.get(), &MainWindow::firstShown, m_updateChecker.get(), &UpdateChecker::scheduleAutomaticCheck);
}

QuorvaneApp::QuorvaneApp()
    : QuorvaneApp(Options {})
{
}

QuorvaneApp::~QuorvaneApp() = default;

void QuorvaneApp::show()
{
    m_window->show();
    m_window->activateWindow();
}
