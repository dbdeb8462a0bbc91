// The naming page: head text, start number, the output list, and the save.
#include <QApplication>
#include <QLineEdit>
#include <QListWidget>
#include <QProgressBar>
#include <QPushButton>

#include "AlbumArchive.h"
#include "ArchiveCtrls.h"
#include "MessageBoxes.h"
#include "OutputNames.h"
#include "PictureBox.h"
#include "PictureView.h"
#include "QtText.h"
#include "SaveAlbum.h"
#include "Unit1.h"
#include "UpDownSpinBox.h"

namespace albumon {

NamingBase TForm1::Naming() const {
    return {EditHedFix->text().toStdString(), UpDown1->value()};
}

void TForm1::RefreshOutputNames() {
    albumon::RefreshOutputNames(album_, Naming());
    ListBoxOut->clear();
    for (const std::string& row : OutputListRows(album_)) {
        ListBoxOut->addItem(Text(row));
    }
}

void TForm1::EditHedFixChange() {
    RefreshOutputNames();
}

void TForm1::UpDown1Click() {
    RefreshOutputNames();
}

void TForm1::ListBoxOutClick() {
    ListBoxOut->clearSelection();
    ListBoxOut->setCurrentRow(-1, QItemSelectionModel::Clear);
}

void TForm1::SaveBitBtnClick() {
    // Clicks that arrive while the save runs (the second click of a double click) reach a
    // disabled button and are dropped: a second save would write the emptied list over the
    // album's index page.
    SaveBitBtn->setEnabled(false);
    SaveAlbumNow();
    QCoreApplication::processEvents();
    SaveBitBtn->setEnabled(true);
}

void TForm1::SaveAlbumNow() {
    RunHandler(this, [this] {
        StoreSelected();
        TakeGeneralPageSettings();
        const std::string head = EditHedFix->text().toStdString();
        if (auto problem = OutputNameProblem(album_, head)) {
            ShowUserError(this, Text(*problem));
            return;
        }
        Image1->hide();
        SaveAlbum(album_, *view_, head, [this](int position, int maximum) {
            ProgressBar1->setMaximum(maximum);
            ProgressBar1->setValue(position);
            ProgressBar1->repaint();
        });
        ClearEntriesAndControls();
        Image1->show();
        ProgressBar1->setValue(0);
        if (album_.MakeZip)
            PackArchive(head);
        QApplication::beep();
    });
}

void TForm1::PackArchive(const std::string& head) {
    const std::string archive = album_.OutPath + head + ".zip";
    if (PackAlbum(*ArchiveControl1, album_, head) != 0) {
        ShowUserError(this, QStringLiteral("圧縮ファイル %1 を作成できませんでした")
                                .arg(QString::fromStdString(archive)));
    }
}

}  // namespace albumon
