// Fuzz target for the text-file line rules, template expansion and the note import: the input is
// split into a template and a note; lines written and split again must come back the same, and
// a page written with the note must give the note back.
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "AlbumState.h"
#include "FileSystem.h"
#include "TextFile.h"
#include "W_html.h"

namespace {

using albumon::AlbumState;

void Check(bool condition) {
    if (!condition)
        std::abort();
}

std::string& Folder() {
    static std::string folder;
    return folder;
}

void RemoveWorkFolder() {
    albumon::EmptyWorkFolder(Folder());
    ::rmdir(Folder().c_str());
}

// A work folder for this process, made once, reused by every input and removed at exit.
const std::string& WorkFolder() {
    if (Folder().empty()) {
        std::string pattern = "/tmp/albumon-fuzz-XXXXXX";
        Check(::mkdtemp(pattern.data()) != nullptr);
        Folder() = pattern;
        std::atexit(RemoveWorkFolder);
    }
    return Folder();
}

void WriteBytes(const std::string& path, std::string_view bytes) {
    Check(albumon::WriteFileAtomically(path, bytes.data(), bytes.size()) == 0);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::string_view input(reinterpret_cast<const char*>(data), size);
    auto cut = input.find('\0');
    std::string_view templateBytes = input.substr(0, cut);
    std::string_view noteBytes = cut == std::string_view::npos ? "" : input.substr(cut + 1);

    // Lines written with CR LF and split again are the same lines.
    auto lines = albumon::SplitTextLines(noteBytes);
    std::string written;
    for (const auto& line : lines)
        written += line + "\r\n";
    Check(albumon::SplitTextLines(written) == lines);

    const std::string& work = WorkFolder();
    AlbumState state;
    state.TempPath = work;
    state.EntryCount = 2;
    state.Entries[0] = {work + "/pic.jpg", 0, "pic.jpg", 0, albumon::npBelow, 1};
    state.Entries[1] = {work + "/b.jpg", 2, "b", 0, albumon::npAbove, 2};
    WriteBytes(albumon::NoteFilePath(state, state.Entries[0]), noteBytes);
    WriteBytes(albumon::NoteFilePath(state, state.Entries[1]), noteBytes);

    // Any template expands without failing.
    WriteBytes(work + "/t.htm", templateBytes);
    albumon::ExpandTemplate(state, "head", work + "/t.htm", work + "/out.htm", cut % 2);

    // A page holding the note gives it back, also when the note holds a marker.
    WriteBytes(work + "/p.htm", "<p>$$$PRENOTE$$$</p>$$$POSTNOTE$$$\r\n");
    albumon::ExpandTemplate(state, "head", work + "/p.htm", work + "/pic.htm", 0);
    AlbumState again;
    again.TempPath = work;
    again.EntryCount = 1;
    again.Entries[0] = {work + "/pic.jpg", 0, "", 0, 0, 9};
    albumon::ImportPageNotes(again, 0);
    Check(again.Entries[0].NotePos == albumon::npBelow);
    Check(albumon::ReadTextLines(albumon::NoteFilePath(again, again.Entries[0])) == lines);
    return 0;
}
