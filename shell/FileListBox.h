// The file list of the input page: the names of a folder's files that match a mask, sorted,
// each with a document icon.
#pragma once

#include <QListWidget>
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

  private:
    void ReadFileNames(const std::string& folder);

    std::string directory_;
};

}  // namespace albumon
