// The main window: creation, start-up and shut-down, page changes, help, the memo's menu and
// the archive check box.
#include "Unit1.h"

#include <algorithm>

#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QCloseEvent>
#include <QComboBox>
#include <QDesktopServices>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QPlainTextEdit>
#include <QRadioButton>
#include <QScreen>
#include <QTabWidget>
#include <QTimer>
#include <QUrl>

#include "ArchiveCtrls.h"
#include "FileSystem.h"
#include "MessageBoxes.h"
#include "NewCtrls.h"
#include "Paths.h"
#include "PictureBox.h"
#include "QtText.h"
#include "Rw_ini.h"
#include "ThumbnailCache.h"
#include "UpDownSpinBox.h"
#include "renditions/PictureView.h"

namespace albumon {

TForm1::TForm1(const ProgramPaths& paths, QWidget* parent)
    : QWidget(parent), paths_(paths), view_(std::make_unique<PictureView>()) {
    // The archive's folder watcher reports on the user-interface thread.
    ArchiveControl1 = std::make_unique<TArchiveControl>([this](std::function<void()> task) {
        QMetaObject::invokeMethod(this, std::move(task), Qt::QueuedConnection);
    });
    ArchiveControl1->ResponseFolder = paths_.WorkFolder + "/";
    ArchiveControl1->Api().OnProgress = [this](double done) { ShowPackingProgress(done); };
    setObjectName(QStringLiteral("Form1"));
    setWindowTitle(QStringLiteral("Albumon"));
    QFont font(QStringLiteral("IPAPGothic"));
    font.setPixelSize(12);
    setFont(font);
    resize(577, 490);  // the design size, and the smallest the layout allows
    CreateShellComponents();
    CreateControls();
    CreateThumbnails();
    FileDrop1 = new TFileDrop(this);
    FileDrop1->setObjectName(QStringLiteral("FileDrop1"));
    FileDrop1->SetControl(ListBoxIn);
    RefuseDroppedFiles(this, *FileDrop1);
    CreateSaveNotice();
    ConnectHandlers();
    refitTimer_ = new QTimer(this);
    refitTimer_->setSingleShot(true);
    refitTimer_->setInterval(100);
    connect(refitTimer_, &QTimer::timeout, this, [this] { RefitPreview(); });
    RunHandler(this, [this] { FormCreate(); });
}

TForm1::~TForm1() = default;

void TForm1::FormCreate() {
    album_.TempPath = paths_.WorkFolder;
    PrepareWorkFolder(album_.TempPath);
    ReadSettings(paths_.SettingsFile, {paths_.OutFolder, paths_.TemplateFolder}, album_);
    publish_ = ReadPublishSettings(paths_.SettingsFile);
    PlaceWindow();
    ShowSavedInputFolder();
    CheckBoxComp->setChecked(album_.MakeZip);
    CheckBoxCompClick();
    SetMemoLines({});
    EditName->setEnabled(RadioButton4->isChecked());
    ClearEntriesAndControls();
    ApplySettingsToControls();
    (album_.KeepNameDefault ? RadioButton7 : RadioButton6)->setChecked(true);
    PageControl1->setCurrentWidget(TabSheet3);
}

// The saved place and size, kept on the screen: a size saved on a larger screen, or a place on a
// screen no longer there, is made to fit, with room for the window manager's frame (not known
// before the window is shown). A window closed maximised opens maximised.
void TForm1::PlaceWindow() {
    constexpr int kDesignWidth = 577, kDesignHeight = 490;
    constexpr int kFrameWidth = 8, kFrameHeight = 40;
    QScreen* screen = QGuiApplication::screenAt(QPoint(album_.WindowLeft, album_.WindowTop));
    if (screen == nullptr)
        screen = QGuiApplication::primaryScreen();
    const QRect room =
        screen != nullptr ? screen->availableGeometry() : QRect(0, 0, kDesignWidth, kDesignHeight);
    const int width = std::clamp(album_.WindowWidth, kDesignWidth,
                                 std::max(kDesignWidth, room.width() - kFrameWidth));
    const int height = std::clamp(album_.WindowHeight, kDesignHeight,
                                  std::max(kDesignHeight, room.height() - kFrameHeight));
    move(std::clamp(album_.WindowLeft, room.left(),
                    std::max(room.left(), room.right() + 1 - width - kFrameWidth)),
         std::clamp(album_.WindowTop, room.top(),
                    std::max(room.top(), room.bottom() + 1 - height - kFrameHeight)));
    resize(width, height);
    if (album_.WindowMaximized)
        setWindowState(windowState() | Qt::WindowMaximized);
}

void TForm1::ApplySettingsToControls() {
    OutPathLabel->setText(Text(album_.OutPath));
    EditPublishDest->setText(Text(publish_.Destination));
    EditPublicUrl->setText(Text(publish_.PublicUrl));
    TP_PathLabel->setText(Text(album_.TemplatePath));
    ThumbTopEdit->setText(Text(album_.ThumbPrefix));
    UpDownTSize->setValue(album_.ThumbSize);
    UpDownCompress->setValue(album_.JpegQuality);
    CheckBoxLossless->setChecked(album_.LosslessTurns);
    CheckBoxNoGps->setChecked(album_.StripLocation);
    UpDownConvert->setValue(album_.ConvertQuality);
    // なし, 2048 or 3072: any other value of the settings file is shown as the nearest.
    ComboDisplaySize->setCurrentIndex(album_.DisplaySize <= 0     ? 0
                                      : album_.DisplaySize > 2560 ? 2
                                                                  : 1);
    mnuIcons->setChecked(album_.FileListIcons);
}

void TForm1::TakeGeneralPageSettings() {
    album_.ThumbPrefix = TrimControls(ThumbTopEdit->text().toStdString());
    album_.ThumbSize = UpDownTSize->value();
    album_.JpegQuality = UpDownCompress->value();
    album_.LosslessTurns = CheckBoxLossless->isChecked();
    album_.StripLocation = CheckBoxNoGps->isChecked();
    album_.ConvertQuality = UpDownConvert->value();
    static constexpr int kDisplaySizes[] = {0, 2048, 3072};
    album_.DisplaySize = kDisplaySizes[std::clamp(ComboDisplaySize->currentIndex(), 0, 2)];
    publish_.Destination = EditPublishDest->text().trimmed().toStdString();
    publish_.PublicUrl = EditPublicUrl->text().trimmed().toStdString();
    album_.PublicUrl = publish_.PublicUrl;  // the save's link previews follow the field
}

void TForm1::FormClose() {
    // A maximised window keeps the place and size it had in its normal state, as read.
    album_.WindowMaximized = isMaximized();
    if (!(windowState() & (Qt::WindowMinimized | Qt::WindowMaximized | Qt::WindowFullScreen))) {
        album_.WindowLeft = x();
        album_.WindowTop = y();
        album_.WindowWidth = width();
        // The room a save's notice took is given back: the next start opens without it.
        album_.WindowHeight = height() - noticeGrowth_;
    }
    TakeGeneralPageSettings();
    album_.KeepNameDefault = !RadioButton6->isChecked();
    album_.FileListIcons = mnuIcons->isChecked();
    WriteSettings(paths_.SettingsFile, album_);
    WritePublishSettings(paths_.SettingsFile, publish_);
}

void TForm1::closeEvent(QCloseEvent* event) {
    // A save under way needs its note files: the window closes when it has ended. The
    // session's end answers the save's boxes: "No" to a question (nothing is written), "OK"
    // to an error.
    using Close = SaveCloseState::Close;
    if (phase_.save != SaveCloseState::Save::Idle) {
        phase_.closeAfterSave = true;
        if (phase_.withoutQuestion)
            AnswerOpenBoxes(this);
        event->ignore();
        return;
    }
    // A second close while the question is up waits for its answer.
    if (phase_.close == Close::Asking) {
        event->ignore();
        return;
    }
    if (phase_.close == Close::Open && !phase_.withoutQuestion) {
        phase_.close = Close::Asking;
        const bool close = ConfirmClose();
        phase_.close = Close::Open;
        if (!close) {
            event->ignore();
            return;
        }
    }
    // A settings file that cannot be written is reported, and the program still closes: a
    // window that can never be closed would help nobody.
    if (phase_.close != Close::Closed) {
        phase_.close = Close::Closed;
        RunHandler(this, [this] { FormClose(); });
        EmptyWorkFolder(album_.TempPath);
    }
    event->accept();
}

void TForm1::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    if (refitTimer_ != nullptr)
        refitTimer_->start();
}

void TForm1::PageControl1Change() {
    RunHandler(this, [this] { StoreSelected(); });
}

void TForm1::CheckBoxCompClick() {
    album_.MakeZip = CheckBoxComp->isChecked();
}

void TForm1::BitBtnHelpClick() {
    QDesktopServices::openUrl(QUrl::fromLocalFile(Text(paths_.HelpFolder + "help.htm")));
}

void TForm1::sCutClick() {
    Memo->cut();
}
void TForm1::sCopyClick() {
    Memo->copy();
}
void TForm1::SPasteClick() {
    Memo->paste();
}
void TForm1::SClearClick() {
    Memo->clear();
}

}  // namespace albumon
