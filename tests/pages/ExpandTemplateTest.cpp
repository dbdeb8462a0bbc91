// Template expansion: the worked example byte for byte, the placeholder rules, the note blocks,
// the line rules of templates and notes, and the round trip through the note import.
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include "AlbumFixture.h"
#include "Errors.h"
#include "TextFile.h"
#include "W_html.h"

namespace albumon {
namespace {

const std::string kTable =
    "<TABLE BORDER=\"1\" CELLPADDING=\"0\" CELLSPACING=\"0\" BGCOLOR=#FFFFFF ALIGN=\"Center\" "
    "VALIGN=\"bottom\"><TR><TD>\r\n";

class ExpandTemplateTest : public test::AlbumTest {
  protected:
    // Expands template bytes for entry index and returns the page's bytes.
    std::string Expand(const std::string& templateBytes, int index = 0) {
        test::WriteFile(dir / "t.htm", templateBytes);
        ExpandTemplate(state, naming.HeadText, dir / "t.htm", dir / "page.htm", index);
        return test::ReadFile(dir / "page.htm");
    }

    void Note(EntryRecord& entry, std::int32_t pos, const std::string& bytes) {
        entry.NotePos = pos;
        test::WriteFile(NoteFilePath(state, entry), bytes);
    }

    void TwoEntryAlbum() {
        EntryRecord& first = Add("/p/a.jpg");
        first.OutName = "無題001.jpg";
        Note(first, npAbove, "Hello\r\nWorld\r\n");
        Add("/p/b.jpg").OutName = "無題002.jpg";
    }
};

TEST_F(ExpandTemplateTest, WorkedExampleByteForByte) {
    TwoEntryAlbum();
    std::string page = Expand(
        "title: $$$TITLE$$$ ($$$FILECOU$$$)\r\n$$$PRENOTE$$$\r\nimg $$$FILENAME$$$\r\n"
        "$$$POSTNOTE$$$\r\nlist: $$$FILELIST$$$ end\r\nthumb $$$PREFIX$$$\r\n");
    EXPECT_EQ(page, "title: 無題 (2)\r\n" + kTable +
                        "<!-- ALBUMON PRENOTE BEGIN -->\r\nHello\r\nWorld\r\n"
                        "<!-- ALBUMON PRENOTE END -->\r\n</TABLE>\r\n<BR><BR>\r\n\r\n"
                        "img 無題001.jpg\r\n\r\n"
                        "Fname[0]=\"無題001\";\r\nDocType[0]=1;\r\nFname[1]=\"無題002\";\r\n"
                        "DocType[1]=0;\r\nlist:  end\r\nthumb $_\r\n");
}

TEST_F(ExpandTemplateTest, PlaceholderOrderAndRepetition) {
    TwoEntryAlbum();
    naming.HeadText = "<&>$$$PREFIX$$$$$$FILELIST$$$";
    // Blocks come first whatever their place; each placeholder once per line; an inserted title
    // holding a later placeholder gets it replaced, an earlier one stays.
    EXPECT_EQ(Expand("a $$$TITLE$$$ $$$TITLE$$$ $$$POSTNOTE$$$ b $$$PRENOTE$$$ c"),
              kTable +
                  "<!-- ALBUMON PRENOTE BEGIN -->\r\nHello\r\nWorld\r\n"
                  "<!-- ALBUMON PRENOTE END -->\r\n</TABLE>\r\n<BR><BR>\r\n"
                  "a <&>$_$$$FILELIST$$$ $$$TITLE$$$  b  c\r\n");
    EXPECT_EQ(Expand("$$TITLE$$ $$$title$$$ $$$FILECOU$$$$$$FILECOU$$$"),
              "$$TITLE$$ $$$title$$$ 2$$$FILECOU$$$\r\n");
}

TEST_F(ExpandTemplateTest, LineRulesOfTemplates) {
    TwoEntryAlbum();
    EXPECT_EQ(Expand(""), "");
    EXPECT_EQ(Expand("plain\r\nlast"), "plain\r\nlast\r\n");
    // A template without any CR was made on Linux: LF ends its lines. With a CR, a lone LF does
    // not.
    EXPECT_EQ(Expand("a $$$FILECOU$$$\nb $$$FILECOU$$$\n"), "a 2\r\nb 2\r\n");
    EXPECT_EQ(Expand("a $$$FILECOU$$$\nb $$$FILECOU$$$\r\n"), "a 2\nb $$$FILECOU$$$\r\n");
    EXPECT_EQ(Expand("x\r\nab\x1a"
                     "cd\r\nef"),
              "x\r\nab\r\n");
    EXPECT_EQ(Expand("\x1a$$$TITLE$$$"), "");
}

TEST_F(ExpandTemplateTest, NoteBlocks) {
    EntryRecord& entry = Add("/p/a.jpg");
    entry.OutName = "noext";
    Note(entry, npBelow,
         "<b>$$$TITLE$$$</b>\r\ncut\x1a"
         "after\r\n");
    // The note's own placeholders stay; byte 26 ends the note; the closing lines still follow.
    EXPECT_EQ(Expand("$$$PRENOTE$$$\r\n$$$POSTNOTE$$$x\r\n$$$FILELIST$$$"),
              "\r\n<BR><BR>\r\n" + kTable +
                  "<!-- ALBUMON POSTNOTE BEGIN -->\r\n<b>$$$TITLE$$$</b>\r\ncut\r\n"
                  "<!-- ALBUMON POSTNOTE END -->\r\n</TABLE>\r\nx\r\n"
                  "Fname[0]=\"noext\";\r\nDocType[0]=1;\r\n\r\n");
    Note(entry, npBelow, "");
    EXPECT_EQ(Expand("$$$POSTNOTE$$$"), "<BR><BR>\r\n" + kTable +
                                            "<!-- ALBUMON POSTNOTE BEGIN -->\r\n"
                                            "<!-- ALBUMON POSTNOTE END -->\r\n</TABLE>\r\n\r\n");
    Note(entry, npBelow, "<p>made\non Linux</p>\n");
    EXPECT_EQ(Expand("$$$POSTNOTE$$$"), "<BR><BR>\r\n" + kTable +
                                            "<!-- ALBUMON POSTNOTE BEGIN -->\r\n<p>made\r\n"
                                            "on Linux</p>\r\n<!-- ALBUMON POSTNOTE END -->\r\n"
                                            "</TABLE>\r\n\r\n");
    ::unlink(NoteFilePath(state, entry).c_str());
    EXPECT_EQ(Expand("[$$$POSTNOTE$$$]"), "[]\r\n");
}

// Each name is the text of a script string: only what would end or break the string, or end or
// comment out the script around it, is escaped.
TEST_F(ExpandTemplateTest, FileListWritesNamesAsScriptStrings) {
    const struct {
        std::string outName;
        std::string text;
    } cases[] = {
        {"無題001.jpg", "無題001"},
        {"<b>&'<!--.jpg", "\\x3Cb>&'\\x3C!--"},
        {"</script><script>.jpg", "\\x3C/script>\\x3Cscript>"},
        {"a\\b.jpg", "a\\\\b"},
        {"My \"best\" trip.jpg", "My \\\"best\\\" trip"},
        {"tab\tcr\rlf\n.jpg", "tab\\x09cr\\x0Dlf\\x0A"},
        {std::string("nul\0\x1f\x7f.x.jpg", 12), "nul\\x00\\x1F\\x7F.x"},
    };
    for (const auto& c : cases) {
        state.EntryCount = 0;
        Add("/p/a.jpg").OutName = c.outName;
        EXPECT_EQ(Expand("$$$FILELIST$$$"), "Fname[0]=\"" + c.text + "\";\r\nDocType[0]=0;\r\n\r\n")
            << c.text;
    }
}

// A fifo nobody writes to, given as template or note, is refused at once; the earlier page stays.
TEST_F(ExpandTemplateTest, FifoTemplateOrNoteIsRefused) {
    const test::Watchdog watchdog(30);
    EntryRecord& entry = Add("/p/a.jpg");
    entry.OutName = "a.jpg";
    entry.NotePos = npAbove;
    ASSERT_EQ(::mkfifo(NoteFilePath(state, entry).c_str(), 0644), 0);
    ASSERT_EQ(::mkfifo((dir / "fifo.htm").c_str(), 0644), 0);
    test::WriteFile(dir / "t.htm", "$$$PRENOTE$$$\r\n");
    test::WriteFile(dir / "page.htm", "earlier page\r\n");
    for (const std::string& source : {dir / "fifo.htm", dir / "t.htm"}) {
        EXPECT_THROW(ExpandTemplate(state, "h", source, dir / "page.htm", 0), EFOpenError)
            << source;
        EXPECT_EQ(test::ReadFile(dir / "page.htm"), "earlier page\r\n");
    }
    EXPECT_EQ(test::FolderNames(dir.path()),
              (std::vector<std::string>{"Temp", "fifo.htm", "page.htm", "t.htm"}));
}

TEST_F(ExpandTemplateTest, EmptyAlbumAndIndexUsesFirstRecord) {
    EXPECT_EQ(Expand("[$$$FILELIST$$$] $$$FILECOU$$$"), "[] 0\r\n");
    TwoEntryAlbum();
    EXPECT_EQ(Expand("$$$FILENAME$$$", 1), "無題002.jpg\r\n");
}

TEST_F(ExpandTemplateTest, MissingTemplateWritesNothingAndFailuresRaise) {
    TwoEntryAlbum();
    ExpandTemplate(state, "h", dir / "none.htm", dir / "page.htm", 0);
    EXPECT_FALSE(FileExists(dir / "page.htm"));
    test::WriteFile(dir / "t.htm", "x\r\n");
    EXPECT_THROW(ExpandTemplate(state, "h", dir / "t.htm", dir / "no/page.htm", 0), EInOutError);
    // A folder is no template: nothing is written.
    ::mkdir((dir / "t2.htm").c_str(), 0755);
    ExpandTemplate(state, "h", dir / "t2.htm", dir / "page.htm", 0);
    EXPECT_FALSE(FileExists(dir / "page.htm"));
}

TEST_F(ExpandTemplateTest, FailedWriteLeavesTheEarlierPage) {
    TwoEntryAlbum();
    test::WriteFile(dir / "big.htm", std::string(200000, 'x') + "\r\n$$$TITLE$$$\r\n");
    test::WriteFile(dir / "page.htm", "earlier page\r\n");
    // A child process whose files may not grow past 64 KiB stands for a full disk.
    pid_t child = ::fork();
    if (child == 0) {
        ::signal(SIGXFSZ, SIG_IGN);
        rlimit limit{64 * 1024, 64 * 1024};
        ::setrlimit(RLIMIT_FSIZE, &limit);
        try {
            ExpandTemplate(state, "h", dir / "big.htm", dir / "page.htm", 0);
        } catch (const EInOutError&) {
            ::_exit(7);
        }
        ::_exit(0);
    }
    int status = 0;
    ::waitpid(child, &status, 0);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 7);
    EXPECT_EQ(test::ReadFile(dir / "page.htm"), "earlier page\r\n");
    EXPECT_EQ(test::FolderNames(dir.path()),
              (std::vector<std::string>{"Temp", "big.htm", "page.htm"}));
}

// Also a note holding the markers that frame it, or the comment that quotes them, comes back
// whole.
TEST_F(ExpandTemplateTest, PageGivesItsNoteBack) {
    std::string note =
        "first <i>line</i>\r\n\r\n日本語\nwith LF\r\n$$$FILELIST$$$\r\n"
        "<!-- ALBUMON PRENOTE END -->\r\na <!-- ALBUMON POSTNOTE END --> b\r\n"
        "<!-- ALBUMON NOTE LINE -->\r\n<!-- ALBUMON PRENOTE BEGIN -->\r\nlast\r\n";
    ForceDirectories(dir / "album");
    for (std::int32_t pos : {npAbove, npBelow}) {
        EntryRecord& entry = Add(dir / "album/pic.jpg");
        entry.OutName = "pic.jpg";
        Note(entry, pos, note);
        test::WriteFile(dir / "t.htm", "<p>$$$PRENOTE$$$<img>$$$POSTNOTE$$$</p>\r\n$$$FILELIST$$$");
        ExpandTemplate(state, "h", dir / "t.htm", dir / "album/pic.htm", 0);

        AlbumState again;
        again.TempPath = dir / "Temp2";
        ForceDirectories(again.TempPath);
        again.Entries[0].SourcePath = dir / "album/pic.jpg";
        again.Entries[0].NoteNo = 7;
        again.EntryCount = 1;
        ImportPageNotes(again, 0);
        EXPECT_EQ(again.Entries[0].NotePos, pos);
        EXPECT_EQ(test::ReadFile(NoteFilePath(again, again.Entries[0])), note);
        state.EntryCount = 0;
    }
}

// The placeholders of screen-size pictures: the picture list with captions made from the notes,
// and one entry's srcset, width and height, escaped for where they stand.
TEST_F(ExpandTemplateTest, PictureListSrcsetAndCaptions) {
    const struct {
        std::string note;
        std::string caption;
    } notes[] = {
        {"\r\n  <p>京都 &amp; <b>清水寺</b></p>\r\n二行目\r\n", "京都 & 清水寺"},
        {"<i></i>\r\n\"引用\" a\\b &lt;/script&gt; &#x41;&#66;",
         "\\\"引用\\\" a\\\\b \\x3C/script> AB"},
        {"あいうえおかきくけこさしすせそたちつてとなにぬねのはひふへほ",
         "あいうえおかきくけこさしすせそたちつてとなにぬ…"},
        {"", ""},
    };
    for (const auto& c : notes) {
        EntryRecord& entry = Add("/p/x.jpg");
        entry.OutName = "a b,c.JPG";
        if (!c.note.empty())
            Note(entry, npBelow, c.note);
        AlbumPictures pictures{"sizes", {{4000, 3000, {{160, 160, false}, {1280, 1280, true}}}}};
        test::WriteFile(dir / "t.htm",
                        "$$$PICTURES$$$\r\n<img srcset=\"$$$SRCSET$$$\" "
                        "width=\"$$$WIDTH$$$\" height=\"$$$HEIGHT$$$\">\r\n");
        ExpandTemplate(state, naming.HeadText, dir / "t.htm", dir / "page.htm", 0, &pictures);
        EXPECT_EQ(test::ReadFile(dir / "page.htm"),
                  "PictureFolder=\"sizes/\";\r\nPicture[0]={width:4000,height:3000,cards:[160],"
                  "views:[1280],extension:\".JPG\",caption:\"" +
                      c.caption +
                      "\"};\r\n\r\n<img srcset=\"sizes/a%20b%2Cc.1280.jpg 1280w, a%20b%2Cc.JPG "
                      "4000w\" width=\"4000\" height=\"3000\">\r\n");
        // Without the save's pictures (a picture that could not be decoded): sizes unknown.
        EXPECT_EQ(Expand("$$$SRCSET$$$|$$$WIDTH$$$|$$$HEIGHT$$$\r\n"), "||\r\n");
        ClearAlbum(state);
    }
}

}  // namespace
}  // namespace albumon
