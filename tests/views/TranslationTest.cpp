#include <QApplication>
#include <QMenuBar>
#include <QPushButton>
#include <QSettings>
#include <QStandardPaths>
#include <QTest>
#include <QTranslator>

#include <tuple>

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

    void theWindowSpeaksTheLocalesLanguage()
    {
        // The locale (empty: the one the environment gives), then the menus, the main button, the status and a size.
        const QStringList english { QStringLiteral("&File"), QStringLiteral("&Help") };
        const QList<std::tuple<QString, QStringList, QString, QString, QString>> table {
            { QString(), { QStringLiteral("&Datei"), QStringLiteral("&Hilfe") }, QStringLiteral("Änderungen zeigen"),
                QStringLiteral("Bereit"), QStringLiteral("1,5 kB") },
            // A language without a translation.
            { QStringLiteral("fr_FR"), english, QStringLiteral("Preview Changes"), QStringLiteral("Ready"),
                QStringLiteral("1,5 kB") },
            { QStringLiteral("en_US"), english, QStringLiteral("Preview Changes"), QStringLiteral("Ready"),
                QStringLiteral("1.5 kB") },
        };
        for (const auto &[locale, menus, mainButton, status, size] : table)
            speaks(locale, menus, mainButton, status, size);
    }

private:
    static void speaks(const QString &locale, const QStringList &menus, const QString &mainButton,
        const QString &status, const QString &size)
    {
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
