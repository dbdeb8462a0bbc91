// The file list of the input page.
#include "FileListBox.h"

#include <dirent.h>
#include <sys/stat.h>

#include <QFileIconProvider>
#include <algorithm>
#include <cerrno>
#include <memory>
#include <vector>

#include "Errors.h"
#include "Paths.h"
#include "QtText.h"

namespace albumon {

namespace {

// Side of the icon view's pictures, in pixels.
constexpr int kIconSide = 64;

struct DirCloser {
    void operator()(DIR* dir) const { closedir(dir); }
};

bool Matches(std::string_view name, std::string_view pattern) {
    if (pattern.empty())
        return name.empty();
    if (pattern[0] == '*') {
        for (std::size_t skip = 0; skip <= name.size(); ++skip) {
            if (Matches(name.substr(skip), pattern.substr(1)))
                return true;
        }
        return false;
    }
    if (name.empty() || (pattern[0] != '?' && pattern[0] != name[0]))
        return false;
    return Matches(name.substr(1), pattern.substr(1));
}

// The mask's parts, split at ";", empty parts left out.
std::vector<std::string> MaskParts(const std::string& mask) {
    std::vector<std::string> parts;
    std::size_t start = 0;
    while (start <= mask.size()) {
        std::size_t end = std::min(mask.find(';', start), mask.size());
        if (end > start)
            parts.push_back(mask.substr(start, end - start));
        start = end + 1;
    }
    return parts;
}

// Regular files that are not hidden, like the normal files of a file list.
bool IsNormalFile(const std::string& folder, const dirent& entry) {
    if (entry.d_name[0] == '.')
        return false;
    struct stat info {};
    return stat((folder + entry.d_name).c_str(), &info) == 0 && S_ISREG(info.st_mode);
}

}  // namespace

bool MatchesMask(const std::string& name, const std::string& pattern) {
    return Matches(AsciiLower(name), AsciiLower(pattern));
}

TFileListBox::TFileListBox(QWidget* parent) : QListWidget(parent) {
    setIconSize(QSize(16, 16));
    setUniformItemSizes(true);
    setSelectionMode(QAbstractItemView::SingleSelection);
}

void TFileListBox::SetDirectory(const std::string& folder) {
    if (folder != directory_)
        ReadFileNames(folder);
}

void TFileListBox::Reread() {
    if (!directory_.empty())
        ReadFileNames(directory_);
}

void TFileListBox::ReadFileNames(const std::string& folder) {
    std::unique_ptr<DIR, DirCloser> dir(opendir(folder.c_str()));
    if (!dir)
        RaiseInOutError(errno, folder);
    std::vector<std::string> names;
    const std::vector<std::string> parts = MaskParts(Mask);
    while (const dirent* entry = readdir(dir.get())) {
        const std::string name = entry->d_name;
        const bool wanted = std::any_of(parts.begin(), parts.end(), [&](const std::string& part) {
            return MatchesMask(name, part);
        });
        if (wanted && IsNormalFile(folder, *entry))
            names.push_back(name);
    }
    std::sort(names.begin(), names.end(), [](const std::string& a, const std::string& b) {
        const std::string la = AsciiLower(a), lb = AsciiLower(b);
        return la != lb ? la < lb : a < b;
    });
    clear();
    directory_ = folder;
    for (const std::string& name : names) {
        auto* item = new QListWidgetItem(IconOf(name), Text(name));
        item->setData(Qt::UserRole, QByteArray::fromStdString(name));
        addItem(item);
    }
}

QIcon TFileListBox::IconOf(const std::string& name) const {
    if (IconView() && PictureIcon) {
        QIcon picture = PictureIcon(directory_ + name);
        if (!picture.isNull())
            return picture;
    }
    return QFileIconProvider().icon(QAbstractFileIconProvider::File);
}

void TFileListBox::SetIconView(bool icons) {
    if (icons == IconView())
        return;
    setViewMode(icons ? QListView::IconMode : QListView::ListMode);
    setIconSize(icons ? QSize(kIconSide, kIconSide) : QSize(16, 16));
    setGridSize(icons ? QSize(kIconSide + 32, kIconSide + 36) : QSize());
    setUniformItemSizes(!icons);
    setWordWrap(icons);
    setMovement(QListView::Static);
    setResizeMode(QListView::Adjust);
    for (int row = 0; row < count(); ++row)
        item(row)->setIcon(IconOf(item(row)->data(Qt::UserRole).toByteArray().toStdString()));
}

void TFileListBox::PictureChanged(const std::string& path) {
    if (!IconView() || path.size() <= directory_.size() ||
        path.compare(0, directory_.size(), directory_) != 0)
        return;
    const QByteArray name = QByteArray::fromStdString(path.substr(directory_.size()));
    for (int row = 0; row < count(); ++row) {
        if (item(row)->data(Qt::UserRole).toByteArray() == name)
            item(row)->setIcon(IconOf(name.toStdString()));
    }
}

}  // namespace albumon
