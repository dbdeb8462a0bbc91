// The main window: one window, four pages, the album state it owns and every handler.
#pragma once

#include <QSize>
#include <QWidget>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "AlbumReadBack.h"
#include "AlbumState.h"
#include "InputList.h"
#include "ListHistory.h"
#include "ProgramPaths.h"
#include "PublishSettings.h"

class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QMenu;
class QPlainTextEdit;
class QProgressBar;
class QPushButton;
class QRadioButton;
class QSpinBox;
class QTabWidget;
class QFrame;
class QStaticText;
class QAction;
class QTimer;
class QUndoStack;

namespace albumon {

class GrowLayout;

class PictureView;
class PictureBox;
class SaveNoticeBar;
struct SaveNotice;
struct SaveTally;
class TArchiveControl;
class TFileDrop;
class TFileListBox;
class TFolderDialog;
class TFolderTreeViewEx;
class TMailAndHP;
class ThumbnailCache;
class UpDownSpinBox;

// Where the window stands with its save and its close. A close asked for while a save runs
// waits for the save's end; one asked for while the close question is up waits for its answer.
struct SaveCloseState {
    enum class Save { Idle, Running, CancelAsked };
    enum class Close { Open, Asking, Closed };  // Closed: the settings are written
    Save save = Save::Idle;
    Close close = Close::Open;
    bool closeAfterSave = false;   // a close came while a save ran: the save's end closes
    bool withoutQuestion = false;  // the session ends: unsaved entries are not asked about
};

class TForm1 : public QWidget {
    Q_OBJECT

  public:
    explicit TForm1(const ProgramPaths& paths, QWidget* parent = nullptr);
    ~TForm1() override;

    const AlbumState& Album() const { return album_; }
    // The files and folders named on the command line, added in their order: files as a drop
    // adds them, folders as "選択" adds a folder (in name order); names of nothing are passed over.
    void AddStartPaths(const std::vector<std::string>& paths);
    // Closes as the end of the session does: unsaved entries are not asked about.
    void CloseWithoutQuestion();
    // The thumbnails of the input list and the file list (tests hold its decodes back).
    ThumbnailCache& Thumbnails() { return *thumbnails_; }

    // Handlers, named after their control and event.
    void FormCreate();
    void FormClose();
    void PageControl1Change();
    void CheckBoxCompClick();
    void BitBtnHelpClick();
    void sCutClick();
    void sCopyClick();
    void SPasteClick();
    void SClearClick();
    void FileDrop1FileDrop(QObject* sender, int num, const QStringList& files, int x, int y);
    void BitBtnOpenClick();
    void BitBtnSortClick();
    void mnuSortDateClick();
    void BitBtnUpClick();
    void BitBtnDownClick();
    void BitBtnDeleteClick();
    void InsBitBtnClick();
    void ClearBitBtnClick();
    void ListBoxInClick();
    void MemoChange();
    void RadioButton3Click();
    void RotRBitBtnClick();
    void RotLBitBtnClick();
    void BackBitBtnClick();
    void FwdBitBtnClick();
    void EditHedFixChange();
    void UpDown1Click();
    void ListBoxOutClick();
    void SaveBitBtnClick();
    void FolderTreeViewChange(QObject* sender, const std::string& FolderName);
    void FileListBox1Click();
    void mnuRefreshClick();
    void OutPathBitBtnClick();
    void BitBtnTPClick();
    void Label15Click();
    void Label9Click();

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

  private:
    // Construction of the controls, page by page.
    void CreateControls();
    void CreateInputPanel();
    void CreateBottomPanel();
    void CreateInputPage();
    void CreatePicturePage();
    void CreateNamingPage();
    void CreatePublishGroup();
    void CreateGeneralPage();
    void CreateAboutLabels(QWidget* page);
    void LetControlsGrow();
    void ConnectHandlers();
    void ConnectListHandlers();
    void ConnectPageHandlers();
    void CreateShellComponents();
    void ShowSavedInputFolder();
    void ConnectFolderHandlers();

    // Undo and redo: each change of the list is one step of History.
    void CreateUndoActions();
    void RunStep(const QString& name, const std::function<void()>& change);
    ListSnapshot Snapshot() const;
    void PushStep(const QString& name, ListSnapshot before);
    void PushStep(const QString& name, ListSnapshot before, ListSnapshot after);
    void ShowSnapshot(const ListSnapshot& state);
    void UndoStep();
    void RedoStep();

    // Shared steps of the handlers.
    NamingBase Naming() const;
    EditingState Editing() const;
    void StoreSelected();
    void StoreAt(int slot);
    int SelectedRow() const;
    void SelectRow(int row);
    void RebuildInputList();
    // The input rows' thumbnails and marks, and the file list's pictures.
    void CreateThumbnails();
    void DecorateInputRows();
    void DecorateInputRow(int row, const std::string& commentaryPath);
    void ThumbnailReady(const std::string& path);
    void RefreshOutputNames();
    void ShowWithoutStoring();
    bool KeepSelection();
    void LeaveShownEntry();
    void ShowEntryValues(int row);
    void LoadPreview(const EntryRecord& entry);
    void RefitPreview();
    AdditionResult RunAddition(const std::function<AdditionResult()>& addition);
    void AfterAddition(int first, int before, int refused, bool sort = true,
                       const std::vector<std::string>& warnings = {});
    FolderAddition AddAlbumOrFolder(const std::string& path, FolderOrder order);
    AdditionResult AddDroppedFiles(const std::vector<std::string>& paths);
    void SetMemoLines(const std::vector<std::string>& lines);
    std::vector<std::string> MemoLines() const;
    void ClearEntriesAndControls();
    void MoveSelected(int step);
    QList<int> SelectedRows() const;
    void MoveSelectedTo(int before, int step = 0);
    void ReorderKeepingSelection(const std::vector<int>& order);
    void MoveSelectedByKey(int move);
    void RowsDroppedAt(int before);
    void TurnSelected(void (*turn)(PictureView&), int quarterTurns);
    void ApplySettingsToControls();
    void PlaceWindow();
    void TakeGeneralPageSettings();
    bool ConfirmReplaceOthers(const std::vector<std::string>& files);
    void ShowStep(const QString& format);
    void ShowPackingProgress(double done);
    void EndSteps();
    // The notice below the controls after a save, with the pictures not handled as asked.
    void CreateSaveNotice();
    void MakeRoomForNotice();
    void ShowSaveNotice(const std::string& head, const SaveTally& tally,
                        const std::vector<SaveNotice>& notices);
    bool ConfirmEmptySave(const std::string& head);
    bool ConfirmReplaceAlbum(const std::string& head);
    bool ConfirmClose();
    void SaveAlbumNow();
    // Publishes the album saved last to the destination of the naming page.
    void PublishSavedAlbum();

  public:
    // Controls, named as the user interface names them (also their objectName).
    QWidget* Panel1 = nullptr;
    QLabel* StaticText1 = nullptr;
    QListWidget* ListBoxIn = nullptr;
    QPushButton* BitBtnSort = nullptr;
    QPushButton* BitBtnUp = nullptr;
    QPushButton* BitBtnDown = nullptr;
    QPushButton* BitBtnDelete = nullptr;
    QPushButton* InsBitBtn = nullptr;
    QPushButton* ClearBitBtn = nullptr;
    // The orders "ソート" offers (its menu, also the input list's context menu).
    QMenu* PopupMenuSort = nullptr;
    QAction* mnuSortName = nullptr;
    QAction* mnuSortDate = nullptr;
    // The list's steps: undo and redo (also in the input list's context menu, with the orders).
    QUndoStack* History = nullptr;
    QAction* mnuUndo = nullptr;
    QAction* mnuRedo = nullptr;
    QMenu* PopupMenuList = nullptr;
    QWidget* Panel2 = nullptr;
    QLabel* Label5 = nullptr;
    QLabel* InPathLabel = nullptr;
    QProgressBar* ProgressBar1 = nullptr;
    QPushButton* SaveCancelBtn = nullptr;
    QTabWidget* PageControl1 = nullptr;
    QWidget* TabSheet3 = nullptr;
    QWidget* TabSheet2 = nullptr;
    QWidget* TabSheet1 = nullptr;
    QWidget* TabSheet4 = nullptr;
    // Input page.
    TFolderTreeViewEx* FolderTreeView = nullptr;
    TFileListBox* FileListBox1 = nullptr;
    QMenu* PopupMenu2 = nullptr;
    QAction* mnuRefresh = nullptr;
    QAction* mnuIcons = nullptr;  // the file list's icon view with the pictures
    QLabel* Label14 = nullptr;
    QPushButton* BitBtnOpen = nullptr;
    // Picture page.
    QFrame* Panel3 = nullptr;
    PictureBox* Image1 = nullptr;
    QPushButton* RotRBitBtn = nullptr;
    QPushButton* RotLBitBtn = nullptr;
    QPlainTextEdit* Memo = nullptr;
    QMenu* PopupMenu1 = nullptr;
    QGroupBox* GroupBox3 = nullptr;
    QRadioButton* RadioButton1 = nullptr;
    QRadioButton* RadioButton2 = nullptr;
    QGroupBox* GroupBox5 = nullptr;
    QRadioButton* RadioButton3 = nullptr;
    QRadioButton* RadioButton4 = nullptr;
    QRadioButton* RadioButton5 = nullptr;
    QLineEdit* EditName = nullptr;
    QPushButton* BackBitBtn = nullptr;
    QPushButton* FwdBitBtn = nullptr;
    // Naming page.
    QLabel* Label1 = nullptr;
    QLineEdit* EditHedFix = nullptr;
    QLabel* Label2 = nullptr;
    UpDownSpinBox* UpDown1 = nullptr;
    QLabel* StaticText2 = nullptr;
    QListWidget* ListBoxOut = nullptr;
    QGroupBox* GroupBox1 = nullptr;
    QLabel* Label3 = nullptr;
    QPushButton* OutPathBitBtn = nullptr;
    QLabel* Label13 = nullptr;
    QLabel* OutPathLabel = nullptr;
    QCheckBox* CheckBoxComp = nullptr;
    QGroupBox* GroupPublish = nullptr;
    QLabel* LabelPublishDest = nullptr;
    QLineEdit* EditPublishDest = nullptr;
    QLabel* LabelPublicUrl = nullptr;
    QLineEdit* EditPublicUrl = nullptr;
    QCheckBox* CheckBoxLossless = nullptr;
    QCheckBox* CheckBoxNoGps = nullptr;
    QLabel* LabelConvert = nullptr;
    UpDownSpinBox* UpDownConvert = nullptr;
    QLabel* LabelDisplaySize = nullptr;
    QComboBox* ComboDisplaySize = nullptr;
    QPushButton* SaveBitBtn = nullptr;
    // General page.
    QGroupBox* GroupBox2 = nullptr;
    QLabel* Label4 = nullptr;
    QLineEdit* ThumbTopEdit = nullptr;
    QLabel* Label6 = nullptr;
    UpDownSpinBox* UpDownTSize = nullptr;
    QGroupBox* GroupBox4 = nullptr;
    QLabel* Label10 = nullptr;
    QPushButton* BitBtnTP = nullptr;
    QLabel* Label11 = nullptr;
    QLabel* TP_PathLabel = nullptr;
    QGroupBox* GroupBox6 = nullptr;
    QLabel* Label12 = nullptr;
    UpDownSpinBox* UpDownCompress = nullptr;
    QGroupBox* GroupBox7 = nullptr;
    QRadioButton* RadioButton6 = nullptr;
    QRadioButton* RadioButton7 = nullptr;
    QPushButton* BitBtnHelp = nullptr;
    QLabel* Label7 = nullptr;
    QLabel* Label8 = nullptr;
    QLabel* Label15 = nullptr;
    QLabel* Label9 = nullptr;
    QLabel* Label17 = nullptr;
    // Non-visual components.
    TFileDrop* FileDrop1 = nullptr;
    TFolderDialog* FolderDialog1 = nullptr;
    TMailAndHP* MailAndHP1 = nullptr;
    std::unique_ptr<TArchiveControl> ArchiveControl1;
    // Below the controls after a successful save.
    SaveNoticeBar* NoticeBar = nullptr;

  private:
    ProgramPaths paths_;
    AlbumState album_;
    std::unique_ptr<PictureView> view_;
    std::unique_ptr<ThumbnailCache> thumbnails_;
    bool fillingMemo_ = false;
    bool recordingStep_ = false;  // a change of the list runs: its stores are part of its step
    // The note the program put into the memo and the text the memo showed for it: stored as
    // it was read while the user leaves the text as it is.
    std::vector<std::string> memoNote_;
    QString memoShown_;
    QTimer* refitTimer_ = nullptr;  // the preview is fitted anew once resizing pauses
    SaveCloseState phase_;
    GrowLayout* grow_ = nullptr;  // places the controls, and the notice below them
    int noticeGrowth_ = 0;        // the height the window grew by for the notice
    PublishSettings publish_;
    std::string savedHead_;  // the head of the album saved last, which 公開する publishes
};

}  // namespace albumon
