// The controls of the main window and their places: the input panel on the left, the bottom
// panel, and the four pages.
#include <QCheckBox>
#include <QComboBox>
#include <QFrame>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>

#include "FTVEX_D3.h"
#include "FileListBox.h"
#include "GrowLayout.h"
#include "InputListBox.h"
#include "MailHP.h"
#include "PictureBox.h"
#include "Unit1.h"
#include "UpDownSpinBox.h"

namespace albumon {

namespace {

template <typename Control>
Control* Make(QWidget* parent, const char* name, int x, int y, int w, int h) {
    auto* control = new Control(parent);
    control->setObjectName(QString::fromLatin1(name));
    control->setGeometry(x, y, w, h);
    return control;
}

QLabel* MakeLabel(QWidget* parent, const char* name, const QString& text, int x, int y, int w,
                  int h = 18) {
    auto* label = Make<QLabel>(parent, name, x, y, w, h);
    label->setText(text);
    return label;
}

QPushButton* MakeButton(QWidget* parent, const char* name, const QString& caption,
                        const QString& hint, int x, int y, int w, int h = 28) {
    auto* button = Make<QPushButton>(parent, name, x, y, w, h);
    button->setText(caption);
    button->setToolTip(hint);
    return button;
}

QRadioButton* MakeRadio(QWidget* parent, const char* name, const QString& caption, int x, int y,
                        int w) {
    auto* radio = Make<QRadioButton>(parent, name, x, y, w, 20);
    radio->setText(caption);
    return radio;
}

QGroupBox* MakeGroup(QWidget* parent, const char* name, const QString& caption, int x, int y, int w,
                     int h) {
    auto* group = Make<QGroupBox>(parent, name, x, y, w, h);
    group->setTitle(caption);
    return group;
}

UpDownSpinBox* MakeUpDown(QWidget* parent, const char* name, const char* editName, int min, int max,
                          int value, int x, int y, int w) {
    auto* spin = Make<UpDownSpinBox>(parent, name, x, y, w, 24);
    spin->setRange(min, max);
    spin->setValue(value);
    spin->setWrapping(false);
    spin->SetEditName(QString::fromLatin1(editName));
    return spin;
}

}  // namespace

void TForm1::CreateControls() {
    CreateInputPanel();
    CreateBottomPanel();
    PageControl1 = Make<QTabWidget>(this, "PageControl1", 225, 0, 352, 464);
    CreateInputPage();
    CreatePicturePage();
    CreateNamingPage();
    CreateGeneralPage();
    LetControlsGrow();
}

// The extra room of a larger window goes to the lists, the preview and the note; the buttons
// beside and below them keep their size and stay with the edges they sit on.
void TForm1::LetControlsGrow() {
    using G = GrowLayout;
    auto* grow = new GrowLayout(this, size());
    grow_ = grow;
    const G::Edges stretch{G::Fixed, G::Fixed, G::RightPages, G::AllHeight};
    const G::Edges alongBottom{G::Fixed, G::AllHeight, G::Fixed, G::AllHeight};
    const G::Edges rightBottom{G::RightPages, G::AllHeight, G::RightPages, G::AllHeight};
    const G::Edges rightSide{G::RightPages, G::Fixed, G::RightPages, G::Fixed};
    const G::Edges wideBottom{G::Fixed, G::AllHeight, G::RightPages, G::AllHeight};
    grow->Follow(Panel1, {G::Fixed, G::Fixed, G::LeftColumn, G::AllHeight});
    grow->Follow(ListBoxIn, {G::Fixed, G::Fixed, G::LeftColumn, G::AllHeight});
    for (QWidget* button : {BitBtnSort, BitBtnUp, BitBtnDown, BitBtnDelete, InsBitBtn, ClearBitBtn})
        grow->Follow(button, alongBottom);
    grow->Follow(Panel2, {G::Fixed, G::AllHeight, G::AllWidth, G::AllHeight});
    grow->Follow(InPathLabel, {G::Fixed, G::Fixed, G::AllWidth, G::Fixed});
    grow->Follow(ProgressBar1, {G::AllWidth, G::Fixed, G::AllWidth, G::Fixed});
    grow->Follow(PageControl1, {G::LeftColumn, G::Fixed, G::AllWidth, G::AllHeight});
    // Input page: the tree takes half of the extra height, the file list the other half.
    grow->Follow(FolderTreeView, {G::Fixed, G::Fixed, G::RightPages, G::Tree});
    grow->Follow(FileListBox1, {G::Fixed, G::Tree, G::RightPages, G::AllHeight});
    grow->Follow(BitBtnOpen, rightBottom);
    grow->Follow(Label14, alongBottom);
    // Picture page: the preview takes two thirds of the extra height, the note the rest.
    grow->Follow(Panel3, {G::Fixed, G::Fixed, G::RightPages, G::Preview});
    for (QWidget* control : {static_cast<QWidget*>(RotRBitBtn), static_cast<QWidget*>(RotLBitBtn),
                             static_cast<QWidget*>(GroupBox3), static_cast<QWidget*>(BackBitBtn),
                             static_cast<QWidget*>(FwdBitBtn)})
        grow->Follow(control, rightSide);
    grow->Follow(Memo, {G::Fixed, G::Preview, G::RightPages, G::AllHeight});
    grow->Follow(GroupBox5, wideBottom);
    grow->Follow(EditName, {G::Fixed, G::Fixed, G::RightPages, G::Fixed});
    // Naming page: the output list takes the room.
    grow->Follow(ListBoxOut, stretch);
    grow->Follow(GroupPublish, wideBottom);
    grow->Follow(EditPublishDest, {G::Fixed, G::Fixed, G::RightPages, G::Fixed});
    grow->Follow(EditPublicUrl, {G::Fixed, G::Fixed, G::RightPages, G::Fixed});
    grow->Follow(GroupBox1, wideBottom);
    grow->Follow(OutPathBitBtn, rightSide);
    grow->Follow(OutPathLabel, {G::Fixed, G::Fixed, G::RightPages, G::Fixed});
    grow->Follow(CheckBoxComp, alongBottom);
    grow->Follow(SaveBitBtn, rightBottom);
}

void TForm1::CreateInputPanel() {
    Panel1 = Make<QWidget>(this, "Panel1", 0, 0, 225, 464);
    StaticText1 = MakeLabel(Panel1, "StaticText1", QStringLiteral("入力ファイル"), 8, 6, 200);
    auto* list = Make<InputListBox>(Panel1, "ListBoxIn", 8, 26, 209, 356);
    connect(list, &InputListBox::RowsDropped, this, [this](int before) { RowsDroppedAt(before); });
    connect(list, &InputListBox::MoveAsked, this,
            [this](InputListBox::Move move) { MoveSelectedByKey(move); });
    ListBoxIn = list;
    ListBoxIn->setToolTip(QStringLiteral("写真をD&Dします"));
    BitBtnSort = MakeButton(Panel1, "BitBtnSort", QStringLiteral("ソート"),
                            QStringLiteral("並び替え"), 8, 390, 66);
    BitBtnUp = MakeButton(Panel1, "BitBtnUp", QStringLiteral("上へ"), QStringLiteral("１つ上に"),
                          79, 390, 66);
    BitBtnDown = MakeButton(Panel1, "BitBtnDown", QStringLiteral("下へ"),
                            QStringLiteral("１つ下に"), 151, 390, 66);
    BitBtnDelete = MakeButton(Panel1, "BitBtnDelete", QStringLiteral("削除"),
                              QStringLiteral("削除します"), 8, 424, 66);
    InsBitBtn = MakeButton(Panel1, "InsBitBtn", QStringLiteral("挿入"),
                           QStringLiteral("「解説文」を挿入します"), 79, 424, 66);
    ClearBitBtn = MakeButton(Panel1, "ClearBitBtn", QStringLiteral("クリア"),
                             QStringLiteral("全部消去します"), 151, 424, 66);
    PopupMenuSort = new QMenu(this);
    PopupMenuSort->setObjectName(QStringLiteral("PopupMenuSort"));
    mnuSortName = PopupMenuSort->addAction(QStringLiteral("名前順"));
    mnuSortName->setObjectName(QStringLiteral("mnuSortName"));
    mnuSortDate = PopupMenuSort->addAction(QStringLiteral("撮影日時順"));
    mnuSortDate->setObjectName(QStringLiteral("mnuSortDate"));
    for (QWidget* control : {static_cast<QWidget*>(BitBtnSort), static_cast<QWidget*>(ListBoxIn)})
        control->setContextMenuPolicy(Qt::CustomContextMenu);
}

void TForm1::CreateBottomPanel() {
    Panel2 = Make<QWidget>(this, "Panel2", 0, 464, 577, 26);
    Label5 = MakeLabel(Panel2, "Label5", QStringLiteral("入力先："), 8, 4, 52);
    InPathLabel = MakeLabel(Panel2, "InPathLabel", QString(), 60, 4, 330);
    ProgressBar1 = Make<QProgressBar>(Panel2, "ProgressBar1", 400, 5, 103, 16);
    SaveCancelBtn = MakeButton(Panel2, "SaveCancelBtn", QStringLiteral("キャンセル"),
                               QStringLiteral("保存を取り消します"), 507, 1, 66, 24);
    SaveCancelBtn->setEnabled(false);
    ProgressBar1->setRange(0, 100);
    ProgressBar1->setValue(0);
    ProgressBar1->setTextVisible(false);
}

void TForm1::CreateInputPage() {
    TabSheet3 = new QWidget;
    TabSheet3->setObjectName(QStringLiteral("TabSheet3"));
    PageControl1->addTab(TabSheet3, QStringLiteral("１．入力選択"));
    PageControl1->setTabToolTip(0, QStringLiteral("入力の選択"));
    FolderTreeView = Make<TFolderTreeViewEx>(TabSheet3, "FolderTreeView", 6, 6, 334, 222);
    FolderTreeView->setToolTip(QStringLiteral("フォルダを選びます"));
    FileListBox1 = Make<TFileListBox>(TabSheet3, "FileListBox1", 6, 234, 334, 124);
    PopupMenu2 = new QMenu(this);
    PopupMenu2->setObjectName(QStringLiteral("PopupMenu2"));
    mnuRefresh = PopupMenu2->addAction(QStringLiteral("フォルダ更新"));
    mnuRefresh->setObjectName(QStringLiteral("mnuRefresh"));
    for (QWidget* control :
         {static_cast<QWidget*>(FolderTreeView), static_cast<QWidget*>(FileListBox1)})
        control->setContextMenuPolicy(Qt::CustomContextMenu);
    BitBtnOpen = MakeButton(TabSheet3, "BitBtnOpen", QStringLiteral("選択"),
                            QStringLiteral("決定します"), 256, 366, 84);
    Label14 = MakeLabel(TabSheet3, "Label14",
                        QStringLiteral("選択したフォルダの写真が入力に追加されます"), 8, 402, 330);
}

void TForm1::CreatePicturePage() {
    TabSheet2 = new QWidget;
    TabSheet2->setObjectName(QStringLiteral("TabSheet2"));
    PageControl1->addTab(TabSheet2, QStringLiteral("２．画像編集"));
    Panel3 = Make<QFrame>(TabSheet2, "Panel3", 6, 6, 244, 244);
    Panel3->setFrameShape(QFrame::StyledPanel);
    Image1 = new PictureBox(*view_, Panel3);
    Image1->setObjectName(QStringLiteral("Image1"));
    Image1->setToolTip(QStringLiteral("選択された画像"));
    RotRBitBtn = MakeButton(TabSheet2, "RotRBitBtn", QStringLiteral("右回転"),
                            QStringLiteral("右に回転します"), 258, 6, 82);
    RotLBitBtn = MakeButton(TabSheet2, "RotLBitBtn", QStringLiteral("左回転"),
                            QStringLiteral("左に回転します"), 258, 38, 82);
    GroupBox3 = MakeGroup(TabSheet2, "GroupBox3", QStringLiteral("メモ位置"), 258, 74, 82, 72);
    GroupBox3->setToolTip(QStringLiteral("メモの位置を決めます"));
    RadioButton1 = MakeRadio(GroupBox3, "RadioButton1", QStringLiteral("上"), 10, 22, 64);
    RadioButton2 = MakeRadio(GroupBox3, "RadioButton2", QStringLiteral("下"), 10, 44, 64);
    RadioButton2->setChecked(true);
    BackBitBtn = MakeButton(TabSheet2, "BackBitBtn", QStringLiteral("◀"),
                            QStringLiteral("１駒戻す"), 258, 156, 39);
    FwdBitBtn = MakeButton(TabSheet2, "FwdBitBtn", QStringLiteral("▶"), QStringLiteral("１駒送る"),
                           301, 156, 39);
    Memo = Make<QPlainTextEdit>(TabSheet2, "Memo", 6, 256, 334, 110);
    Memo->setToolTip(QStringLiteral("ここにメモを記載します"));
    // Lines wrap at the box's width, between words or anywhere (Japanese has no spaces); the
    // note keeps only the line ends typed.
    Memo->setLineWrapMode(QPlainTextEdit::WidgetWidth);
    Memo->setWordWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    Memo->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    Memo->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    Memo->setContextMenuPolicy(Qt::CustomContextMenu);
    PopupMenu1 = new QMenu(Memo);
    PopupMenu1->setObjectName(QStringLiteral("PopupMenu1"));
    GroupBox5 = MakeGroup(TabSheet2, "GroupBox5", QStringLiteral("名前"), 6, 372, 334, 58);
    RadioButton3 = MakeRadio(GroupBox5, "RadioButton3", QStringLiteral("自動"), 10, 26, 58);
    RadioButton5 = MakeRadio(GroupBox5, "RadioButton5", QStringLiteral("そのまま"), 68, 26, 84);
    RadioButton4 = MakeRadio(GroupBox5, "RadioButton4", QStringLiteral("指定"), 152, 26, 58);
    RadioButton3->setChecked(true);
    EditName = Make<QLineEdit>(GroupBox5, "EditName", 210, 24, 116, 24);
}

void TForm1::CreateNamingPage() {
    TabSheet1 = new QWidget;
    TabSheet1->setObjectName(QStringLiteral("TabSheet1"));
    PageControl1->addTab(TabSheet1, QStringLiteral("３．名前編集"));
    Label1 = MakeLabel(TabSheet1, "Label1", QStringLiteral("先頭固定部"), 8, 12, 110);
    EditHedFix = Make<QLineEdit>(TabSheet1, "EditHedFix", 124, 8, 150, 24);
    EditHedFix->setText(QStringLiteral("無題"));
    EditHedFix->setToolTip(QStringLiteral("ファイルの先頭名です"));
    Label2 = MakeLabel(TabSheet1, "Label2", QStringLiteral("開始追番（３桁）"), 8, 42, 110);
    UpDown1 = MakeUpDown(TabSheet1, "UpDown1", "EditAddNum", 1, 999, 1, 124, 38, 76);
    UpDown1->setToolTip(QStringLiteral("先頭名に続く番号です"));
    StaticText2 = MakeLabel(TabSheet1, "StaticText2", QStringLiteral("出力ファイル"), 8, 70, 200);
    ListBoxOut = Make<QListWidget>(TabSheet1, "ListBoxOut", 8, 90, 332, 120);
    ListBoxOut->setToolTip(QStringLiteral("メモ：出力ファイル名です"));
    CreatePublishGroup();
    GroupBox1 = MakeGroup(TabSheet1, "GroupBox1", QStringLiteral("出力先指定"), 8, 296, 332, 84);
    Label3 = MakeLabel(GroupBox1, "Label3", QStringLiteral("格納フォルダの選択"), 10, 26, 180);
    OutPathBitBtn = MakeButton(GroupBox1, "OutPathBitBtn", QStringLiteral("参照"),
                               QStringLiteral("格納先のフォルダを選択します"), 244, 20, 78, 26);
    Label13 = MakeLabel(GroupBox1, "Label13", QStringLiteral("現在の設定"), 10, 56, 70);
    OutPathLabel = MakeLabel(GroupBox1, "OutPathLabel", QString(), 84, 56, 240);
    CheckBoxComp = Make<QCheckBox>(TabSheet1, "CheckBoxComp", 8, 392, 240, 22);
    CheckBoxComp->setText(QStringLiteral("圧縮（Ｚｉｐ）ファイルも作成する"));
    SaveBitBtn = MakeButton(TabSheet1, "SaveBitBtn", QStringLiteral("保存"),
                            QStringLiteral("HTML変換して保存します"), 250, 388, 90, 34);
}

// Where 公開する sends the saved album, and the address visitors open it at.
void TForm1::CreatePublishGroup() {
    GroupPublish = MakeGroup(TabSheet1, "GroupPublish", QStringLiteral("公開先"), 8, 214, 332, 78);
    LabelPublishDest =
        MakeLabel(GroupPublish, "LabelPublishDest", QStringLiteral("公開先"), 10, 24, 60);
    EditPublishDest = Make<QLineEdit>(GroupPublish, "EditPublishDest", 74, 20, 248, 24);
    EditPublishDest->setPlaceholderText(QStringLiteral("sftp://ユーザー名@ホスト/フォルダ/"));
    EditPublishDest->setToolTip(
        QStringLiteral("保存したアルバムを送る先です（sftp:// か ftps://）"));
    LabelPublicUrl =
        MakeLabel(GroupPublish, "LabelPublicUrl", QStringLiteral("公開URL"), 10, 52, 60);
    EditPublicUrl = Make<QLineEdit>(GroupPublish, "EditPublicUrl", 74, 48, 248, 24);
    EditPublicUrl->setPlaceholderText(QStringLiteral("https://…/"));
    EditPublicUrl->setToolTip(QStringLiteral("公開先のフォルダを見るときのアドレスです"));
}

void TForm1::CreateGeneralPage() {
    TabSheet4 = new QWidget;
    TabSheet4->setObjectName(QStringLiteral("TabSheet4"));
    PageControl1->addTab(TabSheet4, QStringLiteral("一般設定"));
    GroupBox2 = MakeGroup(TabSheet4, "GroupBox2", QStringLiteral("サムネイル"), 8, 8, 188, 84);
    Label4 = MakeLabel(GroupBox2, "Label4", QStringLiteral("先頭文字"), 10, 28, 90);
    ThumbTopEdit = Make<QLineEdit>(GroupBox2, "ThumbTopEdit", 118, 24, 60, 24);
    ThumbTopEdit->setText(QStringLiteral("$_"));
    ThumbTopEdit->setToolTip(QStringLiteral("サムネイルの先頭文字です"));
    Label6 = MakeLabel(GroupBox2, "Label6", QStringLiteral("長辺のサイズ(dot)"), 10, 58, 106);
    UpDownTSize = MakeUpDown(GroupBox2, "UpDownTSize", "EditThumbSize", 32, 128, 64, 118, 54, 60);
    UpDownTSize->setToolTip(QStringLiteral("サムネイルの長辺のサイズです"));
    GroupBox6 = MakeGroup(TabSheet4, "GroupBox6", QStringLiteral("圧縮率"), 204, 8, 136, 84);
    Label12 = MakeLabel(GroupBox6, "Label12", QStringLiteral("1(High)-100(low) Compress"), 8, 20,
                        124, 30);
    Label12->setWordWrap(true);
    UpDownCompress = MakeUpDown(GroupBox6, "UpDownCompress", "EditCompress", 1, 100, 50, 8, 52, 70);
    GroupBox4 = MakeGroup(TabSheet4, "GroupBox4", QStringLiteral("テンプレート"), 8, 98, 332, 84);
    Label10 =
        MakeLabel(GroupBox4, "Label10", QStringLiteral("テンプレートフォルダの選択"), 10, 26, 200);
    BitBtnTP = MakeButton(GroupBox4, "BitBtnTP", QStringLiteral("参照"),
                          QStringLiteral("テンプレートのフォルダを選択します"), 244, 20, 78, 26);
    Label11 =
        MakeLabel(GroupBox4, "Label11", QStringLiteral("テンプレートフォルダ："), 10, 56, 130);
    TP_PathLabel = MakeLabel(GroupBox4, "TP_PathLabel", QString(), 140, 56, 186);
    GroupBox7 =
        MakeGroup(TabSheet4, "GroupBox7", QStringLiteral("ファイル名のデフォルト（再起動で有効）"),
                  8, 188, 332, 52);
    RadioButton6 = MakeRadio(GroupBox7, "RadioButton6", QStringLiteral("自動"), 10, 24, 90);
    RadioButton7 = MakeRadio(GroupBox7, "RadioButton7", QStringLiteral("そのまま"), 110, 24, 110);
    RadioButton6->setChecked(true);
    BitBtnHelp =
        MakeButton(TabSheet4, "BitBtnHelp", QStringLiteral("ヘルプ"), QString(), 8, 250, 90, 28);
    CheckBoxLossless = Make<QCheckBox>(TabSheet4, "CheckBoxLossless", 104, 244, 236, 20);
    CheckBoxLossless->setText(QStringLiteral("回転を無劣化で行う"));
    CheckBoxNoGps = Make<QCheckBox>(TabSheet4, "CheckBoxNoGps", 104, 264, 236, 20);
    CheckBoxNoGps->setText(QStringLiteral("位置情報を削除する"));
    LabelConvert = MakeLabel(TabSheet4, "LabelConvert", QStringLiteral("変換の画質"), 228, 288, 70);
    UpDownConvert = MakeUpDown(TabSheet4, "UpDownConvert", "EditConvert", 1, 100, 90, 298, 284, 54);
    UpDownConvert->setToolTip(
        QStringLiteral("HEIF・PNG・WebP の画像を JPEG にするときの画質です（1〜100）"));
    LabelDisplaySize =
        MakeLabel(TabSheet4, "LabelDisplaySize", QStringLiteral("表示用画像の長辺"), 8, 288, 120);
    ComboDisplaySize = Make<QComboBox>(TabSheet4, "ComboDisplaySize", 130, 284, 90, 24);
    ComboDisplaySize->addItems(
        {QStringLiteral("なし"), QStringLiteral("2048"), QStringLiteral("3072")});
    ComboDisplaySize->setCurrentIndex(1);
    ComboDisplaySize->setToolTip(
        QStringLiteral("テンプレートが求めるとき、写真の表示用の縮小画像を作る長辺の大きさです"));
    CreateAboutLabels(TabSheet4);
}

void TForm1::CreateAboutLabels(QWidget* page) {
    Label7 = MakeLabel(page, "Label7", QStringLiteral("Albumon"), 8, 308, 200, 36);
    QFont big = Label7->font();
    big.setPixelSize(30);
    big.setBold(true);
    big.setItalic(true);
    Label7->setFont(big);
    Label7->setStyleSheet(QStringLiteral("color: navy;"));
    Label8 = MakeLabel(page, "Label8",
                       QStringLiteral("Version " ALBUMON_SHORT_VERSION "  Albumon 開発チーム"), 8,
                       350, 330);
    Label17 = MakeLabel(page, "Label17", QStringLiteral("Albumon プロジェクト"), 8, 372, 330);
    Label15 = MakeLabel(page, "Label15", MailAndHP1->HomePageAddress, 8, 394, 330);
    Label9 = MakeLabel(page, "Label9", MailAndHP1->MailAddress, 8, 416, 330);
    for (QLabel* link : {Label15, Label9}) {
        link->resize(link->sizeHint().width(), link->height());  // only the text is clickable
        link->setCursor(Qt::PointingHandCursor);
        link->setStyleSheet(QStringLiteral("color: #0645ad; text-decoration: underline;"));
    }
}

}  // namespace albumon
