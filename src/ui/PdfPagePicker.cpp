#include "ui/PdfPagePicker.h"

#include "io/DecodingChild.h"

#include <QCoreApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPainter>
#include <QPromise>
#include <QPushButton>
#include <QVBoxLayout>

PdfPagePicker::PdfPagePicker(const QString& path, int pageCount, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint),
      m_pages(new QListWidget) {
    setWindowTitle(QCoreApplication::translate("PdfPages", "Choose a Page"));
    setFixedSize(540, 580);
    auto* label = new QLabel(QCoreApplication::translate("PdfPages", "This PDF has %1 pages. Select a page to annotate.").arg(pageCount));
    label->setForegroundRole(QPalette::PlaceholderText);
    m_pages->setViewMode(QListView::IconMode);
    m_pages->setIconSize(kThumbnail);
    m_pages->setResizeMode(QListView::Adjust);
    m_pages->setMovement(QListView::Static);
    m_pages->setSpacing(8);
    m_pages->setUniformItemSizes(true);
    m_pages->setAccessibleName(QCoreApplication::translate("PdfPages", "Pages"));
    m_pages->setToolTip(QCoreApplication::translate("PdfPages", "Click a page, then Open Page; or double-click it"));
    QPixmap blank(kThumbnail);
    blank.fill(Qt::white);
    for (int i = 0; i < pageCount; ++i) {
        auto* item = new QListWidgetItem(QIcon(blank), QString::number(i + 1), m_pages);
        item->setData(Qt::AccessibleTextRole, QCoreApplication::translate("PdfPages", "Page %1").arg(i + 1));
    }
    m_pages->setCurrentRow(0); // Return at once opens the first page

    auto* cancel = new QPushButton(QCoreApplication::translate("PdfPages", "Cancel"));
    auto* open = new QPushButton(QCoreApplication::translate("PdfPages", "Open Page"));
    open->setDefault(true);
    cancel->setToolTip(QCoreApplication::translate("PdfPages", "Open nothing (Escape)"));
    open->setToolTip(QCoreApplication::translate("PdfPages", "Open the selected page in the editor (Return)"));
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(open, &QPushButton::clicked, this, &PdfPagePicker::openSelected);
    connect(m_pages, &QListWidget::itemDoubleClicked, this, &PdfPagePicker::openSelected);

    auto* buttons = new QHBoxLayout;
    buttons->setSpacing(10);
    buttons->addStretch();
    buttons->addWidget(cancel);
    buttons->addWidget(open);
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(16, 14, 16, 14);
    column->setSpacing(10);
    column->addWidget(label);
    column->addWidget(m_pages, 1);
    column->addLayout(buttons);
    // A 300-page file opens at once: thumbnails follow one by one, from a child process, so a page
    // that draws for minutes costs its child and leaves the window (and the instance) answering.
    connect(&m_thumbnails, &QFutureWatcherBase::resultReadyAt, this,
            [this](int at) { showThumbnail(m_thumbnails.resultAt(at)); });
    auto promise = std::make_shared<QPromise<Thumbnail>>();
    m_thumbnails.setFuture(promise->future());
    promise->start();
    const QSize box = kThumbnail * devicePixelRatioF();
    DecodingChild::threads().start([promise, path, pageCount, box] {
        DecodingChild::Session session;
        for (int i = 0; i < pageCount && !promise->isCanceled(); ++i) {
            session.renewBudget(); // each page has a budget of its own
            const Result<QImage> page = session.pdfThumbnail(path, i, box);
            promise->addResult(Thumbnail{i, page ? *page : QImage()});
        }
        promise->finish();
    });
}

PdfPagePicker::~PdfPagePicker() {
    // The worker stops after the page it is drawing.
    m_thumbnails.future().cancel();
}

void PdfPagePicker::showThumbnail(const Thumbnail& drawn) {
    QListWidgetItem* item = m_pages->item(drawn.index);
    if (!item) return;
    ++m_drawn;
    const qreal ratio = devicePixelRatioF();
    QPixmap thumbnail(kThumbnail * ratio);
    thumbnail.setDevicePixelRatio(ratio);
    thumbnail.fill(Qt::transparent);
    QPainter painter(&thumbnail);
    if (drawn.image.isNull()) {
        // A grey page crossed out: there is a page, but it cannot be shown.
        m_placeholders.append(drawn.index);
        const QRectF page(15.5, 10.5, kThumbnail.width() - 31, kThumbnail.height() - 21);
        painter.fillRect(page, QColor(232, 232, 232));
        painter.setPen(QPen(QColor(0, 0, 0, 90), 1, Qt::DashLine));
        painter.drawRect(page);
        painter.drawLine(page.topLeft(), page.bottomRight());
        item->setToolTip(QCoreApplication::translate("PdfPages", "This page could not be drawn in time"));
        item->setData(Qt::AccessibleTextRole, QCoreApplication::translate("PdfPages", "Page %1, not drawn").arg(drawn.index + 1));
    } else {
        const QSizeF size = QSizeF(drawn.image.size()) / ratio;
        const QRectF target(
            QPointF((kThumbnail.width() - size.width()) / 2.0, (kThumbnail.height() - size.height()) / 2.0), size);
        painter.fillRect(target, Qt::white);
        painter.drawImage(target, drawn.image);
        painter.setPen(QColor(0, 0, 0, 60));
        painter.drawRect(target.adjusted(0, 0, -1, -1));
    }
    painter.end();
    item->setIcon(QIcon(thumbnail));
}

void PdfPagePicker::openSelected() {
    m_selected = std::max(0, m_pages->currentRow());
    accept();
}

std::optional<int> PdfPagePicker::pick(const QString& path, int pageCount, QWidget* parent) {
    if (pageCount < 1) return std::nullopt;
    PdfPagePicker picker(path, pageCount, parent);
    picker.raise();
    picker.activateWindow();
    if (picker.exec() != QDialog::Accepted) return std::nullopt;
    return picker.selectedIndex();
}
