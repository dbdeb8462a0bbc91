// The files of a template folder, found whatever the case of their names: a template copied from
// Windows often spells them "def.htm" or "defpage.htm".
#pragma once

#include <string>

namespace albumon {

// templateFolder ends with "/". Each gives the path of the item as it is spelt in the folder, or
// the usual spelling when there is none. A template file that leads out of the template folder
// (a link to a private file) raises EFOpenError naming it.

// "Def.htm", the index template.
std::string IndexTemplatePath(const std::string& templateFolder);

// "Def.files/", the support folder, with its trailing "/".
std::string SupportFolderPath(const std::string& templateFolder);

// "Def.files/DefPage.htm", the page template.
std::string PageTemplatePath(const std::string& templateFolder);

// "Def.files/DefNote.jpg", the picture of commentary entries.
std::string NotePicturePath(const std::string& templateFolder);

}  // namespace albumon
