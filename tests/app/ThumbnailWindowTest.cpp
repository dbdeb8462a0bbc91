// Pictures in the window's lists: names before thumbnails, a window that answers while the
// decodes are held, thumbnails upright and turned with their entries, marks and a commentary's
// first line, the cache per path and modification time, and the file list's icon view.
#include <QAction>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalSpy>
#include <QTabWidget>
#include <QTest>
#include <chrono>
#include <filesystem>

#include "FileListBox.h"
#include "FileSystem.h"
#include "ListIcons.h"
#include "PhotoFixtures.h"
#include "PictureFixtures.h"
#include "ThumbnailCache.h"
#include "WindowFixture.h"

namespace albumon::test {
namespace {

const std::vector<int> kUpright = {0, 1, 2, 3};
const std::vector<int> kTurnedRight = {2, 0, 3, 1};

QString Q(const std::string& text) {
    return QString::fromStdString(text);
}

// The picture an icon shows: the part of its square that is not transparent, as a raster (empty
// when the icon is blank).
Raster PictureIn(const QIcon& icon) {
    const QImage image = icon.pixmap(icon.availableSizes().value(0, QSize(64, 64)))
                             .toImage()
                             .convertToFormat(QImage::Format_ARGB32);
    QRect box;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (qAlpha(image.pixel(x, y)) > 0)
                box |= QRect(x, y, 1, 1);
    if (box.isEmpty())
        return {};
    Raster raster(box.width(), box.height(), pf24bit);
    for (int y = 0; y < box.height(); ++y) {
        for (int x = 0; x < box.width(); ++x) {
            const QRgb p = image.pixel(box.x() + x, box.y() + y);
            std::uint8_t* out = raster.Row(y) + x * 3;
            out[0] = qBlue(p), out[1] = qGreen(p), out[2] = qRed(p);
        }
    }
    return raster;
}

// A picture shown upright as a phone stores it under an orientation.
void WritePhoto(const std::string& path, int orientation, int width = 400, int height = 300) {
    PhotoParts parts;
    parts.orientation = orientation;
    WriteFile(path, PhoneJpeg(QuadrantRaster(width, height), parts));
}

class ThumbnailWindowTest : public WindowTest {
  protected:
    Raster RowPicture(int row) const { return PictureIn(form->ListBoxIn->item(row)->icon()); }
    QString Detail(int row) const {
        return form->ListBoxIn->item(row)->data(kRowDetailRole).toString();
    }
    bool AllRowsShown() const {
        for (int row = 0; row < form->ListBoxIn->count(); ++row)
            if (RowPicture(row).Empty())
                return false;
        return true;
    }
};

TEST_F(ThumbnailWindowTest, NamesShowAtOnceTheWindowAnswersAndUprightThumbnailsFollow) {
    QStringList files;
    for (int k = 0; k < 6; ++k) {
        const std::string name = "p" + std::to_string(k) + ".jpg";
        WritePhoto(data / name, k % 2 == 0 ? 1 : 6);
        files << Q(data / name);
    }
    WriteFile(data / "broken.jpg", "no picture in here");
    files << Q(data / "broken.jpg");
    Open();
    form->Thumbnails().HoldBack(true);
    Drop(files);
    const QStringList names = {"broken.jpg", "p0.jpg", "p1.jpg", "p2.jpg",
                               "p3.jpg",     "p4.jpg", "p5.jpg"};
    EXPECT_EQ(InputRows(), names);
    for (int row = 0; row < form->ListBoxIn->count(); ++row)
        EXPECT_TRUE(RowPicture(row).Empty()) << row;
    // The decodes wait on their workers; the list still moves its rows by key.
    ClickRow(6);
    QTest::keyClick(form->ListBoxIn, Qt::Key_Up, Qt::AltModifier);
    QStringList moved = names;
    moved.swapItemsAt(5, 6);
    EXPECT_EQ(InputRows(), moved);
    EXPECT_EQ(form->Thumbnails().Decodes(), 0);
    form->Thumbnails().HoldBack(false);
    ASSERT_TRUE(QTest::qWaitFor([&] { return AllRowsShown(); }, kPatienceMs));
    EXPECT_EQ(form->Thumbnails().Decodes(), 7);
    for (int row = 1; row < form->ListBoxIn->count(); ++row)
        EXPECT_EQ(Quadrants(RowPicture(row)), kUpright) << row;
    // The file that cannot be decoded shows the "no preview" picture.
    EXPECT_NE(Quadrants(RowPicture(0)), kUpright);
}

TEST_F(ThumbnailWindowTest, TurnsAndNotesShowAsMarksAndACommentaryShowsItsFirstLine) {
    WritePhoto(data / "a.jpg", 8);
    Open();
    Drop({Q(data / "a.jpg")});
    ASSERT_TRUE(QTest::qWaitFor([&] { return AllRowsShown(); }, kPatienceMs));
    EXPECT_EQ(Detail(0), QString());
    ClickRow(0);
    Click(form->RotRBitBtn);
    EXPECT_EQ(Quadrants(RowPicture(0)), kTurnedRight);
    EXPECT_EQ(Detail(0), QStringLiteral("↻"));
    TypeMemo(QStringLiteral("海の写真"));
    Click(form->RadioButton1);
    EXPECT_EQ(Detail(0), QStringLiteral("上 ↻"));
    Click(form->InsBitBtn);
    TypeMemo(QStringLiteral("はじめに\n二行目"));
    form->PageControl1->setCurrentIndex(2);
    EXPECT_EQ(Detail(1), QStringLiteral("下 はじめに"));
    EXPECT_EQ(InputRows(), (QStringList{"a.jpg", "DefNote.jpg"}));
}

TEST(EntryMarksTest, NotePositionAndTurnsGiveTheirMarks) {
    struct Case {
        std::int32_t notePos, rotation;
        const char16_t* marks;
    };
    for (const Case& c : {Case{npNone, 0, u""}, Case{npAbove, 1, u"上 ↻"},
                          Case{npBelow, 2, u"下 ↻↻"}, Case{npNone, 3, u"↺"}}) {
        EntryRecord entry;
        entry.NotePos = c.notePos;
        entry.Rotation = c.rotation;
        EXPECT_EQ(EntryMarks(entry), QString::fromUtf16(c.marks)) << c.notePos << c.rotation;
    }
}

TEST(ThumbnailCacheTest, SamePathAndTimeHitTheCacheAChangedFileIsDecodedAgain) {
    TempDir dir;
    const std::string path = dir / "a.jpg";
    WritePhoto(path, 1);
    ThumbnailCache cache;
    QSignalSpy ready(&cache, &ThumbnailCache::Ready);
    const auto settled = [&](std::size_t decodes) {
        return QTest::qWaitFor([&] { return cache.Find(path).state != ThumbnailCache::tsLoading; },
                               kPatienceMs) &&
               cache.Decodes() == static_cast<int>(decodes);
    };
    EXPECT_EQ(cache.Find(path).state, ThumbnailCache::tsLoading);
    EXPECT_EQ(cache.Find(path).state, ThumbnailCache::tsLoading);  // one decode for both
    ASSERT_TRUE(settled(1));
    EXPECT_EQ(cache.Find(path).image.size(), QSize(128, 96));
    EXPECT_EQ(ready.count(), 1);
    // Portrait now, with another modification time.
    const auto before = std::filesystem::last_write_time(path);
    WritePhoto(path, 1, 300, 400);
    std::filesystem::last_write_time(path, before + std::chrono::seconds(10));
    EXPECT_EQ(cache.Find(path).state, ThumbnailCache::tsLoading);
    ASSERT_TRUE(settled(2));
    EXPECT_EQ(cache.Find(path).image.size(), QSize(96, 128));
    EXPECT_EQ(cache.Find(dir / "missing.jpg").state, ThumbnailCache::tsFailed);
    EXPECT_EQ(cache.Decodes(), 2);
}

TEST_F(ThumbnailWindowTest, FileListIconViewShowsThePicturesAndLeavesTheControlInPlace) {
    WritePhoto(data / "a.jpg", 6);
    WritePhoto(data / "b.jpg", 1);
    Open();
    form->FileListBox1->SetDirectory(data / "");
    const QRect place = form->FileListBox1->geometry();
    const auto shown = [&] {
        for (int row = 0; row < form->FileListBox1->count(); ++row)
            if (Quadrants(PictureIn(form->FileListBox1->item(row)->icon())) != kUpright)
                return false;
        return true;
    };
    EXPECT_FALSE(form->FileListBox1->IconView());
    form->mnuIcons->trigger();
    EXPECT_TRUE(form->FileListBox1->IconView());
    EXPECT_TRUE(QTest::qWaitFor(shown, kPatienceMs));
    EXPECT_EQ(form->FileListBox1->geometry(), place);
    form->mnuIcons->trigger();
    EXPECT_FALSE(form->FileListBox1->IconView());
    EXPECT_FALSE(shown());
}

}  // namespace
}  // namespace albumon::test
