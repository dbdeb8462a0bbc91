// The file list of the input page: the names of a folder's files that match a mask, sorted,
// each with a document icon; or, in its icon view, as large icons showing the pictures.
#pragma once

#include <QIcon>
#include <QListWidget>
#include <functional>
#include <string>

namespace albumon {

// Whether a file name matches one mask part such as "*.jpg" ("*" and "?" wildcards), ASCII
// letters compared without regard to case.
bool MatchesMask(const std::string& name, const std::string& pattern);

class TFileListBox : public QListWidget {
    Q_OBJECT

  public:
    explicit TFileListBox(QWidget* parent = nullptr);

    // Mask parts separated by ";".
    std::string Mask = "*.jpg;*.jpeg;*.heic;*.heif;*.hif;*.png;*.webp";

    // Shows a folder (given with its trailing "/"); reads it only when it differs from the
    // folder shown. A folder that cannot be entered raises EInOutError and changes nothing.
    void SetDirectory(const std::string& folder);
    const std::string& Directory() const { return directory_; }
    // Reads the shown folder again.
    void Reread();

    // The picture of a file (its full path) for the icon view; a null icon shows the document icon.
    std::function<QIcon(const std::string& path)> PictureIcon;
    // Shows the files as large icons with their pictures, or as the list of names.
    void SetIconView(bool icons);
    bool IconView() const { return viewMode() == QListView::IconMode; }
    // The picture of a file changed (its full path): its icon is asked for again.
    void PictureChanged(const std::string& path);

  private:
    void ReadFileNames(const std::string& folder);
    QIcon IconOf(const std::string& name) const;

    std::string directory_;
};

}  // namespace albumon
