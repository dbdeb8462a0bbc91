// The screen-size pictures of a save's entries, computed beside the thumbnail and written after
// the output picture.
#include "ScreenPictures.h"

#include <filesystem>
#include <set>

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

std::vector<std::string> ScreenFilesThere(const AlbumState& state, const std::string& album) {
    std::set<std::string> bases;
    for (int k = 0; k < state.EntryCount; ++k) {
        const std::string& name = state.Entries[k].OutName;
        bases.insert(name.substr(0, name.rfind('.')));
    }
    std::vector<std::string> files;
    const std::string folder = ScreenFolderPath(album);
    std::error_code failed;
    for (const auto& item : std::filesystem::directory_iterator(folder, failed)) {
        const std::string name = item.path().filename().string();
        // base "." digits ".jpg"
        const auto last = name.size() >= 4 ? name.rfind('.', name.size() - 5) : std::string::npos;
        if (last == std::string::npos || name.compare(name.size() - 4, 4, ".jpg") != 0)
            continue;
        const std::string side = name.substr(last + 1, name.size() - 4 - last - 1);
        if (!side.empty() && side.find_first_not_of("0123456789") == std::string::npos &&
            bases.count(name.substr(0, last)) != 0)
            files.push_back(folder + "/" + name);
    }
    return files;
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
