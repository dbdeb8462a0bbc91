// The files of a template folder, found whatever the case of their names.
#include "TemplateFiles.h"

#include "FileSystem.h"

namespace albumon {

std::string IndexTemplatePath(const std::string& templateFolder) {
    return FindAnyCase(templateFolder, "Def.htm");
}

std::string SupportFolderPath(const std::string& templateFolder) {
    return FindAnyCase(templateFolder, "Def.files") + "/";
}

std::string PageTemplatePath(const std::string& templateFolder) {
    return FindAnyCase(SupportFolderPath(templateFolder), "DefPage.htm");
}

std::string NotePicturePath(const std::string& templateFolder) {
    return FindAnyCase(SupportFolderPath(templateFolder), "DefNote.jpg");
}

}  // namespace albumon
