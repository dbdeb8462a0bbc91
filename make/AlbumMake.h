// albumon-make's work: builds the album state from the inputs and runs the shared save.
#pragma once

#include <iosfwd>
#include <string>

#include "MakeOptions.h"

namespace albumon {

// Makes the album the options describe. defaultTemplate (ending with "/") is the template
// folder used without --template. Returns the exit status: 0 success, 1 the save or an input
// failed, 2 an album the save refuses before writing anything (SaveProblem: names that lead
// out of their folder, collide, are too long or not UTF-8, "\" with a zip, an output folder in
// the template).
int RunMake(const MakeOptions& options, const std::string& defaultTemplate, std::ostream& out,
            std::ostream& err, bool progressBar);

}  // namespace albumon
