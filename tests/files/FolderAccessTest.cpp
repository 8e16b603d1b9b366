#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "FileAccessService.h"
#include "Log.h"
#include "TestDir.h"

namespace {

namespace fs = std::filesystem;

const std::string bookmarkKey = "lastAccessedFolderBookmark";

// An in-memory settings store: the file layer only sees the interface, and the real QSettings store has tests
// of its own in the state layer (which may not be linked here).
class MapSettingsStore final : public SettingsStore {
public:
    std::optional<std::string> bytes(const std::string &key) const override
    {
        const auto found = values.find(key);
        return found == values.end() ? std::nullopt : std::optional(found->second);
    }

    bool setBytes(const std::string &key, const std::string &value) override
    {
        ++writes;
        if (refuseWrites)
            return false;
        values[key] = value;
        return true;
    }

    std::optional<std::string> update(const std::function<Changes(const Reader &read)> &change) override
    {
        for (const auto &[key, value] : change([this](const std::string &key) { return bytes(key); })) {
            if (!setBytes(key, value))
                return "refused";
        }
        return std::nullopt;
    }

    std::map<std::string, std::string> values;
    int writes = 0;
    bool refuseWrites = false;
};

class FolderAccessTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_previousSink = setLogSink([this](const std::string &line) { logged.push_back(line); });
    }
    void TearDown() override { setLogSink(m_previousSink); }

    FileAccessService serviceChoosing(std::optional<fs::path> answer)
    {
        return FileAccessService(&settings, [this, answer](const FolderChooserRequest &request) {
            requests.push_back(request);
            return answer;
        });
    }

    TestDir dir;
    MapSettingsStore settings;
    std::vector<std::string> logged;
    std::vector<FolderChooserRequest> requests;

private:
    std::function<void(const std::string &)> m_previousSink;
};

TEST_F(FolderAccessTest, ChooserIsAskedForOneFolderAndOnlyAChosenOneIsStored)
{
    static_assert(!securityScopedAccessEnabled, "this configuration keeps security-scoped access off");
    settings.values[bookmarkKey] = "/kept";
    const fs::path folder = dir.createDir("Photos");
    for (const std::optional<fs::path> &answer : { std::optional<fs::path>(), std::optional(folder) }) {
        requests.clear();
        FileAccessService service = serviceChoosing(answer);
        EXPECT_EQ(service.chooseFolder(), answer);
        ASSERT_EQ(requests.size(), 1u);
        EXPECT_TRUE(!requests[0].canChooseFiles && requests[0].canChooseDirectories);
        EXPECT_FALSE(requests[0].allowsMultipleSelection);
        EXPECT_EQ(requests[0].prompt, "Choose Folder");
        EXPECT_EQ(requests[0].message, "Select a folder to process.");
        // Cancelling writes nothing; a chosen folder replaces the stored one, and the next start reopens it.
        EXPECT_EQ(settings.writes, answer ? 1 : 0);
        EXPECT_EQ(settings.values.at(bookmarkKey), answer ? folder.string() : "/kept");
        EXPECT_EQ(service.restoreLastFolder(), answer ? std::optional(fs::canonical(folder)) : std::nullopt);
    }
    // A refused write is logged, and the folder is still used.
    settings.refuseWrites = true;
    EXPECT_EQ(serviceChoosing(folder).chooseFolder(), folder);
    ASSERT_EQ(logged.size(), 2u); // the "/kept" folder did not resolve above
    EXPECT_EQ(logged[1], "Failed to persist bookmark: The settings could not be written.");
    // A service without settings or chooser finds nothing.
    EXPECT_EQ(FileAccessService().chooseFolder(), std::nullopt);
    EXPECT_EQ(FileAccessService().restoreLastFolder(), std::nullopt);
}

TEST_F(FolderAccessTest, StoredFolderIsRestoredAndStaleReferencesAreRewrittenCanonically)
{
    const fs::path folder = fs::canonical(dir.createDir("x"));
    fs::create_directory_symlink(folder, dir.path() / "link");
    const fs::path file = dir.createFile("notes.txt", "x");
    const std::string notAbsolute = "Failed to resolve bookmark: The stored folder reference is not an absolute path.";
    const struct {
        const char *what;
        std::optional<std::string> stored;
        std::optional<fs::path> restored;
        bool rewritten;
        std::string logLine;
    } cases[] = {
        { "nothing stored", std::nullopt, std::nullopt, false, "" },
        { "canonical", folder.string(), folder, false, "" },
        { "a dot-dot component", (folder / ".." / "x").string(), folder, true, "" },
        { "a trailing separator", folder.string() + "/", folder, true, "" },
        { "a symbolic link", (fs::canonical(dir.path()) / "link").string(), folder, true, "" },
        { "a deleted folder", (folder / "gone").string(), std::nullopt, false,
            "Failed to resolve bookmark: No such file or directory" },
        { "a file, not a folder", file.string(), std::nullopt, false, "Failed to resolve bookmark: Not a directory" },
        { "a path through a file", (file / "inner").string(), std::nullopt, false,
            "Failed to resolve bookmark: Not a directory" },
        { "a relative path", "Photos/2024", std::nullopt, false, notAbsolute },
        { "an empty value", "", std::nullopt, false, notAbsolute },
        { "bytes that are not UTF-8", dir.path().string() + "/\xff\xfe", std::nullopt, false,
            "Failed to resolve bookmark: The stored folder reference is not valid UTF-8." },
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.what);
        logged.clear();
        settings.values.erase(bookmarkKey);
        if (c.stored)
            settings.values[bookmarkKey] = *c.stored;
        const int writesBefore = settings.writes;
        FileAccessService service(&settings, {});
        EXPECT_EQ(service.restoreLastFolder(), c.restored);
        EXPECT_EQ(logged, c.logLine.empty() ? std::vector<std::string> {} : std::vector<std::string> { c.logLine });
        EXPECT_EQ(settings.writes, writesBefore + (c.rewritten ? 1 : 0));
        if (c.stored) {
            EXPECT_EQ(settings.values.at(bookmarkKey), c.rewritten ? folder.string() : *c.stored);
        }
        // A rewritten value is canonical, so the next start finds it fresh and writes nothing.
        EXPECT_EQ(service.restoreLastFolder(), c.restored);
        EXPECT_EQ(settings.writes, writesBefore + (c.rewritten ? 1 : 0));
    }

    // A stale reference that cannot be rewritten is still restored.
    settings.values[bookmarkKey] = (folder / ".." / "x").string();
    settings.refuseWrites = true;
    logged.clear();
    EXPECT_EQ(FileAccessService(&settings, {}).restoreLastFolder(), folder);
    ASSERT_EQ(logged.size(), 1u);
    EXPECT_EQ(logged[0].rfind("Failed to persist bookmark: ", 0), 0u) << logged[0];
    EXPECT_GT(logged[0].size(), std::string("Failed to persist bookmark: ").size());
    EXPECT_EQ(settings.values.at(bookmarkKey), (folder / ".." / "x").string());
}

} // namespace
