#include "editor/SaveCommand.h"
#include "editor/EditorModel.h"
#include "io/ProjectIO.h"

#include "TestSupport.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cmath>
#include <limits>

#include <QCoreApplication>
#include <QDateTime>
#include <QFile>
#include <QElapsedTimer>
#include <QImageReader>
#include <QProcess>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QThread>
#include <QtEndian>

#include <signal.h>

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

QByteArray contentOf(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// A folder holding the pair an earlier save left: shot.png and shot.pictproj of a 10 x 10 picture.
struct OldPair {
    QTemporaryDir dir;
    QString picture = dir.filePath(QStringLiteral("shot.png"));
    QString project = dir.filePath(QStringLiteral("shot.pictproj"));
    QByteArray pictureBytes, projectBytes;

    OldPair() {
        auto old = dirtyModel(10, 10);
        EXPECT_FALSE(SaveCommand::save(*old, picture, FlatExport::Format::png, 1).error);
        pictureBytes = contentOf(picture);
        projectBytes = contentOf(project);
    }
    // Both old files as they were, and nothing beside them.
    void expectKept() const {
        EXPECT_EQ(contentOf(picture), pictureBytes);
        EXPECT_EQ(contentOf(project), projectBytes);
        EXPECT_EQ(TestSupport::everyName(dir.path()), (QStringList{"shot.pictproj", "shot.png"}));
    }
};

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

// The picture and its project are replaced as a pair: whatever fails while either is written
// (a full disk, a refused project file), both old files stay as they were.
TEST(SaveCommand, AFailedProjectReplacesNeitherFile) {
    const OldPair pair;
    auto model = dirtyModel(300, 200);
    for (const bool whileWriting : {false, true}) {
        auto full = [&pair](const QString& path) { return path == pair.project ? ENOSPC : 0; };
        if (whileWriting)
            FileIO::Testing::setWriteFailure(full);
        else
            FileIO::Testing::setWriteRefusal(full);
        const SaveCommand::Outcome outcome = SaveCommand::save(*model, pair.picture, FlatExport::Format::png, 1);
        FileIO::Testing::setWriteFailure({});
        FileIO::Testing::setWriteRefusal({});
        ASSERT_TRUE(outcome.error) << whileWriting;
        EXPECT_EQ(outcome.error->message,
                  QStringLiteral("Couldn't write “%1”: there is not enough space on the disk").arg(pair.project));
        pair.expectKept();
        EXPECT_TRUE(model->isDirty());
    }
}

// Room for the picture but not for its project, on a real disk.
TEST(SaveCommand, AFullDiskKeepsTheOldPair) {
    const TestSupport::SmallDisk disk(320 * 1024);
    if (!disk.isValid()) GTEST_SKIP() << "cannot mount a small tmpfs here (the injected full disk is tried above)";
    auto old = dirtyModel(10, 10);
    const QString picture = disk.filePath(QStringLiteral("shot.png"));
    ASSERT_FALSE(SaveCommand::save(*old, picture, FlatExport::Format::png, 1).error);
    const QByteArray oldPicture = contentOf(picture), oldProject = contentOf(disk.filePath(QStringLiteral("shot.pictproj")));
    // Noise does not compress: about 180 KB as PNG, once in the picture and once in the project.
    QImage noise(250, 250, QImage::Format_RGB32);
    QRandomGenerator rng(3);
    for (int y = 0; y < noise.height(); ++y)
        for (int x = 0; x < noise.width(); ++x)
            noise.setPixel(x, y, rng.generate() | 0xff000000);
    EditorModel model(noise);
    model.commit(TestSupport::annotation(EditorTool::rect, {{10, 10}, {50, 50}}), true);
    const SaveCommand::Outcome outcome = SaveCommand::save(model, picture, FlatExport::Format::png, 1);
    ASSERT_TRUE(outcome.error);
    EXPECT_TRUE(outcome.error->message.endsWith(QStringLiteral("there is not enough space on the disk")))
        << outcome.error->message.toStdString();
    EXPECT_EQ(contentOf(picture), oldPicture);
    EXPECT_EQ(contentOf(disk.filePath(QStringLiteral("shot.pictproj"))), oldProject);
    EXPECT_EQ(TestSupport::everyName(disk.path()), (QStringList{"shot.pictproj", "shot.png"}));
}

// A name that fits for the picture but not for its project (247 characters: ".png" fits in 255,
// ".pictproj" does not) fails before anything is written.
TEST(SaveCommand, BothNamesAreCheckedFirst) {
    QTemporaryDir dir;
    auto model = dirtyModel(40, 30);
    const QString picture = dir.filePath(QString(247, QLatin1Char('s')) + QStringLiteral(".png"));
    const SaveCommand::Outcome outcome = SaveCommand::save(*model, picture, FlatExport::Format::png, 1);
    ASSERT_TRUE(outcome.error);
    EXPECT_TRUE(outcome.error->message.contains(QStringLiteral(".pictproj”: File name too long")))
        << outcome.error->message.toStdString();
    EXPECT_TRUE(TestSupport::everyName(dir.path()).isEmpty());
    EXPECT_TRUE(model->isDirty());
}

// The project is replaced first: when the picture then fails, the newest work is where the recent
// list opens it, and the save is reported as failed.
TEST(SaveCommand, TheProjectIsReplacedBeforeThePicture) {
    const OldPair pair;
    auto model = dirtyModel(300, 200);
    FileIO::Testing::setRenameFailure([&pair](const QString& path) { return path == pair.picture ? EIO : 0; });
    const SaveCommand::Outcome outcome = SaveCommand::save(*model, pair.picture, FlatExport::Format::png, 1);
    FileIO::Testing::setRenameFailure({});
    ASSERT_TRUE(outcome.error);
    EXPECT_TRUE(outcome.error->message.contains(pair.picture));
    EXPECT_EQ(contentOf(pair.picture), pair.pictureBytes);
    const Result<ProjectIO::Project> project = ProjectIO::load(pair.project);
    ASSERT_TRUE(project.ok());
    EXPECT_EQ(project->baseImage.size(), QSize(300, 200));
    EXPECT_EQ(TestSupport::everyName(pair.dir.path()), (QStringList{"shot.pictproj", "shot.png"}));
}

// A project that cannot be written leaves no new picture either: a number that is not finite
// fails the project, and the picture it would have gone with is not written.
TEST(SaveCommand, APictureIsNeverWrittenWhenItsProjectCannotBe) {
    const OldPair pair;
    auto model = dirtyModel(40, 30);
    model->commit(TestSupport::annotation(EditorTool::line, {{0, 0}, {std::numeric_limits<double>::infinity(), 5}}), true);
    const SaveCommand::Outcome outcome = SaveCommand::save(*model, pair.picture, FlatExport::Format::png, 1);
    ASSERT_TRUE(outcome.error);
    EXPECT_TRUE(outcome.error->message.contains(QStringLiteral("not finite")));
    pair.expectKept();
}

// A pen from -1e308 to 1e308 loads and draws; select all, a quarter turn and a save must write both
// files (the turn overflowed such numbers once, and the save then failed after the picture).
TEST(SaveCommand, AProjectWithFarOffPointsCanBeSavedAfterATurn) {
    QTemporaryDir dir;
    Annotation far = TestSupport::annotation(EditorTool::pen, {{-1e308, -1e308}, {1e308, 1e308}});
    const Result<QByteArray> bytes = ProjectIO::encode(TestSupport::solidImage(40, 30), {far});
    ASSERT_TRUE(bytes.ok());
    const Result<ProjectIO::Project> loaded = ProjectIO::decode(*bytes);
    ASSERT_TRUE(loaded.ok());
    EditorModel model(loaded->baseImage, loaded->annotations);
    model.setTool(EditorTool::select);
    model.selectAll();
    model.rotateSelection(M_PI / 2, false);
    const SaveCommand::Outcome outcome =
        SaveCommand::save(model, dir.filePath(QStringLiteral("far.png")), FlatExport::Format::png, 1);
    EXPECT_FALSE(outcome.error) << outcome.error->message.toStdString();
    EXPECT_TRUE(ProjectIO::load(dir.filePath(QStringLiteral("far.pictproj"))).ok());
}

namespace {

constexpr char kKilledSaveFolder[] = "PICTAVO_KILLED_SAVE_FOLDER";
const QSize kKilledSaveSize(2400, 1600);

} // namespace

// A save killed at any moment leaves each file old or new, whole, and never a new picture beside
// an old project. The saving runs in a copy of this program that is killed at points spread over
// how long a whole save takes.
TEST(SaveCommand, AKilledSaveNeverLeavesANewPictureBesideAnOldProject) {
    if (const QString folder = qEnvironmentVariable(kKilledSaveFolder); !folder.isEmpty()) {
        QImage noise(kKilledSaveSize, QImage::Format_RGB32);
        QRandomGenerator rng(9);
        for (int y = 0; y < noise.height(); ++y) {
            auto* line = reinterpret_cast<quint32*>(noise.scanLine(y));
            for (int x = 0; x < noise.width(); ++x)
                line[x] = rng.generate() | 0xff000000;
        }
        EditorModel model(noise);
        model.commit(TestSupport::annotation(EditorTool::rect, {{10, 10}, {50, 50}}), true);
        ASSERT_FALSE(SaveCommand::save(model, QDir(folder).filePath(QStringLiteral("shot.png")),
                                       FlatExport::Format::png, 1).error);
        return;
    }
    const OldPair pair;
    auto run = [&pair](std::optional<qint64> killAfterMs) {
        QProcess child;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QString::fromLatin1(kKilledSaveFolder), pair.dir.path());
        child.setProcessEnvironment(env);
        child.start(QCoreApplication::applicationFilePath(),
                    {QStringLiteral("--gtest_filter=SaveCommand.AKilledSaveNeverLeavesANewPictureBesideAnOldProject")});
        EXPECT_TRUE(child.waitForStarted());
        QElapsedTimer clock;
        clock.start();
        if (killAfterMs) {
            QThread::msleep(quint64(*killAfterMs));
            ::kill(pid_t(child.processId()), SIGKILL);
        }
        EXPECT_TRUE(child.waitForFinished(60000));
        return clock.elapsed();
    };
    auto isNew = [](const QString& picture, const QString& project) {
        const bool newPicture = QImageReader(picture).size() == kKilledSaveSize;
        const Result<ProjectIO::Project> loaded = ProjectIO::load(project);
        EXPECT_TRUE(loaded.ok()); // whole, old or new
        return std::pair{newPicture, loaded.ok() && loaded->baseImage.size() == kKilledSaveSize};
    };
    const qint64 whole = run(std::nullopt);
    ASSERT_EQ(isNew(pair.picture, pair.project), std::pair(true, true));
    for (int k = 1; k <= 7; ++k) {
        for (const auto& [path, bytes] : {std::pair{pair.picture, pair.pictureBytes}, {pair.project, pair.projectBytes}}) {
            QFile file(path);
            ASSERT_TRUE(file.open(QIODevice::WriteOnly));
            file.write(bytes);
        }
        run(whole * k / 8);
        const auto [newPicture, newProject] = isNew(pair.picture, pair.project);
        EXPECT_TRUE(newProject || !newPicture) << "killed after " << whole * k / 8 << " of " << whole << " ms";
        EXPECT_TRUE(newPicture || QImageReader(pair.picture).size() == QSize(10, 10));
        // What a kill can leave besides them: Pictavo's hidden temporary files, named as such.
        for (const QString& name : TestSupport::everyName(pair.dir.path())) {
            if (name == QLatin1String("shot.png") || name == QLatin1String("shot.pictproj")) continue;
            EXPECT_TRUE(QRegularExpression(QStringLiteral("^\\.pictavo-[A-Za-z0-9]{6}$")).match(name).hasMatch())
                << name.toStdString();
        }
    }
}

TEST(SaveCommand, AReopenedProjectSavesAgainToThePictureWrittenLastAtItsSize) {
    QTemporaryDir dir;
    const QString project = dir.filePath(QStringLiteral("door.pictproj"));
    auto model = dirtyModel(1000, 601);
    // No picture beside it: a PNG at full size.
    SaveCommand::SavedFiles files = SaveCommand::filesOfProject(project, QSize(1000, 601));
    EXPECT_EQ(files.imagePath, dir.filePath(QStringLiteral("door.png")));
    EXPECT_EQ(files.format, FlatExport::Format::png);
    EXPECT_EQ(files.scale, 1.0);

    // A PNG at 25 %, then a JPEG at 75 % written later: the JPEG and its size.
    ASSERT_FALSE(SaveCommand::save(*model, dir.filePath(QStringLiteral("door.png")), FlatExport::Format::png, 0.25).error);
    files = SaveCommand::filesOfProject(project, QSize(1000, 601));
    EXPECT_EQ(files.scale, 0.25);
    ASSERT_FALSE(SaveCommand::save(*model, dir.filePath(QStringLiteral("door.jpg")), FlatExport::Format::jpeg, 0.75).error);
    QFile(dir.filePath(QStringLiteral("door.png"))).setFileTime(QDateTime::currentDateTime().addSecs(-60),
                                                                QFileDevice::FileModificationTime);
    files = SaveCommand::filesOfProject(project, QSize(1000, 601));
    EXPECT_EQ(files.imagePath, dir.filePath(QStringLiteral("door.jpg")));
    EXPECT_EQ(files.format, FlatExport::Format::jpeg);
    EXPECT_EQ(files.scale, 0.75);

    // A picture of some other size (cropped since, or not ours) is rewritten at full size; a file
    // whose bytes are another format than its name says is not read as that format.
    files = SaveCommand::filesOfProject(project, QSize(640, 480));
    EXPECT_EQ(files.scale, 1.0);
    QFile::remove(dir.filePath(QStringLiteral("door.jpg")));
    QFile liar(dir.filePath(QStringLiteral("door.png")));
    ASSERT_TRUE(liar.open(QIODevice::WriteOnly | QIODevice::Truncate));
    QImage half(500, 300, QImage::Format_RGB32);
    half.fill(Qt::blue);
    ASSERT_TRUE(half.save(&liar, "BMP"));
    liar.close();
    EXPECT_EQ(SaveCommand::filesOfProject(project, QSize(1000, 601)).scale, 1.0);
}

namespace {

// The chunk types of a PNG, in order.
QStringList pngChunks(const QByteArray& png) {
    QStringList types;
    for (qsizetype at = 8; at + 12 <= png.size(); at += 12 + qFromBigEndian<quint32>(png.constData() + at))
        types << QString::fromLatin1(png.mid(at + 4, 4));
    return types;
}

// The markers of a JPEG up to its picture data: "APP0 JFIF" for an application segment and the
// name it starts with, "FFFE" for a comment.
QStringList jpegMarkers(const QByteArray& jpeg) {
    QStringList markers;
    for (qsizetype at = 2; at + 4 <= jpeg.size() && uchar(jpeg[at + 1]) != 0xda;
         at += 2 + qFromBigEndian<quint16>(jpeg.constData() + at + 2)) {
        const uchar marker = uchar(jpeg[at + 1]);
        markers << (marker >= 0xe0 && marker <= 0xef ? QStringLiteral("APP%1 ").arg(marker - 0xe0) +
                                                           QString::fromLatin1(jpeg.constData() + at + 4)
                                                     : QStringLiteral("FF%1").arg(marker, 2, 16).toUpper());
    }
    return markers;
}

// The title of a PDF's document information: a literal string, in UTF-16 after its byte order mark.
QString pdfTitle(const QByteArray& pdf) {
    const QByteArray opening("/Title (\376\377");
    const qsizetype start = pdf.indexOf(opening);
    QByteArray raw;
    for (qsizetype at = start + opening.size(); start >= 0 && at < pdf.size() && pdf[at] != ')'; ++at)
        raw += pdf[at] == '\\' ? pdf[++at] : pdf[at];
    QString title;
    for (qsizetype i = 0; i + 1 < raw.size(); i += 2)
        title += QChar(char16_t(uchar(raw[i]) << 8 | uchar(raw[i + 1])));
    return title;
}

} // namespace

// Nothing written says who made a picture: text a decoded picture carries (as Qt's JPEG writer
// would write as comments) goes nowhere; a PDF is titled with its file's name.
TEST(SaveCommand, WrittenFilesCarryNoTextButAPdfsName) {
    QImage picture = TestSupport::noisePicture(64, 48);
    picture.setText(QStringLiteral("Author"), QStringLiteral("Jane Roe"));
    picture.setText(QStringLiteral("Description"), QStringLiteral("Jane's kitchen"));
    QTemporaryDir dir;
    auto written = [&](const QString& name, FlatExport::Format format) {
        EXPECT_FALSE(FlatExport::write(picture, dir.filePath(name), format, 1.0));
        const QByteArray bytes = contentOf(dir.filePath(name));
        EXPECT_FALSE(bytes.contains("Jane")) << name.toStdString();
        return bytes;
    };
    EXPECT_EQ(pngChunks(written(QStringLiteral("a.png"), FlatExport::Format::png)),
              QStringList({"IHDR", "pHYs", "IDAT", "IEND"}));
    const QStringList markers = jpegMarkers(written(QStringLiteral("a.jpg"), FlatExport::Format::jpeg));
    ASSERT_FALSE(markers.isEmpty());
    EXPECT_EQ(markers.first(), QStringLiteral("APP0 JFIF"));
    for (const QString& m : markers.mid(1))
        EXPECT_TRUE(m == QLatin1String("APP2 ICC_PROFILE") || !(m.startsWith(QLatin1String("APP")) || m == QLatin1String("FFFE")))
            << m.toStdString();
    const QString pdf = QStringLiteral("Übersicht (2).pdf");
    EXPECT_EQ(pdfTitle(written(pdf, FlatExport::Format::pdf)), pdf);
}
