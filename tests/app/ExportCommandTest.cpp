// Runs the real `pictavo export` the way scripts do: a separate process with no display.
#include "io/Bombs.h"
#include "io/ProjectIO.h"
#include "model/Palette.h"

#include "TestSupport.h"

#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QFile>
#include <QBuffer>
#include <QImageReader>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRandomGenerator>
#include <QPainter>
#include <QPdfWriter>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>

namespace {

struct ProcessRun {
    int exitCode = -1;
    QString out;
    QString err;
};

ProcessRun pictavo(const QStringList& args, const QString& workingFolder = {}) {
    QProcess process;
    if (!workingFolder.isEmpty()) process.setWorkingDirectory(workingFolder);
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.remove(QStringLiteral("DISPLAY"));
    env.remove(QStringLiteral("WAYLAND_DISPLAY"));
    env.remove(QStringLiteral("QT_QPA_PLATFORM"));
    process.setProcessEnvironment(env);
    process.start(QStringLiteral(PICTAVO_BINARY), args);
    if (!process.waitForFinished(60000)) return {};
    return {process.exitCode(), QString::fromLocal8Bit(process.readAllStandardOutput()),
            QString::fromLocal8Bit(process.readAllStandardError())};
}

QString tool(const QString& program, const QStringList& args) {
    QProcess process;
    process.start(program, args);
    process.waitForFinished(30000);
    return QString::fromLocal8Bit(process.readAllStandardOutput());
}

// Pixels that do not compress: a PNG of about 3 bytes a pixel.
QImage noise(int w, int h) {
    QImage image(w, h, QImage::Format_RGB32);
    QRandomGenerator rng(4);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            image.setPixel(x, y, rng.generate() | 0xff000000);
    return image;
}

class ExportCommand : public ::testing::Test {
protected:
    QTemporaryDir dir;
    QString path(const char* name) const { return dir.filePath(QString::fromLatin1(name)); }
    void writeFile(const QString& file, const QByteArray& bytes) {
        QFile f(file);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(bytes);
    }

    // A 1000 x 601 project whose left half is transparent, with one filled rectangle.
    QString writeProject() {
        QImage base(1000, 601, QImage::Format_ARGB32_Premultiplied);
        base.fill(Qt::transparent);
        QPainter(&base).fillRect(500, 0, 500, 601, QColor(0, 0, 255));
        Annotation rect;
        rect.tool = EditorTool::rect;
        rect.points = {{600, 100}, {700, 200}};
        rect.filled = true;
        rect.color = Palette::named("green");
        const Result<QByteArray> bytes = ProjectIO::encode(base, {rect});
        EXPECT_TRUE(bytes.ok());
        const QString file = path("Shot.PICTPROJ");
        QFile f(file);
        EXPECT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(*bytes);
        return file;
    }
};

} // namespace

TEST_F(ExportCommand, ScaledPngOfAProject) {
    const QString project = writeProject();
    const ProcessRun run = pictavo({"export", project, "--output", path("flat.png"), "--scale", "25"});
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
    QImageReader reader(path("flat.png"));
    EXPECT_EQ(QString::fromLatin1(reader.format()), QStringLiteral("png"));
    const QImage flat = reader.read();
    EXPECT_EQ(flat.size(), QSize(250, 150));  // 601 * 0.25 = 150.25, truncated
    EXPECT_EQ(qAlpha(flat.pixel(10, 75)), 0); // transparency kept
    EXPECT_EQ(flat.pixel(162, 37), Palette::named("green").rgb());
    EXPECT_FALSE(QFile::exists(path("flat.pictproj"))); // a project input writes nothing else
}

TEST_F(ExportCommand, JpegIsFlattenedOnWhite) {
    const ProcessRun run = pictavo({"export", writeProject(), "--output", path("flat.JPG")});
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
    const QImage flat(path("flat.JPG"));
    EXPECT_EQ(flat.size(), QSize(1000, 601));
    EXPECT_GT(qRed(flat.pixel(100, 300)), 250);
    EXPECT_GT(qBlue(flat.pixel(900, 300)), 240);
    EXPECT_LT(qRed(flat.pixel(900, 300)), 15);
}

TEST_F(ExportCommand, PdfPageIsWholePointsWithALosslessPicture) {
    const ProcessRun run = pictavo({"export", writeProject(), "--output", path("flat.pdf")});
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
    const QString info = tool(QStringLiteral("pdfinfo"), {path("flat.pdf")});
    EXPECT_TRUE(info.contains(QRegularExpression(QStringLiteral("Page size:\\s+750 x 451 pts"))))
        << info.toStdString();
    EXPECT_TRUE(info.contains(QRegularExpression(QStringLiteral("Pages:\\s+1\\n"))));
    const QString images = tool(QStringLiteral("pdfimages"), {QStringLiteral("-list"), path("flat.pdf")});
    EXPECT_TRUE(images.contains(QRegularExpression(QStringLiteral("image\\s+1000\\s+601\\s+rgb"))))
        << images.toStdString();
    EXPECT_FALSE(images.contains(QStringLiteral("jpeg"))) << images.toStdString();
}

TEST_F(ExportCommand, AnyPictureCanBeExported) {
    QImage picture(40, 30, QImage::Format_RGB32);
    picture.fill(Qt::red);
    ASSERT_TRUE(picture.save(path("in.bmp")));
    const ProcessRun run = pictavo({"export", path("in.bmp"), "--output", path("out.png"), "--scale", "50"});
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
    EXPECT_EQ(QImage(path("out.png")).size(), QSize(20, 15));
}

TEST_F(ExportCommand, FailuresSayWhatAndLeaveNoFile) {
    ProcessRun run = pictavo({"export", path("missing.pictproj"), "--output", path("out.png")});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_TRUE(run.err.startsWith(QStringLiteral("Pictavo: "))) << run.err.toStdString();
    EXPECT_TRUE(run.err.contains(QStringLiteral("missing.pictproj")));
    EXPECT_EQ(run.err.count(QLatin1Char('\n')), 1);

    QFile corrupt(path("broken.pictproj"));
    ASSERT_TRUE(corrupt.open(QIODevice::WriteOnly));
    corrupt.write("PTVJ\x02\x00\x00\x00\xff\x00\x00\x00\x00\x00\x00\x00{}", 18);
    corrupt.close();
    run = pictavo({"export", path("broken.pictproj"), "--output", path("out.png")});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_TRUE(run.err.contains(QStringLiteral("damaged"))) << run.err.toStdString();
    EXPECT_FALSE(QFile::exists(path("out.png")));

    // Writing into a folder that does not exist fails cleanly too.
    run = pictavo({"export", writeProject(), "--output", path("no/such/folder/out.png")});
    EXPECT_EQ(run.exitCode, 1);
    // Said before anything is read: no report of what was covered ahead of the failure.
    run = pictavo({"export", writeProject(), "--output", path("no/such/folder/out.png"), "--redact"});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_EQ(run.err.count(QLatin1Char('\n')), 1) << run.err.toStdString();
    EXPECT_TRUE(run.err.contains(QStringLiteral("no/such/folder"))) << run.err.toStdString();
}

TEST_F(ExportCommand, UsageErrorsExitTwo) {
    EXPECT_EQ(pictavo({"export", "in.png", "--output", "out.gif"}).exitCode, 2);
    EXPECT_EQ(pictavo({"export", "in.png", "--output", "out.png", "--scale", "60"}).exitCode, 2);
    EXPECT_EQ(pictavo({"export", "in.png"}).exitCode, 2);
    EXPECT_EQ(pictavo({"export", "--output", "out.png"}).exitCode, 2);
    EXPECT_EQ(pictavo({"export", "a.png", "b.png", "--output", "out.png"}).exitCode, 2);
    const ProcessRun run = pictavo({"export", "in.png", "--output", "out.tiff"});
    EXPECT_TRUE(run.err.startsWith(QStringLiteral("Pictavo: ")));
}

// What goes to the terminal is one "Pictavo: " line: never a library's own (libpng's "Read Error"
// on a cut file), and never a second line forged by a newline in a file name.
TEST_F(ExportCommand, OneLineOfItsOwnWhateverTheFileOrItsName) {
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    ASSERT_TRUE(noise(64, 64).save(&buffer, "png"));
    writeFile(path("cut.png"), png.left(png.size() / 2));
    ProcessRun run = pictavo({"export", path("cut.png"), "--output", path("out.png")});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_TRUE(run.err.startsWith(QStringLiteral("Pictavo: “%1”").arg(path("cut.png")))) << run.err.toStdString();
    EXPECT_EQ(run.err.count(QLatin1Char('\n')), 1) << run.err.toStdString();

    const QString forged = path("a\nPictavo: all is well.png");
    run = pictavo({"export", forged, "--output", path("out.png")});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_EQ(run.err.count(QLatin1Char('\n')), 1) << run.err.toStdString();
    EXPECT_TRUE(run.err.contains(QStringLiteral("a\\nPictavo: all is well.png"))) << run.err.toStdString();
}

TEST_F(ExportCommand, DoubleDashEndsTheOptions) {
    ASSERT_TRUE(TestSupport::solidImage(40, 30, Qt::red).save(path("-in.png")));
    const ProcessRun run = pictavo({"export", "--output", "x.png", "--", "-in.png"}, dir.path());
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
    EXPECT_EQ(QImage(path("x.png")).size(), QSize(40, 30));
}

TEST_F(ExportCommand, AFullDiskIsNamedAsSuch) {
    const TestSupport::SmallDisk disk(64 * 1024);
    if (!disk.isValid()) GTEST_SKIP() << "cannot mount a small tmpfs here (FileIO's tests inject the failure)";
    ASSERT_TRUE(noise(200, 200).save(path("noise.bmp")));
    const QString out = disk.filePath(QStringLiteral("out.png"));
    const ProcessRun run = pictavo({"export", path("noise.bmp"), "--output", out});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_EQ(run.err, QStringLiteral("Pictavo: Couldn't write “%1”: there is not enough space on the disk\n").arg(out));
    EXPECT_TRUE(TestSupport::everyName(disk.path()).isEmpty());
}

// A picture record pointing one past the last stored picture is left out with a warning; the
// rest is exported.
TEST_F(ExportCommand, ARecordPastTheLastPictureIsLeftOutWithAWarning) {
    const Result<QByteArray> bytes = ProjectIO::encode(TestSupport::solidImage(40, 30, Qt::white), {});
    ASSERT_TRUE(bytes.ok());
    // The manifest of an empty project, with one picture record naming blob 1 of 1.
    const quint64 length = ProjectIO::readUInt64(*bytes, 8);
    QJsonObject manifest = QJsonDocument::fromJson(bytes->mid(16, qsizetype(length))).object();
    manifest["annotations"] = QJsonArray{QJsonObject{
        {"tool", "image"}, {"points", QJsonArray{QJsonArray{1, 2}, QJsonArray{30, 20}}}, {"color", "00FF00"},
        {"width", 3}, {"text", ""}, {"fontSize", 24}, {"headScale", 1.5}, {"rotation", 0}, {"hollow", false},
        {"imageBlob", 1}, {"imageFrame", QJsonArray{QJsonArray{1, 2}, QJsonArray{29, 18}}}}};
    const QByteArray json = QJsonDocument(manifest).toJson(QJsonDocument::Compact);
    QByteArray project = bytes->left(8);
    for (int i = 0; i < 8; ++i)
        project += char((quint64(json.size()) >> (8 * i)) & 0xFF);
    project += json + bytes->mid(16 + qsizetype(length));
    writeFile(path("past.pictproj"), project);
    const ProcessRun run = pictavo({"export", path("past.pictproj"), "--output", path("out.png")});
    EXPECT_EQ(run.exitCode, 0) << run.err.toStdString();
    EXPECT_EQ(run.err, QStringLiteral("Pictavo: warning: 1 annotation(s) of “%1” could not be read and were left out\n")
                           .arg(path("past.pictproj")));
    EXPECT_EQ(QImage(path("out.png")).pixel(10, 10), qRgb(255, 255, 255));
}

// PNG text chunks (a few megabytes inflating to gigabytes) are never inflated: the 1 x 1 picture
// exports at once. (A picture that decodes for minutes: InstanceTest, beside the instance's.)
TEST_F(ExportCommand, PngTextChunksAreSkipped) {
    ASSERT_TRUE(Bombs::write(path("notes.png"), Bombs::textChunkPng(300, 8 << 20)));
    QElapsedTimer timer;
    timer.start();
    const ProcessRun run = pictavo({"export", path("notes.png"), "--output", path("out.png")});
    EXPECT_LT(timer.elapsed(), 3000);
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
    const QImage out(path("out.png"));
    EXPECT_EQ(out.size(), QSize(1, 1));
    EXPECT_EQ(out.pixel(0, 0), qRgb(255, 0, 0));
}

// `pictavo text`: the words of a picture to standard output, headless; failures in one line.
TEST_F(ExportCommand, TextPrintsWhatAPictureSays) {
    QImage image(420, 90, QImage::Format_RGB32);
    image.fill(Qt::white);
    {
        QPainter p(&image);
        QFont font(QStringLiteral("DejaVu Sans"));
        font.setPixelSize(16);
        p.setFont(font);
        p.setPen(Qt::black);
        p.drawText(20, 40, QStringLiteral("Gateway unreachable since Monday"));
    }
    ASSERT_TRUE(image.save(path("page.png")));
    const ProcessRun run = pictavo({QStringLiteral("text"), path("page.png")});
    EXPECT_EQ(run.exitCode, 0) << run.err.toStdString();
    EXPECT_EQ(run.out, QStringLiteral("Gateway unreachable since Monday\n"));
    EXPECT_TRUE(run.err.isEmpty()) << run.err.toStdString();

    const ProcessRun missing = pictavo({QStringLiteral("text"), path("page.png"), QStringLiteral("--lang"), QStringLiteral("xyz")});
    EXPECT_EQ(missing.exitCode, 1);
    EXPECT_TRUE(missing.out.isEmpty());
    EXPECT_TRUE(missing.err.startsWith(QStringLiteral("Pictavo: The language “xyz” is not installed"))) << missing.err.toStdString();
    EXPECT_EQ(missing.err.count(QLatin1Char('\n')), 1);

    writeFile(path("broken.png"), QByteArray("\x89PNG\r\n\x1a\n") + QByteArray(40, 'x'));
    const ProcessRun broken = pictavo({QStringLiteral("text"), path("broken.png")});
    EXPECT_EQ(broken.exitCode, 1);
    EXPECT_TRUE(broken.err.startsWith(QStringLiteral("Pictavo: "))) << broken.err.toStdString();
}

// `export --redact`: every secret wholly under one opaque colour, the plain values left readable.
TEST_F(ExportCommand, RedactCoversSecretsAndLeavesPlainValues) {
    const QList<QPair<QString, bool>> rows{
        {QStringLiteral("Contact: anna.keller@example.com"), true},
        {QStringLiteral("Camera IP 192.168.10.23"), true},
        {QStringLiteral("MAC 00:1A:2B:3C:4D:5E"), true},
        {QStringLiteral("Key AKIAQ3F9XK2LM7T8WZ4P"), true},
        {QStringLiteral("Firmware 5.12.7"), false},
        {QStringLiteral("Door Controller 12"), false},
        {QStringLiteral("Updated 2026-12-08"), false},
    };
    QImage image(560, 30 + 34 * int(rows.size()), QImage::Format_RGB32);
    image.fill(Qt::white);
    QList<QRect> values;
    {
        QPainter p(&image);
        QFont font(QStringLiteral("DejaVu Sans"));
        font.setPixelSize(16);
        p.setFont(font);
        p.setPen(QColor(20, 20, 20));
        const QFontMetrics metrics(font);
        int y = 20;
        for (const auto& [text, secret] : rows) {
            p.drawText(20, y + metrics.ascent(), text);
            // The value: what follows the label's last space.
            const QString label = text.left(text.lastIndexOf(QLatin1Char(' ')) + 1);
            const QString value = text.mid(label.size());
            values.append(metrics.tightBoundingRect(value).translated(20 + metrics.horizontalAdvance(label), y + metrics.ascent()));
            y += 34;
        }
    }
    ASSERT_TRUE(image.save(path("secrets.png")));
    const ProcessRun run = pictavo({QStringLiteral("export"), path("secrets.png"), QStringLiteral("--output"), path("out.png"),
                                    QStringLiteral("--redact")});
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
    for (const QString& kind : {QStringLiteral("e-mail"), QStringLiteral("IP"), QStringLiteral("MAC"), QStringLiteral("key")})
        EXPECT_TRUE(run.err.contains(QStringLiteral("Pictavo: covered 1 × %1\n").arg(kind))) << run.err.toStdString();
    const QImage out(path("out.png"));
    ASSERT_EQ(out.size(), image.size());
    for (qsizetype i = 0; i < rows.size(); ++i) {
        SCOPED_TRACE(rows[i].first.toStdString());
        int black = 0, all = 0;
        for (int y = values[i].top(); y <= values[i].bottom(); ++y)
            for (int x = values[i].left(); x <= values[i].right(); ++x, ++all)
                black += out.pixel(x, y) == qRgb(0, 0, 0);
        if (rows[i].second)
            EXPECT_EQ(black, all); // wholly covered
        else
            EXPECT_LE(black, all / 20); // at most 5 % of a plain value
    }
    // Read again, the output holds none of the secrets.
    const ProcessRun again = pictavo({QStringLiteral("text"), path("out.png")});
    for (const QString& secret : {QStringLiteral("example.com"), QStringLiteral("192.168"), QStringLiteral("3C:4D"),
                                  QStringLiteral("AKIA")})
        EXPECT_FALSE(again.out.contains(secret)) << again.out.toStdString();
    EXPECT_TRUE(again.out.contains(QStringLiteral("Firmware 5.12.7"))) << again.out.toStdString();
}

// A page past the end of a PDF is named with the PDF's own count, in words that fit it.
TEST_F(ExportCommand, APagePastTheEndSaysHowManyThereAre) {
    for (const int count : {1, 2}) {
        const QString pdf = path(count == 1 ? "doc1.pdf" : "doc2.pdf");
        {
            QPdfWriter writer(pdf);
            QPainter painter(&writer);
            for (int page = 1; page < count; ++page) writer.newPage();
        }
        const ProcessRun run = pictavo(QStringList{QStringLiteral("text"), pdf, QStringLiteral("--page"), QStringLiteral("3")});
        EXPECT_EQ(run.exitCode, 1);
        EXPECT_TRUE(run.err.contains(count == 1 ? QStringLiteral("has 1 page, not 3") : QStringLiteral("has 2 pages, not 3")))
            << run.err.toStdString();
    }
}
