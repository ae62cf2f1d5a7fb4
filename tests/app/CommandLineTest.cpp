#include "app/CommandLine.h"
#include "app/Instance.h"

#include <QDir>
#include <QJsonArray>

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

TEST(CommandLine, ParsesCaptureAndHandsItOverWithAbsolutePaths) {
    const CommandLine cl =
        CommandLine::parse({"pictavo", "capture", "region", "--delay", "1.5", "--output", "shots/r.png", "--clipboard"});
    ASSERT_EQ(cl.action, CommandLine::Action::capture) << cl.error.toStdString();
    EXPECT_EQ(cl.captureMode, QStringLiteral("region"));
    EXPECT_EQ(cl.delaySeconds, 1.5);
    EXPECT_TRUE(cl.clipboard);
    const QJsonObject request = Instance::requestFor(cl);
    EXPECT_EQ(request.value("output").toString(), QDir::current().absoluteFilePath("shots/r.png"));
    const CaptureRequest capture = Instance::captureRequestFor(request);
    EXPECT_EQ(capture.mode, CaptureMode::selection);
    EXPECT_EQ(capture.delaySeconds, 1.5);
    EXPECT_TRUE(capture.copyToClipboard);
    EXPECT_FALSE(capture.opensPreview());
    EXPECT_FALSE(capture.alertOnFailure);
    // Without --delay a command line does not wait for a menu to close.
    EXPECT_EQ(CaptureManager::delayMs(Instance::captureRequestFor(
                  Instance::requestFor(CommandLine::parse({"pictavo", "capture", "screen"})))),
              0);
    // --all travels to the instance; it goes with screen only.
    EXPECT_TRUE(Instance::captureRequestFor(
                    Instance::requestFor(CommandLine::parse({"pictavo", "capture", "screen", "--all"})))
                    .allScreens);
    EXPECT_FALSE(capture.allScreens);
    EXPECT_EQ(Instance::requestFor(CommandLine::parse({"pictavo", "a.png"})).value("files").toArray().first(),
              QDir::current().absoluteFilePath("a.png"));

    // Checked before anything is captured.
    EXPECT_TRUE(Instance::outputProblem(QJsonObject{{"mode", "desk"}}).contains("desk"));
    EXPECT_TRUE(Instance::outputProblem(QJsonObject{{"mode", "region"}, {"output", "/nonexistent/a.png"}})
                    .contains("does not exist"));
    EXPECT_TRUE(Instance::outputProblem(QJsonObject{{"mode", "region"}, {"output", QDir::temp().filePath("a.png")}})
                    .isEmpty());

    for (const QStringList& bad : QList<QStringList>{{"pictavo", "capture"},
                                                     {"pictavo", "capture", "desk"},
                                                     {"pictavo", "capture", "screen", "--delay", "-1"},
                                                     {"pictavo", "capture", "screen", "--delay", "nan"},
                                                     {"pictavo", "capture", "screen", "--output", "x.gif"},
                                                     {"pictavo", "capture", "screen", "window"},
                                                     {"pictavo", "capture", "screen", "--loud"},
                                                     {"pictavo", "capture", "region", "--all"}})
        EXPECT_EQ(CommandLine::parse(bad).action, CommandLine::Action::usageError) << bad.join(' ').toStdString();
}

// `--` ends the options: a file whose name starts with "-" can be named after it.
TEST(CommandLine, DoubleDashEndsTheOptions) {
    const CommandLine exported = CommandLine::parse({"pictavo", "export", "--output", "x.png", "--", "-in.png"});
    ASSERT_EQ(exported.action, CommandLine::Action::exportFlat) << exported.error.toStdString();
    EXPECT_EQ(exported.input, QStringLiteral("-in.png"));
    EXPECT_EQ(exported.output, QStringLiteral("x.png"));
    const CommandLine opened = CommandLine::parse({"pictavo", "a.png", "--", "--version", "-b.png"});
    ASSERT_EQ(opened.action, CommandLine::Action::openFiles) << opened.error.toStdString();
    EXPECT_EQ(opened.files, (QStringList{"a.png", "--version", "-b.png"}));
    const CommandLine preview = CommandLine::parse({"pictavo", "--preview", "--", "-shot.png"});
    ASSERT_EQ(preview.action, CommandLine::Action::preview) << preview.error.toStdString();
    EXPECT_EQ(preview.files, QStringList{"-shot.png"});
    const CommandLine capture = CommandLine::parse({"pictavo", "capture", "--output", "s.png", "--", "screen"});
    ASSERT_EQ(capture.action, CommandLine::Action::capture) << capture.error.toStdString();
    EXPECT_EQ(capture.captureMode, QStringLiteral("screen"));
    // Before it, such names are still options; after it, options are names.
    EXPECT_EQ(CommandLine::parse({"pictavo", "export", "--output", "x.png", "-in.png"}).action,
              CommandLine::Action::usageError);
    EXPECT_EQ(CommandLine::parse({"pictavo", "export", "in.png", "--", "--output", "x.png"}).action,
              CommandLine::Action::usageError);
    EXPECT_EQ(CommandLine::parse({"pictavo", "--preview", "-shot.png"}).action, CommandLine::Action::usageError);
}

TEST(CommandLine, ParsesTextAndCaptureText) {
    const CommandLine text = CommandLine::parse({"pictavo", "text", "page.pdf", "--lang", "eng+deu", "--page", "3"});
    EXPECT_EQ(text.action, CommandLine::Action::readText);
    EXPECT_EQ(text.input, QStringLiteral("page.pdf"));
    EXPECT_EQ(text.languages, QStringLiteral("eng+deu"));
    EXPECT_EQ(text.pdfPage, 3);
    EXPECT_EQ(CommandLine::parse({"pictavo", "text", "a.png"}).pdfPage, 1);
    EXPECT_TRUE(CommandLine::parse({"pictavo", "text", "a.png"}).languages.isEmpty());
    for (const QStringList& bad : {QStringList{"pictavo", "text"}, QStringList{"pictavo", "text", "a.png", "b.png"},
                                   QStringList{"pictavo", "text", "a.png", "--lang", "../x"},
                                   QStringList{"pictavo", "text", "a.png", "--lang", "eng+"},
                                   QStringList{"pictavo", "text", "a.png", "--page", "0"},
                                   QStringList{"pictavo", "capture", "region", "--text", "--clipboard"},
                                   QStringList{"pictavo", "capture", "region", "--lang", "eng"}})
        EXPECT_EQ(CommandLine::parse(bad).action, CommandLine::Action::usageError) << bad.join(' ').toStdString();

    // The request carries the wish for text and the languages to the running instance.
    const CommandLine capture = CommandLine::parse({"pictavo", "capture", "region", "--text", "--lang", "deu"});
    ASSERT_EQ(capture.action, CommandLine::Action::capture);
    const CaptureRequest request = Instance::captureRequestFor(Instance::requestFor(capture));
    EXPECT_TRUE(request.readText);
    EXPECT_EQ(request.languages, QStringLiteral("deu"));
    EXPECT_FALSE(request.opensPreview());
    EXPECT_FALSE(request.copyToClipboard);
    EXPECT_FALSE(Instance::captureRequestFor(Instance::requestFor(CommandLine::parse({"pictavo", "capture", "region"}))).readText);
}
