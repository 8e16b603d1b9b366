#include <QApplication>
#include <QMenuBar>
#include <QPushButton>
#include <QSettings>
#include <QStandardPaths>
#include <QTest>
#include <QTranslator>

#include "FileTableModel.h"
#include "MainWindow.h"
#include "QuorvaneApp.h"
#include "QuorvaneViewModel.h"
#include "Translations.h"

// Runs with LANG=de_DE.UTF-8 (set by the test's CTest entry), as a German desktop starts the program.
class TranslationTest final : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase()
    {
        QStandardPaths::setTestModeEnabled(true);
        QSettings(QStringLiteral("Quorvane"), QStringLiteral("Quorvane")).clear();
        QuorvaneApp::configureApplication(*qobject_cast<QApplication *>(QCoreApplication::instance()));
    }

    void theWindowSpeaksTheLocalesLanguage_data()
    {
        QTest::addColumn<QString>("locale"); // empty: the one the environment gives
        QTest::addColumn<QStringList>("menus");
        QTest::addColumn<QString>("mainButton");
        QTest::addColumn<QString>("status");
        QTest::addColumn<QString>("size");
        QTest::newRow("LANG=de_DE.UTF-8")
            << QString() << QStringList { QStringLiteral("&Datei"), QStringLiteral("&Hilfe") }
            << QStringLiteral("Änderungen zeigen") << QStringLiteral("Bereit") << QStringLiteral("1,5 kB");
        QTest::newRow("a language without a translation")
            << QStringLiteral("fr_FR") << QStringList { QStringLiteral("&File"), QStringLiteral("&Help") }
            << QStringLiteral("Preview Changes") << QStringLiteral("Ready") << QStringLiteral("1,5 kB");
        QTest::newRow("English") << QStringLiteral("en_US")
                                 << QStringList { QStringLiteral("&File"), QStringLiteral("&Help") }
                                 << QStringLiteral("Preview Changes") << QStringLiteral("Ready")
                                 << QStringLiteral("1.5 kB");
    }

    void theWindowSpeaksTheLocalesLanguage()
    {
        QFETCH(QString, locale);
        QFETCH(QStringList, menus);
        QFETCH(QString, mainButton);
        QFETCH(QString, status);
        QFETCH(QString, size);
        QCOMPARE(qEnvironmentVariable("LANG"), QStringLiteral("de_DE.UTF-8"));
        for (QTranslator *translator : QCoreApplication::instance()->findChildren<QTranslator *>()) {
            QCoreApplication::removeTranslator(translator);
            delete translator;
        }
        QLocale::setDefault(locale.isEmpty() ? QLocale::system() : QLocale(locale));
        Translations::install(*QCoreApplication::instance());

        QuorvaneApp::Options options;
        options.updateOptions.feedURL = QUrl(QStringLiteral("http://127.0.0.1:9/updates/quorvane.json"));
        QuorvaneApp app(options);
        MainWindow &window = app.mainWindow();
        QStringList titles;
        for (const QAction *menu : window.menuBar()->actions())
            titles << menu->text();
        QCOMPARE(titles, menus);
        QCOMPARE(window.findChild<QPushButton *>(QStringLiteral("applyButton"))->text(), mainButton);
        QCOMPARE(app.viewModel().statusMessage(), status);
        // Sizes (and dates) of the file list are written the locale's way.
        QCOMPARE(FileTableModel::formattedSize(1500), size);
    }
};

QTEST_MAIN(TranslationTest)
#include "TranslationTest.moc"
