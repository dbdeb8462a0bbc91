// The files of a template folder found whatever the case of their names.
#include <gtest/gtest.h>
#include <unistd.h>

#include "Errors.h"
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

// A template file may be a link within the template folder, never one leading out of it.
TEST(TemplateFiles, LinksLeadingOutOfTheTemplateAreRefused) {
    const struct {
        std::string link, target;
        bool refused;
    } cases[] = {
        {"Def.htm", "mine.htm", false},    {"Def.htm", "../private/key.htm", true},
        {"Def.htm", "none.htm", false},  // leads nowhere: no index template
        {"Def.files", "../private", true}, {"Def.files", "support", false},
    };
    for (const auto& c : cases) {
        test::TempDir dir;
        test::WriteFile(dir / "private/key.htm", "secret");
        test::WriteFile(dir / "private/DefPage.htm", "secret");
        test::WriteFile(dir / "private/DefNote.jpg", "secret");
        test::WriteFile(dir / "tpl/mine.htm", "index");
        test::WriteFile(dir / "tpl/support/DefPage.htm", "page");
        test::WriteFile(dir / "tpl/support/DefNote.jpg", "note");
        ASSERT_EQ(::symlink(c.target.c_str(), (dir / ("tpl/" + c.link)).c_str()), 0);
        const std::string folder = dir / "tpl/";
        const bool index = c.link == "Def.htm";
        for (auto path : {&IndexTemplatePath, &PageTemplatePath, &NotePicturePath}) {
            const bool linked = index == (path == &IndexTemplatePath);
            if (c.refused && linked) {
                EXPECT_THROW(path(folder), EFOpenError) << c.link << " -> " << c.target;
            } else {
                EXPECT_NO_THROW(path(folder)) << c.link << " -> " << c.target;
            }
        }
    }
}

}  // namespace
}  // namespace albumon
