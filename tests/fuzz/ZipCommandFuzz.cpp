// Fuzz target: the archiver's command-line parser. The input is a command line, optionally
// followed by a NUL byte and the text of the response file. Whatever parses must parse the same
// after being written out again, with its names passed through a response file.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "ZipCommand.h"

namespace {

bool Same(const albumon::ZipCommand& a, const albumon::ZipCommand& b) {
    return a.junkPaths == b.junkPaths && a.updateOnly == b.updateOnly &&
           a.includeHidden == b.includeHidden && a.recurse == b.recurse && a.level == b.level &&
           a.archivePath == b.archivePath && a.baseDir == b.baseDir && a.names == b.names;
}

albumon::ResponseReader Reader(std::string text) {
    return [text](const std::string&, std::string& bytes) {
        bytes = text;
        return true;
    };
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace albumon;
    std::string input(reinterpret_cast<const char*>(data), size);
    std::size_t nul = input.find('\0');
    std::string line = input.substr(0, nul);
    std::string response = nul == std::string::npos ? std::string() : input.substr(nul + 1);
    auto command = ParseZipCommand(line, Reader(response));
    if (!command)
        return 0;

    std::string rebuilt = "-";
    if (command->junkPaths)
        rebuilt += "j";
    if (command->updateOnly)
        rebuilt += "u";
    if (command->includeHidden)
        rebuilt += "S";
    if (command->recurse)
        rebuilt += "r";
    rebuilt += std::to_string(command->level) + " " + QuoteArgument(command->archivePath) + " ";
    if (!command->baseDir.empty())
        rebuilt += QuoteArgument(command->baseDir) + " ";
    std::string names;
    for (const auto& name : command->names)
        names += QuoteArgument(name) + "\r\n";
    rebuilt += QuoteArgument("@response");
    auto again = ParseZipCommand(rebuilt, Reader(names));
    if (!again || !Same(*command, *again))
        std::abort();
    return 0;
}
