#include "ui/editor/SaveDialog.h"

#include "io/ImageUtilities.h"
#include "io/SaveFolder.h"

#include <QComboBox>
#include <QFileInfo>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>

namespace {

struct FormatChoice {
    const char* title;
    const char* filter;
    const char* suffix;
    FlatExport::Format format;
};
constexpr FormatChoice kFormats[] = {
    {"PNG (lossless)", "PNG image (*.png)", "png", FlatExport::Format::png},
    {"JPEG (smaller)", "JPEG image (*.jpg *.jpeg)", "jpg", FlatExport::Format::jpeg},
    {"PDF", "PDF document (*.pdf)", "pdf", FlatExport::Format::pdf},
};
constexpr double kScales[] = {1.0, 0.75, 0.5, 0.25};

} // namespace

SaveDialog::SaveDialog(QWidget* parent) : QFileDialog(parent) {
    // The format and size choices live in the dialog itself, which the desktop's own dialog lacks.
    setOption(QFileDialog::DontUseNativeDialog, true);
    setAcceptMode(QFileDialog::AcceptSave);
    setFileMode(QFileDialog::AnyFile);
    setWindowTitle(QStringLiteral("Save"));
    setDirectory(SaveFolder::path());
    selectFile(ImageUtilities::defaultFileName());

    m_format = new QComboBox;
    for (const FormatChoice& f : kFormats)
        m_format->addItem(QString::fromLatin1(f.title));
    m_size = new QComboBox;
    for (const char* title : {"100%", "75%", "50%", "25%"})
        m_size->addItem(QString::fromLatin1(title));
    auto* row = new QHBoxLayout;
    row->addStretch();
    row->addWidget(new QLabel(QStringLiteral("Format:")));
    row->addWidget(m_format);
    row->addSpacing(8);
    row->addWidget(new QLabel(QStringLiteral("Size:")));
    row->addWidget(m_size);
    row->addStretch();
    auto* message =
        new QLabel(QStringLiteral("Saves the flat image plus an editable .pictproj project next to it"));
    message->setForegroundRole(QPalette::PlaceholderText);
    if (auto* grid = qobject_cast<QGridLayout*>(layout())) {
        const int rows = grid->rowCount();
        grid->addWidget(message, rows, 0, 1, grid->columnCount());
        grid->addLayout(row, rows + 1, 0, 1, grid->columnCount());
    }
    connect(m_format, &QComboBox::currentIndexChanged, this, &SaveDialog::formatChanged);
    formatChanged(0);
}

FlatExport::Format SaveDialog::format() const {
    return kFormats[std::max(0, m_format->currentIndex())].format;
}

double SaveDialog::scale() const {
    return kScales[std::max(0, m_size->currentIndex())];
}

void SaveDialog::formatChanged(int index) {
    const FormatChoice& f = kFormats[std::max(0, index)];
    setNameFilter(QString::fromLatin1(f.filter));
    setDefaultSuffix(QString::fromLatin1(f.suffix));
    // Keep the typed name, with the extension of the chosen format.
    if (auto* name = findChild<QLineEdit*>(QStringLiteral("fileNameEdit"))) {
        QString text = name->text();
        const qsizetype dot = text.lastIndexOf(QLatin1Char('.'));
        if (dot > 0) text = text.left(dot);
        if (!text.isEmpty()) name->setText(text + QLatin1Char('.') + QString::fromLatin1(f.suffix));
    }
}
