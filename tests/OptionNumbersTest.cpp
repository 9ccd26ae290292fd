// The tools' one parser for numbers in options: what it takes, what it
// refuses, and the ranges of the wrappers the benchmark and capture use.
#include <optional>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "tools/common/OptionNumbers.h"

namespace tandril::tools {
namespace {

TEST(OptionNumbersTest, TakesDecimalsWithSignAndExponentSeparatedByOneCharacter) {
    EXPECT_EQ(parseNumbers("1,-2.5,3e1", 3, ','), (std::vector<double>{1.0, -2.5, 30.0}));
    EXPECT_EQ(parseNumbers("800x600", 2, 'x'), (std::vector<double>{800.0, 600.0}));
    EXPECT_EQ(parseNumbers(".5", 1, ','), (std::vector<double>{0.5}));
}

TEST(OptionNumbersTest, RefusesAnythingElse) {
    for (const std::string text :
         {"", " 1,2", "1, 2", "1,2 ", "+1,2", "1;2", "1,2,3", "1", "1,", ",2", "0x10,1", "1,2px",
          "inf,1", "nan,1", "1e39,1", "1,-4e38"}) {
        EXPECT_EQ(parseNumbers(text, 2, ','), std::nullopt) << '"' << text << '"';
    }
}

TEST(OptionNumbersTest, RangesAndWholeNumbersAreInclusive) {
    EXPECT_EQ(parseNumber("3600", 0.0, 3600.0), 3600.0);
    EXPECT_EQ(parseNumber("0", 0.0, 3600.0), 0.0);
    EXPECT_EQ(parseNumber("3600.01", 0.0, 3600.0), std::nullopt);
    EXPECT_EQ(parseNumber("-1e-9", 0.0, 3600.0), std::nullopt);
    EXPECT_EQ(parseNumber("-3.4e38"), -3.4e38);

    EXPECT_EQ(parseWholeNumber("16", 1, 16), 16);
    EXPECT_EQ(parseWholeNumber("1e2", 0, 100000), 100);
    EXPECT_EQ(parseWholeNumber("2.5", 1, 16), std::nullopt);
    EXPECT_EQ(parseWholeNumber("17", 1, 16), std::nullopt);
    EXPECT_EQ(parseWholeNumber("0", 1, 16), std::nullopt);
}

TEST(OptionNumbersTest, SizeIsTwoWholeSidesFromOneTo16384) {
    const std::optional<Size> size = parseSize("1200x16384");
    ASSERT_TRUE(size);
    EXPECT_EQ(size->width, 1200);
    EXPECT_EQ(size->height, 16384);
    for (const char* text :
         {"0x600", "800x16385", "800.5x600", "800X600", "800x", "x600", "-8x6"}) {
        EXPECT_EQ(parseSize(text).has_value(), false) << text;
    }
}

}  // namespace
}  // namespace tandril::tools
