#pragma once

#include <QDialog>
#include <QImage>
#include <QList>
#include <QWidget>

#include <functional>

class QPushButton;

// The captured picture at its display size, rounded, outlined and with a soft shadow.
class PreviewView : public QWidget {
    Q_OBJECT

public:
    explicit PreviewView(const QImage& image, QWidget* parent = nullptr);
    const QImage& image() const { return m_image; }
    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QImage m_image;
    QImage m_shown; // reduced once, smoothly
    QSize m_display;
};

// The small window after a capture: Save (PNG), Copy to Clipboard, or Edit. It stays on top
// where the window system honours it.
class PreviewWindowController : public QDialog {
    Q_OBJECT

public:
    explicit PreviewWindowController(const QImage& image, QWidget* parent = nullptr);
    ~PreviewWindowController() override;

    using QDialog::show;
    // Builds a preview, keeps it among the open windows and shows it.
    // `filePath`: the file the picture came from, if any; the editor opened by Edit keeps it.
    static PreviewWindowController* show(const QImage& image, const QString& filePath = {});
    static const QList<PreviewWindowController*>& active();

    const QImage& image() const { return m_view->image(); }
    QPushButton* saveButton() const { return m_save; }
    QPushButton* copyButton() const { return m_copy; }
    QPushButton* editButton() const { return m_edit; }
    QPushButton* copyTextButton() const { return m_copyText; }

    // The three actions; each closes the preview when done.
    void onSave();
    void onCopy();
    void onEdit();
    void onCopyText();

    QString m_filePath;

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    // Leaves the open windows once, when the window closes.
    void leaveActive();

    PreviewView* m_view;
    QPushButton* m_save;
    QPushButton* m_copy;
    QPushButton* m_edit;
    QPushButton* m_copyText;
};
