// Albumon's program start: the application titled "Albumon", its one window, the event loop.
#include <QApplication>
#include <QIcon>

#include "Application.h"
#include "Unit1.h"

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    albumon::PrepareApplication(application);
    QApplication::setWindowIcon(QIcon(QStringLiteral(":/albumon.png")));
    albumon::TForm1 form(albumon::ProgramPaths::OfThisProgram());
    form.show();
    return QApplication::exec();
}
