// The save's screen-size pictures: made only for a template that asks, beside an album whose
// design files stay byte for byte what a template without the new placeholders gets.
#include <algorithm>

#include "EntryPipeline.h"
#include "SaveFixture.h"
#include "SaveRecord.h"
#include "TextFile.h"

namespace albumon {
namespace {

namespace fs = std::filesystem;
using test::SaveAlbumTest;
using test::WriteJpeg;
using Names = std::vector<std::string>;

TEST_F(SaveAlbumTest, ScreenSizesOnlyWhenTheTemplateAsksAndTheDesignStaysAsItWas) {
    WriteJpeg(dir / "in/big.jpg", 1600, 1200);
    const auto save = [&](const std::string& out, int displaySize) {
        Fill(out);
        AddFiles(state, {dir / "in/big.jpg"}, naming);
        state.Entries[5].Rotation = 3;
        RefreshOutputNames(state, naming);
        state.DisplaySize = displaySize;
        SaveAlbum(state, view, "h", nullptr);
        return Contents(out + "/h.files");
    };
    const auto asked = save(dir / "asked", 2048);
    const auto off = save(dir / "off", 0);
    fs::copy(dir / "Def", dir / "plain", fs::copy_options::recursive);
    test::WithoutScreenPlaceholders(dir / "plain/");
    state.TemplatePath = dir / "plain/";
    const auto plain = save(dir / "plain-out", 2048);

    EXPECT_FALSE(fs::exists(dir / "plain-out/h.files/albumon-sizes"));
    std::size_t design = 0;
    for (const auto& [name, bytes] : plain) {
        if (name.size() > 4 && name.substr(name.size() - 4) == ".jpg") {
            EXPECT_EQ(asked.at(name), bytes) << name;
            ++design;
        }
    }
    EXPECT_EQ(design, 12u);  // six pictures and their thumbnails
    // The turned 1600 x 1200 picture: every size below its long side, upright; with the
    // display copies off, the cards only.
    for (const auto& [sizes, sides] : {std::pair{&asked, std::vector<int>{160, 320, 480, 1280}},
                                       std::pair{&off, std::vector<int>{160, 320, 480}}}) {
        for (int side : {160, 320, 480, 1280, 2048}) {
            const std::string name = "albumon-sizes/無題006." + std::to_string(side) + ".jpg";
            const bool made = std::find(sides.begin(), sides.end(), side) != sides.end();
            ASSERT_EQ(sizes->count(name), made ? 1u : 0u) << name;
            if (made) {
                const JpegHeader header = ReadJpegHeader(sizes->at(name));
                EXPECT_EQ(header.height, side);
                EXPECT_EQ(header.width, side * 3 / 4);
            }
        }
    }
    // The record names them, so that a later save can take them away again.
    const auto record = ReadSaveRecord(dir / "asked/h.files");
    ASSERT_TRUE(record);
    EXPECT_EQ(record->files.count("albumon-sizes/無題006.1280.jpg"), 1u);
    // The index page lists the sizes made and the pages point at the display copies.
    const std::string index = test::ReadFile(dir / "asked/h.htm");
    EXPECT_NE(index.find("Picture[5]={width:1200,height:1600,cards:[160,320,480],views:[1280],"),
              std::string::npos);
}

TEST_F(SaveAlbumTest, ATurnedEntryIsDecodedOnceForItsOutputAndItsScreenSizes) {
    // The screen sizes of a turned entry are those of its output's full-size decode; an unturned
    // one's come from a scaled decode of their own.
    const std::string path = dir / "in/big.jpg";
    WriteJpeg(path, 1600, 1200);
    TJPEGData data;
    data.bytes = test::ReadFile(path);
    data.header = ReadJpegHeader(data.bytes);
    for (int rotation : {0, 1, 2}) {
        SCOPED_TRACE(rotation);
        const EntryJob job{path, rotation, 244, 64, 80, {}, ScreenSides(2048)};
        const EntryResult result = ComputeEntry(view, job);
        Raster decoded;
        PictureView other;
        MakeOutputPicture(other, path, rotation, 80, {}, &decoded);
        const ScreenSizes expected =
            rotation == 0
                ? MakeScreenSizes(data, rotation, job.ScreenSides)
                : ScreenSizesOf(std::move(decoded), data.header, rotation, job.ScreenSides);
        ASSERT_EQ(result.Screens.pictures.size(), 4u);  // all but 2048
        for (std::size_t k = 0; k < expected.pictures.size(); ++k)
            EXPECT_TRUE(result.Screens.pictures[k].bytes == expected.pictures[k].bytes)
                << expected.pictures[k].side;
    }
}

}  // namespace
}  // namespace albumon
