#include "editor/EditorModel.h"

#include "model/Palette.h"

#include <QSettings>

#include <limits>

namespace {

template <typename T> bool assign(T& field, const T& value) {
    if (field == value) return false;
    field = value;
    return true;
}

} // namespace

EditorModel::EditorModel(const QImage& image, const QList<Annotation>& annotations, QObject* parent)
    : QObject(parent), m_baseImage(image), m_annotations(annotations), m_color(Palette::standardRed()),
      m_nextDotNumber(nextBadgeNumber(annotations)), m_recentColors(loadRecentColors()) {}

void EditorModel::setDraft(std::optional<Annotation> draft) {
    m_draft = std::move(draft);
    emit changed();
}

#define PICTAVO_SETTER(Name, field, Type)                                                                    \
    void EditorModel::Name(Type value) {                                                                     \
        if (assign(field, value)) emit changed();                                                            \
    }
PICTAVO_SETTER(setTool, m_tool, EditorTool)
PICTAVO_SETTER(setColor, m_color, const QColor&)
PICTAVO_SETTER(setStrokeWidth, m_strokeWidth, double)
PICTAVO_SETTER(setArrowHeadScale, m_arrowHeadScale, double)
PICTAVO_SETTER(setDotStyle, m_dotStyle, DotStyle)
PICTAVO_SETTER(setStampType, m_stampType, StampType)
PICTAVO_SETTER(setStampShowName, m_stampShowName, bool)
PICTAVO_SETTER(setShapeFilled, m_shapeFilled, bool)
PICTAVO_SETTER(setSelectedIDs, m_selectedIDs, const QSet<QUuid>&)
#undef PICTAVO_SETTER

void EditorModel::setSnapIndicator(std::optional<QPointF> point) {
    if (assign(m_snapIndicator, point)) emit changed();
}

void EditorModel::markSaved() {
    if (assign(m_isDirty, false)) emit changed();
}

EditorSnapshot EditorModel::snapshot() const {
    return EditorSnapshot{m_baseImage, m_annotations, m_nextDotNumber};
}

void EditorModel::pushUndo() {
    m_undoStack.append(snapshot());
    m_redoStack.clear();
    m_isDirty = true;
    m_rotationUndoSelection.reset();
    ++m_historyGeneration;
    emit changed();
}

void EditorModel::commit(const Annotation& annotation, bool recordUndo) {
    if (recordUndo) pushUndo();
    m_annotations.append(annotation);
    if (annotation.tool != EditorTool::image) noteColorUsed(annotation.color);
    emit changed();
}

void EditorModel::stepHistory(QList<EditorSnapshot>& from, QList<EditorSnapshot>& to) {
    if (from.isEmpty()) return;
    EditorSnapshot step = from.takeLast();
    to.append(snapshot());
    m_baseImage = step.image;
    m_annotations = std::move(step.annotations);
    m_nextDotNumber = step.nextDotNumber;
    m_isDirty = true;
    // The next colour or width change after an undo or redo starts its own step; coalescing it
    // into a step that is no longer on the undo stack would make it impossible to undo.
    m_colorUndoID.reset();
    m_widthUndoID.reset();
    m_rotationUndoSelection.reset();
    ++m_historyGeneration;
    emit changed();
}

void EditorModel::revertToLastStep() {
    if (m_undoStack.isEmpty()) return;
    EditorSnapshot step = m_undoStack.takeLast();
    m_baseImage = step.image;
    m_annotations = std::move(step.annotations);
    m_nextDotNumber = step.nextDotNumber;
    m_colorUndoID.reset();
    m_widthUndoID.reset();
    m_rotationUndoSelection.reset();
    ++m_historyGeneration;
    emit changed();
}

HistoryMark EditorModel::markHistory() const {
    return HistoryMark{snapshot(), m_undoStack.size(), m_redoStack, m_isDirty, m_colorUndoID, m_widthUndoID};
}

void EditorModel::rollBackTo(const HistoryMark& mark) {
    if (m_undoStack.size() < mark.undoDepth) return;
    m_undoStack.resize(mark.undoDepth);
    m_redoStack = mark.redo;
    m_baseImage = mark.state.image;
    m_annotations = mark.state.annotations;
    m_nextDotNumber = mark.state.nextDotNumber;
    m_isDirty = mark.dirty;
    m_colorUndoID = mark.colorUndoID;
    m_widthUndoID = mark.widthUndoID;
    m_rotationUndoSelection.reset();
    ++m_historyGeneration;
    emit changed();
}

void EditorModel::undo() {
    stepHistory(m_undoStack, m_redoStack);
}
void EditorModel::redo() {
    stepHistory(m_redoStack, m_undoStack);
}

QList<QColor> EditorModel::loadRecentColors() {
    QSettings settings;
    QList<QColor> colors;
    const QStringList stored = settings.value(kRecentColorsKey).toStringList();
    for (const QString& hex : stored)
        if (auto color = colorFromPictavoHex(hex)) colors.append(*color);
    return colors;
}

void EditorModel::noteColorUsed(const QColor& color) {
    const std::optional<QString> hex = pictavoHex(color);
    if (!hex) return;
    QStringList entries;
    for (const QColor& c : m_recentColors)
        if (auto h = pictavoHex(c)) entries.append(*h);
    entries.removeAll(*hex);
    entries.prepend(*hex);
    while (entries.size() > kMaxRecentColors)
        entries.removeLast();

    QList<QColor> colors;
    for (const QString& h : entries)
        colors.append(*colorFromPictavoHex(h));
    const bool listChanged = colors != m_recentColors;
    m_recentColors = colors;
    QSettings settings;
    settings.setValue(kRecentColorsKey, entries);
    if (listChanged) emit changed();
}

void EditorModel::setAnnotation(int index, const Annotation& annotation) {
    if (index < 0 || index >= m_annotations.size()) return;
    m_annotations[index] = annotation;
    emit changed();
}

void EditorModel::removeAnnotation(int index) {
    if (index < 0 || index >= m_annotations.size()) return;
    m_annotations.removeAt(index);
    emit changed();
}

void EditorModel::advanceDotNumber() {
    m_nextDotNumber = incrementSaturating(m_nextDotNumber);
    emit changed();
}

Annotation EditorModel::newAnnotation(QPointF point) const {
    Annotation a;
    a.tool = m_tool;
    a.color = m_color;
    a.width = m_strokeWidth;
    a.headScale = m_arrowHeadScale;
    a.points = {point};
    return a;
}

std::optional<int64_t> EditorModel::parseBadgeNumber(QStringView text) {
    qsizetype i = 0;
    bool negative = false;
    if (!text.isEmpty() && (text[0] == u'+' || text[0] == u'-')) {
        negative = text[0] == u'-';
        i = 1;
    }
    if (i >= text.size()) return std::nullopt;
    // Accumulate towards the negative side so that the smallest 64-bit value parses too.
    int64_t value = 0;
    constexpr int64_t kMin = std::numeric_limits<int64_t>::min();
    for (; i < text.size(); ++i) {
        const char16_t c = text[i].unicode();
        if (c < u'0' || c > u'9') return std::nullopt;
        const int digit = c - u'0';
        if (value < (kMin + digit) / 10) return std::nullopt;
        value = value * 10 - digit;
    }
    if (negative) return value;
    if (value == kMin) return std::nullopt;
    return -value;
}

int64_t EditorModel::incrementSaturating(int64_t value) {
    return value == std::numeric_limits<int64_t>::max() ? value : value + 1;
}

int64_t EditorModel::nextBadgeNumber(const QList<Annotation>& annotations) {
    std::optional<int64_t> largest;
    for (const Annotation& a : annotations) {
        if (!a.isNumberBadge()) continue;
        if (auto n = parseBadgeNumber(a.text)) largest = largest ? std::max(*largest, *n) : *n;
    }
    return largest ? incrementSaturating(*largest) : 1;
}
