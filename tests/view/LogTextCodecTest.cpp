#include <gtest/gtest.h>

#include <QString>

#include "LogTextCodec.h"

namespace {

TEST(LogTextCodecTest, ValidUtf8IsUtf8AndEverythingElseIsWindows1252) {
    EXPECT_EQ(DecodeLogText("caf\xC3\xA9"), QStringLiteral(u"caf\u00E9"));
    EXPECT_EQ(DecodeLogText("caf\xE9"), QStringLiteral(u"caf\u00E9"));
    EXPECT_EQ(DecodeLogText("a \x96 b \x80"), QStringLiteral(u"a \u2013 b \u20AC"));
    EXPECT_EQ(DecodeLogText("\x81\x8D\x9F"), QStringLiteral(u"\u0081\u008D\u0178"));
    // One invalid sequence anywhere makes the whole line Windows-1252.
    EXPECT_EQ(DecodeLogText("\xC3\xA9 \xE9"), QStringLiteral(u"\u00C3\u00A9 \u00E9"));
}

}  // namespace
