// The program's message boxes.
#include "MessageBoxes.h"
#include "QtText.h"

#include <QAbstractButton>
#include <QMessageBox>
#include <string>

namespace albumon {

namespace {

// A box's message can be selected and copied (Ctrl+C): a key's fingerprint to compare with the
// one the server's keeper gives, an error to pass on.
void MakeTextSelectable(QMessageBox& box) {
    box.setTextInteractionFlags(Qt::TextSelectableByMouse);
}

}  // namespace

QString ErrorBoxText(const std::exception& error) {
    std::string text = error.what();
    if (!text.empty() && static_cast<unsigned char>(text.back()) > '.')
        text += '.';
    return Text(text);
}

void ShowErrorBox(QWidget* parent, const std::exception& error) {
    QMessageBox box(QMessageBox::Critical, QStringLiteral("Albumon"), ErrorBoxText(error),
                    QMessageBox::Ok, parent);
    box.setObjectName(QStringLiteral("ErrorBox"));
    MakeTextSelectable(box);
    box.exec();
}

void ShowUserError(QWidget* parent, const QString& text) {
    QMessageBox box(QMessageBox::Critical, QStringLiteral("エラー"), text, QMessageBox::Ok, parent);
    box.setObjectName(QStringLiteral("UserErrorBox"));
    MakeTextSelectable(box);
    box.exec();
}

bool AskYesNo(QWidget* parent, const QString& text) {
    QMessageBox box(QMessageBox::Question, QStringLiteral("確認"), text,
                    QMessageBox::Yes | QMessageBox::No, parent);
    box.setObjectName(QStringLiteral("QuestionBox"));
    MakeTextSelectable(box);
    box.setDefaultButton(QMessageBox::No);
    return box.exec() == QMessageBox::Yes;
}

void AnswerOpenBoxes(QWidget* parent) {
    for (QMessageBox* box : parent->findChildren<QMessageBox*>()) {
        if (!box->isVisible())
            continue;
        QAbstractButton* no = box->button(QMessageBox::No);
        QAbstractButton* answer = no != nullptr ? no : box->button(QMessageBox::Ok);
        if (answer != nullptr)
            answer->click();
    }
}

}  // namespace albumon
