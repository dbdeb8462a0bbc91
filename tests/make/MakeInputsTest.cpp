// albumon-make run as a process, on its inputs: pictures and folders, skipped and endless inputs,
// list files, dry runs and plans, sorting, and an earlier album read back.
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>

#include "LocationFixtures.h"
#include "MakeFixture.h"
#include "PhotoFixtures.h"
#include "PictureFixtures.h"
#include "TextFile.h"

namespace albumon {
namespace {

TEST_F(MakeCommandTest, DryRunPrintsTheOutputListInInputOrder) {
    MakeRun run = Make({"--dry-run", "in/b.jpg", "in/a.JPG", "--keep", "in/c.jpeg", "--name",
                        "表紙.png", "--start", "998"});
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.out, "無:無題998.jpg\n無:a.JPG\n無:表紙.jpg\n");
    EXPECT_TRUE(test::FolderNames(dir / "out").empty());
    run = Make({"--dry-run", "--sort", "--keep-names", "in/c.jpeg", "in/a.JPG", "--auto"});
    EXPECT_EQ(run.out, "無:無題001.jpg\n無:c.jpeg\n");
    // A file right after a bare --sort is an input.
    run = Make({"--dry-run", "--keep-names", "--sort", "in/c.jpeg", "in/a.JPG"});
    EXPECT_EQ(run.out, "無:a.JPG\n無:c.jpeg\n");
    EXPECT_TRUE(WorkFolderGone());
}

TEST_F(MakeCommandTest, FolderInputsAndNotes) {
    ForceDirectories(dir / "旅行.files");
    Jpeg(dir / "旅行.files/p2.jpg");
    Jpeg(dir / "旅行.files/p1.jpg");
    Jpeg(dir / "旅行.files/$_p1.jpg");
    MakeRun run =
        Make({"--dry-run", "in/b.jpg", "--note-above", "note.txt", "旅行.files", "--note-below",
              "note.txt", "--comment", "note.txt", "--note-above", "note.txt", "in/b.jpg"});
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.out,
              "上:旅行001.jpg\n無:旅行002.jpg\n下:旅行003.jpg\n上:旅行004.jpg\n無:旅行005.jpg\n");
    run = Make({"--dry-run", "--head", "H", "旅行.files", "旅行.files"});
    EXPECT_EQ(run.out, "無:H001.jpg\n無:H002.jpg\n");
}

TEST_F(MakeCommandTest, SkippedInputsWarnAndTheRestIsSaved) {
    MakeRun run = Make({"-o", "out", "in/notes.txt", "in/a.JPG"});
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.err, "albumon-make: 警告: in/notes.txt は追加できる写真ではありません\n");
    EXPECT_TRUE(FileExists(dir / "out/無題.files/無題001.jpg"));
    EXPECT_FALSE(FileExists(dir / "out/無題.files/無題002.jpg"));
    EXPECT_FALSE(FileExists(dir / "out/無題.zip")) << "no archive was asked for";
}

TEST_F(MakeCommandTest, MissingOrOnlySkippedInputsWriteNothing) {
    ASSERT_EQ(Make({"-q", "-o", "out", "in/a.JPG", "in/b.jpg"}).status, 0);
    const std::string index = test::ReadFile(dir / "out/無題.htm");
    const Names album = test::FolderNames(dir / "out/無題.files");
    const std::vector<std::pair<std::vector<std::string>, std::string>> cases{
        {{"in/none.jpg", "in/a.JPG"}, "albumon-make: ファイルが見つかりません (in/none.jpg)\n"},
        {{"in/a.JPG", "in/none.jpg"}, "albumon-make: ファイルが見つかりません (in/none.jpg)\n"},
        {{"in/notes.txt"},
         "albumon-make: 警告: in/notes.txt は追加できる写真ではありません\n"
         "albumon-make: 追加できる写真がありません\n"},
    };
    for (const auto& [inputs, message] : cases) {
        std::vector<std::string> args{"-o", "out", "--zip"};
        args.insert(args.end(), inputs.begin(), inputs.end());
        MakeRun run = Make(args);
        EXPECT_EQ(run.status, 1) << inputs[0];
        EXPECT_EQ(run.err, message);
        EXPECT_EQ(test::ReadFile(dir / "out/無題.htm"), index);
        EXPECT_EQ(test::FolderNames(dir / "out/無題.files"), album);
        EXPECT_FALSE(FileExists(dir / "out/無題.zip"));
    }
    EXPECT_TRUE(WorkFolderGone());
}

// A fifo nobody writes to, or a device, given as picture, note or template, is refused with a
// message naming it instead of being read for ever.
TEST_F(MakeCommandTest, EndlessInputsAreRefused) {
    const test::Watchdog watchdog(60);
    ASSERT_EQ(::mkfifo((dir / "in/fifo.jpg").c_str(), 0644), 0);
    ASSERT_EQ(::mkfifo((dir / "fifo.txt").c_str(), 0644), 0);
    ASSERT_EQ(::symlink("/dev/zero", (dir / "in/zero.jpg").c_str()), 0);
    ForceDirectories(dir / "tpl");
    ASSERT_EQ(::mkfifo((dir / "tpl/Def.htm").c_str(), 0644), 0);
    const struct {
        std::vector<std::string> args;
        std::string named;
    } cases[] = {
        {{"in/a.JPG", "in/fifo.jpg"}, "in/fifo.jpg"},
        {{"in/zero.jpg"}, "in/zero.jpg"},
        {{"in/a.JPG", "--note-above", "fifo.txt"}, "fifo.txt"},
        {{"--template", "tpl", "in/a.JPG"}, "tpl/Def.htm"},
    };
    for (const auto& c : cases) {
        std::vector<std::string> args{"-q", "-o", "out"};
        args.insert(args.end(), c.args.begin(), c.args.end());
        MakeRun run = Make(args);
        EXPECT_EQ(run.status, 1) << c.named;
        EXPECT_NE(run.err.find(c.named + " は開けません（通常のファイルではありません）"),
                  std::string::npos)
            << run.err;
        EXPECT_FALSE(FileExists(dir / "out/無題.htm")) << c.named;
    }
    EXPECT_TRUE(WorkFolderGone());
}

TEST_F(MakeCommandTest, PlanPrintsOneTabSeparatedRowPerEntryAndWritesNothing) {
    MakeRun run =
        Make({"--plan", "-o", "out/new", "in/b.jpg", "--rotate", "2", "--note-above", "note.txt",
              "in/a.JPG", "--keep", "--comment", "note.txt", "in/c.jpeg", "--name", "表紙"});
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.out, dir / "in/b.jpg\t無題001.jpg\t2\tabove\n" +
                           dir / "in/a.JPG\ta.JPG\t0\tnone\n" + DefaultNotePicture() +
                           "\t無題002.jpg\t0\tbelow\n" + dir / "in/c.jpeg\t表紙.jpg\t0\tnone\n");
    EXPECT_FALSE(fs::exists(dir / "out/new"));
    EXPECT_TRUE(WorkFolderGone());
}

// "--sort date" orders by the date taken (offsets honoured, pictures without a date last in the
// order given); "--sort name" and a bare "--sort" order by path.
TEST_F(MakeCommandTest, SortByDateOrByName) {
    const std::pair<const char*, const char*> taken[] = {
        {"cam/z_tokyo.jpg", "+09:00"}, {"cam/a_newyork.jpg", "-05:00"}, {"cam/m_early.jpg", ""}};
    for (const auto& [name, offset] : taken) {
        const std::string when = offset[0] == '+'   ? "2026:08:01 20:00:00"
                                 : offset[0] == '-' ? "2026:08:01 08:00:00"
                                                    : "2026:08:01 10:30:00";
        test::PhotoParts parts{1, false, false, false, 90, when, *offset ? offset : "+00:00"};
        test::WriteFile(dir / name, test::PhoneJpeg(Raster(32, 24, pf24bit), parts));
    }
    const Names inputs = {"in/b.jpg", "cam/a_newyork.jpg", "in/a.JPG", "cam/z_tokyo.jpg",
                          "cam/m_early.jpg"};
    const Names byDate = {"cam/m_early.jpg", "cam/z_tokyo.jpg", "cam/a_newyork.jpg", "in/b.jpg",
                          "in/a.JPG"};
    const Names byName = {"cam/a_newyork.jpg", "cam/m_early.jpg", "cam/z_tokyo.jpg", "in/a.JPG",
                          "in/b.jpg"};
    const std::pair<Names, Names> cases[] = {
        {{"--sort", "date"}, byDate},
        {{"--sort=date"}, byDate},
        {{"--sort", "name"}, byName},
        {{"--sort"}, byName},
        {{}, inputs},
    };
    for (const auto& [sort, expected] : cases) {
        Names args = {"--plan"};
        args.insert(args.end(), sort.begin(), sort.end());
        args.insert(args.end(), inputs.begin(), inputs.end());
        MakeRun run = Make(args);
        EXPECT_EQ(run.status, 0) << run.err;
        Names sources;
        for (std::size_t at = 0; at < run.out.size(); at = run.out.find('\n', at) + 1)
            sources.push_back(run.out.substr(at, run.out.find('\t', at) - at));
        Names wanted;
        for (const std::string& name : expected)
            wanted.push_back(dir / name);
        EXPECT_EQ(sources, wanted) << (sort.empty() ? "" : sort.back());
    }
}

TEST_F(MakeCommandTest, ListFileGivesTheSameAlbumAsTheOptions) {
    ForceDirectories(dir / "lists");
    test::WriteFile(dir / "lists/album.tsv",
                    "../in/b.jpg\t1\tabove\t../note.txt\tcover\r\n"
                    "\n" +
                        dir /
                            "in/a.JPG\n"
                            "\t\t\t../note.txt\n"
                            "../in/c.jpeg\t\t\t../note.txt");
    const std::vector<std::string> options = {
        "in/b.jpg", "--rotate",  "1",        "--note-above", "note.txt",     "--name",  "cover",
        "in/a.JPG", "--comment", "note.txt", "in/c.jpeg",    "--note-below", "note.txt"};
    std::vector<std::string> planned = {"--plan"};
    planned.insert(planned.end(), options.begin(), options.end());
    MakeRun expected = Make(planned);
    MakeRun run = Make({"--plan", "--list", "lists/album.tsv"});
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.out, expected.out);
    EXPECT_EQ(std::count(run.out.begin(), run.out.end(), '\n'), 4);

    run = Make({"-q", "-o", "out", "--head", "L", "--list", "lists/album.tsv", "in/a.JPG",
                "--rotate", "3"});
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(test::FolderNames(dir / "out/L.files"),
              (Names{"$_L001.jpg", "$_L002.jpg", "$_L003.jpg", "$_L004.jpg", "$_cover.jpg",
                     "L001.jpg", "L002.htm", "L002.jpg", "L003.htm", "L003.jpg", "L004.jpg",
                     "album.css", "album.js", "albumon-sizes", "cover.htm", "cover.jpg"}));
    EXPECT_EQ(ReadJpegHeader(test::ReadFile(dir / "out/L.files/cover.jpg")).width, 48);
    EXPECT_EQ(ReadJpegHeader(test::ReadFile(dir / "out/L.files/L004.jpg")).width, 48);
}

TEST_F(MakeCommandTest, UnusableListLinesFailWithTheirPlace) {
    struct BadList {
        const char* text;
        const char* message;
    };
    for (const BadList& bad : std::initializer_list<BadList>{
             {"in/a.JPG\nin/b.jpg\t4\n",
              "list.tsv:2: 回転は 0、1、2、3 のどれかです（「4」は使えません）"},
             {"in/a.JPG\t1\tleft\tnote.txt\n",
              "list.tsv:1: メモの位置は above か below です（「left」は使えません）"},
             {"\n\t1\n", "list.tsv:2: 解説文（パスが空の行）にはメモのファイルが必要です"},
             {"in/a.JPG\t\t\t\t\tx\n", "list.tsv:1: 欄が五つより多くあります"},
         }) {
        test::WriteFile(dir / "list.tsv", bad.text);
        MakeRun run = Make({"--plan", "--list", "list.tsv"});
        EXPECT_EQ(run.status, 1) << bad.text;
        EXPECT_NE(run.err.find(bad.message), std::string::npos) << run.err;
    }
    MakeRun run = Make({"--list", "none.tsv"});
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.err.find("none.tsv: ファイルが見つかりません"), std::string::npos) << run.err;
    EXPECT_EQ(Make({"--list"}).status, 2);
    EXPECT_TRUE(WorkFolderGone());
}

// An album folder given again comes back in the album's order with its names and notes.
TEST_F(MakeCommandTest, AlbumFolderComesBackInItsOrder) {
    MakeRun run = Make({"-q", "-o", "out", "--head", "旅", "in/a.JPG", "--name", "表紙",
                        "in/c.jpeg", "--note-above", "note.txt", "in/b.jpg", "--keep"});
    ASSERT_EQ(run.status, 0) << run.err;
    // The album folder, its index page, and the output folder that holds only this album all
    // stand for the album.
    const std::string album = dir / "out/旅.files/";
    for (const char* input : {"out/旅.files", "out/旅.htm", "out"}) {
        run = Make({"--plan", input});
        EXPECT_EQ(run.status, 0) << run.err;
        EXPECT_EQ(run.err, "") << input;
        EXPECT_EQ(run.out, album + "表紙.jpg\t表紙.jpg\t0\tnone\n" + album +
                               "旅001.jpg\t旅001.jpg\t0\tabove\n" + album +
                               "b.jpg\tb.jpg\t0\tnone\n")
            << input;
    }
}

// A list saved with a byte order mark reads as one without.
TEST_F(MakeCommandTest, ListFileMayStartWithAByteOrderMark) {
    test::WriteFile(dir / "bom.tsv", "\xEF\xBB\xBFin/b.jpg\t1\r\nin/a.JPG\r\n");
    test::WriteFile(dir / "plain.tsv", "in/b.jpg\t1\r\nin/a.JPG\r\n");
    MakeRun bom = Make({"--plan", "--list", "bom.tsv"});
    EXPECT_EQ(bom.status, 0) << bom.err;
    EXPECT_EQ(bom.out, Make({"--plan", "--list", "plain.tsv"}).out);
}

}  // namespace
}  // namespace albumon
