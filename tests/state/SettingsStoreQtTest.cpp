#include <optional>
#include <string>

#include <QByteArray>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include "QtConversions.h"
#include "SettingsStoreQt.h"
#include "TestDir.h"

class SettingsStoreQtTest final : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void bytesComeBackThroughAnotherInstance_data();
    void bytesComeBackThroughAnotherInstance();

private:
    QTemporaryDir m_configHome;
};

void SettingsStoreQtTest::initTestCase()
{
    // Before anything reads the settings paths, so the user's own settings are never touched.
    QVERIFY(m_configHome.isValid());
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(m_configHome.path()));
}

void SettingsStoreQtTest::bytesComeBackThroughAnotherInstance_data()
{
    QTest::addColumn<QByteArray>("key");
    QTest::addColumn<QByteArray>("value");
    QTest::newRow("json text") << QByteArray("quorvane.renamePresets.v1")
                               << QByteArray(R"([{"name":"Holiday = \"2024\"; [x]"}])");
    QTest::newRow("empty") << QByteArray("quorvane.renamePresets.v1") << QByteArray("");
    QTest::newRow("NUL and high bytes") << QByteArray("lastAccessedFolderBookmark")
                                        << QByteArray("a\0b\xff\xfe\x80 c\n\r\t", 11);
    QTest::newRow("UTF-8 path") << QByteArray("lastAccessedFolderBookmark") << QByteArray("/home/zoë/Fotos ✓/été");
    QTest::newRow("looks like a Qt escape") << QByteArray("k") << QByteArray("@ByteArray(x)\\\\");
    QTest::newRow("large") << QByteArray("k") << QByteArray(200000, 'q');
}

void SettingsStoreQtTest::bytesComeBackThroughAnotherInstance()
{
    QFETCH(QByteArray, key);
    QFETCH(QByteArray, value);
    const TestDir dir;
    const QString file = QtConversions::toQString(dir.path() / "settings.conf");
    const std::string keyText = key.toStdString();
    const std::string valueText(value.constData(), static_cast<std::size_t>(value.size()));

    QVERIFY(SettingsStoreQt(file).setBytes(keyText, valueText));
    QVERIFY(QFile::exists(file));
    QCOMPARE(SettingsStoreQt(file).bytes(keyText), std::optional<std::string>(valueText));
    // Replacing keeps one value per key.
    QVERIFY(SettingsStoreQt(file).setBytes(keyText, "second"));
    QCOMPARE(SettingsStoreQt(file).bytes(keyText), std::optional<std::string>("second"));
}

QTEST_GUILESS_MAIN(SettingsStoreQtTest)
#include "SettingsStoreQtTest.moc"
