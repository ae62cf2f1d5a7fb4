#pragma once

#include <QDialog>

#include <optional>

class QListWidget;
class QPdfDocument;

// "Choose a Page": the pages of a PDF as thumbnails, drawn a few at a time after the window is up;
// a click selects, a double click or Return opens, Escape or closing cancels.
class PdfPagePicker final : public QDialog {
    Q_OBJECT

public:
    static constexpr QSize kThumbnail{130, 165};

    PdfPagePicker(QPdfDocument* document, QWidget* parent = nullptr);

    // The chosen zero-based page, or nothing when the file is no PDF, has no pages or the person
    // cancels.
    static std::optional<int> pick(const QString& path, QWidget* parent = nullptr);

    QListWidget* pages() const { return m_pages; }
    std::optional<int> selectedIndex() const { return m_selected; }
    // Thumbnails drawn so far.
    int drawnThumbnails() const { return m_drawn; }

private:
    void openSelected();
    void drawSomeThumbnails();

    QPdfDocument* m_document;
    QListWidget* m_pages;
    std::optional<int> m_selected;
    int m_drawn = 0;
};
