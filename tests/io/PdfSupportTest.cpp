#include "io/DecodingChild.h"
#include "io/PdfSupport.h"
#include "ui/PdfPagePicker.h"

#include "Bombs.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QLabel>
#include <QListWidget>
#include <QPdfDocument>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QElapsedTimer>
#include <QTest>
#include <QTimer>

namespace {

// PDFs made by another program: Ghostscript's pdfwrite from a few lines of PostScript.
QString makePdf(const QTemporaryDir& dir, const QString& name, const QByteArray& postscript) {
    const QString ps = dir.filePath(name + QStringLiteral(".ps")), pdf = dir.filePath(name + QStringLiteral(".pdf"));
    QFile file(ps);
    if (!file.open(QIODevice::WriteOnly)) return {};
    file.write(postscript);
    file.close();
    QProcess gs;
    gs.start(QStringLiteral("gs"), {QStringLiteral("-q"), QStringLiteral("-dNOPAUSE"), QStringLiteral("-dBATCH"),
                                    QStringLiteral("-sDEVICE=pdfwrite"), QStringLiteral("-sOutputFile=") + pdf, ps});
    if (!gs.waitForFinished(20000) || gs.exitCode() != 0) return {};
    return pdf;
}

const QByteArray kThreePages = R"(%!PS
<< /PageSize [612 792] >> setpagedevice
/Helvetica findfont 40 scalefont setfont
0 0 1 setrgbcolor 72 700 moveto (Page one) show showpage
<< /PageSize [3000 1000] >> setpagedevice
72 500 moveto (Wide page two) show showpage
<< /PageSize [612 792] >> setpagedevice
[ {ThisPage} << /Rotate 90 >> /PUT pdfmark
72 700 moveto (Turned page three) show showpage
)";

// A page with a blue square in its content and a red box as an annotation (with its appearance, as
// a form field or a reviewer's mark carries it), written by hand: 400 x 300 pt.
QString writeAnnotatedPdf(const QTemporaryDir& dir) {
    const QList<QByteArray> objects = {
        "<< /Type /Catalog /Pages 2 0 R >>",
        "<< /Type /Pages /Kids [3 0 R] /Count 1 >>",
        "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 400 300] /Contents 4 0 R /Annots [5 0 R] >>",
        "<< /Length 25 >>\nstream\n0 0 1 rg 20 20 60 60 re f\nendstream",
        "<< /Type /Annot /Subtype /Square /Rect [150 150 350 250] /F 4 /C [1 0 0] /AP << /N 6 0 R >> >>",
        "<< /Type /XObject /Subtype /Form /BBox [0 0 200 100] /Length 25 >>\nstream\n1 0 0 rg 0 0 200 100 re "
        "f\nendstream",
    };
    QByteArray pdf = "%PDF-1.4\n";
    QList<qsizetype> offsets;
    for (qsizetype i = 0; i < objects.size(); ++i) {
        offsets << pdf.size();
        pdf += QByteArray::number(i + 1) + " 0 obj\n" + objects[i] + "\nendobj\n";
    }
    const qsizetype xref = pdf.size();
    pdf += "xref\n0 " + QByteArray::number(objects.size() + 1) + "\n0000000000 65535 f \n";
    for (qsizetype offset : offsets)
        pdf += QByteArray::number(offset).rightJustified(10, '0') + " 00000 n \n";
    pdf += "trailer\n<< /Size " + QByteArray::number(objects.size() + 1) + " /Root 1 0 R >>\nstartxref\n" +
           QByteArray::number(xref) + "\n%%EOF\n";
    const QString path = dir.filePath(QStringLiteral("annotated.pdf"));
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(pdf) != pdf.size()) return {};
    return path;
}

class PdfSupportTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (QStandardPaths::findExecutable(QStringLiteral("gs")).isEmpty()) GTEST_SKIP() << "needs Ghostscript";
        pdf = makePdf(dir, QStringLiteral("plan"), kThreePages);
        ASSERT_FALSE(pdf.isEmpty());
    }
    QTemporaryDir dir;
    QString pdf;
};

} // namespace

TEST(PdfSupportSizes, TwiceThePointSizeWithTheLongerSideAtMost4000) {
    EXPECT_EQ(PdfSupport::renderSize(QSizeF(612, 792)), QSize(1224, 1584));
    EXPECT_EQ(PdfSupport::renderSize(QSizeF(3000, 1000)), QSize(4000, 1333));
    EXPECT_EQ(PdfSupport::renderSize(QSizeF(1000, 3000)), QSize(1333, 4000)); // tall: the height is capped
    EXPECT_EQ(PdfSupport::renderSize(QSizeF(0.5, 0.5)), QSize(1, 1));
    EXPECT_TRUE(PdfSupport::renderSize(QSizeF(0.2, 0.2)).isEmpty());
    EXPECT_TRUE(PdfSupport::renderSize(QSizeF(-5, 10)).isEmpty());
}

TEST_F(PdfSupportTest, PagesRenderAsViewersShowThemOnWhite) {
    ASSERT_TRUE(PdfSupport::pageCount(pdf).ok());
    EXPECT_EQ(*PdfSupport::pageCount(pdf), 3);
    const Result<QImage> first = PdfSupport::renderPage(pdf, 0);
    ASSERT_TRUE(first.ok()) << first.error().message.toStdString();
    EXPECT_EQ(first->size(), QSize(1224, 1584));
    EXPECT_FALSE(first->hasAlphaChannel());
    EXPECT_EQ(first->pixelColor(5, 5), QColor(Qt::white)); // nothing drawn there: white, not transparent
    EXPECT_EQ(PdfSupport::renderPage(pdf, 1)->size(), QSize(4000, 1333));
    EXPECT_EQ(PdfSupport::renderPage(pdf, 2)->size(), QSize(1584, 1224)); // turned a quarter
    EXPECT_FALSE(PdfSupport::renderPage(pdf, 3).ok());
}

// What a viewer shows of a page includes its annotations: a filled-in form, a reviewer's box.
TEST(PdfSupportAnnotations, AnnotationsAreDrawnWithThePage) {
    QTemporaryDir dir;
    const QString pdf = writeAnnotatedPdf(dir);
    ASSERT_FALSE(pdf.isEmpty());
    const Result<QImage> page = PdfSupport::renderPage(pdf, 0);
    ASSERT_TRUE(page.ok()) << page.error().message.toStdString();
    ASSERT_EQ(page->size(), QSize(800, 600));
    // PDF y runs up: the content square (20..80 pt) is at the bottom left, the box (150..350 x
    // 150..250 pt) in the upper right.
    EXPECT_EQ(page->pixelColor(100, 600 - 100), QColor(Qt::blue));
    EXPECT_EQ(page->pixelColor(500, 600 - 400), QColor(Qt::red));
    EXPECT_EQ(page->pixelColor(780, 20), QColor(Qt::white));
}

TEST_F(PdfSupportTest, ABrokenOrMissingPdfIsACorruptFile) {
    QFile broken(dir.filePath(QStringLiteral("broken.pdf")));
    ASSERT_TRUE(broken.open(QIODevice::WriteOnly));
    QFile whole(pdf);
    ASSERT_TRUE(whole.open(QIODevice::ReadOnly));
    broken.write(whole.readAll().left(300)); // cut off after the header
    broken.close();
    for (const QString& path : {broken.fileName(), dir.filePath(QStringLiteral("gone.pdf"))}) {
        const Result<int> pages = PdfSupport::pageCount(path);
        ASSERT_FALSE(pages.ok());
        EXPECT_EQ(pages.error().kind, IoError::Kind::corruptFile);
        // The whole path, as every other file error gives it.
        EXPECT_TRUE(pages.error().message.contains(QStringLiteral("“%1”").arg(path)));
        EXPECT_FALSE(PdfSupport::renderPage(path, 0).ok());
    }
}

TEST_F(PdfSupportTest, ThePickerListsThePagesAndOpensTheChosenOne) {
    PdfPagePicker picker(pdf, 3);
    picker.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&picker));
    EXPECT_EQ(picker.windowTitle(), QStringLiteral("Choose a Page"));
    EXPECT_EQ(picker.pages()->count(), 3);
    EXPECT_EQ(picker.pages()->iconSize(), PdfPagePicker::kThumbnail);
    bool labelled = false;
    for (QLabel* label : picker.findChildren<QLabel*>())
        labelled = labelled || label->text() == QStringLiteral("This PDF has 3 pages. Select a page to annotate.");
    EXPECT_TRUE(labelled);
    EXPECT_TRUE(QTest::qWaitFor([&] { return picker.drawnThumbnails() == 3; }, 5000));
    QTest::keyClick(&picker, Qt::Key_Return); // no click yet: the first page
    EXPECT_EQ(picker.result(), QDialog::Accepted);
    EXPECT_EQ(picker.selectedIndex(), 0);

    PdfPagePicker second(pdf, 3);
    second.show();
    second.pages()->setCurrentRow(2);
    QTest::keyClick(&second, Qt::Key_Escape);
    EXPECT_EQ(second.result(), QDialog::Rejected);
    EXPECT_FALSE(second.selectedIndex().has_value());
}

// A page that draws for seconds costs its own child: the other thumbnails come, it shows a
// placeholder, and the window answers all along.
TEST(PdfPagePickerThumbnails, APagePastItsBudgetShowsAPlaceholder) {
    const DecodingChild::ScopedLimits limits({1, 1500, DecodingChild::limits().addressSpace});
    QTemporaryDir dir;
    const QString pdf = dir.filePath(QStringLiteral("plan.pdf"));
    ASSERT_TRUE(Bombs::write(pdf, Bombs::pdfWithHeavyPage(3, 1)));
    PdfPagePicker picker(pdf, 3);
    picker.show();
    QElapsedTimer sinceTick;
    sinceTick.start();
    qint64 longestPause = 0;
    QTimer tick;
    QObject::connect(&tick, &QTimer::timeout, [&] { longestPause = std::max(longestPause, sinceTick.restart()); });
    tick.start(10);
    ASSERT_TRUE(QTest::qWaitFor([&] { return picker.drawnThumbnails() == 3; }, 10000));
    EXPECT_EQ(picker.placeholders(), QList<int>{1});
    EXPECT_LT(longestPause, 800);
    EXPECT_EQ(picker.pages()->item(1)->data(Qt::AccessibleTextRole).toString(), QStringLiteral("Page 2, not drawn"));
    // The pages that were drawn show their blue square (bottom left of a 200 x 300 pt page), the
    // placeholder none.
    auto hasBlue = [&](int row) {
        const QImage icon = picker.pages()->item(row)->icon().pixmap(PdfPagePicker::kThumbnail).toImage();
        for (int y = 0; y < icon.height(); ++y)
            for (int x = 0; x < icon.width(); ++x)
                if (icon.pixelColor(x, y) == QColor(Qt::blue)) return true;
        return false;
    };
    EXPECT_TRUE(hasBlue(0));
    EXPECT_FALSE(hasBlue(1));
    EXPECT_TRUE(hasBlue(2));
}
