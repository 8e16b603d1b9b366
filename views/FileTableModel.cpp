#include "FileTableModel.h"

#include <cmath>
#include <iterator>

#include <QCoreApplication>
#include <QFont>
#include <QLocale>
#include <QPalette>
#include <QRegularExpression>

#include "PaneStyle.h"
#include "QtConversions.h"
#include "QuorvaneViewModel.h"

namespace {

// The locale's long date without the weekday and with abbreviated month names: its medium style.
QString mediumDatePattern(const QLocale &locale)
{
    QString pattern = locale.dateFormat(QLocale::LongFormat);
    static const QRegularExpression weekday(QStringLiteral("d{4}[,.]?\\s*"));
    pattern.remove(weekday);
    pattern.replace(QStringLiteral("MMMM"), QStringLiteral("MMM"));
    return pattern.trimmed();
}

} // namespace

FileTableModel::FileTableModel(QuorvaneViewModel &viewModel, QObject *parent)
    : QAbstractTableModel(parent)
    , m_viewModel(viewModel)
    , m_fileIcon(PaneStyle::documentIcon())
    , m_counterIcon(PaneStyle::themedIcon("dialog-information", QStyle::SP_MessageBoxInformation))
{
    connect(&m_viewModel, &QuorvaneViewModel::filteredFilesChanged, this, [this] {
        beginResetModel();
        endResetModel();
    });
    // A new preview changes only the new names.
    connect(&m_viewModel, &QuorvaneViewModel::renamePlansChanged, this, [this] {
        if (rowCount() > 0)
            Q_EMIT dataChanged(index(0, NewName), index(rowCount() - 1, NewName));
    });
}

QString FileTableModel::counterToolTip()
{
    return QCoreApplication::translate(
        "FileTableModel", "Another file has or gets this name, so a number in parentheses was added.");
}

const RenamePlan *FileTableModel::planAt(int row) const
{
    const std::vector<RenamePlan> &plans = m_viewModel.renamePlans();
    const auto at = static_cast<std::size_t>(row);
    if (at >= plans.size() || plans.size() != m_viewModel.filteredFiles().size())
        return nullptr;
    const RenamePlan &plan = plans[at];
    return plan.originalURL == m_viewModel.filteredFiles()[at].url ? &plan : nullptr;
}

int FileTableModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : static_cast<int>(m_viewModel.filteredFiles().size());
}

int FileTableModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : ColumnCount;
}

QVariant FileTableModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || index.row() >= rowCount())
        return {};
    const FileItem &file = m_viewModel.filteredFiles()[static_cast<std::size_t>(index.row())];
    if (role == PathRole)
        return QtConversions::toQString(file.url);
    const auto column = static_cast<Column>(index.column());
    if (column == NewName) {
        const RenamePlan *plan = planAt(index.row());
        if (plan == nullptr)
            return {};
        const bool changes = QuorvaneViewModel::changesName(*plan);
        switch (role) {
        case Qt::DisplayRole:
            return QtConversions::toQString(plan->newName);
        case Qt::AccessibleTextRole:
            return changes ? QtConversions::toQString(plan->newName)
                           : QtConversions::toQString(plan->newName)
                    + QCoreApplication::translate("FileTableModel", " (unchanged)");
        case Qt::FontRole:
            if (changes) {
                QFont bold;
                bold.setBold(true);
                return bold;
            }
            return {};
        case Qt::ForegroundRole:
            return changes ? QVariant() : QVariant(PaneStyle::tertiaryColor(QPalette()));
        case Qt::DecorationRole:
            return plan->counterAdded ? m_counterIcon : QVariant();
        case Qt::ToolTipRole:
            return plan->counterAdded ? counterToolTip() : QVariant();
        default:
            return {};
        }
    }
    switch (role) {
    case Qt::DisplayRole:
    case Qt::AccessibleTextRole:
        switch (column) {
        case Name:
            return QtConversions::toQString(file.name);
        case Folder: {
            const std::string_view path = file.url.text();
            const std::string folder = m_viewModel.selectedFolder().isEmpty()
                ? std::string()
                : QtConversions::toStdString(m_viewModel.selectedFolder());
            std::string relative(path.rfind(folder, 0) == 0 ? path.substr(folder.size()) : path);
            if (!relative.empty() && relative.front() == '/')
                relative.erase(0, 1);
            const std::size_t slash = relative.rfind('/');
            return slash == std::string::npos ? QStringLiteral(".")
                                              : QtConversions::toQString(relative.substr(0, slash));
        }
        case Kind:
            return kindText(QtConversions::toQString(file.extensionType));
        case Size:
            return formattedSize(file.size);
        case Modified:
            return formattedModified(QtConversions::toQDateTime(file.modificationDate));
        case NewName:
        case ColumnCount:
            break;
        }
        break;
    case Qt::ToolTipRole:
        if (column == Name)
            return QtConversions::toQString(file.name);
        break;
    case Qt::DecorationRole:
        if (column == Name)
            return m_fileIcon;
        break;
    case Qt::TextAlignmentRole:
        if (column == Size)
            return QVariant::fromValue(Qt::AlignRight | Qt::AlignVCenter);
        break;
    default:
        break;
    }
    return {};
}

QVariant FileTableModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
        return {};
    switch (section) {
    case Name:
        return QCoreApplication::translate("FileTableModel", "Name");
    case NewName:
        return QCoreApplication::translate("FileTableModel", "New Name");
    case Folder:
        return QCoreApplication::translate("FileTableModel", "Folder");
    case Kind:
        return QCoreApplication::translate("FileTableModel", "Kind");
    case Size:
        return QCoreApplication::translate("FileTableModel", "Size");
    case Modified:
        return QCoreApplication::translate("FileTableModel", "Modified");
    default:
        return {};
    }
}

QString FileTableModel::formattedSize(qint64 bytes)
{
    const QLocale locale;
    if (bytes == 1)
        return QCoreApplication::translate("FileTableModel", "1 byte");
    if (bytes < 1000)
        return locale.toString(bytes) + QCoreApplication::translate("FileTableModel", " bytes");
    static const char *const units[] = { "kB", "MB", "GB", "TB", "PB", "EB" };
    double value = static_cast<double>(bytes);
    std::size_t unit = 0;
    value /= 1000.0;
    // Divide on while the value, rounded to the one decimal shown, would read 1000 or more ("1000 kB").
    while (std::round(value * 10.0) >= 10000.0 && unit + 1 < std::size(units)) {
        value /= 1000.0;
        ++unit;
    }
    const double tenths = std::round(value * 10.0);
    // Whole values drop the decimal: "2 MB", not "2.0 MB".
    const QString number = std::fmod(tenths, 10.0) == 0.0 ? locale.toString(tenths / 10.0, 'f', 0)
                                                          : locale.toString(tenths / 10.0, 'f', 1);
    return number + QLatin1Char(' ') + QLatin1String(units[unit]);
}

QString FileTableModel::kindText(const QString &extension)
{
    return extension.isEmpty() ? QCoreApplication::translate("FileTableModel", "Unknown") : extension.toUpper();
}

QString FileTableModel::formattedModified(const QDateTime &time)
{
    const QLocale locale;
    const QDateTime local = time.toLocalTime();
    return locale.toString(local.date(), mediumDatePattern(locale)) + QLatin1Char(' ')
        + locale.toString(local.time(), QLocale::ShortFormat);
}
