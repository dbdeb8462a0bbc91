// The screen-size pictures of a save's entries, computed beside the thumbnail and written after
// the output picture.
#include "ScreenPictures.h"

#include "Errors.h"
#include "FileSystem.h"
#include "SaveStage.h"
#include "metadata/LocationStrip.h"
#include "pixels/GraphicErrors.h"

namespace albumon {

bool CarriesLocation(const std::string& bytes) {
    return JpegWithoutLocation(bytes).changed;
}

void AddScreenSizes(const EntryJob& job, EntryResult& result,
                    std::shared_ptr<const TJPEGData> source, Raster decoded) {
    bool screens = !job.ScreenSides.empty();
    if (!screens && job.Photo.StripLocation)
        return;
    if (!source) {
        auto read = std::make_shared<TJPEGData>();
        if (ReadWholeFile(job.SourcePath, read->bytes, kMaxPictureFileBytes) != 0)
            throw EFOpenError(job.SourcePath);
        try {
            if (screens)
                read->header = ReadJpegHeader(read->bytes);
        } catch (const EInvalidGraphic&) {
            screens = false;
        }
        source = std::move(read);
    }
    result.HasLocation =
        !job.Photo.StripLocation &&
        CarriesLocation(result.Picture.copySource ? source->bytes : result.Picture.bytes);
    if (!screens)
        return;
    result.Screens = decoded.Empty() ? MakeScreenSizes(*source, job.Rotation, job.ScreenSides)
                                     : ScreenSizesOf(std::move(decoded), source->header,
                                                     job.Rotation, job.ScreenSides);
}

std::optional<std::string> ScreenNameProblem(const AlbumState& state) {
    constexpr std::size_t kLongestName = 255;  // bytes, as the file systems take them
    if (state.EntryCount == 0 || !TemplateAsksScreenSizes(state.TemplatePath))
        return std::nullopt;
    const int largest = ScreenSides(state.DisplaySize).back();
    for (int k = 0; k < state.EntryCount; ++k) {
        const std::string name = ScreenPictureName(state.Entries[k].OutName, largest);
        if (name.size() > kLongestName) {
            return FormatMessage("出力ファイル名「%s」は、表示用画像の名前には長すぎます",
                                 state.Entries[k].OutName);
        }
    }
    return std::nullopt;
}

EntryPicture EntryPictureOf(const ScreenSizes& screens) {
    EntryPicture picture{screens.width, screens.height, {}};
    for (const ScreenPicture& file : screens.pictures) {
        picture.files.push_back({file.side,
                                 ScaledToSide(screens.width, screens.height, file.side).first,
                                 file.side >= kPhoneDisplaySide});
    }
    return picture;
}

std::string ScreenFolderPath(const std::string& album) {
    return album + "/" + kScreenSizeFolder;
}

void WriteScreenPictures(const ScreenSizes& screens, const std::string& album,
                         const std::string& outName, StagedSave& staged) {
    const std::string folder = ScreenFolderPath(album);
    for (const ScreenPicture& picture : screens.pictures)
        SavePictureBytes(staged.Stage(folder + "/" + ScreenPictureName(outName, picture.side)),
                         picture.bytes);
}

}  // namespace albumon
