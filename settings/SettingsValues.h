// The values the settings file carries from one run to the next.
#pragma once

#include <string>

namespace albumon {

struct SettingsValues {
    int WindowTop = 50;
    int WindowLeft = 50;
    int WindowWidth = 577;  // the window's size in its normal state
    int WindowHeight = 490;
    bool WindowMaximized = false;
    std::string InPath;        // no trailing "/"
    std::string OutPath;       // ends with "/"
    std::string TemplatePath;  // ends with "/"; holds "Def.htm"
    int JpegQuality = 50;
    bool MakeZip = false;
    std::string ThumbPrefix = "$_";
    int ThumbSize = 64;
    bool KeepNameDefault = false;
    bool LosslessTurns = false;  // turn pictures on their coefficients where the size allows
    bool StripLocation = false;  // leave location data out of the album's pictures
    int ConvertQuality = 90;     // 1..100: the JPEGs made from HEIF, PNG and WebP pictures
    int DisplaySize = 2048;      // long side of the display copies; 0 makes none
    bool FileListIcons = false;  // the folder's file list shows its pictures as icons
    std::string PublicUrl;       // the album's address on the web; empty: no link previews
};

}  // namespace albumon
