#pragma once

#include <QPlainTextEdit>

// The field in which text annotations are typed: Return submits, Shift+Return and Alt+Return
// break the line. It never wraps; it grows to the right with its longest line (up to a maximum
// width) and downwards from one to ten lines, then scrolls.
class TextEntryField : public QPlainTextEdit {
    Q_OBJECT

public:
    static constexpr int kWidth = 260;
    static constexpr int kMaxLines = 10;

    explicit TextEntryField(QWidget* parent = nullptr);
    // The widest the field may grow, normally the room its host leaves it.
    void setMaximumTextWidth(int width);
    // The widest the empty field may grow to show its hint whole: the room right of where the
    // text starts, so that showing the hint never moves the field off the text's place.
    void setHintRoom(int width);
    // Where the first line's text starts, from the field's top-left corner: the field is placed
    // this much up and left of the label, so the text does not move when it is committed.
    QPoint textOrigin() const;
    // Shows the text as the label will look: its font at the zoom and its colour, on a background
    // it can be read on.
    void setLabelLook(const QFont& font, const QColor& color);

signals:
    void submitted();

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    void fitToText();

    int m_maximumWidth = 4 * kWidth;
    int m_hintRoom = 4 * kWidth;
};
