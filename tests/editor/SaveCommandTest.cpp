#include "editor/SaveCommand.h"
#include "editor/EditorModel.h"
#include "io/ProjectIO.h"

#include "TestSupport.h"

#include <gtest/gtest.h>

#include <cerrno>

#include <QImageReader>
#include <QTemporaryDir>

namespace {

std::unique_ptr<EditorModel> dirtyModel(int w, int h) {
    QImage base(w, h, QImage::Format_RGB32);
    base.fill(Qt::white);
    auto model = std::make_unique<EditorModel>(base);
    Annotation rect;
    rect.tool = EditorTool::rect;
    rect.points = {{10, 10}, {50, 50}};
    model->commit(rect, true);
    return model;
}

} // namespace

TEST(SaveCommand, WritesTheScaledPictureAndTheFullProjectBesideIt) {
    QTemporaryDir dir;
    auto model = dirtyModel(1000, 601);
    const QString image = dir.filePath(QStringLiteral("shot.final.png"));
    const SaveCommand::Outcome outcome = SaveCommand::save(*model, image, FlatExport::Format::png, 0.25);
    ASSERT_FALSE(outcome.error) << outcome.error->message.toStdString();
    EXPECT_FALSE(outcome.projectToPlace);
    EXPECT_EQ(QImageReader(image).size(), QSize(250, 150));
    EXPECT_EQ(outcome.projectPath, dir.filePath(QStringLiteral("shot.final.pictproj")));
    const Result<ProjectIO::Project> project = ProjectIO::load(outcome.projectPath);
    ASSERT_TRUE(project.ok());
    EXPECT_EQ(project->baseImage.size(), QSize(1000, 601));
    EXPECT_EQ(project->annotations.size(), 1);
    EXPECT_FALSE(model->isDirty());
    EXPECT_EQ(model->undoStack().size(), 1); // saving keeps the history
}

TEST(SaveCommand, PdfGetsItsProjectToo) {
    QTemporaryDir dir;
    auto model = dirtyModel(800, 600);
    const SaveCommand::Outcome outcome =
        SaveCommand::save(*model, dir.filePath(QStringLiteral("plan.pdf")), FlatExport::Format::pdf, 1);
    ASSERT_FALSE(outcome.error);
    EXPECT_TRUE(QFile::exists(dir.filePath(QStringLiteral("plan.pictproj"))));
    EXPECT_EQ(SaveCommand::projectPathFor(QStringLiteral("/a/b/x.jpeg")), QStringLiteral("/a/b/x.pictproj"));
}

TEST(SaveCommand, AFailedWriteKeepsTheDocumentUnsaved) {
    QTemporaryDir dir;
    auto model = dirtyModel(40, 30);
    const SaveCommand::Outcome outcome = SaveCommand::save(
        *model, dir.filePath(QStringLiteral("no/such/folder/x.png")), FlatExport::Format::png, 1);
    ASSERT_TRUE(outcome.error);
    EXPECT_TRUE(outcome.error->message.contains(QStringLiteral("x.png")));
    EXPECT_TRUE(model->isDirty());
    EXPECT_FALSE(QFile::exists(dir.filePath(QStringLiteral("no/such/folder/x.pictproj"))));
}

TEST(SaveCommand, TheChosenFormatDecidesTheExtension) {
    using F = FlatExport::Format;
    const struct {
        const char* typed;
        F format;
        const char* image;
    } cases[] = {
        {"report.png", F::jpeg, "report.jpg"},      {"report.PNG", F::png, "report.png"},
        {"report.Jpeg", F::jpeg, "report.jpeg"},    {"report.jpeg", F::png, "report.png"},
        {"report.pictproj", F::png, "report.png"},  {"report.PICTPROJ", F::pdf, "report.pdf"},
        {"report.pdf", F::jpeg, "report.jpg"},      {"shot.final", F::png, "shot.final.png"},
        {"shot.final", F::jpeg, "shot.final.jpg"},  {"shot", F::pdf, "shot.pdf"},
        {"/a/b.c/shot", F::png, "/a/b.c/shot.png"}, {"v1.2.tar", F::png, "v1.2.tar.png"},
    };
    for (const auto& c : cases) {
        const QString image = SaveCommand::imagePathFor(QString::fromUtf8(c.typed), c.format);
        EXPECT_EQ(image, QString::fromUtf8(c.image)) << c.typed;
        EXPECT_NE(SaveCommand::projectPathFor(image), image) << c.typed;
    }
    EXPECT_EQ(SaveCommand::projectPathFor(QStringLiteral("/d/shot.final.png")),
              QStringLiteral("/d/shot.final.pictproj"));
}

TEST(SaveCommand, AProjectNameTypedForThePictureGivesTwoFiles) {
    QTemporaryDir dir;
    auto model = dirtyModel(60, 40);
    const SaveCommand::Outcome outcome = SaveCommand::save(
        *model, dir.filePath(QStringLiteral("report.pictproj")), FlatExport::Format::png, 1);
    ASSERT_FALSE(outcome.error) << outcome.error->message.toStdString();
    EXPECT_EQ(outcome.imagePath, dir.filePath(QStringLiteral("report.png")));
    EXPECT_EQ(QImageReader(outcome.imagePath).format(), QByteArray("png"));
    EXPECT_TRUE(ProjectIO::load(dir.filePath(QStringLiteral("report.pictproj"))).ok());
}

TEST(SaveCommand, ARefusedProjectKeepsTheDocumentUnsavedAndHandsOverItsBytes) {
    QTemporaryDir dir;
    auto model = dirtyModel(40, 30);
    for (int reason : {EACCES, EPERM, EROFS}) {
        const TestSupport::ScopedWriteRefusal refused(TestSupport::refuseProjects(reason));
        const SaveCommand::Outcome outcome =
            SaveCommand::save(*model, dir.filePath(QStringLiteral("x.png")), FlatExport::Format::png, 1);
        ASSERT_FALSE(outcome.error) << outcome.error->message.toStdString();
        ASSERT_TRUE(outcome.projectToPlace) << reason;
        EXPECT_TRUE(ProjectIO::decode(*outcome.projectToPlace).ok());
        EXPECT_TRUE(QFile::exists(dir.filePath(QStringLiteral("x.png"))));
        EXPECT_FALSE(QFile::exists(outcome.projectPath));
        EXPECT_TRUE(model->isDirty()) << reason;
    }
    // Any other failure is an error to show, not a question of where.
    const TestSupport::ScopedWriteRefusal full_disk(TestSupport::refuseProjects(ENOSPC));
    const SaveCommand::Outcome full =
        SaveCommand::save(*model, dir.filePath(QStringLiteral("y.png")), FlatExport::Format::png, 1);
    ASSERT_TRUE(full.error);
    EXPECT_EQ(full.error->kind, IoError::Kind::writeError);
    EXPECT_FALSE(full.projectToPlace);
    EXPECT_TRUE(model->isDirty());
}
