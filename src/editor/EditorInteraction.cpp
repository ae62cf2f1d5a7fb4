#include "editor/EditorInteraction.h"

#include "editor/EditorModel.h"

#include <cmath>

namespace Geo = AnnotationGeometry;

namespace {

QRectF spanned(QPointF a, QPointF b) {
    return QRectF(std::min(a.x(), b.x()), std::min(a.y(), b.y()), std::abs(b.x() - a.x()),
                  std::abs(b.y() - a.y()));
}

// Shift while drawing: rectangles and ellipses stay square, lines turn in 45 degree steps.
QPointF constrained(EditorTool tool, QPointF anchor, QPointF p) {
    const QPointF d = p - anchor;
    if (tool == EditorTool::rect || tool == EditorTool::ellipse) {
        const double side = std::max(std::abs(d.x()), std::abs(d.y()));
        return anchor + QPointF(d.x() < 0 ? -side : side, d.y() < 0 ? -side : side);
    }
    if (tool == EditorTool::line || tool == EditorTool::arrow) {
        const double length = std::hypot(d.x(), d.y());
        if (length == 0) return p;
        const double stepRadians = M_PI / 4;
        const double angleRadians = std::round(std::atan2(d.y(), d.x()) / stepRadians) * stepRadians;
        return anchor + QPointF(length * std::cos(angleRadians), length * std::sin(angleRadians));
    }
    return p;
}

// Closed-rectangle intersection: touching edges and zero-size rectangles inside count.
bool intersects(const QRectF& a, const QRectF& b) {
    return a.left() <= b.right() && b.left() <= a.right() && a.top() <= b.bottom() && b.top() <= a.bottom();
}

} // namespace

QPointF EditorInteraction::toImage(QPointF v) const {
    const QSizeF size = m_model.imageSize();
    return QPointF(std::clamp(v.x() / m_scale, 0.0, size.width()),
                   std::clamp(v.y() / m_scale, 0.0, size.height()));
}

std::optional<int> EditorInteraction::draggedIndex() const {
    if (!m_dragging || !m_didMutate || m_dragMode.isNone()) return std::nullopt;
    return m_dragMode.index;
}

void EditorInteraction::dragChanged(QPointF startView, QPointF currentView, bool shift) {
    // The tool is taken at the press: a tool change in the middle (a paste, a menu) must not leave
    // a draft or a select drag half finished.
    if (!m_dragging) {
        m_gestureTool = m_model.tool();
        m_leftDeadZone = false;
    }
    m_dragging = true;
    const QPointF moved = currentView - startView;
    if (std::abs(moved.x()) > kDeadZone || std::abs(moved.y()) > kDeadZone) m_leftDeadZone = true;
    const QPointF s = toImage(startView), p = toImage(currentView);
    switch (m_gestureTool) {
    case EditorTool::select:
        selectDrag(s, p, shift);
        return;
    case EditorTool::text:
        return; // the text field opens at the release
    case EditorTool::pen:
    case EditorTool::highlighter:
    case EditorTool::line:
    case EditorTool::arrow:
    case EditorTool::rect:
    case EditorTool::ellipse:
    case EditorTool::stamp:
    case EditorTool::dot:
    case EditorTool::check:
    case EditorTool::blur:
    case EditorTool::redact:
    case EditorTool::crop:
    case EditorTool::polygon:
    case EditorTool::image:
        drawDrag(m_gestureTool, s, p, shift);
        return;
    }
}

// Builds the draft of a drawing gesture: the family of the tool says how its points follow the
// pointer.
void EditorInteraction::drawDrag(EditorTool tool, QPointF s, QPointF p, bool shift) {
    const ToolFamily family = EditorTools::traits(tool).family;
    if (family == ToolFamily::stroke) {
        Annotation draft = m_model.draft() ? *m_model.draft() : m_model.newAnnotation(s);
        draft.points.append(p);
        m_model.setDraft(draft);
        return;
    }
    if (family == ToolFamily::badge) {
        Annotation draft;
        if (m_model.draft()) {
            draft = *m_model.draft();
        } else {
            draft = m_model.newAnnotation(p);
            draft.hollow = draft.labelOutside = m_model.dotStyle() == DotStyle::hollow;
            draft.showName = tool == EditorTool::stamp && m_model.stampShowName();
            if (tool == EditorTool::check) draft.text = QStringLiteral("✓");
            if (tool == EditorTool::stamp) draft.stamp = m_model.stampType();
            if (draft.isNumberBadge()) draft.text = QString::number(m_model.nextDotNumber());
        }
        draft.points = {p};
        m_model.setDraft(draft);
        return;
    }
    // Everything else is drawn from its first to its last point: lines, boxes, the crop frame.
    const double snapRadius = ObjectManipulation::kSnapRadius / m_scale;
    const bool snaps = tool == EditorTool::line || tool == EditorTool::arrow;
    Annotation draft;
    if (m_model.draft()) {
        draft = *m_model.draft();
    } else {
        const QPointF anchor = snaps ? m_model.snapPoint(s, std::nullopt, snapRadius).value_or(s) : s;
        draft = m_model.newAnnotation(anchor);
        if (EditorTools::traits(tool).options & ToolOption::fill) draft.filled = m_model.shapeFilled();
    }
    QPointF end = p;
    if (shift) {
        // The constraint wins over snapping; the end may leave the picture along the constraint.
        end = constrained(tool, draft.points.first(), p);
        m_model.setSnapIndicator(std::nullopt);
    } else if (snaps) {
        const std::optional<QPointF> snapped = m_model.snapPoint(p, std::nullopt, snapRadius);
        m_model.setSnapIndicator(snapped);
        if (snapped) end = *snapped;
    }
    draft.points = {draft.points.first(), end};
    m_model.setDraft(draft);
}

void EditorInteraction::selectDrag(QPointF s, QPointF p, bool shift) {
    if (!m_dragStarted) {
        m_dragStarted = true;
        m_selectionAtStart = m_model.selectedIDs();
        m_dragMode = ObjectManipulation::dragModeAt(m_model, s, m_scale, shift, &m_marqueeEligible);
        const QList<Annotation>& list = m_model.annotations();
        m_originalAnnotation.reset();
        if (!m_dragMode.isNone() && m_dragMode.index >= 0 && m_dragMode.index < list.size())
            m_originalAnnotation = list[m_dragMode.index];
        if (m_marqueeEligible) m_marqueeBase = shift ? m_model.selectedIDs() : QSet<QUuid>{};
    }
    if (m_marqueeEligible) {
        const QRectF marquee = spanned(s, p);
        m_marqueeRect = marquee;
        QSet<QUuid> ids = m_marqueeBase;
        for (const Annotation& a : m_model.annotations())
            if (intersects(
                    Geo::bounds(a).adjusted(-kMarqueeSlack, -kMarqueeSlack, kMarqueeSlack, kMarqueeSlack),
                    marquee))
                ids.insert(a.id);
        m_model.setSelectedIDs(ids);
        return;
    }
    if (!m_originalAnnotation) return;
    // Find the object by id: an undo in the middle of a drag may have changed the list.
    const QList<Annotation>& list = m_model.annotations();
    int i = m_dragMode.index;
    if (i < 0 || i >= list.size() || list[i].id != m_originalAnnotation->id) {
        i = -1;
        for (qsizetype k = 0; k < list.size(); ++k)
            if (list[k].id == m_originalAnnotation->id) i = int(k);
        if (i < 0) return;
        m_dragMode.index = i;
    }
    if (!m_didMutate) {
        const double dead = kDeadZone / m_scale;
        if (std::abs(p.x() - s.x()) <= dead && std::abs(p.y() - s.y()) <= dead) return;
        m_mutationGeneration = m_model.beginInPlaceEdit();
        m_didMutate = true;
    } else if (m_model.historyGeneration() != m_mutationGeneration) {
        // An undo (or any other edit) happened under the drag: its step is gone, so it ends here.
        m_originalAnnotation.reset();
        m_dragMode = {};
        return;
    }
    m_model.setAnnotation(i,
                          ObjectManipulation::transformed(m_model, *m_originalAnnotation, m_dragMode, s, p, m_scale));
}

void EditorInteraction::resetSelectDrag() {
    m_dragStarted = false;
    m_didMutate = false;
    m_dragMode = {};
    m_originalAnnotation.reset();
    m_marqueeEligible = false;
    m_marqueeRect.reset();
    m_marqueeBase.clear();
    m_model.setSnapIndicator(std::nullopt);
}

void EditorInteraction::dragEnded(QPointF endView) {
    m_dragging = false;
    switch (m_gestureTool) {
    case EditorTool::select:
        resetSelectDrag();
        return;
    case EditorTool::crop:
        if (const auto& draft = m_model.draft()) {
            const QRectF r = draft->rect();
            if (r.width() > 3 && r.height() > 3) m_model.applyCrop(r);
        }
        m_model.setDraft(std::nullopt);
        return;
    case EditorTool::text:
        commitPendingText();
        m_textPosition = toImage(endView);
        m_textDraft.clear();
        notifyTextEntry();
        return;
    case EditorTool::pen:
    case EditorTool::highlighter:
    case EditorTool::line:
    case EditorTool::arrow:
    case EditorTool::rect:
    case EditorTool::ellipse:
    case EditorTool::stamp:
    case EditorTool::dot:
    case EditorTool::check:
    case EditorTool::blur:
    case EditorTool::redact:
    case EditorTool::polygon:
    case EditorTool::image:
        commitDraft();
        return;
    }
}

void EditorInteraction::commitDraft() {
    const ToolFamily family = EditorTools::traits(m_gestureTool).family;
    // A click meant to select must not leave a line or box nobody can see.
    const bool drawnByDragging =
        family == ToolFamily::twoPoint || family == ToolFamily::box || family == ToolFamily::picture;
    if (drawnByDragging && !m_leftDeadZone) m_model.setDraft(std::nullopt);
    if (const std::optional<Annotation> draft = m_model.draft()) {
        m_model.commit(*draft, true);
        if (draft->isNumberBadge()) m_model.advanceBadgeNumber();
    }
    m_model.setDraft(std::nullopt);
    m_model.setSnapIndicator(std::nullopt);
}

void EditorInteraction::cancelDrag() {
    if (!m_dragging) return;
    m_dragging = false;
    if (m_gestureTool == EditorTool::select) {
        if (m_didMutate && m_originalAnnotation && m_model.historyGeneration() == m_mutationGeneration)
            m_model.revertToLastStep();
        if (m_marqueeEligible) m_model.setSelectedIDs(m_selectionAtStart);
        resetSelectDrag();
        return;
    }
    m_model.setDraft(std::nullopt);
    m_model.setSnapIndicator(std::nullopt);
}

void EditorInteraction::handleDoubleClick(QPointF viewPoint) {
    if (m_model.tool() != EditorTool::select) return;
    const QPointF p = toImage(viewPoint);
    const double tol = kDoubleClickReach / m_scale;
    if (insertVertex(p, tol) || rectangleToPolygon(p, tol)) return;
    reopenText(p, tol);
}

bool EditorInteraction::insertVertex(QPointF p, double tol) {
    const QList<Annotation>& list = m_model.annotations();
    for (qsizetype i = list.size() - 1; i >= 0; --i) {
        const Annotation& a = list[i];
        if (!EditorTools::isVertexEditable(a.tool) && a.tool != EditorTool::image) continue;
        const auto n = Geo::nearestSegmentPoint(a, Geo::toObjectSpace(p, a));
        if (!n || n->distance > tol + a.width / 2) continue;
        return m_model.insertVertex(int(i), n->segmentIndex, n->point);
    }
    return false;
}

bool EditorInteraction::rectangleToPolygon(QPointF p, double tol) {
    const QList<Annotation>& list = m_model.annotations();
    for (qsizetype i = list.size() - 1; i >= 0; --i) {
        const Annotation& a = list[i];
        if (a.tool != EditorTool::rect || !Geo::hitTest(a, p, tol)) continue;
        return m_model.convertToPolygon(int(i), p, tol);
    }
    return false;
}

bool EditorInteraction::reopenText(QPointF p, double tol) {
    for (qsizetype i = m_model.annotations().size() - 1; i >= 0; --i) {
        const Annotation& hit = m_model.annotations()[i];
        if ((hit.tool != EditorTool::text && !hit.isNumberBadge()) || !Geo::hitTest(hit, p, tol)) continue;
        // A text being edited goes back first, or it would be lost with its edit.
        if (m_textPosition) {
            const QUuid target = hit.id;
            commitPendingText();
            for (i = m_model.annotations().size() - 1; i >= 0 && m_model.annotations()[i].id != target; --i) {
            }
            if (i < 0) return false;
        }
        const std::optional<Annotation> a = m_model.takeTextForEditing(int(i));
        if (!a) return false;
        m_textTemplate = a;
        m_textDraft = a->text;
        if (a->isNumberBadge()) {
            // A badge's number is edited where the badge is, and the badge keeps its place.
            m_labelIndex = int(i);
            m_labelGeneration = m_model.historyGeneration();
            m_textPosition = Geo::bounds(*a).topLeft();
        } else {
            m_labelIndex.reset();
            m_textPosition = a->points.isEmpty() ? QPointF() : a->points.first();
        }
        notifyTextEntry();
        return true;
    }
    return false;
}

std::optional<Annotation> EditorInteraction::pendingText() const {
    if (!m_textPosition) return std::nullopt;
    if (m_textTemplate) {
        Annotation edited = *m_textTemplate;
        edited.text = m_textDraft;
        if (!edited.isNumberBadge()) edited.points = {*m_textPosition};
        return edited;
    }
    Annotation text = m_model.newAnnotation(*m_textPosition);
    text.tool = EditorTool::text;
    text.width = 1;
    text.text = m_textDraft;
    text.fontSize = std::max(m_model.strokeWidth() * 3, 14.0);
    text.headScale = 1.5;
    return text;
}

QList<Annotation> EditorInteraction::annotationsWithPendingText() const {
    QList<Annotation> list = m_model.annotations();
    const std::optional<Annotation> label = pendingText();
    if (!label) return list;
    const bool blank = m_textDraft.trimmed().isEmpty();
    if (m_textTemplate && m_labelIndex) {
        // A badge being renumbered is out of the list: it goes back where it was.
        Annotation badge = blank ? *m_textTemplate : *label;
        if (!blank) badge.text = m_textDraft.trimmed();
        list.insert(std::clamp<qsizetype>(*m_labelIndex, 0, list.size()), badge);
    } else if (!blank) {
        list.append(*label);
    } else if (m_textTemplate) {
        // A text emptied while retyped is out of the list until the entry ends: as it was.
        list.append(*m_textTemplate);
    }
    return list;
}

bool EditorInteraction::hasPendingTyping() const {
    return m_textPosition.has_value() && !m_textDraft.trimmed().isEmpty();
}

void EditorInteraction::commitPendingText() {
    const std::optional<Annotation> label = pendingText();
    const bool blank = m_textDraft.trimmed().isEmpty();
    if (label && m_textTemplate && m_labelIndex) {
        // A badge: its new number in its old place; a blank or unchanged number leaves no step.
        if (blank || m_textDraft.trimmed() == m_textTemplate->text) {
            if (m_model.historyGeneration() == m_labelGeneration)
                m_model.revertToLastStep();
            else // something else was recorded meanwhile: only the badge goes back
                m_model.putBack(*m_labelIndex, *m_textTemplate);
        } else {
            Annotation badge = *label;
            badge.text = m_textDraft.trimmed();
            m_model.putBack(*m_labelIndex, badge);
        }
    } else if (label && !blank) {
        m_model.commit(*label, !m_textTemplate.has_value());
    }
    const bool wasOpen = m_textPosition.has_value();
    m_textPosition.reset();
    m_textDraft.clear();
    m_textTemplate.reset();
    m_labelIndex.reset();
    if (wasOpen) notifyTextEntry();
}

bool EditorInteraction::pasteImage(const QImage& clipboardImage, std::optional<QRectF> visibleArea) {
    if (m_model.pasteObjectsFromPasteboard(visibleArea)) return true;
    if (clipboardImage.isNull() || clipboardImage.width() == 0 || clipboardImage.height() == 0) return false;
    const QSizeF canvas = m_model.imageSize();
    const double w = clipboardImage.width(), h = clipboardImage.height();
    const double s =
        std::min({kPastedImageShare * canvas.width() / w, kPastedImageShare * canvas.height() / h, 1.0});
    const QRectF frame((canvas.width() - s * w) / 2, (canvas.height() - s * h) / 2, s * w, s * h);
    Annotation picture = m_model.newAnnotation(frame.topLeft());
    picture.tool = EditorTool::image;
    picture.points = {frame.topLeft(), frame.topRight(), frame.bottomRight(), frame.bottomLeft()};
    picture.width = 2;
    picture.headScale = 1.5;
    picture.image = clipboardImage;
    picture.imageFrame = frame;
    if (!m_model.addPicture(picture)) return true; // refused, and the user was told why
    m_model.setTool(EditorTool::select);
    m_model.setSelectedID(picture.id);
    return true;
}

void EditorInteraction::notifyTextEntry() {
    if (textEntryChanged) textEntryChanged();
}
