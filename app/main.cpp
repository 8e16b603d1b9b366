#include <iostream>

#include <QApplication>

#include "AppCommandLine.h"
#include "QuorvaneApp.h"
#include "Translations.h"

int main(int argc, char **argv)
{
    // --help, --version and the manual need no display: they are answered before Qt looks for one.
    if (const auto request = AppCommandLine::request(argc, argv)) {
        switch (*request) {
        case AppCommandLine::Request::help:
            std::cout << AppCommandLine::usageText();
            break;
        case AppCommandLine::Request::version:
            std::cout << "quorvane " << QUORVANE_SHORT_VERSION << " (" << QUORVANE_BUILD_NUMBER << ")\n";
            break;
        case AppCommandLine::Request::manual:
            std::cout << AppCommandLine::manualPage(QUORVANE_SHORT_VERSION, QUORVANE_RELEASE_DATE);
            break;
        }
        return 0;
    }
    QApplication application(argc, argv);
    Translations::install(application);
    QuorvaneApp::configureApplication(application);
    QuorvaneApp app;
    app.show();
    return QApplication::exec();
}
