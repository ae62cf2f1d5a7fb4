#include "ui/editor/TextEntryField.h"

#include "graphics/DrawingSurface.h"

#include <QApplication>
#include <QKeyEvent>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextCursor>

TextEntryField::TextEntryField(QWidget* parent) : QPlainTextEdit(parent) {
    setPlaceholderText(tr("Text — Shift+Return for new line"));
    setAccessibleName(tr("Text Being Typed"));
    setToolTip(tr("Return ends the text; Shift+Return starts a new line"));
    setFont(DrawingSurface::systemFont(16, DrawingSurface::FontWeight::regular, logicalDpiY()));
    // The lines in the field are the lines of the text: a soft wrap would show breaks the
    // committed text does not have.
    setLineWrapMode(QPlainTextEdit::NoWrap);
    setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    setTabChangesFocus(true);
    setStyleSheet(QStringLiteral("QPlainTextEdit { border: 1px solid palette(mid); border-radius: 5px; "
                                 "padding: 2px; }"));
    connect(this, &QPlainTextEdit::textChanged, this, &TextEntryField::fitToText);
    fitToText();
}

void TextEntryField::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        if (event->modifiers() & (Qt::ShiftModifier | Qt::AltModifier))
            insertPlainText(QStringLiteral("\n"));
        else
            emit submitted();
        event->accept();
        return;
    }
    QPlainTextEdit::keyPressEvent(event);
}

void TextEntryField::setLabelLook(const QFont& font, const QColor& color) {
    QPalette palette = this->palette();
    palette.setColor(QPalette::Text, color);
    // A label in the colour of the field's background would be invisible while typed.
    const QColor base = QApplication::palette().color(QPalette::Base);
    const auto lightness = [](const QColor& c) {
        return 0.299 * c.redF() + 0.587 * c.greenF() + 0.114 * c.blueF();
    };
    const bool readable = std::abs(lightness(color) - lightness(base)) >= 0.3;
    palette.setColor(QPalette::Base,
                     readable ? base : (lightness(color) > 0.5 ? QColor(60, 60, 60) : Qt::white));
    setPalette(palette);
    setFont(font);
    fitToText();
}

QPoint TextEntryField::textOrigin() const {
    QTextCursor start(document());
    start.movePosition(QTextCursor::Start);
    // The caret's rectangle starts where the text does, in the viewport, one pixel before the glyphs.
    const QRect caret = cursorRect(start);
    return viewport()->pos() + QPoint(caret.left() + 1, caret.top());
}

void TextEntryField::setHintRoom(int width) {
    m_hintRoom = width;
    fitToText();
}

void TextEntryField::setMaximumTextWidth(int width) {
    m_maximumWidth = std::max(width, kWidth);
    fitToText();
}

void TextEntryField::fitToText() {
    const QFontMetricsF metrics(font());
    double longest = 0;
    for (QTextBlock block = document()->begin(); block.isValid(); block = block.next())
        longest = std::max(longest, metrics.horizontalAdvance(block.text()));
    // Empty, it shows the hint whole (it was cut after its first words, in every language).
    const int lines = std::clamp(document()->blockCount(), 1, kMaxLines);
    const int frame = 2 * frameWidth() + int(document()->documentMargin() * 2) + 6;
    if (document()->isEmpty())
        longest = std::min(metrics.horizontalAdvance(placeholderText()), double(m_hintRoom - frame - 4));
    // Room for the caret after the last character, and for the scroll bar once the lines overflow.
    const int scrollBar = document()->blockCount() > kMaxLines ? verticalScrollBar()->sizeHint().width() : 0;
    const int width = std::clamp(int(std::ceil(longest)) + frame + 4 + scrollBar, kWidth, m_maximumWidth);
    const bool clipped = int(std::ceil(longest)) + frame + 4 + scrollBar > m_maximumWidth;
    const int bar = clipped ? horizontalScrollBar()->sizeHint().height() : 0;
    setFixedSize(width, int(std::ceil(metrics.lineSpacing() * lines)) + frame + bar);
}
