// Undo and redo of the list: every change of the entries becomes one step holding the list before
// and after it; Qt's undo stack orders the steps and names them for the menu and the shortcuts.
#include <QAbstractSpinBox>
#include <QAction>
#include <QEvent>
#include <QKeyEvent>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QPlainTextEdit>
#include <QScopedValueRollback>
#include <QSignalBlocker>
#include <QUndoStack>

#include "ListHistory.h"
#include "MessageBoxes.h"
#include "Unit1.h"

namespace albumon {

namespace {

// One change of the list. It was made before it is pushed, so its first redo does nothing.
class ListStep : public QUndoCommand {
  public:
    using Show = std::function<void(const ListSnapshot&)>;
    ListStep(const QString& name, ListSnapshot before, ListSnapshot after, Show show)
        : QUndoCommand(name),
          before_(std::move(before)),
          after_(std::move(after)),
          show_(std::move(show)) {}

    void undo() override { show_(before_); }
    void redo() override {
        if (made_)
            show_(after_);
        made_ = true;
    }

  private:
    ListSnapshot before_;
    ListSnapshot after_;
    Show show_;
    bool made_ = false;
};

constexpr int kUndoSteps = 200;

}  // namespace

void TForm1::CreateUndoActions() {
    History = new QUndoStack(this);
    History->setUndoLimit(kUndoSteps);
    mnuUndo = new QAction(QStringLiteral("元に戻す"), this);
    mnuUndo->setObjectName(QStringLiteral("mnuUndo"));
    mnuUndo->setShortcut(QKeySequence::Undo);
    mnuRedo = new QAction(QStringLiteral("やり直し"), this);
    mnuRedo->setObjectName(QStringLiteral("mnuRedo"));
    mnuRedo->setShortcuts(
        {QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z), QKeySequence(Qt::CTRL | Qt::Key_Y)});
    for (QAction* action : {mnuUndo, mnuRedo}) {
        action->setShortcutContext(Qt::WindowShortcut);
        addAction(action);
    }
    connect(mnuUndo, &QAction::triggered, this, [this] { UndoStep(); });
    connect(mnuRedo, &QAction::triggered, this, [this] { RedoStep(); });
    auto named = [](const QString& verb, const QString& step) {
        return step.isEmpty() ? verb : verb + QStringLiteral(": ") + step;
    };
    // The stack clears itself, naming no step, while the window is destroyed: the texts go to
    // the actions themselves, never through the window.
    connect(History, &QUndoStack::undoTextChanged, mnuUndo,
            [action = mnuUndo, named](const QString& step) {
                action->setText(named(QStringLiteral("元に戻す"), step));
            });
    connect(History, &QUndoStack::redoTextChanged, mnuRedo,
            [action = mnuRedo, named](const QString& step) {
                action->setText(named(QStringLiteral("やり直し"), step));
            });
    connect(History, &QUndoStack::canUndoChanged, mnuUndo, &QAction::setEnabled);
    connect(History, &QUndoStack::canRedoChanged, mnuRedo, &QAction::setEnabled);
    mnuUndo->setEnabled(false);
    mnuRedo->setEnabled(false);
    // The input list's own menu: the steps, then the orders of "ソート".
    PopupMenuList = new QMenu(this);
    PopupMenuList->addAction(mnuUndo);
    PopupMenuList->addAction(mnuRedo);
    PopupMenuList->addSeparator();
    PopupMenuList->addActions(PopupMenuSort->actions());
    // Typing is undone in the field that holds it first (the note box, the name fields, the
    // numbers), then the list's steps: a field with nothing of its own to undo passes the keys on.
    // A number field takes the keys itself and hands them to its inner line edit.
    Memo->installEventFilter(this);
    for (QLineEdit* field : findChildren<QLineEdit*>())
        field->installEventFilter(this);
    for (QAbstractSpinBox* number : findChildren<QAbstractSpinBox*>())
        number->installEventFilter(this);
}

namespace {

// Whether the widget keeps the keys: a text field only while it has typing of its own to undo
// (or redo).
bool FieldTakes(QObject* watched, bool undo) {
    if (auto* number = qobject_cast<QAbstractSpinBox*>(watched))
        watched = number->findChild<QLineEdit*>();
    if (auto* field = qobject_cast<QLineEdit*>(watched))
        return undo ? field->isUndoAvailable() : field->isRedoAvailable();
    if (auto* box = qobject_cast<QPlainTextEdit*>(watched))
        return undo ? box->document()->isUndoAvailable() : box->document()->isRedoAvailable();
    return true;
}

}  // namespace

bool TForm1::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() != QEvent::ShortcutOverride)
        return QWidget::eventFilter(watched, event);
    const auto* key = static_cast<QKeyEvent*>(event);
    const bool undo = key->matches(QKeySequence::Undo);
    const bool redo = key->matches(QKeySequence::Redo) ||
                      key->keyCombination() == QKeyCombination(Qt::CTRL, Qt::Key_Y);
    if ((!undo && !redo) || FieldTakes(watched, undo))
        return QWidget::eventFilter(watched, event);
    event->ignore();  // not taken by the field: the window's shortcut runs
    return true;
}

ListSnapshot TForm1::Snapshot() const {
    const QList<int> rows = SelectedRows();
    return TakeSnapshot(album_, {rows.begin(), rows.end()}, album_.CurrentIndex);
}

void TForm1::PushStep(const QString& name, ListSnapshot before) {
    PushStep(name, std::move(before), Snapshot());
}

void TForm1::PushStep(const QString& name, ListSnapshot before, ListSnapshot after) {
    if (SameList(before, after))
        return;
    History->push(new ListStep(name, std::move(before), std::move(after),
                               [this](const ListSnapshot& state) { ShowSnapshot(state); }));
}

// Runs a change of the list as one step. The edits typed for the shown entry are stored first,
// as a step of their own.
void TForm1::RunStep(const QString& name, const std::function<void()>& change) {
    RunHandler(this, [&] {
        StoreSelected();
        ListSnapshot before = Snapshot();
        {
            const QScopedValueRollback recording(recordingStep_, true);
            try {
                change();
            } catch (...) {
                PushStep(name, std::move(before));
                throw;
            }
        }
        PushStep(name, std::move(before));
    });
}

// Shows the list as a step left it: its entries, its highlight and its shown entry.
void TForm1::ShowSnapshot(const ListSnapshot& state) {
    RestoreSnapshot(album_, state);
    RebuildInputList();
    RefreshOutputNames();
    {
        QSignalBlocker block(ListBoxIn);
        ListBoxIn->clearSelection();
        if (album_.CurrentIndex >= 0)
            ListBoxIn->setCurrentRow(album_.CurrentIndex, QItemSelectionModel::NoUpdate);
        for (int row : state.Selected) {
            if (row < ListBoxIn->count())
                ListBoxIn->item(row)->setSelected(true);
        }
    }
    SetMemoLines({});
    ShowWithoutStoring();
}

void TForm1::UndoStep() {
    RunHandler(this, [this] {
        StoreSelected();  // what was typed becomes the step undone first
        History->undo();
    });
}

void TForm1::RedoStep() {
    RunHandler(this, [this] {
        StoreSelected();
        History->redo();
    });
}

}  // namespace albumon
