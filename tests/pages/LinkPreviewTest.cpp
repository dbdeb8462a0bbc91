// Link previews and the static photo list: the escaping of texts and addresses, the tags of the
// index page and of a picture's page, and what the new placeholders expand to (nothing without
// a public address).
#include <regex>

#include "AlbumFixture.h"
#include "LinkPreview.h"
#include "PhotoList.h"
#include "TextFile.h"
#include "W_html.h"

namespace albumon {
namespace {

// The attribute values of the meta elements of page text, by property or name.
std::map<std::string, std::string> MetaValues(const std::string& text) {
    static const std::regex meta("<meta (?:property|name)=\"([^\"]*)\" content=\"([^\"]*)\">");
    std::map<std::string, std::string> values;
    for (auto it = std::sregex_iterator(text.begin(), text.end(), meta);
         it != std::sregex_iterator(); ++it)
        values[(*it)[1]] = (*it)[2];
    return values;
}

TEST(LinkPreview, TextsAndAddressesAreEscaped) {
    const struct {
        std::string text, html, url;
    } cases[] = {
        {"旅 & 海", "旅 &amp; 海", "%E6%97%85%20%26%20%E6%B5%B7"},
        {"\"x\" <y> 'z'", "&quot;x&quot; &lt;y&gt; &#39;z&#39;", "%22x%22%20%3Cy%3E%20%27z%27"},
        {"a\tb\r\nc\x7F", "a b  c ", "a%09b%0D%0Ac%7F"},
        {"100%#?.files/p-1_~.jpg", "100%#?.files/p-1_~.jpg", "100%25%23%3F.files/p-1_~.jpg"},
        {"", "", ""},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(HtmlText(c.text), c.html) << c.text;
        EXPECT_EQ(UrlPath(c.text), c.url) << c.text;
    }
    // A public address gets its "/" once, whether it was typed with one or not.
    // Typed as the user reads it, it is escaped where a URL may not hold a character as it is.
    const struct {
        std::string base, address;
    } addresses[] = {
        {"https://example.jp/albums", "https://example.jp/albums/%E6%97%85.htm"},
        {"https://example.jp/albums/", "https://example.jp/albums/%E6%97%85.htm"},
        {"https://example.jp/友 \"x\"/?a=1&b=%41",
         "https://example.jp/%E5%8F%8B%20%22x%22/?a=1&b=%41/%E6%97%85.htm"},
    };
    for (const auto& a : addresses)
        EXPECT_EQ(PublicAddress(a.base, "旅.htm"), a.address) << a.base;
}

class LinkPreviewTest : public test::AlbumTest {
  protected:
    LinkPreviewTest() {
        EntryRecord& first = Add("/p/a.jpg");
        first.OutName = "海 #1.jpg";
        Note(first, npBelow,
             "\r\n<b>清水寺</b> & \"夕方\" の長い長い長い長い長い長い長い一行目\r\n二行目\r\n");
        Add("/p/b.jpg").OutName = "b.jpg";
        EntryRecord& third = Add("/p/c.jpg");
        third.OutName = "c.jpg";
        Note(third, npAbove, "<br>\r\n");  // a note without text
    }

    void Note(EntryRecord& entry, std::int32_t pos, const std::string& bytes) {
        entry.NotePos = pos;
        test::WriteFile(NoteFilePath(state, entry), bytes);
    }

    std::string Expand(const std::string& templateBytes, int k, const AlbumPictures* pictures,
                       const LinkPreview* preview) {
        test::WriteFile(dir / "t.htm", templateBytes);
        ExpandTemplate(state, head, dir / "t.htm", dir / "page.htm", k, pictures, preview);
        return test::ReadFile(dir / "page.htm");
    }

    std::string head = "旅 & \"海\"";
    const std::string url = "https://example.jp/a/";
};

TEST_F(LinkPreviewTest, IndexAndPagesTellTheirTitleTextAddressAndCover) {
    const PreviewImage cover{head + ".files/albumon-sizes/x.jpg", 1200, 630};
    const std::string folder = url + "%E6%97%85%20%26%20%22%E6%B5%B7%22.files/";
    const struct {
        const char* name;
        LinkPreview preview;
        LinkPreview expected;
    } cases[] = {
        {"index",
         IndexPreview(state, head, url, cover),
         {"website", head, "3 枚の写真", url + "%E6%97%85%20%26%20%22%E6%B5%B7%22.htm",
          folder + "albumon-sizes/x.jpg", 1200, 630}},
        {"page with a caption",
         PagePreview(state, head, 0, url, cover),
         {"article", "清水寺 & \"夕方\" の長い長い長い長い長い長…",
          "清水寺 & \"夕方\" の長い長い長い長い長い長い長い一行目", folder + "%E6%B5%B7%20%231.htm",
          folder + "albumon-sizes/x.jpg", 1200, 630}},
        {"page whose note has no text, no cover",
         PagePreview(state, head, 2, url, {}),
         {"article", "c.jpg", "3 枚の写真", folder + "c.htm", "", 0, 0}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(c.preview.type, c.expected.type);
        EXPECT_EQ(c.preview.title, c.expected.title);
        EXPECT_EQ(c.preview.description, c.expected.description);
        EXPECT_EQ(c.preview.url, c.expected.url);
        EXPECT_EQ(c.preview.image, c.expected.image);
        EXPECT_EQ(c.preview.imageWidth, c.expected.imageWidth);
        // The tags give every value back, escaped: read as HTML they are the values again.
        const std::vector<std::string> lines = PreviewTagLines(c.preview);
        std::string joined;
        for (const std::string& line : lines)
            joined += line + "\n";
        const auto values = MetaValues(joined);
        EXPECT_EQ(values.size(), lines.size()) << joined;
        EXPECT_EQ(values.at("og:type"), HtmlText(c.expected.type));
        EXPECT_EQ(values.at("og:title"), HtmlText(c.expected.title));
        EXPECT_EQ(values.at("og:description"), HtmlText(c.expected.description));
        EXPECT_EQ(values.at("og:url"), c.expected.url);
        const bool image = !c.expected.image.empty();
        EXPECT_EQ(values.count("og:image"), image ? 1u : 0u);
        EXPECT_EQ(values.at("twitter:card"), image ? "summary_large_image" : "summary");
        if (image) {
            EXPECT_EQ(values.at("og:image"), c.expected.image);
            EXPECT_EQ(values.at("og:image:width"), "1200");
            EXPECT_EQ(values.at("og:image:height"), "630");
        }
    }
}

TEST_F(LinkPreviewTest, PlaceholdersGiveTagsOnlyWithAPublicAddress) {
    const LinkPreview preview = IndexPreview(state, head, url, {});
    const std::string tpl = "<head>$$$PREVIEW$$$</head>\r\n";
    const struct {
        const char* name;
        const LinkPreview* preview;
        std::size_t tags;
    } cases[] = {{"with", &preview, 5}, {"without", nullptr, 0}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string page = Expand(tpl, 0, nullptr, c.preview);
        EXPECT_EQ(MetaValues(page).size(), c.tags);
        EXPECT_TRUE(page.ends_with("<head></head>\r\n")) << page;
    }
    // The design's placeholders keep their meaning: the title stays unescaped.
    EXPECT_EQ(Expand("$$$TITLE$$$|$$$HEADING$$$|$$$ALBUMFOLDER$$$\r\n", 0, nullptr, &preview),
              head + "|旅 &amp; &quot;海&quot;|%E6%97%85%20%26%20%22%E6%B5%B7%22.files\r\n");
}

TEST_F(LinkPreviewTest, PhotoListHoldsEveryPhotoLinkAndCaption) {
    const std::string folder = "%E6%97%85%20%26%20%22%E6%B5%B7%22.files/";
    // The first photo has card thumbnails, the second only a smaller one than three times it,
    // the third none (the save could not decode it).
    AlbumPictures pictures{"sizes",
                           {{4000, 3000, {{160, 160, false}, {320, 320, false}, {480, 480, false}}},
                            {300, 400, {{160, 120, false}}},
                            {}}};
    const struct {
        const char* name;
        const AlbumPictures* pictures;
        std::vector<std::string> images;
    } cases[] = {
        {"with the save's pictures",
         &pictures,
         {"<img src=\"" + folder + "sizes/%E6%B5%B7%20%231.160.jpg\" srcset=\"" + folder +
              "sizes/%E6%B5%B7%20%231.320.jpg 2x, " + folder +
              "sizes/%E6%B5%B7%20%231.480.jpg 3x\" width=\"160\" height=\"120\" "
              "alt=\"清水寺 &amp; &quot;夕方&quot; の長い長い長い長い長い長…\"",
          "<img src=\"" + folder + "sizes/b.160.jpg\" srcset=\"" + folder +
              "b.jpg 2.5x\" width=\"120\" height=\"160\" alt=\"b\"",
          "<img src=\"" + folder + "%24_c.jpg\" alt=\"c\""}},
        {"without them",
         nullptr,
         {"<img src=\"" + folder + "%24_%E6%B5%B7%20%231.jpg\" alt=\"清水寺",
          "<img src=\"" + folder + "%24_b.jpg\" alt=\"b\"",
          "<img src=\"" + folder + "%24_c.jpg\""}},
    };
    state.ThumbPrefix = "$_";
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string page =
            Expand("<ol>\r\n$$$PHOTOLIST$$$\r\n</ol>\r\n", 0, c.pictures, nullptr);
        const std::vector<std::string> items = PhotoListLines(state, head, c.pictures);
        ASSERT_EQ(items.size(), 3u);
        std::string expected = "<ol>\r\n";
        for (const std::string& item : items)
            expected += item + "\r\n";
        EXPECT_EQ(page, expected + "\r\n</ol>\r\n");
        // Pages where there are notes, else the picture itself; captions only with text.
        const char* links[] = {"%E6%B5%B7%20%231.htm", "b.jpg", "c.htm"};
        for (int i = 0; i < 3; ++i) {
            SCOPED_TRACE(i);
            const std::string& item = items[i];
            EXPECT_TRUE(item.starts_with(std::string("<li class=\"card\"><a class=\"card-link") +
                                         (i == 1 ? "\"" : " has-page\"") + " href=\"" + folder +
                                         links[i] + "\">"))
                << item;
            EXPECT_NE(item.find(c.images[i]), std::string::npos) << item;
            EXPECT_NE(item.find("loading=\"lazy\""), std::string::npos);
            EXPECT_NE(item.find("<span class=\"number\">" + std::to_string(i + 1) + "</span>"),
                      std::string::npos);
            EXPECT_EQ(item.find("<span class=\"name\">") != std::string::npos, i == 0);
            EXPECT_EQ(item.find("<span class=\"badge\">解説</span>") != std::string::npos, i != 1);
        }
    }
}

}  // namespace
}  // namespace albumon
