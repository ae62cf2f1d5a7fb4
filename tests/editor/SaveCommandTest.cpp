#include "editor/SaveCommand.h"
#include "editor/EditorModel.h"
#include "io/ProjectIO.h"

#include <gtest/gtest.h>

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
