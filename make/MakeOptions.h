// The command line of albumon-make: album options, and the inputs in order with the per-entry
// options that follow each.
#pragma once

#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

namespace albumon {

// A command line that cannot be used: the message says why.
class UsageError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

// One input or per-entry option, in command-line order.
struct MakeStep {
    enum Kind { Input, Rotate, NoteAbove, NoteBelow, Name, Keep, Auto, Comment, List };
    Kind kind = Input;
    std::string text;  // the input path, note file, name or list file
    int number = 0;    // quarter turns for Rotate
};

// The order --sort puts the entries in before saving.
enum class MakeSort { None, ByName, ByDate };

struct MakeOptions {
    std::string out;  // empty: the current folder
    std::optional<std::string> head;
    int start = 1;
    std::string templateDir;  // empty: Def/ beside the program
    std::string prefix = "$_";
    int thumbSize = 64;
    int quality = 50;
    int convertQuality = 90;
    int displaySize = 2048;  // 0: no display copies
    std::string publicUrl;   // the album's address on the web; empty: no link previews
    bool zip = false;
    bool replace = false;  // files in the way that are not the album's own are replaced
    bool rebuild = false;  // every file made again, nothing kept of an earlier save
    bool keepNames = false;
    bool losslessTurns = false;
    bool stripLocation = true;  // --keep-location clears it, --strip-location sets it again
    MakeSort sort = MakeSort::None;
    std::string publish;  // empty: no publish
    bool dryRun = false;
    bool plan = false;
    bool quiet = false;
    bool help = false;
    bool version = false;
    std::vector<MakeStep> steps;
};

// Reads the arguments (without the program name); "--sort" takes "name" or "date" as its value
// when one follows (a bare "--sort" sorts by name). Raises UsageError for an unknown option, a
// missing or out-of-range value, a per-entry option before any input, or no input at all.
MakeOptions ParseMakeOptions(const std::vector<std::string>& args);

// The short usage text.
std::string MakeUsage();

}  // namespace albumon
