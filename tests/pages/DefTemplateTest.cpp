// The default template folder Def/: its templates expanded for a small album give whole pages.
#include <gtest/gtest.h>

#include <array>
#include <string>
#include <string_view>
#include <vector>

#include "AlbumState.h"
#include "FileSystem.h"
#include "LinkPreview.h"
#include "Paths.h"
#include "TestSupport.h"
#include "TextFile.h"
#include "W_html.h"

namespace albumon {
namespace {

using test::ReadFile;
using test::TempDir;

const std::string kDef = std::string(ALBUMON_SOURCE_DIR) + "/Def/";
const std::string kIndexTemplate = kDef + "Def.htm";
const std::string kPageTemplate = kDef + "Def.files/DefPage.htm";

constexpr std::array<std::string_view, 7> kPlaceholders{
    "$$$PRENOTE$$$", "$$$POSTNOTE$$$", "$$$FILELIST$$$", "$$$TITLE$$$",
    "$$$PREFIX$$$",  "$$$FILENAME$$$", "$$$FILECOU$$$"};

bool Has(const std::string& text, std::string_view part) {
    return text.find(part) != std::string::npos;
}

// Position of part in text; fails the test when it is missing.
std::size_t At(const std::string& text, std::string_view part, std::size_t from = 0) {
    std::size_t at = text.find(part, from);
    EXPECT_NE(at, std::string::npos) << "missing: " << part;
    return at;
}

// Checks what every expanded page must be: a whole UTF-8 HTML document, nothing left over.
void ExpectWholePage(const std::string& page) {
    EXPECT_EQ(page.rfind("<!DOCTYPE html>\r\n", 0), 0u);
    EXPECT_TRUE(Has(page, "<meta charset=\"utf-8\">"));
    EXPECT_TRUE(Has(page, "name=\"viewport\""));
    EXPECT_LT(At(page, "<html"), At(page, "<head>"));
    EXPECT_LT(At(page, "</head>"), At(page, "<body"));
    EXPECT_TRUE(page.ends_with("</body>\r\n</html>\r\n"));
    EXPECT_FALSE(Has(page, "$$$")) << "a placeholder was left in the page";
}

// Checks that the file list lies inside one script, after the declarations of its arrays.
void ExpectListInScript(const std::string& page) {
    std::size_t list = At(page, "Fname[0]=");
    std::size_t script = page.rfind("<script>", list);
    ASSERT_NE(script, std::string::npos);
    std::size_t declareNames = At(page, "var Fname = new Array();", script);
    std::size_t declareTypes = At(page, "var DocType = new Array();", script);
    EXPECT_LT(declareNames, list);
    EXPECT_LT(declareTypes, list);
    EXPECT_EQ(page.find("</script>", script), page.find("</script>", list));
}

// An album of names that a careless link would break: spaces, "#", "%", "?", "&", Japanese.
class DefTemplateTest : public ::testing::Test {
  protected:
    DefTemplateTest() {
        state.TempPath = dir / "Temp";
        state.ThumbPrefix = "$_";
        ForceDirectories(state.TempPath);
        ForceDirectories(folder);
        Add("海辺 の朝.jpg", npAbove, {"朝いちばんの海。", "<b>晴れ</b>"});
        Add("50% off #2.jpg", npNone, {});
        Add("a&b?c.jpg", npBelow, {"夕方の港"});
    }

    void Add(const std::string& outName, std::int32_t notePos,
             const std::vector<std::string>& note) {
        EntryRecord& entry = state.Entries[state.EntryCount];
        entry.OutName = outName;
        entry.NotePos = notePos;
        entry.NoteNo = state.EntryCount;
        if (!note.empty())
            WriteTextLines(NoteFilePath(state, entry), note);
        ++state.EntryCount;
    }

    // Expands the page of entry k, as a save does, and returns its bytes.
    std::string Page(int k) {
        std::string path = ReplaceExtension(folder + state.Entries[k].OutName, ".htm");
        ExpandTemplate(state, head, kPageTemplate, path, k);
        return ReadFile(path);
    }

    std::string Index() {
        std::string path = dir / (head + ".htm");
        ExpandTemplate(state, head, kIndexTemplate, path, 0);
        return ReadFile(path);
    }

    TempDir dir;
    AlbumState state;
    std::string head = "旅 #1 & 100%";
    std::string folder = dir / (head + ".files/");
};

TEST_F(DefTemplateTest, TemplatesUseEveryPlaceholderWithCrLfLines) {
    std::string index = ReadFile(kIndexTemplate);
    std::string page = ReadFile(kPageTemplate);
    for (std::string_view p : kPlaceholders) {
        EXPECT_TRUE(Has(index, p) || Has(page, p)) << p << " is used by neither template";
    }
    // The index is expanded for entry 0: a note or file name there would be the first picture's.
    EXPECT_FALSE(Has(index, "$$$PRENOTE$$$"));
    EXPECT_FALSE(Has(index, "$$$POSTNOTE$$$"));
    EXPECT_FALSE(Has(index, "$$$FILENAME$$$"));
    // Values are inserted unescaped: none may stand in a link, where "#" or "%" would break it;
    // only the album folder's placeholder, which gives it escaped, may.
    for (const std::string* text : {&index, &page}) {
        for (std::string_view attribute : {"href=\"", "src=\""}) {
            for (std::size_t at = text->find(attribute); at != std::string::npos;
                 at = text->find(attribute, at + 1)) {
                std::string value = text->substr(at, text->find('"', at + attribute.size()) - at);
                const std::size_t folder = value.find("$$$ALBUMFOLDER$$$");
                if (folder != std::string::npos)
                    value.erase(folder, std::string_view("$$$ALBUMFOLDER$$$").size());
                EXPECT_FALSE(Has(value, "$$$")) << value;
            }
        }
    }
    // Lines end at CR: a template with LF alone would be one line, expanded only once.
    for (const std::string* text : {&index, &page}) {
        for (std::size_t i = 0; i < text->size(); ++i) {
            if ((*text)[i] == '\n') {
                ASSERT_TRUE(i > 0 && (*text)[i - 1] == '\r') << "lone LF at byte " << i;
            }
        }
    }
}

// Names are inserted as they are: the templates put them only where no name is read as markup,
// in a <title> or in a raw-text element closed against comment tricks.
TEST_F(DefTemplateTest, NamesStandOnlyWhereTheyAreReadAsText) {
    for (const std::string& path : {kIndexTemplate, kPageTemplate}) {
        std::string text = ReadFile(path);
        for (std::string_view name : {"$$$TITLE$$$", "$$$PREFIX$$$", "$$$FILENAME$$$"}) {
            for (std::size_t at = text.find(name); at != std::string::npos;
                 at = text.find(name, at + 1)) {
                std::size_t line = text.rfind('\n', at) + 1;
                std::size_t end = text.find('\r', at);
                std::string before = text.substr(line, at - line);
                std::string after = text.substr(at + name.size(), end - at - name.size());
                bool title = before == "<title>" && after == "</title>";
                bool raw =
                    before.starts_with("<script type=\"text/plain\"") && after == "--></script>";
                EXPECT_TRUE(title || raw) << path << ": " << before << name << after;
            }
        }
    }
}

TEST_F(DefTemplateTest, IndexListsEveryEntryInsideItsScript) {
    std::string index = Index();
    ExpectWholePage(index);
    ExpectListInScript(index);
    EXPECT_TRUE(Has(index, "Fname[0]=\"海辺 の朝\";\r\nDocType[0]=1;\r\n"));
    EXPECT_TRUE(Has(index, "Fname[1]=\"50% off #2\";\r\nDocType[1]=0;\r\n"));
    EXPECT_TRUE(Has(index, "Fname[2]=\"a&b?c\";\r\nDocType[2]=1;\r\n"));
    EXPECT_TRUE(Has(index, "<title>" + head + "</title>"));
    EXPECT_TRUE(Has(index, ">" + head + "--></script>"));
    EXPECT_TRUE(Has(index, ">$_--></script>"));
    EXPECT_TRUE(Has(index, ">3</span>"));
    EXPECT_FALSE(Has(index, "ALBUMON PRENOTE"));
    EXPECT_FALSE(Has(index, "ALBUMON POSTNOTE"));
}

// Crawlers run no script: the index holds every photo, its caption and its link as HTML, and
// with a public address both kinds of page carry their preview tags in their head.
TEST_F(DefTemplateTest, PagesTellCrawlersTheirPhotosAndPreviews) {
    const LinkPreview index = IndexPreview(state, head, "https://example.jp/", {});
    const LinkPreview page = PagePreview(state, head, 0, "https://example.jp/", {});
    const std::string indexPath = dir / (head + ".htm");
    const std::string pagePath = folder + "海辺 の朝.htm";
    for (const LinkPreview* preview : {&index, static_cast<const LinkPreview*>(nullptr)}) {
        ExpandTemplate(state, head, kIndexTemplate, indexPath, 0, nullptr, preview);
        ExpandTemplate(state, head, kPageTemplate, pagePath, 0, nullptr, preview ? &page : nullptr);
        for (const std::string& text : {ReadFile(indexPath), ReadFile(pagePath)}) {
            ExpectWholePage(text);
            const std::size_t tag = text.find("<meta property=\"og:url\"");
            EXPECT_EQ(tag != std::string::npos, preview != nullptr);
            if (tag != std::string::npos) {
                EXPECT_LT(tag, At(text, "</head>"));
            }
        }
        const std::string text = ReadFile(indexPath);
        EXPECT_TRUE(
            Has(text, "<h1 class=\"album-title\" id=\"album-heading\">旅 #1 &amp; 100%</h1>"));
        std::size_t grid = At(text, "<ol class=\"grid\" id=\"album-grid\">");
        for (int i = 0; i < state.EntryCount; ++i) {
            grid = At(text, "<span class=\"number\">" + std::to_string(i + 1) + "</span>", grid);
            EXPECT_LT(grid, At(text, "</ol>"));
        }
        EXPECT_TRUE(Has(text, "<span class=\"name\">朝いちばんの海。</span>"));
        EXPECT_TRUE(Has(text, "<span class=\"name\">夕方の港</span>"));
        EXPECT_TRUE(
            Has(text, "href=\"%E6%97%85%20%231%20%26%20100%25.files/50%25%20off%20%232.jpg\""));
    }
}

TEST_F(DefTemplateTest, IndexOfAnEmptyAlbumIsStillWhole) {
    state.EntryCount = 0;
    std::string index = Index();
    ExpectWholePage(index);
    EXPECT_FALSE(Has(index, "Fname["));
    // The list's line stays behind empty, the picture list names only its folder, and the
    // script still closes.
    EXPECT_TRUE(
        Has(index, "var PictureFolder = \"\";\r\n\r\nPictureFolder=\"\";\r\n\r\n</script>\r\n"));
}

TEST_F(DefTemplateTest, NoteAboveStandsInItsFrameBeforeThePicture) {
    std::string page = Page(0);
    ExpectWholePage(page);
    ExpectListInScript(page);
    std::size_t frame = At(page, "<div class=\"note note-above\">\r\n");
    std::size_t begin =
        At(page, "<!-- ALBUMON PRENOTE BEGIN -->\r\n朝いちばんの海。\r\n<b>晴れ</b>\r\n");
    std::size_t end = At(page, "<!-- ALBUMON PRENOTE END -->\r\n</TABLE>\r\n<BR><BR>\r\n");
    EXPECT_LT(frame, begin);
    EXPECT_LT(begin, end);
    EXPECT_LT(end, At(page, "</div>", end));
    EXPECT_LT(At(page, "</div>", end), At(page, "id=\"photo\""));
    EXPECT_FALSE(Has(page, "ALBUMON POSTNOTE"));
    EXPECT_TRUE(Has(page, ">海辺 の朝.jpg--></script>"));
    EXPECT_TRUE(Has(page, "<script src=\"album.js\"></script>"));
}

TEST_F(DefTemplateTest, NoteBelowStandsInItsFrameAfterThePicture) {
    std::string page = Page(2);
    ExpectWholePage(page);
    std::size_t photo = At(page, "id=\"photo\"");
    std::size_t frame = At(page, "<div class=\"note note-below\">\r\n<BR><BR>\r\n<TABLE ");
    std::size_t begin = At(page, "<!-- ALBUMON POSTNOTE BEGIN -->\r\n夕方の港\r\n");
    std::size_t end = At(page, "<!-- ALBUMON POSTNOTE END -->\r\n</TABLE>\r\n");
    EXPECT_LT(photo, frame);
    EXPECT_LT(frame, begin);
    EXPECT_LT(begin, end);
    EXPECT_LT(end, At(page, "</div>", end));
    EXPECT_FALSE(Has(page, "ALBUMON PRENOTE"));
    EXPECT_TRUE(Has(page, ">a&b?c.jpg--></script>"));
}

TEST_F(DefTemplateTest, PageGivesItsNoteBackWhenItsPictureIsAddedAgain) {
    Page(0);
    Page(2);
    AlbumState again;
    again.TempPath = dir / "Again";
    ForceDirectories(again.TempPath);
    for (int k : {0, 2}) {
        EntryRecord& entry = again.Entries[again.EntryCount];
        entry.SourcePath = folder + state.Entries[k].OutName;
        entry.NoteNo = again.EntryCount;
        ++again.EntryCount;
    }
    ImportPageNotes(again, 0);
    EXPECT_EQ(again.Entries[0].NotePos, npAbove);
    EXPECT_EQ(ReadFile(NoteFilePath(again, again.Entries[0])),
              ReadFile(NoteFilePath(state, state.Entries[0])));
    EXPECT_EQ(again.Entries[1].NotePos, npBelow);
    EXPECT_EQ(ReadFile(NoteFilePath(again, again.Entries[1])),
              ReadFile(NoteFilePath(state, state.Entries[2])));
}

TEST_F(DefTemplateTest, SupportFilesThePagesNameAreCopiedIntoTheAlbum) {
    CopySupportFiles(kDef + "Def.files/", folder);
    for (const char* name : {"album.css", "album.js"}) {
        EXPECT_TRUE(Has(ReadFile(kIndexTemplate), name));
        EXPECT_TRUE(Has(ReadFile(kPageTemplate), name));
        EXPECT_EQ(ReadFile(folder + name), ReadFile(kDef + "Def.files/" + name));
    }
    EXPECT_FALSE(FileExists(folder + "DefPage.htm"));
    EXPECT_FALSE(FileExists(folder + "DefNote.jpg"));
}

TEST_F(DefTemplateTest, CommentaryPictureIsASmallBaselineJpeg) {
    std::string jpeg = ReadFile(kDef + "Def.files/DefNote.jpg");
    ASSERT_GT(jpeg.size(), 4u);
    EXPECT_LT(jpeg.size(), 100u * 1024u);
    EXPECT_EQ(jpeg.substr(0, 2), "\xFF\xD8");
    EXPECT_TRUE(Has(jpeg, "\xFF\xC0")) << "no baseline frame header";
    EXPECT_FALSE(Has(jpeg, "\xFF\xC2")) << "progressive JPEG";
}

}  // namespace
}  // namespace albumon
