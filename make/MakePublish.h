// albumon-make's publish after the save: the terminal's password prompt, the progress and the
// summary.
#pragma once

#include <iosfwd>
#include <string>

#include "Destination.h"

namespace albumon {

// Publishes the album head saved in outFolder (ending with "/") to destination; certificates
// the window's settings accept are accepted here too. Unless quiet, the progress goes to err:
// one line redrawn when err is a terminal, else a line for each file. Returns the exit status:
// 0 published, 1 not (the message on err).
int PublishSaved(const Destination& destination, const std::string& outFolder,
                 const std::string& head, std::ostream& out, std::ostream& err, bool quiet,
                 bool terminal);

}  // namespace albumon
