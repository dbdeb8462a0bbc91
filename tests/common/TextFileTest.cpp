// The line rules of text files: CR and CR LF end lines, a lone LF does not (unless the text has
// no CR at all), byte 26 ends the file, CR LF is written after every line, bytes pass unchanged;
// what the readers refuse to read.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include "Errors.h"
#include "FileSystem.h"
#include "TestSupport.h"
#include "TextFile.h"

namespace albumon {
namespace {

using Lines = std::vector<std::string>;

TEST(TextLines, LineEndsAndEndOfFile) {
    EXPECT_EQ(SplitTextLines(""), Lines{});
    EXPECT_EQ(SplitTextLines("a\r\nb\rc"), (Lines{"a", "b", "c"}));
    EXPECT_EQ(SplitTextLines("a\r\n\r\nb\r\n"), (Lines{"a", "", "b"}));
    EXPECT_EQ(SplitTextLines("a\r\r\nb"), (Lines{"a", "", "b"}));
    EXPECT_EQ(SplitTextLines("ab\x1a"
                             "cd\r\nef"),
              Lines{"ab"});
    EXPECT_EQ(SplitTextLines("ab\r\n\x1a"
                             "cd"),
              Lines{"ab"});
    EXPECT_EQ(SplitTextLines("\x1a"), Lines{});
    const std::string withNul("\xe6\x97\x85\0z\r\n", 7);
    EXPECT_EQ(SplitTextLines(withNul), Lines{withNul.substr(0, 5)});
}

// Text made on Linux has no CR at all: there LF ends lines. One CR before the end of the text
// anywhere keeps the CR rules, under which a lone LF is part of its line.
TEST(TextLines, TextWithoutCrEndsLinesAtLf) {
    const std::string longLine(70000, 'x');  // beyond the reader's first 64 KiB chunk
    const struct {
        std::string bytes;
        Lines lines;
    } cases[] = {
        {"a\nb\n", {"a", "b"}},
        {"a\n\nb", {"a", "", "b"}},
        {"\n", {""}},
        {"a\nb\x1a", {"a", "b"}},
        {"a\nb\x1a\r\nc\n", {"a", "b"}},
        {"a\nb\r\n", {"a\nb"}},
        {"a\nb\rc\n", {"a\nb", "c\n"}},
        {longLine + "\nz\n", {longLine, "z"}},
        {longLine + "\nz\r", {longLine + "\nz"}},
    };
    test::TempDir dir;
    for (const auto& c : cases) {
        const std::string shown = c.bytes.substr(0, 20);
        EXPECT_EQ(SplitTextLines(c.bytes), c.lines) << shown;
        test::WriteFile(dir / "t.txt", c.bytes);
        EXPECT_EQ(ReadTextLines(dir / "t.txt"), c.lines) << shown;
    }
}

TEST(TextLines, ReaderKeepsCrLfAcrossItsBufferBoundary) {
    test::TempDir dir;
    // A CR as the last byte of the reader's first 64 KiB chunk and its LF as the first of the next.
    std::string first(64 * 1024 - 1, 'x');
    std::string bytes = first + "\r\n" + "second";
    test::WriteFile(dir / "t.txt", bytes);
    EXPECT_EQ(ReadTextLines(dir / "t.txt"), (Lines{first, "second"}));
}

TEST(TextLines, LongLinesAndRoundTrip) {
    test::TempDir dir;
    Lines lines{std::string(300000, 'q'), "", "日本語 <b>&</b>", "x\ny"};
    WriteTextLines(dir / "w.txt", lines);
    EXPECT_EQ(test::ReadFile(dir / "w.txt"),
              std::string(300000, 'q') + "\r\n\r\n日本語 <b>&</b>\r\nx\ny\r\n");
    EXPECT_EQ(ReadTextLines(dir / "w.txt"), lines);
}

TEST(TextLines, FailuresCarryTheirCodes) {
    test::TempDir dir;
    try {
        ReadTextLines(dir / "missing.txt");
        FAIL() << "no error";
    } catch (const EInOutError& e) {
        EXPECT_EQ(e.ErrorCode(), 2);
        EXPECT_EQ(e.what(), "ファイルが見つかりません (" + (dir / "missing.txt") + ")");
    }
    try {
        WriteTextLines(dir / "no/such/folder.txt", {"a"});
        FAIL() << "no error";
    } catch (const EInOutError& e) {
        EXPECT_EQ(e.ErrorCode(), 2);
        EXPECT_EQ(e.what(), "ファイルが見つかりません (" + (dir / "no/such/folder.txt") + ")");
    }
    try {
        ReadTextLines(dir / "missing.txt/below");
        FAIL() << "no error";
    } catch (const EInOutError& e) {
        EXPECT_TRUE(e.ErrorCode() == 2 || e.ErrorCode() == 3);
    }
}

// A fifo, a device or a file beyond the bound is refused at once with a message naming it: a
// fifo nobody writes would hold the reader for ever, a device such as /dev/zero never ends.
TEST(TextLines, EndlessAndHugeInputsAreRefused) {
    test::TempDir dir;
    const test::Watchdog watchdog(30);
    ASSERT_EQ(::mkfifo((dir / "fifo").c_str(), 0644), 0);
    const std::string huge = dir / "huge.txt";
    test::WriteFile(huge, "");
    ASSERT_EQ(::truncate(huge.c_str(), kMaxTextFileBytes + 1), 0);  // sparse: no disk used
    const struct {
        std::string path;
        std::string reason;
    } cases[] = {
        {dir / "fifo", "通常のファイルではありません"},
        {"/dev/zero", "通常のファイルではありません"},
        {huge, "大きすぎます"},
    };
    for (const auto& c : cases) {
        try {
            ReadTextLines(c.path);
            ADD_FAILURE() << c.path << " was read";
        } catch (const EFOpenError& e) {
            EXPECT_EQ(std::string(e.what()),
                      "ファイル " + c.path + " は開けません（" + c.reason + "）");
        }
        std::string bytes;
        EXPECT_TRUE(IsRefusal(ReadWholeFile(c.path, bytes))) << c.path;
    }
    EXPECT_EQ(CopyFileReplacing(dir / "fifo", dir / "copy"), kNotRegularFile);
    EXPECT_EQ(CopyFileReplacing("/dev/zero", dir / "copy"), kNotRegularFile);
    EXPECT_FALSE(FileExists(dir / "copy"));
    test::WriteFile(dir / "ten.txt", "0123456789");
    std::string bytes;
    EXPECT_EQ(ReadWholeFile(dir / "ten.txt", bytes, 9), kFileTooLarge);
    EXPECT_EQ(ReadWholeFile(dir / "ten.txt", bytes, 10), 0);
    EXPECT_EQ(bytes, "0123456789");
}

TEST(TextLines, ErrorCodeTable) {
    EXPECT_EQ(EInOutError(101).what(), std::string("ディスクがいっぱいです"));
    EXPECT_EQ(EInOutError(5).what(), std::string("ファイルへのアクセスが拒否されました"));
    EXPECT_EQ(EInOutError(32).what(), std::string("I/O エラー (32)"));
    EXPECT_EQ(ErrorCodeFromErrno(ENOSPC), 101);
    EXPECT_EQ(ErrorCodeFromErrno(EROFS), 5);
    EXPECT_EQ(ErrorCodeFromErrno(ENAMETOOLONG), 3);
    EXPECT_EQ(ErrorCodeFromErrno(EMFILE), 4);
}

}  // namespace
}  // namespace albumon

namespace albumon {
namespace {

TEST(TextLines, ReplacingWriterLeavesTheOldFileUntilComplete) {
    test::TempDir dir;
    test::WriteFile(dir / "page.htm", "old page\r\n");
    {
        TextFileWriter writer(dir / "page.htm", WriteMode::Replace);
        writer.WriteLine("new");
    }  // never closed: abandoned
    EXPECT_EQ(test::ReadFile(dir / "page.htm"), "old page\r\n");
    EXPECT_EQ(test::FolderNames(dir.path()), std::vector<std::string>{"page.htm"});
    TextFileWriter writer(dir / "page.htm", WriteMode::Replace);
    writer.WriteLine("new");
    writer.Close();
    EXPECT_EQ(test::ReadFile(dir / "page.htm"), "new\r\n");
    EXPECT_EQ(test::FolderNames(dir.path()), std::vector<std::string>{"page.htm"});
}

}  // namespace
}  // namespace albumon
