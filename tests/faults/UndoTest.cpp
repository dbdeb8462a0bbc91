// Undo after a delete, a clear (and a new entry whose note takes the first note file) and a drag:
// every note typed before comes back and is saved, not a byte of it lost; the save then ends the
// steps.
#include <QAction>
#include <QListWidget>
#include <QPushButton>
#include <QTabWidget>
#include <QUndoStack>
#include <functional>

#include "FaultFixture.h"
#include "FileSystem.h"
#include "InputListBox.h"

namespace albumon::test {
namespace {

class UndoTest : public FaultTest {};

TEST_F(UndoTest, NotesComeBackAfterDeleteClearAndDrag) {
    struct Case {
        const char* fault;
        std::function<void()> act;
        int undos = 1;  // the steps back to the list before the fault
    };
    const Case cases[] = {
        {"undo after delete",
         [this] {
             ClickRow(1);
             Click(form->BitBtnDelete);
         }},
        // The new entry takes the first note number again: its note replaces that file.
        {"undo after clear",
         [this] {
             Click(form->ClearBitBtn);
             Drop({QString::fromStdString(data / "p4.jpg")});
             TypeMemo("replacing the first note");
         },
         3},
        {"undo after drag",
         [this] {
             ClickRow(2);
             emit static_cast<InputListBox*>(form->ListBoxIn)->RowsDropped(0);
         }},
    };
    const std::vector<std::string> notes{"朝の海\r\n二行目\r\n", "昼\r\n", "夜の\r\n\r\n街\r\n"};
    WriteJpeg(data / "p4.jpg", 64, 48);
    int round = 0;
    for (const Case& c : cases) {
        FaultCase fault{c.fault};
        const std::string out = data / ("out" + std::to_string(round));
        const std::string in = data / ("in" + std::to_string(round++));
        ForceDirectories(out);
        Settings(out, false);
        Open();
        QStringList pictures;
        for (const char* name : {"p1.jpg", "p2.jpg", "p3.jpg"}) {
            WriteJpeg(in + "/" + name, 64, 48);
            fault.sources.Add(in + "/" + name);
            pictures << QString::fromStdString(in + "/" + name);
        }
        Drop(pictures);
        form->PageControl1->setCurrentWidget(form->TabSheet2);
        for (int row = 0; row < 3; ++row) {
            ClickRow(row);
            QString typed = QString::fromStdString(notes[row]);
            typed.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
            typed.chop(1);
            TypeMemo(typed);
        }
        c.act();
        for (int k = 0; k < c.undos; ++k)
            form->mnuUndo->trigger();
        Click(form->SaveBitBtn);
        std::string pages;
        for (const DirEntry& item : ListFolder(out + "/無題.files")) {
            if (item.name.ends_with(".htm"))
                pages += ReadFile(out + "/無題.files/" + item.name);
        }
        for (const DirEntry& item : ListFolder(out)) {
            if (item.name.ends_with(".htm"))
                pages += ReadFile(out + "/" + item.name);
        }
        std::uint64_t lost = 0;
        for (const std::string& note : notes) {
            if (pages.find("-->\r\n" + note + "<!--") == std::string::npos)
                lost += note.size();
        }
        fault.Checked(notes.size(), lost);
        EXPECT_EQ(lost, 0u) << c.fault << BoxTexts();
        EXPECT_FALSE(form->History->canUndo()) << c.fault;
        Close();
    }
}

}  // namespace
}  // namespace albumon::test
