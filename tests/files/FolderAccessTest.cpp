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

TEST_F(FolderAccessTest, ChooserIsAskedForOneFolderWithTheDesignedTexts)
{
    FileAccessService service = serviceChoosing(std::nullopt);
    (void)service.chooseFolder();

    ASSERT_EQ(requests.size(), 1u);
    EXPECT_FALSE(requests[0].canChooseFiles);
    EXPECT_TRUE(requests[0].canChooseDirectories);
    EXPECT_FALSE(requests[0].allowsMultipleSelection);
    EXPECT_EQ(requests[0].prompt, "Choose Folder");
    EXPECT_EQ(requests[0].message, "Select a folder to process.");
}

TEST_F(FolderAccessTest, CancellingReturnsNothingAndWritesNothing)
{
    settings.values[bookmarkKey] = dir.path().string();
    FileAccessService service = serviceChoosing(std::nullopt);

    EXPECT_EQ(service.chooseFolder(), std::nullopt);
    EXPECT_EQ(settings.writes, 0);
    EXPECT_EQ(settings.values.at(bookmarkKey), dir.path().string());
    EXPECT_TRUE(logged.empty());
}

TEST_F(FolderAccessTest, ChoosingWithTheSwitchOffReturnsTheFolderAndStoresNothing)
{
    static_assert(!securityScopedAccessEnabled, "this configuration keeps security-scoped access off");
    const fs::path folder = dir.createDir("Photos");
    FileAccessService service = serviceChoosing(folder);

    EXPECT_EQ(service.chooseFolder(), folder);
    EXPECT_EQ(settings.writes, 0);
    EXPECT_FALSE(settings.values.contains(bookmarkKey));
    // Nothing stored, so the next start has nothing to reopen, and says nothing about it.
    EXPECT_EQ(service.restoreLastFolder(), std::nullopt);
    EXPECT_TRUE(logged.empty());
}

TEST_F(FolderAccessTest, ServiceWithoutSettingsOrChooserFindsNothing)
{
    FileAccessService service;
    EXPECT_EQ(service.chooseFolder(), std::nullopt);
    EXPECT_EQ(service.restoreLastFolder(), std::nullopt);
    EXPECT_TRUE(logged.empty());
}

TEST_F(FolderAccessTest, NoStoredValueRestoresNothingAndLogsNothing)
{
    settings.values["someOtherKey"] = dir.path().string();
    FileAccessService service(&settings, {});

    EXPECT_EQ(service.restoreLastFolder(), std::nullopt);
    EXPECT_TRUE(logged.empty());
    EXPECT_EQ(settings.writes, 0);
}

TEST_F(FolderAccessTest, CanonicalStoredFolderIsRestoredWithoutRewriting)
{
    const fs::path folder = fs::canonical(dir.createDir("Holiday 2024"));
    settings.values[bookmarkKey] = folder.string();
    FileAccessService service(&settings, {});

    EXPECT_EQ(service.restoreLastFolder(), folder);
    EXPECT_EQ(settings.writes, 0);
    EXPECT_TRUE(logged.empty());
}

TEST_F(FolderAccessTest, DeletedFolderIsLoggedAndStaysStored)
{
    const fs::path folder = dir.createDir("gone");
    settings.values[bookmarkKey] = folder.string();
    fs::remove(folder);
    FileAccessService service(&settings, {});

    EXPECT_EQ(service.restoreLastFolder(), std::nullopt);
    EXPECT_EQ(logged, std::vector<std::string> { "Failed to resolve bookmark: No such file or directory" });
    EXPECT_EQ(settings.writes, 0);
    EXPECT_EQ(settings.values.at(bookmarkKey), folder.string());
}

TEST_F(FolderAccessTest, UnresolvableValuesAreLoggedAndLeftStored)
{
    const fs::path file = dir.createFile("notes.txt", "x");
    const struct {
        const char *what;
        std::string stored;
        std::string logLine;
    } cases[] = {
        { "a file, not a folder", file.string(), "Failed to resolve bookmark: Not a directory" },
        { "a path through a file", (file / "inner").string(), "Failed to resolve bookmark: Not a directory" },
        { "a relative path", "Photos/2024",
            "Failed to resolve bookmark: The stored folder reference is not an absolute path." },
        { "an empty value", "", "Failed to resolve bookmark: The stored folder reference is not an absolute path." },
        { "bytes that are not UTF-8", dir.path().string() + "/\xff\xfe",
            "Failed to resolve bookmark: The stored folder reference is not valid UTF-8." },
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.what);
        logged.clear();
        settings.values[bookmarkKey] = c.stored;
        FileAccessService service(&settings, {});

        EXPECT_EQ(service.restoreLastFolder(), std::nullopt);
        EXPECT_EQ(logged, std::vector<std::string> { c.logLine });
        EXPECT_EQ(settings.values.at(bookmarkKey), c.stored);
    }
    EXPECT_EQ(settings.writes, 0);
}

TEST_F(FolderAccessTest, StaleReferencesAreResolvedAndStoredCanonically)
{
    const fs::path folder = fs::canonical(dir.createDir("x"));
    fs::create_directory_symlink(folder, dir.path() / "link");
    const struct {
        const char *what;
        std::string stored;
    } cases[] = {
        { "a dot-dot component", (folder / ".." / "x").string() },
        { "a dot component", (folder.parent_path() / "." / "x").string() },
        { "a trailing separator", folder.string() + "/" },
        { "a doubled separator", folder.parent_path().string() + "//x" },
        { "a symbolic link", (fs::canonical(dir.path()) / "link").string() },
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.what);
        settings.values[bookmarkKey] = c.stored;
        const int writesBefore = settings.writes;
        FileAccessService service(&settings, {});

        EXPECT_EQ(service.restoreLastFolder(), folder);
        EXPECT_EQ(settings.values.at(bookmarkKey), folder.string());
        EXPECT_EQ(settings.writes, writesBefore + 1);
        // The refreshed value is canonical, so the next start finds it fresh and writes nothing.
        EXPECT_EQ(service.restoreLastFolder(), folder);
        EXPECT_EQ(settings.writes, writesBefore + 1);
    }
    EXPECT_TRUE(logged.empty());
}

TEST_F(FolderAccessTest, StaleReferenceThatCannotBeRewrittenIsStillRestored)
{
    const fs::path folder = fs::canonical(dir.createDir("x"));
    const std::string stale = (folder / ".." / "x").string();
    settings.values[bookmarkKey] = stale;
    settings.refuseWrites = true;
    FileAccessService service(&settings, {});

    EXPECT_EQ(service.restoreLastFolder(), folder);
    ASSERT_EQ(logged.size(), 1u);
    EXPECT_EQ(logged[0].rfind("Failed to persist bookmark: ", 0), 0u) << logged[0];
    EXPECT_GT(logged[0].size(), std::string("Failed to persist bookmark: ").size());
    EXPECT_EQ(settings.values.at(bookmarkKey), stale);
}

} // namespace
