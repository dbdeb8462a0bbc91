// A save with HEIF, PNG and WebP sources: every output picture a JPEG named ".jpg", kept names
// keeping their stems, and an undecodable source reported once with placeholders written.
#include "PhoneFormatFixtures.h"
#include "PictureFixtures.h"
#include "SaveFixture.h"
#include "metadata/PictureKind.h"

namespace albumon::test {
namespace {

TEST_F(SaveAlbumTest, ConvertedSourcesBecomeJpegsUnderJpegNames) {
    const Raster upright = QuadrantRaster(96, 64);
    WriteFile(dir / "in/IMG_1.HEIC", HeicFile(upright, {6, 8}));
    WriteFile(dir / "in/screen.jpg", PngFile(upright, {}));  // a PNG under a JPEG name
    WriteFile(dir / "in/web.webp", WebpFile(upright, {}));
    const std::string heic = HeicFile(upright, {});
    WriteFile(dir / "in/broken.hif", heic.substr(0, heic.size() / 2));
    for (int threads : {1, 3}) {
        SCOPED_TRACE(threads);
        const std::string out = dir / ("out" + std::to_string(threads));
        state.OutPath = out + "/";
        ClearAlbum(state);
        AddFiles(state,
                 {dir / "in/IMG_1.HEIC", dir / "in/screen.jpg", dir / "in/web.webp",
                  dir / "in/broken.hif"},
                 naming);
        state.Entries[0].NameMode = nmKeep;
        state.Entries[3].NameMode = nmKeep;
        state.Entries[2].Rotation = 1;
        RefreshOutputNames(state, naming);
        const std::vector<SaveNotice> notices =
            SaveAlbum(state, view, "h", nullptr, SaveOptions{.Threads = threads});
        const Names pictures = {"IMG_1.jpg", "broken.jpg", "無題001.jpg", "無題002.jpg"};
        Names expected = pictures;
        for (const std::string& name : pictures)
            expected.push_back("$_" + name);
        Names listed = expected;
        listed.insert(listed.end(), {"album.css", "album.js"});  // the template's
        std::sort(listed.begin(), listed.end());
        EXPECT_EQ(FolderNames(out + "/h.files"), listed);
        for (const std::string& name : expected)
            EXPECT_EQ(SniffPicture(ReadFile(out + "/h.files/" + name)), pkJpeg) << name;
        EXPECT_EQ(ReadJpegHeader(ReadFile(out + "/h.files/無題002.jpg")).width, 64);  // turned
        ASSERT_EQ(notices.size(), 1u);
        EXPECT_EQ(notices[0].Kind, pnNoPicture);
        EXPECT_EQ(NoticeText(notices[0]).rfind(dir / "in/broken.hif: ", 0), 0u);
        EXPECT_NE(ReadFile(out + "/h.htm").find("Fname[0]=\"IMG_1\";"), std::string::npos);
    }
}

}  // namespace
}  // namespace albumon::test
