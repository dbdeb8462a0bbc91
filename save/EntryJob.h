// What a save computes for one entry: the job, from its source and the save's settings, and the
// result, the files to write or the errors computing them raised.
#pragma once

#include <exception>
#include <optional>
#include <string>
#include <vector>

#include "renditions/OutputPictures.h"
#include "renditions/ScreenSizes.h"

namespace albumon {

// What one entry needs computed: its source, turn and the settings of the save.
struct EntryJob {
    std::string SourcePath;
    int Rotation = 0;
    int PanelWidth = 0;
    int ThumbSize = 0;
    int Quality = 0;
    PhotoOptions Photo;
    std::vector<int> ScreenSides;  // the screen-size pictures' long sides; none when empty
};

// The computed files of one entry, or the errors computing them raised: the thumbnail's, which
// stops the entry before anything is written, and the output picture's, which comes after the
// thumbnail is written.
struct EntryResult {
    std::optional<std::string> Thumbnail;
    OutputPicture Picture;
    std::exception_ptr ThumbnailError;
    std::exception_ptr PictureError;
    std::vector<PictureNotice> Notices;  // what the user is told about this entry
    ScreenSizes Screens;                 // the screen-size pictures, when the save makes them
    bool HasLocation = false;            // the picture written carries a location
};

}  // namespace albumon
