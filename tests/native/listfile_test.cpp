#include "core/listfile.h"

#include <gtest/gtest.h>

using namespace mrv;

TEST(GetListField, ReadsFieldsAsStored) {
    struct Case {
        std::string line;
        int n;
        std::string want;
    } cases[] = {
        {"1,2,C:\\My Pictures\\a b.jpg,", 0, "1"},
        {"1,2,C:\\My Pictures\\a b.jpg,", 1, "2"},
        {"1,2,C:\\My Pictures\\a b.jpg,", 2, "C:\\My Pictures\\a b.jpg"},
        {"1,2,C:\\My Pictures\\a b.jpg,", 3, ""},
        {"0,0,C:\\x,y.bmp,", 2, "C:\\x"},
        {"0,0,C:\\x,y.bmp,", 3, "y.bmp"},
        {"a,b,", 2, ""},
        {"abc", 0, "abc"},
        {"", 0, ""},
        {"1,2,C:\\a.bmp,,", 4, ""},
    };
    for (const auto& c : cases) EXPECT_EQ(GetListField(c.line, c.n), c.want) << c.line << " field " << c.n;
}

TEST(GetListField, MissingFieldRaisesIndexError) {
    EXPECT_THROW(GetListField("0,1,C:\\a.bmp", 3), ListIndexError);
    EXPECT_THROW(GetListField("", 1), ListIndexError);
    EXPECT_THROW(GetListField("a", -1), ListIndexError);
}

TEST(GetListField, SeesOnly256CharactersAfterEachComma) {
    const std::string path(300, 'p');
    const std::string line = "0,1," + path + ",arc";
    // After the first comma: "1," + 254 path characters are visible; the archive field is gone.
    EXPECT_EQ(GetListField(line, 2), std::string(254, 'p'));
    EXPECT_THROW(GetListField(line, 3), ListIndexError);
    // A line that fits shows every field: with a one-character flag, up to the 258th character.
    const std::string fits = "0,1," + std::string(252, 'q') + ",a";
    ASSERT_EQ(fits.size(), 258u);
    EXPECT_EQ(GetListField(fits, 3), "a");
    // SplitListLine sees the long path whole.
    EXPECT_EQ(SplitListLine(line)[2], path);
    EXPECT_EQ(SplitListLine(line)[3], "arc");
}

TEST(ParseListText, LineEndingsAndNul) {
    struct Case {
        std::string bytes;
        StringList want;
    } cases[] = {
        {"", {}},
        {"a\r\nb\r\n", {"a", "b"}},
        {"a\nb\rc\r\nd", {"a", "b", "c", "d"}},
        {"a\r\n\r\nb", {"a", "", "b"}},
        {"a\n\nb\n", {"a", "", "b"}},
        {"a\r\rb", {"a", "", "b"}},
        {"same\r\nsame\r\n", {"same", "same"}},
        {std::string("a\r\nb\0c\r\nd", 10), {"a", "b"}},
        {std::string("a\r\n\0b", 5), {"a"}},
        {std::string("a\r\0b", 5), {"a"}},
        {std::string("\0a", 2), {}},
        {std::string("0123456789abcdef\0tail\r\n", 23), {"0123456789abcdef"}},
        {"\r\n", {""}},
        {"a\r", {"a"}},
        {"line longer than one word\r\nnext line also longer\rthird", {"line longer than one word", "next line also longer", "third"}},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(ParseListText(c.bytes), c.want) << testing::PrintToString(c.bytes);
        // A file read a block at a time: the same lines wherever the blocks are cut, into a list
        // that already holds more lines than the text.
        for (std::size_t cut = 0; cut <= c.bytes.size(); ++cut) {
            StringList got = {"old", "old", "old", "old", "old", "old", "old"};
            ListTextParser parser(got);
            if (parser.Feed(std::string_view(c.bytes).substr(0, cut))) parser.Feed(std::string_view(c.bytes).substr(cut));
            parser.Finish();
            EXPECT_EQ(got, c.want) << testing::PrintToString(c.bytes) << " cut at " << cut;
        }
        StringList bytewise;
        ListTextParser parser(bytewise);
        for (char ch : c.bytes) parser.Feed(std::string_view(&ch, 1));
        parser.Finish();
        EXPECT_EQ(bytewise, c.want) << testing::PrintToString(c.bytes) << " a byte at a time";
    }
}

TEST(ListText, RoundTripsAnsiBytesAndEndsEveryLineWithCrLf) {
    // Shift-JIS "表示" has 0x5C ('\\') as a trail byte; bytes above 0x7F pass through untouched.
    const std::string sjis = "0,0,C:\\\x95\x5C\x8E\xA6\\\x82\xA0.jpg,";
    const StringList lines = {sjis, "1,1,C:\\b.bmp,,", "last"};
    const std::string text = FormatListText(lines);
    EXPECT_EQ(text, sjis + "\r\n1,1,C:\\b.bmp,,\r\nlast\r\n");
    EXPECT_EQ(ParseListText(text), lines);
    EXPECT_EQ(FormatListText(ParseListText("no ending")), "no ending\r\n");
}

TEST(ListText, WrittenInBlocksAsOneText) {
    // Lines around the block size (16) and the word size of the copy, a line longer than a block.
    StringList lines;
    std::string want;
    for (std::size_t len : {0, 1, 7, 8, 9, 13, 14, 15, 16, 40, 3, 0, 14}) {
        std::string line;
        for (std::size_t i = 0; i < len; ++i) line += static_cast<char>('a' + (lines.size() + i) % 26);
        lines.push_back(line);
        want += line + "\r\n";
    }
    std::string got;
    std::vector<std::size_t> pieces;
    EXPECT_TRUE(FormatListTextInBlocks(lines, 16, [&](std::string_view piece) {
        got += piece;
        pieces.push_back(piece.size());
        return true;
    }));
    EXPECT_EQ(got, want);
    EXPECT_EQ(FormatListText(lines), want);
    for (std::size_t size : pieces) EXPECT_TRUE(size <= 16 || size == 40) << size;

    int calls = 0;
    EXPECT_FALSE(FormatListTextInBlocks(lines, 16, [&](std::string_view) { return ++calls, false; }));
    EXPECT_EQ(calls, 1);
}

TEST(ListLines, AddedAndShownForms) {
    EXPECT_EQ(MakeAddedLine(1, "D:\\pic\\sea.jpg"), "0,1,D:\\pic\\sea.jpg,");
    EXPECT_EQ(MakeShownLine("0,1,C:\\pics\\tile.bmp,"), "1,1,C:\\pics\\tile.bmp,,");
    EXPECT_EQ(MakeShownLine("0,2,C:\\p.jpg,arc.lzh"), "1,2,C:\\p.jpg,arc.lzh,");
    EXPECT_THROW(MakeShownLine("0,1,C:\\a.bmp"), ListIndexError);
    const std::string longPath(400, 'x');
    EXPECT_EQ(MakeShownLine("0,0," + longPath + ","), "1,0," + longPath + ",,");
}

TEST(ListLines, ParseIntAndCommaRule) {
    EXPECT_EQ(ParseListInt("2"), 2);
    EXPECT_EQ(ParseListInt("-1"), -1);
    EXPECT_EQ(ParseListInt("5"), 5);
    EXPECT_THROW(ParseListInt(""), ConvertError);
    EXPECT_THROW(ParseListInt("x"), ConvertError);
    EXPECT_THROW(ParseListInt("1x"), ConvertError);
    EXPECT_FALSE(PathFitsList("C:\\a,b.jpg"));
    EXPECT_TRUE(PathFitsList("C:\\a b.jpg"));
}

TEST(UpperExtension, FromTheFileNameOnly) {
    auto sjisLead = [](unsigned char c) { return (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC); };
    EXPECT_EQ(UpperExtension("C:\\pics\\sea.JpG"), ".JPG");
    EXPECT_EQ(UpperExtension("C:\\pics.d\\noext"), "");
    EXPECT_EQ(UpperExtension("C:\\a.b\\c.bmp"), ".BMP");
    // "x.表" where 表 ends in 0x5C: without lead-byte knowledge the trail byte looks like a separator.
    const std::string tricky = "C:\\d\\x.\x95\x5Cy";
    EXPECT_EQ(UpperExtension(tricky, +sjisLead), ".\x95\x5CY");
    EXPECT_EQ(UpperExtension(tricky), "");
}
