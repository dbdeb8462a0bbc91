// The files of a template folder found whatever the case of their names.
#include <gtest/gtest.h>

#include "TemplateFiles.h"
#include "TestSupport.h"

namespace albumon {
namespace {

TEST(TemplateFiles, FoundInAnyLetterCase) {
    const struct {
        std::vector<std::string> files;
        std::string index, support, page, note;
    } cases[] = {
        {{"Def.htm", "Def.files/DefPage.htm", "Def.files/DefNote.jpg"},
         "Def.htm",
         "Def.files/",
         "Def.files/DefPage.htm",
         "Def.files/DefNote.jpg"},
        {{"def.htm", "def.files/defpage.htm", "def.files/defnote.jpg"},
         "def.htm",
         "def.files/",
         "def.files/defpage.htm",
         "def.files/defnote.jpg"},
        {{"DEF.HTM", "DEF.FILES/DEFPAGE.HTM", "DEF.FILES/DefNote.JPG"},
         "DEF.HTM",
         "DEF.FILES/",
         "DEF.FILES/DEFPAGE.HTM",
         "DEF.FILES/DefNote.JPG"},
        // The usual spelling first, then the first in byte order.
        {{"def.htm", "Def.htm", "dEF.htm"},
         "Def.htm",
         "Def.files/",
         "Def.files/DefPage.htm",
         "Def.files/DefNote.jpg"},
        {{"def.HTM", "dEF.htm"},
         "dEF.htm",
         "Def.files/",
         "Def.files/DefPage.htm",
         "Def.files/DefNote.jpg"},
        // Nothing there: the usual spelling.
        {{"Def.htm.bak", "Def.files.old/DefPage.htm"},
         "Def.htm",
         "Def.files/",
         "Def.files/DefPage.htm",
         "Def.files/DefNote.jpg"},
    };
    for (const auto& c : cases) {
        test::TempDir dir;
        for (const std::string& file : c.files)
            test::WriteFile(dir / file, "x");
        const std::string folder = dir.path() + "/";
        EXPECT_EQ(IndexTemplatePath(folder), folder + c.index) << c.files[0];
        EXPECT_EQ(SupportFolderPath(folder), folder + c.support) << c.files[0];
        EXPECT_EQ(PageTemplatePath(folder), folder + c.page) << c.files[0];
        EXPECT_EQ(NotePicturePath(folder), folder + c.note) << c.files[0];
    }
}

}  // namespace
}  // namespace albumon
