// What saving keeps of a document with redactions and blur regions: what a redaction covers is
// gone from every file written, the objects stay editable, and blurred parts go into the project
// only when asked.
#include "editor/Redaction.h"
#include "editor/SensitiveText.h"
#include "editor/EditorModel.h"
#include "editor/FlatExport.h"
#include "editor/SaveCommand.h"
#include "io/ProjectIO.h"
#include "model/AnnotationGeometry.h"

#include "TestSupport.h"

#include <gtest/gtest.h>

#include <QImageReader>
#include <QPainter>
#include <QTemporaryDir>

#include <algorithm>
#include <cmath>

using TestSupport::annotation;
using TestSupport::differingPixels;
using TestSupport::noisePicture;

namespace {

const QColor kInk(250, 200, 0);

struct Saved {
    QImage flat;
    ProjectIO::Project project;
    QString projectPath;
};

Saved saveAndRead(EditorModel& model, const QTemporaryDir& dir, bool burnBlur = false) {
    const SaveCommand::Outcome out = SaveCommand::save(model, dir.filePath(QStringLiteral("shot.png")),
                                                       FlatExport::Format::png, 1, burnBlur);
    EXPECT_FALSE(out.error);
    const Result<ProjectIO::Project> project = ProjectIO::load(out.projectPath);
    return {QImageReader(out.imagePath).read(), project ? *project : ProjectIO::Project{}, out.projectPath};
}

} // namespace

// Upright or turned, in a translucent colour or not: every pixel the box touches is its colour,
// made opaque, in the project's picture, the flat one and the exported one; every other pixel is
// as it was. The object stays, and moved later it leaves its colour behind.
TEST(Redaction, ItIsBurntExactlyIntoEveryPictureWrittenAndStaysAnObject) {
    const QImage base = noisePicture(200, 150);
    QColor translucent = kInk;
    translucent.setAlpha(90);
    for (double turn : {0.0, 0.4}) {
        Annotation redaction =
            annotation(EditorTool::redact, {{40, 30}, {120, 90}}, turn ? translucent : kInk);
        redaction.rotation = turn;
        EditorModel model(base, {redaction});
        QTemporaryDir dir;
        const Saved saved = saveAndRead(model, dir);
        const Result<QImage> exported = FlatExport::flatImage(saved.projectPath);
        for (const QImage& written : {saved.project.baseImage, saved.flat, exported ? *exported : QImage()}) {
            const TestSupport::CoverCount n = TestSupport::checkCover(
                written, base, TestSupport::turnedBox(redaction.rect(), turn), kInk.rgb());
            EXPECT_EQ(n.wrong, 0) << turn;
            EXPECT_GE(n.covered, 80 * 60) << turn;
        }
        EXPECT_EQ(differingPixels(model.baseImage(), base), 0); // the editor keeps its picture
        ASSERT_EQ(saved.project.annotations.size(), 1);
        const Annotation& reopened = saved.project.annotations.first();
        EXPECT_EQ(reopened.tool, EditorTool::redact);
        EXPECT_EQ(reopened.points, redaction.points);
        EXPECT_EQ(reopened.rotation, turn);
        if (turn != 0) continue;
        EditorModel again(saved.project.baseImage, saved.project.annotations);
        again.setSelectedID(reopened.id);
        again.nudgeSelection(QPointF(70, 0));
        const QImage moved = EditorRenderer::compose(again.scene());
        EXPECT_EQ(moved.pixel(45, 35), kInk.rgb());
        EXPECT_EQ(moved.pixel(195, 85), base.pixel(195, 85));
    }
}

// Two documents that differ only under the redaction save the same files: a blur region over and
// beside it, blurred into the project or not, spreads nothing of what it hides.
TEST(Redaction, WhatLiesUnderItChangesNothingSaved) {
    const QImage first = noisePicture(200, 150, 1);
    QImage second = first;
    QPainter(&second).drawImage(QPointF(50, 40), noisePicture(60, 50, 2));
    const QList<Annotation> list{annotation(EditorTool::blur, {{20, 20}, {180, 130}}),
                                 annotation(EditorTool::redact, {{50, 40}, {110, 90}}, kInk)};
    for (bool burnBlur : {false, true}) {
        EditorModel a(first, list), b(second, list);
        QTemporaryDir dirA, dirB;
        const Saved savedA = saveAndRead(a, dirA, burnBlur), savedB = saveAndRead(b, dirB, burnBlur);
        EXPECT_EQ(differingPixels(savedA.flat, savedB.flat), 0) << burnBlur;
        EXPECT_EQ(differingPixels(savedA.project.baseImage, savedB.project.baseImage), 0) << burnBlur;
    }
}

TEST(Redaction, APastedPictureUnderItKeepsNoneOfWhatItCovers) {
    const QImage pixels = noisePicture(50, 40, 3);
    Annotation picture = annotation(EditorTool::image, {{100, 60}, {200, 60}, {200, 140}, {100, 140}});
    picture.image = pixels;
    picture.imageFrame = QRectF(100, 60, 100, 80); // twice its size
    EditorModel model(noisePicture(240, 180),
                      {picture, annotation(EditorTool::redact, {{120, 70}, {160, 100}}, kInk)});
    QTemporaryDir dir;
    const Saved saved = saveAndRead(model, dir);
    ASSERT_EQ(saved.project.annotations.size(), 2);
    // The box in the picture's own pixels: (10, 5) to (30, 20).
    const TestSupport::CoverCount n = TestSupport::checkCover(saved.project.annotations.first().image, pixels,
                                                              QPolygonF(QRectF(10, 5, 20, 15)), kInk.rgb());
    EXPECT_EQ(n.wrong, 0);
    EXPECT_EQ(n.covered, 20 * 15);
    EXPECT_EQ(differingPixels(model.annotations().first().image, pixels), 0);

    // Both turned: the stored picture drawn alone shows the box wherever it lies well inside both.
    picture.rotation = 0.5;
    Annotation turned = annotation(EditorTool::redact, {{110, 70}, {170, 120}}, kInk);
    turned.rotation = -0.3;
    const QImage under = noisePicture(240, 180);
    EditorModel turnedModel(under, {picture, turned});
    QTemporaryDir turnedDir;
    const Saved turnedSaved = saveAndRead(turnedModel, turnedDir);
    ASSERT_EQ(turnedSaved.project.annotations.size(), 2);
    const QImage alone = EditorRenderer::compose({under, {turnedSaved.project.annotations.first()}, {}});
    const QPolygonF inner[] = {TestSupport::turnedBox(turned.rect().adjusted(3, 3, -3, -3), -0.3),
                               TestSupport::turnedBox(picture.imageFrame.adjusted(3, 3, -3, -3), 0.5)};
    int checked = 0;
    for (int y = 0; y < 180; ++y)
        for (int x = 0; x < 240; ++x)
            if (std::all_of(std::begin(inner), std::end(inner), [&](const QPolygonF& q) {
                    return q.containsPoint(QPointF(x, y), Qt::OddEvenFill) &&
                           q.containsPoint(QPointF(x + 1, y + 1), Qt::OddEvenFill) &&
                           q.containsPoint(QPointF(x + 1, y), Qt::OddEvenFill) &&
                           q.containsPoint(QPointF(x, y + 1), Qt::OddEvenFill);
                })) {
                ++checked;
                EXPECT_EQ(alone.pixel(x, y), kInk.rgb()) << x << "," << y;
            }
    EXPECT_GT(checked, 1000);

    // A see-through picture stays see-through beside the box.
    QImage clear(50, 40, QImage::Format_ARGB32_Premultiplied);
    clear.fill(Qt::transparent);
    picture.image = clear;
    picture.rotation = 0;
    EditorModel clearModel(noisePicture(240, 180), {picture, annotation(EditorTool::redact, {{120, 70}, {160, 100}}, kInk)});
    QTemporaryDir clearDir;
    const Saved clearSaved = saveAndRead(clearModel, clearDir);
    ASSERT_EQ(clearSaved.project.annotations.size(), 2);
    const QImage kept = clearSaved.project.annotations.first().image;
    EXPECT_EQ(qAlpha(kept.pixel(45, 35)), 0);
    EXPECT_EQ(kept.pixel(20, 12), kInk.rgb());
}

// Off, the project keeps the original pixels under a blur region; on, the blurred ones the flat
// picture shows there, and the original ones elsewhere.
TEST(Redaction, BlurredPartsGoIntoTheProjectOnlyWhenAsked) {
    const QImage base = noisePicture(200, 150);
    EditorModel model(base, {annotation(EditorTool::blur, {{40, 30}, {140, 100}})});
    QTemporaryDir kept, burnt;
    EXPECT_EQ(differingPixels(saveAndRead(model, kept, false).project.baseImage, base), 0);
    const Saved blurred = saveAndRead(model, burnt, true);
    QImage expected = base;
    QPainter(&expected).drawImage(40, 30, blurred.flat.copy(40, 30, 100, 70));
    EXPECT_EQ(differingPixels(blurred.project.baseImage, expected), 0);
    EXPECT_GT(differingPixels(expected, base), 6000);
}

// Text read from a picture leaves out what redactions cover: a black box read as "|" or "—" is no
// text, and what was hidden is not copied either. A turned redaction covers where it is drawn.
TEST(Redaction, WordsUnderARedactionAreNotRead) {
    const auto word = TestSupport::recognizedWord;
    RecognizedText read;
    read.words = {word("Serial", QRect(10, 10, 60, 20), 0), word("SN-4471", QRect(80, 10, 70, 20), 0),
                  word("Zone", QRect(10, 60, 50, 20), 1), word("North", QRect(200, 60, 50, 20), 1)};
    Annotation cover = annotation(EditorTool::redact, {{75, 5}, {160, 35}});
    // A tall thin box turned a quarter: lying, it spans x 175...275 around y 70.
    Annotation turned = annotation(EditorTool::redact, {{220, 20}, {230, 120}});
    turned.rotation = M_PI / 2;
    Annotation frame = annotation(EditorTool::rect, {{0, 0}, {300, 300}});
    frame.filled = true;

    const RecognizedText kept = Redaction::uncovered(read, {frame, cover, turned});
    EXPECT_EQ(kept.plainText(), QStringLiteral("Serial\nZone"));
    // Without redactions every word stays; only redactions count.
    EXPECT_EQ(Redaction::uncovered(read, {frame}).words.size(), 4);
    // Read from a part of the picture 180 px in: its words lie that much further right in the
    // image, where "Zone" is under the turned box and "North" beyond it.
    const RecognizedText part = Redaction::uncovered(read, {turned}, QPointF(180, 0));
    EXPECT_EQ(part.plainText(), QStringLiteral("Serial SN-4471\nNorth"));

    // For the sensitive-text search each redaction stands where it lies, as one word: the label
    // before it has its value, hidden already, and nothing else on the page is taken for it.
    read.words[0].text = QStringLiteral("Serial:");
    const RecognizedText marked = Redaction::withRedactionsAsWords(read, {frame, cover, turned});
    ASSERT_EQ(marked.words.size(), 4);
    EXPECT_EQ(marked.words[2].text, SensitiveText::kCovered);
    EXPECT_EQ(marked.words[2].box, QRect(75, 5, 85, 30));
    EXPECT_EQ(marked.words[3].box, QRect(175, 65, 100, 10)); // turned: lying across
    EXPECT_TRUE(SensitiveText::find(marked).isEmpty());
    EXPECT_EQ(SensitiveText::find(Redaction::uncovered(read, {cover})).size(), 1); // "Zone" taken for the serial
}

// Text recognition sees the ground in place of each box, turned with it: on a light half and a
// dark half alike, whatever letters its edge crosses; the rest of the picture is untouched, and a
// part of the picture read on its own is filled at the same places.
TEST(Redaction, ForReadingEachBoxTakesTheGroundAroundIt) {
    const QColor light(236, 238, 240), dark(32, 33, 36);
    QImage image(400, 200, QImage::Format_RGB32);
    image.fill(light);
    QPainter p(&image);
    p.fillRect(200, 0, 200, 200, dark);
    // Letters running through both boxes' edges.
    p.fillRect(40, 60, 120, 3, kInk);
    p.fillRect(250, 95, 3, 60, kInk);
    Annotation upright = annotation(EditorTool::redact, {{50, 40}, {150, 80}});
    Annotation turned = annotation(EditorTool::redact, {{240, 90}, {360, 120}});
    turned.rotation = M_PI / 6;
    const QList<Annotation> boxes{upright, turned};
    p.setPen(Qt::NoPen);
    p.setBrush(Qt::black);
    for (const Annotation& a : boxes) {
        QPolygonF shape;
        const QRectF r = a.rect();
        for (QPointF c : {r.topLeft(), r.topRight(), r.bottomRight(), r.bottomLeft()})
            shape << AnnotationGeometry::fromObjectSpace(c, a);
        p.drawPolygon(shape);
    }
    p.end();

    const QImage read = Redaction::forReading(image, boxes);
    ASSERT_EQ(read.size(), image.size());
    int inside = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) {
            const QPointF at(x + 0.5, y + 0.5);
            bool near = false;
            for (qsizetype i = 0; i < boxes.size(); ++i) {
                const QPointF local = AnnotationGeometry::toObjectSpace(at, boxes[i]);
                near = near || boxes[i].rect().adjusted(-4, -4, 4, 4).contains(local);
                if (boxes[i].rect().adjusted(1, 1, -1, -1).contains(local)) {
                    ++inside;
                    ASSERT_EQ(QColor(read.pixel(x, y)), i == 0 ? light : dark) << x << "," << y;
                }
            }
            if (!near) {
                ASSERT_EQ(read.pixel(x, y), image.pixel(x, y)) << x << "," << y;
            }
        }
    EXPECT_GT(inside, 7000);
    // The ink outside the boxes is still there to be read.
    EXPECT_EQ(QColor(read.pixel(45, 61)), kInk);

    // The part from (200, 50) on, read alone, is the same as that part of the whole.
    const QImage part = Redaction::forReading(image.copy(200, 50, 200, 150), boxes, QPointF(200, 50));
    EXPECT_EQ(part, read.copy(200, 50, 200, 150));

    // A palette picture (one a painter cannot draw on as it is) is filled all the same.
    const QImage palette = Redaction::forReading(image.convertToFormat(QImage::Format_Indexed8), boxes, {});
    EXPECT_EQ(QColor(palette.pixel(100, 60)).lightness(), QColor(light).lightness());
}
