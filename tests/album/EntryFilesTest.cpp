// The file names of the entries and the entries whose files would take the same name.
#include "AlbumFixture.h"
#include "EntryFiles.h"
#include "OutputNames.h"
#include "Paths.h"

namespace albumon {
namespace {

class EntryFilesTest : public test::AlbumTest {};

struct Named {
    std::string source;
    std::int32_t mode;
    std::string given;  // the name typed for a specified entry
};

TEST_F(EntryFilesTest, CollisionsAreFoundOnTheFinalNames) {
    struct Case {
        const char* what;
        std::vector<Named> entries;
        std::vector<std::pair<int, int>> pairs;
        std::string name;
    };
    const Case cases[] = {
        {"two given names",
         {{"/a/p.jpg", nmSpecified, "表紙"}, {"/a/q.jpg", nmSpecified, "表紙.png"}},
         {{0, 1}},
         "表紙.jpg"},
        {"kept names of two folders",
         {{"/a/x.jpg", nmKeep, ""}, {"/b/x.jpg", nmKeep, ""}},
         {{0, 1}},
         "x.jpg"},
        {"a given name equal to an automatic one",
         {{"/a/p.jpg", nmAuto, ""}, {"/a/q.jpg", nmSpecified, "無題001"}},
         {{0, 1}},
         "無題001.jpg"},
        {"a given name equal to a thumbnail",
         {{"/a/x.jpg", nmKeep, ""}, {"/a/q.jpg", nmSpecified, "$_x"}},
         {{0, 1}},
         "$_x.jpg"},
        {"one stem, two extensions",
         {{"/a/x.jpg", nmKeep, ""}, {"/b/x.jpeg", nmKeep, ""}},
         {{0, 1}},
         "x.htm"},
        {"one stem, extensions of two cases",
         {{"/a/x.jpg", nmKeep, ""}, {"/b/x.JPG", nmKeep, ""}},
         {{0, 1}},
         "x.JPG"},
        {"a phone's picture and a JPEG of one stem",
         {{"/a/IMG_1.HEIC", nmKeep, ""}, {"/a/IMG_1.JPG", nmKeep, ""}},
         {{0, 1}},
         "IMG_1.JPG"},
        {"letter case", {{"/a/x.jpg", nmKeep, ""}, {"/b/X.jpg", nmKeep, ""}}, {{0, 1}}, "X.jpg"},
        {"letter case of a given name and a thumbnail",
         {{"/a/x.jpg", nmKeep, ""}, {"/a/q.jpg", nmSpecified, "$_X"}},
         {{0, 1}},
         "$_X.jpg"},
        {"composed and decomposed accents",
         {{"/a/caf\u00e9.jpg", nmKeep, ""}, {"/b/cafe\u0301.jpg", nmKeep, ""}},
         {{0, 1}},
         "cafe\u0301.jpg"},
        {"full-width letters of either case",
         {{"/a/\uff21.jpg", nmKeep, ""}, {"/b/\uff41.jpg", nmKeep, ""}},
         {{0, 1}},
         "\uff41.jpg"},
        {"an accent is no case",
         {{"/a/cafe.jpg", nmKeep, ""}, {"/b/caf\u00e9.jpg", nmKeep, ""}},
         {},
         ""},
        {"three alike, once each",
         {{"/a/x.jpg", nmKeep, ""}, {"/b/x.jpg", nmKeep, ""}, {"/c/x.jpg", nmKeep, ""}},
         {{0, 1}, {0, 2}},
         "x.jpg"},
        {"distinct", {{"/a/x.jpg", nmKeep, ""}, {"/a/y.jpg", nmAuto, ""}}, {}, ""},
    };
    for (const Case& c : cases) {
        ClearAlbum(state);
        for (const Named& named : c.entries) {
            EntryRecord& entry = Add(named.source, named.mode);
            if (named.mode == nmSpecified)
                entry.OutName = SpecifiedOutName(named.given);
        }
        RefreshOutputNames(state, naming);
        const std::vector<NameCollision> found = FindNameCollisions(state);
        std::vector<std::pair<int, int>> pairs;
        for (const NameCollision& collision : found) {
            pairs.emplace_back(collision.First, collision.Second);
            EXPECT_EQ(collision.Name, c.name) << c.what;
        }
        EXPECT_EQ(pairs, c.pairs) << c.what;
        if (!found.empty()) {
            const std::string text = NameCollisionText(state, found);
            EXPECT_NE(text.find("1番目（" + FileNamePart(c.entries[0].source) + "）と2番目"),
                      std::string::npos)
                << text;
        }
    }
}

TEST_F(EntryFilesTest, AnEmptyPrefixIsNoCollisionWithItself) {
    state.ThumbPrefix = "";
    Add("/a/x.jpg", nmKeep);
    RefreshOutputNames(state, naming);
    EXPECT_EQ(EntryFileNames(state.Entries[0], ""),
              (std::vector<std::string>{"x.jpg", "x.jpg", "x.htm"}));
    EXPECT_TRUE(FindNameCollisions(state).empty());
}

}  // namespace
}  // namespace albumon
