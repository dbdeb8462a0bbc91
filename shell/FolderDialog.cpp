// The folder picker.
#include "FolderDialog.h"

#include <QDir>
#include <QFileDialog>

#include "FileSystem.h"

namespace albumon {

namespace {

std::string WithoutTrailingSlash(std::string folder) {
    while (folder.size() > 1 && folder.back() == '/')
        folder.pop_back();
    return folder;
}

}  // namespace

TFolderDialog::TFolderDialog(QWidget* owner)
    : QObject(owner), owner_(owner), chooser_(ChooseFolderWithDialog) {}

bool TFolderDialog::Execute() {
    Request request{owner_, Title, DirectoryExists(Directory) ? Directory : std::string()};
    std::optional<std::string> chosen = chooser_(request);
    if (!chosen)
        return false;
    if (!chosen->empty())
        Directory = WithoutTrailingSlash(*chosen);
    return true;
}

std::optional<std::string> ChooseFolderWithDialog(const TFolderDialog::Request& request) {
    QFileDialog dialog(request.owner, request.title);
    dialog.setFileMode(QFileDialog::Directory);
    dialog.setOption(QFileDialog::ShowDirsOnly);
    dialog.setDirectory(request.start.empty() ? QDir::rootPath()
                                              : QString::fromStdString(request.start));
    if (dialog.exec() != QDialog::Accepted)
        return std::nullopt;
    const QStringList chosen = dialog.selectedFiles();
    return chosen.isEmpty() ? std::string() : chosen.first().toStdString();
}

}  // namespace albumon
