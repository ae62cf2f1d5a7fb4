#include "ui/PdfPagePicker.h"

#include "io/PdfSupport.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPainter>
#include <QPdfDocument>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

PdfPagePicker::PdfPagePicker(QPdfDocument* document, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint),
      m_document(document), m_pages(new QListWidget) {
    setWindowTitle(QStringLiteral("Choose a Page"));
    setFixedSize(540, 580);
    auto* label = new QLabel(QStringLiteral("This PDF has %1 pages. Select a page to annotate.").arg(document->pageCount()));
    label->setForegroundRole(QPalette::PlaceholderText);
    m_pages->setViewMode(QListView::IconMode);
    m_pages->setIconSize(kThumbnail);
    m_pages->setResizeMode(QListView::Adjust);
    m_pages->setMovement(QListView::Static);
    m_pages->setSpacing(8);
    m_pages->setUniformItemSizes(true);
    m_pages->setAccessibleName(QStringLiteral("Pages"));
    m_pages->setToolTip(QStringLiteral("Click a page, then Open Page; or double-click it"));
    QPixmap blank(kThumbnail);
    blank.fill(Qt::white);
    for (int i = 0; i < document->pageCount(); ++i) {
        auto* item = new QListWidgetItem(QIcon(blank), QString::number(i + 1), m_pages);
        item->setData(Qt::AccessibleTextRole, QStringLiteral("Page %1").arg(i + 1));
    }
    m_pages->setCurrentRow(0); // Return at once opens the first page

    auto* cancel = new QPushButton(QStringLiteral("Cancel"));
    auto* open = new QPushButton(QStringLiteral("Open Page"));
    open->setDefault(true);
    cancel->setToolTip(QStringLiteral("Open nothing (Escape)"));
    open->setToolTip(QStringLiteral("Open the selected page in the editor (Return)"));
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
    // A 300-page file opens at once: thumbnails follow a few at a time.
    QTimer::singleShot(0, this, &PdfPagePicker::drawSomeThumbnails);
}

void PdfPagePicker::drawSomeThumbnails() {
    for (int n = 0; n < 4 && m_drawn < m_pages->count(); ++n, ++m_drawn) {
        const QSizeF points = m_document->pagePointSize(m_drawn);
        if (points.isEmpty()) continue;
        const QSize size = points.scaled(QSizeF(kThumbnail), Qt::KeepAspectRatio).toSize().expandedTo(QSize(1, 1));
        const QImage page = PdfSupport::drawPage(*m_document, m_drawn, size * devicePixelRatioF());
        QPixmap thumbnail(kThumbnail * devicePixelRatioF());
        thumbnail.setDevicePixelRatio(devicePixelRatioF());
        thumbnail.fill(Qt::transparent);
        QPainter painter(&thumbnail);
        const QRectF target(QPointF((kThumbnail.width() - size.width()) / 2.0, (kThumbnail.height() - size.height()) / 2.0),
                            QSizeF(size));
        painter.fillRect(target, Qt::white);
        painter.drawImage(target, page);
        painter.setPen(QColor(0, 0, 0, 60));
        painter.drawRect(target.adjusted(0, 0, -1, -1));
        painter.end();
        m_pages->item(m_drawn)->setIcon(QIcon(thumbnail));
    }
    if (m_drawn < m_pages->count()) QTimer::singleShot(0, this, &PdfPagePicker::drawSomeThumbnails);
}

void PdfPagePicker::openSelected() {
    m_selected = std::max(0, m_pages->currentRow());
    accept();
}

std::optional<int> PdfPagePicker::pick(const QString& path, QWidget* parent) {
    QPdfDocument document;
    if (document.load(path) != QPdfDocument::Error::None || document.pageCount() < 1) return std::nullopt;
    PdfPagePicker picker(&document, parent);
    picker.raise();
    picker.activateWindow();
    if (picker.exec() != QDialog::Accepted) return std::nullopt;
    return picker.selectedIndex();
}
