// The notice a successful save leaves at the bottom of the main window: what was written, buttons
// that open the album and its folder, and the save's warnings.
#pragma once

#include <QFrame>
#include <QStringList>

#include "MailHP.h"

class QLabel;
class QPushButton;

namespace albumon {

class SaveNoticeBar : public QFrame {
    Q_OBJECT

  public:
    explicit SaveNoticeBar(QWidget* parent);

    // Shows saved ("保存しました: N 枚", see SavedWords), " — PATH/TITLE.htm" and the warnings
    // listed under it; with publishable, also the button "公開する".
    void ShowSaved(const QString& saved, const QString& indexPage, const QStringList& warnings,
                   bool publishable = false);
    // Hides the notice (its button "×", or the user's next action).
    void Dismiss();
    // Opens addresses as the home-page launcher does; tests put a stub here.
    void SetLauncher(TMailAndHP::Launcher launcher) { launcher_ = std::move(launcher); }

    QLabel* Text = nullptr;
    QLabel* Warnings = nullptr;
    QPushButton* OpenAlbumButton = nullptr;
    QPushButton* OpenFolderButton = nullptr;
    QPushButton* PublishButton = nullptr;
    QPushButton* DismissButton = nullptr;

  signals:
    // The bar was shown or hidden: the window makes room for it below its controls.
    void heightChanged();
    // "公開する" was clicked.
    void publishAsked();

  private:
    void Open(const QString& path);

    QString indexPage_;
    TMailAndHP::Launcher launcher_;
};

}  // namespace albumon
