#include <gtest/gtest.h>

#include <cstdint>
#include <set>
#include <string>

#include "LineColor.h"

namespace {

// Exactly the seven prefix letters, each with a blank after it, make a prefix; the six
// colour letters each give a colour of their own, drawn in a colour of its own.
TEST(LineColor, OnlyAPrefixLetterAndABlankPickAColourAndEachLetterItsOwn) {
    const std::string letters = "BCGMNRY";
    std::set<LineColor> colours;
    std::set<std::int32_t> drawn;
    for (int b = 0; b < 256; ++b) {
        const char c = static_cast<char>(b);
        const std::string line{c, ' ', 'x'};
        const bool prefix = letters.find(c) != std::string::npos;
        EXPECT_EQ(HasColourPrefix(line), prefix) << b;
        // Without its blank, or alone, the letter is text.
        for (const std::string& text : {std::string{c, 'x'}, std::string(1, c)}) {
            EXPECT_FALSE(HasColourPrefix(text)) << b;
            EXPECT_EQ(LineColorOf(text), LineColor::Normal) << b;
        }
        const LineColor colour = LineColorOf(line);
        if (!prefix || c == 'N') {
            EXPECT_EQ(colour, LineColor::Normal) << b;
            continue;
        }
        EXPECT_TRUE(colours.insert(colour).second) << "a second letter for one colour: " << c;
        EXPECT_TRUE(drawn.insert(LineColorRgb(colour)).second)
            << "drawn as another colour is: " << c;
    }
    EXPECT_EQ(colours.count(LineColor::Normal), 0u);
    EXPECT_EQ(drawn.count(-1), 0u);
    EXPECT_EQ(LineColorRgb(LineColor::Normal), -1);
    EXPECT_EQ(LineColorOf("R 2003/12/31"), LineColor::Red);
    EXPECT_EQ(LineColorRgb(LineColor::Red), 0xFF0000);
}

}  // namespace
