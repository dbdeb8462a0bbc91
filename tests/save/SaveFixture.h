// The save tests' fixture: a template copied from the program's, a work folder, four source
// pictures (one gray, one with an upper-case extension) and an album made of them.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <map>

#include "AlbumState.h"
#include "FileSystem.h"
#include "InputList.h"
#include "OutputNames.h"
#include "SaveAlbum.h"
#include "TestSupport.h"
#include "codecs/JpegCodec.h"
#include "pixels/Raster.h"
#include "renditions/PictureView.h"

namespace albumon::test {

namespace fs = std::filesystem;
using Names = std::vector<std::string>;

inline void WriteJpeg(const std::string& path, int width, int height, bool gray = false) {
    Raster raster(width, height, pf24bit);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            std::uint8_t* p = raster.Row(y) + 3 * x;
            p[0] = static_cast<std::uint8_t>(x * 7 + y);
            p[1] = static_cast<std::uint8_t>(gray ? p[0] : y * 5);
            p[2] = static_cast<std::uint8_t>(gray ? p[0] : (x ^ y));
        }
    }
    EncodeOptions options;
    options.quality = 90;
    options.grayOutput = gray;
    WriteFile(path, EncodeJpeg(raster, options));
}

// The template folder at folder without the placeholders of screen-size pictures.
inline void WithoutScreenPlaceholders(const std::string& folder) {
    for (const std::string& path : {folder + "Def.htm", folder + "Def.files/DefPage.htm"}) {
        std::string bytes = test::ReadFile(path);
        for (const std::string placeholder : {"$$$PICTURES$$$", "$$$SRCSET$$$"}) {
            for (auto at = bytes.find(placeholder); at != std::string::npos;
                 at = bytes.find(placeholder))
                bytes.erase(at, placeholder.size());
        }
        test::WriteFile(path, bytes);
    }
}

class SaveAlbumTest : public ::testing::Test {
  protected:
    SaveAlbumTest() {
        fs::copy(ALBUMON_SOURCE_DIR "/Def", dir / "Def", fs::copy_options::recursive);
        state.TemplatePath = dir / "Def/";
        state.TempPath = dir / "Temp";
        ForceDirectories(state.TempPath);
        WriteJpeg(dir / "in/a.jpg", 320, 240);
        WriteJpeg(dir / "in/b.jpg", 90, 160);
        WriteJpeg(dir / "in/g.jpg", 200, 100, true);
        WriteJpeg(dir / "in/c.JPEG", 50, 40);
    }

    // Fills the album: a, b (turned, note below), the commentary card, g (gray, turned), c
    // (note above).
    void Fill(const std::string& out) {
        state.OutPath = out + "/";
        ForceDirectories(out);
        ClearAlbum(state);
        AddFiles(state, {dir / "in/a.jpg", dir / "in/b.jpg", dir / "in/g.jpg", dir / "in/c.JPEG"},
                 naming);
        InsertCommentary(state, 1);
        state.Entries[1].Rotation = 1;
        state.Entries[3].Rotation = 2;
        EditingState note;
        note.MemoLines = {"夕方", "<b>海</b>"};
        StoreCurrentEntry(state, 1, note, naming);
        note.NoteAbove = true;
        StoreCurrentEntry(state, 4, note, naming);
        RefreshOutputNames(state, naming);
    }

    static SaveOptions Threads(int threads) {
        SaveOptions options;
        options.Threads = threads;
        return options;
    }

    // A folder for packing an archive in, as a save gives one (ends with "/").
    std::string Work() {
        ForceDirectories(dir / "zipwork");
        return dir / "zipwork/";
    }

    // Every file below folder with its bytes; the record without the times it keeps, which
    // differ from one save to the next.
    static std::map<std::string, std::string> Contents(const std::string& folder) {
        std::map<std::string, std::string> files;
        for (const auto& item : fs::recursive_directory_iterator(folder)) {
            if (!item.is_regular_file())
                continue;
            std::string bytes = ReadFile(item.path());
            if (item.path().filename() == kSaveRecord)
                bytes = RecordWithoutTimes(bytes);
            files[fs::relative(item.path(), folder).string()] = bytes;
        }
        return files;
    }

    TempDir dir;
    AlbumState state;
    NamingBase naming;
    PictureView view;
};

}  // namespace albumon::test
