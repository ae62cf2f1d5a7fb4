// What saving keeps of a document with redactions and blur regions: the picture under a redaction
// is gone from every file written, the objects stay editable, and blurred parts go into the
// project only when asked.
#include "editor/EditorModel.h"
#include "editor/FlatExport.h"
#include "editor/SaveCommand.h"
#include "io/ProjectIO.h"

#include "TestSupport.h"

#include <gtest/gtest.h>

#include <QImageReader>
#include <QPainter>
#include <QTemporaryDir>

using TestSupport::annotation;
using TestSupport::checkCover;
using TestSupport::noisePicture;
using TestSupport::turnedBox;

namespace {

const QColor kInk(250, 200, 0);

struct Saved {
    QImage flat;
    ProjectIO::Project project;
};

// Saves `model` as PNG and its project into `dir`, and reads both back.
Saved saveAndRead(EditorModel& model, const QTemporaryDir& dir, bool burnBlur = false) {
    const SaveCommand::Outcome outcome =
        SaveCommand::save(model, dir.filePath(QStringLiteral("shot.png")), FlatExport::Format::png, 1, burnBlur);
    EXPECT_FALSE(outcome.error) << outcome.error->message.toStdString();
    Result<ProjectIO::Project> project = ProjectIO::load(outcome.projectPath);
    EXPECT_TRUE(project.ok());
    return {QImageReader(outcome.imagePath).read(), project ? *project : ProjectIO::Project{}};
}

} // namespace

TEST(Redaction, ItIsBurntIntoThePictureOfTheProjectAndStaysAnObject) {
    const QImage base = noisePicture(200, 150);
    EditorModel model(base);
    const Annotation redaction = annotation(EditorTool::redact, {{40, 30}, {120, 90}}, kInk);
    model.commit(redaction, true);
    QTemporaryDir dir;
    const Saved saved = saveAndRead(model, dir);

    // Exactly the box: every pixel of it in its colour, every other one as it was.
    const QPolygonF box(QRectF(40, 30, 80, 60));
    const TestSupport::CoverCount stored = checkCover(saved.project.baseImage, base, box, kInk.rgb());
    EXPECT_EQ(stored.wrong, 0);
    EXPECT_EQ(stored.covered, 80 * 60);
    EXPECT_EQ(checkCover(saved.flat, base, box, kInk.rgb()).wrong, 0);
    EXPECT_EQ(TestSupport::differingPixels(model.baseImage(), base), 0); // the editor keeps its picture

    ASSERT_EQ(saved.project.annotations.size(), 1);
    const Annotation& reopened = saved.project.annotations.first();
    EXPECT_EQ(reopened.tool, EditorTool::redact);
    EXPECT_EQ(reopened.points, redaction.points);
    EXPECT_EQ(reopened.color, kInk);

    // Moved later, it leaves its colour where it was: the project's picture has it.
    EditorModel again(saved.project.baseImage, saved.project.annotations);
    again.setTool(EditorTool::select);
    again.setSelectedID(reopened.id);
    again.nudgeSelection(QPointF(70, 0));
    const QImage moved = EditorRenderer::compose(again.scene());
    EXPECT_EQ(moved.pixel(45, 35), kInk.rgb());
    EXPECT_EQ(moved.pixel(185, 85), kInk.rgb());
    EXPECT_EQ(moved.pixel(195, 85), base.pixel(195, 85));
}

TEST(Redaction, ATurnedOneIsBurntExactlyWhereItLies) {
    const QImage base = noisePicture(200, 150);
    EditorModel model(base);
    Annotation redaction = annotation(EditorTool::redact, {{40.5, 30.25}, {150.75, 95}}, kInk);
    redaction.rotation = 0.4;
    model.commit(redaction, true);
    QTemporaryDir dir;
    const Saved saved = saveAndRead(model, dir);
    const QPolygonF box = turnedBox(redaction.rect(), 0.4);
    for (const QImage& written : {saved.project.baseImage, saved.flat}) {
        const TestSupport::CoverCount n = checkCover(written, base, box, kInk.rgb());
        EXPECT_EQ(n.wrong, 0);
        EXPECT_GT(n.covered, 110 * 64);
        EXPECT_LT(n.grazed, 4);
    }
    ASSERT_EQ(saved.project.annotations.size(), 1);
    EXPECT_DOUBLE_EQ(saved.project.annotations.first().rotation, 0.4);
}

// Two documents that differ only under the redaction save the same files: a blur region over and
// beside it, blurred into the project or not, spreads nothing of what it hides.
TEST(Redaction, WhatLiesUnderItChangesNothingSaved) {
    const QImage first = noisePicture(200, 150, 1);
    QImage second = first;
    QPainter(&second).drawImage(QPointF(50, 40), noisePicture(60, 50, 2));
    const QList<Annotation> annotations{annotation(EditorTool::blur, {{20, 20}, {180, 130}}),
                                        annotation(EditorTool::redact, {{50, 40}, {110, 90}}, kInk)};
    for (bool burnBlur : {false, true}) {
        EditorModel a(first, annotations), b(second, annotations);
        QTemporaryDir dirA, dirB;
        const Saved savedA = saveAndRead(a, dirA, burnBlur), savedB = saveAndRead(b, dirB, burnBlur);
        EXPECT_EQ(TestSupport::differingPixels(savedA.flat, savedB.flat), 0) << burnBlur;
        EXPECT_EQ(TestSupport::differingPixels(savedA.project.baseImage, savedB.project.baseImage), 0) << burnBlur;
        EXPECT_NE(savedA.flat.pixel(30, 30), first.pixel(30, 30)); // blurred there
    }
}

TEST(Redaction, APastedPictureUnderItKeepsNoneOfWhatItCovers) {
    const QImage pixels = noisePicture(50, 40, 3);
    Annotation picture =
        annotation(EditorTool::image, {{100, 60}, {200, 60}, {200, 140}, {100, 140}}, Qt::black);
    picture.image = pixels;
    picture.imageFrame = QRectF(100, 60, 100, 80); // twice its size
    EditorModel model(noisePicture(240, 180), {picture});
    model.commit(annotation(EditorTool::redact, {{120, 70}, {160, 100}}, kInk), true);
    QTemporaryDir dir;
    const Saved saved = saveAndRead(model, dir);
    ASSERT_EQ(saved.project.annotations.size(), 2);
    const QImage stored = saved.project.annotations.first().image;
    // The box over the picture, in the picture's own pixels: (10, 5) to (30, 20).
    const TestSupport::CoverCount n = checkCover(stored, pixels, QPolygonF(QRectF(10, 5, 20, 15)), kInk.rgb());
    EXPECT_EQ(n.wrong, 0);
    EXPECT_EQ(n.covered, 20 * 15);
    EXPECT_EQ(TestSupport::differingPixels(model.annotations().first().image, pixels), 0);

    // Turned, both of them: the stored picture drawn again shows the box where the flat one does.
    picture.rotation = 0.5;
    Annotation turned = annotation(EditorTool::redact, {{110, 70}, {170, 120}}, kInk);
    turned.rotation = -0.3;
    const QImage under = noisePicture(240, 180);
    EditorModel turnedModel(under, {picture, turned});
    QTemporaryDir turnedDir;
    const Saved turnedSaved = saveAndRead(turnedModel, turnedDir);
    ASSERT_EQ(turnedSaved.project.annotations.size(), 2);
    const Annotation storedPicture = turnedSaved.project.annotations.first();
    const QImage alone = EditorRenderer::compose(
        EditorRenderer::Scene{under, {storedPicture}, {}});
    const QPolygonF box = turnedBox(turned.rect(), -0.3);
    int inside = 0;
    for (int y = 0; y < 180; ++y)
        for (int x = 0; x < 240; ++x)
            if (TestSupport::pixelInside(box, x, y, 3) &&
                turnedSaved.flat.pixel(x, y) == kInk.rgb() && alone.pixel(x, y) != under.pixel(x, y)) {
                ++inside;
                EXPECT_EQ(alone.pixel(x, y), kInk.rgb()) << x << "," << y;
            }
    EXPECT_GT(inside, 1000);
}

// Off, the project keeps the original pixels under blur regions; on, the blurred ones, as the
// flat picture shows them.
TEST(Redaction, BlurredPartsGoIntoTheProjectOnlyWhenAsked) {
    const QImage base = noisePicture(200, 150);
    EditorModel model(base, {annotation(EditorTool::blur, {{40, 30}, {140, 100}})});
    QTemporaryDir kept, burnt;
    const Saved original = saveAndRead(model, kept, false);
    EXPECT_EQ(TestSupport::differingPixels(original.project.baseImage, base), 0);
    const Saved blurred = saveAndRead(model, burnt, true);
    const QPolygonF region(QRectF(40, 30, 100, 70));
    int changed = 0;
    for (int y = 0; y < 150; ++y)
        for (int x = 0; x < 200; ++x) {
            const QRgb stored = blurred.project.baseImage.pixel(x, y);
            switch (TestSupport::pixelOverlap(region, x, y)) {
            case TestSupport::Overlap::covers:
                ASSERT_EQ(stored, blurred.flat.pixel(x, y)) << x << "," << y;
                changed += stored != base.pixel(x, y);
                break;
            case TestSupport::Overlap::clear:
                ASSERT_EQ(stored, base.pixel(x, y)) << x << "," << y;
                break;
            case TestSupport::Overlap::grazes:
                break;
            }
        }
    EXPECT_GT(changed, 6000);
    ASSERT_EQ(blurred.project.annotations.size(), 1);
    EXPECT_EQ(blurred.project.annotations.first().tool, EditorTool::blur);
}
