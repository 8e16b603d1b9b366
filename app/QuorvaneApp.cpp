#include "QuorvaneApp.h"

#include <utility>

#include <QApplication>
#include <QIcon>

#include "AppVersion.h"
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
    QApplication::setApplicationName(QStringLiteral("Quorvane"));
    QApplication::setOrganizationName(QStringLiteral("Quorvane"));
    QApplication::setApplicationDisplayName(QStringLiteral("Quorvane"));
    QGuiApplication::setDesktopFileName(QStringLiteral("quorvane"));
    QApplication::setApplicationVersion(AppVersion::shortVersion());
    // Without a desktop session Qt may not know where themes live (the offscreen platform does not).
    QStringList searchPaths = QIcon::themeSearchPaths();
    if (!searchPaths.contains(QStringLiteral("/usr/share/icons")))
        QIcon::setThemeSearchPaths(searchPaths << QStringLiteral("/usr/share/icons"));
    QIcon::setThemeName(QStringLiteral("Adwaita"));

    registerResources();
    // The scalable drawing where an SVG reader is installed, the raster copy everywhere.
    QIcon icon;
    icon.addFile(QStringLiteral(":/quorvane/quorvane.svg"));
    icon.addFile(QStringLiteral(":/quorvane/quorvane-256.png"));
    if (icon.availableSizes().isEmpty())
        icon = QIcon::fromTheme(QStringLiteral("quorvane"));
    QApplication::setWindowIcon(icon);
    QGuiApplication::setQuitOnLastWindowClosed(true);
    (void)application;
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
