// albumon-make's work: builds the album state from the inputs and runs the shared save.
#pragma once

#include <iosfwd>
#include <string>

#include "MakeOptions.h"

namespace albumon {

// Makes the album the options describe. defaultTemplate (ending with "/") is the template
// folder used without --template. Returns the exit status: 0 success, 1 the save, an input or
// the publish (--publish, after the save) failed, 2 an album the save refuses before writing
// anything (SaveProblem: names that lead out of their folder, collide, are too long or not UTF-8,
// "\" with a zip, an output folder in the template, a symbolic link where the album goes;
// EForeignFiles: files in the way that are not the album's own, without --replace; a --publish
// destination that cannot be used, such as ftp://). An input album
// a save left half done is first repaired, or, for --plan and --dry-run, which write nothing,
// refused with exit 1.
int RunMake(const MakeOptions& options, const std::string& defaultTemplate, std::ostream& out,
            std::ostream& err, bool progressBar);

}  // namespace albumon
