#include "SettingsStoreQt.h"

#include <cerrno>
#include <memory>
#include <system_error>
#include <utility>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLockFile>
#include <QSettings>
#include <QTemporaryDir>

#include "Log.h"
#include "QtConversions.h"
#include "SettingsWriteFailures.h"

namespace {

std::string errnoText(int code)
{
    return std::generic_category().message(code);
}

/// A descriptor closed when leaving scope.
class Descriptor final {
public:
    explicit Descriptor(int fd)
        : m_fd(fd)
    {
    }
    ~Descriptor()
    {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    Descriptor(const Descriptor &) = delete;
    Descriptor &operator=(const Descriptor &) = delete;

    int get() const { return m_fd; }
    /// Closes now and returns close's result: on some file systems a failed write shows only here.
    int close() { return ::close(std::exchange(m_fd, -1)); }

private:
    int m_fd;
};

std::optional<std::string> writeAll(int fd, const QByteArray &contents)
{
    const char *data = contents.constData();
    qsizetype left = contents.size();
    while (left > 0) {
        const ssize_t written = ::write(fd, data, static_cast<std::size_t>(left));
        if (written < 0 && errno == EINTR)
            continue;
        if (written < 0)
            return errnoText(errno);
        data += written;
        left -= written;
    }
    return std::nullopt;
}

/// The whole file: empty when it does not exist, nothing (with `error` set) when it cannot be read.
std::optional<QByteArray> readWhole(const QByteArray &path, std::string &error)
{
    Descriptor fd(::open(path.constData(), O_RDONLY | O_CLOEXEC));
    if (fd.get() < 0) {
        if (errno == ENOENT)
            return QByteArray();
        error = errnoText(errno);
        return std::nullopt;
    }
    QByteArray contents;
    char buffer[65536];
    for (;;) {
        const ssize_t got = ::read(fd.get(), buffer, sizeof buffer);
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0) {
            error = errnoText(errno);
            return std::nullopt;
        }
        if (got == 0)
            return contents;
        contents.append(buffer, got);
    }
}

/// Replaces the file at `path` by `contents`, or leaves it as it was: the text goes to a temporary file in the
/// same folder, which must be written, flushed to disk and closed without error before it is renamed over the
/// old file. A full disk therefore never leaves a cut-short settings file behind.
std::optional<std::string> replaceFile(const QByteArray &path, const QByteArray &contents)
{
    QByteArray temporary = path + ".new-XXXXXX";
    Descriptor fd(::mkostemp(temporary.data(), O_CLOEXEC));
    if (fd.get() < 0)
        return errnoText(errno);
    struct stat existing { };
    std::optional<std::string> error;
    if (::stat(path.constData(), &existing) == 0)
        ::fchmod(fd.get(), existing.st_mode & 07777);
    if (!(error = writeAll(fd.get(), contents))) {
        if (::fsync(fd.get()) != 0 || fd.close() != 0)
            error = errnoText(errno);
        else if (::rename(temporary.constData(), path.constData()) != 0)
            error = errnoText(errno);
    }
    if (error) {
        ::unlink(temporary.constData());
        return error;
    }
    // The new name itself must reach the disk too.
    const QByteArray folder = QFile::encodeName(QFileInfo(QFile::decodeName(path)).absolutePath());
    Descriptor folderFd(::open(folder.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (folderFd.get() >= 0)
        ::fsync(folderFd.get());
    return std::nullopt;
}

/// Holds the advisory lock of one settings file while in scope. Writers that cannot take it (a read-only
/// folder, a full disk) go on without it: their write then fails with the real reason.
class WriteLock final {
public:
    explicit WriteLock(const QString &fileName)
        : m_fd(::open(
            QFile::encodeName(fileName + QStringLiteral(".writelock")).constData(), O_RDWR | O_CREAT | O_CLOEXEC, 0600))
        , m_qtLock(fileName + QStringLiteral(".lock"))
    {
        if (m_fd.get() >= 0) {
            while (::flock(m_fd.get(), LOCK_EX) != 0 && errno == EINTR) { }
        }
        // QSettings takes this one around its own writes of the file.
        m_qtLocked = m_qtLock.tryLock(10000);
    }
    ~WriteLock()
    {
        if (m_qtLocked)
            m_qtLock.unlock();
    }
    WriteLock(const WriteLock &) = delete;
    WriteLock &operator=(const WriteLock &) = delete;

private:
    Descriptor m_fd;
    QLockFile m_qtLock;
    bool m_qtLocked = false;
};

std::optional<std::string> blobOf(const QVariant &value)
{
    if (value.typeId() != QMetaType::QByteArray)
        return std::nullopt;
    const QByteArray data = value.toByteArray();
    return std::string(data.constData(), static_cast<std::size_t>(data.size()));
}

/// A private folder for a scratch copy of the settings: in memory where the system offers such a folder (the copy
/// is thrown away, so flushing it to a disk would only cost time), else in the temporary folder.
std::unique_ptr<QTemporaryDir> scratchFolder()
{
    auto folder = std::make_unique<QTemporaryDir>(QStringLiteral("/dev/shm/quorvane-settings-XXXXXX"));
    return folder->isValid() ? std::move(folder) : std::make_unique<QTemporaryDir>();
}

void reportFailure(const std::string &reason)
{
    logMessage("Quorvane could not save its settings: " + reason);
    Q_EMIT SettingsWriteFailures::instance().writeFailed(QtConversions::toQString(reason));
}

} // namespace

SettingsStoreQt::SettingsStoreQt()
    // The file of QSettings("Quorvane", "Quorvane"), so every part of the application shares one store. On Linux
    // that native format is the INI format, which is how the file is opened afterwards.
    : m_fileName(QSettings(QStringLiteral("Quorvane"), QStringLiteral("Quorvane")).fileName())
{
}

SettingsStoreQt::SettingsStoreQt(QString fileName)
    : m_fileName(std::move(fileName))
{
}

void SettingsStoreQt::withCurrentFile(const std::function<void(QSettings &current)> &use) const
{
    // QSettings keeps one parsed copy of a file per process and re-reads it only when size or time stamp
    // (to the millisecond) changed, which a write by another process can miss. A private copy is always read
    // afresh.
    std::string error;
    const std::optional<QByteArray> contents = readWhole(QFile::encodeName(m_fileName), error);
    const std::unique_ptr<QTemporaryDir> scratch = scratchFolder();
    const QString copy = scratch->filePath(QStringLiteral("settings.conf"));
    QFile file(copy);
    if (contents && scratch->isValid() && file.open(QIODevice::WriteOnly) && file.write(*contents) == contents->size()
        && file.flush()) {
        file.close();
        QSettings settings(copy, QSettings::IniFormat);
        use(settings);
        return;
    }
    QSettings settings(m_fileName, QSettings::IniFormat);
    use(settings);
}

std::optional<std::string> SettingsStoreQt::bytes(const std::string &key) const
{
    return blobOf(value(QtConversions::toQString(key)));
}

std::optional<std::string> SettingsStoreQt::text(const std::string &key) const
{
    const QVariant stored = value(QtConversions::toQString(key));
    if (stored.typeId() != QMetaType::QString)
        return std::nullopt;
    return QtConversions::toStdString(stored.toString());
}

std::optional<std::string> SettingsStoreQt::setText(const std::string &key, const std::string &value)
{
    return setValues({ { QtConversions::toQString(key), QtConversions::toQString(value) } });
}

QVariant SettingsStoreQt::value(const QString &key) const
{
    QVariant value;
    withCurrentFile([&](QSettings &settings) { value = settings.value(key); });
    return value;
}

bool SettingsStoreQt::setBytes(const std::string &key, const std::string &value)
{
    return !setValues(
        { { QtConversions::toQString(key), QByteArray(value.data(), static_cast<qsizetype>(value.size())) } });
}

std::optional<std::string> SettingsStoreQt::setValues(const std::vector<std::pair<QString, QVariant>> &values)
{
    return write([&](QSettings &) { return values; });
}

std::optional<std::string> SettingsStoreQt::update(const std::function<Changes(const Reader &read)> &change)
{
    return write([&](QSettings &current) {
        const Reader read
            = [&](const std::string &key) { return blobOf(current.value(QtConversions::toQString(key))); };
        std::vector<std::pair<QString, QVariant>> values;
        for (const auto &[key, value] : change(read))
            values.emplace_back(
                QtConversions::toQString(key), QByteArray(value.data(), static_cast<qsizetype>(value.size())));
        return values;
    });
}

std::optional<std::string> SettingsStoreQt::write(
    const std::function<std::vector<std::pair<QString, QVariant>>(QSettings &current)> &change)
{
    const QByteArray path = QFile::encodeName(m_fileName);
    QDir().mkpath(QFileInfo(m_fileName).absolutePath());
    const WriteLock lock(m_fileName);

    // QSettings writes the new text into a private copy of the current file, so that the format stays exactly
    // what QSettings reads; the copy then replaces the real file in one step.
    std::string error;
    const std::optional<QByteArray> contents = readWhole(path, error);
    const std::unique_ptr<QTemporaryDir> scratch = scratchFolder();
    if (contents && !scratch->isValid())
        error = "no temporary folder for the new settings";
    std::optional<QByteArray> written;
    if (contents && scratch->isValid()) {
        const QString copy = scratch->filePath(QStringLiteral("settings.conf"));
        QFile file(copy);
        if (!file.open(QIODevice::WriteOnly) || file.write(*contents) != contents->size() || !file.flush()) {
            error = "cannot copy the settings: " + QtConversions::toStdString(file.errorString());
        } else {
            file.close();
            QSettings settings(copy, QSettings::IniFormat);
            const auto values = change(settings);
            if (values.empty())
                return std::nullopt;
            for (const auto &[key, value] : values)
                settings.setValue(key, value);
            settings.sync();
            if (settings.status() != QSettings::NoError)
                error = "cannot prepare the new settings text";
            else if (const std::optional<QByteArray> text = readWhole(QFile::encodeName(copy), error))
                written = text;
        }
    }
    if (written) {
        const std::optional<std::string> replaced = replaceFile(path, *written);
        if (!replaced)
            return std::nullopt;
        error = *replaced;
    }
    reportFailure(error);
    return error;
}
