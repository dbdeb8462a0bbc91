// A real main window on the offscreen platform, with its own program folder (settings file,
// work folder, default template), real JPEG files, drops and message boxes observed.
#pragma once

#include <gtest/gtest.h>

#include <QString>
#include <QStringList>
#include <memory>
#include <string>
#include <vector>

#include "TestSupport.h"
#include "Unit1.h"

class QWidget;

namespace albumon::test {

// Closes every message box that opens and records its title, text and buttons; a question is
// answered "No" unless sayYes is set.
class MessageBoxWatcher {
  public:
    MessageBoxWatcher();
    ~MessageBoxWatcher();
    struct Seen {
        QString title;
        QString text;
        QStringList buttons;
        QString defaultButton;
    };
    std::vector<Seen> seen;
    bool sayYes = false;
    // Questions holding one of these texts are answered "Yes" and not recorded (suites whose
    // subject is not the question).
    QStringList acceptQuietly;
    // Questions holding one of these texts are left open for the test to answer.
    QStringList leaveOpen;

  private:
    class Impl;
    std::unique_ptr<Impl> impl_;
};

// Writes a real JPEG file of the given size (a colour gradient).
void WriteJpeg(const std::string& path, int width, int height);

class WindowTest : public ::testing::Test {
  protected:
    WindowTest();
    ~WindowTest() override;

    // Opens the window (after the test has prepared the program folder).
    TForm1& Open();
    // Closes the window as the session's end does, unsaved entries and all (the question a
    // user's close asks has tests of its own).
    void Close();

    // Drops files on the input list below its rows as a file manager would.
    void Drop(const QStringList& paths);
    // Drags files over target and drops them there; true when the target took them.
    static bool DropFilesOn(QWidget* target, const QStringList& paths);
    void Click(QWidget* widget);
    void ClickRow(int row);
    void TypeMemo(const QString& text);
    QStringList InputRows() const;
    QStringList OutputRows() const;
    std::string Program(const std::string& name) const { return program / name; }

    TempDir program;
    TempDir data;
    MessageBoxWatcher boxes;
    std::unique_ptr<TForm1> form;
};

}  // namespace albumon::test
