#include <QApplication>

#include "QuorvaneApp.h"

int main(int argc, char **argv)
{
    QApplication application(argc, argv);
    QuorvaneApp::configureApplication(application);
    QuorvaneApp app;
    app.show();
    return QApplication::exec();
}
