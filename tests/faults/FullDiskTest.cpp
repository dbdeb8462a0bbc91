// A full disk: the output folder on a small tmpfs that already holds an album of the same name,
// sized so the save runs out of room at the first picture, in the middle, at the index page or
// while zipping. The save must stop with the file error, keep its entries, leave every file of
// the old album and its archive as they were, and succeed once there is room again.
#include <QCheckBox>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTabWidget>
#include <algorithm>
#include <filesystem>

#include "FaultFixture.h"
#include "FileSystem.h"

namespace albumon::test {
namespace {

enum class Where { FirstPicture, Middle, IndexPage, Archive };

constexpr int kPictures = 6;
constexpr std::uint64_t kRoomy = 64ull << 20;
const std::string kHead = "旅行";

// One file the save writes, in its order, with the sizes before and after.
struct Step {
    std::string name;  // relative to the output folder
    std::uint64_t oldSize = 0;
    std::uint64_t newSize = 0;
};

std::string Numbered(int k) {
    char name[32];
    std::snprintf(name, sizeof name, "%03d.jpg", k + 1);
    return kHead + name;
}

class FullDiskTest : public FaultTest, public ::testing::WithParamInterface<Where> {
  protected:
    FullDiskTest() {
        for (int k = 0; k < kPictures; ++k) {
            WriteNoiseJpeg(NewPicture(k), 360, 270, 10 + k);
            WriteJpeg(data / ("old/p" + std::to_string(k) + ".jpg"), 48, 36);
        }
        WriteFile(data / "note.txt", "夕焼け\r\n");
        WriteFile(data / "oldnote.txt", "前の旅\r\n");
        for (int k = 0; k < kPictures; ++k)
            fault.sources.Add(NewPicture(k));
        // The default template with an index page of several pages of a tmpfs, more than an old
        // picture it replaces frees: so the index page can be the one write that does not fit.
        std::filesystem::copy(ALBUMON_SOURCE_DIR "/Def", data / "template",
                              std::filesystem::copy_options::recursive);
        // It asks for no screen-size pictures: the writes are the design's album's.
        for (const char* name : {"template/Def.htm", "template/Def.files/DefPage.htm"}) {
            std::string text = ReadFile(data / name);
            for (const std::string placeholder : {"$$$PICTURES$$$", "$$$SRCSET$$$"}) {
                for (auto at = text.find(placeholder); at != std::string::npos;
                     at = text.find(placeholder))
                    text.erase(at, placeholder.size());
            }
            WriteFile(data / name, text);
        }
        std::string index = ReadFile(data / "template/Def.htm");
        WriteFile(data / "template/Def.htm",
                  "<!-- " + std::string(5 * 4096, '-') + " -->\r\n" + index);
        fault.sources.Add(data / "note.txt");
    }

    std::string NewPicture(int k) const { return data / ("in/p" + std::to_string(k) + ".jpg"); }

    // The album: a note below the second picture, the third turned a quarter to the right.
    std::vector<std::string> MakeArgs(const std::string& folder, const std::string& note,
                                      const std::string& out) const {
        std::vector<std::string> args{"-q", "--zip", "--head",     kHead,
                                      "-o", out,     "--template", data / "template"};
        for (int k = 0; k < kPictures; ++k) {
            args.push_back(data / (folder + "/p" + std::to_string(k) + ".jpg"));
            if (k == 1)
                args.insert(args.end(), {"--note-below", note});
            if (k == 2)
                args.insert(args.end(), {"--rotate", "1"});
        }
        return args;
    }

    void FillWindow() {
        std::vector<std::string> paths;
        for (int k = 0; k < kPictures; ++k)
            paths.push_back(NewPicture(k));
        Drop(Q(paths));
        form->PageControl1->setCurrentWidget(form->TabSheet2);
        ClickRow(2);
        Click(form->RotRBitBtn);
        ClickRow(1);
        TypeMemo("夕焼け");
        form->PageControl1->setCurrentWidget(form->TabSheet1);
        form->EditHedFix->setText(QString::fromStdString(kHead));
    }

    // Every file of an album below out: the album folder's files and the index page by their
    // path relative to out (the archive apart).
    static FolderSnapshot Album(const std::string& out) {
        FolderSnapshot files;
        for (auto& [name, bytes] : Snapshot(out + "/" + kHead + ".files"))
            files[kHead + ".files/" + name] = std::move(bytes);
        std::string index;
        if (ReadWholeFile(out + "/" + kHead + ".htm", index) == 0)
            files[kHead + ".htm"] = std::move(index);
        return files;
    }

    // The files of the save in the order they are written, old and new sizes from the
    // existing album and the calibration run.
    std::vector<Step> Steps(const FolderSnapshot& before, const FolderSnapshot& after) const {
        std::vector<Step> steps;
        auto add = [&](const std::string& name) {
            steps.push_back(
                {name, before.count(name) ? before.at(name).size() : 0, after.at(name).size()});
        };
        const std::string folder = kHead + ".files/";
        for (int k = 0; k < kPictures; ++k) {
            add(folder + "$_" + Numbered(k));
            add(folder + Numbered(k));
            if (k == 1)
                add(folder + kHead + "002.htm");
        }
        add(kHead + ".htm");
        for (const auto& [name, bytes] : after) {
            if (std::find_if(steps.begin(), steps.end(),
                             [&](const Step& s) { return s.name == name; }) == steps.end()) {
                add(name);  // support files
            }
        }
        return steps;
    }

    void Run(Where where, bool window);

    FaultCase fault{"full disk"};
};

void FullDiskTest::Run(Where where, bool window) {
    // The album as it will be, made once on an ordinary disk: the sizes the room is cut to.
    ChildRun calibration = Make(MakeArgs("in", data / "note.txt", data / "calibrated"));
    ASSERT_EQ(calibration.status, 0) << calibration.err;
    const FolderSnapshot wanted = Album(data / "calibrated");
    std::string wantedZip;
    ASSERT_EQ(ReadWholeFile(data / ("calibrated/" + kHead + ".zip"), wantedZip), 0);

    const std::string out = data / "disk";
    std::unique_ptr<Mount> disk = Mount::Tmpfs(out, kRoomy);
    ASSERT_TRUE(disk);
    ChildRun old = Make(MakeArgs("old", data / "oldnote.txt", out));
    ASSERT_EQ(old.status, 0) << old.err;
    const FolderSnapshot before = Album(out);
    std::string oldZip;
    ASSERT_EQ(ReadWholeFile(out + "/" + kHead + ".zip", oldZip), 0);
    ASSERT_EQ(Names(out + "/" + kHead + ".files"),
              Names(data / ("calibrated/" + kHead + ".files")));

    // Cut the room: every write before the chosen one fits, the chosen one does not.
    const std::vector<Step> steps = Steps(before, wanted);
    std::uint64_t used = disk->Used();
    std::vector<std::uint64_t> peaks;
    for (const Step& step : steps) {
        peaks.push_back(used + Pages(step.newSize));
        used = used + Pages(step.newSize) - Pages(step.oldSize);
    }
    std::size_t failing = steps.size();  // the archive
    if (where == Where::FirstPicture)
        failing = 1;
    if (where == Where::Middle)
        failing = 8;  // three entries and one page written: the fourth picture
    if (where == Where::IndexPage)
        failing = 2 * kPictures + 1;
    const std::uint64_t size = failing < steps.size()
                                   ? peaks[failing] - 4096
                                   : used + Pages(wantedZip.size()) / 2 / 4096 * 4096;
    const std::uint64_t highest =
        *std::max_element(peaks.begin(), peaks.begin() + std::min(failing, peaks.size()));
    ASSERT_GE(size, highest) << "the room cannot be cut so that only "
                             << (failing < steps.size() ? steps[failing].name : "the archive")
                             << " fails";
    ASSERT_TRUE(disk->Resize(size));

    std::string error;
    if (window) {
        Settings(out, true, "Def=" + (data / "template/") + "\r\n");
        Open();
        FillWindow();
        Click(form->SaveBitBtn);
        ASSERT_EQ(boxes.seen.size(), 1u) << BoxTexts();
        error = BoxTexts();
        EXPECT_EQ(form->ListBoxIn->count(), kPictures);
    } else {
        ChildRun run = Make(MakeArgs("in", data / "note.txt", out));
        EXPECT_EQ(run.status, 1);
        error = run.err;
    }
    if (where == Where::Archive) {
        EXPECT_NE(error.find(kHead + ".zip"), std::string::npos) << error;
    } else {
        EXPECT_NE(error.find(kHead + ".files/"), std::string::npos) << error;
    }

    // All or nothing: the archive is packed before anything is put in place, so wherever the
    // room ends every file is the old one as it was.
    const FolderSnapshot now = Album(out);
    ASSERT_EQ(now.size(), before.size());
    for (const Step& step : steps)
        EXPECT_TRUE(now.at(step.name) == before.at(step.name)) << step.name << " changed";
    std::string zip;
    ASSERT_EQ(ReadWholeFile(out + "/" + kHead + ".zip", zip), 0);
    EXPECT_TRUE(zip == oldZip) << "the old archive changed";
    EXPECT_TRUE(LeftoverTemporaries(out).empty());
    EXPECT_TRUE(LeftoverTemporaries(out + "/" + kHead + ".files").empty());

    // With room again the same save succeeds.
    ASSERT_TRUE(disk->Resize(kRoomy));
    if (window) {
        Click(form->SaveBitBtn);
        EXPECT_EQ(boxes.seen.size(), 1u) << BoxTexts();
        EXPECT_EQ(form->ListBoxIn->count(), 0);
    } else {
        ChildRun run = Make(MakeArgs("in", data / "note.txt", out));
        EXPECT_EQ(run.status, 0) << run.err;
    }
    EXPECT_TRUE(Album(out) == wanted);
    const auto entries = ZipEntries(out + "/" + kHead + ".zip");
    EXPECT_EQ(entries.size(), wanted.size());
    for (const auto& [name, bytes] : wanted)
        EXPECT_TRUE(entries.count(name) && entries.at(name) == bytes) << name << " in the archive";
}

TEST_P(FullDiskTest, Window) {
    Run(GetParam(), true);
}

TEST_P(FullDiskTest, Make) {
    Run(GetParam(), false);
}

std::string CaseName(const ::testing::TestParamInfo<Where>& info) {
    const char* names[] = {"FirstPicture", "Middle", "IndexPage", "Archive"};
    return names[static_cast<int>(info.param)];
}

INSTANTIATE_TEST_SUITE_P(Faults, FullDiskTest,
                         ::testing::Values(Where::FirstPicture, Where::Middle, Where::IndexPage,
                                           Where::Archive),
                         CaseName);

}  // namespace
}  // namespace albumon::test
