#include "io/PdfSupport.h"
#include "ui/PdfPagePicker.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QLabel>
#include <QListWidget>
#include <QPdfDocument>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
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
    QPdfDocument document;
    ASSERT_EQ(document.load(pdf), QPdfDocument::Error::None);
    PdfPagePicker picker(&document);
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

    PdfPagePicker second(&document);
    second.show();
    second.pages()->setCurrentRow(2);
    QTest::keyClick(&second, Qt::Key_Escape);
    EXPECT_EQ(second.result(), QDialog::Rejected);
    EXPECT_FALSE(second.selectedIndex().has_value());
}
