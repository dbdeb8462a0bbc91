// The input list through the window: drops, folder selection, moves, delete, insert, the limit.
#include <QApplication>
#include <QContextMenuEvent>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QStringList>
#include <QTabWidget>
#include <QTest>
#include <QTimer>
#include <cstdlib>
#include <functional>

#include "FTVEX_D3.h"
#include "FileSystem.h"
#include "Paths.h"
#include "PhotoFixtures.h"
#include "PictureFixtures.h"
#include "WindowFixture.h"

namespace albumon::test {
namespace {

QString Q(const std::string& text) {
    return QString::fromStdString(text);
}

class InputListWindowTest : public WindowTest {
  protected:
    // Selects the rows as Ctrl+clicks do (a row -r: Shift+click on row r), the last one current.
    void SelectRows(const std::vector<int>& rows) {
        ClickRow(rows.front());
        for (size_t k = 1; k < rows.size(); ++k) {
            QListWidget* list = form->ListBoxIn;
            QTest::mouseClick(list->viewport(), Qt::LeftButton,
                              rows[k] < 0 ? Qt::ShiftModifier : Qt::ControlModifier,
                              list->visualItemRect(list->item(std::abs(rows[k]))).center());
        }
    }
    void Key(int key, Qt::KeyboardModifiers modifiers) {
        QTest::keyClick(form->ListBoxIn, static_cast<Qt::Key>(key), modifiers);
    }
    QStringList Named(std::initializer_list<const char*> names) {
        QStringList rows;
        for (const char* name : names)
            rows << QString::fromLatin1(name);
        return rows;
    }
    void MakeInputs() {
        for (const char* name : {"A.JPG", "b.jpeg", "$_A.JPG", "c.jpg"}) {
            WriteJpeg(data / name, 40, 30);
        }
        WriteFile(data / "x.gif", "gif");
        ForceDirectories(data / "folder.jpg");
    }
};

TEST_F(InputListWindowTest, DropAddsAcceptedFilesInNameOrderAtTheEnd) {
    MakeInputs();
    Open();
    Drop({Q(data / "b.jpeg"), Q(data / "A.JPG"), Q(data / "x.gif"), Q(data / "folder.jpg"),
          Q(data / "$_A.JPG")});
    EXPECT_EQ(InputRows(), (QStringList{"A.JPG", "b.jpeg"}));
    EXPECT_EQ(OutputRows(), (QStringList{"無:無題001.jpg", "無:無題002.jpg"}));
    EXPECT_EQ(form->ListBoxIn->currentRow(), 0);
    EXPECT_EQ(form->Album().CurrentIndex, 0);
    Drop({Q(data / "A.JPG")});
    EXPECT_EQ(InputRows(), (QStringList{"A.JPG", "b.jpeg", "A.JPG"}));
    EXPECT_TRUE(boxes.seen.empty());
}

TEST_F(InputListWindowTest, FolderSelectedTwiceAddsOnce) {
    MakeInputs();
    WriteFile(Program("albumon.INI"), "[File]\r\nIn=" + data.path() + "\r\n");
    Open();
    Click(form->BitBtnOpen);
    EXPECT_EQ(InputRows(), (QStringList{"A.JPG", "b.jpeg", "c.jpg"}));
    Click(form->BitBtnOpen);
    EXPECT_EQ(form->ListBoxIn->count(), 3);
}

TEST_F(InputListWindowTest, MovesStopAtTheEnds) {
    MakeInputs();
    Open();
    Drop({Q(data / "A.JPG"), Q(data / "b.jpeg"), Q(data / "c.jpg")});
    ClickRow(0);
    Click(form->BitBtnUp);
    ClickRow(2);
    Click(form->BitBtnDown);
    ASSERT_EQ(boxes.seen.size(), 2u);
    EXPECT_EQ(boxes.seen[0].title, "エラー");
    EXPECT_EQ(boxes.seen[0].text, "最上位は上に移動できません");
    EXPECT_EQ(boxes.seen[1].text, "最下位は下に移動できません");
    EXPECT_EQ(InputRows(), (QStringList{"A.JPG", "b.jpeg", "c.jpg"}));
    Click(form->BitBtnUp);
    EXPECT_EQ(InputRows(), (QStringList{"A.JPG", "c.jpg", "b.jpeg"}));
    EXPECT_EQ(form->ListBoxIn->currentRow(), 1);
    EXPECT_EQ(form->Album().CurrentIndex, 1);
}

TEST_F(InputListWindowTest, SelectedRowsMoveAsOneBlock) {
    for (const char* name : {"1.jpg", "2.jpg", "3.jpg", "4.jpg", "5.jpg"})
        WriteJpeg(data / name, 40, 30);
    struct Case {
        const char* name;
        std::vector<int> selected;
        std::function<void()> move;
        QStringList rows;
        int shown;
    };
    const std::vector<Case> cases{
        {"up with a Shift block",
         {1, -3},
         [&] { Click(form->BitBtnUp); },
         Named({"2", "3", "4", "1", "5"}),
         2},
        {"down", {1, 2}, [&] { Click(form->BitBtnDown); }, Named({"1", "4", "2", "3", "5"}), 3},
        {"Alt+Up",
         {2},
         [&] { Key(Qt::Key_Up, Qt::AltModifier); },
         Named({"1", "3", "2", "4", "5"}),
         1},
        {"Alt+Down",
         {0, 2},
         [&] { Key(Qt::Key_Down, Qt::AltModifier); },
         Named({"2", "1", "4", "3", "5"}),
         3},
        {"Ctrl+Shift+Down",
         {0, 1},
         [&] { Key(Qt::Key_Down, Qt::ControlModifier | Qt::ShiftModifier); },
         Named({"3", "4", "5", "1", "2"}),
         4},
        {"Ctrl+Shift+Up",
         {3},
         [&] { Key(Qt::Key_Up, Qt::ControlModifier | Qt::ShiftModifier); },
         Named({"4", "1", "2", "3", "5"}),
         0},
        {"delete", {1, 3}, [&] { Click(form->BitBtnDelete); }, Named({"1", "3", "5"}), 1},
    };
    for (const Case& c : cases) {
        Open();
        Drop({Q(data / "1.jpg"), Q(data / "2.jpg"), Q(data / "3.jpg"), Q(data / "4.jpg"),
              Q(data / "5.jpg")});
        SelectRows(c.selected);
        const std::string shownPath = form->Album().Entries[std::abs(c.selected.back())].SourcePath;
        c.move();
        QStringList rows;
        for (const QString& row : InputRows())
            rows << row.chopped(4);
        EXPECT_EQ(rows, c.rows) << c.name;
        EXPECT_EQ(form->ListBoxIn->currentRow(), c.shown) << c.name;
        EXPECT_EQ(form->Album().CurrentIndex, c.shown) << c.name;
        if (c.rows.size() == 5) {
            EXPECT_EQ(form->Album().Entries[c.shown].SourcePath, shownPath) << c.name;
            EXPECT_EQ(form->EditName->text(),
                      QStringLiteral("無題%1").arg(c.shown + 1, 3, 10, QLatin1Char('0')))
                << c.name;
        }
        Close();
    }
    EXPECT_TRUE(boxes.seen.empty());
}

// "撮影日時順", in the menu a right click on "ソート" or on the list opens, orders by the date
// taken; the shown entry keeps its note and gets its new name. A plain click on "ソート" sorts by
// name.
TEST_F(InputListWindowTest, DateOrderFromEitherMenu) {
    const std::pair<const char*, const char*> photos[] = {
        {"z_tokyo.jpg", "2026:08:01 20:00:00+09:00"},
        {"a_newyork.jpg", "2026:08:01 08:00:00-05:00"},
        {"m_london.jpg", "2026:08:01 10:30:00+00:00"}};
    for (const auto& [name, when] : photos) {
        const std::string text = when;
        test::PhotoParts parts{1, false, false, false, 90, text.substr(0, 19), text.substr(19)};
        WriteFile(data / name, PhoneJpeg(QuadrantRaster(40, 30), parts));
    }
    WriteJpeg(data / "b_undated.jpg", 40, 30);
    struct MenuCase {
        const char* name;
        QWidget* (*owner)(TForm1&);
        QMenu* TForm1::*menu;
    };
    const MenuCase menus[]{
        {"ソート", [](TForm1& f) -> QWidget* { return f.BitBtnSort; }, &TForm1::PopupMenuSort},
        {"the list", [](TForm1& f) -> QWidget* { return f.ListBoxIn->viewport(); },
         &TForm1::PopupMenuList}};
    for (const auto& [name, owner, popup] : menus) {
        Open();
        Drop({Q(data / "z_tokyo.jpg"), Q(data / "a_newyork.jpg"), Q(data / "m_london.jpg"),
              Q(data / "b_undated.jpg")});
        form->PageControl1->setCurrentWidget(form->TabSheet2);
        ClickRow(0);
        TypeMemo("typed for New York");
        QWidget* widget = owner(*form);
        QContextMenuEvent menu(QContextMenuEvent::Mouse, QPoint(5, 5),
                               widget->mapToGlobal(QPoint(5, 5)));
        QApplication::sendEvent(widget, &menu);
        EXPECT_TRUE(((*form).*popup)->isVisible()) << name;
        EXPECT_EQ(InputRows(),
                  (QStringList{"a_newyork.jpg", "b_undated.jpg", "m_london.jpg", "z_tokyo.jpg"}))
            << name;
        form->mnuSortDate->trigger();
        ((*form).*popup)->hide();
        EXPECT_EQ(InputRows(),
                  (QStringList{"m_london.jpg", "z_tokyo.jpg", "a_newyork.jpg", "b_undated.jpg"}))
            << name;
        EXPECT_EQ(form->ListBoxIn->currentRow(), 2) << name;
        EXPECT_EQ(form->Album().CurrentIndex, 2) << name;
        EXPECT_EQ(form->EditName->text(), "無題003") << name;
        EXPECT_EQ(OutputRows(), (QStringList{"無:無題001.jpg", "無:無題002.jpg", "下:無題003.jpg",
                                             "無:無題004.jpg"}))
            << name;
        ClickRow(0);
        ClickRow(2);
        EXPECT_EQ(form->Memo->toPlainText(), "typed for New York") << name;
        Click(form->BitBtnSort);
        EXPECT_EQ(InputRows(),
                  (QStringList{"a_newyork.jpg", "b_undated.jpg", "m_london.jpg", "z_tokyo.jpg"}))
            << name;
        Close();
    }
    EXPECT_TRUE(boxes.seen.empty());
}

TEST_F(InputListWindowTest, DeleteLastRowLeavesNoSelection) {
    MakeInputs();
    Open();
    Drop({Q(data / "A.JPG"), Q(data / "b.jpeg")});
    ClickRow(1);
    Click(form->BitBtnDelete);
    EXPECT_EQ(InputRows(), QStringList{"A.JPG"});
    EXPECT_TRUE(form->ListBoxIn->selectedItems().isEmpty());
    EXPECT_EQ(form->Album().CurrentIndex, -1);
    EXPECT_TRUE(form->Memo->toPlainText().isEmpty());
}

TEST_F(InputListWindowTest, InsertAfterTheThirdRow) {
    MakeInputs();
    Open();
    Drop({Q(data / "A.JPG"), Q(data / "b.jpeg"), Q(data / "c.jpg"), Q(data / "c.jpg")});
    ClickRow(2);
    Click(form->InsBitBtn);
    EXPECT_EQ(InputRows(), (QStringList{"A.JPG", "b.jpeg", "c.jpg", "DefNote.jpg", "c.jpg"}));
    EXPECT_EQ(form->ListBoxIn->currentRow(), 3);
    Click(form->ClearBitBtn);
    EXPECT_EQ(form->ListBoxIn->count(), 0);
    EXPECT_EQ(form->ListBoxOut->count(), 0);
    EXPECT_EQ(form->Album().NoteCounter, 0);
}

TEST_F(InputListWindowTest, FilesBeyondTheLimitAreRefusedWithAMessage) {
    MakeInputs();
    Open();
    QStringList many;
    for (int i = 0; i < 300; ++i)
        many << Q(data / "c.jpg");
    Drop(many);
    EXPECT_EQ(form->ListBoxIn->count(), 256);
    ASSERT_EQ(boxes.seen.size(), 1u);
    EXPECT_EQ(boxes.seen[0].title, "エラー");
    EXPECT_TRUE(boxes.seen[0].text.contains("44")) << boxes.seen[0].text.toStdString();
}

TEST_F(InputListWindowTest, NoGestureTakesTheSelectionAndTheTypedNote) {
    MakeInputs();
    const std::vector<std::pair<const char*, std::function<void(QListWidget*)>>> gestures{
        {"click below the rows",
         [](QListWidget* list) {
             QTest::mouseClick(list->viewport(), Qt::LeftButton, Qt::NoModifier,
                               QPoint(20, list->viewport()->height() - 10));
         }},
        {"Ctrl+click on the selected row",
         [](QListWidget* list) {
             QTest::mouseClick(list->viewport(), Qt::LeftButton, Qt::ControlModifier,
                               list->visualItemRect(list->item(1)).center());
         }},
        {"Ctrl+Space",
         [](QListWidget* list) { QTest::keyClick(list, Qt::Key_Space, Qt::ControlModifier); }}};
    for (const auto& [name, gesture] : gestures) {
        Open();
        Drop({Q(data / "A.JPG"), Q(data / "b.jpeg"), Q(data / "c.jpg")});
        form->PageControl1->setCurrentWidget(form->TabSheet2);
        ClickRow(1);
        TypeMemo("typed for b");
        gesture(form->ListBoxIn);
        EXPECT_EQ(form->ListBoxIn->selectedItems().size(), 1) << name;
        EXPECT_EQ(form->ListBoxIn->currentRow(), 1) << name;
        EXPECT_EQ(form->Album().CurrentIndex, 1) << name;
        ClickRow(0);
        ClickRow(1);
        EXPECT_EQ(form->Memo->toPlainText(), "typed for b") << name;
        Close();
    }
    EXPECT_TRUE(boxes.seen.empty());
}

TEST_F(InputListWindowTest, CaseTwinsOfOneFolderAreTwoPictures) {
    WriteJpeg(data / "twins/A.jpg", 40, 30);
    WriteJpeg(data / "twins/a.jpg", 30, 40);
    WriteFile(Program("albumon.INI"), "[File]\r\nIn=" + (data / "twins") + "\r\n");
    Open();
    Click(form->BitBtnOpen);
    QStringList rows = InputRows();
    rows.sort();
    EXPECT_EQ(rows, (QStringList{"A.jpg", "a.jpg"}));
    Click(form->BitBtnOpen);
    EXPECT_EQ(form->ListBoxIn->count(), 2);
}

TEST_F(InputListWindowTest, ColonIsAnOrdinaryCharacterOfAFileName) {
    WriteJpeg(data / "12:30.jpg", 40, 30);
    WriteFile(Program("albumon.INI"), "[File]\r\nNameDef=1\r\n");
    Open();
    Drop({Q(data / "12:30.jpg")});
    EXPECT_EQ(InputRows(), QStringList{"12:30.jpg"});
    EXPECT_EQ(OutputRows(), QStringList{"無:12:30.jpg"});
}

// After every operation, also a failed one, the lists show exactly the live entries and the
// selected row is the entry the picture page shows.
TEST_F(InputListWindowTest, ListsAndShownEntryAgreeAfterEveryOperation) {
    MakeInputs();
    const std::string marked =
        "<!-- ALBUMON POSTNOTE BEGIN -->\r\nnote\r\n<!-- ALBUMON POSTNOTE END -->\r\n";
    WriteJpeg(data / "failing/x.jpg", 40, 30);
    WriteFile(data / "failing/x.htm", marked);
    WriteJpeg(data / "more/y.jpg", 40, 30);
    WriteJpeg(data / "dropped/z.jpg", 40, 30);
    WriteFile(data / "dropped/z.htm", marked);
    for (int k = 0; k < 64; ++k)  // note files that cannot be written: every note import fails
        ForceDirectories(Program("Temp/Note" + std::to_string(k) + ".txt"));
    Open();
    auto openFolder = [this](const std::string& folder) {
        form->FolderTreeView->SelectFolder(folder);
        Click(form->BitBtnOpen);
    };
    const std::vector<std::pair<const char*, std::function<void()>>> operations{
        {"drop",
         [&] {
             Drop({Q(data / "c.jpg"), Q(data / "A.JPG"), Q(data / "b.jpeg")});
         }},
        {"row click", [&] { ClickRow(2); }},
        {"up", [&] { Click(form->BitBtnUp); }},
        {"down", [&] { Click(form->BitBtnDown); }},
        {"sort", [&] { Click(form->BitBtnSort); }},
        {"date order", [&] { form->mnuSortDate->trigger(); }},
        {"Shift block down",
         [&] {
             ClickRow(0);
             QTest::mouseClick(form->ListBoxIn->viewport(), Qt::LeftButton, Qt::ShiftModifier,
                               form->ListBoxIn->visualItemRect(form->ListBoxIn->item(1)).center());
             Click(form->BitBtnDown);
         }},
        {"Alt+Up", [&] { Key(Qt::Key_Up, Qt::AltModifier); }},
        {"Ctrl+Shift+Up", [&] { Key(Qt::Key_Up, Qt::ControlModifier | Qt::ShiftModifier); }},
        {"back", [&] { Click(form->BackBitBtn); }},
        {"forward", [&] { Click(form->FwdBitBtn); }},
        {"insert", [&] { Click(form->InsBitBtn); }},
        {"delete", [&] { Click(form->BitBtnDelete); }},
        {"failed folder selection", [&] { openFolder(data / "failing"); }},
        {"folder selection", [&] { openFolder(data / "more"); }},
        {"failed drop", [&] { Drop({Q(data / "dropped/z.jpg")}); }},
        {"delete of the last row",
         [&] {
             ClickRow(form->ListBoxIn->count() - 1);
             Click(form->BitBtnDelete);
         }},
        {"clear", [&] { Click(form->ClearBitBtn); }},
        {"failed drop on an empty list", [&] { Drop({Q(data / "dropped/z.jpg")}); }},
    };
    for (const auto& [name, operation] : operations) {
        operation();
        const AlbumState& album = form->Album();
        ASSERT_EQ(form->ListBoxIn->count(), album.EntryCount) << name;
        EXPECT_EQ(form->ListBoxOut->count(), album.EntryCount) << name;
        for (int k = 0; k < album.EntryCount; ++k) {
            EXPECT_EQ(form->ListBoxIn->item(k)->text().toStdString(),
                      FileNamePart(album.Entries[k].SourcePath))
                << name;
        }
        const QListWidgetItem* current = form->ListBoxIn->currentItem();
        const auto selected = form->ListBoxIn->selectedItems();
        const int row = current != nullptr && current->isSelected() ? form->ListBoxIn->row(current)
                        : selected.isEmpty()                        ? -1
                                             : form->ListBoxIn->row(selected.first());
        EXPECT_EQ(row, album.CurrentIndex) << name;
        if (row >= 0 && form->RadioButton3->isChecked()) {
            EXPECT_EQ(form->EditName->text().toStdString(),
                      ReplaceExtension(album.Entries[row].OutName, ""))
                << name;
        }
    }
    ASSERT_EQ(boxes.seen.size(), 3u);
    for (const auto& box : boxes.seen)
        EXPECT_EQ(box.title, "Albumon");
}

}  // namespace
}  // namespace albumon::test
