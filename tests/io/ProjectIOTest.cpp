#include "editor/EditorModel.h"
#include "io/ProjectIO.h"
#include "model/Palette.h"

#include "TestSupport.h"

#include <gtest/gtest.h>

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QImageWriter>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>

#include <cmath>
#include <limits>

using namespace ProjectIO;
using TestSupport::annotation;

namespace {

QImage picture(int w, int h, QColor color, bool alpha = false) {
    QImage image = TestSupport::solidImage(w, h, color, alpha);
    // A diagonal of other colours (half transparent where the image has alpha) so pixels are checked.
    for (int x = 0; x < w; ++x)
        image.setPixelColor(x, x % h, QColor(x * 7 % 256, 10, 200, alpha ? 128 : 255));
    return image;
}

QByteArray png(const QImage& image) {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter(&buffer, "png").write(image);
    return bytes;
}

// Pixel equality with the first difference named, whatever the formats.
::testing::AssertionResult samePixels(const QImage& a, const QImage& b) {
    if (a.size() != b.size()) return ::testing::AssertionFailure() << "sizes differ";
    const QImage x = a.convertToFormat(QImage::Format_ARGB32), y = b.convertToFormat(QImage::Format_ARGB32);
    for (int row = 0; row < x.height(); ++row)
        for (int col = 0; col < x.width(); ++col)
            if (x.pixel(col, row) != y.pixel(col, row))
                return ::testing::AssertionFailure() << "pixel " << col << "," << row << ": " << std::hex
                                                     << x.pixel(col, row) << " vs " << y.pixel(col, row);
    return ::testing::AssertionSuccess();
}

// A record with every required key, as a file written by the program holds it.
QJsonObject record(const char* tool) {
    return QJsonObject{{"tool", tool},      {"points", QJsonArray{QJsonArray{1, 2}, QJsonArray{30, 40}}},
                       {"color", "00FF00"}, {"width", 3},
                       {"text", "7"},       {"fontSize", 24},
                       {"headScale", 1.5},  {"rotation", 0},
                       {"hollow", false}};
}

QByteArray container(const QJsonObject& manifest, const QList<QByteArray>& blobs, quint64 lengthOverride = 0,
                     QByteArray versionBytes = QByteArray("\x02\x00\x00\x00", 4)) {
    const QByteArray json = QJsonDocument(manifest).toJson(QJsonDocument::Compact);
    QByteArray out("PTVJ");
    out += versionBytes;
    const quint64 n = lengthOverride ? lengthOverride : quint64(json.size());
    for (int i = 0; i < 8; ++i)
        out += char((n >> (8 * i)) & 0xFF);
    out += json;
    for (const QByteArray& b : blobs)
        out += b;
    return out;
}

QJsonObject manifest(const QList<QByteArray>& blobs, const QJsonArray& annotations) {
    QJsonArray sizes;
    for (const QByteArray& b : blobs)
        sizes.append(qint64(b.size()));
    return QJsonObject{{"version", 2}, {"blobSizes", sizes}, {"annotations", annotations}};
}

IoError::Kind failureKind(const QByteArray& bytes) {
    const Result<Project> r = decode(bytes, QStringLiteral("test.pictproj"));
    EXPECT_FALSE(r.ok());
    return r.ok() ? IoError::Kind::writeError : r.error().kind;
}

} // namespace

TEST(ProjectIO, EveryKindRoundTripsWithNewIds) {
    QList<Annotation> list;
    for (EditorTool tool : allCases<EditorTool>()) {
        if (tool == EditorTool::select || tool == EditorTool::crop || tool == EditorTool::image) continue;
        Annotation a = annotation(tool, {{1.25, 2.5}, {300.125, 40}}, Palette::named("blue"), 5);
        a.rotation = 0.3;
        a.text = QStringLiteral("Rack 4\nport \"9\"");
        a.hollow = tool == EditorTool::dot;
        a.labelOutside = tool == EditorTool::dot;
        a.filled = tool == EditorTool::rect;
        a.stamp = tool == EditorTool::stamp ? StampType::cameraPTZ : StampType::numberCircle;
        a.showName = tool == EditorTool::stamp;
        // Neither at its default, and different for every record.
        a.fontSize = 17.25 + list.size();
        a.headScale = 0.75 + 0.125 * list.size();
        list.append(a);
    }
    Annotation first =
        annotation(EditorTool::image, {{0, 0}, {40, 0}, {40, 30}, {0, 30}}, Palette::named("blue"), 5);
    first.image = picture(40, 30, Qt::yellow, true);
    first.imageFrame = QRectF(0, 0, 40, 30);
    Annotation second = first;
    second.image = picture(12, 9, Qt::cyan);
    second.imageFrame = QRectF(5, 6, 70.5, 80);
    list.insert(2, first);
    list.append(second);
    QColor halfBlue = Palette::named("blue");
    halfBlue.setAlphaF(0.5);
    list[0].color = halfBlue;

    const QImage base = picture(64, 48, QColor(10, 20, 30));
    const Result<QByteArray> bytes = encode(base, list);
    ASSERT_TRUE(bytes.ok());
    const QJsonObject m = QJsonDocument::fromJson(bytes->mid(16, qsizetype(readUInt64(*bytes, 8)))).object();
    EXPECT_EQ(m["blobSizes"].toArray().size(), 3);
    EXPECT_EQ(m["annotations"].toArray()[2].toObject()["imageBlob"].toInt(), 1);

    const Result<Project> project = decode(*bytes);
    ASSERT_TRUE(project.ok()) << project.error().message.toStdString();
    EXPECT_TRUE(samePixels(project->baseImage, base));
    ASSERT_EQ(project->annotations.size(), list.size());
    for (qsizetype i = 0; i < list.size(); ++i) {
        const Annotation& a = list[i];
        const Annotation& b = project->annotations[i];
        EXPECT_NE(a.id, b.id);
        EXPECT_EQ(a.tool, b.tool);
        EXPECT_EQ(a.points, b.points);
        EXPECT_EQ(pictavoHex(a.color), pictavoHex(b.color));
        EXPECT_EQ(b.color.alpha(), 255); // stored opaque
        EXPECT_EQ(a.width, b.width);
        EXPECT_EQ(a.text, b.text);
        EXPECT_EQ(a.fontSize, b.fontSize);
        EXPECT_EQ(a.headScale, b.headScale);
        EXPECT_EQ(a.rotation, b.rotation);
        EXPECT_EQ(a.hollow, b.hollow);
        EXPECT_EQ(a.labelOutside, b.labelOutside);
        EXPECT_EQ(a.filled, b.filled);
        EXPECT_EQ(a.showName, b.showName);
        EXPECT_EQ(a.tool == EditorTool::stamp ? a.stamp : StampType::numberCircle, b.stamp);
        EXPECT_EQ(a.imageFrame, b.imageFrame);
        if (a.tool == EditorTool::image) {
            EXPECT_TRUE(samePixels(a.image, b.image));
        }
    }
}

TEST(ProjectIO, EmptyModelWritesOneBlobAndNoRecords) {
    const Result<QByteArray> bytes = encode(picture(8, 8, Qt::red), {});
    ASSERT_TRUE(bytes.ok());
    EXPECT_EQ(bytes->left(8), QByteArray("PTVJ\x02\x00\x00\x00", 8));
    const QJsonObject m = QJsonDocument::fromJson(bytes->mid(16, qsizetype(readUInt64(*bytes, 8)))).object();
    EXPECT_EQ(m["blobSizes"].toArray().size(), 1);
    EXPECT_TRUE(m["annotations"].toArray().isEmpty());
}

TEST(ProjectIO, NonFiniteNumbersRefuseToEncode) {
    Annotation a = annotation(EditorTool::line, {{0, 0}, {std::nan(""), 3}}, Palette::named("blue"), 5);
    const Result<QByteArray> bytes = encode(picture(8, 8, Qt::red), {a});
    ASSERT_FALSE(bytes.ok());
    EXPECT_EQ(bytes.error().kind, IoError::Kind::writeError);
    a.points = {{0, 0}, {1, 1}};
    a.rotation = std::numeric_limits<double>::infinity();
    EXPECT_FALSE(encode(picture(8, 8, Qt::red), {a}).ok());
    EXPECT_FALSE(encodePayload({a}).has_value());
}

TEST(ProjectIO, DamagedContainersFailWithTheRightKind) {
    const QByteArray base = png(picture(8, 8, Qt::red));
    const QJsonObject good = manifest({base}, QJsonArray{record("arrow")});
    ASSERT_TRUE(decode(container(good, {base})).ok());

    EXPECT_EQ(failureKind(QByteArray("PTVJ\x02\x00\x00\x00\x01\x00\x00\x00\x00\x00\x00", 15)),
              IoError::Kind::decodingError); // too short: read as JSON, which it is not
    EXPECT_EQ(failureKind(QByteArray("XXXX") + container(good, {base}).mid(4)), IoError::Kind::decodingError);
    EXPECT_EQ(failureKind(container(good, {base}, 1u << 30)), IoError::Kind::corruptFile);
    EXPECT_EQ(failureKind(container(good, {base}, 0x8000000000000010ull)), IoError::Kind::corruptFile);
    EXPECT_EQ(failureKind(container(manifest({}, {}), {})), IoError::Kind::corruptFile);
    QJsonObject pastEnd = good;
    pastEnd["blobSizes"] = QJsonArray{qint64(base.size() + 1)};
    EXPECT_EQ(failureKind(container(pastEnd, {base})), IoError::Kind::corruptFile);
    QJsonObject negative = good;
    negative["blobSizes"] = QJsonArray{-1};
    EXPECT_EQ(failureKind(container(negative, {base})), IoError::Kind::corruptFile);
    EXPECT_EQ(failureKind(container(manifest({"garbage"}, {}), {"garbage"})), IoError::Kind::corruptFile);

    QJsonObject missingHollow = record("arrow");
    missingHollow.remove("hollow");
    EXPECT_EQ(failureKind(container(manifest({base}, QJsonArray{missingHollow}), {base})),
              IoError::Kind::decodingError);
    QJsonObject wrongType = record("arrow");
    wrongType["width"] = "3";
    EXPECT_EQ(failureKind(container(manifest({base}, QJsonArray{wrongType}), {base})),
              IoError::Kind::decodingError);
    QJsonObject badBase64 = record("image");
    badBase64["imagePNG"] = "not base64!";
    EXPECT_EQ(failureKind(container(manifest({base}, QJsonArray{badBase64}), {base})),
              IoError::Kind::decodingError);
    QJsonObject noVersion = good;
    noVersion.remove("version");
    EXPECT_EQ(failureKind(container(noVersion, {base})), IoError::Kind::decodingError);
}

TEST(ProjectIO, ToleratedVariationsLoadTheSame) {
    const QByteArray base = png(picture(8, 8, Qt::red));
    const QJsonObject m = manifest({base}, QJsonArray{record("arrow")});
    // Any container version bytes, any manifest version, trailing bytes after the last blob.
    QJsonObject otherVersion = m;
    otherVersion["version"] = 99;
    const Result<Project> r = decode(container(otherVersion, {base}, 0, "\x07\x07\x07\x07") + "trailing");
    ASSERT_TRUE(r.ok());
    EXPECT_EQ(r->annotations.size(), 1);
    EXPECT_EQ(r->baseImage.size(), QSize(8, 8));
}

TEST(ProjectIO, RecordFallbacks) {
    const QByteArray base = png(picture(8, 8, Qt::red));
    const QByteArray pic = png(picture(4, 3, Qt::blue));
    QJsonArray records;
    records.append(record("teleporter")); // unknown tool: dropped
    auto colored = [](const char* color) {
        QJsonObject r = record("line");
        r["color"] = color;
        return r;
    };
    records << colored("1a2b3c") << colored("#1A2B3C") << colored("1A2B3C#") << colored("12345")
            << colored("");
    QJsonObject hollowDot = record("dot");
    hollowDot["hollow"] = true;
    QJsonObject hollowNumberStamp = hollowDot;
    hollowNumberStamp["tool"] = "stamp";
    hollowNumberStamp["stamp"] = "numberCircle";
    QJsonObject hollowSiren = hollowNumberStamp;
    hollowSiren["stamp"] = "siren";
    QJsonObject unknownStamp = record("stamp");
    unknownStamp["stamp"] = "warpDrive";
    records << hollowDot << hollowNumberStamp << hollowSiren << unknownStamp;
    QJsonObject fromInline = record("image");
    fromInline["imageBlob"] = 7;
    fromInline["imagePNG"] = QString::fromLatin1(pic.toBase64());
    fromInline["imageFrame"] = QJsonArray{QJsonArray{1, 2}, QJsonArray{40, 30}};
    QJsonObject dangling = record("image");
    dangling["imageBlob"] = 7;
    QJsonObject fromBlob = record("image");
    fromBlob["imageBlob"] = 1;
    QJsonObject undecodable = record("image");
    undecodable["imagePNG"] = QString::fromLatin1(QByteArray("not a picture").toBase64());
    QJsonObject frameOnLine = record("line");
    frameOnLine["imageFrame"] = QJsonArray{QJsonArray{1, 2}, QJsonArray{40, 30}};
    records << fromInline << dangling << fromBlob << undecodable << frameOnLine;

    const Result<Project> r = decode(container(manifest({base, pic, pic}, records), {base, pic, pic}));
    ASSERT_TRUE(r.ok()) << r.error().message.toStdString();
    const QList<Annotation>& a = r->annotations;
    ASSERT_EQ(a.size(), 12);
    EXPECT_EQ(r->droppedRecords, 3);
    const QColor expected = QColor::fromRgb(0x1A, 0x2B, 0x3C);
    EXPECT_EQ(a[0].color, expected);
    EXPECT_EQ(a[1].color, expected);
    EXPECT_EQ(a[2].color, expected);
    EXPECT_EQ(a[3].color, Palette::standardRed());
    EXPECT_EQ(a[4].color, Palette::standardRed());
    EXPECT_TRUE(a[5].labelOutside);
    EXPECT_TRUE(a[6].labelOutside);
    EXPECT_FALSE(a[7].labelOutside);
    EXPECT_FALSE(a[0].labelOutside);
    EXPECT_EQ(a[8].stamp, StampType::numberCircle);
    EXPECT_EQ(a[9].image.size(), QSize(4, 3)); // from imagePNG: the blob index is out of range
    EXPECT_EQ(a[9].imageFrame, QRectF(1, 2, 40, 30));
    EXPECT_EQ(a[10].image.size(), QSize(4, 3)); // from blob 1
    EXPECT_EQ(a[10].imageFrame, QRectF());
    EXPECT_EQ(a[11].imageFrame, QRectF()); // only pictures keep a frame
    EXPECT_TRUE(a[11].image.isNull());
}

// Widths past what the editor makes are cut back on reading, from a file and from the clipboard
// alike; widths the editor can make, and every other number, are kept.
TEST(ProjectIO, WidthsAreCutToWhatTheEditorMakes) {
    struct Case {
        const char* tool;
        double stored;
        double expected;
    };
    const Case cases[] = {{"pen", 1e5, 200},       {"highlighter", 1e3, 200}, {"polygon", 201, 200},
                          {"line", 200, 200},      {"arrow", 1e300, 200},     {"rect", 150, 150},
                          {"ellipse", 0.5, 0.5},   {"text", 1e6, 200},        {"blur", 1e6, 200},
                          {"dot", 1e9, 2500},      {"check", 2501, 2500},     {"stamp", 2500, 2500},
                          {"stamp", 2000, 2000}};
    QJsonArray records;
    for (const Case& c : cases) {
        QJsonObject r = record(c.tool);
        r["width"] = c.stored;
        r["fontSize"] = 5000;
        r["headScale"] = 40;
        records.append(r);
    }
    auto check = [&](const QList<Annotation>& list, const char* reader) {
        ASSERT_EQ(list.size(), qsizetype(std::size(cases))) << reader;
        for (qsizetype i = 0; i < list.size(); ++i) {
            EXPECT_EQ(list[i].width, cases[i].expected) << reader << " " << cases[i].tool << " " << cases[i].stored;
            EXPECT_EQ(list[i].fontSize, 5000) << reader;
            EXPECT_EQ(list[i].headScale, 40) << reader;
            EXPECT_EQ(list[i].points.size(), 2) << reader;
        }
    };
    const QByteArray base = png(picture(8, 8, Qt::red));
    const Result<Project> file = decode(container(manifest({base}, records), {base}));
    ASSERT_TRUE(file.ok()) << file.error().message.toStdString();
    check(file->annotations, "file");
    const auto pasted = annotationsFromPayload(QJsonDocument(QJsonObject{{"annotations", records}}).toJson());
    ASSERT_TRUE(pasted.has_value());
    check(*pasted, "payload");
}

TEST(ProjectIO, LegacyJsonFormLoads) {
    const QImage base = picture(9, 5, Qt::green);
    QJsonObject pic = record("image");
    pic["imagePNG"] = QString::fromLatin1(png(picture(3, 3, Qt::red)).toBase64());
    const QJsonObject legacy{{"version", 1},
                             {"baseImagePNG", QString::fromLatin1(png(base).toBase64())},
                             {"annotations", QJsonArray{record("rect"), pic}}};
    const Result<Project> r = decode(QJsonDocument(legacy).toJson());
    ASSERT_TRUE(r.ok()) << r.error().message.toStdString();
    EXPECT_EQ(r->baseImage.size(), QSize(9, 5));
    ASSERT_EQ(r->annotations.size(), 2);
    EXPECT_EQ(r->annotations[1].image.size(), QSize(3, 3));

    QJsonObject broken = legacy;
    broken["baseImagePNG"] = QString::fromLatin1(QByteArray("nope").toBase64());
    EXPECT_EQ(failureKind(QJsonDocument(broken).toJson()), IoError::Kind::corruptFile);
    EXPECT_EQ(failureKind("{\"version\":1}"), IoError::Kind::decodingError);
    EXPECT_EQ(failureKind("plain text"), IoError::Kind::decodingError);
}

TEST(ProjectIO, OtherFilesAreNamedNotAProjectAndDamagedProjectsSayWhy) {
    auto message = [](const QByteArray& bytes) {
        Result<ProjectIO::Project> r = ProjectIO::decode(bytes, QStringLiteral("notes.pictproj"));
        return r ? QString() : r.error().message;
    };
    const QString notOurs = QStringLiteral("“notes.pictproj” is not a Pictavo project.");
    QImage tiny(4, 4, QImage::Format_RGB32);
    tiny.fill(Qt::red);
    for (const QByteArray& other : {QByteArray(), QByteArray("plain text"), QByteArray("{\"name\": \"x\"}"),
                                    QByteArray("[1, 2]"), png(tiny)})
        EXPECT_EQ(message(other), notOurs) << other.left(20).toStdString();
    // A project cut short is a damaged project, and says where.
    const QString cut = message(QByteArray("{\"version\":1,\"annotations\":[],\"baseImagePNG\":\"iVBO"));
    EXPECT_TRUE(cut.contains(QStringLiteral("is not a Pictavo project or is damaged"))) << cut.toStdString();
}

TEST(ProjectIO, OversizedPicturesAreRefusedBeforeDecoding) {
    // A PNG header announcing 30000 x 10 pixels: refused from the header alone.
    QImage wide(30000, 1, QImage::Format_Mono);
    wide.fill(0);
    const QByteArray huge = png(wide);
    const QByteArray base = png(picture(8, 8, Qt::red));
    EXPECT_EQ(failureKind(container(manifest({huge}, {}), {huge})), IoError::Kind::corruptFile);
    QJsonObject pic = record("image");
    pic["imageBlob"] = 1;
    const Result<Project> r =
        decode(container(manifest({base, huge}, QJsonArray{pic, record("line")}), {base, huge}));
    ASSERT_TRUE(r.ok());
    ASSERT_EQ(r->annotations.size(), 1); // the oversized picture's record is dropped
    EXPECT_EQ(r->annotations[0].tool, EditorTool::line);
}

TEST(ProjectIO, TheBaseAndEveryPastedPictureShareOnePixelBudget) {
    const ImageDecoder::ScopedLoadBudget budget(100 * 100);
    auto picturePng = [](int side) { return png(picture(side, side, Qt::green)); };
    QJsonObject pic = record("image");
    auto pictureRecord = [&](int blob) {
        QJsonObject r = pic;
        r["imageBlob"] = blob;
        r["text"] = QString::number(blob); // tells the records apart
        return r;
    };
    // Each picture fits the budget on its own; together with the base only the small ones do.
    const QList<QByteArray> blobs{picturePng(80), picturePng(70), picturePng(30), picturePng(60)};
    const Result<Project> r = decode(container(
        manifest(blobs, QJsonArray{pictureRecord(1), pictureRecord(2), pictureRecord(3)}), blobs));
    ASSERT_TRUE(r.ok()) << r.error().message.toStdString();
    EXPECT_EQ(r->baseImage.size(), QSize(80, 80));
    ASSERT_EQ(r->annotations.size(), 1);
    EXPECT_EQ(r->annotations[0].image.size(), QSize(30, 30)); // 6400 + 900; 4900 and 3600 over
    EXPECT_EQ(r->droppedRecords, 2);
    // A base over the budget fails the whole load.
    EXPECT_EQ(failureKind(container(manifest({picturePng(101)}, {}), {picturePng(101)})),
              IoError::Kind::corruptFile);

    // Objects on the clipboard share one budget as well.
    QJsonObject inlined = pic;
    inlined["imagePNG"] = QString::fromLatin1(picturePng(80).toBase64());
    const QByteArray payload = QJsonDocument(QJsonObject{{"annotations", QJsonArray{inlined, inlined}}}).toJson();
    const std::optional<QList<Annotation>> pasted = annotationsFromPayload(payload);
    ASSERT_TRUE(pasted.has_value());
    EXPECT_EQ(pasted->size(), 1);
}

// Three records share one stored picture: it is decoded once and its pixels shared, but each
// reference costs the budget, so a thousand references cannot hold more than the budget allows.
TEST(ProjectIO, ASharedPictureIsDecodedOnceAndCountedForEachReference) {
    const ImageDecoder::ScopedLoadBudget budget(100 * 100);
    const QList<QByteArray> blobs{png(picture(80, 80, Qt::red)), png(picture(30, 30, Qt::green))};
    QJsonArray records;
    for (int i = 0; i < 5; ++i) {
        QJsonObject r = record("image");
        r["imageBlob"] = 1;
        records.append(r);
    }
    const Result<Project> r = decode(container(manifest(blobs, records), blobs));
    ASSERT_TRUE(r.ok()) << r.error().message.toStdString();
    // 6400 + 4 x 900 = 10000: the fifth reference is over.
    ASSERT_EQ(r->annotations.size(), 4);
    EXPECT_EQ(r->droppedRecords, 1);
    for (const Annotation& a : r->annotations) {
        EXPECT_EQ(a.image.size(), QSize(30, 30));
        EXPECT_EQ(a.image.constBits(), r->annotations.first().image.constBits()); // one decoded copy
    }
}

// A record pointing one past the last stored picture has no picture: it is left out, not read
// past the end.
TEST(ProjectIO, ARecordPointingPastTheLastPictureIsLeftOut) {
    const QList<QByteArray> blobs{png(picture(8, 8, Qt::red)), png(picture(4, 4, Qt::green))};
    QJsonObject last = record("image"), pastIt = record("image");
    last["imageBlob"] = 1;
    pastIt["imageBlob"] = 2;
    const Result<Project> r = decode(container(manifest(blobs, QJsonArray{pastIt, last}), blobs));
    ASSERT_TRUE(r.ok()) << r.error().message.toStdString();
    ASSERT_EQ(r->annotations.size(), 1);
    EXPECT_EQ(r->annotations[0].image.size(), QSize(4, 4));
    EXPECT_EQ(r->droppedRecords, 1);
}

// Numbers as large as 1e308 are finite and load, but the first turn about their centre overflowed
// them and the project could no longer be saved: they are brought within 1e7 pixels on reading.
TEST(ProjectIO, NumbersFarBeyondAnyCanvasAreBoundedOnReading) {
    constexpr double huge = 1e308, limit = EditorTools::kMaxCoordinate;
    QJsonObject pen = record("pen");
    pen["points"] = QJsonArray{QJsonArray{-huge, -huge}, QJsonArray{12.5, -3}, QJsonArray{huge, huge}};
    QJsonObject text = record("text");
    text["fontSize"] = huge;
    text["headScale"] = -huge;
    QJsonObject pic = record("image");
    pic["imagePNG"] = QString::fromLatin1(png(picture(4, 4, Qt::blue)).toBase64());
    pic["imageFrame"] = QJsonArray{QJsonArray{-huge, 5}, QJsonArray{huge, 7}};
    const QByteArray base = png(picture(8, 8, Qt::red));
    const Result<Project> r = decode(container(manifest({base}, QJsonArray{pen, text, pic}), {base}));
    ASSERT_TRUE(r.ok()) << r.error().message.toStdString();
    ASSERT_EQ(r->annotations.size(), 3);
    EXPECT_EQ(r->annotations[0].points, (QList<QPointF>{{-limit, -limit}, {12.5, -3}, {limit, limit}}));
    EXPECT_EQ(r->annotations[1].fontSize, limit);
    EXPECT_EQ(r->annotations[1].headScale, -limit);
    EXPECT_EQ(r->annotations[2].imageFrame, QRectF(-limit, 5, limit, 7));

    QList<Annotation> turned = r->annotations;
    for (Annotation& a : turned)
        EditorModel::rotate(a, M_PI / 2);
    const Result<QByteArray> saved = encode(r->baseImage, turned);
    EXPECT_TRUE(saved.ok()) << saved.error().message.toStdString();
}

// Parsing takes memory and time for every JSON value (a 180 MB manifest of points took 50 s and
// 6 GB): a manifest, a legacy file or a clipboard payload with more values than a project may hold
// is refused before it is parsed, and such a project is never written. Commas and brackets in
// texts are no values.
TEST(ProjectIO, JsonWithMoreValuesThanAProjectMayHoldIsRefusedUnparsed) {
    const qsizetype points = kMaxJsonValues / 3 + 1; // each is a list of two numbers
    QByteArray list("[");
    list.reserve(points * 6 + 2);
    for (qsizetype i = 0; i < points; ++i)
        list += i ? ",[0,0]" : "[0,0]";
    list += ']';
    QByteArray pen = QJsonDocument(record("pen")).toJson(QJsonDocument::Compact);
    pen.replace("[[1,2],[30,40]]", list);
    ASSERT_TRUE(pen.contains(list));
    const QByteArray base = png(picture(8, 8, Qt::red));
    QByteArray json = QJsonDocument(manifest({base}, QJsonArray{})).toJson(QJsonDocument::Compact);
    json.replace("\"annotations\":[]", "\"annotations\":[" + pen + "]");
    QByteArray file("PTVJ\x02\x00\x00\x00", 8);
    for (int i = 0; i < 8; ++i)
        file += char((quint64(json.size()) >> (8 * i)) & 0xFF);
    file += json + base;
    const QString refused = QStringLiteral("more than %1 million numbers and other values").arg(kMaxJsonValues / 1000000);
    const Result<Project> project = decode(file, QStringLiteral("points.pictproj"));
    ASSERT_FALSE(project.ok()) << "a manifest of " << points << " points was parsed";
    EXPECT_EQ(project.error().kind, IoError::Kind::decodingError);
    EXPECT_TRUE(project.error().message.contains(refused)) << project.error().message.toStdString();

    QByteArray legacy = "{\"version\":1,\"baseImagePNG\":\"" + base.toBase64() + "\",\"annotations\":[" + pen + "]}";
    const Result<Project> old = decode(legacy, QStringLiteral("old.pictproj"));
    ASSERT_FALSE(old.ok());
    EXPECT_TRUE(old.error().message.contains(refused)) << old.error().message.toStdString();
    EXPECT_FALSE(annotationsFromPayload("{\"annotations\":[" + pen + "]}").has_value());

    QList<Annotation> drawn(1);
    drawn[0].tool = EditorTool::pen;
    drawn[0].points = QList<QPointF>(points, QPointF(1, 1));
    const Result<QByteArray> encoded = encode(picture(8, 8, Qt::red), drawn);
    ASSERT_FALSE(encoded.ok()) << "a project that would not reopen was encoded";
    EXPECT_TRUE(encoded.error().message.contains(refused)) << encoded.error().message.toStdString();

    // The same number of commas and brackets inside a text are one value.
    QJsonObject text = record("text");
    text["text"] = QString(points * 3, QLatin1Char(','));
    const Result<Project> commas = decode(container(manifest({base}, QJsonArray{text}), {base}));
    ASSERT_TRUE(commas.ok()) << commas.error().message.toStdString();
    EXPECT_EQ(commas->annotations.value(0).text.size(), points * 3);
}

// A badge shows a number of at most 20 characters; megabytes of digits took seconds to measure
// and draw at every repaint. Text objects keep what they hold.
TEST(ProjectIO, BadgeLabelsAreCutToWhatABadgeCanShow) {
    const QString digits(1'000'000, QLatin1Char('9'));
    QJsonArray records;
    for (const char* tool : {"dot", "stamp", "check", "text"}) {
        QJsonObject r = record(tool);
        r["text"] = digits;
        if (QLatin1String(tool) == QLatin1String("stamp")) r["stamp"] = "numberCircle";
        records.append(r);
    }
    const QByteArray base = png(picture(8, 8, Qt::red));
    const Result<Project> r = decode(container(manifest({base}, records), {base}));
    ASSERT_TRUE(r.ok()) << r.error().message.toStdString();
    ASSERT_EQ(r->annotations.size(), 4);
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(r->annotations[i].text, digits.left(EditorTools::kMaxBadgeText)) << i;
    EXPECT_EQ(r->annotations[3].text.size(), digits.size());
    EXPECT_EQ(EditorTools::kMaxBadgeText, QString::number(std::numeric_limits<qint64>::min()).size());
}

TEST(ProjectIO, VectorPicturesAndDevicesAreRefused) {
    // Vector formats are parsed whole just to learn their size: not accepted from files.
    const QByteArray svg = "<svg xmlns='http://www.w3.org/2000/svg' width='40000' height='40000'>"
                           "<rect width='40000' height='40000' fill='red'/></svg>";
    const Result<QImage> decoded = ImageDecoder::decode(svg, QStringLiteral("drawing.svg"));
    ASSERT_FALSE(decoded.ok());
    EXPECT_TRUE(decoded.error().message.contains(QStringLiteral("drawing.svg")));
    EXPECT_EQ(failureKind(container(manifest({svg}, {}), {svg})), IoError::Kind::corruptFile);
    // A device never ends: refused before reading.
    const Result<Project> device = load(QStringLiteral("/dev/zero"));
    ASSERT_FALSE(device.ok());
    EXPECT_EQ(device.error().kind, IoError::Kind::readError);
    EXPECT_FALSE(ImageDecoder::decodeFile(QStringLiteral("/dev/zero")).ok());
}

TEST(ProjectIO, LoadReportsTheFileAndKeepsNothingOfAFailedRead) {
    QTemporaryDir dir;
    const QString missing = dir.filePath(QStringLiteral("missing.pictproj"));
    const Result<Project> r = load(missing);
    ASSERT_FALSE(r.ok());
    EXPECT_EQ(r.error().kind, IoError::Kind::readError);
    EXPECT_TRUE(r.error().message.contains(missing));
}

TEST(ClipboardPayload, ForeignOrBrokenPayloadsGiveNothing) {
    EXPECT_FALSE(annotationsFromPayload("{}").has_value());
    EXPECT_FALSE(annotationsFromPayload("not json").has_value());
    QJsonObject missingKey = record("arrow");
    missingKey.remove("points");
    EXPECT_FALSE(
        annotationsFromPayload(QJsonDocument(QJsonObject{{"annotations", QJsonArray{missingKey}}}).toJson()));
    const auto mixed = annotationsFromPayload(
        QJsonDocument(QJsonObject{{"annotations", QJsonArray{record("unknown"), record("rect")}}}).toJson());
    ASSERT_TRUE(mixed.has_value());
    EXPECT_EQ(mixed->size(), 1);
    EXPECT_FALSE(annotationsFromPayload(
        QJsonDocument(QJsonObject{{"annotations", QJsonArray{record("unknown")}}}).toJson()));
    // A picture record without its picture is dropped, leaving nothing to paste.
    EXPECT_FALSE(annotationsFromPayload(
        QJsonDocument(QJsonObject{{"annotations", QJsonArray{record("image")}}}).toJson()));
}

// The fuzzers start from these files; they must stay valid as the format evolves.
TEST(ProjectIO, FuzzSeedsStillLoad) {
    const QDir seeds(QStringLiteral(PICTAVO_SOURCE_DIR "/fuzz/seeds"));
    for (const QFileInfo& file : QDir(seeds.filePath(QStringLiteral("project"))).entryInfoList(QDir::Files)) {
        const Result<Project> r = load(file.filePath());
        EXPECT_TRUE(r.ok()) << file.fileName().toStdString();
        if (file.fileName() == QLatin1String("every-kind.pictproj") ||
            file.fileName() == QLatin1String("legacy.pictproj")) {
            EXPECT_EQ(r->annotations.size(), caseCount<EditorTool>()) << file.fileName().toStdString();
        }
    }
    for (const QFileInfo& file : QDir(seeds.filePath(QStringLiteral("payload"))).entryInfoList(QDir::Files)) {
        QFile f(file.filePath());
        ASSERT_TRUE(f.open(QIODevice::ReadOnly));
        EXPECT_TRUE(annotationsFromPayload(f.readAll()).has_value()) << file.fileName().toStdString();
    }
}
