// Tests of the profile-file layer: reading files of other writers, changing keys in place.
#include <gtest/gtest.h>

#include "ProfileFile.h"

namespace albumon {
namespace {

TEST(ProfileFileTest, ReadsUsualProfileFileSyntax) {
    ProfileFile file(
        "; a comment\r\n"
        "[ pos ]\n"
        "  TOP  =  12  \r"
        "# Left=99\r\n"
        "left=\"  quoted  \"\r\n"
        "novalue\r\n"
        "[File]\r\n"
        "In=a=b\r\n"
        "[Pos]\r\n"
        "Top=77\r\n"
        "Empty=\r\n");
    EXPECT_EQ(file.Value("Pos", "Top"), "12");
    EXPECT_EQ(file.Value("POS", "left"), "  quoted  ");
    EXPECT_EQ(file.Value("File", "In"), "a=b");
    EXPECT_EQ(file.Value("Pos", "Empty"), std::nullopt) << "only the first section counts";
    EXPECT_EQ(file.Value("Pos", "novalue"), std::nullopt);
    EXPECT_EQ(file.Value("Pos", "# Left"), std::nullopt);
    EXPECT_EQ(file.Value("Thumb", "Size"), std::nullopt);
}

TEST(ProfileFileTest, LongValuesAreCut) {
    std::string longValue(3000, 'x');
    ProfileFile file("[File]\r\nIn=" + longValue + "\r\n");
    EXPECT_EQ(file.Value("File", "In")->size(), kProfileValueMax);
}

TEST(ProfileFileTest, FirstWriteLaysSectionsInOrderOfFirstUse) {
    ProfileFile file;
    file.SetValue("Pos", "Top", "1");
    file.SetValue("File", "In", "/a");
    file.SetValue("Pos", "Left", "2");
    file.SetValue("File", "Out", "/b/");
    EXPECT_EQ(file.Bytes(), "[Pos]\r\nTop=1\r\nLeft=2\r\n[File]\r\nIn=/a\r\nOut=/b/\r\n");
}

TEST(ProfileFileTest, ChangesKeepEveryOtherLineAsItWas) {
    std::string before =
        "; kept\n"
        "[Other]\r\n"
        "Top=5\r\n"
        "[pos]\r\n"
        "x = y\n"
        "TOP = 3 ; old\r\n"
        "; trailing comment of pos\r\n"
        "\r\n"
        "[Last]\r\n"
        "z=1";
    ProfileFile file(before);
    file.SetValue("Pos", "Top", "42");
    file.SetValue("Pos", "Left", "7");
    file.SetValue("Thumb", "Head", "$_");
    EXPECT_EQ(file.Bytes(),
              "; kept\n"
              "[Other]\r\n"
              "Top=5\r\n"
              "[pos]\r\n"
              "x = y\n"
              "Top=42\r\n"
              "Left=7\r\n"
              "; trailing comment of pos\r\n"
              "\r\n"
              "[Last]\r\n"
              "z=1\r\n"
              "[Thumb]\r\n"
              "Head=$_\r\n");
}

TEST(ProfileFileTest, ValuesThatWouldChangeOnReadingAreQuoted) {
    ProfileFile file;
    const std::string values[] = {" lead", "trail\t", "\"both\"", "", "\"", "plain text"};
    for (const auto& value : values) {
        file.SetValue("S", "K", value);
        ProfileFile reread(file.Bytes());
        EXPECT_EQ(reread.Value("S", "K"), value) << file.Bytes();
    }
    EXPECT_EQ(file.Bytes(), "[S]\r\nK=plain text\r\n");
    file.SetValue("S", "K", "one\r\n[S]\r\nK=two");
    EXPECT_EQ(file.Bytes(), "[S]\r\nK=one\r\n");
}

TEST(ProfileFileTest, IntegerForms) {
    EXPECT_EQ(ParseProfileInteger("0x50"), 80);
    EXPECT_EQ(ParseProfileInteger("0XfF"), 255);
    EXPECT_EQ(ParseProfileInteger("$1A"), 26);
    EXPECT_EQ(ParseProfileInteger("-$10"), -16);
    EXPECT_EQ(ParseProfileInteger("  -12"), -12);
    EXPECT_EQ(ParseProfileInteger("+7"), 7);
    EXPECT_EQ(ParseProfileInteger("2147483647"), 2147483647);
    EXPECT_EQ(ParseProfileInteger("-2147483648"), -2147483647 - 1);
    EXPECT_EQ(ParseProfileInteger("0xFFFFFFFF"), -1);
    const char* rejected[] = {"",  "abc", "0x",  "0x1G", "12 ",  "1.5", "2147483648", "0x100000000",
                              "$", "- 1", "--1", "0x-1", " 0x10"};
    for (const char* text : rejected) {
        EXPECT_EQ(ParseProfileInteger(text), std::nullopt) << '"' << text << '"';
    }
}

}  // namespace
}  // namespace albumon
