#include "editor/EditorModel.h"

#include "model/Palette.h"

#include <QSettings>

#include <algorithm>
#include <cmath>
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
    emit draftChanged();
}

#define PICTAVO_SETTER(Name, field, Type)                                                                    \
    void EditorModel::Name(Type value) {                                                                     \
        if (assign(field, value)) emit toolSettingsChanged();                                                \
    }
PICTAVO_SETTER(setStrokeWidth, m_strokeWidth, double)
PICTAVO_SETTER(setArrowHeadScale, m_arrowHeadScale, double)
PICTAVO_SETTER(setDotStyle, m_dotStyle, DotStyle)
PICTAVO_SETTER(setStampType, m_stampType, StampType)
PICTAVO_SETTER(setStampShowName, m_stampShowName, bool)
PICTAVO_SETTER(setShapeFilled, m_shapeFilled, bool)
#undef PICTAVO_SETTER

void EditorModel::setTool(EditorTool tool) {
    if (!assign(m_tool, tool)) return;
    m_redactionColorShown = redactionColorInUse();
    emit toolSettingsChanged();
}

bool EditorModel::redactionColorInUse() const {
    if (m_tool == EditorTool::redact) return true;
    if (m_tool != EditorTool::select) return false;
    const std::optional<int> index = selectedIndex();
    return index && m_annotations.at(*index).tool == EditorTool::redact;
}

QColor EditorModel::color() const {
    return redactionColorInUse() ? m_redactColor : m_color;
}

void EditorModel::setColor(const QColor& color) {
    if (assign(redactionColorInUse() ? m_redactColor : m_color, color)) emit toolSettingsChanged();
}

void EditorModel::chooseColor(const QColor& color) {
    setColor(color);
    if (m_tool == EditorTool::select) applyColorToSelection(color);
}

void EditorModel::chooseStrokeWidth(double width) {
    setStrokeWidth(width);
    if (m_tool == EditorTool::select) applyWidthToSelection(width);
}

void EditorModel::setSelectedIDs(const QSet<QUuid>& ids) {
    if (assign(m_selectedIDs, ids)) selectionDidChange();
}

void EditorModel::selectionDidChange() {
    emit selectionChanged();
    followSelection();
}

void EditorModel::followSelection() {
    // Selecting a redaction, or leaving one, changes which colour is shown.
    bool changed = assign(m_redactionColorShown, redactionColorInUse());
    const std::optional<int> index = m_tool == EditorTool::select ? selectedIndex() : std::nullopt;
    if (!index) {
        if (changed) emit toolSettingsChanged();
        return;
    }
    const Annotation& a = m_annotations.at(*index);
    // A redaction's colour is for redactions only, and it has no width.
    if (a.tool == EditorTool::redact) {
        if (assign(m_redactColor, a.color) || changed) emit toolSettingsChanged();
        return;
    }
    changed |= assign(m_color, a.color);
    // Rounded half away from zero; a text shows the width that gives its size.
    const double width = (EditorTools::traits(a.tool).options & ToolOption::font)
                             ? std::clamp(std::round(a.fontSize / 3), 1.0, 50.0)
                             : std::clamp(std::round(a.width), 1.0, EditorTools::kMaxStrokeWidth);
    if (std::isfinite(width)) changed |= assign(m_strokeWidth, width);
    if (EditorTools::traits(a.tool).options & ToolOption::arrowHead) changed |= assign(m_arrowHeadScale, a.headScale);
    if (changed) emit toolSettingsChanged();
}

void EditorModel::setSnapIndicator(std::optional<QPointF> point) {
    if (assign(m_snapIndicator, point)) emit draftChanged();
}

void EditorModel::markSaved() {
    if (assign(m_isDirty, false)) emit documentChanged();
}

void EditorModel::markUnsaved() {
    if (assign(m_isDirty, true)) emit documentChanged();
}

EditorSnapshot EditorModel::snapshot() const {
    return EditorSnapshot{m_baseImage, m_annotations, m_nextDotNumber};
}

void EditorModel::restore(EditorSnapshot step) {
    m_baseImage = step.image;
    m_annotations = std::move(step.annotations);
    m_nextDotNumber = step.nextDotNumber;
}

void EditorModel::pushUndo(std::optional<MergeKey> mergeKey) {
    if (mergeKey && m_mergeKey == mergeKey && m_mergeGeneration == m_historyGeneration) {
        // Merged into the last step, but still a change since the last save.
        m_isDirty = true;
        return;
    }
    m_undoStack.append(snapshot());
    m_redoStack.clear();
    m_isDirty = true;
    ++m_historyGeneration;
    m_mergeKey = std::move(mergeKey);
    m_mergeGeneration = m_historyGeneration;
    emit documentChanged();
}

quint64 EditorModel::beginInPlaceEdit() {
    pushUndo();
    return m_historyGeneration;
}

void EditorModel::commit(const Annotation& annotation, bool recordUndo) {
    if (recordUndo) pushUndo();
    m_annotations.append(annotation);
    if (annotation.tool != EditorTool::image) noteColorUsed(annotation.color);
    emit documentChanged();
}

// Every step through the history moves the generation, so no later edit merges into a step that
// is no longer where it was.
void EditorModel::stepHistory(QList<EditorSnapshot>& from, QList<EditorSnapshot>& to) {
    if (from.isEmpty()) return;
    EditorSnapshot step = from.takeLast();
    to.append(snapshot());
    restore(std::move(step));
    m_isDirty = true;
    ++m_historyGeneration;
    emit documentChanged();
    followSelection();
}

void EditorModel::revertToLastStep() {
    if (m_undoStack.isEmpty()) return;
    restore(m_undoStack.takeLast());
    ++m_historyGeneration;
    emit documentChanged();
    followSelection();
}

HistoryMark EditorModel::markHistory() const {
    return HistoryMark{snapshot(), m_undoStack.size(), m_redoStack, m_isDirty};
}

void EditorModel::rollBackTo(const HistoryMark& mark) {
    if (m_undoStack.size() < mark.undoDepth) return;
    m_undoStack.resize(mark.undoDepth);
    m_redoStack = mark.redo;
    restore(mark.state);
    m_isDirty = mark.dirty;
    ++m_historyGeneration;
    emit documentChanged();
    followSelection();
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
    if (listChanged) emit toolSettingsChanged();
}

void EditorModel::setAnnotation(int index, const Annotation& annotation) {
    if (index < 0 || index >= m_annotations.size()) return;
    m_annotations[index] = annotation;
    emit documentChanged();
}

void EditorModel::removeAnnotation(int index) {
    if (index < 0 || index >= m_annotations.size()) return;
    m_annotations.removeAt(index);
    emit documentChanged();
}

void EditorModel::advanceBadgeNumber() {
    m_nextDotNumber = incrementSaturating(m_nextDotNumber);
    emit documentChanged();
}

Annotation EditorModel::newAnnotation(QPointF point) const {
    Annotation a;
    a.tool = m_tool;
    a.color = color();
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
