#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>

#include "CaseNames.h"
#include "LocaleFormats.h"
#include "PinnedLocales.h"
#include "TempDir.h"

namespace {

struct FormatCase {
    const char* dateFormat;
    const char* timeFormat;
    DateOrder order;
    const char* dateSep;
    const char* timeSep;
    int hourZero, dayZero, monthZero;
};

class LocaleFormatTable : public testing::TestWithParam<FormatCase> {};

TEST_P(LocaleFormatTable, DerivesOrderSeparatorsAndZeros) {
    const FormatCase& c = GetParam();
    const LocaleValues v = LocaleValuesFromFormats(c.dateFormat, c.timeFormat);
    EXPECT_EQ(v.order, c.order) << c.dateFormat;
    EXPECT_EQ(v.dateSeparator, c.dateSep) << c.dateFormat;
    EXPECT_EQ(v.timeSeparator, c.timeSep) << c.timeFormat;
    EXPECT_EQ(v.hourLeadingZero, c.hourZero) << c.timeFormat;
    EXPECT_EQ(v.dayLeadingZero, c.dayZero) << c.dateFormat;
    EXPECT_EQ(v.monthLeadingZero, c.monthZero) << c.dateFormat;
}

INSTANTIATE_TEST_SUITE_P(
    CLibraryFormats, LocaleFormatTable,
    testing::Values(FormatCase{"%m/%d/%y", "%H:%M:%S", DateOrder::MDY, "/", ":", 1, 1, 1},
                    FormatCase{"%d.%m.%Y", "%T", DateOrder::DMY, ".", ":", 1, 1, 1},
                    FormatCase{"%Y-%m-%d", "%H.%M.%S", DateOrder::YMD, "-", ".", 1, 1, 1},
                    FormatCase{"%D", "%r", DateOrder::MDY, "/", ":", 1, 1, 1},
                    FormatCase{"%F", "%k:%M:%S", DateOrder::YMD, "-", ":", 0, 1, 1},
                    FormatCase{"%e/%-m/%Y", "%l:%M:%S %p", DateOrder::DMY, "/", ":", 0, 0, 0},
                    FormatCase{"%d. %m. %Y", "%-H:%M:%S", DateOrder::DMY, ". ", ":", 0, 1, 1},
                    FormatCase{"%Y年%m月%d日", "%H時%M分%S秒", DateOrder::YMD, "年", "時", 1, 1, 1},
                    FormatCase{"%Ey/%Om/%d", "%OH:%M:%S", DateOrder::YMD, "/", ":", 1, 1, 1},
                    // Shapes we cannot read keep the defaults.
                    FormatCase{"", "", DateOrder::MDY, "/", ":", 1, 1, 1},
                    FormatCase{"%x", "%X", DateOrder::MDY, "/", ":", 1, 1, 1}),
    NameByField<&FormatCase::dateFormat>());

TEST(LocaleOverride, AcceptsThreeOrSixFieldsAndRejectsTheRest) {
    LocaleValues v;
    ASSERT_TRUE(ParseLocaleOverride("DMY;.;:", v));
    EXPECT_EQ(v.order, DateOrder::DMY);
    EXPECT_EQ(v.dateSeparator, ".");
    EXPECT_EQ(v.timeSeparator, ":");
    EXPECT_EQ(v.hourLeadingZero + v.dayLeadingZero + v.monthLeadingZero, 3);
    ASSERT_TRUE(ParseLocaleOverride("YMD;-;h;0;1;0", v));
    EXPECT_EQ(v.order, DateOrder::YMD);
    EXPECT_EQ(v.hourLeadingZero, 0);
    EXPECT_EQ(v.dayLeadingZero, 1);
    EXPECT_EQ(v.monthLeadingZero, 0);
    ASSERT_TRUE(ParseLocaleOverride("MDY;;", v));  // empty separators are allowed, and never match
    EXPECT_EQ(v.dateSeparator, "");

    const LocaleValues before = v;
    for (const char* bad : {"", "garbage", "DMY", "DMY;.", "XYZ;.;:", "dmy;.;:", "DMY;.;:;1",
                            "DMY;.;:;1;1;2", "DMY;.;:;1;1;1;1", "DMY;.;:;a;b;c"}) {
        EXPECT_FALSE(ParseLocaleOverride(bad, v)) << bad;
        EXPECT_EQ(v.dateSeparator, before.dateSeparator) << bad;
    }
}

class LocaleEnvironment : public testing::Test {
protected:
    void TearDown() override { PinLocales(); }
};

TEST_F(LocaleEnvironment, VariablesPinBothLocales) {
    setenv("TRAWLVIEW_USER_LOCALE", "DMY;.;:;1;0;0", 1);
    setenv("TRAWLVIEW_SYSTEM_LOCALE", "YMD;-;.", 1);
    LoadLocaleFormats();
    const LocaleFormats& f = GetLocaleFormats();
    EXPECT_EQ(f.userDateOrder, DateOrder::DMY);
    EXPECT_EQ(f.systemDateOrder, DateOrder::YMD);
    EXPECT_EQ(f.systemDateSeparator, "-");
    EXPECT_EQ(f.systemTimeSeparator, ".");
    EXPECT_EQ(f.displayFormat.ToPrintfForm(), "%2d.%2d.%04d %02d:%02d:%02d");
    EXPECT_EQ(f.timestampSample, "45.23.6789 00:00:00 - ");
}

TEST_F(LocaleEnvironment, GarbageGivesOneWarningAndTheLocalesOwnValues) {
    setenv("TRAWLVIEW_USER_LOCALE", "MDY;/;:", 1);
    setenv("TRAWLVIEW_SYSTEM_LOCALE", "%n%s;;;;;;;;", 1);
    testing::internal::CaptureStderr();
    LoadLocaleFormats();
    const std::string err = testing::internal::GetCapturedStderr();
    EXPECT_NE(err.find("TRAWLVIEW_SYSTEM_LOCALE"), std::string::npos);
    EXPECT_EQ(std::count(err.begin(), err.end(), '\n'), 1);
    EXPECT_FALSE(GetLocaleFormats().systemDateSeparator.empty());
    EXPECT_FALSE(GetLocaleFormats().timestampSample.empty());
}

TEST(SystemLocale, LcAllOverridesLcTimeAndLangAndOnlyRegularFilesAreRead) {
    // LC_ALL in the system's locale file was ignored although it overrides the others.
    TempDir dir;
    const std::string both = dir.Write("both", "LANG=de_DE.UTF-8\nLC_TIME=\"en_US.UTF-8\"\n");
    const std::string all =
        dir.Write("all", "LANG=de_DE.UTF-8\n  LC_ALL='fr_FR.UTF-8'\nLC_TIME=en_US.UTF-8\n");
    const std::string lang = dir.Write("lang", "# comment\nLANG=de_DE.UTF-8\n");
    const std::string none = dir.Write("none", "LANGUAGE=de\n");
    EXPECT_EQ(SystemLocaleName({both}), "en_US.UTF-8");
    EXPECT_EQ(SystemLocaleName({all}), "fr_FR.UTF-8");
    EXPECT_EQ(SystemLocaleName({lang}), "de_DE.UTF-8");
    EXPECT_EQ(SystemLocaleName({none, dir.Path("missing"), lang}), "de_DE.UTF-8");
    EXPECT_EQ(SystemLocaleName({none}), "C");
    // A FIFO is passed over, not waited for.
    const std::string fifo = dir.Path("fifo");
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    alarm(120);
    EXPECT_EQ(SystemLocaleName({fifo, lang}), "de_DE.UTF-8");
    alarm(0);
}

}  // namespace
