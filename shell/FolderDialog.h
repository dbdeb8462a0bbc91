// The folder picker: a modal folder chooser with a title and a folder kept from one use to the
// next; the chooser itself can be replaced.
#pragma once

#include <QObject>
#include <QString>
#include <functional>
#include <optional>
#include <string>

class QWidget;

namespace albumon {

class TFolderDialog : public QObject {
    Q_OBJECT

  public:
    // What the chooser is asked: its owner, title and the folder to preselect (empty: none).
    struct Request {
        QWidget* owner = nullptr;
        QString title;
        std::string start;
    };
    // Returns the chosen folder ("" for a choice without a file-system path), or nothing when
    // the user cancels.
    using Chooser = std::function<std::optional<std::string>(const Request&)>;

    explicit TFolderDialog(QWidget* owner);

    QString Title = QStringLiteral("フォルダーの選択");
    // The folder to preselect, then the folder chosen: no trailing "/" except for "/" itself.
    std::string Directory;

    // Runs the chooser; true when the user confirmed a choice.
    bool Execute();
    void SetChooser(Chooser chooser) { chooser_ = std::move(chooser); }

  private:
    QWidget* owner_;
    Chooser chooser_;
};

// The desktop's modal folder chooser.
std::optional<std::string> ChooseFolderWithDialog(const TFolderDialog::Request& request);

}  // namespace albumon
