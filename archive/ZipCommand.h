// The command line of the archiver's "Zip" operation: quoting, splitting and parsing, with the
// names of a response file.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace albumon {

// One creation request as the command line states it.
struct ZipCommand {
    bool junkPaths = false;      // -j: entries named by their file name alone
    bool updateOnly = false;     // -u: an entry is replaced only by a newer file
    bool includeHidden = false;  // -S: names beginning with "." are included by wildcards
    bool recurse = false;        // -r: folders are searched with their subfolders
    bool fileSync = false;       // -FS: entries of files this request does not name are removed
    int level = 6;               // -0 .. -9
    std::string archivePath;
    std::string baseDir;  // ends with "/", or empty
    std::vector<std::string> names;
};

// text in double quotes, a double quote inside it doubled.
std::string QuoteArgument(std::string_view text);

// Splits a command line at blanks outside double quotes; inside quotes a doubled quote is one.
// Returns nothing for an unterminated quote.
struct CommandArgument {
    std::string text;
    bool quoted = false;
};
std::optional<std::vector<CommandArgument>> SplitCommandLine(std::string_view line);

// Reads the bytes of a response file; false when it cannot be read.
using ResponseReader = std::function<bool(const std::string& path, std::string& bytes)>;

// Parses a command line: unquoted arguments beginning with "-" are switches; the first other
// argument is the archive, the second the base folder when it ends with "/"; the rest are
// names, empty ones left out. An argument "@path" reads names from the response file path,
// split like a command line with line ends as blanks (one quoted name a line is the usual
// form; a quoted name may hold a line break). Returns nothing for an unknown switch, a missing
// archive, a bad quote or a response file that cannot be read.
std::optional<ZipCommand> ParseZipCommand(std::string_view line, const ResponseReader& read);

}  // namespace albumon
