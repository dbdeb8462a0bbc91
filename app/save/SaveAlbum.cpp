// The save of an album, shared by the window and the command-line save.
#include "SaveAlbum.h"

#include "FileSystem.h"
#include "Images.h"
#include "Paths.h"
#include "PictureView.h"
#include "W_html.h"

namespace albumon {

std::string AlbumFolderPath(const AlbumState& state, const std::string& head) {
    return state.OutPath + head + ".files";
}

void SaveAlbum(AlbumState& state, PictureView& view, const std::string& head,
               const SaveProgress& progress) {
    const int count = state.EntryCount;
    if (progress)
        progress(0, count);
    const std::string album = AlbumFolderPath(state, head);
    if (!DirectoryExists(album))
        ForceDirectories(album);
    const std::string pageTemplate = state.TemplatePath + "Def.files/DefPage.htm";
    for (int k = 0; k < count; ++k) {
        const EntryRecord& entry = state.Entries[k];
        const std::string picture = album + "/" + entry.OutName;
        WritePicture(view, entry.SourcePath, picture, state.ThumbPrefix, entry.Rotation,
                     kPreviewPanelWidth, state.ThumbSize, state.JpegQuality, true);
        if (entry.NotePos != npNone) {
            ExpandTemplate(state, head, pageTemplate, ReplaceExtension(picture, ".htm"), k);
        }
        if (progress)
            progress(k, count);
    }
    ExpandTemplate(state, head, state.TemplatePath + "Def.htm", state.OutPath + head + ".htm", 0);
    CopySupportFiles(state.TemplatePath + "Def.files/", album + "/");
    ClearAlbum(state);
}

}  // namespace albumon
