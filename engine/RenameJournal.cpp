#include "RenameJournal.h"

#include <algorithm>
#include <charconv>
#include <chrono>
#include <cerrno>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <system_error>
#include <unordered_set>

#include <fcntl.h>
#include <time.h>
#include <nlohmann/json.hpp>
#include <sys/file.h>
#include <unistd.h>

#include "Uuid.h"

namespace {

constexpr std::string_view runningSuffix = ".running";
constexpr std::string_view completeSuffix = ".batch";

std::int64_t nowNanoseconds()
{
    return std::chrono::duration_cast<std::chrono::nanoseconds>(std::chrono::system_clock::now().time_since_epoch())
        .count();
}

/// Appends `text` as a JSON string. Names reaching the journal are valid UTF-8 (the listing leaves out the rest),
/// so only quotes, backslashes and control characters need escaping; this is much cheaper than building a
/// JSON value per step of a large batch.
void appendString(std::string &out, std::string_view text)
{
    out += '"';
    const auto plain = [](char c) { return c != '"' && c != '\\' && static_cast<unsigned char>(c) >= 0x20; };
    for (auto from = text.begin(); from != text.end();) {
        // Runs of characters that need no escape, as whole names mostly are, go in at once.
        const auto special = std::find_if_not(from, text.end(), plain);
        out.append(from, special);
        if (special == text.end())
            break;
        const auto byte = static_cast<unsigned char>(*special);
        if (byte >= 0x20) {
            out += '\\';
            out += *special;
        } else {
            static constexpr char hex[] = "0123456789abcdef";
            out += "\\u00";
            out += hex[byte >> 4];
            out += hex[byte & 15];
        }
        from = special + 1;
    }
    out += '"';
}

/// Appends `label` and `value` in decimal, without a string of its own for the number (a journal writes three per
/// step).
template <typename Number> void appendNumber(std::string &out, std::string_view label, Number value)
{
    char digits[24];
    const auto end = std::to_chars(std::begin(digits), std::end(digits), value).ptr;
    out.append(label).append(digits, static_cast<std::size_t>(end - digits));
}

std::string indexList(const std::vector<std::size_t> &indices)
{
    std::string out = "[";
    for (std::size_t i = 0; i < indices.size(); ++i) {
        if (i > 0)
            out += ',';
        out += std::to_string(indices[i]);
    }
    return out + "]";
}

bool writeAll(int fd, const std::string &text)
{
    std::size_t written = 0;
    while (written < text.size()) {
        const ssize_t count = ::write(fd, text.data() + written, text.size() - written);
        if (count < 0 && errno == EINTR)
            continue;
        if (count <= 0)
            return false;
        written += static_cast<std::size_t>(count);
    }
    return true;
}

bool syncFolder(const std::filesystem::path &folder)
{
    const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return false;
    const bool synced = ::fsync(fd) == 0;
    ::close(fd);
    return synced;
}

/// A monotonic clock read cheaply enough to ask after every rename (to a few milliseconds), in nanoseconds.
std::int64_t coarseNow()
{
    struct timespec now { };
    ::clock_gettime(CLOCK_MONOTONIC_COARSE, &now);
    return static_cast<std::int64_t>(now.tv_sec) * 1'000'000'000 + now.tv_nsec;
}

std::vector<std::size_t> indicesOf(const nlohmann::json &value)
{
    std::vector<std::size_t> indices;
    if (value.is_array()) {
        for (const auto &item : value) {
            if (item.is_number_unsigned())
                indices.push_back(item.get<std::size_t>());
        }
    }
    return indices;
}

/// Parses a journal read from `lines`. Lines that do not parse (a line cut short by a crash) are passed over.
std::optional<JournalRecord> parse(std::istream &lines, bool withSteps)
{
    JournalRecord record;
    bool ready = false;
    bool headerSeen = false;
    std::string line;
    while (std::getline(lines, line)) {
        // Step lines are most of a journal; a summary passes over them without parsing.
        if (!withSteps && headerSeen && line.compare(0, 8, "{\"from\":") == 0)
            continue;
        const auto json = nlohmann::json::parse(line, nullptr, false);
        if (json.is_discarded() || !json.is_object())
            continue;
        if (!headerSeen) {
            if (!json.contains("journal"))
                return std::nullopt;
            headerSeen = true;
            record.id = json.value("id", "");
            record.kind = json.value("kind", "") == "undo" ? JournalRecord::Kind::undo : JournalRecord::Kind::apply;
            record.folder = json.value("folder", "");
            record.identity
                = FolderIdentity { json.value<std::uint64_t>("device", 0), json.value<std::uint64_t>("inode", 0) };
            record.started = json.value<std::int64_t>("started", 0);
            record.undoes = json.value("undoes", "");
            record.stepCount = json.value<std::size_t>("steps", 0);
            record.remaining = indicesOf(json.value("skipped", nlohmann::json::array()));
            // Grown step by step, a million steps would pass through lists of twice the size; a header that
            // claims more than that is not believed in advance.
            if (withSteps)
                record.steps.reserve(std::min<std::size_t>(record.stepCount, std::size_t(1) << 21));
            continue;
        }
        if (json.contains("from")) {
            if (withSteps) {
                JournalStep step;
                step.from = json.value("from", "");
                step.to = json.value("to", "");
                step.temporary = json.value("tmp", "");
                step.inode = json.value<std::uint64_t>("ino", 0);
                step.size = json.value<std::int64_t>("size", 0);
                step.modified = json.value<std::int64_t>("mtime", 0);
                step.source = json.value<std::int64_t>("src", -1);
                record.steps.push_back(std::move(step));
            }
        } else if (json.contains("ready")) {
            ready = true;
        } else if (json.contains("done")) {
            record.progress = std::max(record.progress, json.value<std::int64_t>("done", 0));
        } else if (json.contains("placeholder")) {
            record.placeholders[json.value<std::size_t>("placeholder", 0)].push_back(
                json.value<std::uint64_t>("ino", 0));
        } else if (json.contains("complete")) {
            record.complete = true;
            record.outcome = json.value("complete", "");
            record.failed = indicesOf(json.value("failed", nlohmann::json::array()));
            if (json.contains("remaining"))
                record.remaining = indicesOf(json["remaining"]);
        }
    }
    // Without the line that closes the list of steps, the batch never began: nothing was renamed.
    if (!headerSeen || !ready || (withSteps && record.steps.size() != record.stepCount))
        return std::nullopt;
    return record;
}

std::optional<JournalRecord> parse(const std::string &text, bool withSteps)
{
    std::istringstream lines(text);
    return parse(lines, withSteps);
}

std::optional<std::string> readFile(const std::filesystem::path &file)
{
    std::ifstream in(file, std::ios::binary);
    if (!in)
        return std::nullopt;
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

/// The first line of a complete journal and its closing line (which is its last), with the line that says the
/// steps were all written between them: enough for a summary, without reading the steps of a large batch.
std::optional<std::string> readEnds(const std::filesystem::path &file)
{
    std::ifstream in(file, std::ios::binary);
    std::string head;
    if (!in || !std::getline(in, head))
        return std::nullopt;
    constexpr std::streamoff tailBytes = 1 << 16;
    in.seekg(0, std::ios::end);
    const std::streamoff size = in.tellg();
    const std::streamoff start
        = std::max<std::streamoff>(static_cast<std::streamoff>(head.size()) + 1, size - tailBytes);
    in.seekg(start);
    std::string tail(static_cast<std::size_t>(size - start), '\0');
    in.read(tail.data(), static_cast<std::streamsize>(tail.size()));
    if (!in)
        return std::nullopt;
    while (!tail.empty() && tail.back() == '\n')
        tail.pop_back();
    const std::size_t lastLine = tail.rfind('\n');
    // A closing line longer than the tail (a list of many failures): read the whole file after all.
    if (lastLine == std::string::npos && start > static_cast<std::streamoff>(head.size()) + 1)
        return readFile(file);
    return head + "\n{\"ready\":0}\n" + tail.substr(lastLine == std::string::npos ? 0 : lastLine + 1) + "\n";
}

std::filesystem::path lockFileOf(const std::filesystem::path &store, const FolderIdentity &folder)
{
    return store / "locks" / (std::to_string(folder.device) + "-" + std::to_string(folder.inode) + ".lock");
}

/// Whether some process holds the lock of `folder` (a batch on it is running).
bool folderBusy(const std::filesystem::path &store, const FolderIdentity &folder)
{
    const int fd = ::open(lockFileOf(store, folder).c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return false;
    const bool busy = ::flock(fd, LOCK_SH | LOCK_NB) != 0 && errno == EWOULDBLOCK;
    ::close(fd);
    return busy;
}

/// A journal cut off before its list of steps was complete belongs to a batch that renamed nothing. Once no
/// process holds its folder's lock (a batch takes the lock before it writes its journal), it is removed.
void removeIfAbandoned(const std::filesystem::path &file, const std::string &text)
{
    const auto header = nlohmann::json::parse(text.substr(0, text.find('\n')), nullptr, false);
    if (header.is_discarded() || !header.is_object() || !header.contains("journal"))
        return;
    const FolderIdentity folder { header.value<std::uint64_t>("device", 0), header.value<std::uint64_t>("inode", 0) };
    if (!folderBusy(file.parent_path(), folder)) {
        std::error_code error;
        std::filesystem::remove(file, error);
    }
}

} // namespace

std::filesystem::path RenameJournalStore::defaultLocation()
{
    const char *state = std::getenv("XDG_STATE_HOME");
    if (state && state[0] == '/')
        return std::filesystem::path(state) / "Quorvane";
    const char *home = std::getenv("HOME");
    return std::filesystem::path(home && home[0] ? home : "/") / ".local" / "state" / "Quorvane";
}

RenameJournalStore::RenameJournalStore(std::filesystem::path location)
    : m_location(std::move(location))
{
}

RenameJournalStore::FolderLock::FolderLock(int fd)
    : m_fd(fd)
{
}

RenameJournalStore::FolderLock::~FolderLock()
{
    ::close(m_fd);
}

Result<std::unique_ptr<RenameJournalStore::FolderLock>> RenameJournalStore::lockFolder(
    const FolderIdentity &folder) const
{
    std::error_code made;
    std::filesystem::create_directories(m_location / "locks", made);
    const int fd = ::open(lockFileOf(m_location, folder).c_str(), O_CREAT | O_RDWR | O_CLOEXEC, 0600);
    if (fd < 0) {
        const int code = errno;
        return Error {
            "The rename journal cannot be written: " + std::error_code(code, std::generic_category()).message(), code
        };
    }
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        const int code = errno;
        ::close(fd);
        return Error { code == EWOULDBLOCK
                ? "Another rename is running in this folder."
                : "The rename journal cannot be locked: " + std::error_code(code, std::generic_category()).message(),
            code };
    }
    return std::make_unique<FolderLock>(fd);
}

std::optional<JournalRecord> RenameJournalStore::read(const std::filesystem::path &file) const
{
    // Parsed as it is read: the text of a million steps is some 100 MB.
    std::ifstream in(file, std::ios::binary);
    if (!in)
        return std::nullopt;
    auto record = parse(in, true);
    if (record)
        record->file = file;
    return record;
}

std::vector<JournalRecord> RenameJournalStore::records(bool withSteps) const
{
    std::vector<JournalRecord> found;
    std::error_code error;
    for (const auto &item : std::filesystem::directory_iterator(m_location, error)) {
        const std::string name = item.path().filename().native();
        if (!name.ends_with(runningSuffix) && !name.ends_with(completeSuffix))
            continue;
        const auto text = withSteps || name.ends_with(runningSuffix) ? readFile(item.path()) : readEnds(item.path());
        if (!text)
            continue;
        if (auto record = parse(*text, withSteps)) {
            record->file = item.path();
            found.push_back(std::move(*record));
        } else if (name.ends_with(runningSuffix)) {
            removeIfAbandoned(item.path(), *text);
        }
    }
    std::stable_sort(found.begin(), found.end(),
        [](const JournalRecord &a, const JournalRecord &b) { return a.started < b.started; });
    return found;
}

std::vector<JournalRecord> RenameJournalStore::interrupted(std::optional<FolderIdentity> folder, bool lockHeld) const
{
    std::vector<JournalRecord> found;
    for (auto &record : records(false)) {
        if (record.complete || (folder && record.identity != *folder))
            continue;
        // The caller's own lock would make the folder look busy; with it held, no batch of the folder can run.
        if (!(lockHeld && folder) && folderBusy(m_location, record.identity))
            continue;
        found.push_back(std::move(record));
    }
    return found;
}

std::vector<RenameJournalStore::HistoryEntry> RenameJournalStore::history(std::optional<FolderIdentity> folder) const
{
    auto entries = summaryHistory();
    if (folder) {
        std::erase_if(entries, [&](const HistoryEntry &entry) { return entry.batch.identity != *folder; });
    }
    // Only the newest entry is undone next; reading every step of the others would cost time for nothing.
    if (!entries.empty()) {
        if (auto whole = read(entries.back().batch.file))
            entries.back().batch.steps = std::move(whole->steps);
        else
            entries.pop_back();
    }
    return entries;
}

std::vector<RenameJournalStore::HistoryEntry> RenameJournalStore::summaryHistory() const
{
    std::vector<HistoryEntry> entries;
    for (auto &record : records(false)) {
        if (!record.complete)
            continue;
        if (record.kind == JournalRecord::Kind::apply) {
            if (record.outcome == "undone")
                continue;
            const std::unordered_set<std::size_t> failed(record.failed.begin(), record.failed.end());
            HistoryEntry entry { std::move(record), {} };
            for (std::size_t i = 0; i < entry.batch.stepCount; ++i) {
                if (!failed.count(i))
                    entry.steps.push_back(i);
            }
            if (!entry.steps.empty())
                entries.push_back(std::move(entry));
            continue;
        }
        // An undo takes its batch out of the history; what it could not restore comes back as the newest entry.
        const auto undone = std::find_if(
            entries.begin(), entries.end(), [&](const HistoryEntry &entry) { return entry.batch.id == record.undoes; });
        if (undone == entries.end())
            continue;
        HistoryEntry rest { std::move(undone->batch), record.remaining };
        entries.erase(undone);
        std::sort(rest.steps.begin(), rest.steps.end());
        if (!rest.steps.empty())
            entries.push_back(std::move(rest));
    }
    // A batch whose folder is gone (or is now another folder) can no longer be taken back.
    std::erase_if(entries,
        [](const HistoryEntry &entry) { return FolderIdentity::of(entry.batch.folder) != entry.batch.identity; });
    if (entries.size() > historyDepth)
        entries.erase(entries.begin(), entries.end() - static_cast<std::ptrdiff_t>(historyDepth));
    return entries;
}

void RenameJournalStore::prune() const
{
    const auto kept = summaryHistory();
    std::unordered_set<std::string> keep;
    for (const auto &entry : kept)
        keep.insert(entry.batch.id);
    for (const auto &record : records(false)) {
        if (!record.complete)
            continue;
        // An undo journal is kept while the batch it took back (part of) is still in the history.
        if (keep.count(record.id) || (record.kind == JournalRecord::Kind::undo && keep.count(record.undoes)))
            continue;
        std::error_code error;
        std::filesystem::remove(record.file, error);
    }
}

Result<std::unique_ptr<RenameJournalWriter>> RenameJournalWriter::create(const RenameJournalStore &store,
    JournalRecord::Kind kind, const BatchFolder &folder, const std::vector<JournalStep> &steps,
    const std::string &undoes)
{
    return createWithSkipped(store, kind, folder, steps, undoes, {});
}

Result<std::unique_ptr<RenameJournalWriter>> RenameJournalWriter::createWithSkipped(const RenameJournalStore &store,
    JournalRecord::Kind kind, const BatchFolder &folder, const std::vector<JournalStep> &steps,
    const std::string &undoes, const std::vector<std::size_t> &skipped)
{
    const auto fail = [](int code) {
        return Error {
            "The rename journal cannot be written: " + std::error_code(code, std::generic_category()).message(), code
        };
    };
    std::error_code made;
    std::filesystem::create_directories(store.location(), made);
    if (made)
        return fail(made.value());

    std::unique_ptr<RenameJournalWriter> writer(new RenameJournalWriter);
    writer->m_started = nowNanoseconds();
    writer->m_id = std::to_string(writer->m_started) + "-" + Uuid::random().toString();
    writer->m_path = store.location() / (writer->m_id + std::string(runningSuffix));

    // The closing line of a batch is written without a flush (see `complete`); it must be on disk before a later
    // batch of the same folder can be, so that a crash never leaves that batch complete but an earlier one cut
    // short. A journal already on disk costs next to nothing here.
    for (const JournalRecord &earlier : store.records(false)) {
        if (earlier.identity != folder.identity())
            continue;
        const int earlierFd = ::open(earlier.file.c_str(), O_RDONLY | O_CLOEXEC);
        if (earlierFd >= 0) {
            ::fdatasync(earlierFd);
            ::close(earlierFd);
        }
    }

    writer->m_fd = ::open(writer->m_path.c_str(), O_CREAT | O_EXCL | O_WRONLY | O_APPEND | O_CLOEXEC, 0600);
    if (writer->m_fd < 0)
        return fail(errno);
    // Written a slice at a time: a million steps would otherwise be one text of some 200 MB held at once. Until
    // its closing "ready" line is on disk, a journal counts as never written.
    constexpr std::size_t slice = 1 << 20;
    std::string text = "{\"journal\":1,\"id\":";
    appendString(text, writer->m_id);
    text += kind == JournalRecord::Kind::undo ? ",\"kind\":\"undo\",\"folder\":" : ",\"kind\":\"apply\",\"folder\":";
    appendString(text, folder.root().native());
    text += ",\"device\":" + std::to_string(folder.identity().device);
    text += ",\"inode\":" + std::to_string(folder.identity().inode);
    text += ",\"started\":" + std::to_string(writer->m_started);
    text += ",\"undoes\":";
    appendString(text, undoes);
    text += ",\"skipped\":" + indexList(skipped);
    text += ",\"steps\":" + std::to_string(steps.size()) + "}\n";
    text.reserve(std::max(text.size(), slice) + 4096);
    bool written = true;
    for (const JournalStep &step : steps) {
        text += "{\"from\":";
        appendString(text, step.from);
        text += ",\"to\":";
        appendString(text, step.to);
        if (!step.temporary.empty()) {
            text += ",\"tmp\":";
            appendString(text, step.temporary);
        }
        appendNumber(text, ",\"ino\":", step.inode);
        appendNumber(text, ",\"size\":", step.size);
        appendNumber(text, ",\"mtime\":", step.modified);
        if (step.source >= 0)
            appendNumber(text, ",\"src\":", step.source);
        text += "}\n";
        if (text.size() >= slice) {
            written = writeAll(writer->m_fd, text);
            text.clear();
            if (!written)
                break;
        }
    }
    text += "{\"ready\":" + std::to_string(steps.size()) + "}\n";

    // The steps must be on disk, and the file findable in its folder, before the first rename.
    if (!written || !writeAll(writer->m_fd, text) || ::fsync(writer->m_fd) != 0 || !syncFolder(store.location())) {
        const int code = errno ? errno : EIO;
        ::close(writer->m_fd);
        writer->m_fd = -1;
        ::unlink(writer->m_path.c_str());
        return fail(code);
    }
    writer->m_lastReport = coarseNow();
    return writer;
}

RenameJournalWriter::~RenameJournalWriter()
{
    if (m_fd >= 0)
        ::close(m_fd);
}

void RenameJournalWriter::append(const std::string &line, bool flush)
{
    if (m_fd < 0)
        return;
    (void)writeAll(m_fd, line);
    if (flush)
        ::fdatasync(m_fd);
}

void RenameJournalWriter::placeholder(std::size_t index, std::uint64_t inode)
{
    append("{\"placeholder\":" + std::to_string(index) + ",\"ino\":" + std::to_string(inode) + "}\n", false);
    m_placeholderPending = true;
}

void RenameJournalWriter::progress(std::size_t done)
{
    constexpr std::int64_t second = 1'000'000'000;
    if (done == m_lastDone || coarseNow() - m_lastReport < second)
        return;
    m_lastDone = done;
    m_lastReport = coarseNow();
    // Recovery reads which steps were done from the disk, not from these lines, so they need no flush of their
    // own (each would make the file system commit every rename so far, while the batch waits). Placeholders are
    // different: recovery removes one for certain only by its recorded inode, so those are flushed within a second.
    append("{\"done\":" + std::to_string(done) + "}\n", m_placeholderPending);
    m_placeholderPending = false;
}

void RenameJournalWriter::complete(
    const std::string &outcome, const std::vector<std::size_t> &failed, const std::vector<std::size_t> &remaining)
{
    std::string line = "{\"complete\":";
    appendString(line, outcome);
    line += ",\"failed\":" + indexList(failed);
    line += ",\"remaining\":" + indexList(remaining) + "}\n";
    // Not flushed: should a crash lose this line, the batch is found interrupted, and recovery, which decides from
    // the disk which steps were done, finishes it where it ended (trying a failed step once more) or takes it back,
    // as the user chooses. Flushing here would make the file system commit every rename of the batch while the
    // user waits. The next batch of the folder flushes this line before it begins (`create`), so only the newest
    // batch of a folder can be found so.
    append(line, false);
    ::close(m_fd);
    m_fd = -1;
    std::filesystem::path done = m_path;
    done.replace_extension(completeSuffix);
    // A journal still named ".running" that holds the closing line counts as complete.
    (void)::rename(m_path.c_str(), done.c_str());
}

bool RenameJournalWriter::completeInterrupted(const JournalRecord &record, const std::string &outcome,
    const std::vector<std::size_t> &failed, const std::vector<std::size_t> &remaining)
{
    RenameJournalWriter writer;
    writer.m_path = record.file;
    writer.m_fd = ::open(record.file.c_str(), O_WRONLY | O_APPEND | O_CLOEXEC);
    if (writer.m_fd < 0)
        return false;
    // A journal cut off in the middle of a line gets a line break first, so the closing line parses.
    writer.append("\n", false);
    writer.complete(outcome, failed, remaining);
    return true;
}
