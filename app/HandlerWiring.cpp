// Binds every control's events to the window's handlers.
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>

#include "FTVEX_D3.h"
#include "FileListBox.h"
#include "MailHP.h"
#include "MessageBoxes.h"
#include "NewCtrls.h"
#include "Unit1.h"
#include "UpDownSpinBox.h"

namespace albumon {

void TForm1::ConnectHandlers() {
    CreateUndoActions();
    ConnectListHandlers();
    ConnectPageHandlers();
    ConnectFolderHandlers();
}

void TForm1::ConnectListHandlers() {
    FileDrop1->OnFileDrop = [this](QObject* sender, int num, const QStringList& files, int x,
                                   int y) { FileDrop1FileDrop(sender, num, files, x, y); };
    connect(ListBoxIn, &QListWidget::itemSelectionChanged, this, [this] {
        if (!KeepSelection())
            ListBoxInClick();
    });
    // A press on another selected row (to drag the selection) moves the current row alone: the
    // page then shows that row, as it shows the current row of every selection.
    connect(ListBoxIn, &QListWidget::currentRowChanged, this, [this] {
        const int row = SelectedRow();
        if (row >= 0 && row != album_.CurrentIndex)
            ListBoxInClick();
    });
    connect(BitBtnOpen, &QPushButton::clicked, this, [this] { BitBtnOpenClick(); });
    connect(BitBtnSort, &QPushButton::clicked, this, [this] { BitBtnSortClick(); });
    // A right click on "ソート" or on the list offers the orders.
    connect(BitBtnSort, &QWidget::customContextMenuRequested, this,
            [this](const QPoint& at) { PopupMenuSort->popup(BitBtnSort->mapToGlobal(at)); });
    connect(ListBoxIn, &QWidget::customContextMenuRequested, this, [this](const QPoint& at) {
        PopupMenuList->popup(ListBoxIn->viewport()->mapToGlobal(at));
    });
    connect(mnuSortName, &QAction::triggered, this, [this] { BitBtnSortClick(); });
    connect(mnuSortDate, &QAction::triggered, this, [this] { mnuSortDateClick(); });
    connect(BitBtnUp, &QPushButton::clicked, this, [this] { BitBtnUpClick(); });
    connect(BitBtnDown, &QPushButton::clicked, this, [this] { BitBtnDownClick(); });
    connect(BitBtnDelete, &QPushButton::clicked, this, [this] { BitBtnDeleteClick(); });
    connect(InsBitBtn, &QPushButton::clicked, this, [this] { InsBitBtnClick(); });
    connect(ClearBitBtn, &QPushButton::clicked, this, [this] { ClearBitBtnClick(); });
}

void TForm1::ConnectPageHandlers() {
    connect(PageControl1, &QTabWidget::currentChanged, this, [this] { PageControl1Change(); });
    for (QRadioButton* position : {RadioButton1, RadioButton2}) {
        connect(position, &QRadioButton::clicked, this, [this] { PageControl1Change(); });
    }
    for (QRadioButton* naming : {RadioButton3, RadioButton4, RadioButton5}) {
        connect(naming, &QRadioButton::toggled, this, [this] { RadioButton3Click(); });
    }
    connect(Memo, &QPlainTextEdit::textChanged, this, [this] { MemoChange(); });
    connect(Memo, &QWidget::customContextMenuRequested, this,
            [this](const QPoint& at) { PopupMenu1->popup(Memo->mapToGlobal(at)); });
    auto addMenu = [this](const char* name, const QString& caption, void (TForm1::*handler)()) {
        QAction* action = PopupMenu1->addAction(caption);
        action->setObjectName(QString::fromLatin1(name));
        connect(action, &QAction::triggered, this, [this, handler] { (this->*handler)(); });
    };
    addMenu("sCut", QStringLiteral("切り取り"), &TForm1::sCutClick);
    addMenu("sCopy", QStringLiteral("コピー"), &TForm1::sCopyClick);
    addMenu("SPaste", QStringLiteral("貼り付け"), &TForm1::SPasteClick);
    addMenu("SClear", QStringLiteral("クリア"), &TForm1::SClearClick);
    connect(RotRBitBtn, &QPushButton::clicked, this, [this] { RotRBitBtnClick(); });
    connect(RotLBitBtn, &QPushButton::clicked, this, [this] { RotLBitBtnClick(); });
    connect(BackBitBtn, &QPushButton::clicked, this, [this] { BackBitBtnClick(); });
    connect(FwdBitBtn, &QPushButton::clicked, this, [this] { FwdBitBtnClick(); });
    connect(EditHedFix, &QLineEdit::textChanged, this, [this] { EditHedFixChange(); });
    connect(UpDown1, &UpDownSpinBox::stepped, this, [this] { UpDown1Click(); });
    connect(ListBoxOut, &QListWidget::itemSelectionChanged, this, [this] { ListBoxOutClick(); });
    connect(CheckBoxComp, &QCheckBox::clicked, this, [this] { CheckBoxCompClick(); });
    connect(SaveBitBtn, &QPushButton::clicked, this, [this] { SaveBitBtnClick(); });
    connect(SaveCancelBtn, &QPushButton::clicked, this, [this] {
        if (phase_.save == SaveCloseState::Save::Running)
            phase_.save = SaveCloseState::Save::CancelAsked;
    });
    connect(BitBtnHelp, &QPushButton::clicked, this, [this] { BitBtnHelpClick(); });
}

void TForm1::ConnectFolderHandlers() {
    FolderTreeView->OnChange = [this](QObject* sender, const std::string& folderName) {
        FolderTreeViewChange(sender, folderName);
    };
    connect(FileListBox1, &QListWidget::itemSelectionChanged, this,
            [this] { FileListBox1Click(); });
    const QList<QAbstractItemView*> menuOwners{FolderTreeView, FileListBox1};
    for (QAbstractItemView* control : menuOwners) {
        connect(control, &QWidget::customContextMenuRequested, this,
                [this, control](const QPoint& at) {
                    PopupMenu2->popup(control->viewport()->mapToGlobal(at));
                });
    }
    connect(mnuRefresh, &QAction::triggered, this, [this] { mnuRefreshClick(); });
    connect(OutPathBitBtn, &QPushButton::clicked, this, [this] { OutPathBitBtnClick(); });
    connect(BitBtnTP, &QPushButton::clicked, this, [this] { BitBtnTPClick(); });
    OnLabelClick(Label15, [this] { Label15Click(); });
    OnLabelClick(Label9, [this] { Label9Click(); });
}

}  // namespace albumon
