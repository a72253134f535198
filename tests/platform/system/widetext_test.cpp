#include <string>

#include <gtest/gtest.h>

#include "platform/system/wintypes.h"

namespace {

TEST(WideText, ConvertsValidUtf8BothWays)
{
    const std::string text = "a\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80z"; // a é € 😀 z
    const std::u16string wide = WideFromSystem(text);
    EXPECT_EQ(wide, u"a\u00E9\u20AC\U0001F600z");
    EXPECT_EQ(SystemFromWide(wide), text);
}

TEST(WideText, KeepsStrayBytesAsLoneSurrogates)
{
    // A Latin-1 name, a truncated sequence, an overlong form and an encoded surrogate.
    EXPECT_EQ(WideFromSystem("caf\xE9"), u"caf\xDCE9");
    EXPECT_EQ(WideFromSystem("\xE2\x82"), std::u16string(u"\xDCE2\xDC82"));
    EXPECT_EQ(WideFromSystem("\xC0\xAF"), std::u16string(u"\xDCC0\xDCAF"));
    EXPECT_EQ(WideFromSystem("\xED\xB2\x80"), std::u16string(u"\xDCED\xDCB2\xDC80"));
    EXPECT_EQ(WideFromSystem("\xF4\x90\x80\x80").size(), 4u); // above U+10FFFF
}

TEST(WideText, RoundTripsEveryByteString)
{
    std::string all;
    for (int byte = 1; byte < 256; ++byte)
        all += static_cast<char>(byte);
    EXPECT_EQ(SystemFromWide(WideFromSystem(all)), all);

    // Pseudo-random byte strings, which mix valid and broken sequences.
    unsigned seed = 12345;
    for (int round = 0; round < 2000; ++round) {
        std::string bytes;
        const int length = 1 + round % 17;
        for (int i = 0; i < length; ++i) {
            seed = seed * 1103515245 + 12345;
            const int byte = 1 + (seed >> 16) % 255;
            bytes += static_cast<char>(byte);
        }
        ASSERT_EQ(SystemFromWide(WideFromSystem(bytes)), bytes) << round;
    }
}

TEST(WideText, OtherLoneSurrogatesBecomeReplacementCharacters)
{
    EXPECT_EQ(SystemFromWide(u"\xD800x"), "\xEF\xBF\xBDx");
    EXPECT_EQ(SystemFromWide(std::u16string(1, 0xDC41)), "\xEF\xBF\xBD");
}

} // namespace
