#include "ui/editor/TextEntryField.h"

#include "graphics/DrawingSurface.h"

#include <QKeyEvent>
#include <QScrollBar>
#include <QTextBlock>

TextEntryField::TextEntryField(QWidget* parent) : QPlainTextEdit(parent) {
    setPlaceholderText(QStringLiteral("Text — Shift+Return for new line"));
    setFont(DrawingSurface::systemFont(16, DrawingSurface::FontWeight::regular, logicalDpiY()));
    setFixedWidth(kWidth);
    setLineWrapMode(QPlainTextEdit::WidgetWidth);
    setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setTabChangesFocus(true);
    setStyleSheet(QStringLiteral("QPlainTextEdit { border: 1px solid palette(mid); border-radius: 5px; "
                                 "background: palette(base); padding: 2px; }"));
    connect(this, &QPlainTextEdit::textChanged, this, &TextEntryField::fitHeight);
    fitHeight();
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

void TextEntryField::fitHeight() {
    int lines = 0;
    for (QTextBlock block = document()->begin(); block.isValid(); block = block.next())
        lines += std::max(1, block.layout() ? block.layout()->lineCount() : 1);
    lines = std::clamp(lines, 1, kMaxLines);
    const int frame = 2 * frameWidth() + int(document()->documentMargin() * 2) + 6;
    setFixedHeight(fontMetrics().lineSpacing() * lines + frame);
}
