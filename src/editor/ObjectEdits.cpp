// The editor model's selection and object edits: recolour, resize, delete, flatten, rotate, copy
// and paste, the vertex and text edits of gestures, and the snapping and drawing order.
#include "io/ErrorTexts.h"
#include "editor/EditorModel.h"

#include "editor/ObjectClipboard.h"

#include "io/DecodingChild.h"
#include "io/ProjectIO.h"
#include "model/AnnotationGeometry.h"
#include "model/Palette.h"
#include "graphics/DrawingSurface.h"
#include "render/EditorRenderer.h"

#include <QPainter>

#include <algorithm>
#include <cmath>

namespace {

constexpr double kSameRotationRadians = 0.0001;

} // namespace

std::optional<QUuid> EditorModel::selectedID() const {
    if (m_selectedIDs.size() != 1) return std::nullopt;
    return *m_selectedIDs.cbegin();
}

void EditorModel::setSelectedID(std::optional<QUuid> id) {
    setSelectedIDs(id ? QSet<QUuid>{*id} : QSet<QUuid>{});
}

void EditorModel::toggleSelection(const QUuid& id) {
    if (!m_selectedIDs.remove(id)) m_selectedIDs.insert(id);
    selectionDidChange();
}

std::optional<int> EditorModel::selectedIndex() const {
    const std::optional<QUuid> id = selectedID();
    if (!id) return std::nullopt;
    for (qsizetype i = 0; i < m_annotations.size(); ++i)
        if (m_annotations[i].id == *id) return int(i);
    return std::nullopt;
}

void EditorModel::applyColorToSelection(const QColor& color) {
    // A colour with no hex form could be neither saved nor listed among the recent colours.
    const std::optional<QString> hex = pictavoHex(color);
    if (!hex) return;
    QList<qsizetype> changing;
    QSet<QUuid> ids;
    for (qsizetype i = 0; i < m_annotations.size(); ++i) {
        const Annotation& a = m_annotations.at(i);
        if (m_selectedIDs.contains(a.id) && pictavoHex(a.color) != hex) changing.append(i), ids.insert(a.id);
    }
    if (changing.isEmpty()) return;
    pushUndo(MergeKey{MergeKey::Kind::color, ids});
    // Writable access only after pushUndo: the snapshot shares the list until it detaches.
    for (qsizetype i : changing) m_annotations[i].color = color;
    emit documentChanged();
}

void EditorModel::applyWidthToSelection(double width) {
    const std::optional<int> index = selectedIndex();
    const double fontSize = std::max(3 * width, 6.0);
    if (!index || !std::isfinite(width) || !std::isfinite(fontSize)) return;
    const Annotation& a = m_annotations.at(*index);
    const bool isText = bool(EditorTools::traits(a.tool).options & ToolOption::font);
    if (isText ? a.fontSize == fontSize : a.width == width) return;
    pushUndo(MergeKey{MergeKey::Kind::width, {a.id}});
    if (isText)
        m_annotations[*index].fontSize = fontSize;
    else
        m_annotations[*index].width = width;
    emit documentChanged();
}

void EditorModel::deleteSelected() {
    if (m_selectedIDs.isEmpty()) return;
    auto isSelected = [this](const Annotation& a) { return m_selectedIDs.contains(a.id); };
    // Stale ids alone leave nothing to delete, and an empty undo step would only confuse.
    if (std::none_of(m_annotations.cbegin(), m_annotations.cend(), isSelected)) return;
    const bool removesBadge =
        std::any_of(m_annotations.cbegin(), m_annotations.cend(),
                    [&](const Annotation& a) { return isSelected(a) && a.isNumberBadge(); });
    pushUndo();
    m_annotations.removeIf(isSelected);
    // Only a removed badge can lower the counter; the remaining badges keep their numbers.
    if (removesBadge) m_nextDotNumber = nextBadgeNumber(m_annotations);
    m_selectedIDs.clear();
    emit documentChanged();
    selectionDidChange();
}

void EditorModel::flattenSelected() {
    const std::optional<int> index = selectedIndex();
    if (!index) return;
    EditorRenderer::Scene scene = this->scene(false);
    scene.annotations = {m_annotations.at(*index)};
    const QImage flat = EditorRenderer::compose(scene);
    if (flat.isNull()) return;
    pushUndo();
    m_baseImage = flat;
    keepHistoryWithinBudget();
    m_annotations.removeAt(*index);
    m_selectedIDs.clear();
    emit documentChanged();
    selectionDidChange();
}

void EditorModel::copySelectedToPasteboard() {
    QList<Annotation> selected;
    for (const Annotation& a : m_annotations)
        if (m_selectedIDs.contains(a.id)) selected.append(a);
    if (selected.isEmpty() || !m_clipboard) return;
    const std::optional<QByteArray> payload = ProjectIO::encodePayload(selected);
    if (!payload) return;
    // Beside our own format, the objects alone on transparency as a picture, for chats and mail.
    const QList<Annotation> layered = layeredAnnotations(selected);
    const QSet<QUuid> tooDear = EditorRenderer::beyondDrawingBudget(layered, imageSize());
    QRectF reach;
    for (const Annotation& a : layered)
        if (!tooDear.contains(a.id)) reach |= EditorRenderer::paintedReach(a);
    const QRect area = reach.toAlignedRect().intersected(m_baseImage.rect());
    QImage picture = area.isEmpty() ? QImage() : DrawingSurface::createSurface(area.size());
    if (!picture.isNull()) {
        QPainter painter(&picture);
        painter.setRenderHint(QPainter::Antialiasing, true);
        painter.setRenderHint(QPainter::SmoothPixmapTransform, true);
        painter.translate(-area.topLeft());
        const EditorRenderer::Scene scene = this->scene(false);
        for (const Annotation& a : layered)
            if (!tooDear.contains(a.id)) EditorRenderer::draw(a, painter, scene, 1.0);
    }
    m_clipboard->setObjects(*payload, picture);
    m_pasteOffsetStep = 0;
}

bool EditorModel::pasteObjectsFromPasteboard(std::optional<QRectF> visibleArea) {
    if (!m_clipboard) return false;
    const std::optional<QByteArray> payload = m_clipboard->objects();
    if (!payload) return false;
    // Pictures in a payload are untrusted: decoded in a limited child, so a few bytes asking for
    // gigabytes are refused in seconds instead of freezing the window.
    std::optional<QList<Annotation>> pasted;
    if (payload->contains("\"imagePNG\"")) {
        const Result<std::optional<QList<Annotation>>> decoded = DecodingChild::isolated<std::optional<QList<Annotation>>>(
            QStringLiteral("the pasted picture"),
            [&payload]() -> Result<std::optional<QList<Annotation>>> { return ProjectIO::annotationsFromPayload(*payload); });
        if (!decoded) {
            emit refused(tr("Couldn't paste the objects: %1").arg(ErrorTexts::translated(decoded.error().message)));
            return true; // the objects were there: no picture is pasted in their place
        }
        pasted = *decoded;
    } else
        pasted = ProjectIO::annotationsFromPayload(*payload);
    if (!pasted) return false;
    if (!admits(m_baseImage.size(), m_annotations + *pasted, tr("Couldn't paste the objects")))
        return true; // the objects were there: no picture is pasted in their place
    pushUndo();
    ++m_pasteOffsetStep;
    QPointF d(24.0 * m_pasteOffsetStep, 24.0 * m_pasteOffsetStep);
    // Objects from another, larger picture, or pasted far from where one looks, land on the picture:
    // centred in view when none of them would be seen, and moved in as little as needed.
    QRectF group;
    for (const Annotation& a : *pasted)
        group |= EditorRenderer::paintedReach(a);
    group.translate(d);
    const QRectF picture(QPointF(0, 0), imageSize());
    if (visibleArea && !visibleArea->isEmpty() && !group.intersects(*visibleArea)) {
        d += visibleArea->center() - group.center();
        group.moveCenter(visibleArea->center());
    }
    auto into = [](double start, double length, double low, double high) {
        if (length >= high - low || start < low) return low - start; // too big: its top left edge in
        if (start + length > high) return high - (start + length);
        return 0.0;
    };
    d += QPointF(into(group.left(), group.width(), picture.left(), picture.right()),
                 into(group.top(), group.height(), picture.top(), picture.bottom()));
    QSet<QUuid> ids;
    for (Annotation& a : *pasted) {
        translate(a, d);
        if (a.isNumberBadge()) {
            a.text = QString::number(m_nextDotNumber);
            m_nextDotNumber = incrementSaturating(m_nextDotNumber);
        }
        ids.insert(a.id);
        m_annotations.append(a);
    }
    emit documentChanged();
    setTool(EditorTool::select);
    setSelectedIDs(ids);
    return true;
}

void EditorModel::setNextDotNumber(int64_t number) {
    number = std::max<int64_t>(number, 1);
    if (number == m_nextDotNumber) return;
    m_nextDotNumber = number;
    emit documentChanged();
}

void EditorModel::nudgeSelection(QPointF delta) {
    if (!std::isfinite(delta.x()) || !std::isfinite(delta.y()) || delta.isNull()) return;
    const bool any = std::any_of(m_annotations.cbegin(), m_annotations.cend(),
                                 [&](const Annotation& a) { return m_selectedIDs.contains(a.id); });
    if (!any) return;
    pushUndo(MergeKey{MergeKey::Kind::nudge, m_selectedIDs});
    for (Annotation& a : m_annotations)
        if (m_selectedIDs.contains(a.id)) translate(a, delta);
    emit documentChanged();
}

void EditorModel::selectAll() {
    QSet<QUuid> ids;
    for (const Annotation& a : m_annotations)
        ids.insert(a.id);
    setSelectedIDs(ids);
}

bool EditorModel::addPicture(const Annotation& picture) {
    if (!admits(m_baseImage.size(), m_annotations + QList<Annotation>{picture},
                tr("Couldn't paste the picture")))
        return false;
    commit(picture, true);
    return true;
}

int EditorModel::addRedactions(const QList<QRectF>& boxes) {
    QList<Annotation> added;
    QSet<QUuid> ids;
    for (const QRectF& box : boxes) {
        if (box.isEmpty()) continue;
        Annotation a;
        a.tool = EditorTool::redact;
        a.color = m_redactColor;
        a.points = {box.topLeft(), box.bottomRight()};
        ids.insert(a.id);
        added.append(a);
    }
    if (added.isEmpty() || !admits(m_baseImage.size(), m_annotations + added, tr("Couldn't add the redactions")))
        return 0;
    pushUndo();
    m_annotations.append(added);
    emit documentChanged();
    setTool(EditorTool::select);
    setSelectedIDs(ids);
    return int(added.size());
}

void EditorModel::translate(Annotation& a, QPointF delta) {
    for (QPointF& p : a.points)
        p += delta;
    if (a.tool == EditorTool::image) a.imageFrame.translate(delta);
}

void EditorModel::rotate(Annotation& a, double radians) {
    if (!EditorTools::carriesRotationInPoints(a.tool)) {
        a.rotation += radians;
        return;
    }
    if (radians == 0) return;
    const QPointF c = AnnotationGeometry::bounds(a).center();
    const double cosT = std::cos(radians), sinT = std::sin(radians);
    for (QPointF& p : a.points) {
        const QPointF d = p - c;
        p = QPointF(c.x() + cosT * d.x() - sinT * d.y(), c.y() + sinT * d.x() + cosT * d.y());
    }
}

void EditorModel::rotateSelection(double radians, bool coalesce) {
    if (m_selectedIDs.isEmpty() || radians == 0 || !std::isfinite(radians)) return;
    auto isSelected = [this](const Annotation& a) { return m_selectedIDs.contains(a.id); };
    if (std::none_of(m_annotations.cbegin(), m_annotations.cend(), isSelected)) return;
    // A quarter turn is a step of its own, and ends any run of fine turns.
    pushUndo(coalesce ? std::optional(MergeKey{MergeKey::Kind::rotation, m_selectedIDs}) : std::nullopt);
    for (Annotation& a : m_annotations)
        if (isSelected(a)) rotate(a, radians);
    emit documentChanged();
}

void EditorModel::setSelectionRotation(double degrees) {
    const std::optional<int> index = selectedIndex();
    if (!index) return;
    const Annotation& a = m_annotations.at(*index);
    const double r = degrees * M_PI / 180.0;
    if (!EditorTools::isRotatable(a.tool) || !std::isfinite(r)) return;
    if (std::abs(a.rotation - r) <= kSameRotationRadians) return;
    pushUndo(MergeKey{MergeKey::Kind::rotation, m_selectedIDs});
    m_annotations[*index].rotation = r;
    emit documentChanged();
}

std::optional<QPointF> EditorModel::snapPoint(QPointF point, std::optional<QUuid> excluding,
                                              double radius) const {
    std::optional<QPointF> best;
    double bestDistance = radius;
    for (const Annotation& a : m_annotations) {
        if (excluding && a.id == *excluding) continue;
        for (const QPointF& anchor : AnnotationGeometry::rawAnchorPoints(a)) {
            const QPointF q = AnnotationGeometry::fromObjectSpace(anchor, a);
            const double d = std::hypot(q.x() - point.x(), q.y() - point.y());
            // `<=` so that the last of equally near anchors wins.
            if (d <= bestDistance) {
                best = q;
                bestDistance = d;
            }
        }
    }
    return best;
}

QList<Annotation> EditorModel::layeredAnnotations() const {
    return layeredAnnotations(m_annotations);
}

QList<Annotation> EditorModel::layeredAnnotations(QList<Annotation> annotations) {
    std::stable_sort(annotations.begin(), annotations.end(), [](const Annotation& x, const Annotation& y) {
        return EditorTools::paintLayer(x.tool) < EditorTools::paintLayer(y.tool);
    });
    return annotations;
}

void EditorModel::setSelectionFlag(SelectionFlag flag, bool on) {
    const std::optional<int> index = selectedIndex();
    if (!index) return;
    auto field = [flag](Annotation& a) -> bool& {
        switch (flag) {
        case SelectionFlag::filled: return a.filled;
        case SelectionFlag::showName: return a.showName;
        case SelectionFlag::labelOutside: return a.labelOutside;
        }
        return a.filled;
    };
    Annotation a = m_annotations.at(*index);
    if (field(a) == on) return;
    pushUndo();
    field(a) = on;
    m_annotations[*index] = a;
    emit documentChanged();
}

bool EditorModel::insertVertex(int index, int segment, QPointF point) {
    if (index < 0 || index >= m_annotations.size()) return false;
    Annotation changed = m_annotations.at(index);
    if (segment < 0 || segment >= changed.points.size()) return false;
    changed.points.insert(segment + 1, point);
    pushUndo();
    m_annotations[index] = changed;
    emit documentChanged();
    setSelectedID(changed.id);
    return true;
}

bool EditorModel::convertToPolygon(int index, QPointF point, double reach) {
    if (index < 0 || index >= m_annotations.size() || m_annotations.at(index).tool != EditorTool::rect) return false;
    const Annotation& a = m_annotations.at(index);
    const QRectF r = a.rect();
    Annotation polygon = a;
    polygon.tool = EditorTool::polygon;
    polygon.rotation = 0;
    polygon.points = {r.topLeft(), r.topRight(), r.bottomRight(), r.bottomLeft()};
    // The turn goes into the corners, so the outline looks the same.
    for (QPointF& q : polygon.points)
        q = AnnotationGeometry::fromObjectSpace(q, a);
    if (const auto n = AnnotationGeometry::nearestSegmentPoint(polygon, point); n && n->distance <= reach + a.width / 2)
        polygon.points.insert(n->segmentIndex + 1, n->point);
    pushUndo();
    m_annotations[index] = polygon;
    emit documentChanged();
    setSelectedID(polygon.id);
    return true;
}

std::optional<Annotation> EditorModel::takeTextForEditing(int index) {
    if (index < 0 || index >= m_annotations.size()) return std::nullopt;
    if (m_annotations.at(index).tool != EditorTool::text && !m_annotations.at(index).isNumberBadge()) return std::nullopt;
    const Annotation a = m_annotations.at(index);
    pushUndo();
    m_annotations.removeAt(index);
    emit documentChanged();
    setSelectedID(std::nullopt);
    return a;
}

void EditorModel::putBack(int index, const Annotation& annotation) {
    m_annotations.insert(std::clamp<qsizetype>(index, 0, m_annotations.size()), annotation);
    // A badge given a number at or past the counter moves the counter on.
    if (annotation.isNumberBadge())
        if (const std::optional<int64_t> n = parseBadgeNumber(annotation.text); n && *n >= m_nextDotNumber)
            m_nextDotNumber = incrementSaturating(*n);
    emit documentChanged();
}

bool EditorModel::renumberBadges() {
    // One selected badge is what a right-click on it leaves: numbering it alone would give a second
    // 1, so a selection counts only from two badges on.
    const auto selectedBadges = std::count_if(m_annotations.cbegin(), m_annotations.cend(),
                                              [this](const Annotation& a) {
                                                  return a.isNumberBadge() && m_selectedIDs.contains(a.id);
                                              });
    const bool anySelected = selectedBadges > 1;
    // Drawing order: the order of the layers, list order within each.
    QList<QUuid> order;
    for (const Annotation& a : layeredAnnotations())
        if (a.isNumberBadge() && (!anySelected || m_selectedIDs.contains(a.id))) order.append(a.id);
    bool changes = false;
    for (qsizetype i = 0; i < order.size(); ++i)
        for (const Annotation& a : m_annotations)
            if (a.id == order[i] && a.text != QString::number(i + 1)) changes = true;
    if (!changes) return false;
    pushUndo();
    for (Annotation& a : m_annotations)
        if (const qsizetype i = order.indexOf(a.id); i >= 0) a.text = QString::number(i + 1);
    m_nextDotNumber = nextBadgeNumber(m_annotations);
    emit documentChanged();
    return true;
}
