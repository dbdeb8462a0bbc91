// Undo and redo in the window: every kind of step goes back to the list before it and forward
// again, the highlight included; the shortcuts reach the list from any control; the step buttons
// leave one row highlighted.
#include <QAction>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <QTest>
#include <QUndoStack>
#include <functional>
#include <ostream>

#include "FileSystem.h"
#include "InputListBox.h"
#include "PhotoFixtures.h"
#include "PictureFixtures.h"
#include "UpDownSpinBox.h"
#include "WindowFixture.h"

namespace albumon::test {
namespace {

QString Q(const std::string& text) {
    return QString::fromStdString(text);
}

// What a step may change: the entries in order with their note texts, turns and names, and the
// highlight.
struct ListSeen {
    QStringList rows;
    QStringList outputs;
    std::vector<std::string> notes;
    std::vector<int> turns;
    std::vector<int> selected;
    int current = -1;
    bool operator==(const ListSeen&) const = default;
    friend void PrintTo(const ListSeen& seen, std::ostream* out) {
        *out << seen.rows.join(u' ').toStdString() << " | current " << seen.current << " |";
        for (int row : seen.selected)
            *out << ' ' << row;
        for (const std::string& note : seen.notes)
            *out << " [" << note << ']';
    }
};

class UndoWindowTest : public WindowTest {
  protected:
    // Three photos, taken in the order c, a, b; a has a note typed on the picture page, b is
    // shown.
    void Prepare() {
        Open();
        const std::pair<const char*, const char*> photos[] = {{"a.jpg", "2026:05:02 10:00:00"},
                                                              {"b.jpg", "2026:05:03 10:00:00"},
                                                              {"c.jpg", "2026:05:01 10:00:00"}};
        for (const auto& [name, taken] : photos)
            WriteFile(data / name,
                      PhoneJpeg(QuadrantRaster(64, 48), {1, false, false, false, 90, taken}));
        Drop({Q(data / "a.jpg"), Q(data / "b.jpg"), Q(data / "c.jpg")});
        form->PageControl1->setCurrentWidget(form->TabSheet2);
        ClickRow(0);
        TypeMemo("note of a");
        ClickRow(1);
    }

    ListSeen Seen() const {
        ListSeen seen{InputRows(), OutputRows(), {}, {}, {}, form->Album().CurrentIndex};
        for (int k = 0; k < form->Album().EntryCount; ++k) {
            const EntryRecord& entry = form->Album().Entries[k];
            const std::string note = NoteFilePath(form->Album(), entry);
            seen.notes.push_back(entry.NotePos != npNone && FileExists(note) ? ReadFile(note) : "");
            seen.turns.push_back(entry.Rotation);
        }
        for (const QListWidgetItem* item : form->ListBoxIn->selectedItems())
            seen.selected.push_back(form->ListBoxIn->row(item));
        std::sort(seen.selected.begin(), seen.selected.end());
        return seen;
    }

    void Press(QWidget* widget, QKeyCombination key) {
        QTest::keyClick(widget, key.key(), key.keyboardModifiers());
    }
};

// Each kind of step: undone, the list is as before it (the highlight too); redone, as after it.
// A stored edit shows its entry when it is redone.
TEST_F(UndoWindowTest, EveryKindOfStepGoesBackAndForth) {
    using Action = std::function<void()>;
    struct Case {
        const char* step;
        Action prepare;  // brings the list to the state the step starts from
        Action act;
        bool edit = false;
    };
    const Action none = [] {};
    const Case cases[] = {
        {"削除", none, [this] { Click(form->BitBtnDelete); }},
        {"挿入", none, [this] { Click(form->InsBitBtn); }},
        {"クリア", none, [this] { Click(form->ClearBitBtn); }},
        {"上へ", none, [this] { Click(form->BitBtnUp); }},
        {"下へ", none, [this] { Click(form->BitBtnDown); }},
        {"移動", none,
         [this] { emit static_cast<InputListBox*>(form->ListBoxIn)->RowsDropped(3); }},
        {"ソート", [this] { Click(form->BitBtnUp); }, [this] { Click(form->BitBtnSort); }},
        {"撮影日時順", none, [this] { form->mnuSortDate->trigger(); }},
        {"追加", none, [this] { Drop({Q(data / "c.jpg")}); }},
        {"右回転", none, [this] { Click(form->RotRBitBtn); }},
        {"左回転", none, [this] { Click(form->RotLBitBtn); }},
        {"メモ位置", [this] { ClickRow(0); }, [this] { Click(form->RadioButton1); }},
        {"名前", none,
         [this] {
             Click(form->RadioButton5);
             ClickRow(2);
         },
         true},
        {"メモ", none,
         [this] {
             TypeMemo("note of b\nsecond line");
             ClickRow(2);
         },
         true},
    };
    for (const Case& c : cases) {
        Prepare();
        c.prepare();
        const ListSeen before = Seen();
        c.act();
        const ListSeen after = Seen();
        ASSERT_NE(after, before) << c.step;
        EXPECT_EQ(form->mnuUndo->text(), QStringLiteral("元に戻す: ") + c.step) << c.step;
        form->mnuUndo->trigger();
        EXPECT_EQ(Seen(), before) << c.step;
        EXPECT_EQ(form->mnuRedo->text(), QStringLiteral("やり直し: ") + c.step) << c.step;
        form->mnuRedo->trigger();
        ListSeen redone = Seen();
        if (c.edit) {  // a stored edit shows the entry it was made for
            EXPECT_EQ(redone.current, before.current) << c.step;
            EXPECT_EQ(redone.selected, before.selected) << c.step;
            redone.current = after.current;
            redone.selected = after.selected;
        }
        EXPECT_EQ(redone, after) << c.step;
        Close();
    }
}

// Ctrl+Z and Ctrl+Y reach the list's steps right after a button press and from the text fields;
// in the note box Ctrl+Z first undoes the typing. Ctrl+Shift+Z redoes as Ctrl+Y does.
TEST_F(UndoWindowTest, ShortcutsWorkFromTheButtonsAndTheNoteBox) {
    Prepare();
    form->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(form.get()));
    const ListSeen start = Seen();
    Click(form->BitBtnDelete);
    const ListSeen deleted = Seen();
    form->BitBtnDelete->setFocus();
    Press(form->BitBtnDelete, Qt::CTRL | Qt::Key_Z);
    EXPECT_EQ(Seen(), start);
    Press(form->BitBtnDelete, Qt::CTRL | Qt::Key_Y);
    EXPECT_EQ(Seen(), deleted);
    Press(form->BitBtnDelete, Qt::CTRL | Qt::Key_Z);
    Press(form->BitBtnDelete, Qt::CTRL | Qt::SHIFT | Qt::Key_Z);
    EXPECT_EQ(Seen(), deleted);

    TypeMemo("x");
    Press(form->Memo, Qt::CTRL | Qt::Key_Z);
    EXPECT_TRUE(form->Memo->toPlainText().isEmpty());
    EXPECT_EQ(Seen(), deleted);
    Press(form->Memo, Qt::CTRL | Qt::Key_Z);
    EXPECT_EQ(Seen(), start);

    // The naming page's fields hold the keyboard when the page is shown; with nothing typed
    // there to undo they pass the keys on as well.
    form->PageControl1->setCurrentWidget(form->TabSheet1);
    for (QWidget* field :
         {static_cast<QWidget*>(form->EditHedFix), static_cast<QWidget*>(form->UpDown1)}) {
        Click(form->BitBtnDelete);
        field->setFocus();
        ASSERT_TRUE(field->hasFocus()) << field->objectName().toStdString();
        Press(field, Qt::CTRL | Qt::Key_Z);
        EXPECT_EQ(Seen(), start) << field->objectName().toStdString();
        Press(field, Qt::CTRL | Qt::Key_Y);
        EXPECT_EQ(Seen(), deleted) << field->objectName().toStdString();
        Press(field, Qt::CTRL | Qt::Key_Z);
    }
}

// The step buttons leave one row highlighted after a move, and 削除 then removes that row alone;
// a note typed meanwhile belongs to the row the page shows.
TEST_F(UndoWindowTest, StepButtonsLeaveOneHighlightThatDeleteRemoves) {
    Prepare();
    Click(form->BitBtnUp);  // b a c, b highlighted
    Click(form->FwdBitBtn);
    EXPECT_EQ(Seen().selected, std::vector<int>{1});
    Click(form->FwdBitBtn);
    TypeMemo("typed for c");
    Click(form->BackBitBtn);
    EXPECT_EQ(Seen().selected, std::vector<int>{1});
    Click(form->FwdBitBtn);
    EXPECT_EQ(Seen().selected, std::vector<int>{2});
    Click(form->BitBtnDelete);
    EXPECT_EQ(InputRows(), (QStringList{"b.jpg", "a.jpg"}));
    form->mnuUndo->trigger();
    EXPECT_EQ(InputRows(), (QStringList{"b.jpg", "a.jpg", "c.jpg"}));
    EXPECT_EQ(Seen().notes, (std::vector<std::string>{"", "note of a\r\n", "typed for c\r\n"}));
    EXPECT_EQ(Seen().selected, std::vector<int>{2});
}

// At least a hundred steps go back.
TEST_F(UndoWindowTest, AHundredStepsGoBack) {
    Prepare();
    const ListSeen start = Seen();
    for (int k = 0; k < 100; ++k)
        Click(form->RotRBitBtn);
    for (int k = 0; k < 100; ++k)
        form->mnuUndo->trigger();
    EXPECT_EQ(Seen(), start);
    EXPECT_EQ(form->mnuUndo->text(), QStringLiteral("元に戻す: メモ"));
}

}  // namespace
}  // namespace albumon::test
