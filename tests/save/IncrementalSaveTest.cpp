// A save over an earlier save of the same album keeps what still fits: each part of what shapes a
// file (the link-preview covers too) flipped one at a time makes again exactly the files whose
// bytes change, and the album is always byte for byte what a clean save into an empty folder
// makes.
#include <fcntl.h>
#include <sys/stat.h>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <set>

#include "AlbumReadBack.h"
#include "ArchiveCtrls.h"
#include "PhoneFormatFixtures.h"
#include "PhotoFixtures.h"
#include "SaveFixture.h"
#include "SaveRecord.h"
#include "TextFile.h"

namespace albumon {
namespace {

namespace fs = std::filesystem;
using test::SaveAlbumTest;

struct FileState {
    ino_t file = 0;
    std::string bytes;
};
using Snapshot = std::map<std::string, FileState>;

// Every file of the album (the record aside) by its path below out, with its file number.
Snapshot Take(const std::string& out) {
    Snapshot files;
    for (const auto& item : fs::recursive_directory_iterator(out)) {
        if (!item.is_regular_file() || item.path().filename() == test::kSaveRecord)
            continue;
        struct stat st {};
        ::lstat(item.path().c_str(), &st);
        files[fs::relative(item.path(), out).string()] = {st.st_ino, test::ReadFile(item.path())};
    }
    return files;
}

Raster Pattern(int width, int height, int seed) {
    Raster raster(width, height, pf24bit);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            std::uint8_t* p = raster.Row(y) + 3 * x;
            p[0] = static_cast<std::uint8_t>(x / 4 + seed);
            p[1] = static_cast<std::uint8_t>(y / 3 + 2 * seed);
            p[2] = static_cast<std::uint8_t>((x ^ y) / 8);
        }
    }
    return raster;
}

// The settings and entries of one save; a row of the table changes one part.
struct Album {
    int thumbSize = 64;
    std::string prefix = "$_";
    int quality = 60;
    int convertQuality = 90;
    int displaySize = 2048;
    bool lossless = false;
    bool strip = false;
    bool screens = true;  // the template asks for screen sizes
    int turnP = 0;
    int turnQ = 1;
    int turnS = 0;
    std::string nameS;  // a name of its own for s.jpg
    std::string note = "夕方";
    std::string url;                        // the public address: covers with one
    std::vector<int> order = {0, 1, 2, 3};  // of p, q, r and s
};

class IncrementalSaveTest : public SaveAlbumTest {
  protected:
    IncrementalSaveTest() {
        // p: a phone photo standing on its side, with a location; q: turned, with a note; r: a
        // PNG; s: plain.
        test::PhotoParts phone;
        phone.orientation = 6;
        test::WriteFile(dir / "in/p.jpg", test::PhoneJpeg(Pattern(1200, 1600, 1), phone));
        test::WriteJpeg(dir / "in/q.jpg", 320, 240);
        test::WriteFile(dir / "in/r.png", test::PngFile(Pattern(400, 300, 3), {}));
        test::WriteJpeg(dir / "in/s.jpg", 640, 480);
        fs::copy(dir / "Def", dir / "plain", fs::copy_options::recursive);
        test::WithoutScreenPlaceholders(dir / "plain/");
    }

    void Setup(const Album& album, const std::string& out) {
        state.OutPath = out + "/";
        ForceDirectories(out);
        ClearAlbum(state);
        state.TemplatePath = album.screens ? dir / "Def/" : dir / "plain/";
        state.ThumbSize = album.thumbSize;
        state.ThumbPrefix = album.prefix;
        state.JpegQuality = album.quality;
        state.ConvertQuality = album.convertQuality;
        state.DisplaySize = album.displaySize;
        state.LosslessTurns = album.lossless;
        state.StripLocation = album.strip;
        state.MakeZip = true;
        state.PublicUrl = album.url;
        const std::vector<std::string> sources = {dir / "in/p.jpg", dir / "in/q.jpg",
                                                  dir / "in/r.png", dir / "in/s.jpg"};
        std::vector<std::string> files;
        for (const int source : album.order)
            files.push_back(sources[source]);
        AddFiles(state, files, naming);
        // The entry of each source, wherever the order puts it.
        const auto at = [&](int source) {
            return static_cast<int>(std::find(album.order.begin(), album.order.end(), source) -
                                    album.order.begin());
        };
        state.Entries[at(0)].Rotation = album.turnP;
        state.Entries[at(1)].Rotation = album.turnQ;
        state.Entries[at(3)].Rotation = album.turnS;
        EditingState note;
        note.MemoLines = {album.note};
        StoreCurrentEntry(state, at(1), note, naming);
        if (!album.nameS.empty()) {
            EditingState named;
            named.Naming = EditingState::Specified;
            named.EditName = album.nameS;
            StoreCurrentEntry(state, at(3), named, naming);
        }
        RefreshOutputNames(state, naming);
    }

    SaveTally Save(const Album& album, const std::string& out, ReplaceQuestion ask = {}) {
        Setup(album, out);
        SaveTally tally;
        SaveOptions options;
        options.Tally = &tally;
        options.ReplaceOthers = std::move(ask);
        options.Archive = &zipper;
        SaveAlbum(state, view, "h", nullptr, options);
        return tally;
    }

    // The album in out is what a clean save of album makes: every file, and the zip member by
    // member.
    void ExpectClean(const Album& album, const std::string& out) {
        const std::string clean = dir / ("clean" + std::to_string(++cleans_));
        Save(album, clean);
        Snapshot made = Take(out);
        Snapshot fresh = Take(clean);
        EXPECT_EQ(test::ZipEntries(out + "/h.zip"), test::ZipEntries(clean + "/h.zip"));
        made.erase("h.zip");
        fresh.erase("h.zip");
        ASSERT_EQ(made.size(), fresh.size());
        for (const auto& [name, file] : fresh) {
            ASSERT_EQ(made.count(name), 1u) << name;
            EXPECT_TRUE(made.at(name).bytes == file.bytes) << name;
        }
    }

    // Packs every zip, so that what its last packing took from an earlier zip can be told.
    TArchiveControl zipper;
    int cleans_ = 0;
};

// A zip made again takes from the earlier zip exactly the members whose bytes stayed, stored as
// they were there.
void ExpectMembersTaken(const std::string& zip, const std::map<std::string, std::string>& earlier,
                        const std::map<std::string, std::string>& earlierStored, int taken) {
    const auto members = test::ZipEntries(zip);
    const auto stored = test::ZipEntries(zip, true);
    int same = 0;
    for (const auto& [name, bytes] : members) {
        const auto old = earlier.find(name);
        if (old == earlier.end() || old->second != bytes)
            continue;
        ++same;
        EXPECT_TRUE(stored.at(name) == earlierStored.at(name)) << name;
    }
    EXPECT_EQ(taken, same);
}

// The record as a save of another pipeline version leaves it: every key another.
void OtherPipeline(const std::string& album) {
    const std::string path = album + "/" + test::kSaveRecord;
    std::string record = test::ReadFile(path);
    for (auto at = record.find('#'); at != std::string::npos; at = record.find('#', at + 18))
        record.replace(at + 1, 16, std::string(16, '0'));
    test::WriteFile(path, record);
}

struct Flip {
    const char* what;
    std::function<void(Album&, const std::string& out, const std::string& in)> change;
    std::vector<std::string> remade;  // must be made again (new file numbers)
    int renamed;                      // files kept under another name
    int decoded;                      // entries decoded again
    int covers = 0;                   // link-preview covers made again
    bool published = false;           // the album has a public address before the change
};

// The picture files of the four entries and the page's cover: four thumbnails, four pictures,
// the screen sizes smaller than each photo (p: three cards and a view, q: one card, r: two, s:
// three) and the cover.
constexpr int kShiftedFiles = 4 + 4 + (4 + 1 + 2 + 3) + 1;

// Whether name is a link-preview cover (the index's or a page's).
bool IsCover(const std::string& name) {
    return name.size() >= 9 && name.compare(name.size() - 9, 9, "cover.jpg") == 0;
}

TEST_F(IncrementalSaveTest, EachPartOfTheKeyMakesAgainExactlyTheFilesItShapes) {
    const auto touch = [](const std::string& path) {
        const std::string bytes = test::ReadFile(path);
        fs::remove(path);
        test::WriteFile(path, bytes);
    };
    const std::vector<Flip> flips = {
        {"nothing", nullptr, {}, 0, 0},
        {"source touched", [&](Album&, auto, auto in) { touch(in + "/s.jpg"); }, {}, 0, 1},
        {"source replaced with same size and time",
         [&](Album&, auto, auto in) {
             const std::string path = in + "/s.jpg";
             struct stat st {};
             ::stat(path.c_str(), &st);
             std::string bytes = test::ReadFile(path);
             bytes[bytes.size() - 200] ^= 0x55;  // scan data: other pixels
             test::WriteFile(path + ".new", bytes);
             fs::rename(path + ".new", path);
             const timespec times[2] = {st.st_atim, st.st_mtim};
             ::utimensat(AT_FDCWD, path.c_str(), times, 0);
         },
         {"無題004.jpg", "$_無題004.jpg", "albumon-sizes/無題004.160.jpg"},
         0,
         1},
        {"turn",
         [](Album& a, auto, auto) { a.turnS = 1; },
         {"無題004.jpg", "$_無題004.jpg", "albumon-sizes/無題004.160.jpg", "h.htm"},
         0,
         1},
        {"orientation tag",
         [&](Album&, auto, auto in) {
             test::PhotoParts phone;
             phone.orientation = 8;
             test::WriteFile(in + "/p.jpg", test::PhoneJpeg(Pattern(1200, 1600, 1), phone));
         },
         {"無題001.jpg", "$_無題001.jpg", "albumon-sizes/無題001.1280.jpg"},
         0,
         1},
        {"note", [](Album& a, auto, auto) { a.note = "朝"; }, {"無題002.htm"}, 0, 0},
        {"quality", [](Album& a, auto, auto) { a.quality = 80; }, {"無題002.jpg"}, 0, 4},
        {"conversion quality",
         [](Album& a, auto, auto) { a.convertQuality = 70; },
         {"無題003.jpg"},
         0,
         1},
        {"thumbnail size",
         [](Album& a, auto, auto) { a.thumbSize = 96; },
         {"$_無題001.jpg", "$_無題002.jpg", "$_無題003.jpg", "$_無題004.jpg"},
         0,
         4},
        {"prefix", [](Album& a, auto, auto) { a.prefix = "t_"; }, {}, 4, 0},
        {"display size",
         [](Album& a, auto, auto) { a.displaySize = 1400; },
         {"albumon-sizes/無題001.1400.jpg"},
         0,
         4},
        {"lossless", [](Album& a, auto, auto) { a.lossless = true; }, {"無題002.jpg"}, 0, 4},
        {"strip", [](Album& a, auto, auto) { a.strip = true; }, {"無題001.jpg"}, 0, 4},
        {"template sizes", [](Album& a, auto, auto) { a.screens = false; }, {"h.htm"}, 0, 4},
        {"output name", [](Album& a, auto, auto) { a.nameS = "海"; }, {"h.htm"}, 5, 0},
        {"pipeline version",
         [](Album&, auto out, auto) { OtherPipeline(out + "/h.files"); },
         {},
         0,
         4},
        {"output deleted by the user",
         [](Album&, auto out, auto) { fs::remove(out + "/h.files/albumon-sizes/無題001.160.jpg"); },
         {"h.files/albumon-sizes/無題001.160.jpg"},
         0,
         1},
        {"public address unchanged", nullptr, {}, 0, 0, 0, true},
        {"first photo turned",
         [](Album& a, auto, auto) { a.turnP = 1; },
         {"無題001.jpg", "albumon-sizes/albumon-cover.jpg"},
         0,
         1,
         1,
         true},
        {"another photo first",
         [](Album& a, auto, auto) {
             a.order = {3, 0, 1, 2};
         },
         {"albumon-sizes/albumon-cover.jpg", "h.htm"},
         // Every entry's pictures and the page's cover take the names of their new places.
         kShiftedFiles,
         0,
         1,
         true},
        {"page's photo turned",
         [](Album& a, auto, auto) { a.turnQ = 2; },
         {"無題002.jpg", "albumon-sizes/無題002.cover.jpg"},
         0,
         1,
         1,
         true},
        {"public address removed",
         [](Album& a, auto, auto) { a.url.clear(); },
         {"h.htm"},
         0,
         0,
         0,
         true},
    };
    for (const Flip& flip : flips) {
        SCOPED_TRACE(flip.what);
        const std::string in = dir / "in";
        const std::string out = dir / (std::string("out-") + std::to_string(&flip - &flips[0]));
        Album album;
        if (flip.published)
            album.url = "https://example.org/trip/";
        EXPECT_EQ(Save(album, out).Made, 4);
        if (flip.change)
            flip.change(album, out, in);
        const Snapshot before = Take(out);
        const auto earlierZip = test::ZipEntries(out + "/h.zip");
        const auto earlierStored = test::ZipEntries(out + "/h.zip", true);
        std::set<ino_t> earlier;
        for (const auto& [name, file] : before)
            earlier.insert(file.file);
        const SaveTally tally = Save(album, out);
        EXPECT_EQ(tally.Decoded, flip.decoded);
        EXPECT_EQ(tally.Covers, flip.covers);
        const Snapshot after = Take(out);
        std::set<std::string> remade;
        int renamed = 0;
        for (const auto& [name, file] : after) {
            const auto old = before.find(name);
            if (earlier.count(file.file) == 0) {
                remade.insert(name);
                // A file made again holds other bytes than the one it replaces; but a zip all of
                // whose members stayed (a file the user deleted, made again as it was) is the
                // earlier zip's copy.
                const bool zipAsItWas = name == "h.zip" && zipper.Api().ZipReused() ==
                                                               static_cast<int>(earlierZip.size());
                EXPECT_TRUE(old == before.end() || old->second.bytes != file.bytes || zipAsItWas)
                    << name;
            } else if (old == before.end() || old->second.file != file.file) {
                ++renamed;
            }
        }
        for (std::string name : flip.remade) {
            if (name != "h.htm" && name.rfind("h.files/", 0) != 0)
                name = "h.files/" + name;
            EXPECT_EQ(remade.count(name), 1u) << name;
        }
        EXPECT_EQ(renamed, flip.renamed);
        EXPECT_EQ(std::count_if(remade.begin(), remade.end(), IsCover), flip.covers);
        // Any change to the album makes its zip again; none keeps it.
        EXPECT_EQ(remade.count("h.zip"), remade.size() > 1 || renamed > 0 ? 1u : 0u);
        if (remade.count("h.zip") != 0)
            ExpectMembersTaken(out + "/h.zip", earlierZip, earlierStored, zipper.Api().ZipReused());
        // Pictures made: those of the entries decoded whose files came out changed.
        EXPECT_LE(tally.Made, tally.Decoded);
        EXPECT_EQ(tally.Made > 0, std::any_of(remade.begin(), remade.end(), [](auto& name) {
                      return name.rfind("h.files/", 0) == 0 &&
                             name.find(".htm") == std::string::npos && !IsCover(name);
                  }));
        ExpectClean(album, out);
        // Restore the sources for the next row.
        test::PhotoParts phone;
        phone.orientation = 6;
        test::WriteFile(in + "/p.jpg", test::PhoneJpeg(Pattern(1200, 1600, 1), phone));
        test::WriteJpeg(in + "/s.jpg", 640, 480);
    }
}

// The record with every CRC-32 it holds turned into another, each file's size and time kept.
void WrongCrcs(const std::string& album) {
    const std::string path = album + "/" + test::kSaveRecord;
    std::string record = test::ReadFile(path);
    for (std::size_t item = record.find('\n') + 1; item < record.size();
         item = record.find('\0', item) + 1) {
        const std::size_t stampEnd = std::min(record.find(' ', item), record.find('#', item));
        const std::size_t slash = record.find('/', item);
        if (slash >= stampEnd)
            continue;
        const std::uint32_t crc =
            std::stoul(record.substr(slash + 1, stampEnd - slash - 1), nullptr, 16);
        char hex[9];
        std::snprintf(hex, sizeof hex, "%x", ~crc);
        record.replace(slash + 1, stampEnd - slash - 1, hex);
    }
    test::WriteFile(path, record);
}

TEST_F(IncrementalSaveTest, AZipMadeAgainTakesTheCrcOfAFileAsItWasFromTheRecord) {
    for (const bool wrong : {false, true}) {
        SCOPED_TRACE(wrong ? "record's CRCs wrong" : "record's CRCs right");
        const std::string out = dir / (wrong ? "crcs-wrong" : "crcs");
        Album album;
        Save(album, out);
        // Each file of the album folder is on the record with the CRC its member has.
        const auto record = ReadSaveRecord(out + "/h.files");
        ASSERT_TRUE(record);
        const auto members = test::ZipEntries(out + "/h.zip");
        std::set<std::string> recorded;
        for (const auto& [name, stamp] : record->files) {
            EXPECT_TRUE(stamp.crc) << name;
            recorded.insert("h.files/" + name);
        }
        for (const auto& [name, bytes] : members)
            EXPECT_EQ(recorded.count(name), name == "h.htm" ? 0u : 1u) << name;
        if (wrong)
            WrongCrcs(out + "/h.files");
        const auto earlierZip = test::ZipEntries(out + "/h.zip");
        const auto earlierStored = test::ZipEntries(out + "/h.zip", true);
        album.note = "朝";
        Save(album, out);
        // Trusted for a file as it was, a wrong CRC keeps no member of the album folder: each is
        // made again. The index page, beside the folder, is read for its CRC.
        if (wrong) {
            const bool indexStayed =
                test::ZipEntries(out + "/h.zip").at("h.htm") == earlierZip.at("h.htm");
            EXPECT_EQ(zipper.Api().ZipReused(), indexStayed ? 1 : 0);
        } else {
            ExpectMembersTaken(out + "/h.zip", earlierZip, earlierStored, zipper.Api().ZipReused());
        }
        ExpectClean(album, out);
    }
}

TEST_F(IncrementalSaveTest, AnOutputTheUserEditedIsTheUsersAndNothingIsLost) {
    // A picture, and a member of the zip, edited in place.
    for (const std::string edited : {"h.files/無題001.jpg", "h.zip"}) {
        SCOPED_TRACE(edited);
        const std::string out = dir / ("edited-" + std::to_string(edited.size()));
        Album album;
        Save(album, out);
        const std::string path = out + "/" + edited;
        std::string bytes = test::ReadFile(path);
        bytes[bytes.size() / 2] ^= 0x55;
        test::WriteFile(path, bytes);
        album.note = "朝";
        const Snapshot before = Take(out);
        std::vector<std::string> asked;
        EXPECT_THROW(Save(album, out), EForeignFiles);
        EXPECT_EQ(Take(out).size(), before.size());
        for (const auto& [name, file] : Take(out)) {
            EXPECT_EQ(file.file, before.at(name).file) << name;
            EXPECT_TRUE(file.bytes == before.at(name).bytes) << name;
        }
        const SaveTally tally = Save(album, out, [&](const std::vector<std::string>& files) {
            asked = files;
            return true;
        });
        EXPECT_EQ(asked, std::vector<std::string>{path});
        // The zip is the user's: nothing of it is taken.
        if (edited == "h.zip") {
            EXPECT_EQ(zipper.Api().ZipReused(), 0);
        }
        EXPECT_EQ(tally.Decoded, edited == "h.zip" ? 0 : 1);
        ExpectClean(album, out);
    }
}

TEST_F(IncrementalSaveTest, AReopenedAlbumSavedUnchangedWritesNothingAndLosesNoSource) {
    const std::string out = dir / "reopened";
    Album album;
    Save(album, out);
    const auto reopen = [&](const std::string& target, const std::string& lastName) {
        ClearAlbum(state);
        state.OutPath = target + "/";
        AddFolderOrAlbum(state, out + "/h.files", FolderOrder::ByName, naming);
        ASSERT_EQ(state.EntryCount, 4);
        EXPECT_EQ(state.Entries[3].SourcePath, out + "/h.files/無題004.jpg");
        if (!lastName.empty()) {
            EditingState named;
            named.Naming = EditingState::Specified;
            named.EditName = lastName;
            StoreCurrentEntry(state, 3, named, naming);
        }
        RefreshOutputNames(state, naming);
    };
    const auto saveReopened = [&](const std::string& target, const std::string& lastName) {
        reopen(target, lastName);
        SaveTally tally;
        SaveOptions options;
        options.Tally = &tally;
        SaveAlbum(state, view, "h", nullptr, options);
        return tally;
    };
    // The first save of the album read back makes its entries from the album's own pictures;
    // from then on it is unchanged: nothing is read or written, the zip kept.
    EXPECT_EQ(saveReopened(out, "").Decoded, 4);
    const Snapshot before = Take(out);
    const SaveTally again = saveReopened(out, "");
    EXPECT_EQ(again.Decoded, 0);
    EXPECT_EQ(again.Made, 0);
    const Snapshot after = Take(out);
    ASSERT_EQ(after.size(), before.size());
    for (const auto& [name, file] : after)
        EXPECT_EQ(file.file, before.at(name).file) << name;
    // The last entry renamed: its source, the album's own picture, goes on under the new name.
    const std::string source = before.at("h.files/無題004.jpg").bytes;
    EXPECT_EQ(saveReopened(out, "海").Decoded, 0);
    const Snapshot renamed = Take(out);
    EXPECT_EQ(renamed.count("h.files/無題004.jpg"), 0u);
    ASSERT_EQ(renamed.count("h.files/海.jpg"), 1u);
    EXPECT_EQ(renamed.at("h.files/海.jpg").file, before.at("h.files/無題004.jpg").file);
    EXPECT_TRUE(renamed.at("h.files/海.jpg").bytes == source);
}

}  // namespace
}  // namespace albumon
