// The command line of the archiver's "Zip" operation: quoting, splitting and parsing.
#include "ZipCommand.h"

namespace albumon {

namespace {

bool IsBlank(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

bool ApplySwitches(std::string_view letters, ZipCommand& command) {
    for (std::size_t i = 0; i < letters.size(); ++i) {
        const char c = letters[i];
        if (c == 'F' && i + 1 < letters.size() && letters[i + 1] == 'S') {
            command.fileSync = true;
            ++i;
        } else if (c >= '0' && c <= '9') {
            command.level = c - '0';
        } else if (c == 'j') {
            command.junkPaths = true;
        } else if (c == 'u') {
            command.updateOnly = true;
        } else if (c == 'S') {
            command.includeHidden = true;
        } else if (c == 'r') {
            command.recurse = true;
        } else {
            return false;
        }
    }
    return true;
}

bool AddResponseNames(const std::string& path, const ResponseReader& read, ZipCommand& command) {
    std::string bytes;
    if (!read || !read(path, bytes))
        return false;
    auto arguments = SplitCommandLine(bytes);
    if (!arguments)
        return false;
    for (auto& argument : *arguments) {
        if (!argument.text.empty())
            command.names.push_back(std::move(argument.text));
    }
    return true;
}

}  // namespace

std::string QuoteArgument(std::string_view text) {
    std::string quoted = "\"";
    for (char c : text) {
        quoted += c;
        if (c == '"')
            quoted += '"';
    }
    return quoted + "\"";
}

std::optional<std::vector<CommandArgument>> SplitCommandLine(std::string_view line) {
    std::vector<CommandArgument> arguments;
    std::size_t i = 0;
    while (i < line.size()) {
        if (IsBlank(line[i])) {
            ++i;
            continue;
        }
        CommandArgument argument;
        bool inQuotes = false;
        for (; i < line.size() && (inQuotes || !IsBlank(line[i])); ++i) {
            char c = line[i];
            if (c != '"') {
                argument.text += c;
            } else if (inQuotes && i + 1 < line.size() && line[i + 1] == '"') {
                argument.text += '"';
                ++i;
            } else {
                inQuotes = !inQuotes;
                argument.quoted = true;
            }
        }
        if (inQuotes)
            return std::nullopt;
        arguments.push_back(std::move(argument));
    }
    return arguments;
}

std::optional<ZipCommand> ParseZipCommand(std::string_view line, const ResponseReader& read) {
    auto arguments = SplitCommandLine(line);
    if (!arguments)
        return std::nullopt;
    ZipCommand command;
    int positional = 0;
    for (auto& argument : *arguments) {
        const std::string& text = argument.text;
        if (!argument.quoted && text.size() > 1 && text[0] == '-') {
            if (!ApplySwitches(std::string_view(text).substr(1), command))
                return std::nullopt;
        } else if (positional == 0) {
            command.archivePath = text;
            ++positional;
        } else if (!text.empty() && text[0] == '@') {
            if (!AddResponseNames(text.substr(1), read, command))
                return std::nullopt;
            positional = 2;
        } else if (positional == 1 && !text.empty() && text.back() == '/') {
            command.baseDir = text;
            ++positional;
        } else {
            if (!text.empty())
                command.names.push_back(text);
            positional = 2;
        }
    }
    if (command.archivePath.empty())
        return std::nullopt;
    return command;
}

}  // namespace albumon
