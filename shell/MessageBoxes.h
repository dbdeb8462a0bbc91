// The program's message boxes: the default error box and the "エラー" box for user mistakes.
#pragma once

#include <QString>
#include <exception>

class QWidget;

namespace albumon {

// The text the default error box shows: the message, with "." appended when its last byte
// compares greater than ".".
QString ErrorBoxText(const std::exception& error);

// The default error box: caption "Albumon", error icon, one OK button.
void ShowErrorBox(QWidget* parent, const std::exception& error);

// The box for errors the user can cause: title "エラー", error icon, one OK button.
void ShowUserError(QWidget* parent, const QString& text);

// A question with "Yes" and "No" (the default), titled "確認"; true when the user says yes.
bool AskYesNo(QWidget* parent, const QString& text);

// Answers every box of parent that is open: "No" to a question, "OK" to a message.
void AnswerOpenBoxes(QWidget* parent);

// Runs a handler body; any error it raises ends it and is shown in the default error box.
template <typename Body>
void RunHandler(QWidget* parent, Body&& body) {
    try {
        body();
    } catch (const std::exception& error) {
        ShowErrorBox(parent, error);
    }
}

}  // namespace albumon
