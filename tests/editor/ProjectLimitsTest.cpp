// What the editor makes must reopen whole: every operation that adds a picture or grows the base
// asks first, and a refusal changes nothing and says why.
#include "editor/EditorModel.h"
#include "io/ImageDecoder.h"
#include "io/ProjectIO.h"

#include "TestSupport.h"

#include <gtest/gtest.h>

#include <QSignalSpy>

namespace {

Annotation picture(int side) {
    Annotation a = TestSupport::annotation(EditorTool::image, {{0, 0}, {10, 0}, {10, 10}, {0, 10}});
    a.image = TestSupport::solidImage(side, side);
    a.imageFrame = QRectF(0, 0, 10, 10);
    return a;
}

// The model's document written and read back under the same budget.
ProjectIO::Project reopened(const EditorModel& model) {
    const Result<QByteArray> bytes = ProjectIO::encode(model.baseImage(), model.annotations());
    EXPECT_TRUE(bytes.ok());
    const Result<ProjectIO::Project> project = ProjectIO::decode(*bytes);
    EXPECT_TRUE(project.ok());
    return project.ok() ? *project : ProjectIO::Project{};
}

} // namespace

TEST(ProjectLimits, OperationsThatWouldNotReopenAreRefusedAndSaid) {
    const ImageDecoder::ScopedLoadBudget budget(9000);
    EditorModel model(TestSupport::solidImage(80, 60)); // 4800 pixels
    TestSupport::MemoryClipboard clipboard;
    model.setClipboard(&clipboard);
    QSignalSpy refused(&model, &EditorModel::refused);

    // A picture that fits is pasted; the next one would pass the budget.
    ASSERT_TRUE(model.addPicture(picture(60))); // 4800 + 3600
    EXPECT_FALSE(model.addPicture(picture(30))); // + 900 > 9000
    ASSERT_EQ(refused.count(), 1);
    EXPECT_TRUE(refused.last().first().toString().startsWith(QStringLiteral("Couldn't paste the picture: ")));
    EXPECT_EQ(model.annotations().size(), 1);
    EXPECT_EQ(model.undoStack().size(), 1);
    EXPECT_EQ(reopened(model).annotations.size(), 1);
    EXPECT_EQ(reopened(model).droppedRecords, 0);

    // Objects carrying a picture: refused, and no picture is pasted in their place.
    clipboard.setObjects(*ProjectIO::encodePayload({picture(40)}), QImage());
    EXPECT_TRUE(model.pasteObjectsFromPasteboard());
    EXPECT_EQ(refused.count(), 2);
    EXPECT_EQ(model.annotations().size(), 1);

    // Growing the base: a straightening and an expansion that would pass it change nothing.
    const qint64 key = model.baseImage().cacheKey();
    EXPECT_FALSE(model.rotateCanvas(45)); // 99 x 99
    EXPECT_FALSE(model.expandCanvas(10, 0, 0, 0, QColor(Qt::white))); // 80 x 70
    EXPECT_EQ(refused.count(), 4);
    EXPECT_TRUE(refused.at(2).first().toString().startsWith(QStringLiteral("Couldn't rotate the picture: ")));
    EXPECT_TRUE(refused.at(3).first().toString().startsWith(QStringLiteral("Couldn't expand the canvas: ")));
    EXPECT_EQ(model.baseImage().cacheKey(), key);
    EXPECT_EQ(model.undoStack().size(), 1);

    // What keeps the pixels is allowed, and still reopens whole.
    EXPECT_TRUE(model.rotateCanvas(90));
    EXPECT_TRUE(model.expandCanvas(0, 0, 0, 0.4, std::nullopt) == false); // rounds to no margin
    EXPECT_EQ(reopened(model).annotations.size(), 1);
    EXPECT_EQ(refused.count(), 4);
}

TEST(ProjectLimits, TheReasonNamesTheLimitThatWouldBePassed) {
    EXPECT_TRUE(ProjectIO::reopenProblem(QSize(20000, 10), {}).isEmpty());
    EXPECT_TRUE(ProjectIO::reopenProblem(QSize(20001, 10), {}).contains(QStringLiteral("more than 20000 on a side")));
    const ImageDecoder::ScopedLoadBudget budget(1000);
    EXPECT_TRUE(ProjectIO::reopenProblem(QSize(20, 20), {picture(24)}).isEmpty()); // 400 + 576
    EXPECT_FALSE(ProjectIO::reopenProblem(QSize(20, 20), {picture(25)}).isEmpty());
    // Only pictures count; other objects carry no pixels.
    EXPECT_TRUE(ProjectIO::reopenProblem(QSize(30, 30), {TestSupport::annotation(EditorTool::rect, {{0, 0}, {5, 5}})})
                    .isEmpty());
}
