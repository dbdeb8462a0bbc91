// Album pages: template expansion and the copy of the template's support files.
#pragma once

#include <string>
#include <vector>

#include "AlbumState.h"

namespace albumon {

// Expands the template at templatePath into the page at pagePath for entry entryIndex, with
// head as the title. Nothing is written when the template does not exist; file failures raise
// EInOutError (lines written so far stay).
void ExpandTemplate(const AlbumState& state, const std::string& head,
                    const std::string& templatePath, const std::string& pagePath, int entryIndex);

// Copies every plain file of sourceFolder except "defpage.htm" and "defnote.jpg" (any letter
// case) into destFolder, replacing files of the same names. Both folders end with "/". A file
// that fails to copy is passed over and the rest are copied; then EFCreateError names the first
// file that failed. Returns the names of the files copied.
std::vector<std::string> CopySupportFiles(const std::string& sourceFolder,
                                          const std::string& destFolder);

}  // namespace albumon
