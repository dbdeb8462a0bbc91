// Albumon's program start: the application titled "Albumon", its one window with the files and
// folders named on the command line, the event loop.
#include <QApplication>
#include <QIcon>
#include <filesystem>

#include "Application.h"
#include "CommandLine.h"
#include "ProcessMemory.h"
#include "QuitSignals.h"
#include "Unit1.h"

int main(int argc, char** argv) {
    albumon::SetUpProcessMemory();
    // Answered before the application exists: no display is needed for them.
    if (auto status = albumon::AnswerWithoutWindow(argc, argv, ALBUMON_VERSION))
        return *status;
    QApplication application(argc, argv);
    albumon::PrepareApplication(application);
    QApplication::setApplicationVersion(QStringLiteral(ALBUMON_VERSION));
    QApplication::setWindowIcon(QIcon(QStringLiteral(":/albumon.png")));
    // Qt has taken its own options out of argv; the rest are paths, kept as the bytes they are.
    std::vector<std::string> paths;
    for (int i = 1; i < argc; ++i)
        paths.push_back(std::filesystem::absolute(argv[i]).lexically_normal().string());
    // The session's end closes the window without asking about unsaved entries.
    albumon::TForm1* window = nullptr;
    albumon::QuitSignals quit(
        [&window] {
            if (window != nullptr)
                window->CloseWithoutQuestion();
            else
                QApplication::closeAllWindows();
        },
        nullptr);
    albumon::TForm1 form(albumon::ProgramPaths::OfThisProgram());
    window = &form;
    form.show();
    form.AddStartPaths(paths);
    return QApplication::exec();
}
