// The application as Albumon runs it.
#include "Application.h"

#include <QApplication>
#include <QLibraryInfo>
#include <QTranslator>

namespace albumon {

void PrepareApplication(QApplication& application) {
    QApplication::setApplicationName(QStringLiteral("Albumon"));
    auto* translator = new QTranslator(&application);
    if (translator->load(QStringLiteral("qtbase_ja"),
                         QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        QApplication::installTranslator(translator);
}

}  // namespace albumon
