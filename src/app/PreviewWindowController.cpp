#include "app/PreviewWindowController.h"

#include "app/ActivationPolicy.h"
#include "app/EditorWindowController.h"
#include "app/RecentCaptures.h"
#include "app/TextReading.h"
#include "app/WindowGeometry.h"
#include "ui/ErrorAlert.h"
#include "ui/PngSaveDialog.h"

#include <QAction>
#include <QClipboard>
#include <QCloseEvent>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QPainter>
#include <QPainterPath>
#include <QPointer>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

namespace {

constexpr int kMargin = 18;
constexpr int kSpacing = 14;
constexpr double kCorner = 6;
constexpr int kShadow = 3;
constexpr int kCopiedMs = 1500;

QList<PreviewWindowController*>& openPreviews() {
    static QList<PreviewWindowController*> previews;
    return previews;
}

} // namespace

PreviewView::PreviewView(const QImage& image, QWidget* parent)
    : QWidget(parent), m_image(image), m_display(WindowGeometry::previewDisplaySize(image.size())) {
    setAccessibleName(tr("Captured picture"));
    setFixedSize(sizeHint());
    const qreal dpr = std::max(devicePixelRatioF(), 1.0);
    if (!image.isNull())
        m_shown = image.scaled(m_display * dpr, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
}

QSize PreviewView::sizeHint() const {
    return m_display + QSize(2 * kShadow, 2 * kShadow);
}

void PreviewView::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing, true);
    p.setRenderHint(QPainter::SmoothPixmapTransform, true);
    const QRectF frame(kShadow, kShadow, m_display.width(), m_display.height());
    // A soft shadow: rings of falling strength around the frame.
    for (int i = kShadow; i >= 1; --i) {
        QPainterPath ring;
        ring.addRoundedRect(frame.adjusted(-i, -i, i, i), kCorner + i, kCorner + i);
        p.fillPath(ring, QColor(0, 0, 0, 28 / i));
    }
    QPainterPath clip;
    clip.addRoundedRect(frame, kCorner, kCorner);
    p.save();
    p.setClipPath(clip);
    p.fillRect(frame, Qt::white);
    p.drawImage(frame, m_shown);
    p.restore();
    QColor border = palette().color(QPalette::WindowText);
    border.setAlphaF(0.4f);
    p.setPen(QPen(border, 1));
    p.setBrush(Qt::NoBrush);
    p.drawRoundedRect(frame.adjusted(0.5, 0.5, -0.5, -0.5), kCorner, kCorner);
}

PreviewWindowController::PreviewWindowController(const QImage& image, QWidget* parent)
    // Customised: a title and a close button only, no minimise or maximise.
    : QDialog(parent, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint |
                          Qt::WindowStaysOnTopHint) {
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(tr("Screenshot"));
    setAccessibleName(tr("Screenshot"));
    m_view = new PreviewView(image);
    m_save = new QPushButton(tr("Save…"));
    m_copy = new QPushButton(tr("Copy to Clipboard"));
    m_edit = new QPushButton(tr("Edit"));
    m_copyText = new QPushButton(tr("Copy Text"));
    const struct {
        QPushButton* button;
        QString help;
        QKeySequence key;
    } buttons[] = {
        {m_save, tr("Save the picture as PNG"), QKeySequence::Save},
        {m_copy, tr("Copy the picture to the clipboard"), QKeySequence::Copy},
        {m_copyText,
         tr("Copy the text of the picture to the clipboard — recognition can miss text, check what matters"),
         QKeySequence(QStringLiteral("Ctrl+Alt+C"))},
        {m_edit, tr("Open the picture in the editor to mark it up"), QKeySequence(Qt::Key_Return)},
    };
    for (const auto& b : buttons) {
        b.button->setAccessibleName(b.button->text());
        b.button->setToolTip(QStringLiteral("%1 (%2)").arg(b.help, b.key.toString(QKeySequence::NativeText)));
        b.button->setMinimumHeight(32);
        b.button->setAutoDefault(false);
    }
    m_edit->setDefault(true);
    connect(m_save, &QPushButton::clicked, this, &PreviewWindowController::onSave);
    connect(m_copy, &QPushButton::clicked, this, &PreviewWindowController::onCopy);
    connect(m_edit, &QPushButton::clicked, this, &PreviewWindowController::onEdit);
    connect(m_copyText, &QPushButton::clicked, this, &PreviewWindowController::onCopyText);
    connect(this, &QDialog::finished, this, &PreviewWindowController::leaveActive); // Escape
    for (const auto& [key, slot] : {std::pair{QKeySequence(QKeySequence::Save), &PreviewWindowController::onSave},
                                    std::pair{QKeySequence(QKeySequence::Copy), &PreviewWindowController::onCopy},
                                    std::pair{QKeySequence(QStringLiteral("Ctrl+Alt+C")), &PreviewWindowController::onCopyText}}) {
        auto* action = new QAction(this);
        action->setShortcut(key);
        connect(action, &QAction::triggered, this, slot);
        addAction(action);
    }
    auto* closeAction = new QAction(this);
    QList<QKeySequence> closeKeys = QKeySequence::keyBindings(QKeySequence::Close);
    if (!closeKeys.contains(QKeySequence(Qt::CTRL | Qt::Key_W))) closeKeys.prepend(QKeySequence(Qt::CTRL | Qt::Key_W));
    closeAction->setShortcuts(closeKeys);
    connect(closeAction, &QAction::triggered, this, &QWidget::close);
    addAction(closeAction);

    auto* row = new QHBoxLayout;
    row->setSpacing(12);
    row->addStretch();
    row->addWidget(m_save);
    row->addWidget(m_copy);
    row->addWidget(m_copyText);
    row->addWidget(m_edit);
    row->addStretch();
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(kMargin - kShadow, kMargin - kShadow, kMargin - kShadow, kMargin);
    column->setSpacing(kSpacing);
    column->addWidget(m_view, 0, Qt::AlignHCenter);
    column->addLayout(row);
    column->setSizeConstraint(QLayout::SetFixedSize);
}

PreviewWindowController* PreviewWindowController::show(const QImage& image, const QString& filePath) {
    auto* preview = new PreviewWindowController(image);
    preview->m_filePath = filePath;
    openPreviews().append(preview);
    ActivationPolicy::shared().windowOpened(preview);
    preview->QDialog::show();
    return preview;
}

const QList<PreviewWindowController*>& PreviewWindowController::active() {
    return openPreviews();
}

PreviewWindowController::~PreviewWindowController() {
    leaveActive();
}

void PreviewWindowController::leaveActive() {
    if (openPreviews().removeAll(this) > 0) ActivationPolicy::shared().windowClosed();
}

void PreviewWindowController::closeEvent(QCloseEvent* event) {
    QDialog::closeEvent(event);
    if (event->isAccepted()) leaveActive();
}

void PreviewWindowController::onSave() {
    PngSaveDialog::save(
        image(), this,
        [preview = QPointer<PreviewWindowController>(this)](bool written) {
            if (written && preview) preview->close();
        },
        m_filePath);
}

void PreviewWindowController::onCopy() {
    if (!m_copy->isEnabled()) return; // already copied, closing
    QClipboard* clipboard = QGuiApplication::clipboard();
    clipboard->clear();
    clipboard->setImage(image());
    // Said on the button for a moment, then the preview goes, as the editor's Copy says it.
    m_copy->setText(tr("Copied!"));
    m_copy->setAccessibleName(m_copy->text());
    m_copy->setEnabled(false);
    m_save->setEnabled(false);
    QTimer::singleShot(kCopiedMs, this, &QWidget::close);
}

void PreviewWindowController::onCopyText() {
    if (!m_copyText->isEnabled()) return; // reading
    m_copyText->setEnabled(false);
    auto say = [this](const QString& text) {
        m_copyText->setText(text);
        m_copyText->setAccessibleName(text);
    };
    say(tr("Reading…"));
    TextReading::read(this, image(), {}, [this, say](const Result<RecognizedText>& text) {
        m_copyText->setEnabled(true);
        if (!text) {
            say(tr("Copy Text"));
            return ErrorAlert::present(text.error(), this);
        }
        if (text->lineCount() > 0) TextReading::copy(*text);
        say(TextReading::copiedMessage(text->lineCount()));
        QTimer::singleShot(2 * kCopiedMs, this, [say] { say(tr("Copy Text")); });
    });
}

void PreviewWindowController::onEdit() {
    // The editor opens first, so the count of open windows never touches zero in between.
    if (!image().isNull()) {
        // The capture's editor: what it saves is kept with the capture in the history.
        RecentCaptures::tie(EditorWindowController::show(image(), {}, m_filePath),
                            property(RecentCaptures::kEntryProperty).toString());
    }
    close();
}
