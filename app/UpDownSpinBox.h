// A number field with up and down arrows that reports arrow steps apart from typing.
#pragma once

#include <QLineEdit>
#include <QSpinBox>

namespace albumon {

class UpDownSpinBox : public QSpinBox {
    Q_OBJECT

  public:
    using QSpinBox::QSpinBox;

    // The edit field inside, as the user interface names it.
    void SetEditName(const QString& name) { lineEdit()->setObjectName(name); }

  signals:
    // An arrow (button, key or wheel) moved the value.
    void stepped();

  protected:
    void stepBy(int steps) override {
        QSpinBox::stepBy(steps);
        emit stepped();
    }
};

}  // namespace albumon
