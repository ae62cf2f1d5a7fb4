#pragma once

#include "editor/FlatExport.h"

#include <QFileDialog>

class QCheckBox;
class QComboBox;
class QLineEdit;

// The save panel: file name and folder, plus the format (PNG, JPEG, PDF) and the size (100, 75,
// 50 or 25 %) of the flat image, chosen in the dialog itself. The chosen format decides the
// extension, and one question covers replacing the picture and its project.
class SaveDialog : public QFileDialog {
    Q_OBJECT

public:
    explicit SaveDialog(QWidget* parent = nullptr);

    FlatExport::Format format() const;
    double scale() const;
    QComboBox* formatChoice() const { return m_format; }
    QComboBox* sizeChoice() const { return m_size; }
    // Proposes `path`'s base name, and its format when it names one; with `inItsFolder`, starts
    // in its folder too (what the last save wrote), else in the save folder (the file the picture
    // came from).
    void propose(const QString& path, bool inItsFolder);
    // Picks the size choice for `scale` (1, 0.75, 0.5 or 0.25).
    void setScale(double scale);
    // The project the document was opened from or last saved to: replacing it asks nothing.
    void setOwnProject(const QString& path) { m_ownProject = path; }
    // The choice of burning blurred parts into the project's picture, shown for a document with
    // blur regions only, set to `on`.
    void offerBurningBlur(bool offered, bool on);
    bool burnBlur() const;
    QCheckBox* burnBlurChoice() const { return m_burnBlur; }
    // The flat image's path once the dialog was accepted, with the format's extension.
    QString imagePath() const { return m_imagePath; }

public slots:
    void accept() override;

private:
    void formatChanged(int index);
    QLineEdit* nameField() const;
    void clearListSelection();
    bool mayReplace(const QString& imagePath, const QString& projectPath);

    QComboBox* m_format;
    QComboBox* m_size;
    QCheckBox* m_burnBlur;
    QString m_imagePath;
    QString m_ownProject;
};
