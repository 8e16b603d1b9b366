#include <map>
#include <tuple>

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QIcon>
#include <QLabel>
#include <QLineEdit>
#include <QSettings>
#include <QStandardPaths>
#include <QStyleFactory>
#include <QTest>

#include "AboutView.h"
#include "ColorScheme.h"
#include "MainWindow.h"
#include "PaneStyle.h"
#include "QuorvaneApp.h"
#include "QuorvaneViewModel.h"
#include "SettingsStoreQt.h"
#include "TestDir.h"

namespace {

/// The contrast of the text drawn in `area` of `shot`: the most frequent colour is the background, the colour
/// farthest from it the text (anti-aliasing only blends between the two, glyph stems reach the text colour).
double textContrast(const QImage &shot, const QRect &area)
{
    std::map<QRgb, int> counts;
    const qreal scale = shot.devicePixelRatio();
    const QRect inside = QRect(area.topLeft() * scale, area.size() * scale).intersected(shot.rect());
    for (int y = inside.top(); y <= inside.bottom(); ++y) {
        for (int x = inside.left(); x <= inside.right(); ++x)
            ++counts[shot.pixel(x, y)];
    }
    if (counts.empty())
        return 21;
    const QColor background = std::max_element(counts.begin(), counts.end(), [](const auto &a, const auto &b) {
        return a.second < b.second;
    })->first;
    double best = 1;
    for (const auto &[pixel, count] : counts)
        best = std::max(best, PaneStyle::contrastRatio(QColor(pixel), background));
    return best;
}

/// Every enabled text of `root` on screen, with where it is drawn in `root`'s coordinates.
QList<QPair<QString, QRect>> texts(QWidget *root)
{
    QList<QPair<QString, QRect>> found;
    // Inside the frame of a control, whose outline would otherwise count as its background.
    const int frame = 3;
    const auto add = [&](QWidget *widget, const QString &text, const QRect &rect) {
        if (!text.trimmed().isEmpty() && widget->isVisible() && widget->isEnabled() && rect.width() > 2)
            found.append({ text, QRect(widget->mapTo(root, rect.topLeft()), rect.size()) });
    };
    for (QWidget *widget : root->findChildren<QWidget *>()) {
        if (auto *label = qobject_cast<QLabel *>(widget))
            add(widget, label->text(), label->contentsRect());
        else if (auto *button = qobject_cast<QAbstractButton *>(widget))
            add(widget, button->text(), button->rect().adjusted(frame, frame, -frame, -frame));
        else if (auto *edit = qobject_cast<QLineEdit *>(widget))
            add(widget, edit->text(), edit->rect().adjusted(frame, frame, -frame, -frame));
        else if (auto *combo = qobject_cast<QComboBox *>(widget))
            add(widget, combo->currentText(), combo->rect().adjusted(frame, frame, -frame, -frame));
        else if (auto *view = qobject_cast<QAbstractItemView *>(widget); view && view->model()) {
            for (int row = 0; row < std::min(view->model()->rowCount(), 6); ++row) {
                for (int column = 0; column < view->model()->columnCount(); ++column) {
                    const QModelIndex index = view->model()->index(row, column);
                    add(view->viewport(), index.data().toString() + u' ', view->visualRect(index));
                }
            }
        }
    }
    return found;
}

class NoPrompter final : public UpdatePrompter {
public:
    UpdateAlert::Choice askToUpdate(const UpdateAlert &) override { return UpdateAlert::Choice::remindMeLater; }
    void openUrl(const QUrl &) override { }
};

/// The preference read with GTK_THEME set to `gtkTheme` (unset when empty) and GTK's settings file holding
/// `settingsIni` (no file when null).
ColorScheme::Preference preferenceWith(const QByteArray &gtkTheme, const QString &settingsIni)
{
    const QString folder
        = QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) + QStringLiteral("/gtk-3.0");
    QDir(folder).removeRecursively();
    if (!settingsIni.isNull()) {
        QDir().mkpath(folder);
        QSettings ini(folder + QStringLiteral("/settings.ini"), QSettings::IniFormat);
        ini.setValue(QStringLiteral("Settings/gtk-application-prefer-dark-theme"), settingsIni);
    }
    if (gtkTheme.isEmpty())
        qunsetenv("GTK_THEME");
    else
        qputenv("GTK_THEME", gtkTheme);
    const ColorScheme::Preference preference = ColorScheme::desktopPreference();
    qunsetenv("GTK_THEME");
    QDir(folder).removeRecursively();
    return preference;
}

} // namespace

class ContrastTest final : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase()
    {
        // No desktop's portal may answer for the settings this test gives.
        qputenv("DBUS_SESSION_BUS_ADDRESS", "unix:path=/nonexistent/bus");
        QStandardPaths::setTestModeEnabled(true);
        QSettings(QStringLiteral("Quorvane"), QStringLiteral("Quorvane")).clear();
        QuorvaneApp::configureApplication(*qobject_cast<QApplication *>(QCoreApplication::instance()));
        QApplication::setStyle(QStyleFactory::create(QStringLiteral("Fusion")));
    }

    void theDesktopsPreferenceIsRead()
    {
        using Preference = ColorScheme::Preference;
        // GTK_THEME (empty: unset), the settings file's preference (null: no file), and what is read.
        const QList<std::tuple<QByteArray, QString, Preference>> table {
            { "Adwaita:dark", QString(), Preference::dark }, // the dark variant
            { "Yaru-dark", QString(), Preference::dark }, // a theme named dark
            { "Adwaita", QStringLiteral("1"), Preference::light }, // GTK_THEME wins over the settings
            { QByteArray(), QStringLiteral("true"), Preference::dark },
            { QByteArray(), QStringLiteral("0"), Preference::none },
            { QByteArray(), QString(), Preference::none },
        };
        for (const auto &[gtkTheme, settingsIni, expected] : table)
            QCOMPARE(preferenceWith(gtkTheme, settingsIni), expected);
    }

    // Without the icon theme (a desktop that has none installed), every button still shows its text or Qt's own
    // icon.
    void everyButtonShowsSomethingWithoutAnIconTheme()
    {
        const QString theme = QIcon::themeName();
        QIcon::setThemeName(QStringLiteral("no-such-icon-theme"));
        QuorvaneApp::Options options;
        options.updateOptions.feedURL = QUrl(QStringLiteral("http://127.0.0.1:9/updates/quorvane.json"));
        QuorvaneApp app(options);
        app.show();
        QVERIFY(QTest::qWaitForWindowExposed(&app.mainWindow()));
        int buttons = 0;
        for (QAbstractButton *button : app.mainWindow().findChildren<QAbstractButton *>()) {
            if (!button->isVisible())
                continue;
            ++buttons;
            QVERIFY2(!button->text().trimmed().isEmpty() || !button->icon().pixmap(QSize(16, 16)).isNull(),
                qPrintable(button->objectName()));
        }
        QIcon::setThemeName(theme);
        QVERIFY(buttons >= 5);
    }

    void everyTextReadsAtLeastFourAndAHalfToOne_data()
    {
        QTest::addColumn<bool>("dark");
        QTest::newRow("light") << false;
        QTest::newRow("dark") << true;
    }

    // The window over a folder with a preview, and the About sheet with its status lines, in the light scheme and
    // the dark one. With QUORVANE_SCREENSHOT_DIR set, the window is also saved there (window.png, window-dark.png).
    void everyTextReadsAtLeastFourAndAHalfToOne()
    {
        QFETCH(bool, dark);
        QApplication::setPalette(dark ? ColorScheme::darkPalette() : QApplication::style()->standardPalette());
        TestDir dir;
        for (const char *name : { "IMG_0001.jpg", "IMG_0002.jpg", "IMG_0003.jpg", "notes.txt", "IMG_0004.jpg" })
            dir.createFile(name, "x");
        UpdateChecker::Options updateOptions = UpdateChecker::Options::fromBuildSettings();
        updateOptions.feedURL = QUrl(QStringLiteral("http://127.0.0.1:9/updates/quorvane.json"));
        QuorvaneApp::Options options;
        options.updateOptions = updateOptions;
        QuorvaneApp app(options);
        app.show();
        MainWindow &window = app.mainWindow();
        window.resize(1280, 800);
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        RenameParameters parameters = app.viewModel().renameParameters();
        parameters.prefixText = "Trip ";
        app.viewModel().setRenameParameters(parameters);
        app.viewModel().loadFolder(dir.path());
        QTRY_COMPARE(app.viewModel().renamePlans().size(), std::size_t(5));
        QTest::qWait(100);

        double lowest = 21;
        QStringList faint;
        // Measures every text of `root`; returns how many there were.
        const auto measure = [&](QWidget *root) {
            const QImage shot = root->grab().toImage();
            int measured = 0;
            for (const auto &[text, area] : texts(root)) {
                const double ratio = textContrast(shot, area);
                lowest = std::min(lowest, ratio);
                if (ratio < PaneStyle::minimumContrast)
                    faint << QStringLiteral("\"%1\": %2:1").arg(text).arg(ratio, 0, 'f', 2);
                ++measured;
            }
            return measured;
        };
        if (const QString folder = qEnvironmentVariable("QUORVANE_SCREENSHOT_DIR"); !folder.isEmpty())
            window.grab().save(
                QDir(folder).filePath(dark ? QStringLiteral("window-dark.png") : QStringLiteral("window.png")));
        const int measured = measure(&window);
        QVERIFY2(measured >= 20, qPrintable(QString::number(measured)));
        QVERIFY2(faint.isEmpty(), qPrintable(faint.join(QStringLiteral(", "))));

        // The About sheet with its two status lines shown (green and red in the light scheme).
        NoPrompter prompter;
        SettingsStoreQt settings;
        AboutView about(prompter, settings, updateOptions);
        about.show();
        QVERIFY(QTest::qWaitForWindowExposed(&about));
        about.findChild<QWidget *>(QStringLiteral("upToDateRow"))->setVisible(true);
        auto *error = about.findChild<QLabel *>(QStringLiteral("updateErrorLabel"));
        error->setText(QStringLiteral("Update information is unavailable."));
        error->setVisible(true);
        QTest::qWait(50);
        const int measuredAbout = measure(&about);
        QVERIFY2(measuredAbout >= 6, qPrintable(QString::number(measuredAbout)));
        qInfo("lowest contrast of a text: %.2f:1", lowest);
        QVERIFY2(faint.isEmpty(), qPrintable(faint.join(QStringLiteral(", "))));
    }
};

QTEST_MAIN(ContrastTest)
#include "ContrastTest.moc"
