// Output names: automatic numbering, kept and specified names, the rows of the output list.
#include "AlbumFixture.h"
#include "OutputNames.h"

namespace albumon {
namespace {

using Rows = std::vector<std::string>;

class OutputNamesTest : public test::AlbumTest {};

TEST_F(OutputNamesTest, MixedModesNumberOnlyAutomaticEntries) {
    Add("/p/a.jpg");
    Add("/p/IMG_7.JPG", nmKeep);
    Add("/p/c.jpeg").NotePos = npBelow;
    RefreshOutputNames(state, naming);
    EXPECT_EQ(OutputListRows(state), (Rows{"無:無題001.jpg", "無:IMG_7.JPG", "下:無題002.jpg"}));

    state.Entries[0].NameMode = nmKeep;
    RefreshOutputNames(state, naming);
    EXPECT_EQ(OutputListRows(state), (Rows{"無:a.jpg", "無:IMG_7.JPG", "下:無題001.jpg"}));
}

TEST_F(OutputNamesTest, NumbersWrapToThreeDigits) {
    for (int i = 0; i < 3; ++i)
        Add("/p/x.jpg");
    naming.StartNumber = 998;
    RefreshOutputNames(state, naming);
    EXPECT_EQ(OutputListRows(state), (Rows{"無:無題998.jpg", "無:無題999.jpg", "無:無題000.jpg"}));
    naming.StartNumber = 1012;
    naming.HeadText = " 旅 ";
    RefreshOutputNames(state, naming);
    EXPECT_EQ(state.Entries[0].OutName, " 旅 012.jpg");
}

TEST_F(OutputNamesTest, ExtensionsAndSpecifiedNames) {
    Add("/p/a.JPEG");
    Add("/p/a.JPEG", nmKeep);
    Add("/p.d/noext");
    EntryRecord& specified = Add("/p/s.jpg", nmSpecified);
    specified.OutName = "mine.jpg";
    Add("/p/b.Jpg").NotePos = npAbove;
    RefreshOutputNames(state, naming);
    EXPECT_EQ(OutputListRows(state),
              (Rows{"無:無題001.jpg", "無:a.JPEG", "無:無題002", "無:mine.jpg", "上:無題003.jpg"}));
}

// A typed name keeps its dots; only a picture extension the user typed gives way to ".jpg".
TEST_F(OutputNamesTest, SpecifiedNamesKeepTheirDots) {
    const std::pair<std::string, std::string> cases[] = {
        {"2024.05.01 旅行", "2024.05.01 旅行.jpg"},
        {"表紙.png", "表紙.jpg"},
        {"a.JPEG", "a.jpg"},
        {"b.Heic", "b.jpg"},
        {"c.heif", "c.jpg"},
        {"d.HIF", "d.jpg"},
        {"e.webp", "e.jpg"},
        {"v1.2.jpg", "v1.2.jpg"},
        {"notes.txt", "notes.txt.jpg"},
        {"plain", "plain.jpg"},
    };
    for (const auto& [typed, name] : cases)
        EXPECT_EQ(SpecifiedOutName(typed), name) << typed;
}

TEST_F(OutputNamesTest, ConvertedPicturesAreNamedAsJpegs) {
    const char* sources[] = {"/p/IMG_1.HEIC", "/p/x.heif", "/p/y.hif",
                             "/p/s.PNG",      "/p/w.webp", "/p/v.2.Webp"};
    for (const char* source : sources) {
        Add(source);
        Add(source, nmKeep);
    }
    RefreshOutputNames(state, naming);
    EXPECT_EQ(OutputListRows(state),
              (Rows{"無:無題001.jpg", "無:IMG_1.jpg", "無:無題002.jpg", "無:x.jpg",
                    "無:無題003.jpg", "無:y.jpg", "無:無題004.jpg", "無:s.jpg", "無:無題005.jpg",
                    "無:w.jpg", "無:無題006.jpg", "無:v.2.jpg"}));
}

TEST_F(OutputNamesTest, NoEntriesNoRows) {
    RefreshOutputNames(state, naming);
    EXPECT_TRUE(OutputListRows(state).empty());
}

}  // namespace
}  // namespace albumon
