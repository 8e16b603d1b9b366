#pragma once

#include <QString>

/// Shows files in the desktop's file manager.
namespace FileRevealer {

/// Asks the file manager over the session bus (org.freedesktop.FileManager1.ShowItems) to show the file at
/// `path` selected; when no file manager answers, opens the folder holding it instead. Returns at once or after
/// at most about two seconds; the outcome is not reported (a file that has meanwhile gone is the file manager's
/// business).
void showItem(const QString &path);

} // namespace FileRevealer
