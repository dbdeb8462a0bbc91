// albumon-make run as a process: options, usage errors, exit statuses, saves with notes, names,
// commentary entries, the archive and templates, and its private work folder.
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

TEST_F(MakeCommandTest, SavesTheAlbumWithNotesTurnsAndArchive) {
    MakeRun run =
        Make({"-q", "-o", "out/new", "--head", "夏", "--zip", "--thumb-size", "32", "--prefix",
              " t_ ", "in/a.JPG", "--rotate", "1", "--comment", "note.txt", "in/b.jpg"});
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.out, "");
    EXPECT_EQ(test::FolderNames(dir / "out/new/夏.files"),
              (Names{"album.css", "album.js", "albumon-sizes", "t_夏001.jpg", "t_夏002.jpg",
                     "t_夏003.jpg", "夏001.jpg", "夏002.htm", "夏002.jpg", "夏003.jpg"}));
    JpegHeader turned = ReadJpegHeader(test::ReadFile(dir / "out/new/夏.files/夏001.jpg"));
    EXPECT_EQ(turned.width, 48);
    JpegHeader thumb = ReadJpegHeader(test::ReadFile(dir / "out/new/夏.files/t_夏003.jpg"));
    EXPECT_EQ(thumb.width, 32);
    EXPECT_EQ(test::ReadFile(dir / "out/new/夏.files/夏003.jpg"), test::ReadFile(dir / "in/b.jpg"));
    EXPECT_NE(test::ReadFile(dir / "out/new/夏.files/夏002.htm").find("first\r\n<b>second</b>\r\n"),
              std::string::npos);
    EXPECT_EQ(std::system(("unzip -tq " + Quote(dir / "out/new/夏.zip") + " >/dev/null").c_str()),
              0);
    // Without -q the summary names the count and the index page, in Japanese like the rest.
    run = Make({"-o", "out/new", "--head", "夏", "in/a.JPG", "--comment", "note.txt"});
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.out, "保存しました: 2 枚 — " + (dir / "out/new/夏.htm") + "\n");
    EXPECT_TRUE(WorkFolderGone());
}

TEST_F(MakeCommandTest, UsageErrorsExitWithTwo) {
    for (const std::vector<std::string>& args : std::vector<std::vector<std::string>>{
             {},
             {"--rotate", "1", "in/a.JPG"},
             {"in/a.JPG", "--rotate", "4"},
             {"in/a.JPG", "--quality", "0"},
             {"in/a.JPG", "--quality", "101"},
             {"in/a.JPG", "--thumb-size", "31"},
             {"in/a.JPG", "--thumb-size", "129"},
             {"in/a.JPG", "--start", "1000"},
             {"in/a.JPG", "--start", "x"},
             {"in/a.JPG", "--out"},
             {"in/a.JPG", "--frobnicate"},
             {"in/a.JPG", "--zip=yes"},
             {"in/a.JPG", "--sort=size"},
             {"in/a.JPG", "--sort", "size"},
         }) {
        MakeRun run = Make(args);
        EXPECT_EQ(run.status, 2) << args.size();
        // One line saying what is wrong, in Japanese like the rest, and where to read more.
        const auto firstEnd = run.err.find('\n');
        ASSERT_NE(firstEnd, std::string::npos) << run.err;
        EXPECT_EQ(run.err.substr(firstEnd + 1), "詳しくは albumon-make --help\n");
        EXPECT_EQ(run.err.rfind("albumon-make: ", 0), 0u) << run.err;
        EXPECT_TRUE(std::any_of(run.err.begin(), run.err.end(), [](char c) { return c < 0; }))
            << run.err;
    }
    // A word after --sort that is no order and no file is named, not looked for as an input.
    EXPECT_EQ(
        Make({"in/a.JPG", "--sort", "size"}).err,
        "albumon-make: オプション --sort には name か date を指定してください（「size」は使えま"
        "せん）\n詳しくは albumon-make --help\n");
    EXPECT_EQ(Make({"--help"}).status, 0);
    EXPECT_NE(Make({"--version"}).out.find("albumon-make "), std::string::npos);
}

TEST_F(MakeCommandTest, FailuresExitWithOneAndLeaveNoWorkFolder) {
    test::WriteFile(dir / "blocker", "a file where the output folder should go");
    MakeRun run = Make({"-o", "blocker/out", "in/a.JPG", "--note-below", "note.txt"});
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.err.find("albumon-make: "), std::string::npos);
    EXPECT_TRUE(WorkFolderGone());

    run = Make({"--template", "in", "in/a.JPG"});
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.err.find("テンプレートファイル（Def.htm)がありません"), std::string::npos);

    run = Make({"-o", "out", "in/a.JPG", "--note-below", "missing.txt"});
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.err.find("missing.txt"), std::string::npos);

    run = Make({"-o", "out", "in/a.JPG", "--note-below", "in"});
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.err.find("注記に指定した in はフォルダーです"), std::string::npos) << run.err;

    run = Make({"-o", "out", "in/notes.txt", "--rotate", "1"});
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.err,
              "albumon-make: 警告: in/notes.txt は追加できる写真ではありません\n"
              "albumon-make: --rotate の前の入力では画像が追加されていません\n");
    EXPECT_TRUE(WorkFolderGone());
}

TEST_F(MakeCommandTest, NamesThatLeadOutOfTheOutputFolderExitWithTwo) {
    for (const std::vector<std::string>& args : std::vector<std::vector<std::string>>{
             {"in/a.JPG", "--name", "../../x"},
             {"in/a.JPG", "--name", "sub/x"},
             {"--head", "../x", "in/a.JPG"},
             {"--head", "a/b", "in/a.JPG"},
             {"--head", "..", "in/a.JPG"},
             {"--head", ".", "in/a.JPG"},
             {"--prefix", "../", "in/a.JPG"},
         }) {
        std::vector<std::string> full{"-o", "out/deep", "--zip"};
        full.insert(full.end(), args.begin(), args.end());
        MakeRun run = Make(full);
        EXPECT_EQ(run.status, 2) << args[1];
        EXPECT_EQ(run.err.rfind("albumon-make: ", 0), 0u) << run.err;
        EXPECT_NE(run.err.find(args[args[0] == "in/a.JPG" ? 2 : 1]), std::string::npos) << run.err;
        EXPECT_TRUE(test::FolderNames(dir / "out").empty()) << args[1];
        EXPECT_EQ(test::FolderNames(dir.path()),
                  (Names{"err.txt", "in", "note.txt", "out", "tmp"}));
    }
    EXPECT_TRUE(WorkFolderGone());
}

TEST_F(MakeCommandTest, PicturesNotHandledAsAskedAreNamedOnePerLineAndTheSaveSucceeds) {
    test::WriteFile(dir / "in/bad.jpg", "not a picture");
    test::WriteFile(dir / "in/odd.jpg", test::ColorJpeg(64, 50));  // 50 rows: no lossless turn
    test::WriteFile(dir / "in/phone.jpg", test::PhoneJpeg(test::QuadrantRaster(64, 48), {6}));
    const std::string located = test::LocatedJpeg({true, true, true, true, true, true});
    test::WriteFile(dir / "in/located.jpg", located);
    struct Case {
        std::vector<std::string> args;
        std::vector<std::string> warnings;
        bool gps;  // the phone photo's copy still has its GPS data
    };
    const std::string bad = dir / "in/bad.jpg", odd = dir / "in/odd.jpg";
    for (const Case& c : std::vector<Case>{
             {{"--keep-location", "in/bad.jpg", "in/phone.jpg"},
              {bad + ": 画像を読み取れない", "位置情報を含む写真 1 枚を"},
              true},
             {{"in/bad.jpg", "--rotate", "1", "in/odd.jpg", "--rotate", "1"},
              {bad + ": 画像を読み取れない", bad + ": 画像を回転できない"},
              true},
             {{"--lossless-turns", "--strip-location", "in/odd.jpg", "--rotate", "1",
               "in/phone.jpg"},
              {odd + ": 大きさが無劣化の回転に合わない"},
              false},
             {{"--keep-location", "in/phone.jpg", "--lossless-turns", "in/odd.jpg", "--rotate",
               "2"},
              {odd + ": 大きさが無劣化の回転に合わない", "位置情報を含む写真 1 枚を"},
              true},
             {{"--strip-location", "in/located.jpg", "in/phone.jpg"},
              {dir / "in/located.jpg: 読み取れないメタデータがある"},
              false},
             {{"--strip-location", "--keep-location", "in/located.jpg", "in/phone.jpg"},
              {"位置情報を含む写真 2 枚を"},
              true},
             // Without either option the place is left out, as the window's first start does.
             {{"in/located.jpg", "in/phone.jpg"},
              {dir / "in/located.jpg: 読み取れないメタデータがある"},
              false},
         }) {
        SCOPED_TRACE(c.args.front() + " " + c.args.back());
        fs::remove_all(dir / "out");
        std::vector<std::string> args{"-q", "-o", "out"};
        args.insert(args.end(), c.args.begin(), c.args.end());
        MakeRun run = Make(args);
        EXPECT_EQ(run.status, 0) << run.err;
        std::vector<std::string> lines;
        for (std::size_t at = 0, end; (end = run.err.find('\n', at)) != std::string::npos;
             at = end + 1) {
            lines.push_back(run.err.substr(at, end - at));
        }
        ASSERT_EQ(lines.size(), c.warnings.size()) << run.err;
        for (std::size_t i = 0; i < lines.size(); ++i) {
            EXPECT_EQ(lines[i].rfind("albumon-make: 警告: " + c.warnings[i], 0), 0u) << lines[i];
        }
        // Every entry has its thumbnail, the undecodable one included.
        EXPECT_TRUE(FileExists(dir / "out/無題.files/$_無題001.jpg"));
        EXPECT_TRUE(FileExists(dir / "out/無題.files/$_無題002.jpg"));
        const std::string phone = dir / "out/無題.files/無題002.jpg";
        if (c.args.back() == "in/phone.jpg") {
            EXPECT_EQ(test::ReadExifFacts(test::ReadFile(phone)).gps, c.gps);
        }
        // A photo tagged with its place in every way keeps none of it, or is copied as it is.
        if (std::find(c.args.begin(), c.args.end(), "in/located.jpg") != c.args.end()) {
            const std::string output = test::ReadFile(dir / "out/無題.files/無題001.jpg");
            if (c.gps) {
                EXPECT_TRUE(output == located);
            } else {
                for (const std::string& text : test::PlaceTexts())
                    EXPECT_EQ(output.find(text), std::string::npos) << text;
                EXPECT_FALSE(test::AnyExifGps(output));
                EXPECT_NE(output.find("Hanako Yamada"), std::string::npos);
            }
        }
    }
}

// A template made on Linux from one copied from Windows: lower-case names, lines ended by LF.
TEST_F(MakeCommandTest, TemplateWithLowerCaseNamesAndLfLines) {
    test::WriteFile(dir / "tpl/def.htm", "<title>$$$TITLE$$$</title>\n<script>\n$$$FILELIST$$$\n");
    test::WriteFile(dir / "tpl/def.files/defpage.htm", "<p>\n$$$POSTNOTE$$$\n$$$FILENAME$$$\n");
    Jpeg(dir / "tpl/def.files/defnote.jpg", 20, 10);
    test::WriteFile(dir / "tpl/def.files/style.css", "p {}\n");
    test::WriteFile(dir / "lf-note.txt", "made\non Linux\n");
    MakeRun run = Make({"-q", "-o", "out", "--template", "tpl", "in/a.JPG", "--note-below",
                        "lf-note.txt", "--comment", "note.txt"});
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(test::ReadFile(dir / "out/無題.htm"),
              "<title>無題</title>\r\n<script>\r\nFname[0]=\"無題001\";\r\nDocType[0]=1;\r\n"
              "Fname[1]=\"無題002\";\r\nDocType[1]=1;\r\n\r\n");
    EXPECT_EQ(test::FolderNames(dir / "out/無題.files"),
              (Names{"$_無題001.jpg", "$_無題002.jpg", "style.css", "無題001.htm", "無題001.jpg",
                     "無題002.htm", "無題002.jpg"}));
    EXPECT_EQ(test::ReadFile(dir / "out/無題.files/無題002.jpg"),
              test::ReadFile(dir / "tpl/def.files/defnote.jpg"));
    EXPECT_NE(test::ReadFile(dir / "out/無題.files/無題001.htm")
                  .find("BEGIN -->\r\nmade\r\non Linux\r\n<!-- ALBUMON POSTNOTE END"),
              std::string::npos);
}

// Colliding names, "\" with a zip and names too long are refused before anything is written,
// naming what is wrong; a plan still shows the entries, the colliding ones marked.
TEST_F(MakeCommandTest, NamesTheAlbumCannotTakeExitWithTwo) {
    Jpeg(dir / "in2/b.jpg");
    fs::copy(fs::path(ALBUMON_MAKE).parent_path() / "Def", dir / "tpl",
             fs::copy_options::recursive);
    struct Case {
        std::vector<std::string> args;
        std::string message;
    };
    const Case cases[] = {
        {{"in/b.jpg", "--keep", "in2/b.jpg", "--keep"},
         "1番目（b.jpg）と2番目（b.jpg）: 「b.jpg」"},
        {{"in/b.jpg", "in/a.JPG", "--name", "無題001.png"}, "「無題001.jpg」"},
        {{"in/b.jpg", "--keep", "in/a.JPG", "--name", "$_b"}, "「$_b.jpg」"},
        {{"--zip", "in/b.jpg", "--name", "..\\x"}, "..\\x.jpg」には「\\」"},
        {{"--zip", "--head", "a\\b", "in/b.jpg"}, "a\\b」には「\\」"},
        {{"in/b.jpg", "--name", std::string(251, 'n')}, "長すぎます"},
        {{"--template", "tpl", "-o", "tpl/x", "in/b.jpg"}, "テンプレートフォルダー"},
    };
    for (const Case& c : cases) {
        std::vector<std::string> args{"-o", "out/new"};
        args.insert(args.end(), c.args.begin(), c.args.end());
        MakeRun run = Make(args);
        EXPECT_EQ(run.status, 2) << c.message;
        EXPECT_NE(run.err.find(c.message), std::string::npos) << run.err;
        EXPECT_FALSE(fs::exists(dir / "out/new")) << c.message;
    }
    EXPECT_FALSE(fs::exists(dir / "tpl/x"));
    MakeRun plan = Make({"--plan", "in/b.jpg", "--keep", "in/c.jpeg", "in2/b.jpg", "--keep",
                         "in/a.JPG", "--name", "2024.05.01 旅行"});
    EXPECT_EQ(plan.status, 2);
    EXPECT_EQ(plan.out, dir / "in/b.jpg\tb.jpg\t0\tnone\tcollides:3\n" +
                            dir / "in/c.jpeg\t無題001.jpg\t0\tnone\n" +
                            dir / "in2/b.jpg\tb.jpg\t0\tnone\tcollides:1\n" +
                            dir / "in/a.JPG\t2024.05.01 旅行.jpg\t0\tnone\n");
    // Without a zip a "\" stays allowed.
    EXPECT_EQ(Make({"-q", "-o", "out", "in/b.jpg", "--name", "a\\b"}).status, 0);
    EXPECT_TRUE(FileExists(dir / "out/無題.files/a\\b.jpg"));
    EXPECT_TRUE(WorkFolderGone());
}

// A refused support file is named in one warning line; the album and the archive are made.
TEST_F(MakeCommandTest, ARefusedSupportFileWarnsAndTheSaveGoesOn) {
    fs::copy(fs::path(ALBUMON_MAKE).parent_path() / "Def", dir / "tpl",
             fs::copy_options::recursive);
    ASSERT_EQ(::mkfifo((dir / "tpl/Def.files/pipe").c_str(), 0644), 0);
    MakeRun run = Make({"-q", "-o", "out", "--template", "tpl", "--zip", "in/a.JPG"});
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.err.rfind("albumon-make: 警告: " + dir / "tpl/Def.files/pipe: ", 0), 0u)
        << run.err;
    EXPECT_EQ(std::count(run.err.begin(), run.err.end(), '\n'), 1);
    EXPECT_TRUE(FileExists(dir / "out/無題.files/無題001.jpg"));
    EXPECT_TRUE(FileExists(dir / "out/無題.zip"));
}

// A run refused before saving makes no folder at all.
TEST_F(MakeCommandTest, ARefusedRunCreatesNothing) {
    for (const std::vector<std::string>& args :
         {std::vector<std::string>{"-o", "new/deep", "--head", "a/b", "in/a.JPG"},
          {"-o", "new/deep", "in/none.jpg"},
          {"-o", "new/deep", "in/notes.txt"}}) {
        EXPECT_NE(Make(args).status, 0) << args[3];
        EXPECT_FALSE(fs::exists(dir / "new")) << args[3];
    }
}

// Two runs on one album at once: one of the albums, whole, never a mix; a run that finds the
// album busy fails naming it.
TEST_F(MakeCommandTest, TwoRunsOnOneAlbumNeverMix) {
    const std::vector<std::string> first{"in/a.JPG", "in/b.jpg"};
    const std::vector<std::string> second{"in/c.jpeg", "in/b.jpg", "in/a.JPG"};
    Jpeg(dir / "in/b.jpg", 40, 30);
    Jpeg(dir / "in/c.jpeg", 30, 20);
    auto command = [&](const std::vector<std::string>& inputs, const std::string& tag) {
        std::string line =
            "TMPDIR=" + Quote(dir / "tmp") + " " + Quote(ALBUMON_MAKE) + " -q -o out";
        for (const std::string& input : inputs)
            line += " " + Quote(input);
        return "(" + line + " 2>" + tag + ".err; echo $? >" + tag + ".status) &";
    };
    const std::string both = "cd " + Quote(dir.path()) + "; " + command(first, "1") + " " +
                             command(second, "2") + " wait";
    int busy = 0;
    for (int round = 0; round < 20; ++round) {
        ASSERT_EQ(std::system(both.c_str()), 0);
        int ok = 0;
        for (const char* tag : {"1", "2"}) {
            const std::string status = test::ReadFile(dir / (std::string(tag) + ".status"));
            const std::string err = test::ReadFile(dir / (std::string(tag) + ".err"));
            if (status == "0\n") {
                ++ok;
                continue;
            }
            ++busy;
            EXPECT_EQ(status, "1\n") << err;
            EXPECT_NE(err.find(dir / "out/無題.htm"), std::string::npos) << err;
        }
        EXPECT_GE(ok, 1);
        // The album in place is one run's: its pictures in its order, nothing of the other.
        const Names names = test::FolderNames(dir / "out/無題.files");
        const auto& inputs = FileExists(dir / "out/無題.files/無題003.jpg") ? second : first;
        EXPECT_EQ(names.size(), 2 * inputs.size() + 2) << round;  // + the support files
        for (std::size_t k = 0; k < inputs.size(); ++k) {
            EXPECT_EQ(
                test::ReadFile(dir / ("out/無題.files/無題00" + std::to_string(k + 1) + ".jpg")),
                test::ReadFile(dir / inputs[k]))
                << round;
        }
        EXPECT_TRUE(WorkFolderGone());
    }
    std::printf("two runs at once: %d of 40 found the album busy\n", busy);
}

}  // namespace
}  // namespace albumon
