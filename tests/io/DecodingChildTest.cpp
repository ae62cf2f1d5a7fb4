#include "io/DecodingChild.h"
#include "io/ProjectIO.h"

#include "Bombs.h"

#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QImageWriter>
#include <QJsonArray>
#include <QJsonDocument>
#include <QPainter>
#include <QTemporaryDir>
#include <QTest>

#include <future>

#include <signal.h>
#include <sys/types.h>

namespace {

constexpr qint64 kGiB = qint64(1) << 30;

// Killed and gone (a zombie until its parent reaps it).
bool killed(qint64 pid, int signal = SIGKILL) {
    ::kill(pid_t(pid), signal);
    return QTest::qWaitFor(
        [pid] {
            QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
            return stat.open(QIODevice::ReadOnly) && stat.readAll().contains(") Z ");
        },
        5000);
}

// A picture with something in every corner, so a turned or shifted copy shows.
QImage pattern(int w, int h, QImage::Format format) {
    QImage image(w, h, format);
    image.fill(QColor(30, 90, 200, 255));
    QPainter p(&image);
    p.setCompositionMode(QPainter::CompositionMode_Source);
    p.fillRect(0, 0, w / 3, h / 4, QColor(250, 20, 20, 128));
    p.fillRect(w - 5, h - 7, 5, 7, QColor(10, 240, 40, 0));
    return image;
}

bool pixelsEqual(const QImage& a, const QImage& b) {
    if (a.size() != b.size() || a.format() != b.format()) return false;
    for (int y = 0; y < a.height(); ++y)
        if (std::memcmp(a.constScanLine(y), b.constScanLine(y), size_t(a.width()) * 4) != 0) return false;
    return true;
}

struct Refusal {
    bool refused = false;
    QString message;
    qint64 elapsedMs = 0;
    std::optional<DecodingChild::Usage> usage;
};

Refusal decodeInChild(const QString& path) {
    QElapsedTimer timer;
    timer.start();
    DecodingChild::Session session;
    const Result<QImage> image = session.decodeFile(path, nullptr);
    Refusal r{!image.ok(), image.ok() ? QString() : image.error().message, timer.elapsed(), {}};
    session.end();
    r.usage = session.lastUsage();
    return r;
}

#if defined(__SANITIZE_ADDRESS__)
constexpr bool kAsan = true;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
constexpr bool kAsan = true;
#else
constexpr bool kAsan = false;
#endif
#else
constexpr bool kAsan = false;
#endif

} // namespace

// What comes back through shared memory is what decoding here gives: the drawing format, the
// orientation tag applied, the pixel budget spent, the same errors.
TEST(DecodingChild, PicturesComeBackAsTheyDecodeHere) {
    QTemporaryDir dir;
    const QString opaque = dir.filePath(QStringLiteral("opaque.png")), clear = dir.filePath(QStringLiteral("clear.png")),
                  grey = dir.filePath(QStringLiteral("grey.png")), turned = dir.filePath(QStringLiteral("turned.jpg"));
    ASSERT_TRUE(pattern(301, 203, QImage::Format_RGB32).save(opaque));
    ASSERT_TRUE(pattern(64, 48, QImage::Format_ARGB32).save(clear));
    ASSERT_TRUE(pattern(40, 30, QImage::Format_RGB32).convertToFormat(QImage::Format_Grayscale8).save(grey));
    QImageWriter writer(turned, "jpeg");
    writer.setTransformation(QImageIOHandler::TransformationRotate90);
    ASSERT_TRUE(writer.write(pattern(80, 20, QImage::Format_RGB32)));

    DecodingChild::Session session;
    for (const QString& path : {opaque, clear, grey, turned}) {
        const Result<QImage> here = ImageDecoder::decodeFileHere(path, nullptr);
        const Result<QImage> there = session.decodeFile(path, nullptr);
        ASSERT_TRUE(here.ok() && there.ok()) << path.toStdString();
        EXPECT_TRUE(pixelsEqual(*here, *there)) << path.toStdString();
        EXPECT_EQ(there->dotsPerMeterX(), here->dotsPerMeterX());
    }
    EXPECT_EQ(session.decodeFile(turned, nullptr)->size(), QSize(20, 80));
    EXPECT_EQ(session.decodeFile(clear, nullptr)->format(), QImage::Format_ARGB32_Premultiplied);
    EXPECT_EQ(session.decodeFile(opaque, nullptr)->format(), QImage::Format_RGB32);

    // Bytes too, and one budget for a load.
    QFile file(opaque);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray bytes = file.readAll();
    ImageDecoder::Budget budget{301 * 203}; // just enough
    const Result<QImage> fromBytes = session.decode(bytes, QStringLiteral("pasted picture"), &budget);
    ASSERT_TRUE(fromBytes.ok());
    EXPECT_EQ(budget.remainingPixels, 0);
    const Result<QImage> over = session.decode(bytes, QStringLiteral("pasted picture"), &budget);
    ASSERT_FALSE(over.ok()); // a load that has used up its pixels decodes no more
    ImageDecoder::Budget same{0};
    EXPECT_EQ(over.error().message, ImageDecoder::decodeHere(bytes, QStringLiteral("pasted picture"), &same).error().message);

    const QString gone = dir.filePath(QStringLiteral("gone.png"));
    ASSERT_FALSE(session.decodeFile(gone, nullptr).ok());
    EXPECT_EQ(session.decodeFile(gone, nullptr).error().message, ImageDecoder::decodeFileHere(gone, nullptr).error().message);
    EXPECT_EQ(session.decode("x", QStringLiteral("one byte"), nullptr).error().message,
              ImageDecoder::decodeHere("x", QStringLiteral("one byte"), nullptr).error().message);
}

// What went wrong with one picture is not blamed on the next: a picture refused for memory, then a
// damaged one, in one session; a child killed between two pictures fails the next one only.
TEST(DecodingChild, EachRefusalHasItsOwnReason) {
    // CPU time enough to reach the memory limit when the kernel must first reclaim memory for it
    // (2 s was seen to run out), and a wall clock a loaded machine cannot run out; under ASan,
    // without the memory limit, it must run out of CPU time before the picture is whole.
    const DecodingChild::ScopedLimits limits({kAsan ? 2 : 10, 30000, DecodingChild::limits().addressSpace});
    QTemporaryDir dir;
    const QString tiff = dir.filePath(QStringLiteral("strip.tif")), fine = dir.filePath(QStringLiteral("fine.png"));
    ASSERT_TRUE(Bombs::write(tiff, Bombs::plainTiff(20000)));
    ASSERT_TRUE(pattern(20, 10, QImage::Format_RGB32).save(fine));
    DecodingChild::Session session;
    const Result<QImage> strip = session.decodeFile(tiff, nullptr);
    ASSERT_FALSE(strip.ok());
    if (!kAsan) {
        EXPECT_EQ(strip.error().message.toStdString(),
                  QStringLiteral("“%1” needs more memory to decode than Pictavo allows").arg(tiff).toStdString());
    }
    session.renewBudget(); // under ASan, without the memory limit, it ran out of time instead
    const QByteArray damaged = QByteArray("\x89PNG\r\n\x1a\n", 8) + QByteArray(40, 'x');
    EXPECT_EQ(session.decode(damaged, QStringLiteral("damaged"), nullptr).error().message,
              ImageDecoder::decodeHere(damaged, QStringLiteral("damaged"), nullptr).error().message);

    ASSERT_TRUE(session.processId().has_value());
    ASSERT_TRUE(killed(*session.processId())); // by the OOM killer, say
    QElapsedTimer timer;
    timer.start();
    const Result<QImage> next = session.decodeFile(fine, nullptr);
    ASSERT_FALSE(next.ok());
    EXPECT_EQ(next.error().message.toStdString(),
              QStringLiteral("“%1” could not be decoded: the decoding process stopped").arg(fine).toStdString());
    EXPECT_LT(timer.elapsed(), 1000);
    EXPECT_TRUE(session.decodeFile(fine, nullptr).ok()); // a new child

    // A child whose CPU time ran out after it answered is not blamed on a picture with a new budget.
    ASSERT_TRUE(session.processId().has_value());
    ASSERT_TRUE(killed(*session.processId(), SIGXCPU));
    session.renewBudget();
    const Result<QImage> renewed = session.decodeFile(fine, nullptr);
    EXPECT_TRUE(renewed.ok()) << renewed.error().message.toStdString();
}

// While a backend is set on a thread, every decode there goes to it; other threads decode here.
TEST(DecodingChild, ABackendTakesTheDecodesOfItsThreadOnly) {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("a.png"));
    ASSERT_TRUE(pattern(10, 10, QImage::Format_RGB32).save(path));
    struct Counting final : ImageDecoder::Backend {
        int calls = 0;
        Result<QImage> decode(const QByteArray&, const QString&, ImageDecoder::Budget*) override { return ++calls, QImage(1, 1, QImage::Format_RGB32); }
        Result<QImage> decodeFile(const QString&, ImageDecoder::Budget*) override { return ++calls, QImage(2, 2, QImage::Format_RGB32); }
    } counting;
    {
        const ImageDecoder::ScopedBackend backend(&counting);
        EXPECT_EQ(ImageDecoder::decodeFile(path)->size(), QSize(2, 2));
        EXPECT_EQ(ImageDecoder::decode("x", QStringLiteral("x"))->size(), QSize(1, 1));
        EXPECT_EQ(std::async(std::launch::async, [&] { return ImageDecoder::decodeFile(path)->size(); }).get(), QSize(10, 10));
    }
    EXPECT_EQ(counting.calls, 2);
    EXPECT_EQ(ImageDecoder::decodeFile(path)->size(), QSize(10, 10));
}

// Each bomb costs its child at most the budget and never gigabytes, whatever it claims.
TEST(DecodingChild, BombsAreRefusedWithinTheBudget) {
    const DecodingChild::ScopedLimits limits({1, 1500, DecodingChild::limits().addressSpace});
    QTemporaryDir dir;
    const QByteArray png = Bombs::plainPng(20000);
    const QList<QPair<QString, QByteArray>> bombs{
        {QStringLiteral("claims 20000.jpg"), Bombs::jpegClaiming(20000)},
        {QStringLiteral("progressive.jpg"), Bombs::jpegClaiming(20000, true, 1500)},
        {QStringLiteral("claims 16383.webp"), Bombs::webpClaiming(16383)},
        {QStringLiteral("plain.png"), png},
        {QStringLiteral("plain.tif"), Bombs::plainTiff(20000)},
        {QStringLiteral("plain.ico"), Bombs::iconAround(png)},
    };
    std::vector<std::future<Refusal>> runs;
    for (const auto& [name, bytes] : bombs) {
        ASSERT_FALSE(bytes.isEmpty());
        EXPECT_LT(bytes.size(), 2 << 20) << name.toStdString();
        ASSERT_TRUE(Bombs::write(dir.filePath(name), bytes));
        runs.push_back(std::async(std::launch::async, decodeInChild, dir.filePath(name)));
    }
    for (size_t i = 0; i < runs.size(); ++i) {
        const Refusal r = runs[i].get();
        const QString path = dir.filePath(bombs[int(i)].first);
        EXPECT_TRUE(r.refused) << path.toStdString();
        // Out of time, or (a progressive JPEG's coefficients, a TIFF's one strip) out of room.
        const QStringList reasons{QStringLiteral("“%1” takes more than 1 second to decode").arg(path),
                                  QStringLiteral("“%1” needs more memory to decode than Pictavo allows").arg(path)};
        EXPECT_TRUE(reasons.contains(r.message)) << r.message.toStdString();
        EXPECT_LT(r.elapsedMs, 3000) << path.toStdString();
        ASSERT_TRUE(r.usage.has_value());
        if (!kAsan) {
            EXPECT_LT(r.usage->peakResidentBytes, 5 * kGiB / 2) << path.toStdString();
        }
    }
}

// A kilobyte of compressed text per chunk inflates to megabytes: the chunks are left unread, so
// the 1 x 1 picture decodes at once, in the child and here.
TEST(DecodingChild, PngTextChunksAreNotInflated) {
    const QByteArray bomb = Bombs::textChunkPng(300, 8 << 20);
    ASSERT_GT(bomb.size(), 1 << 20);
    const QByteArray stripped = ImageDecoder::withoutTextChunks(bomb);
    EXPECT_LT(stripped.size(), 200);
    EXPECT_FALSE(stripped.contains("zTXt"));
    EXPECT_TRUE(stripped.contains("IDAT") && stripped.endsWith(Bombs::pngChunk("IEND", {})));
    const QByteArray plain = Bombs::pngHeader(1, 1, 2) + Bombs::pngChunk("IEND", {});
    EXPECT_EQ(ImageDecoder::withoutTextChunks(plain), plain); // nothing to leave out: untouched

    const DecodingChild::ScopedLimits limits({1, 1500, DecodingChild::limits().addressSpace});
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("notes.png"));
    ASSERT_TRUE(Bombs::write(path, bomb));
    DecodingChild::Session session;
    const Result<QImage> file = session.decodeFile(path, nullptr);
    ASSERT_TRUE(file.ok()) << file.error().message.toStdString();
    EXPECT_EQ(file->size(), QSize(1, 1));
    EXPECT_EQ(file->pixel(0, 0), qRgb(255, 0, 0));
    const Result<QImage> bytes = session.decode(bomb, QStringLiteral("pasted picture"), nullptr);
    ASSERT_TRUE(bytes.ok()) << bytes.error().message.toStdString();
    EXPECT_EQ(bytes->pixel(0, 0), qRgb(255, 0, 0));
    session.renewBudget();
    const Result<QImage> here = ImageDecoder::decodeFileHere(path, nullptr);
    ASSERT_TRUE(here.ok());
    EXPECT_EQ(here->pixel(0, 0), qRgb(255, 0, 0));
}

// A project's pictures are decoded by its load's child: one pasted picture that decodes for minutes
// fails the whole project, named for its file, instead of opening it without that picture.
TEST(DecodingChild, AProjectFailsWholeWhenOnePictureRunsOutOfTime) {
    const DecodingChild::ScopedLimits limits({1, 1500, DecodingChild::limits().addressSpace});
    Annotation pasted;
    pasted.tool = EditorTool::image;
    pasted.image = QImage(1, 1, QImage::Format_RGB32);
    pasted.image.fill(Qt::green);
    pasted.imageFrame = QRectF(10, 10, 50, 50);
    const Result<QByteArray> written = ProjectIO::encode(pattern(40, 30, QImage::Format_RGB32), {pasted});
    ASSERT_TRUE(written.ok());
    // The same project with its pasted picture swapped for a one-colour 19000² PNG (with the base
    // picture, within the pixels of one load).
    const QByteArray& bytes = *written;
    const qsizetype manifestLength = qsizetype(ProjectIO::readUInt64(bytes, 8));
    QJsonObject manifest = QJsonDocument::fromJson(bytes.mid(16, manifestLength)).object();
    QJsonArray sizes = manifest.value(QStringLiteral("blobSizes")).toArray();
    ASSERT_EQ(sizes.size(), 2);
    const QByteArray base = bytes.mid(16 + manifestLength, sizes[0].toInteger()), bomb = Bombs::plainPng(19000);
    sizes[1] = qint64(bomb.size());
    manifest.insert(QStringLiteral("blobSizes"), sizes);
    const QByteArray json = QJsonDocument(manifest).toJson(QJsonDocument::Compact);
    QByteArray project = bytes.left(8);
    for (int i = 0; i < 8; ++i)
        project += char((quint64(json.size()) >> (8 * i)) & 0xff);
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("annotated.pictproj"));
    ASSERT_TRUE(Bombs::write(path, project + json + base + bomb));

    const Result<ProjectIO::Project> loaded =
        DecodingChild::isolated<ProjectIO::Project>(path, [&] { return ProjectIO::load(path); });
    ASSERT_FALSE(loaded.ok());
    EXPECT_EQ(loaded.error().message.toStdString(),
              QStringLiteral("“%1” takes more than 1 second to decode").arg(path).toStdString());
    // With its own small picture it opens whole, from the child.
    ASSERT_TRUE(Bombs::write(path, bytes));
    const Result<ProjectIO::Project> fine =
        DecodingChild::isolated<ProjectIO::Project>(path, [&] { return ProjectIO::load(path); });
    ASSERT_TRUE(fine.ok());
    ASSERT_EQ(fine->annotations.size(), 1);
    EXPECT_EQ(fine->annotations.first().image.pixel(0, 0), QColor(Qt::green).rgb());
}

// After a request ran out of time the session refuses the rest of its load; a new budget (the next
// thumbnail) starts a new child.
TEST(DecodingChild, ASessionPastItsBudgetRefusesUntilRenewed) {
    const DecodingChild::ScopedLimits limits({1, 1500, DecodingChild::limits().addressSpace});
    QTemporaryDir dir;
    const QString bomb = dir.filePath(QStringLiteral("bomb.jpg")), fine = dir.filePath(QStringLiteral("fine.png"));
    ASSERT_TRUE(Bombs::write(bomb, Bombs::jpegClaiming(20000)));
    ASSERT_TRUE(pattern(20, 10, QImage::Format_RGB32).save(fine));
    // A load that decodes several pictures fails whole, named for its file (alongside, to share the wait).
    auto load = std::async(std::launch::async, [&] {
        return DecodingChild::isolated<QImage>(fine, [&]() -> Result<QImage> {
            const Result<QImage> first = ImageDecoder::decodeFile(fine);
            const Result<QImage> second = ImageDecoder::decodeFile(bomb);
            return first.ok() && !second.ok() ? first : IoError{};
        });
    });
    DecodingChild::Session session;
    ASSERT_FALSE(session.decodeFile(bomb, nullptr).ok());
    ASSERT_TRUE(session.exceeded().has_value());
    EXPECT_EQ(session.decodeFile(fine, nullptr).error().message, session.exceeded()->message);
    const Result<QImage> loaded = load.get();
    ASSERT_FALSE(loaded.ok());
    EXPECT_EQ(loaded.error().message.toStdString(),
              QStringLiteral("“%1” takes more than 1 second to decode").arg(fine).toStdString());
    session.renewBudget();
    const Result<QImage> again = session.decodeFile(fine, nullptr);
    ASSERT_TRUE(again.ok());
    EXPECT_EQ(again->size(), QSize(20, 10));
}

// The instance keeps a child started ahead: the next session takes it and another is started; one
// that has gone, or was started under other limits, is not used.
TEST(DecodingChild, ASpareChildServesTheNextSessionUnderTheLimitsInForce) {
    QTemporaryDir dir;
    const QString fine = dir.filePath(QStringLiteral("fine.png")), bomb = dir.filePath(QStringLiteral("bomb.jpg"));
    ASSERT_TRUE(pattern(20, 10, QImage::Format_RGB32).save(fine));
    ASSERT_TRUE(Bombs::write(bomb, Bombs::jpegClaiming(20000)));
    // Spares started under 30 s, far from the 1 s of the last session below, whatever an ASan
    // child's exit adds to its CPU time.
    const DecodingChild::ScopedLimits generous({30, 60000, DecodingChild::limits().addressSpace});
    DecodingChild::keepSpareReady(true);
    const std::optional<qint64> first = DecodingChild::spareProcessId();
    ASSERT_TRUE(first.has_value());
    {
        DecodingChild::Session session;
        ASSERT_TRUE(session.decodeFile(fine, nullptr).ok());
    }
    const std::optional<qint64> second = DecodingChild::spareProcessId();
    ASSERT_TRUE(second.has_value());
    EXPECT_NE(*second, *first);

    ASSERT_TRUE(killed(*second));
    {
        DecodingChild::Session session;
        const Result<QImage> image = session.decodeFile(fine, nullptr);
        EXPECT_TRUE(image.ok()) << image.error().message.toStdString();
    }
    {
        // The child's own CPU limit, not the wall-clock guard, ends it.
        // A spare under 30 s would run to the end of its picture or to this wall clock.
        const DecodingChild::ScopedLimits limits({1, 20000, DecodingChild::limits().addressSpace});
        DecodingChild::Session session;
        const Result<QImage> image = session.decodeFile(bomb, nullptr);
        ASSERT_FALSE(image.ok());
        EXPECT_EQ(image.error().message.toStdString(),
                  QStringLiteral("“%1” takes more than 1 second to decode").arg(bomb).toStdString());
        session.end();
        ASSERT_TRUE(session.lastUsage().has_value());
        // A loaded machine was seen to let it run 2.2 s, an ASan child 3.9 s.
        EXPECT_LT(session.lastUsage()->cpuSeconds, 10.0);
    }
    DecodingChild::keepSpareReady(false);
    EXPECT_FALSE(DecodingChild::spareProcessId().has_value());
}
