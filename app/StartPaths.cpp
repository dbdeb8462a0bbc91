// The files and folders named on the command line (a file manager's "open with"), added once
// the window is up.
#include <QLineEdit>

#include "FileSystem.h"
#include "InputList.h"
#include "MessageBoxes.h"
#include "QtText.h"
#include "Unit1.h"

namespace albumon {

void TForm1::AddStartPaths(const std::vector<std::string>& paths) {
    if (paths.empty())
        return;
    RunHandler(this, [this, &paths] {
        StoreSelected();
        int refused = 0;
        const int first = album_.EntryCount;
        std::vector<std::string> files;
        auto addFiles = [&] {
            refused += AddFiles(album_, files, Naming()).Refused;
            files.clear();
        };
        for (const std::string& path : paths) {
            if (!DirectoryExists(path)) {
                if (FileExists(path))  // a name that names nothing is passed over
                    files.push_back(path);
                continue;
            }
            addFiles();
            AdditionResult result = AddFolder(album_, path, FolderOrder::ByName);
            refused += result.Refused;
            if (result.HeadText)
                EditHedFix->setText(Text(*result.HeadText));
        }
        addFiles();
        AfterAddition(first, -1, refused);
    });
}

}  // namespace albumon
