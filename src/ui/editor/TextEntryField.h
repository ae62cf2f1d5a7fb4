#pragma once

#include <QPlainTextEdit>

// The field in which text annotations are typed: Return submits, Shift+Return and Alt+Return
// break the line. It grows downwards from one to ten lines.
class TextEntryField : public QPlainTextEdit {
    Q_OBJECT

public:
    static constexpr int kWidth = 260;
    static constexpr int kMaxLines = 10;

    explicit TextEntryField(QWidget* parent = nullptr);

signals:
    void submitted();

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    void fitHeight();
};
