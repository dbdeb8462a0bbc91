// Tests of the archiver's command line: quoting, splitting, switches and response files.
#include <gtest/gtest.h>

#include "ZipCommand.h"

namespace albumon {
namespace {

ResponseReader Responses(std::string path, std::string bytes) {
    return [path, bytes](const std::string& asked, std::string& out) {
        if (asked != path)
            return false;
        out = bytes;
        return true;
    };
}

TEST(ZipCommandTest, QuotingRoundTrips) {
    EXPECT_EQ(QuoteArgument("a \"b\" c"), "\"a \"\"b\"\" c\"");
    const std::string names[] = {"", "写真 1.jpg", "\"", "\"\"x\"", "tab\there", "-j", "@x"};
    for (const auto& name : names) {
        auto split = SplitCommandLine(QuoteArgument(name) + " " + QuoteArgument(name));
        ASSERT_TRUE(split) << name;
        ASSERT_EQ(split->size(), 2u) << name;
        EXPECT_EQ((*split)[0].text, name);
        EXPECT_TRUE((*split)[1].quoted);
    }
    EXPECT_FALSE(SplitCommandLine("\"open"));
    EXPECT_FALSE(SplitCommandLine("\"a\"\"\" \"b"));
    auto joined = SplitCommandLine("ab\"c d\"e  f");
    ASSERT_TRUE(joined);
    ASSERT_EQ(joined->size(), 2u);
    EXPECT_EQ((*joined)[0].text, "abc de");
}

TEST(ZipCommandTest, ParsesTheLineThePackingWrites) {
    auto command = ParseZipCommand(
        "-S -6 \"/album/無題.zip\" \"/album/\" \"/album/無題.htm\" \"/album/無題.files/*.*\" ", {});
    ASSERT_TRUE(command);
    EXPECT_TRUE(command->includeHidden);
    EXPECT_FALSE(command->junkPaths || command->updateOnly || command->recurse);
    EXPECT_EQ(command->level, 6);
    EXPECT_EQ(command->archivePath, "/album/無題.zip");
    EXPECT_EQ(command->baseDir, "/album/");
    EXPECT_EQ(command->names,
              (std::vector<std::string>{"/album/無題.htm", "/album/無題.files/*.*"}));

    EXPECT_FALSE(command->fileSync);
    auto all = ParseZipCommand("-j -u -r -0 -S9 -FS a.zip b c/", {});
    ASSERT_TRUE(all);
    EXPECT_TRUE(all->junkPaths && all->updateOnly && all->recurse && all->includeHidden &&
                all->fileSync);
    EXPECT_EQ(all->level, 9);
    EXPECT_EQ(all->baseDir, "") << "the second argument is a base folder only with its \"/\"";
    EXPECT_EQ(all->names, (std::vector<std::string>{"b", "c/"}));
}

TEST(ZipCommandTest, ResponseFileNames) {
    std::string bytes =
        "\"/b/a 1.txt\"\r\n\r\n\"/b/\"\"q\"\".txt\"\r\n\"@not a response\"\r\n\"-j\"\n/b/last";
    auto command = ParseZipCommand("-6 \"/b/x.zip\" \"/b/\" \"@/exe/Response.txt\"",
                                   Responses("/exe/Response.txt", bytes));
    ASSERT_TRUE(command);
    EXPECT_FALSE(command->junkPaths);
    EXPECT_EQ(command->names, (std::vector<std::string>{"/b/a 1.txt", "/b/\"q\".txt",
                                                        "@not a response", "-j", "/b/last"}));
    EXPECT_FALSE(ParseZipCommand("\"/b/x.zip\" \"@/missing\"", Responses("/other", "")));
}

TEST(ZipCommandTest, RejectsBadCommandLines) {
    const char* bad[] = {"", "-6", "-x a.zip b", "\"\" b", "-6 \"a.zip", "   "};
    for (const char* line : bad) {
        EXPECT_FALSE(ParseZipCommand(line, {})) << line;
    }
}

}  // namespace
}  // namespace albumon
