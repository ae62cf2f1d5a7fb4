#include "editor/EditorModel.h"

#include "io/StateFolder.h"
#include "model/Palette.h"

#include <QHash>
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
    if (m_tool != EditorTool::select || m_selectedIDs.isEmpty()) return false;
    // Several found redactions selected take their colour together; a mixed selection the others'.
    bool any = false;
    for (const Annotation& a : m_annotations) {
        if (!m_selectedIDs.contains(a.id)) continue;
        if (a.tool != EditorTool::redact) return false;
        any = true;
    }
    return any;
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
    // A picture unpacked from the history carries its packed bytes along: packing it again is free.
    const bool unpacked = m_unpacked.from && m_unpacked.imageKey == m_baseImage.cacheKey();
    return EditorSnapshot{m_baseImage, unpacked ? m_unpacked.from : nullptr, m_annotations, m_nextDotNumber};
}

bool EditorModel::restore(EditorSnapshot step) {
    QImage image = step.image;
    if (image.isNull() && step.packed) {
        image = step.packed->unpack();
        if (image.isNull()) return false;
        // Every step with this picture shares the one unpacked copy: one picture to the budget,
        // to the view and to the journal, not one per step.
        for (QList<EditorSnapshot>* stack : {&m_undoStack, &m_redoStack})
            for (EditorSnapshot& other : *stack)
                if (other.packed == step.packed && other.image.isNull()) other.image = image;
    }
    if (step.packed) m_unpacked = {image.cacheKey(), step.packed};
    m_baseImage = std::move(image);
    m_annotations = std::move(step.annotations);
    m_nextDotNumber = step.nextDotNumber;
    return true;
}

void EditorModel::setHistoryBudget(qint64 bytes, qint64 packedBytes) {
    m_historyBudget = std::max<qint64>(0, bytes);
    m_packedBudget = std::max<qint64>(0, packedBytes);
    keepHistoryWithinBudget();
}

namespace {

// Visits the steps nearest the current one first: the last undo step and the next redo step,
// then one further back and one further on, and so on.
template <typename Fn> void byDistance(const QList<EditorSnapshot>& undo, const QList<EditorSnapshot>& redo, Fn&& fn) {
    const qsizetype depth = std::max(undo.size(), redo.size());
    for (qsizetype i = 0; i < depth; ++i) {
        if (i < undo.size()) fn(undo[undo.size() - 1 - i]);
        if (i < redo.size()) fn(redo[redo.size() - 1 - i]);
    }
}

} // namespace

void EditorModel::keepHistoryWithinBudget() {
    // The current picture is held anyway; steps that share a picture count it once.
    QSet<qint64> seen{m_baseImage.cacheKey()};
    QSet<qint64> toPack;
    qint64 kept = 0;
    bool full = false; // from the first picture that does not fit, everything farther is packed
    byDistance(m_undoStack, m_redoStack, [&](const EditorSnapshot& step) {
        if (step.image.isNull()) return;
        const qint64 key = step.image.cacheKey();
        if (seen.contains(key)) return;
        seen.insert(key);
        const qint64 bytes = step.image.sizeInBytes();
        full = full || kept + bytes > m_historyBudget;
        if (full)
            toPack.insert(key);
        else
            kept += bytes;
    });
    if (toPack.isEmpty()) {
        spillPackedPictures(); // a packed picture brought back (a roll-back) or a smaller budget
        return;
    }
    QHash<qint64, std::shared_ptr<const PackedImage>> packs;
    for (QList<EditorSnapshot>* stack : {&m_undoStack, &m_redoStack}) {
        for (EditorSnapshot& step : *stack) {
            if (step.image.isNull() || !toPack.contains(step.image.cacheKey())) continue;
            std::shared_ptr<const PackedImage>& packed = packs[step.image.cacheKey()];
            if (!packed) packed = step.packed; // unpacked earlier: its packed bytes are still good
            if (!packed) packed = PackedImage::pack(step.image);
            if (!packed) continue; // memory is short: the picture stays as it is
            step.packed = packed;
            step.image = QImage();
        }
    }
    spillPackedPictures();
}

void EditorModel::spillPackedPictures() {
    QSet<const PackedImage*> seen;
    QList<std::shared_ptr<const PackedImage>> toSpill;
    qint64 kept = 0;
    bool full = false;
    byDistance(m_undoStack, m_redoStack, [&](const EditorSnapshot& step) {
        if (!step.packed || step.packed->isSpilled() || seen.contains(step.packed.get())) return;
        seen.insert(step.packed.get());
        full = full || kept + step.packed->packedBytes() > m_packedBudget;
        if (full)
            toSpill.append(step.packed);
        else
            kept += step.packed->packedBytes();
    });
    if (toSpill.isEmpty() || m_spillRefused) return;
    if (!m_spillFile) {
        const Result<QString> folder = StateFolder::ensurePrivate(StateFolder::path(QString()));
        if (folder) m_spillFile = PackedImage::SpillFile::create(*folder);
        if (!m_spillFile) {
            m_spillRefused = true; // the pictures stay packed in memory
            return;
        }
    }
    for (const std::shared_ptr<const PackedImage>& packed : toSpill) {
        const std::shared_ptr<const PackedImage> moved = packed->spilled(m_spillFile);
        if (!moved) {
            m_spillRefused = true; // a full disk: not tried again on every step
            return;
        }
        for (QList<EditorSnapshot>* stack : {&m_undoStack, &m_redoStack})
            for (EditorSnapshot& step : *stack)
                if (step.packed == packed) step.packed = moved;
        if (m_unpacked.from == packed) m_unpacked.from = moved;
    }
}

qint64 EditorModel::historyBytes() const {
    QSet<qint64> seen{m_baseImage.cacheKey()};
    qint64 bytes = 0;
    byDistance(m_undoStack, m_redoStack, [&](const EditorSnapshot& step) {
        if (step.image.isNull() || seen.contains(step.image.cacheKey())) return;
        seen.insert(step.image.cacheKey());
        bytes += step.image.sizeInBytes();
    });
    return bytes;
}

namespace {

// The distinct packed pictures of the history, in memory or in the file.
qint64 packedBytesOf(const QList<EditorSnapshot>& undo, const QList<EditorSnapshot>& redo, bool inFile) {
    QSet<const PackedImage*> seen;
    qint64 bytes = 0;
    byDistance(undo, redo, [&](const EditorSnapshot& step) {
        if (!step.packed || step.packed->isSpilled() != inFile || seen.contains(step.packed.get())) return;
        seen.insert(step.packed.get());
        bytes += step.packed->packedBytes();
    });
    return bytes;
}

} // namespace

qint64 EditorModel::packedHistoryBytes() const {
    return packedBytesOf(m_undoStack, m_redoStack, false);
}

qint64 EditorModel::spilledHistoryBytes() const {
    return packedBytesOf(m_undoStack, m_redoStack, true);
}

void EditorModel::pushUndo(std::optional<MergeKey> mergeKey) {
    if (mergeKey && m_mergeKey == mergeKey && m_mergeGeneration == m_historyGeneration) {
        // Merged into the last step, but still a change since the last save.
        m_isDirty = true;
        return;
    }
    // Only a picture new to the history can take it past its budget.
    const bool newPicture = m_undoStack.isEmpty() || m_undoStack.last().image.cacheKey() != m_baseImage.cacheKey();
    m_undoStack.append(snapshot());
    m_redoStack.clear();
    m_isDirty = true;
    ++m_historyGeneration;
    m_mergeKey = std::move(mergeKey);
    m_mergeGeneration = m_historyGeneration;
    if (newPicture) keepHistoryWithinBudget();
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
    EditorSnapshot current = snapshot();
    if (!restore(from.last())) {
        emit refused(tr("There is not enough memory to go to this step."));
        return;
    }
    from.removeLast();
    to.append(std::move(current));
    m_isDirty = true;
    ++m_historyGeneration;
    keepHistoryWithinBudget();
    emit documentChanged();
    followSelection();
}

void EditorModel::revertToLastStep() {
    if (m_undoStack.isEmpty()) return;
    if (!restore(m_undoStack.last())) {
        emit refused(tr("There is not enough memory to go to this step."));
        return;
    }
    m_undoStack.removeLast();
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
    restore(mark.state); // the mark's own state is never packed
    keepHistoryWithinBudget();
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
