#include "imaging/patterns.h"

#include <gtest/gtest.h>

using namespace mrv;
using V = std::vector<std::string>;

TEST(SplitPatternGroup, SeparatorRunsAndEnds) {
    EXPECT_EQ(SplitPatternGroup("*.jpg;;*.jpeg;"), (V{"*.jpg", "*.jpeg"}));
    EXPECT_EQ(SplitPatternGroup(";*.pi;*.pic"), (V{"*.pi", "*.pic"}));
    EXPECT_EQ(SplitPatternGroup(" *.a ; *.b"), (V{" *.a ", " *.b"}));
    EXPECT_EQ(SplitPatternGroup(";;;"), V{});
    EXPECT_EQ(SplitPatternGroup(""), V{});
}

TEST(Patterns, DescriptionsAndExtensions) {
    EXPECT_EQ(FallbackDescription("*.mag"), "mag Image");
    EXPECT_EQ(FallbackDescription("*"), " Image");
    EXPECT_EQ(SupportExtension("*.jpg"), ".JPG");
    EXPECT_EQ(SupportExtension("*.JPG"), ".JPG");
    EXPECT_EQ(SupportExtension("*"), "");
    EXPECT_EQ(SupportExtension(std::string(300, 'x')).size(), 256u);
    EXPECT_EQ(DecoderExtension("*.JpG"), ".JPG");
    EXPECT_EQ(DecoderExtension("a*.tar.gz"), ".TAR.GZ");
    EXPECT_EQ(DecoderExtension("*"), "");
    EXPECT_EQ(AsciiUpper("a\x82\xa0z"), "A\x82\xa0Z");
}
