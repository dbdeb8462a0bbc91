// The command line of albumon-make.
#include "MakeOptions.h"

#include <charconv>
#include <filesystem>
#include <initializer_list>
#include <string_view>

namespace albumon {

namespace {

// Walks the arguments, handing out option values given as "--opt VALUE" or "--opt=VALUE".
class ArgReader {
  public:
    explicit ArgReader(const std::vector<std::string>& args) : args_(args) {}

    bool Next() {
        if (index_ >= args_.size())
            return false;
        const std::string& arg = args_[index_++];
        auto equals = arg.find('=');
        if (arg.rfind("--", 0) == 0 && equals != std::string::npos) {
            name_ = arg.substr(0, equals);
            attached_ = arg.substr(equals + 1);
        } else {
            name_ = arg;
            attached_.reset();
        }
        return true;
    }
    const std::string& Name() const { return name_; }
    bool Attached() const { return attached_.has_value(); }

    // The value when it is attached or the next argument is one of words; else none, and the
    // next argument stays for the caller.
    std::optional<std::string> OptionalWord(std::initializer_list<const char*> words) {
        if (attached_)
            return attached_;
        for (const char* word : words) {
            if (index_ < args_.size() && args_[index_] == word)
                return args_[index_++];
        }
        return std::nullopt;
    }
    // The next argument, left for the caller; nullptr at the end.
    const std::string* Peek() const { return index_ < args_.size() ? &args_[index_] : nullptr; }

    std::string Value() {
        if (attached_)
            return *attached_;
        if (index_ >= args_.size())
            throw UsageError("オプション " + name_ + " には値が必要です");
        return args_[index_++];
    }

    int Number(int min, int max) { return NumberIn(Value(), min, max); }

    // The value as a number, or wordValue when it is word.
    int NumberOr(const char* word, int wordValue, int min, int max) {
        std::string text = Value();
        return text == word ? wordValue : NumberIn(text, min, max);
    }

  private:
    int NumberIn(const std::string& text, int min, int max) {
        int value = 0;
        auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
        if (error != std::errc() || end != text.data() + text.size() || value < min ||
            value > max) {
            throw UsageError("オプション " + name_ + " には " + std::to_string(min) + " から " +
                             std::to_string(max) + " までの整数を指定してください（「" + text +
                             "」は使えません）");
        }
        return value;
    }

    const std::vector<std::string>& args_;
    std::size_t index_ = 0;
    std::string name_;
    std::optional<std::string> attached_;
};

// The order after --sort: name or date, attached or as the next argument; a bare --sort sorts by
// name. A next word that is neither, is no option and names nothing on disk is a mistyped
// order, not an input.
MakeSort SortOrder(ArgReader& reader) {
    std::optional<std::string> order = reader.OptionalWord({"name", "date"});
    const std::string* next = reader.Peek();
    std::error_code error;
    if (!order && next != nullptr && !next->empty() && next->front() != '-' &&
        !std::filesystem::exists(*next, error)) {
        order = *next;
    }
    if (order && *order != "name" && *order != "date") {
        throw UsageError("オプション --sort には name か date を指定してください（「" + *order +
                         "」は使えません）");
    }
    return order == "date" ? MakeSort::ByDate : MakeSort::ByName;
}

// The value of --public-url: an http or https address.
std::string PublicUrl(ArgReader& reader) {
    std::string url = reader.Value();
    const auto starts = [&url](const char* scheme) {
        return url.rfind(scheme, 0) == 0 && url.size() > std::string_view(scheme).size();
    };
    if (!starts("https://") && !starts("http://")) {
        throw UsageError(
            "オプション --public-url には https:// か http:// で始まるアドレスを"
            "指定してください（「" +
            url + "」は使えません）");
    }
    return url;
}

bool AlbumOption(ArgReader& reader, MakeOptions& options) {
    const std::string& name = reader.Name();
    if (name == "-o" || name == "--out") {
        options.out = reader.Value();
    } else if (name == "--head") {
        options.head = reader.Value();
    } else if (name == "--start") {
        options.start = reader.Number(1, 999);
    } else if (name == "--template") {
        options.templateDir = reader.Value();
    } else if (name == "--prefix") {
        options.prefix = reader.Value();
    } else if (name == "--thumb-size") {
        options.thumbSize = reader.Number(32, 128);
    } else if (name == "--quality") {
        options.quality = reader.Number(1, 100);
    } else if (name == "--convert-quality") {
        options.convertQuality = reader.Number(1, 100);
    } else if (name == "--display-size") {
        options.displaySize = reader.NumberOr("off", 0, 1281, 16384);
    } else if (name == "--public-url") {
        options.publicUrl = PublicUrl(reader);
    } else if (name == "--sort") {
        options.sort = SortOrder(reader);
    } else if (name == "--publish") {
        options.publish = reader.Value();
    } else {
        return false;
    }
    return true;
}

bool Flag(ArgReader& reader, MakeOptions& options) {
    struct FlagOption {
        const char* name;
        bool MakeOptions::*member;
        bool value;
    };
    static const FlagOption kFlags[] = {
        {"--zip", &MakeOptions::zip, true},
        {"--replace", &MakeOptions::replace, true},
        {"--rebuild", &MakeOptions::rebuild, true},
        {"--keep-names", &MakeOptions::keepNames, true},
        {"--dry-run", &MakeOptions::dryRun, true},
        {"-q", &MakeOptions::quiet, true},
        {"--quiet", &MakeOptions::quiet, true},
        {"-h", &MakeOptions::help, true},
        {"--help", &MakeOptions::help, true},
        {"--version", &MakeOptions::version, true},
        {"--lossless-turns", &MakeOptions::losslessTurns, true},
        {"--strip-location", &MakeOptions::stripLocation, true},
        {"--keep-location", &MakeOptions::stripLocation, false},
        {"--plan", &MakeOptions::plan, true},
    };
    for (const auto& [flag, member, value] : kFlags) {
        if (reader.Name() != flag)
            continue;
        if (reader.Attached())
            throw UsageError("オプション " + reader.Name() + " は値をとりません");
        options.*member = value;
        return true;
    }
    return false;
}

bool EntryOption(ArgReader& reader, MakeOptions& options) {
    const std::string& name = reader.Name();
    MakeStep step;
    if (name == "--rotate") {
        step = {MakeStep::Rotate, {}, reader.Number(0, 3)};
    } else if (name == "--note-above") {
        step = {MakeStep::NoteAbove, reader.Value()};
    } else if (name == "--note-below") {
        step = {MakeStep::NoteBelow, reader.Value()};
    } else if (name == "--name") {
        step = {MakeStep::Name, reader.Value()};
        if (step.text.empty())
            throw UsageError("オプション --name には名前が必要です");
    } else if (name == "--keep" || name == "--auto") {
        if (reader.Attached())
            throw UsageError("オプション " + name + " は値をとりません");
        step.kind = name == "--keep" ? MakeStep::Keep : MakeStep::Auto;
    } else if (name == "--comment" || name == "--list") {
        options.steps.push_back(
            {name == "--list" ? MakeStep::List : MakeStep::Comment, reader.Value()});
        return true;
    } else {
        return false;
    }
    bool afterEntry = false;
    for (const MakeStep& earlier : options.steps) {
        afterEntry = afterEntry || earlier.kind == MakeStep::Input ||
                     earlier.kind == MakeStep::Comment || earlier.kind == MakeStep::List;
    }
    if (!afterEntry)
        throw UsageError("オプション " + name + " はその前の入力に付けてください");
    options.steps.push_back(step);
    return true;
}

}  // namespace

MakeOptions ParseMakeOptions(const std::vector<std::string>& args) {
    MakeOptions options;
    ArgReader reader(args);
    bool onlyInputs = false;
    while (reader.Next()) {
        const std::string& name = reader.Name();
        if (onlyInputs || name.empty() || name[0] != '-' || name == "-") {
            options.steps.push_back({MakeStep::Input, name});
        } else if (name == "--") {
            onlyInputs = true;
        } else if (!AlbumOption(reader, options) && !Flag(reader, options) &&
                   !EntryOption(reader, options)) {
            throw UsageError("不明なオプションです: " + name);
        }
    }
    if (options.help || options.version)
        return options;
    bool anyInput = false;
    for (const MakeStep& step : options.steps)
        anyInput = anyInput || step.kind == MakeStep::Input || step.kind == MakeStep::List;
    if (!anyInput)
        throw UsageError("入力がありません");
    return options;
}

std::string MakeUsage() {
    return "Usage: albumon-make [OPTION]... INPUT...\n"
           "Makes one Albumon album from JPEG, HEIF, PNG and WebP files and folders, in the\n"
           "order given.\n"
           "An album of the same head text in the output folder that an earlier save made is\n"
           "replaced without a question; files in the way that no save of the album wrote,\n"
           "or that were changed since, are replaced only with --replace.\n"
           "Files an earlier save made that this one would make the same are kept as they\n"
           "are (or renamed); --rebuild makes everything again.\n"
           "\n"
           "Per entry (apply to the entry added last by the preceding INPUT):\n"
           "  --rotate N          clockwise quarter turns, 0..3\n"
           "  --note-above FILE   the entry's note, shown above the picture\n"
           "  --note-below FILE   the entry's note, shown below the picture\n"
           "  --name NAME         output name NAME + .jpg (a picture extension typed is dropped)\n"
           "  --keep, --auto      keep the source file name / number automatically\n"
           "  --comment FILE      insert a commentary entry with FILE as its note\n"
           "  --list FILE         add the entries of FILE, one a line, tab-separated: path,\n"
           "                      turns, note position (above/below), note file, output name;\n"
           "                      empty fields keep the defaults, an empty path is a\n"
           "                      commentary entry\n"
           "\n"
           "Album:\n"
           "  -o, --out DIR       output folder (default: the current folder)\n"
           "  --head TEXT         head text (default 無題)\n"
           "  --start N           first running number, 1..999 (default 1)\n"
           "  --template DIR      template folder holding Def.htm (default: Def beside the "
           "program)\n"
           "  --prefix TEXT       thumbnail prefix (default $_)\n"
           "  --thumb-size N      thumbnail long side, 32..128 (default 64)\n"
           "  --quality N         JPEG quality of turned pictures, 1..100 (default 50)\n"
           "  --convert-quality Q JPEG quality of pictures made from HEIF, PNG and WebP,\n"
           "                      1..100 (default 90)\n"
           "  --display-size N|off long side of the display copies a template asking for\n"
           "                      screen sizes gets, 1281..16384, or none (default 2048)\n"
           "  --public-url URL    the album's address on the web (https://...), the published\n"
           "                      album's when publishing: the index and the pages get\n"
           "                      link-preview tags and covers\n"
           "  --zip               also make HEAD.zip\n"
           "  --replace           also replace files in the way that are not the album's own\n"
           "                      (a hand-made album, a file changed since the last save)\n"
           "  --rebuild           make every file again, keeping nothing of an earlier save\n"
           "  --keep-names        new entries keep their source file names\n"
           "  --lossless-turns    turn pictures without re-encoding where their size allows\n"
           "  --keep-location     keep the place (GPS, XMP, IPTC) in the pictures; a warning\n"
           "                      counts those that still carry one\n"
           "  --strip-location    leave the place out of every picture (the default)\n"
           "  --sort [name|date]  sort the entries before saving: by path (name, the default)\n"
           "                      or by the date taken (date: EXIF DateTimeOriginal, equal\n"
           "                      times by path, pictures without a date last in their order)\n"
           "  --publish DEST      after the save, publish the album to "
           "sftp://USER@HOST[:PORT]/PATH/\n"
           "                      or ftps://USER@HOST[:PORT]/PATH/: only changed files go up,\n"
           "                      the index last; keys from ssh-agent or ~/.ssh, the host\n"
           "                      must be in ~/.ssh/known_hosts; a password is asked on a\n"
           "                      terminal only; the files and KB sent go to stderr\n"
           "  --dry-run           print the output list and write nothing\n"
           "  --plan              print one tab-separated row per entry (source path, output\n"
           "                      name, turns, note position) and write nothing\n"
           "  -q, --quiet         no progress and no summary\n"
           "  -h, --help          this text\n"
           "  --version           the version\n";
}

}  // namespace albumon
