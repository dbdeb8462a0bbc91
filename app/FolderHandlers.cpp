// The folders and links of the window: the input folder tree and its file list, the output and
// template folder buttons, the home-page and mail labels.
#include <QLabel>

#include "FTVEX_D3.h"
#include "FileListBox.h"
#include "FileSystem.h"
#include "FolderDialog.h"
#include "MailHP.h"
#include "MessageBoxes.h"
#include "Paths.h"
#include "QtText.h"
#include "TemplateFiles.h"
#include "Unit1.h"

namespace albumon {

void TForm1::CreateShellComponents() {
    FolderDialog1 = new TFolderDialog(this);
    FolderDialog1->setObjectName(QStringLiteral("FolderDialog1"));
    MailAndHP1 = new TMailAndHP(this);
    MailAndHP1->setObjectName(QStringLiteral("MailAndHP1"));
    MailAndHP1->MailAddress = QStringLiteral("albumon@example.org");
    MailAndHP1->HomePageAddress = QStringLiteral("https://albumon.example.org/");
}

void TForm1::ShowSavedInputFolder() {
    if (!album_.InPath.empty() && DirectoryExists(album_.InPath))
        FolderTreeView->SelectFolder(album_.InPath);
}

void TForm1::FolderTreeViewChange(QObject*, const std::string& FolderName) {
    RunHandler(this, [this, &FolderName] {
        FileListBox1->SetDirectory(FolderName + "/");
        InPathLabel->setText(Text(FolderName + "/"));
        album_.InPath = FolderName;
    });
}

void TForm1::FileListBox1Click() {
    // The list only shows what the folder holds.
    FileListBox1->clearSelection();
}

void TForm1::mnuRefreshClick() {
    RunHandler(this, [this] {
        FolderTreeView->RefreshTree();
        FileListBox1->Reread();
    });
}

void TForm1::OutPathBitBtnClick() {
    RunHandler(this, [this] {
        std::string current = album_.OutPath;  // the picker opens on the output folder
        if (current.size() > 1)
            current.pop_back();
        FolderDialog1->Directory = current;
        if (!FolderDialog1->Execute())
            return;
        album_.OutPath = WithTrailingSlash(FolderDialog1->Directory);
        OutPathLabel->setText(Text(album_.OutPath));
    });
}

void TForm1::BitBtnTPClick() {
    RunHandler(this, [this] {
        std::string current = album_.TemplatePath;
        if (!current.empty())
            current.pop_back();
        FolderDialog1->Directory = current;
        if (!FolderDialog1->Execute())
            return;
        const std::string candidate = WithTrailingSlash(FolderDialog1->Directory);
        if (!FileExists(IndexTemplatePath(candidate))) {
            ShowUserError(this, QStringLiteral("テンプレートファイル（Def.htm)がありません"));
            return;
        }
        album_.TemplatePath = candidate;
        TP_PathLabel->setText(Text(album_.TemplatePath));
    });
}

void TForm1::Label15Click() {
    MailAndHP1->OpenHomePage();
}

void TForm1::Label9Click() {
    MailAndHP1->SendMail();
}

}  // namespace albumon
