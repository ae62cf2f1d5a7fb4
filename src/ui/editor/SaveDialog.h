#pragma once

#include "editor/FlatExport.h"

#include <QFileDialog>

class QComboBox;

// The save panel: file name and folder, plus the format (PNG, JPEG, PDF) and the size (100, 75,
// 50 or 25 %) of the flat image, chosen in the dialog itself.
class SaveDialog : public QFileDialog {
    Q_OBJECT

public:
    explicit SaveDialog(QWidget* parent = nullptr);

    FlatExport::Format format() const;
    double scale() const;
    QComboBox* formatChoice() const { return m_format; }
    QComboBox* sizeChoice() const { return m_size; }

private:
    void formatChanged(int index);

    QComboBox* m_format;
    QComboBox* m_size;
};
