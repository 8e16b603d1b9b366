#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include <QSettings>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include "Log.h"
#include "QtConversions.h"
#include "RenamePresetStore.h"
#include "SettingsStoreQt.h"
#include "TestDir.h"
#include "TestMount.h"

namespace {

const std::string storageKey = "quorvane.renamePresets.v1";

nlohmann::json validElement(const char *id = "6F1C2D3E-4A5B-4C6D-8E7F-0123456789AB")
{
    return {
        { "id", id },
        { "name", "Holiday" },
        { "parameters", RenameParameters {}.toJson() },
        { "includeSubfolders", true },
        { "includeExtensions", { "jpg", "png" } },
    };
}

// JSON values are compared through their compact text: QCOMPARE cannot take nlohmann::json itself.
QString dumped(const nlohmann::json &json)
{
    return QString::fromStdString(json.dump());
}

QList<QUuid> idsOf(const QList<RenamePreset> &presets)
{
    QList<QUuid> ids;
    for (const RenamePreset &preset : presets)
        ids.append(preset.id);
    return ids;
}

} // namespace

class RenamePresetStoreTest final : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase()
    {
        // Nothing in these tests may reach the user's own settings.
        QVERIFY(m_configHome.isValid());
        qputenv("XDG_CONFIG_HOME", QFile::encodeName(m_configHome.path()));
    }

    void init() { m_dir = std::make_unique<TestDir>(); }

    void cleanup() { m_dir.reset(); }

    void presetsComeBackAfterRestartInOrderWithTheirIds()
    {
        RenameParameters dated;
        dated.strategy = RenameStrategy::dateName;
        dated.dateSource = DateSource::modified;
        dated.dateFormat = DateNameFormat::yearMonth;
        dated.sequenceStart = -(std::int64_t(1) << 40);
        dated.sequenceSeparator = "";
        dated.useRegularExpression = true;
        RenameParameters prefixed;
        prefixed.prefixText = "Été ✓ ";
        QList<RenamePreset> expected;
        {
            SettingsStoreQt settings(settingsFile());
            RenamePresetStore store(settings);
            expected.prepend(store.savePreset(QStringLiteral("Dates"), dated, false, {}));
            expected.prepend(store.savePreset(QStringLiteral("Zoë's"), prefixed, true,
                { QStringLiteral("heic"), QStringLiteral("cr2"), QStringLiteral("jpg") }));
            // The same name again is another preset, the newest first.
            expected.prepend(store.savePreset(QStringLiteral("Dates"), prefixed, false, {}));
            QVERIFY(expected[0].id != expected[2].id && !expected[0].id.isNull());
            QCOMPARE(store.presets(), expected);
        }
        SettingsStoreQt settings(settingsFile());
        const RenamePresetStore reopened(settings);
        QCOMPARE(idsOf(reopened.presets()), idsOf(expected));
        QVERIFY(reopened.presets() == expected);
    }

    void storedFormIsACompactArrayOfFiveKeyObjects()
    {
        SettingsStoreQt settings(settingsFile());
        RenamePresetStore store(settings);
        RenameParameters parameters;
        parameters.strategy = RenameStrategy::suffixSequence;
        const RenamePreset older = store.savePreset(
            QStringLiteral("First"), parameters, false, { QStringLiteral("b"), QStringLiteral("a") });
        const RenamePreset newer = store.savePreset(QStringLiteral("Second"), RenameParameters {}, true, {});

        const std::string blob = settings.bytes(storageKey).value();
        const nlohmann::json json = nlohmann::json::parse(blob);
        QCOMPARE(blob, json.dump()); // compact: exactly what a compact writer produces
        const auto idText
            = [](const RenamePreset &preset) { return preset.id.toString(QUuid::WithoutBraces).toUpper(); };
        const nlohmann::json expected = nlohmann::json::array({
            { { "id", idText(newer).toStdString() }, { "name", "Second" },
                { "parameters", RenameParameters {}.toJson() }, { "includeSubfolders", true },
                { "includeExtensions", nlohmann::json::array() } },
            { { "id", idText(older).toStdString() }, { "name", "First" }, { "parameters", parameters.toJson() },
                { "includeSubfolders", false }, { "includeExtensions", { "b", "a" } } },
        });
        QCOMPARE(dumped(json), dumped(expected));
    }

    void savePresetTrimsTheName()
    {
        SettingsStoreQt settings(settingsFile());
        const QList<std::pair<QString, QString>> names { { QStringLiteral("  Holiday  "), QStringLiteral("Holiday") },
            { QStringLiteral("\tSummer  2024\n"), QStringLiteral("Summer  2024") },
            { QStringLiteral("\u00A0\u2028Pix\u3000\u0085"), QStringLiteral("Pix") },
            { QStringLiteral("  \n \r\n\t "), QStringLiteral("Untitled Preset") },
            { QString(), QStringLiteral("Untitled Preset") } };
        for (const auto &[given, stored] : names)
            QCOMPARE(RenamePresetStore(settings).savePreset(given, RenameParameters {}, false, {}).name, stored);
    }

    void undecodableDataLoadsEmptyAndStaysUntilTheNextChange_data()
    {
        QTest::addColumn<QByteArray>("blob");
        const auto row = [](const char *name, const std::string &blob) {
            QTest::newRow(name) << QByteArray(blob.data(), static_cast<qsizetype>(blob.size()));
        };
        const auto withElement = [](auto change) {
            nlohmann::json element = validElement();
            change(element);
            return nlohmann::json::array({ validElement("0A1B2C3D-0000-4000-8000-000000000001"), element }).dump();
        };
        row("garbage bytes", std::string("\x00\xff\xfe not json", 12));
        row("empty blob", "");
        row("truncated array", nlohmann::json::array({ validElement() }).dump().substr(0, 40));
        row("text after the array", nlohmann::json::array({ validElement() }).dump() + " []");
        row("object instead of an array",
            nlohmann::json { { "presets", nlohmann::json::array({ validElement() }) } }.dump());
        row("array of strings", R"(["Holiday"])");
        row("null, which iterates as nothing", "null");
        row("invalid UTF-8 in a name",
            R"([{"id":"6F1C2D3E-4A5B-4C6D-8E7F-0123456789AB","name":"a)" + std::string("\xff")
                + R"(","parameters":{},"includeSubfolders":true,"includeExtensions":[]}])");
        for (const char *key : { "includeExtensions", "includeSubfolders", "parameters", "name", "id" })
            row(("missing " + std::string(key)).c_str(), withElement([key](nlohmann::json &e) { e.erase(key); }));
        row("null name", withElement([](nlohmann::json &e) { e["name"] = nullptr; }));
        row("null parameters", withElement([](nlohmann::json &e) { e["parameters"] = nullptr; }));
        row("includeSubfolders as 1", withElement([](nlohmann::json &e) { e["includeSubfolders"] = 1; }));
        row("includeExtensions as text", withElement([](nlohmann::json &e) { e["includeExtensions"] = "jpg"; }));
        row("includeExtensions holding a number", withElement([](nlohmann::json &e) {
            e["includeExtensions"] = nlohmann::json::array({ "jpg", 3 });
        }));
        row("parameters as an array",
            withElement([](nlohmann::json &e) { e["parameters"] = nlohmann::json::array(); }));
        row("id in braces", withElement([](nlohmann::json &e) { e["id"] = "{6F1C2D3E-4A5B-4C6D-8E7F-0123456789AB}"; }));
        row("id too short", withElement([](nlohmann::json &e) { e["id"] = "6F1C2D3E-4A5B-4C6D-8E7F-0123456789A"; }));
        row("id without hyphens",
            withElement([](nlohmann::json &e) { e["id"] = "6F1C2D3E4A5B4C6D8E7F0123456789ABCDEF"; }));
        row("id not hexadecimal",
            withElement([](nlohmann::json &e) { e["id"] = "6F1C2D3E-4A5B-4C6D-8E7F-0123456789AG"; }));
        row("id starting with a letter past F",
            withElement([](nlohmann::json &e) { e["id"] = "XF1C2D3E-4A5B-4C6D-8E7F-0123456789AB"; }));
        row("id as a number", withElement([](nlohmann::json &e) { e["id"] = 12; }));
        row("not a data blob", "not a data blob");
    }

    void undecodableDataLoadsEmptyAndStaysUntilTheNextChange()
    {
        QFETCH(QByteArray, blob);
        if (blob == "not a data blob") {
            // A value the settings file holds as text, not as a data blob.
            QSettings(settingsFile(), QSettings::IniFormat)
                .setValue(QtConversions::toQString(storageKey),
                    QtConversions::toQString(nlohmann::json::array({ validElement() }).dump()));
        } else {
            storeBlob(blob.toStdString());
        }
        const std::string fileBefore = settingsFileText();
        SettingsStoreQt settings(settingsFile());
        RenamePresetStore store(settings);
        QVERIFY(store.presets().isEmpty());
        QCOMPARE(settingsFileText(), fileBefore);

        std::string logged;
        const auto previousSink = setLogSink([&logged](const std::string &line) { logged += line + '\n'; });
        const RenamePreset saved = store.savePreset(QStringLiteral("Fresh"), RenameParameters {}, false, {});
        setLogSink(previousSink);
        const nlohmann::json stored = nlohmann::json::parse(settings.bytes(storageKey).value());
        QCOMPARE(dumped(stored), dumped(nlohmann::json::array({ saved.toJson() })));
        if (blob == "not a data blob")
            return;
        // What could not be read is kept and said so, and a second unreadable list does not replace it.
        QVERIFY(logged.find("kept under \"" + store.backupKey() + "\"") != std::string::npos);
        QCOMPARE(settings.bytes(store.backupKey()), std::optional<std::string>(blob.toStdString()));
        QVERIFY(settings.setBytes(storageKey, "[{}]"));
        (void)RenamePresetStore(settings).savePreset(QStringLiteral("Again"), RenameParameters {}, false, {});
        QCOMPARE(settings.bytes(store.backupKey()), std::optional<std::string>(blob.toStdString()));
        if (blob != "[{}]")
            QCOMPARE(settings.bytes(store.backupKey() + ".2"), std::optional<std::string>("[{}]"));
    }

    void lenientParametersAndUnknownKeysLoad()
    {
        nlohmann::json element = validElement("6f1c2d3e-4a5b-4c6d-8e7f-0123456789ab");
        element["parameters"]
            = { { "strategy", "suffixSequence" }, { "sequencePadding", nullptr }, { "colour", "red" } };
        element["colour"] = "blue";
        storeBlob(nlohmann::json::array({ element }).dump());
        SettingsStoreQt settings(settingsFile());

        RenamePresetStore store(settings);
        QCOMPARE(store.presets().size(), 1);
        const RenamePreset &loaded = store.presets().at(0);
        RenameParameters expected;
        expected.strategy = RenameStrategy::suffixSequence;
        QVERIFY(loaded.parameters == expected);
        QCOMPARE(loaded.id, QUuid::fromString(QStringLiteral("6F1C2D3E-4A5B-4C6D-8E7F-0123456789AB")));
        QCOMPARE(loaded.name, QStringLiteral("Holiday"));
        QVERIFY(loaded.includeSubfolders);
        QCOMPARE(loaded.includeExtensions, QStringList({ QStringLiteral("jpg"), QStringLiteral("png") }));

        // The next write puts the id back in canonical upper-case form.
        (void)store.savePreset(QStringLiteral("Other"), RenameParameters {}, false, {});
        const nlohmann::json stored = nlohmann::json::parse(settings.bytes(storageKey).value());
        QCOMPARE(dumped(stored[1]["id"]), dumped("6F1C2D3E-4A5B-4C6D-8E7F-0123456789AB"));
        QCOMPARE(dumped(stored[1]["parameters"]), dumped(expected.toJson()));
    }

    void numberingOrderIsKeptBesideTheSettings_data()
    {
        // "order" as stored (empty: no key, as in every preset stored before orders existed), the order it loads
        // as, and whether saving that order writes exactly this text.
        QTest::addColumn<QByteArray>("stored");
        QTest::addColumn<FileOrder>("order");
        QTest::addColumn<bool>("ascending");
        QTest::addColumn<bool>("writtenSo");
        QTest::newRow("stored before orders existed") << QByteArray() << FileOrder::name << true << true;
        const std::pair<FileOrder, const char *> orders[] { { FileOrder::name, "name" },
            { FileOrder::natural, "natural" }, { FileOrder::dateModified, "dateModified" },
            { FileOrder::dateCreated, "dateCreated" }, { FileOrder::size, "size" } };
        for (const auto &[order, name] : orders) {
            for (const bool ascending : { true, false }) {
                if (order == FileOrder::name && ascending)
                    continue;
                const std::string json = nlohmann::json { { "by", name }, { "ascending", ascending } }.dump();
                QTest::addRow("%s %s", name, ascending ? "ascending" : "descending")
                    << QByteArray::fromStdString(json) << order << ascending << true;
            }
        }
        QTest::newRow("ascending left out") << QByteArray(R"({"by":"size"})") << FileOrder::size << true << false;
        QTest::newRow("null") << QByteArray("null") << FileOrder::name << true << false;
        for (const char *malformed :
            { R"("natural")", R"({"by":"shuffle","ascending":false})", R"({"by":"Size","ascending":false})",
                R"({"by":"size","ascending":"no"})", R"({"ascending":false})", R"({"by":3})", "[]", "7" })
            QTest::addRow("malformed %s", malformed) << QByteArray(malformed) << FileOrder::name << true << false;
    }

    void numberingOrderIsKeptBesideTheSettings()
    {
        QFETCH(QByteArray, stored);
        QFETCH(FileOrder, order);
        QFETCH(bool, ascending);
        QFETCH(bool, writtenSo);
        nlohmann::json element = validElement();
        if (!stored.isEmpty())
            element["order"] = nlohmann::json::parse(stored.toStdString());
        nlohmann::json other = validElement("0A1B2C3D-0000-4000-8000-000000000001");
        other["order"] = { { "by", "dateCreated" }, { "ascending", false } };
        storeBlob(nlohmann::json::array({ element, other }).dump());
        std::string logged;
        const auto previousSink = setLogSink([&logged](const std::string &line) { logged += line + '\n'; });
        SettingsStoreQt settings(settingsFile());
        RenamePresetStore store(settings);
        setLogSink(previousSink);

        // A value that cannot be read costs only that preset's order, and says so.
        QCOMPARE(store.presets().size(), 2);
        QCOMPARE(store.presets()[0].order, order);
        QCOMPARE(store.presets()[0].orderAscending, ascending);
        QCOMPARE(store.presets()[1].order, FileOrder::dateCreated);
        QVERIFY(!store.presets()[1].orderAscending);
        QCOMPARE(logged.find("\"Holiday\" has a numbering order that cannot be read") != std::string::npos,
            QByteArray(QTest::currentDataTag()).startsWith("malformed"));

        const RenamePreset saved
            = store.savePreset(QStringLiteral("Saved"), singleRule(RenameParameters {}), false, {}, order, ascending);
        const nlohmann::json written = nlohmann::json::parse(settings.bytes(storageKey).value()).at(0);
        if (writtenSo)
            QCOMPARE(QByteArray::fromStdString(written.contains("order") ? written["order"].dump() : ""), stored);
        QCOMPARE(RenamePresetStore(settings).presets().at(0), saved);
    }

    void ruleListsAndEarlierReleasesShareTheFileBothWays()
    {
        // An earlier release reads only the main array, with all or nothing of it, and knows only the first
        // eight strategies and the first 14 keys; it writes only the main array.
        const auto earlierReleaseReads = [](const std::optional<std::string> &blob) {
            QStringList names;
            for (const nlohmann::json &element : nlohmann::json::parse(blob.value_or("[]"))) {
                const Result<RenamePreset> preset = RenamePreset::fromJson(element);
                if (!preset || !preset->parameters.isRepresentableByEarlierReleases())
                    return QStringList { QStringLiteral("(none: the whole list was dropped)") };
                names.append(preset->name);
            }
            return names;
        };
        const auto rule = [](const char *json) { return renameRulesFromJson(nlohmann::json::parse(json)).value(); };
        const auto namesOf = [](const QList<RenamePreset> &presets) {
            QStringList names;
            for (const RenamePreset &preset : presets)
                names.append(preset.name + u':' + QString::number(preset.ruleList().size()));
            return names;
        };
        SettingsStoreQt settings(settingsFile());
        QList<RenamePreset> saved;
        {
            RenamePresetStore store(settings);
            const std::vector<std::pair<const char *, RenameRuleList>> presets {
                { "Plain", rule(R"({"prefixText": "2024_"})") },
                { "Chain", rule(R"([{"strategy": "replace", "searchText": "_", "replaceText": " "},
                                    {"strategy": "suffixSequence", "enabled": false}, {"strategy": "titleCase"}])") },
                { "Title", rule(R"({"strategy": "titleCase"})") },
                { "Stepped", rule(R"({"strategy": "prefixSequence", "sequenceStep": 10})") },
                { "Nothing", {} },
                { "Dated", rule(R"([{"strategy": "dateName", "dateIncludeSequence": false}])") },
            };
            for (const auto &[name, rules] : presets)
                saved.prepend(store.savePreset(QString::fromUtf8(name), rules, false, {}));
            QCOMPARE(store.presets(), saved);
        }
        QCOMPARE(earlierReleaseReads(settings.bytes(storageKey)),
            QStringList({ QStringLiteral("Dated"), QStringLiteral("Plain") }));

        // The earlier release saves a preset and deletes one, writing its own array only.
        nlohmann::json earlier = nlohmann::json::parse(settings.bytes(storageKey).value());
        nlohmann::json added = validElement("0A1B2C3D-0000-4000-8000-000000000001");
        added["name"] = "From before";
        earlier.erase(1);
        earlier.insert(earlier.begin(), added);
        QVERIFY(settings.setBytes(storageKey, earlier.dump()));

        RenamePresetStore reopened(settings);
        QCOMPARE(namesOf(reopened.presets()),
            QStringList({ QStringLiteral("From before:1"), QStringLiteral("Dated:1"), QStringLiteral("Nothing:0"),
                QStringLiteral("Stepped:1"), QStringLiteral("Title:1"), QStringLiteral("Chain:3") }));
        QVERIFY(reopened.presets()[5] == saved[4]);
        QCOMPARE(reopened.presets()[5].ruleList(), saved[4].ruleList());
        // The next write keeps both readers in step.
        reopened.deletePreset(saved[0].id);
        QCOMPARE(earlierReleaseReads(settings.bytes(storageKey)), QStringList({ QStringLiteral("From before") }));
        QCOMPARE(namesOf(RenamePresetStore(settings).presets()),
            QStringList({ QStringLiteral("From before:1"), QStringLiteral("Nothing:0"), QStringLiteral("Stepped:1"),
                QStringLiteral("Title:1"), QStringLiteral("Chain:3") }));
    }

    void deletePresetRemovesEveryMatchAndPersists()
    {
        const char *twice = "11111111-2222-4333-8444-555555555555";
        const char *once = "AAAAAAAA-BBBB-4CCC-8DDD-EEEEEEEEEEEE";
        storeBlob(nlohmann::json::array({ validElement(twice), validElement(once), validElement(twice) }).dump());
        {
            SettingsStoreQt settings(settingsFile());
            RenamePresetStore store(settings);
            QCOMPARE(store.presets().size(), 3);
            // Unknown ids change and write nothing.
            QSignalSpy changed(&store, &RenamePresetStore::presetsChanged);
            store.deletePreset(QUuid::createUuid());
            store.deletePreset(QUuid());
            QCOMPARE(changed.count(), 0);
            QCOMPARE(store.presets().size(), 3);
            store.deletePreset(QUuid::fromString(QLatin1StringView(twice)));
            QCOMPARE(idsOf(store.presets()), QList<QUuid>({ QUuid::fromString(QLatin1StringView(once)) }));
        }
        SettingsStoreQt settings(settingsFile());
        RenamePresetStore reopened(settings);
        QCOMPARE(idsOf(reopened.presets()), QList<QUuid>({ QUuid::fromString(QLatin1StringView(once)) }));
        reopened.deletePreset(QUuid::fromString(QLatin1StringView(once)));
        QCOMPARE(settings.bytes(storageKey), std::optional<std::string>("[]"));
    }

    void failedWriteDestroysNothingAndSaysWhy_data()
    {
        QTest::addColumn<QString>("fault");
        QTest::addColumn<QString>("reason");
        QTest::newRow("immutable file") << QStringLiteral("immutable") << QStringLiteral("Operation not permitted");
        QTest::newRow("read-only mount") << QStringLiteral("read-only") << QStringLiteral("Read-only file system");
        QTest::newRow("full disk") << QStringLiteral("full") << QStringLiteral("No space left on device");
    }

    void failedWriteDestroysNothingAndSaysWhy()
    {
        QFETCH(QString, fault);
        QFETCH(QString, reason);
        const std::filesystem::path folder = m_dir->createDir("config");
        const QString file = QtConversions::toQString(folder / "Quorvane.conf");
        std::unique_ptr<TestMount> mount;
        std::string whyNot;
        if (fault == QStringLiteral("full") && !(mount = TestMount::tmpfs(folder, 64 * 1024, &whyNot)))
            QSKIP(whyNot.c_str());
        QList<QUuid> ids;
        {
            SettingsStoreQt settings(file);
            RenamePresetStore store(settings);
            ids.append(store.savePreset(QStringLiteral("A"), RenameParameters {}, false, {}).id);
            QCOMPARE(store.lastWriteError(), std::nullopt);
        }
        const std::string fileBefore = m_dir->read("config/Quorvane.conf");
        if (fault == QStringLiteral("read-only") && !(mount = TestMount::readOnly(folder, &whyNot)))
            QSKIP(whyNot.c_str());
        if (fault == QStringLiteral("immutable")
            && !(canMakeImmutable() && setImmutable(folder / "Quorvane.conf", true)))
            QSKIP("immutable files are not available here");

        SettingsStoreQt settings(file);
        RenamePresetStore store(settings);
        RenameParameters big;
        big.prefixText = std::string(60000, 'x');
        ids.prepend(store.savePreset(QStringLiteral("Big"), big, false, {}).id);
        const std::optional<std::string> error = store.lastWriteError();
        const std::string fileAfter = m_dir->read("config/Quorvane.conf");
        std::vector<std::string> leftovers;
        for (const auto &entry : std::filesystem::directory_iterator(folder)) {
            if (entry.path().filename().string().find(".new-") != std::string::npos)
                leftovers.push_back(entry.path().filename().string());
        }
        setImmutable(folder / "Quorvane.conf", false);
        mount.reset();

        QCOMPARE(QtConversions::toQString(error.value_or("saved")), reason);
        QCOMPARE(fileAfter, fileBefore);
        QVERIFY(leftovers.empty());
        // The change lives on in memory.
        QCOMPARE(idsOf(store.presets()), ids);
    }

private:
    QString settingsFile() const { return QtConversions::toQString(m_dir->path() / "Quorvane.conf"); }
    std::string settingsFileText() const { return m_dir->read("Quorvane.conf"); }
    void storeBlob(const std::string &blob) const
    {
        QVERIFY(SettingsStoreQt(settingsFile()).setBytes(storageKey, blob));
    }

    QTemporaryDir m_configHome;
    std::unique_ptr<TestDir> m_dir;
};

QTEST_GUILESS_MAIN(RenamePresetStoreTest)
#include "RenamePresetStoreTest.moc"
