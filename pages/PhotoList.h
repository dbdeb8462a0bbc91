// The photo list of an index page as plain HTML: what a visitor without scripts and a crawler
// see of the album, and what the default template's script builds its cards over.
#pragma once

#include <string>
#include <vector>

#include "AlbumState.h"
#include "PicturePlaceholders.h"

namespace albumon {

// The block placeholder of the list and the inline one of the album folder's relative URL.
inline constexpr const char* kPhotoListPlaceholder = "$$$PHOTOLIST$$$";
inline constexpr const char* kAlbumFolderPlaceholder = "$$$ALBUMFOLDER$$$";
// The inline placeholder of the head text as HTML text (escaped).
inline constexpr const char* kHeadingPlaceholder = "$$$HEADING$$$";

// The album folder of head as a relative URL from the index page (head + ".files", escaped).
std::string AlbumFolderUrl(const std::string& head);

// One list item a line for every live entry i, numbered from 1:
// <li class="card"><a class="card-link" href="..."><span class="thumb"><img ...>
// </span><span class="caption"><span class="number">N</span><span class="name">CAPTION</span>
// </span></a></li>, linking the entry's page (with the class has-page and a badge "解説") or
// else its picture. The thumbnail is its smallest card thumbnail with the larger ones as 2x and
// 3x and its width and height, when pictures knows them, else the template's thumbnail; its alt
// text is the caption, or the picture's name when the note has no text. Lazily loaded: a script
// that builds its own cards over the list before the page is first laid out loads none of them.
// The items carry no id: a fragment naming a card ("#entry-N") is left to the cards a script
// builds, so that the browser does not take the focus back to the page for an item of the list.
std::vector<std::string> PhotoListLines(const AlbumState& state, const std::string& head,
                                        const AlbumPictures* pictures);

}  // namespace albumon
