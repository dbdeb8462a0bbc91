// The files of a template folder, found whatever the case of their names.
#include "TemplateFiles.h"

#include <cstdlib>
#include <memory>

#include "Errors.h"
#include "FileSystem.h"
#include "Paths.h"

namespace albumon {

namespace {

// The real path of an existing item, or empty.
std::string RealPath(const std::string& path) {
    std::unique_ptr<char, void (*)(void*)> real(::realpath(path.c_str(), nullptr), &std::free);
    return real ? std::string(real.get()) : std::string();
}

// path, unless it leads (through a link of its own or of Def.files) out of the template folder:
// a template never brings a file from elsewhere into the album.
std::string Confined(const std::string& templateFolder, const std::string& path) {
    const std::string real = RealPath(path);
    const std::string folder = WithTrailingSlash(RealPath(templateFolder));
    if (!real.empty() && folder.size() > 1 && real.compare(0, folder.size(), folder) != 0)
        throw EFOpenError(path, "テンプレートフォルダーの外にあります");
    return path;
}

}  // namespace

std::string IndexTemplatePath(const std::string& templateFolder) {
    return Confined(templateFolder, FindAnyCase(templateFolder, "Def.htm"));
}

std::string SupportFolderPath(const std::string& templateFolder) {
    return FindAnyCase(templateFolder, "Def.files") + "/";
}

std::string PageTemplatePath(const std::string& templateFolder) {
    return Confined(templateFolder, FindAnyCase(SupportFolderPath(templateFolder), "DefPage.htm"));
}

std::string NotePicturePath(const std::string& templateFolder) {
    return Confined(templateFolder, FindAnyCase(SupportFolderPath(templateFolder), "DefNote.jpg"));
}

}  // namespace albumon
