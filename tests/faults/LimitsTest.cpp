// Resource limits: 500 pictures saved with only 64 file handles allowed (the window's process
// and albumon-make in a child), and a decompression bomb and a progressive file of endless scans
// saved with 2 GiB of address space.
#include <sys/resource.h>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTest>

#include "FaultFixture.h"
#include "FileSystem.h"
#include "PictureFixtures.h"
#include "ThumbnailCache.h"

namespace albumon::test {
namespace {

constexpr int kPictures = 500;
constexpr int kPerAlbum = 250;  // an album holds at most 256 entries
constexpr rlim_t kHandles = 64;

// Lowers this process's soft limit of open files for its lifetime.
class HandleLimit {
  public:
    explicit HandleLimit(rlim_t limit) {
        ::getrlimit(RLIMIT_NOFILE, &saved_);
        rlimit lowered{limit, saved_.rlim_max};
        ok_ = ::setrlimit(RLIMIT_NOFILE, &lowered) == 0;
    }
    ~HandleLimit() { ::setrlimit(RLIMIT_NOFILE, &saved_); }
    bool ok() const { return ok_; }

  private:
    rlimit saved_{};
    bool ok_ = false;
};

class LimitsTest : public FaultTest {
  protected:
    std::string Picture(int k) const { return data / ("in/p" + std::to_string(1000 + k) + ".jpg"); }
};

TEST_F(LimitsTest, FiveHundredPicturesWithSixtyFourHandlesInTheWindow) {
    FaultCase fault("500 pictures, 64 handles");
    for (int k = 0; k < kPictures; ++k) {
        WriteJpeg(Picture(k), 48 + k % 5, 36);
        fault.sources.Add(Picture(k));
    }
    Settings(data / "out", true);
    Open();
    const int open = OpenDescriptors();
    ASSERT_LT(open, 40) << "too many handles open before the save to test with 64";
    HandleLimit limit(kHandles);
    ASSERT_TRUE(limit.ok());
    for (int album = 0; album < kPictures / kPerAlbum; ++album) {
        std::vector<std::string> paths;
        for (int k = album * kPerAlbum; k < (album + 1) * kPerAlbum; ++k)
            paths.push_back(Picture(k));
        Drop(Q(paths));
        ASSERT_EQ(form->ListBoxIn->count(), kPerAlbum);
        const std::string head = "album" + std::to_string(album);
        form->EditHedFix->setText(QString::fromStdString(head));
        Click(form->SaveBitBtn);
        ASSERT_TRUE(boxes.seen.empty()) << BoxTexts();
        // The list's thumbnails are read on workers meanwhile: handles are counted once all are in.
        ASSERT_TRUE(QTest::qWaitFor(
            [&] { return form->Thumbnails().Decodes() >= (album + 1) * kPerAlbum; }, 60000));
        EXPECT_EQ(OpenDescriptors(), open) << "handles left open by save " << album;
        const std::string last = data / ("out/" + head + ".files/" + head + "250.jpg");
        EXPECT_EQ(ReadFile(last), ReadFile(Picture((album + 1) * kPerAlbum - 1)));
        EXPECT_EQ(ZipEntries(data / ("out/" + head + ".zip")).size(), 2u * kPerAlbum + 3);
    }
}

TEST_F(LimitsTest, FiveHundredPicturesWithSixtyFourHandlesInAlbumonMake) {
    FaultCase fault("500 pictures, 64 handles");
    for (int k = 0; k < kPictures; ++k) {
        WriteJpeg(Picture(k), 40, 30 + k % 7);
        fault.sources.Add(Picture(k));
    }
    for (int album = 0; album < kPictures / kPerAlbum; ++album) {
        const std::string head = "album" + std::to_string(album);
        std::vector<std::string> args{"-q", "--zip", "--head", head, "-o", data / "out"};
        for (int k = album * kPerAlbum; k < (album + 1) * kPerAlbum; ++k)
            args.push_back(Picture(k));
        ChildRun run = Make(args, {{RLIMIT_NOFILE, kHandles}});
        ASSERT_EQ(run.status, 0) << run.err;
        EXPECT_EQ(FolderNames(data / ("out/" + head + ".files")).size(), 2u * kPerAlbum + 2);
        EXPECT_EQ(ZipEntries(data / ("out/" + head + ".zip")).size(), 2u * kPerAlbum + 3);
    }
}

// The address-space limit cannot be applied under AddressSanitizer, which reserves terabytes of
// address space for itself; the sanitizer run leaves these cases out by name.
TEST_F(LimitsTest, AddressSpaceBombAndEndlessScans) {
    FaultCase fault("bomb and endless scans, 2 GiB");
    const std::vector<std::pair<std::string, std::string>> pictures{
        {"bomb.jpg", HugeHeaderJpeg(30000, 30000, false)},
        {"bomb_progressive.jpg", HugeHeaderJpeg(18000, 18000, true)},
        {"scans.jpg", ManyScansJpeg(5000)},
        {"plain.jpg", ColorJpeg(200, 150)},
    };
    std::vector<std::string> args{"-q", "--zip", "-o", data / "out"};
    for (const auto& [name, bytes] : pictures) {
        WriteFile(data / ("in/" + name), bytes);
        fault.sources.Add(data / ("in/" + name));
        args.insert(args.end(), {data / ("in/" + name), "--rotate", "1"});
    }
    ChildRun run = Make(args, {{RLIMIT_AS, rlim_t{2} << 30}});
    EXPECT_EQ(run.signal, 0) << "killed by signal " << run.signal << "\n" << run.err;
    ASSERT_EQ(run.status, 0) << run.err;
    // Each picture is either copied as it is (not decodable within the limits) or turned.
    for (int k = 0; k < 4; ++k) {
        const std::string saved =
            ReadFile(data / ("out/無題.files/無題00" + std::to_string(k + 1) + ".jpg"));
        const bool copied = saved == pictures[k].second;
        EXPECT_TRUE(copied || (saved.size() > 2 && saved.compare(0, 2, "\xFF\xD8") == 0))
            << pictures[k].first;
        // A copy instead of a turn is named on stderr; every entry has its thumbnail.
        const std::string warning = data / ("in/" + pictures[k].first) + ": 画像を回転できない";
        EXPECT_EQ(run.err.find(warning) != std::string::npos, copied) << run.err;
        EXPECT_TRUE(
            FileExists(data / ("out/無題.files/$_無題00" + std::to_string(k + 1) + ".jpg")));
    }
    EXPECT_EQ(ZipNames(data / "out/無題.zip"), AlbumFiles(data / "out", "無題"));
}

}  // namespace
}  // namespace albumon::test
