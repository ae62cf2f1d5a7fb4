#pragma once

#include <QDialog>
#include <QFutureWatcher>
#include <QImage>

#include <optional>

class QListWidget;

// "Choose a Page": the pages of a PDF as thumbnails, drawn one after another after the window is
// up; a click selects, a double click or Return opens, Escape or closing cancels.
class PdfPagePicker final : public QDialog {
    Q_OBJECT

public:
    static constexpr QSize kThumbnail{130, 165};

    // The `pageCount` pages of the PDF at `path`. A decoding child draws the thumbnails on a
    // worker thread, each page within the time budget; a page past it shows a placeholder.
    PdfPagePicker(const QString& path, int pageCount, QWidget* parent = nullptr);
    ~PdfPagePicker() override;

    // The chosen zero-based page, or nothing when there are no pages or the person cancels.
    static std::optional<int> pick(const QString& path, int pageCount, QWidget* parent = nullptr);

    QListWidget* pages() const { return m_pages; }
    std::optional<int> selectedIndex() const { return m_selected; }
    // Thumbnails shown so far, placeholders included.
    int drawnThumbnails() const { return m_drawn; }
    // Pages whose thumbnail could not be drawn (in time): they show a placeholder.
    QList<int> placeholders() const { return m_placeholders; }

private:
    struct Thumbnail {
        int index = -1;
        QImage image; // null when the page could not be drawn
    };
    void openSelected();
    void showThumbnail(const Thumbnail& drawn);

    QListWidget* m_pages;
    QFutureWatcher<Thumbnail> m_thumbnails;
    std::optional<int> m_selected;
    int m_drawn = 0;
    QList<int> m_placeholders;
};
