// albumon-make's entry lists and plan rows.
#include "MakeList.h"

#include "EntryFiles.h"
#include "Errors.h"
#include "FileSystem.h"
#include "Paths.h"

namespace albumon {

namespace {

std::vector<std::string> Split(const std::string& text, char separator) {
    std::vector<std::string> parts;
    std::string::size_type begin = 0;
    for (auto end = text.find(separator); end != std::string::npos;
         end = text.find(separator, begin)) {
        parts.push_back(text.substr(begin, end - begin));
        begin = end + 1;
    }
    parts.push_back(text.substr(begin));
    return parts;
}

// The steps of one line's fields; raises a plain message that the caller places.
void LineSteps(std::vector<std::string> fields, const std::string& folder,
               std::vector<MakeStep>& steps) {
    if (fields.size() > 5)
        throw Exception("欄が五つより多くあります");
    fields.resize(5);
    const std::string& path = fields[0];
    const std::string& turns = fields[1];
    const std::string& position = fields[2];
    const std::string& note = fields[3];
    const std::string& name = fields[4];
    auto resolve = [&folder](const std::string& file) {
        return file.empty() || file.front() == '/' ? file : folder + file;
    };
    if (path.empty()) {
        if (note.empty())
            throw Exception("解説文（パスが空の行）にはメモのファイルが必要です");
        steps.push_back({MakeStep::Comment, resolve(note)});
    } else {
        steps.push_back({MakeStep::Input, resolve(path)});
    }
    if (!turns.empty()) {
        if (turns.size() != 1 || turns[0] < '0' || turns[0] > '3')
            throw Exception("回転は 0、1、2、3 のどれかです（「" + turns + "」は使えません）");
        steps.push_back({MakeStep::Rotate, {}, turns[0] - '0'});
    }
    if (!position.empty() && position != "above" && position != "below")
        throw Exception("メモの位置は above か below です（「" + position + "」は使えません）");
    if (!path.empty() && !note.empty()) {
        steps.push_back(
            {position == "above" ? MakeStep::NoteAbove : MakeStep::NoteBelow, resolve(note)});
    } else if (path.empty() && position == "above") {
        steps.push_back({MakeStep::NoteAbove, resolve(note)});
    }
    if (!name.empty())
        steps.push_back({MakeStep::Name, name});
}

}  // namespace

std::vector<MakeStep> ReadMakeList(const std::string& path) {
    std::string bytes;
    if (int error = ReadWholeFile(path, bytes); error != 0)
        throw Exception(path + ": " + InOutErrorText(error));
    // A list saved by an editor that marks UTF-8 begins with a byte order mark.
    if (bytes.rfind("\xEF\xBB\xBF", 0) == 0)
        bytes.erase(0, 3);
    std::string folder = FolderPart(path);
    std::vector<MakeStep> steps;
    std::vector<std::string> lines = Split(bytes, '\n');
    for (std::size_t k = 0; k < lines.size(); ++k) {
        std::string& line = lines[k];
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        if (line.empty())
            continue;
        try {
            LineSteps(Split(line, '\t'), folder, steps);
        } catch (const Exception& error) {
            throw Exception(path + ":" + std::to_string(k + 1) + ": " + error.what());
        }
    }
    return steps;
}

std::vector<std::string> PlanRows(const AlbumState& state) {
    std::vector<std::string> rows;
    for (int k = 0; k < state.EntryCount; ++k) {
        const EntryRecord& entry = state.Entries[k];
        const char* note = entry.NotePos == npAbove   ? "above"
                           : entry.NotePos == npBelow ? "below"
                                                      : "none";
        rows.push_back(entry.SourcePath + "\t" + entry.OutName + "\t" +
                       std::to_string(entry.Rotation) + "\t" + note);
    }
    for (const NameCollision& collision : FindNameCollisions(state)) {
        for (const auto& [row, other] : {std::pair{collision.First, collision.Second},
                                         std::pair{collision.Second, collision.First}}) {
            std::string& text = rows[static_cast<std::size_t>(row)];
            text += text.find("\tcollides:") == std::string::npos ? "\tcollides:" : ",";
            text += std::to_string(other + 1);
        }
    }
    return rows;
}

}  // namespace albumon
