#include "FolderChooserDialog.h"

#include <QApplication>
#include <QFileDialog>

#include "QtConversions.h"

std::optional<std::filesystem::path> FolderChooserDialog::run(const FolderChooserRequest &request)
{
    QFileDialog dialog(QApplication::activeWindow(), QtConversions::toQString(request.message));
    dialog.setObjectName(QStringLiteral("folderChooser"));
    dialog.setFileMode(request.canChooseFiles ? QFileDialog::ExistingFile : QFileDialog::Directory);
    dialog.setOption(QFileDialog::ShowDirsOnly, !request.canChooseFiles);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setLabelText(QFileDialog::Accept, QtConversions::toQString(request.prompt));
    if (dialog.exec() != QDialog::Accepted)
        return std::nullopt;
    const QStringList chosen = dialog.selectedFiles();
    if (chosen.isEmpty())
        return std::nullopt;
    return QtConversions::toPath(chosen.first());
}
