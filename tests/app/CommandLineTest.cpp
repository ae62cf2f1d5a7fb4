#include "app/CommandLine.h"

#include <gtest/gtest.h>

TEST(CommandLine, ParsesTheTopLevelForms) {
    EXPECT_EQ(CommandLine::parse({"pictavo"}).action, CommandLine::Action::startTray);
    EXPECT_EQ(CommandLine::parse({"pictavo", "--version"}).action, CommandLine::Action::version);
    EXPECT_EQ(CommandLine::parse({"pictavo", "--help"}).action, CommandLine::Action::help);
    const CommandLine open = CommandLine::parse({"pictavo", "a.png", "b.pictproj"});
    EXPECT_EQ(open.action, CommandLine::Action::openFiles);
    EXPECT_EQ(open.files, (QStringList{"a.png", "b.pictproj"}));
    const CommandLine bad = CommandLine::parse({"pictavo", "--frobnicate"});
    EXPECT_EQ(bad.action, CommandLine::Action::usageError);
    EXPECT_TRUE(bad.error.contains("--frobnicate"));
    EXPECT_EQ(CommandLine::parse({"pictavo", "--version", "x"}).action, CommandLine::Action::usageError);
}

TEST(CommandLine, ParsesExport) {
    const CommandLine cl =
        CommandLine::parse({"pictavo", "export", "in.pictproj", "--output", "out.PDF", "--scale", "50"});
    EXPECT_EQ(cl.action, CommandLine::Action::exportFlat);
    EXPECT_EQ(cl.input, QStringLiteral("in.pictproj"));
    EXPECT_EQ(cl.output, QStringLiteral("out.PDF"));
    EXPECT_EQ(cl.scalePercent, 50);
    EXPECT_EQ(CommandLine::parse({"pictavo", "export", "in.png", "--output", "out.jpeg"}).scalePercent, 100);
    EXPECT_EQ(CommandLine::parse({"pictavo", "export", "in.png", "--output", ".png"}).action,
              CommandLine::Action::usageError);
    EXPECT_EQ(CommandLine::parse({"pictavo", "export", "in.png", "--output"}).action,
              CommandLine::Action::usageError);
    EXPECT_EQ(CommandLine::parse({"pictavo", "export", "in.png", "--output", "o.png", "--scale"}).action,
              CommandLine::Action::usageError);
}
