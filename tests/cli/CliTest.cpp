#include <array>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>
#include <sys/wait.h>

#include "TestDir.h"
#include "TestMount.h"
#include "TinyJpeg.h"

namespace {

struct Run {
    int status = -1;
    std::string out;
    std::string err;
};

std::string quote(const std::string &text)
{
    std::string quoted = "'";
    for (char c : text)
        quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return quoted + "'";
}

// Runs the real binary as a whole process, with its standard error sent to a file of the test folder.
Run runCli(const TestDir &scratch, const std::vector<std::string> &arguments, const std::string &environment = {})
{
    std::string command = environment + " " + quote(QUORVANE_CLI_PATH);
    for (const auto &argument : arguments)
        command += " " + quote(argument);
    command += " 2>" + quote((scratch.path() / "stderr.txt").string());
    Run run;
    FILE *pipe = ::popen(command.c_str(), "r");
    if (!pipe)
        return run;
    std::array<char, 4096> buffer;
    std::size_t count;
    while ((count = std::fread(buffer.data(), 1, buffer.size(), pipe)) > 0)
        run.out.append(buffer.data(), count);
    const int status = ::pclose(pipe);
    run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    run.err = scratch.read("stderr.txt");
    return run;
}

class CliTest : public ::testing::Test {
protected:
    TestDir scratch;
    TestDir folder;
};

} // namespace

TEST_F(CliTest, PreviewListsSortedFilteredPlans)
{
    for (const char *name : { "b.txt", "A.txt", "c.jpg", "a.txt", ".hidden.txt" })
        folder.createFile(name, "x");
    folder.createFile("sub/d.txt", "x");

    const auto run = runCli(
        scratch, { "--params", R"({"strategy":"prefixSequence"})", "--include-ext", " TXT ", folder.path().string() });
    EXPECT_EQ(run.status, 0) << run.err;
    // Case-insensitive, stable by listing order for A/a; hidden, jpg and subfolder files left out.
    const auto lines = run.out;
    EXPECT_TRUE(lines == "A.txt -> 001_A.txt\na.txt -> 002_a.txt\nb.txt -> 003_b.txt\n"
        || lines == "a.txt -> 001_a.txt\nA.txt -> 002_A.txt\nb.txt -> 003_b.txt\n")
        << lines;

    const auto recursive = runCli(scratch, { "--recursive", "--name-contains", "D", folder.path().string() });
    EXPECT_EQ(recursive.status, 0);
    EXPECT_EQ(recursive.out, "d.txt -> d.txt\n");
    const auto caseSensitive
        = runCli(scratch, { "--recursive", "--case-sensitive", "--name-contains", "D", folder.path().string() });
    EXPECT_EQ(caseSensitive.out, "");
}

TEST_F(CliTest, JsonOutputCarriesPathsAndResolvedConflicts)
{
    folder.createFile("a.txt", "1");
    folder.createFile("b.txt", "2");
    folder.createFile("x.txt", "on disk");
    const auto run = runCli(scratch,
        { "--json", "--exclude-ext", "md", "--max-size", "1", "--params",
            R"({"strategy":"replace","useRegularExpression":true,"searchText":"^.$","replaceText":"x"})",
            folder.path().string() });
    ASSERT_EQ(run.status, 0) << run.err;
    const auto json = nlohmann::json::parse(run.out);
    ASSERT_TRUE(json.is_array());
    // x.txt is 7 bytes and filtered out by --max-size, but still holds its name on disk.
    ASSERT_EQ(json.size(), 2u);
    EXPECT_EQ(json[0]["originalName"], "a.txt");
    EXPECT_EQ(json[0]["newName"], "x (1).txt");
    EXPECT_EQ(json[1]["newName"], "x (2).txt");
    EXPECT_EQ(json[0]["originalPath"], (folder.path() / "a.txt").string());
    EXPECT_EQ(json[1]["newPath"], (folder.path() / "x (2).txt").string());
}

TEST_F(CliTest, JsonSaysWhichDateNamedEachFileOnlyForCaptureDateNames)
{
    // A real photo with a capture date, the same photo named as a clip, and a photo without one.
    const auto dated = folder.createFile("a.jpg", tinyJpeg());
    ASSERT_EQ(
        std::system(
            ("exiftool -q -overwrite_original '-DateTimeOriginal=2021:04:11 09:08:07' " + dated.string()).c_str()),
        0);
    std::filesystem::copy_file(dated, folder.path() / "b.mov");
    folder.createFile("c.jpg", tinyJpeg());
    const std::vector<std::pair<std::string, std::vector<std::string>>> table = {
        { R"({"strategy":"dateName","dateIncludeSequence":false})", { "capture", "capture", "created" } },
        { R"({"strategy":"dateName","dateSource":"created"})", {} },
        { R"({"strategy":"prefix","prefixText":"x"})", {} },
    };
    for (const auto &[params, sources] : table) {
        const auto run = runCli(scratch, { "--json", "--params", params, folder.path().string() }, "TZ=UTC");
        ASSERT_EQ(run.status, 0) << run.err;
        const auto json = nlohmann::ordered_json::parse(run.out);
        ASSERT_EQ(json.size(), 3u) << params;
        for (std::size_t i = 0; i < json.size(); ++i) {
            // The other members stay as they were, in their order.
            std::vector<std::string> keys;
            for (const auto &[key, value] : json[i].items())
                keys.push_back(key);
            std::vector<std::string> expectedKeys { "originalPath", "newPath", "originalName", "newName" };
            if (!sources.empty())
                expectedKeys.push_back("dateSource");
            EXPECT_EQ(keys, expectedKeys) << params;
            if (!sources.empty()) {
                EXPECT_EQ(json[i]["dateSource"], sources[i]) << params << ' ' << i;
            }
        }
        if (!sources.empty()) {
            EXPECT_EQ(json[0]["newName"], "2021-04-11_a.jpg");
            EXPECT_EQ(json[1]["newName"], "2021-04-11_b.mov");
        }
    }
}

TEST_F(CliTest, BadOptionsAndSettingsExitWithStatusTwo)
{
    const std::vector<std::vector<std::string>> cases = {
        { "--no-such-option", folder.path().string() },
        { "--params", "{not json", folder.path().string() },
        { "--params", R"({"strategy":"Prefix"})", folder.path().string() },
        { "--params", R"({"sequenceStart":"1"})", folder.path().string() },
        { "--params", R"([1,2])", folder.path().string() },
        { "--min-size", "ten", folder.path().string() },
        { "--max-size", "99999999999999999999", folder.path().string() },
        { "--min-size", "-1", folder.path().string() },
        { "--max-size=-5", folder.path().string() },
        { "--params" },
        {},
        { folder.path().string(), folder.path().string() },
    };
    for (const auto &arguments : cases) {
        const auto run = runCli(scratch, arguments);
        EXPECT_EQ(run.status, 2) << arguments.size();
        EXPECT_EQ(run.out, "");
        ASSERT_FALSE(run.err.empty());
        EXPECT_EQ(run.err.find('\n'), run.err.size() - 1) << "one line: " << run.err;
    }
}

TEST_F(CliTest, UnlistableFolderExitsWithStatusOne)
{
    const auto file = folder.createFile("plain.txt", "x");
    for (const auto &target : { file.string(), (folder.path() / "missing").string() }) {
        const auto run = runCli(scratch, { target });
        EXPECT_EQ(run.status, 1);
        EXPECT_EQ(run.err, "Cannot access the selected folder.\n");
    }
}

TEST_F(CliTest, HelpDescribesEveryOption)
{
    const auto run = runCli(scratch, { "--help" });
    EXPECT_EQ(run.status, 0);
    for (const char *option : { "--params", "--recursive", "--include-ext", "--exclude-ext", "--name-contains",
             "--case-sensitive", "--min-size", "--max-size", "--json", "--apply", "--preset", "--save-preset" })
        EXPECT_NE(run.out.find(option), std::string::npos) << option;

    // The manual page is written from the same table: every option --help lists is an item of it (roff writes
    // the dashes as "\-"), and the option that writes it is in neither.
    const auto manual = runCli(scratch, { "--help-man" });
    EXPECT_EQ(manual.status, 0);
    std::istringstream lines(run.out);
    int options = 0;
    for (std::string line; std::getline(lines, line);) {
        if (line.rfind("  --", 0) != 0)
            continue;
        const std::string name = line.substr(4, line.find(' ', 4) - 4);
        EXPECT_NE(manual.out.find("\"\\-\\-" + name), std::string::npos) << name;
        ++options;
    }
    EXPECT_GE(options, 12);
    EXPECT_EQ(run.out.find("--help-man"), std::string::npos);
    EXPECT_EQ(manual.out.find("help\\-man"), std::string::npos);
}

TEST_F(CliTest, ApplyRenamesChangedFilesAndReportsFailures)
{
    folder.createFile("a.txt", "alpha");
    folder.createFile("b.txt", "beta");
    const auto run = runCli(scratch, { "--apply", "--params", R"({"prefixText":"x_"})", folder.path().string() });
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.out, "Renamed 2 items\n");
    EXPECT_EQ(folder.read("x_a.txt"), "alpha");
    EXPECT_EQ(folder.read("x_b.txt"), "beta");

    // Unchanged names are not attempted.
    const auto nothing = runCli(scratch, { "--apply", folder.path().string() });
    EXPECT_EQ(nothing.status, 0);
    EXPECT_EQ(nothing.out, "Renamed 0 items\n");

    // A name longer than the file system allows is planned, then refused by the file system; the rest go on.
    folder.createFile("l.md", "keep me");
    const std::string longPrefix(250, 'L');
    const auto failing = runCli(
        scratch, { "--apply", "--params", R"({"prefixText":")" + longPrefix + R"("})", folder.path().string() });
    EXPECT_EQ(failing.status, 1);
    EXPECT_EQ(failing.out, "Renamed 1, 2 failed\nx_a.txt: File name too long\nx_b.txt: File name too long\n");
    EXPECT_EQ(folder.read("x_a.txt"), "alpha");
    EXPECT_EQ(folder.read(longPrefix + "l.md"), "keep me");

    EXPECT_EQ(runCli(scratch, { "--apply", "--json", folder.path().string() }).status, 2);

    // A file removed by another program after the listing fails with the system's reason; the others are renamed,
    // and only they are taken back by an undo.
    const TestDir dir;
    for (const char *name : { "a.txt", "b.txt", "c.txt" })
        dir.createFile(name, name);
    const auto vanished = runCli(scratch, { "--apply", "--params", R"({"prefixText":"v_"})", dir.path().string() },
        "QUORVANE_TEST_VANISH=b.txt ASAN_OPTIONS=verify_asan_link_order=0 LD_PRELOAD="
            + quote(QUORVANE_CASE_RACER_PATH));
    EXPECT_EQ(vanished.status, 1);
    EXPECT_EQ(vanished.out, "Renamed 2, 1 failed\nb.txt: No such file or directory\n");
    const auto undone = runCli(scratch, { "--undo", dir.path().string() });
    EXPECT_EQ(undone.out, "Reverted 2 items\n") << undone.err;
    EXPECT_EQ(dir.read("a.txt") + dir.read("c.txt"), "a.txtc.txt");
}

TEST_F(CliTest, NumbersOnlyTheFilesTheListingKeeps)
{
    if (!canMakeImmutable())
        GTEST_SKIP() << "immutable files are not available here";
    for (const char *name : { "a.txt", "b.txt", "c.txt", ".hidden", "sub/d.txt" })
        folder.createFile(name, name);
    ASSERT_TRUE(setImmutable(folder.path() / "b.txt", true));
    const auto run
        = runCli(scratch, { "--apply", "--params", R"({"strategy":"prefixSequence"})", folder.path().string() });
    setImmutable(folder.path() / "b.txt", false);
    EXPECT_EQ(run.out, "Renamed 2 items\n");
    EXPECT_EQ(run.err, "1 file left out: not writable\n");
    EXPECT_EQ(folder.read("001_a.txt") + folder.read("b.txt") + folder.read("002_c.txt") + folder.read(".hidden"),
        "a.txtb.txtc.txt.hidden");
}

// A racer takes the new name while a change of letter case passes through the hidden name: the file goes back to
// its old name when that is still free, and otherwise the report says where it is. It keeps its contents.
TEST_F(CliTest, ACaseChangeOvertakenByARacerGoesBackOrSaysWhereTheFileIs)
{
    for (const std::string race : { "new", "both" }) {
        SCOPED_TRACE(race);
        const TestDir dir;
        dir.createFile("photo.jpg", "the photo");
        const auto run = runCli(scratch, { "--apply", "--params", R"({"strategy":"uppercase"})", dir.path().string() },
            "QUORVANE_TEST_RACE=" + race
                + " ASAN_OPTIONS=verify_asan_link_order=0 LD_PRELOAD=" + quote(QUORVANE_CASE_RACER_PATH));
        EXPECT_EQ(run.status, 1);
        std::string hidden;
        for (const auto &entry : std::filesystem::directory_iterator(dir.path())) {
            if (entry.path().filename().string().rfind(".photo.jpg.qvtmp-", 0) == 0)
                hidden = entry.path().filename().string();
        }
        if (race == "new") {
            EXPECT_EQ(run.out, "Renamed 0, 1 failed\nphoto.jpg: File exists\n");
            EXPECT_EQ(dir.read("photo.jpg"), "the photo");
            EXPECT_EQ(hidden, "");
        } else {
            ASSERT_NE(hidden, "");
            EXPECT_EQ(run.out,
                "Renamed 0, 1 failed\nphoto.jpg: renamed to " + hidden
                    + " because the new name appeared during the rename\n");
            EXPECT_EQ(dir.read(hidden), "the photo");
            EXPECT_EQ(dir.read("photo.jpg"), "");
        }
    }
}

// Each run is a process of its own: the undo history lives in the journal store, not in a process.
TEST_F(CliTest, UndoInALaterRunTakesBackTheNewestBatchOfTheFolder)
{
    const std::string state = "XDG_STATE_HOME=" + quote((scratch.path() / "state").string());
    folder.createFile("a.txt", "alpha");
    folder.createFile("b.txt", "beta");
    ASSERT_EQ(
        runCli(scratch, { "--apply", "--params", R"({"prefixText":"x_"})", folder.path().string() }, state).status, 0);
    ASSERT_EQ(
        runCli(scratch, { "--apply", "--params", R"({"prefixText":"y_"})", folder.path().string() }, state).status, 0);
    const auto listed = runCli(scratch, { "--journal", folder.path().string() }, state);
    EXPECT_EQ(listed.status, 0);
    EXPECT_NE(listed.out.find("2 files  applied  " + folder.path().string()), std::string::npos) << listed.out;

    auto undone = runCli(scratch, { "--undo", folder.path().string() }, state);
    EXPECT_EQ(undone.status, 0) << undone.err;
    EXPECT_EQ(undone.out, "Reverted 2 items\n");
    EXPECT_EQ(folder.read("x_a.txt"), "alpha");
    // The file that took x_b.txt's place meanwhile is left alone and reported by name.
    std::filesystem::remove(folder.path() / "x_b.txt");
    folder.createFile("x_b.txt", "another file");
    undone = runCli(scratch, { "--undo", folder.path().string() }, state);
    EXPECT_EQ(undone.status, 1);
    EXPECT_EQ(undone.out, "Reverted 1 items, 1 could not be restored\nx_b.txt: another file now has this name\n");
    EXPECT_EQ(folder.read("a.txt"), "alpha");
    EXPECT_EQ(folder.read("x_b.txt"), "another file");
}

TEST_F(CliTest, PresetsAreSavedAndReusedThroughTheSettingsFile)
{
    folder.createFile("top.jpg", "x");
    folder.createFile("top.txt", "x");
    folder.createFile("sub/deep.JPG", "x");
    const std::string environment = "XDG_CONFIG_HOME=" + quote((scratch.path() / "config").string());

    const auto save = runCli(scratch,
        { "--save-preset", "Trip", "--recursive", "--include-ext", "jpg", "--params",
            R"({"strategy":"suffix","suffixText":"-trip"})", folder.path().string() },
        environment);
    ASSERT_EQ(save.status, 0) << save.err;
    EXPECT_TRUE(std::filesystem::exists(scratch.path() / "config/Quorvane/Quorvane.conf"));

    const auto reuse = runCli(scratch, { "--preset", "Trip", folder.path().string() }, environment);
    EXPECT_EQ(reuse.status, 0) << reuse.err;
    EXPECT_EQ(reuse.out, "deep.JPG -> deep-trip.JPG\ntop.jpg -> top-trip.jpg\n");

    // Options on the command line win over the preset.
    const auto overridden
        = runCli(scratch, { "--preset", "Trip", "--include-ext", "txt", folder.path().string() }, environment);
    EXPECT_EQ(overridden.out, "top.txt -> top-trip.txt\n");

    // Shell completion offers the names --list-presets prints.
    ASSERT_EQ(runCli(scratch, { "--save-preset", "Two words", folder.path().string() }, environment).status, 0);
    EXPECT_EQ(runCli(scratch, { "--list-presets" }, environment).out, "Two words\nTrip\n");

    const auto missing = runCli(scratch, { "--preset", "Nope", folder.path().string() }, environment);
    EXPECT_EQ(missing.status, 2);
    EXPECT_NE(missing.err.find("Nope"), std::string::npos);
}

TEST_F(CliTest, ControlCharactersInNamesAreEscapedInTextOutput)
{
    folder.createFile("a\nb -> evil.txt", "x");
    folder.createFile("\x1b[2Jc\\d\x7f.txt", "x");
    const auto run = runCli(scratch, { "--params", R"({"prefixText":"p"})", folder.path().string() });
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.out,
        "\\033[2Jc\\\\d\\177.txt -> p\\033[2Jc\\\\d\\177.txt\n"
        "a\\nb -> evil.txt -> pa\\nb -> evil.txt\n");
    // JSON carries the names as they are.
    const auto json = nlohmann::json::parse(runCli(scratch, { "--json", folder.path().string() }).out);
    EXPECT_EQ(json[1]["originalName"], "a\nb -> evil.txt");
    // The journal keeps such names (and quotes) exactly: an undo in a later run finds every file again.
    folder.createFile("say \"hi\"\t.txt", "x");
    EXPECT_EQ(runCli(scratch, { "--apply", "--params", R"({"prefixText":"p"})", folder.path().string() }).out,
        "Renamed 3 items\n");
    EXPECT_EQ(runCli(scratch, { "--undo", folder.path().string() }).out, "Reverted 3 items\n");
    EXPECT_EQ(folder.read("say \"hi\"\t.txt") + folder.read("a\nb -> evil.txt"), "xx");
}

TEST_F(CliTest, PresetsSavedByManyRunsAtOnceAllSurvive)
{
    const std::string environment = "XDG_CONFIG_HOME=" + quote((scratch.path() / "config").string());
    // Twenty runs at once, each saving its own preset; the shell reports how many failed.
    const std::string script = "pids=; for i in $(seq 1 20); do " + environment + " " + quote(QUORVANE_CLI_PATH)
        + " --save-preset P$i " + quote(folder.path().string())
        + " >/dev/null 2>&1 & pids=\"$pids $!\"; done; failed=0; for p in $pids; do wait $p || "
          "failed=$((failed+1)); done; echo $failed";
    FILE *pipe = ::popen(script.c_str(), "r");
    ASSERT_TRUE(pipe);
    std::array<char, 64> buffer {};
    const std::size_t count = std::fread(buffer.data(), 1, buffer.size() - 1, pipe);
    ::pclose(pipe);
    EXPECT_EQ(std::string(buffer.data(), count), "0\n");
    for (int i = 1; i <= 20; ++i) {
        const auto run = runCli(scratch, { "--preset", "P" + std::to_string(i), folder.path().string() }, environment);
        EXPECT_EQ(run.status, 0) << "P" << i << ": " << run.err;
    }
}

TEST_F(CliTest, SaveOnAFullDiskFailsWithTheReasonAndKeepsEarlierPresets)
{
    const auto settingsFolder = scratch.createDir("config/Quorvane");
    std::string whyNot;
    const auto disk = TestMount::tmpfs(settingsFolder, 64 * 1024, &whyNot);
    if (!disk)
        GTEST_SKIP() << whyNot;
    const std::string environment = "XDG_CONFIG_HOME=" + quote((scratch.path() / "config").string());
    ASSERT_EQ(runCli(scratch, { "--save-preset", "A", folder.path().string() }, environment).status, 0);

    const std::string big = R"({"prefixText":")" + std::string(60000, 'x') + R"("})";
    const auto full = runCli(scratch, { "--save-preset", "Big", "--params", big, folder.path().string() }, environment);
    EXPECT_EQ(full.status, 1);
    EXPECT_NE(full.err.find("No space left on device"), std::string::npos) << full.err;
    EXPECT_EQ(full.out, "");
    EXPECT_EQ(runCli(scratch, { "--preset", "A", folder.path().string() }, environment).status, 0);
}

TEST_F(CliTest, WhatIsLeftOutIsSaidOncePerCause)
{
    if (!canMakeImmutable())
        GTEST_SKIP() << "immutable files are not available here";
    folder.createFile(std::string(32, 'a') + "b.txt", "x");
    std::string deep = "d";
    for (int level = 0; level < 40; ++level)
        deep += "/d";
    folder.createFile(deep + "/deep.txt", "x");
    folder.createFile("bad\xff.txt", "x");
    const auto locked = { folder.createFile("locked1.txt", "x"), folder.createFile("locked2.txt", "x") };
    for (const auto &file : locked)
        ASSERT_TRUE(setImmutable(file, true));
    // A low open-file limit stops the walk somewhere down the deep tree.
    const auto run = runCli(scratch,
        { "--recursive", "--params",
            R"({"strategy":"replace","useRegularExpression":true,"searchText":"(a+)+$","replaceText":"x","colour":"red"})",
            folder.path().string() },
        "ulimit -n 24;");
    for (const auto &file : locked)
        setImmutable(file, false);

    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.out, std::string(32, 'a') + "b.txt -> " + std::string(32, 'a') + "b.txt\n");
    for (const char *line : { "quorvane-cli: warning: --params key \"colour\" is not known and is ignored\n",
             "2 files left out: not writable\n", "1 item left out: name is not valid UTF-8\n",
             "1 folder left out: cannot be opened (Too many open files)\n",
             "1 name left unchanged: the pattern took too long\n" })
        EXPECT_NE(run.err.find(line), std::string::npos) << line << run.err;
}

TEST_F(CliTest, ParamsTakeARuleListAndPresetsKeepIt)
{
    folder.createFile("IMG_summer_day.JPG", "x");
    folder.createFile("IMG_winter.jpg", "x");
    const std::string environment = "XDG_CONFIG_HOME=" + quote((scratch.path() / "config").string());
    const std::string chain = R"([{"strategy":"remove","removeCount":4},
        {"strategy":"replace","searchText":"_","replaceText":" "},{"strategy":"titleCase"},
        {"strategy":"prefixSequence","sequenceStep":5,"colour":"red"},{"strategy":"uppercase","enabled":false},
        {"strategy":"lowercase","preserveExtension":false}])";
    const std::string renamed = "IMG_summer_day.JPG -> 001_summer day.jpg\nIMG_winter.jpg -> 006_winter.jpg\n";
    const auto save
        = runCli(scratch, { "--save-preset", "Chain", "--params", chain, folder.path().string() }, environment);
    EXPECT_EQ(save.status, 0) << save.err;
    EXPECT_EQ(save.out, renamed);
    EXPECT_EQ(save.err, "quorvane-cli: warning: --params key \"colour\" (rule 4) is not known and is ignored\n");
    const auto reuse = runCli(scratch, { "--preset", "Chain", folder.path().string() }, environment);
    EXPECT_EQ(reuse.out, renamed) << reuse.err;

    // No rule, or none enabled, changes nothing; a wrong element is refused naming the rule.
    for (const char *nothing : { "[]", R"([{"enabled":false,"prefixText":"x"}])" })
        EXPECT_EQ(runCli(scratch, { "--params", nothing, folder.path().string() }).out,
            "IMG_summer_day.JPG -> IMG_summer_day.JPG\nIMG_winter.jpg -> IMG_winter.jpg\n");
    for (const auto &[bad, said] :
        std::vector<std::pair<std::string, std::string>> { { R"([{}, "prefix"])", "rule 2: expected an object" },
            { R"([{}, {"sequenceStep": 0}])", "rule 2: \"sequenceStep\": must not be 0" },
            { R"([{"enabled": 1}])", "rule 1: \"enabled\"" },
            { R"({"sequenceStep": 99999999999999999999})", "\"sequenceStep\"" } }) {
        const auto run = runCli(scratch, { "--params", bad, folder.path().string() });
        EXPECT_EQ(run.status, 2) << bad;
        EXPECT_NE(run.err.find(said), std::string::npos) << run.err;
    }
}
