// The folder tree of the input page: the computer with its file-system roots, children read off
// the user-interface thread the first time a node opens, selection by path and refresh. Open
// folders are watched: folders made or removed in them appear and go by themselves.
#pragma once

#include <QFileSystemWatcher>
#include <QIcon>
#include <QThreadPool>
#include <QTimer>
#include <QTreeWidget>
#include <functional>
#include <set>
#include <string>
#include <vector>

namespace albumon {

// The visible subfolder names of a folder (hidden ones left out), in no particular order.
// A folder that cannot be read gives an empty list.
std::vector<std::string> ReadSubfolderNames(const std::string& folder);

// Whether a folder holds at least one visible subfolder.
bool HasSubfolders(const std::string& folder);

class TFolderTreeViewEx : public QTreeWidget {
    Q_OBJECT

  public:
    // Sender and the file-system path of the newly selected node: "/" for the file-system
    // root, other folders without a trailing "/", empty for the computer itself.
    using TFolderExEvent = std::function<void(QObject* sender, const std::string& FolderName)>;
    // Reads the subfolder names of a folder; runs on worker threads as well.
    using FolderReader = std::function<std::vector<std::string>(const std::string& folder)>;

    explicit TFolderTreeViewEx(QWidget* parent = nullptr);
    ~TFolderTreeViewEx() override;

    // Opens the nodes along the path and selects the folder's node, raising OnChange. Returns
    // whether the folder was found; a hidden folder or a path outside the tree is not.
    bool SelectFolder(const std::string& path);
    // Reads the folders again, keeping open nodes, selection and scroll position where their
    // paths still exist. Does nothing on trees of more than MaxRefreshNodes nodes.
    void RefreshTree();

    // The path a node stands for ("" for the computer).
    static std::string FolderNameOf(const QTreeWidgetItem* node);
    // The node of a path among the nodes read so far, or nullptr.
    QTreeWidgetItem* NodeOf(const std::string& path) const;
    // Whether a node's children are still being read.
    static bool IsReading(const QTreeWidgetItem* node);

    TFolderExEvent OnChange;
    // Replaceable for tests that simulate slow or huge folders.
    FolderReader Reader = ReadSubfolderNames;
    // How long RefreshTree waits for the file system to settle before reading again.
    int RefreshPauseMs = 1000;
    // How long a watched folder's changes are gathered before its children are read again.
    static constexpr int WatchDelayMs = 100;
    static constexpr int MaxRefreshNodes = 10240;

  private:
    class BusyScope;
    struct Icons {
        QIcon computer, drive, home, volume, folder, folderOpen;
    };

    void BuildTree();
    void AddRootChildren(QTreeWidgetItem* root);
    QTreeWidgetItem* MakeNode(const QString& label, const std::string& path, const QIcon& icon);
    void FillChildren(QTreeWidgetItem* node, std::vector<std::string> names);
    void ReadChildrenNow(QTreeWidgetItem* node);
    void ReadChildrenLater(QTreeWidgetItem* node);
    void MarkSubfoldersLater(QTreeWidgetItem* node);
    void NodeExpanded(QTreeWidgetItem* node);
    QTreeWidgetItem* Walk(const std::string& path, const std::string& via = std::string());
    QTreeWidgetItem* WalkToNearest(const std::string& path, const std::string& via);
    QTreeWidgetItem* RootChildFor(const std::string& path, const std::string& via) const;
    void Select(QTreeWidgetItem* node);
    void RaiseChange(QTreeWidgetItem* current);
    int NodeCount() const;
    void Watch(QTreeWidgetItem* node, bool open);
    void ReadChangedFolders();
    void MergeChildren(QTreeWidgetItem* node, const std::vector<std::string>& names);
    bool Holds(const QTreeWidgetItem* node) const;

    Icons icons_;
    QThreadPool workers_;
    int epoch_ = 0;               // bumped when the tree is built anew, so late results are dropped
    int busyDepth_ = 0;           // nested wait-cursor scopes
    bool quiet_ = false;          // selection changes made by the tree itself raise no event
    std::string lastName_;        // reported again when no node is selected
    QFileSystemWatcher watcher_;  // the open folders and the selected one
    QTimer changes_;              // gathers the watcher's reports
    std::set<std::string> changed_;  // folders reported changed since the last read
};

}  // namespace albumon
