// The placeholders of screen-size pictures and captions: what a template uses to ask the save
// for card thumbnails and display copies, and the texts they expand to.
#pragma once

#include <string>
#include <vector>

#include "AlbumState.h"

namespace albumon {

// The block placeholder of the picture list and the inline ones of one entry's picture.
inline constexpr const char* kPicturesPlaceholder = "$$$PICTURES$$$";
inline constexpr const char* kSrcsetPlaceholder = "$$$SRCSET$$$";
inline constexpr const char* kWidthPlaceholder = "$$$WIDTH$$$";
inline constexpr const char* kHeightPlaceholder = "$$$HEIGHT$$$";

// One screen-size picture of an entry: its long side (which names it) and its width.
struct ScreenFile {
    int side = 0;
    int width = 0;
    bool display = false;  // a display copy, not a card thumbnail
};

// The file name of outName's screen-size picture with long side side: outName without its
// extension, ".", side, ".jpg" (trip001.jpg gives trip001.480.jpg).
std::string ScreenPictureName(const std::string& outName, int side);

// What the save made of one entry's picture.
struct EntryPicture {
    int width = 0;  // the output picture's upright size; 0 when unknown
    int height = 0;
    std::vector<ScreenFile> files;  // ascending
};

// The pictures of a save's entries (by entry index) and the album sub-folder of their files.
struct AlbumPictures {
    std::string folder;
    std::vector<EntryPicture> entries;
};

// Whether the index or the page template of templateFolder (ending with "/") uses
// "$$$PICTURES$$$" or "$$$SRCSET$$$": only then does a save make screen-size pictures.
bool TemplateAsksScreenSizes(const std::string& templateFolder);

// The first line of an entry's note with text in it, markup removed and character references
// read, spaces run together; empty when the entry has no note.
std::string NoteFirstLine(const AlbumState& state, const EntryRecord& entry);

// The caption of an entry: NoteFirstLine shortened with "…" beyond 24 characters.
std::string NoteCaption(const AlbumState& state, const EntryRecord& entry);

// The lines of "$$$PICTURES$$$": PictureFolder, then for every live entry i one line
// Picture[i]={width:W,height:H,cards:[S,...],views:[S,...],extension:".jpg",caption:"C"};
// (cards: the long sides of its card thumbnails, views: of its display copies).
std::vector<std::string> PictureListLines(const AlbumState& state, const AlbumPictures* pictures);

// "$$$SRCSET$$$" of entry k on its page: its display copies and its output picture as a srcset
// value with width descriptors (empty when its width is unknown).
std::string SrcsetText(const AlbumState& state, const AlbumPictures* pictures, int k);

// The entry's width or height in decimal, empty when unknown.
std::string SizeText(const AlbumPictures* pictures, int k, bool height);

}  // namespace albumon
