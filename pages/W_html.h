// Album pages: template expansion and the copy of the template's support files.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "AlbumState.h"
#include "LinkPreview.h"
#include "PicturePlaceholders.h"

namespace albumon {

// A name as the text of a script string between double quotes: backslash, double quote and
// control characters escaped, every other byte as it is.
std::string ScriptStringText(std::string_view name);

// Expands the template at templatePath into the page at pagePath for entry entryIndex, with
// head as the title, pictures (when given) for the placeholders of screen-size pictures and the
// static photo list, and preview (when given) for the link-preview tags ("$$$PREVIEW$$$" gives
// nothing without it). Nothing
// is written when the template does not exist; file failures raise EInOutError, and a template or
// note that is no regular file EFOpenError (an earlier page stays).
void ExpandTemplate(const AlbumState& state, const std::string& head,
                    const std::string& templatePath, const std::string& pagePath, int entryIndex,
                    const AlbumPictures* pictures = nullptr, const LinkPreview* preview = nullptr);

// A file of the template's support folder that did not reach the album, and why.
struct LeftOutFile {
    std::string path;
    std::string why;
};

struct SupportCopy {
    std::vector<std::string> copied;  // the names of the files copied
    std::vector<LeftOutFile> leftOut;
};

// Copies every regular file of sourceFolder except "defpage.htm" and "defnote.jpg" (any letter
// case) into destFolder, replacing files of the same names. Both folders end with "/". Folders
// are passed over; a symbolic link is followed only to a file inside the template folder (the
// folder holding sourceFolder). A file that fails to copy, and a link leading elsewhere, a fifo,
// socket or device, is left out and the rest are copied; a support folder that is a link leading
// out of the template folder is left out as a whole. Never raises for a single file.
SupportCopy CopySupportFiles(const std::string& sourceFolder, const std::string& destFolder);

// The names of the files CopySupportFiles would copy from sourceFolder (ends with "/").
std::vector<std::string> SupportFileNames(const std::string& sourceFolder);

}  // namespace albumon
