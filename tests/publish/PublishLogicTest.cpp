// The order of a publish over an in-memory server (which can fail at any operation), the
// destination's reading and the remote record's text. The real servers are publish_test.py's.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <map>
#include <set>

#include "Destination.h"
#include "Publisher.h"
#include "RemoteRecord.h"
#include "SaveRecord.h"
#include "TestSupport.h"

namespace albumon {
namespace {

using test::TempDir;
using Tree = std::map<std::string, std::string>;

// A server held in memory; the operation numbered failAt (from 1) fails as a dropped line would.
class MemoryServer : public Transport {
  public:
    explicit MemoryServer(bool renameReplaces) : replaces_(renameReplaces) {}

    std::optional<std::vector<std::string>> List(const std::string& folder) override {
        Step();
        if (!folder.empty() && !folders.count(folder))
            return std::nullopt;
        std::vector<std::string> names;
        for (const auto& [path, bytes] : files) {
            const auto slash = path.rfind('/');
            if ((slash == std::string::npos ? "" : path.substr(0, slash)) == folder)
                names.push_back(path.substr(slash == std::string::npos ? 0 : slash + 1));
        }
        return names;
    }
    std::optional<std::string> Fetch(const std::string& path) override {
        Step();
        auto it = files.find(path);
        return it == files.end() ? std::nullopt : std::optional<std::string>(it->second);
    }
    void Put(const std::string& bytes, const std::string& path) override {
        Step();
        files[path] = bytes;
        puts.push_back(path);
    }
    void Rename(const std::string& from, const std::string& to) override {
        Step();
        if (!files.count(from) || (!replaces_ && files.count(to)))
            throw PublishError("rename refused: " + from);
        files[to] = files[from];
        files.erase(from);
        renames.push_back(to);
    }
    void Delete(const std::string& path) override {
        Step();
        if (!files.erase(path))
            throw PublishError("no such file: " + path);
    }
    void Mkdir(const std::string& folder) override {
        Step();
        folders.insert(folder);
    }
    bool RenameReplaces() const override { return replaces_; }

    Tree files;
    std::set<std::string> folders;
    std::vector<std::string> puts, renames;
    int failAt = 0;
    int operations = 0;

  private:
    void Step() {
        if (++operations == failAt)
            throw PublishError("connection dropped");
    }
    bool replaces_;
};

// Saves an album as a save leaves it: the index, the album folder's files and their record.
void SaveAlbum(const TempDir& out, const Tree& files) {
    std::filesystem::remove_all(out / "A.files");
    SaveRecord record(out / "A.files");
    for (const auto& [path, bytes] : files) {
        test::WriteFile(out / path, bytes);
        if (path.rfind("A.files/", 0) == 0)
            record.Wrote(path.substr(8));
    }
    record.Placed();
    record.Finish();
    record.Close();
}

// The album files of a remote tree: neither the record nor a file the user put there.
Tree AlbumPart(const Tree& remote) {
    Tree album;
    for (const auto& [path, bytes] : remote) {
        if (path != RemoteRecordPath("A") && path != "notes.txt")
            album[path] = bytes;
    }
    return album;
}

const Tree kOld = {{"A.htm", "old index"},
                   {"A.files/001.htm", "page one"},
                   {"A.files/001.jpg", std::string(5000, 'a')},
                   {"A.files/002.jpg", std::string(4000, 'b')}};
const Tree kNew = {{"A.htm", "new index, longer"},
                   {"A.files/001.htm", "page ONE"},  // the same length, other bytes
                   {"A.files/001.jpg", std::string(5000, 'a')},
                   {"A.files/003.jpg", std::string(3000, 'c')}};

TEST(PublishOrder, SendsChangedFilesIndexLastAndRemovesOnlyItsOwn) {
    for (bool replaces : {true, false}) {
        SCOPED_TRACE(replaces ? "renames replace" : "renames refuse an existing target");
        TempDir out;
        MemoryServer server(replaces);
        server.files["notes.txt"] = "the user's own";
        SaveAlbum(out, kOld);
        PublishAlbum(server, out.path() + "/", "A");
        EXPECT_EQ(AlbumPart(server.files), kOld);
        SaveAlbum(out, kNew);
        server.puts.clear();
        server.renames.clear();
        const PublishSummary summary = PublishAlbum(server, out.path() + "/", "A");
        EXPECT_EQ(AlbumPart(server.files), kNew);
        EXPECT_EQ(server.files["notes.txt"], "the user's own");
        // The page, the new picture and the index go up, then the record; 001.jpg stays.
        EXPECT_EQ(summary.sentFiles, 4);
        EXPECT_EQ(server.puts.size(), 4u);
        EXPECT_EQ(server.puts.back(), NextRecordPath("A"));
        const auto& renames = server.renames;
        const auto placed = [&renames](const std::string& path) {
            return std::find(renames.begin(), renames.end(), path) - renames.begin();
        };
        EXPECT_GT(placed("A.htm"), placed("A.files/001.htm"));
        EXPECT_GT(placed("A.htm"), placed("A.files/003.jpg"));
        EXPECT_LT(placed("A.htm"), std::ssize(renames));
        EXPECT_EQ(renames.back(), RemoteRecordPath("A"));
        EXPECT_EQ(ParseRemoteRecord(server.files[RemoteRecordPath("A")])->size(), kNew.size());
        // Nothing changed: only the record goes up.
        EXPECT_EQ(PublishAlbum(server, out.path() + "/", "A").sentFiles, 1);
    }
}

// A publish dropped at each of its operations in turn leaves the old album or the new one as
// the index says; the next publish completes it without sending again what had gone up.
TEST(PublishOrder, DroppedAtAnyOperationLeavesOldOrNewAndResumes) {
    for (bool replaces : {true, false}) {
        TempDir out;
        MemoryServer clean(replaces);
        SaveAlbum(out, kOld);
        PublishAlbum(clean, out.path() + "/", "A");
        SaveAlbum(out, kNew);
        MemoryServer measure = clean;
        const int operations =
            (PublishAlbum(measure, out.path() + "/", "A"), measure.operations) - clean.operations;
        for (int failAt = 1; failAt <= operations; ++failAt) {
            SCOPED_TRACE(std::to_string(failAt) + (replaces ? " replacing" : " moving aside"));
            MemoryServer server = clean;
            server.failAt = server.operations + failAt;
            EXPECT_THROW(PublishAlbum(server, out.path() + "/", "A"), PublishError);
            const Tree shown = AlbumPart(server.files);
            const bool isNew = shown.count("A.htm") && shown.at("A.htm") == kNew.at("A.htm");
            if (!isNew) {  // a drop between the moves leaves the old index aside
                const std::string index = shown.count("A.htm") ? "A.htm" : ".A.htm.old";
                EXPECT_EQ(server.files[index], kOld.at("A.htm"));
            }
            // Every file of that album is there, but one a drop caught moved aside.
            for (const auto& [path, bytes] : isNew ? kNew : kOld) {
                if (path == "A.htm")
                    continue;
                const std::string aside = "A.files/." + path.substr(8) + ".old";
                const std::string held = shown.count(path)           ? shown.at(path)
                                         : server.files.count(aside) ? server.files[aside]
                                                                     : "(missing)";
                EXPECT_TRUE((kOld.count(path) && held == kOld.at(path)) ||
                            (kNew.count(path) && held == kNew.at(path)))
                    << path << ": " << held;
            }
            // What the resuming publish has to send: the new files neither in place nor
            // ready as a temporary, and the record.
            size_t needed = 1;
            for (const auto& [path, bytes] : kNew) {
                bool there = false;
                for (const auto& [remote, held] : server.files)
                    there =
                        there || (held == bytes && (remote == path || remote.ends_with(".ready")));
                needed += there ? 0 : 1;
            }
            server.failAt = 0;
            server.puts.clear();
            PublishAlbum(server, out.path() + "/", "A");
            EXPECT_EQ(AlbumPart(server.files), kNew);
            EXPECT_EQ(server.puts.size(), needed);
        }
    }
}

TEST(PublishOrder, CancelLeavesTheRemoteAlbumAsItWas) {
    TempDir out;
    MemoryServer server(false);
    SaveAlbum(out, kOld);
    PublishAlbum(server, out.path() + "/", "A");
    SaveAlbum(out, kNew);
    int calls = 0;
    const PublishProgressFn stopSecond = [&calls](const PublishProgress&) { return ++calls < 2; };
    EXPECT_THROW(PublishAlbum(server, out.path() + "/", "A", stopSecond), EPublishCancelled);
    EXPECT_EQ(AlbumPart(server.files).at("A.htm"), kOld.at("A.htm"));
    EXPECT_EQ(server.files.at("A.files/001.htm"), kOld.at("A.files/001.htm"));
    EXPECT_EQ(server.files.at("A.files/002.jpg"), kOld.at("A.files/002.jpg"));
}

TEST(PublishDestination, ReadsSftpAndFtpsAndRefusesTheRest) {
    struct Case {
        const char* text;
        bool valid;
        Destination::Kind kind;
        const char* user;
        const char* host;
        int port;
        const char* path;
    };
    const Case cases[] = {
        {"sftp://me@example.org/www/album/", true, Destination::Sftp, "me", "example.org", 22,
         "/www/album/"},
        {"sftp://me@127.0.0.1:2222/tmp/x", true, Destination::Sftp, "me", "127.0.0.1", 2222,
         "/tmp/x/"},
        {"ftps://u.ser@host", true, Destination::Ftps, "u.ser", "host", 21, "/"},
        {"ftp://me@example.org/www/", false, {}, "", "", 0, ""},
        {"https://example.org/", false, {}, "", "", 0, ""},
        {"sftp://example.org/www/", false, {}, "", "", 0, ""},
        {"sftp://me@host:0/", false, {}, "", "", 0, ""},
        {"sftp://me@:22/", false, {}, "", "", 0, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        if (!c.valid) {
            EXPECT_THROW(ParseDestination(c.text), Exception);
            continue;
        }
        const Destination d = ParseDestination(c.text);
        EXPECT_EQ(d.kind, c.kind);
        EXPECT_EQ(d.user, c.user);
        EXPECT_EQ(d.host, c.host);
        EXPECT_EQ(d.port, c.port);
        EXPECT_EQ(d.path, c.path);
    }
    try {
        ParseDestination("ftp://me@example.org/");
        ADD_FAILURE();
    } catch (const Exception& refused) {
        EXPECT_NE(std::string(refused.what()).find("暗号化"), std::string::npos);
    }
}

TEST(RemoteRecordText, ReadsWhatItWritesAndRefusesDamage) {
    const PublishedFiles files = {{"A.htm", {std::string(64, 'a'), 12}},
                                  {"A.files/名前 付き.jpg", {std::string(64, 'b'), 7}}};
    const std::string text = FormatRemoteRecord(files);
    EXPECT_EQ(ParseRemoteRecord(text), files);
    for (const std::string& damaged :
         {text.substr(0, text.size() - 1), std::string("x") + text, text + "short 1 x\n"})
        EXPECT_FALSE(ParseRemoteRecord(damaged));
}

}  // namespace
}  // namespace albumon
