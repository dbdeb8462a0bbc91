// The folder tree of the input page.
#include "FTVEX_D3.h"
#include "QtText.h"

#include <dirent.h>
#include <sys/stat.h>

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileIconProvider>
#include <QStorageInfo>
#include <QStyle>
#include <QThread>
#include <algorithm>
#include <memory>

namespace albumon {

namespace {

constexpr int PathRole = Qt::UserRole;
constexpr int StateRole = Qt::UserRole + 1;
constexpr int PlainFolderRole = Qt::UserRole + 2;
enum NodeState { nsUnread = 0, nsReading = 1, nsRead = 2 };

struct DirCloser {
    void operator()(DIR* dir) const { closedir(dir); }
};

std::string Join(const std::string& folder, const std::string& name) {
    return !folder.empty() && folder.back() == '/' ? folder + name : folder + "/" + name;
}

// Whether an item of a folder listing is a folder; only links and unknown types are looked up.
bool IsFolderEntry(const std::string& folder, const dirent& entry) {
    if (entry.d_type == DT_DIR)
        return true;
    if (entry.d_type != DT_LNK && entry.d_type != DT_UNKNOWN)
        return false;
    struct stat info {};
    return stat(Join(folder, entry.d_name).c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

// Calls visit for every visible subfolder name until it returns false.
template <typename Visit>
void ForEachSubfolder(const std::string& folder, Visit&& visit) {
    std::unique_ptr<DIR, DirCloser> dir(opendir(folder.c_str()));
    if (!dir)
        return;
    while (const dirent* entry = readdir(dir.get())) {
        if (entry->d_name[0] == '.')
            continue;
        if (IsFolderEntry(folder, *entry) && !visit(std::string(entry->d_name)))
            return;
    }
}

// The path's components after removing empty and "." parts and resolving "..".
std::vector<std::string> Components(const std::string& path) {
    std::vector<std::string> parts;
    std::size_t start = 0;
    while (start <= path.size()) {
        std::size_t end = path.find('/', start);
        if (end == std::string::npos)
            end = path.size();
        std::string part = path.substr(start, end - start);
        if (part == "..") {
            if (!parts.empty())
                parts.pop_back();
        } else if (!part.empty() && part != ".") {
            parts.push_back(part);
        }
        start = end + 1;
    }
    return parts;
}

QString Display(const std::string& name) {
    return Text(name);
}

// Whether every parent of a node is open.
bool Showing(const QTreeWidgetItem* node) {
    for (const QTreeWidgetItem* up = node->parent(); up != nullptr; up = up->parent()) {
        if (!up->isExpanded())
            return false;
    }
    return true;
}

QIcon ThemeIcon(const char* name, const QIcon& fallback) {
    return QIcon::fromTheme(QString::fromLatin1(name), fallback);
}

}  // namespace

std::vector<std::string> ReadSubfolderNames(const std::string& folder) {
    std::vector<std::string> names;
    ForEachSubfolder(folder, [&](std::string name) {
        names.push_back(std::move(name));
        return true;
    });
    return names;
}

bool HasSubfolders(const std::string& folder) {
    bool found = false;
    ForEachSubfolder(folder, [&](const std::string&) {
        found = true;
        return false;
    });
    return found;
}

// Shows the wait cursor and suspends drawing; nested scopes leave it to the outermost one.
class TFolderTreeViewEx::BusyScope {
  public:
    explicit BusyScope(TFolderTreeViewEx& tree) : tree_(tree) {
        if (tree_.busyDepth_++ == 0) {
            QApplication::setOverrideCursor(Qt::WaitCursor);
            tree_.setUpdatesEnabled(false);
        }
    }
    ~BusyScope() {
        if (--tree_.busyDepth_ == 0) {
            tree_.setUpdatesEnabled(true);
            QApplication::restoreOverrideCursor();
        }
    }
    BusyScope(const BusyScope&) = delete;
    BusyScope& operator=(const BusyScope&) = delete;

  private:
    TFolderTreeViewEx& tree_;
};

TFolderTreeViewEx::TFolderTreeViewEx(QWidget* parent) : QTreeWidget(parent) {
    QFileIconProvider provider;
    const QIcon folder = provider.icon(QAbstractFileIconProvider::Folder);
    icons_.computer = ThemeIcon("computer", provider.icon(QAbstractFileIconProvider::Computer));
    icons_.drive = ThemeIcon("drive-harddisk", provider.icon(QAbstractFileIconProvider::Drive));
    icons_.home = ThemeIcon("user-home", folder);
    icons_.volume = ThemeIcon("drive-removable-media", icons_.drive);
    icons_.folder = ThemeIcon("folder", folder);
    icons_.folderOpen =
        ThemeIcon("folder-open", style()->standardIcon(QStyle::SP_DirOpenIcon, nullptr, this));
    workers_.setMaxThreadCount(2);
    setHeaderHidden(true);
    setIndentation(19);
    setRootIsDecorated(false);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setUniformRowHeights(true);
    connect(this, &QTreeWidget::itemExpanded, this,
            [this](QTreeWidgetItem* node) { NodeExpanded(node); });
    connect(this, &QTreeWidget::itemCollapsed, this, [this](QTreeWidgetItem* node) {
        if (node->data(0, PlainFolderRole).toBool())
            node->setIcon(0, icons_.folder);
        if (node != currentItem())
            Watch(node, false);
    });
    changes_.setSingleShot(true);
    changes_.setInterval(WatchDelayMs);
    connect(&watcher_, &QFileSystemWatcher::directoryChanged, this, [this](const QString& path) {
        changed_.insert(QFile::encodeName(path).toStdString());
        changes_.start();
    });
    connect(&changes_, &QTimer::timeout, this, [this] { ReadChangedFolders(); });
    connect(this, &QTreeWidget::currentItemChanged, this,
            [this](QTreeWidgetItem* current, QTreeWidgetItem* previous) {
                // The selected folder is watched as well, open or not: a folder made in it
                // gives it its expand mark.
                if (previous != nullptr && !previous->isExpanded())
                    Watch(previous, false);
                if (current != nullptr)
                    Watch(current, true);
                if (!quiet_)
                    RaiseChange(current);
            });
    BuildTree();
}

TFolderTreeViewEx::~TFolderTreeViewEx() {
    // Results still being read are dropped: the workers finish before the nodes go.
    workers_.clear();
    workers_.waitForDone();
}

std::string TFolderTreeViewEx::FolderNameOf(const QTreeWidgetItem* node) {
    return node ? node->data(0, PathRole).toByteArray().toStdString() : std::string();
}

bool TFolderTreeViewEx::IsReading(const QTreeWidgetItem* node) {
    return node->data(0, StateRole).toInt() == nsReading;
}

QTreeWidgetItem* TFolderTreeViewEx::NodeOf(const std::string& path) const {
    for (QTreeWidgetItemIterator it(const_cast<TFolderTreeViewEx*>(this)); *it; ++it) {
        if ((*it)->data(0, PathRole).isValid() && FolderNameOf(*it) == path)
            return *it;
    }
    return nullptr;
}

QTreeWidgetItem* TFolderTreeViewEx::MakeNode(const QString& label, const std::string& path,
                                             const QIcon& icon) {
    auto* node = new QTreeWidgetItem(QStringList{label});
    node->setIcon(0, icon);
    node->setData(0, PathRole, QByteArray::fromStdString(path));
    node->setData(0, StateRole, nsUnread);
    node->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable);
    node->setChildIndicatorPolicy(QTreeWidgetItem::ShowIndicator);
    return node;
}

void TFolderTreeViewEx::BuildTree() {
    BusyScope busy(*this);
    QTreeWidgetItem* root =
        MakeNode(QStringLiteral("コンピュータ"), std::string(), icons_.computer);
    addTopLevelItem(root);
    AddRootChildren(root);
    root->setExpanded(true);
}

// The computer's "drives": the file-system root, the home folder and mounted volumes.
void TFolderTreeViewEx::AddRootChildren(QTreeWidgetItem* root) {
    root->addChild(MakeNode(QStringLiteral("ファイルシステム"), "/", icons_.drive));
    const std::string home = QDir::homePath().toStdString();
    if (home != "/")
        root->addChild(MakeNode(QStringLiteral("ホーム"), home, icons_.home));
    QList<QStorageInfo> volumes = QStorageInfo::mountedVolumes();
    std::sort(volumes.begin(), volumes.end(), [](const QStorageInfo& a, const QStorageInfo& b) {
        return a.rootPath() < b.rootPath();
    });
    for (const QStorageInfo& volume : volumes) {
        const QString at = volume.rootPath();
        const bool removable = at.startsWith(QLatin1String("/media/")) ||
                               at.startsWith(QLatin1String("/mnt/")) ||
                               at.startsWith(QLatin1String("/run/media/"));
        if (!removable || !volume.isValid() || !volume.isReady())
            continue;
        const QString name = volume.name().isEmpty() ? QDir(at).dirName() : volume.name();
        root->addChild(MakeNode(name, at.toStdString(), icons_.volume));
    }
    root->setData(0, StateRole, nsRead);
}

void TFolderTreeViewEx::FillChildren(QTreeWidgetItem* node, std::vector<std::string> names) {
    qDeleteAll(node->takeChildren());
    std::vector<std::pair<QString, std::string>> sorted;
    sorted.reserve(names.size());
    for (std::string& name : names)
        sorted.emplace_back(Display(name), std::move(name));
    std::sort(sorted.begin(), sorted.end(), [](const auto& a, const auto& b) {
        int order = QString::compare(a.first, b.first, Qt::CaseInsensitive);
        return order != 0 ? order < 0 : a.second < b.second;
    });
    const std::string folder = FolderNameOf(node);
    QList<QTreeWidgetItem*> children;
    children.reserve(static_cast<qsizetype>(sorted.size()));
    for (const auto& [label, name] : sorted) {
        QTreeWidgetItem* child = MakeNode(label, Join(folder, name), icons_.folder);
        child->setData(0, PlainFolderRole, true);
        children << child;
    }
    node->addChildren(children);
    node->setData(0, StateRole, nsRead);
    if (children.isEmpty())
        node->setChildIndicatorPolicy(QTreeWidgetItem::DontShowIndicator);
    else
        MarkSubfoldersLater(node);
}

void TFolderTreeViewEx::ReadChildrenNow(QTreeWidgetItem* node) {
    if (node->data(0, StateRole).toInt() == nsRead)
        return;
    BusyScope busy(*this);
    FillChildren(node, Reader(FolderNameOf(node)));
}

// Reads a node's children on a worker; the node shows a placeholder until they arrive.
void TFolderTreeViewEx::ReadChildrenLater(QTreeWidgetItem* node) {
    node->setData(0, StateRole, nsReading);
    auto* placeholder = new QTreeWidgetItem(QStringList{QStringLiteral("読み込み中…")});
    placeholder->setFlags(Qt::NoItemFlags);
    node->addChild(placeholder);
    const int epoch = epoch_;
    workers_.start([this, node, epoch, reader = Reader, folder = FolderNameOf(node)] {
        std::vector<std::string> names = reader(folder);
        QMetaObject::invokeMethod(
            this,
            [this, node, epoch, names = std::move(names)] {
                if (epoch == epoch_ && Holds(node) && IsReading(node)) {
                    BusyScope busy(*this);
                    FillChildren(node, names);
                }
            },
            Qt::QueuedConnection);
    });
}

// Hides the expand mark of children without subfolders, looked up on a worker.
void TFolderTreeViewEx::MarkSubfoldersLater(QTreeWidgetItem* node) {
    std::vector<std::string> paths;
    for (int i = 0; i < node->childCount(); ++i)
        paths.push_back(FolderNameOf(node->child(i)));
    const int epoch = epoch_;
    workers_.start([this, node, epoch, paths] {
        std::vector<char> marks;
        for (const std::string& path : paths)
            marks.push_back(HasSubfolders(path) ? 1 : 0);
        QMetaObject::invokeMethod(
            this,
            [this, node, epoch, paths, marks] {
                if (epoch != epoch_ || !Holds(node) ||
                    node->childCount() != static_cast<int>(paths.size()))
                    return;
                for (int i = 0; i < node->childCount(); ++i) {
                    QTreeWidgetItem* child = node->child(i);
                    if (marks[i] == 0 && child->data(0, StateRole).toInt() == nsUnread &&
                        FolderNameOf(child) == paths[i])
                        child->setChildIndicatorPolicy(QTreeWidgetItem::DontShowIndicator);
                }
            },
            Qt::QueuedConnection);
    });
}

// Whether a node a late result was meant for is still in the tree: a folder removed meanwhile
// took its node along. The node is only compared, never read, until it is found.
bool TFolderTreeViewEx::Holds(const QTreeWidgetItem* node) const {
    for (QTreeWidgetItemIterator it(const_cast<TFolderTreeViewEx*>(this)); *it; ++it) {
        if (*it == node)
            return true;
    }
    return false;
}

void TFolderTreeViewEx::NodeExpanded(QTreeWidgetItem* node) {
    Watch(node, true);
    if (node->data(0, PlainFolderRole).toBool())
        node->setIcon(0, icons_.folderOpen);
    if (node->data(0, StateRole).toInt() == nsUnread)
        ReadChildrenLater(node);
}

// The child of the computer a path is reached through: via when the path lies under it (a folder
// below the home folder opened from the file-system root stays there), else the closest one.
QTreeWidgetItem* TFolderTreeViewEx::RootChildFor(const std::string& path,
                                                 const std::string& via) const {
    QTreeWidgetItem* root = topLevelItem(0);
    QTreeWidgetItem* best = nullptr;
    std::size_t bestLength = 0;
    for (int i = 0; i < root->childCount(); ++i) {
        const std::string top = FolderNameOf(root->child(i));
        const bool under = top == "/" || path == top || path.starts_with(top + "/");
        if (under && !via.empty() && top == via)
            return root->child(i);
        if (under && (best == nullptr || top.size() > bestLength)) {
            best = root->child(i);
            bestLength = top.size();
        }
    }
    return best;
}

// Finds the node of a path, reading and opening every node on the way (not the last).
QTreeWidgetItem* TFolderTreeViewEx::Walk(const std::string& path, const std::string& via) {
    if (topLevelItemCount() == 0)
        return nullptr;
    if (path.empty())
        return topLevelItem(0);
    if (path[0] != '/' || path.starts_with("//"))
        return nullptr;  // relative and network paths do not lie under the computer
    std::vector<std::string> parts = Components(path);
    std::string clean = "/";
    for (std::size_t i = 0; i < parts.size(); ++i)
        clean += (i > 0 ? "/" : "") + parts[i];
    QTreeWidgetItem* node = RootChildFor(clean, via);
    if (node == nullptr)
        return nullptr;
    const std::size_t skip = Components(FolderNameOf(node)).size();
    for (std::size_t i = skip; i < parts.size(); ++i) {
        ReadChildrenNow(node);
        node->setExpanded(true);
        const std::string wanted = Join(FolderNameOf(node), parts[i]);
        QTreeWidgetItem* next = nullptr;
        for (int k = 0; k < node->childCount() && next == nullptr; ++k) {
            if (FolderNameOf(node->child(k)) == wanted)
                next = node->child(k);
        }
        if (next == nullptr)
            return nullptr;
        node = next;
    }
    return node;
}

void TFolderTreeViewEx::Select(QTreeWidgetItem* node) {
    quiet_ = true;
    setCurrentItem(node);
    quiet_ = false;
    scrollToItem(node, QAbstractItemView::PositionAtCenter);
    RaiseChange(node);
}

void TFolderTreeViewEx::RaiseChange(QTreeWidgetItem* current) {
    if (current != nullptr)
        lastName_ = FolderNameOf(current);
    if (OnChange)
        OnChange(this, lastName_);
}

// The node of a path, or of its nearest parent that still exists.
QTreeWidgetItem* TFolderTreeViewEx::WalkToNearest(const std::string& path, const std::string& via) {
    for (std::string folder = path;;) {
        if (QTreeWidgetItem* node = Walk(folder, via))
            return node;
        const auto slash = folder.rfind('/');
        if (slash == std::string::npos || folder == "/")
            return nullptr;
        folder = slash == 0 ? std::string("/") : folder.substr(0, slash);
    }
}

bool TFolderTreeViewEx::SelectFolder(const std::string& path) {
    BusyScope busy(*this);
    QTreeWidgetItem* node = Walk(path);
    if (node == nullptr)
        return false;
    Select(node);
    return true;
}

int TFolderTreeViewEx::NodeCount() const {
    int count = 0;
    for (QTreeWidgetItemIterator it(const_cast<TFolderTreeViewEx*>(this)); *it; ++it)
        ++count;
    return count;
}

void TFolderTreeViewEx::RefreshTree() {
    if (topLevelItemCount() == 0)
        return;
    BusyScope busy(*this);
    if (NodeCount() > MaxRefreshNodes)
        return;
    // Nodes are remembered as paths together with the child of the computer they were reached
    // through, so a folder opened from the file-system root is found there again.
    struct Route {
        std::string via, path;
    };
    QTreeWidgetItem* root = topLevelItem(0);
    auto routeOf = [root](const QTreeWidgetItem* node) {
        const QTreeWidgetItem* top = node;
        while (top->parent() != nullptr && top->parent() != root)
            top = top->parent();
        return Route{FolderNameOf(top), FolderNameOf(node)};
    };
    QTreeWidgetItem* top = itemAt(0, 0);
    const Route topRoute = top != nullptr && top != root ? routeOf(top) : Route{};
    QTreeWidgetItem* selected = currentItem();
    const bool reselect = selected != nullptr && selected != root;
    const Route selectedRoute = reselect ? routeOf(selected) : Route{};
    std::vector<Route> open;
    for (QTreeWidgetItemIterator it(this); *it; ++it) {
        if (*it != root && (*it)->isExpanded() && Showing(*it))
            open.push_back(routeOf(*it));
    }
    QCoreApplication::processEvents();
    QThread::msleep(static_cast<unsigned long>(RefreshPauseMs));

    quiet_ = true;
    ++epoch_;
    if (!watcher_.directories().isEmpty())
        watcher_.removePaths(watcher_.directories());
    qDeleteAll(root->takeChildren());
    AddRootChildren(root);
    root->setExpanded(true);
    for (const Route& route : open) {
        if (QTreeWidgetItem* node = Walk(route.path, route.via)) {
            ReadChildrenNow(node);
            node->setExpanded(true);
        }
    }
    // A selected folder deleted meanwhile gives way to its nearest parent that still exists.
    QTreeWidgetItem* reselected =
        reselect ? WalkToNearest(selectedRoute.path, selectedRoute.via) : nullptr;
    if (reselect && reselected == nullptr)
        setCurrentItem(nullptr);
    quiet_ = false;
    if (reselected != nullptr)
        Select(reselected);
    if (QTreeWidgetItem* node = topRoute.path.empty() ? nullptr : Walk(topRoute.path, topRoute.via))
        scrollToItem(node, QAbstractItemView::PositionAtTop);
}

// An open folder is watched, and the selected one (the computer itself is no folder).
void TFolderTreeViewEx::Watch(QTreeWidgetItem* node, bool open) {
    const std::string path = FolderNameOf(node);
    if (path.empty())
        return;
    const QString name = QFile::decodeName(QByteArray::fromStdString(path));
    if (open)
        watcher_.addPath(name);
    else if (NodeOf(path) == node)  // the same folder may stay open elsewhere in the tree
        watcher_.removePath(name);
}

// Reads the children of the folders that changed on a worker and merges them into every node
// of those folders whose children were read.
void TFolderTreeViewEx::ReadChangedFolders() {
    const std::set<std::string> folders = std::move(changed_);
    changed_.clear();
    const int epoch = epoch_;
    for (const std::string& folder : folders) {
        workers_.start([this, epoch, folder, reader = Reader] {
            std::vector<std::string> names = reader(folder);
            QMetaObject::invokeMethod(
                this,
                [this, epoch, folder, names = std::move(names)] {
                    if (epoch != epoch_)
                        return;
                    for (QTreeWidgetItemIterator it(this); *it; ++it) {
                        if ((*it)->parent() == nullptr || FolderNameOf(*it) != folder)
                            continue;
                        const int state = (*it)->data(0, StateRole).toInt();
                        if (state == nsRead)
                            MergeChildren(*it, names);
                        else if (state == nsUnread)  // read when opened: only its mark
                            (*it)->setChildIndicatorPolicy(names.empty()
                                                               ? QTreeWidgetItem::DontShowIndicator
                                                               : QTreeWidgetItem::ShowIndicator);
                    }
                },
                Qt::QueuedConnection);
        });
    }
}

// Keeps the children that still exist as they are (open, read, selected), removes the others and
// adds the new folders in their places. A selected folder that went gives way to its parent.
void TFolderTreeViewEx::MergeChildren(QTreeWidgetItem* node,
                                      const std::vector<std::string>& names) {
    const std::string folder = FolderNameOf(node);
    std::set<std::string> wanted;
    for (const std::string& name : names)
        wanted.insert(Join(folder, name));
    bool selectParent = false;
    for (int i = node->childCount() - 1; i >= 0; --i) {
        QTreeWidgetItem* child = node->child(i);
        if (wanted.erase(FolderNameOf(child)) > 0)
            continue;
        for (QTreeWidgetItem* up = currentItem(); up != nullptr; up = up->parent())
            selectParent = selectParent || up == child;
        quiet_ = true;
        delete node->takeChild(i);
        quiet_ = false;
    }
    for (const std::string& path : wanted) {
        const std::string name = path.substr(path.rfind('/') + 1);
        QTreeWidgetItem* child = MakeNode(Display(name), path, icons_.folder);
        child->setData(0, PlainFolderRole, true);
        int at = 0;
        while (at < node->childCount()) {
            const QString label = node->child(at)->text(0);
            const int order = QString::compare(label, child->text(0), Qt::CaseInsensitive);
            if (order > 0 || (order == 0 && FolderNameOf(node->child(at)) > path))
                break;
            ++at;
        }
        node->insertChild(at, child);
    }
    node->setChildIndicatorPolicy(node->childCount() == 0 ? QTreeWidgetItem::DontShowIndicator
                                                          : QTreeWidgetItem::ShowIndicator);
    if (!wanted.empty())
        MarkSubfoldersLater(node);
    if (selectParent)
        Select(node);
}

}  // namespace albumon
