#include <gtest/gtest.h>

#include "CommandLine.h"

namespace {

using Args = std::vector<std::string>;

CommandLine Parsed(const Args& args) {
    CommandLine line;
    std::string error;
    EXPECT_TRUE(CommandLine::Parse(args, line, error)) << error;
    return line;
}

std::string Refused(const Args& args) {
    CommandLine line;
    std::string error;
    EXPECT_FALSE(CommandLine::Parse(args, line, error));
    return error;
}

TEST(CommandLineTest, ExportOptionsInAnyOrder) {
    const CommandLine line =
        Parsed({"--exclude-invalid", "in.log", "--filters", "f.lff", "--export", "-"});
    EXPECT_EQ(line.mode, CommandLine::Mode::Export);
    EXPECT_EQ(line.exportPath, "-");
    EXPECT_EQ(line.filtersPath, "f.lff");
    EXPECT_TRUE(line.excludeInvalid);
    EXPECT_EQ(line.file, "in.log");
    EXPECT_FALSE(line.lfLineEnds);
    EXPECT_TRUE(Parsed({"--export", "-", "--lf", "in.log"}).lfLineEnds);
    EXPECT_EQ(Refused({"--lf", "in.log"}), "--lf is an option of --export");
    EXPECT_EQ(Parsed({"-h"}).mode, CommandLine::Mode::Help);
    EXPECT_EQ(Parsed({"--export", "o", "x", "--help"}).mode, CommandLine::Mode::Help);
}

TEST(CommandLineTest, RepeatedOptionsWereSilentlyKeptLastAndAreNowRefused) {
    EXPECT_EQ(Refused({"--export", "a", "--export", "b", "in.log"}),
              "--export given more than once");
    EXPECT_EQ(Refused({"--export", "a", "--filters", "f", "--filters", "g", "in.log"}),
              "--filters given more than once");
    EXPECT_EQ(Refused({"--export", "a", "--exclude-invalid", "--exclude-invalid", "in.log"}),
              "--exclude-invalid given more than once");
    EXPECT_EQ(Refused({"--open", "a", "--open", "b"}), "--open given more than once");
}

TEST(CommandLineTest, AnOptionWhereAValueIsExpectedWasTakenForAFileNameAndIsNowRefused) {
    EXPECT_EQ(Refused({"--export", "--filters", "in.log"}), "--export needs a file name");
    EXPECT_EQ(Refused({"--export", "out", "--filters", "--exclude-invalid", "in.log"}),
              "--filters needs a file name");
    EXPECT_EQ(Refused({"--export", "out", "in.log", "--filters"}), "--filters needs a file name");
    EXPECT_EQ(Refused({"--export", "--", "in.log"}), "--export needs a file name");
    // "-" alone is standard output, and a name starting with a dash is written "./-name".
    EXPECT_EQ(Parsed({"--export", "-", "in.log"}).exportPath, "-");
    EXPECT_EQ(Parsed({"--export", "./-out", "in.log"}).exportPath, "./-out");
}

TEST(CommandLineTest, ATrailingDoubleDashBecameALogNamedDoubleDashAndNowEndsTheOptions) {
    EXPECT_EQ(Refused({"--export", "out", "--"}), "no log file given");
    EXPECT_EQ(Parsed({"--export", "out", "--", "--filters"}).file, "--filters");
    EXPECT_EQ(Parsed({"--export", "out", "--", "-"}).file, "-");
    EXPECT_EQ(Refused({"--export", "out", "--", "a", "b"}), "more than one log file given");
    // After "--" even "--export" is a file name: the window loads it.
    const CommandLine window = Parsed({"--", "--export"});
    EXPECT_EQ(window.mode, CommandLine::Mode::Window);
    EXPECT_EQ(window.file, "--export");
}

TEST(CommandLineTest, TheExportRefusesWhatTheWindowIgnores) {
    EXPECT_EQ(Refused({"--export", "out", "--bogus", "in.log"}), "unknown option --bogus");
    EXPECT_EQ(Refused({"--export", "out"}), "no log file given");
    EXPECT_EQ(Refused({"--export", "out", "--open", "x", "in.log"}),
              "--open is not an option of --export");
    EXPECT_EQ(Refused({"--filters", "f.lff", "in.log"}), "--filters is an option of --export");
    // The window: options of the window system stay unknown, the first file is the log.
    const CommandLine window = Parsed({"-style", "first.log", "second.log"});
    EXPECT_EQ(window.mode, CommandLine::Mode::Window);
    EXPECT_EQ(window.file, "first.log");
    const CommandLine open = Parsed({"--open", "set.lff"});
    EXPECT_EQ(open.openPath, "set.lff");
    EXPECT_EQ(open.file, "");
    const CommandLine follow = Parsed({"--follow", "app.log"});
    EXPECT_TRUE(follow.follow);
    EXPECT_EQ(follow.file, "app.log");
    EXPECT_FALSE(Parsed({"app.log"}).follow);
    EXPECT_EQ(Refused({"--export", "out", "--follow", "in.log"}),
              "--follow is not an option of --export");
}

TEST(CommandLineTest, EmptyAndAttachedValuesWereMisreadAndAreNowDecided) {
    // An empty --filters was taken for "no filters"; an empty --export failed naming nothing.
    EXPECT_EQ(Refused({"--export", "out", "--filters", "", "in.log"}),
              "--filters \"\": the file name is empty");
    EXPECT_EQ(Refused({"--export", "", "in.log"}), "--export \"\": the file name is empty");
    EXPECT_EQ(Refused({"--open="}), "--open \"\": the file name is empty");
    // --export=OUT was an unknown option, and the window opened.
    const CommandLine attached = Parsed({"--export=out=1", "--filters=f.lff", "in.log"});
    EXPECT_EQ(attached.mode, CommandLine::Mode::Export);
    EXPECT_EQ(attached.exportPath, "out=1");
    EXPECT_EQ(attached.filtersPath, "f.lff");
    EXPECT_EQ(Parsed({"--open=set.lff"}).openPath, "set.lff");
    EXPECT_EQ(Refused({"--follow=yes", "app.log"}), "--follow takes no value");
}

TEST(CommandLineTest, AnUnknownWindowOptionWasSkippedAndIsNowKeptForTheWindowToRefuse) {
    const CommandLine window = Parsed({"--bogus", "app.log", "-x"});
    EXPECT_EQ(window.unknownOption, "--bogus");
    EXPECT_EQ(window.file, "app.log");
    EXPECT_EQ(Parsed({"app.log"}).unknownOption, "");
}

}  // namespace
