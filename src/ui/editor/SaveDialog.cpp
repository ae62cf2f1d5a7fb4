#include "ui/editor/SaveDialog.h"

#include "editor/SaveCommand.h"
#include "io/ImageUtilities.h"
#include "io/SaveFolder.h"

#include <QAbstractItemView>
#include <QCheckBox>
#include <QComboBox>
#include <QFileInfo>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLocale>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>

namespace {

// Titles and filters in English, translated where shown.
struct FormatChoice {
    const char* title;
    const char* filter;
    const char* suffix;
    FlatExport::Format format;
};
constexpr FormatChoice kFormats[] = {
    {QT_TRANSLATE_NOOP("SaveDialog", "PNG (lossless)"), QT_TRANSLATE_NOOP("SaveDialog", "PNG image (*.png)"),
     "png", FlatExport::Format::png},
    {QT_TRANSLATE_NOOP("SaveDialog", "JPEG (smaller)"),
     QT_TRANSLATE_NOOP("SaveDialog", "JPEG image (*.jpg *.jpeg)"), "jpg", FlatExport::Format::jpeg},
    {QT_TRANSLATE_NOOP("SaveDialog", "PDF"), QT_TRANSLATE_NOOP("SaveDialog", "PDF document (*.pdf)"), "pdf",
     FlatExport::Format::pdf},
};

bool sameFile(const QString& a, const QString& b) {
    return !b.isEmpty() && QFileInfo(a).absoluteFilePath() == QFileInfo(b).absoluteFilePath();
}

} // namespace

SaveDialog::SaveDialog(QWidget* parent) : QFileDialog(parent) {
    // The format and size choices live in the dialog itself, which the desktop's own dialog lacks.
    setOption(QFileDialog::DontUseNativeDialog, true);
    setAcceptMode(QFileDialog::AcceptSave);
    setFileMode(QFileDialog::AnyFile);
    // Qt's question names one file; ours names the picture and its project together.
    setOption(QFileDialog::DontConfirmOverwrite, true);
    setWindowTitle(tr("Save"));
    setDirectory(SaveFolder::path());
    selectFile(ImageUtilities::defaultFileName());

    m_format = new QComboBox;
    for (const FormatChoice& f : kFormats)
        m_format->addItem(tr(f.title));
    m_size = new QComboBox;
    for (const int percent : {100, 75, 50, 25})
        m_size->addItem(tr("%1%").arg(QLocale().toString(percent)));
    auto* row = new QHBoxLayout;
    row->addStretch();
    row->addWidget(new QLabel(tr("Format:")));
    row->addWidget(m_format);
    row->addSpacing(8);
    row->addWidget(new QLabel(tr("Size:")));
    row->addWidget(m_size);
    row->addStretch();
    auto* message = new QLabel(tr("Saves the flat image plus an editable .pictproj project next to it"));
    message->setForegroundRole(QPalette::PlaceholderText);
    const QString burnTitle = tr("Burn blurred parts into the project");
    m_burnBlur = new QCheckBox(burnTitle);
    m_burnBlur->setAccessibleName(burnTitle);
    const QString burnHelp =
        tr("On, the project's picture holds the blurred pixels, so the original ones cannot be "
           "recovered from the project; off, it keeps them under the blur, so blur regions can "
           "still be moved or removed");
    m_burnBlur->setToolTip(burnHelp);
    m_burnBlur->setAccessibleDescription(burnHelp);
    m_burnBlur->setVisible(false);
    if (auto* grid = qobject_cast<QGridLayout*>(layout())) {
        const int rows = grid->rowCount();
        grid->addWidget(message, rows, 0, 1, grid->columnCount());
        grid->addLayout(row, rows + 1, 0, 1, grid->columnCount());
        grid->addWidget(m_burnBlur, rows + 2, 0, 1, grid->columnCount(), Qt::AlignHCenter);
    }
    connect(m_format, &QComboBox::currentIndexChanged, this, &SaveDialog::formatChanged);
    formatChanged(0);
    // A typed picture extension chooses the format, as other editors' export dialogs do: the
    // name typed last is what the person means.
    if (QLineEdit* name = nameField())
        connect(name, &QLineEdit::textEdited, this, [this](const QString& text) {
            if (const std::optional<FlatExport::Format> f = FlatExport::formatForPath(text)) {
                for (int i = 0; i < int(std::size(kFormats)); ++i)
                    if (kFormats[i].format == *f) m_format->setCurrentIndex(i);
            }
        });
}

void SaveDialog::propose(const QString& path, bool inItsFolder) {
    if (path.isEmpty()) return;
    const QFileInfo info(path);
    if (inItsFolder && info.isAbsolute() && info.absoluteDir().exists()) setDirectory(info.absolutePath());
    if (const std::optional<FlatExport::Format> f = FlatExport::formatForPath(path)) {
        for (int i = 0; i < int(std::size(kFormats)); ++i)
            if (kFormats[i].format == *f) m_format->setCurrentIndex(i);
    }
    const QString name = SaveCommand::imagePathFor(info.completeBaseName(), format());
    clearListSelection();
    selectFile(name);
    if (QLineEdit* field = nameField()) field->setText(name);
}

void SaveDialog::setScale(double scale) {
    for (int i = 0; i < int(std::size(SaveCommand::kScales)); ++i)
        if (SaveCommand::kScales[i] == scale) m_size->setCurrentIndex(i);
}

void SaveDialog::offerBurningBlur(bool offered, bool on) {
    m_burnBlur->setVisible(offered);
    m_burnBlur->setChecked(offered && on);
}

bool SaveDialog::burnBlur() const {
    return m_burnBlur->isVisibleTo(this) && m_burnBlur->isChecked();
}

FlatExport::Format SaveDialog::format() const {
    return kFormats[std::max(0, m_format->currentIndex())].format;
}

double SaveDialog::scale() const {
    return SaveCommand::kScales[std::max(0, m_size->currentIndex())];
}

QLineEdit* SaveDialog::nameField() const {
    return findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
}

// A file picked in the list earlier must not stand in for the name in the field: Qt selects the
// file a new name matches without dropping the old one unless the field has the focus.
void SaveDialog::clearListSelection() {
    if (auto* list = findChild<QAbstractItemView*>(QStringLiteral("listView"))) list->clearSelection();
}

void SaveDialog::formatChanged(int index) {
    const FormatChoice& f = kFormats[std::max(0, index)];
    // Keep the typed name, with the extension of the chosen format. Read it first: a new filter
    // makes Qt swap whatever last extension the name has, "shot.final" becoming "shot.jpg".
    QLineEdit* name = nameField();
    const QString typed = name ? name->text() : QString();
    setNameFilter(tr(f.filter));
    setDefaultSuffix(QString::fromLatin1(f.suffix));
    if (typed.isEmpty()) return;
    clearListSelection();
    // Untouched when it already fits, so the cursor stays where the person types.
    if (const QString renamed = SaveCommand::imagePathFor(typed, f.format); renamed != typed)
        name->setText(renamed);
}

void SaveDialog::accept() {
    QLineEdit* name = nameField();
    const QString typed = name ? name->text() : QString();
    if (typed.isEmpty() || typed == QLatin1String("..")) return QFileDialog::accept();
    QString path = typed;
    if (path == QLatin1String("~") || path.startsWith(QLatin1String("~/")))
        path = QDir::homePath() + path.mid(1);
    path = QDir::cleanPath(directory().absoluteFilePath(path));
    // A folder's name opens the folder, as in any file dialog.
    if (QFileInfo(path).isDir()) return QFileDialog::accept();

    const QString image = SaveCommand::imagePathFor(path, format());
    if (!mayReplace(image, SaveCommand::projectPathFor(image))) return;
    m_imagePath = image;
    clearListSelection();
    name->setText(SaveCommand::imagePathFor(typed, format()));
    QFileDialog::accept();
}

bool SaveDialog::mayReplace(const QString& imagePath, const QString& projectPath) {
    QStringList existing;
    for (const QString& path : {imagePath, projectPath})
        // The document's own project is rewritten by every save of it, whatever the picture's format.
        if (QFileInfo::exists(path) && !(path == projectPath && sameFile(path, m_ownProject)))
            existing << QFileInfo(path).fileName();
    if (existing.isEmpty()) return true;
    const QString text =
        existing.size() == 2
            ? tr("“%1” and “%2” already exist. Do you want to replace them?").arg(existing[0], existing[1])
            : tr("“%1” already exists. Do you want to replace it?").arg(existing[0]);
    QMessageBox box(QMessageBox::Warning, windowTitle(), text, QMessageBox::NoButton, this);
    QPushButton* replace = box.addButton(tr("Replace"), QMessageBox::AcceptRole);
    QPushButton* cancel = box.addButton(tr("Cancel"), QMessageBox::RejectRole);
    box.setDefaultButton(cancel);
    box.setEscapeButton(cancel);
    box.exec();
    return box.clickedButton() == replace;
}
