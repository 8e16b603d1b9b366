#pragma once

#include <functional>

#include <QString>
#include <QUrl>

/// Shows files in the desktop's file manager.
namespace FileRevealer {

/// Opens a folder when no file manager answers; QDesktopServices::openUrl unless a test gives its own.
using FolderOpener = std::function<void(const QUrl &folder)>;

/// Asks the file manager over the session bus (org.freedesktop.FileManager1.ShowItems) to show the file at
/// `path` selected, and returns at once: the answer arrives later on the event loop, so a file manager that is
/// slow to start never holds up the window. When no file manager answers (none on the bus, an error, no
/// session bus, or no answer within a few seconds) the folder holding the file is opened instead. A file that
/// has meanwhile gone is the file manager's business.
void showItem(const QString &path, FolderOpener openFolder = {});

} // namespace FileRevealer
