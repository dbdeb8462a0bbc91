// The files and folders named on the command line (a file manager's "open with"), added once
// the window is up.
#include <QLineEdit>

#include "AlbumReadBack.h"
#include "FileSystem.h"
#include "InputList.h"
#include "ListChanges.h"
#include "MessageBoxes.h"
#include "QtText.h"
#include "Unit1.h"

namespace albumon {

void TForm1::AddStartPaths(const std::vector<std::string>& paths) {
    if (paths.empty())
        return;
    RunStep(QStringLiteral("追加"), [this, &paths] {
        // Only earlier albums opened into an empty list leave it without unsaved changes.
        bool opening = album_.EntryCount == 0;
        int refused = 0;
        bool albumOrder = false;
        const int first = album_.EntryCount;
        std::vector<std::string> files;
        std::vector<std::string> warnings;
        auto addFiles = [&] {
            AdditionResult added = AddFiles(album_, files, Naming());
            refused += added.Refused;
            warnings.insert(warnings.end(), added.Warnings.begin(), added.Warnings.end());
            files.clear();
        };
        for (const std::string& path : paths) {
            // An earlier album's index page stands for its album.
            if (!DirectoryExists(path) && !(FileExists(path) && AlbumFolderOf(path))) {
                if (FileExists(path)) {  // a name that names nothing is passed over
                    files.push_back(path);
                    opening = false;
                }
                continue;
            }
            addFiles();
            FolderAddition added = AddAlbumOrFolder(path, FolderOrder::ByName);
            albumOrder = albumOrder || added.AlbumOrder;
            refused += added.Added.Refused;
            warnings.insert(warnings.end(), added.Added.Warnings.begin(),
                            added.Added.Warnings.end());
            if (added.Added.HeadText)
                EditHedFix->setText(Text(*added.Added.HeadText));
            opening = opening && added.Added.HeadText.has_value();
        }
        addFiles();
        // An earlier album's folder keeps the album's order.
        AfterAddition(first, -1, refused, !albumOrder, warnings);
        if (opening)
            MarkListSaved(album_);
    });
}

}  // namespace albumon
