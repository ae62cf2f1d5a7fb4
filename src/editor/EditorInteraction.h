#pragma once

#include "editor/ObjectManipulation.h"

#include <QImage>
#include <QRectF>
#include <QSet>
#include <QString>
#include <QUuid>

#include <functional>
#include <optional>

class EditorModel;

// The gesture engine: what pointer gestures, double-clicks and text entry do to the model, with no
// widget. The editor canvas turns events into these calls and draws the state kept here; tests
// drive it directly. Locations are in view points of the canvas; they are divided by `scale` and
// clamped to the image.
class EditorInteraction {
public:
    static constexpr double kDeadZone = 2;         // screen points before a select drag edits
    static constexpr double kDoubleClickReach = 8; // screen points
    static constexpr double kMarqueeSlack = 2;     // image pixels around each object's bounds
    static constexpr double kPastedImageShare = 0.6;

    explicit EditorInteraction(EditorModel& model) : m_model(model) {}

    double scale() const { return m_scale; }
    void setScale(double scale) { m_scale = scale > 0 ? scale : 1; }
    QPointF toImage(QPointF viewPoint) const;

    // One press-drag-release: change events from the press on (the first at the press itself),
    // then one end event. `shift` is the keyboard state at this moment.
    void dragChanged(QPointF startView, QPointF currentView, bool shift);
    void dragEnded(QPointF endView);
    // Escape during a drag: the gesture ends and leaves everything as it was before the press.
    void cancelDrag();
    // True between the first change event and the end event.
    bool isDragging() const { return m_dragging; }
    // Index of the annotation the current select drag edits in place, if any.
    std::optional<int> draggedIndex() const;

    void handleDoubleClick(QPointF viewPoint);

    // Text entry
    const std::optional<QPointF>& textPosition() const { return m_textPosition; }
    const QString& textDraft() const { return m_textDraft; }
    void setTextDraft(const QString& text) { m_textDraft = text; }
    bool isReeditingText() const { return m_textTemplate.has_value(); }
    // Ends the text entry: a text that is not blank is committed (a reopened one without a second
    // undo step, so the whole edit undoes as one).
    void commitPendingText();
    // The text object the entry would commit now (its text may be blank); absent when no entry is
    // open. The field shows the label with its colour and size.
    std::optional<Annotation> pendingText() const;
    // The objects as they would be with the text entry committed now, the model left as it is.
    QList<Annotation> annotationsWithPendingText() const;
    // Whether the entry holds typing that a commit would keep.
    bool hasPendingTyping() const;

    // Pastes clipboard objects, or else `clipboardImage` as a picture object. False when neither
    // was there.
    // `visibleArea`, in image pixels, is where pasted objects land when they would not be seen.
    bool pasteImage(const QImage& clipboardImage, std::optional<QRectF> visibleArea = std::nullopt);

    const std::optional<QRectF>& marqueeRect() const { return m_marqueeRect; }

    // Called when text entry opens or closes, and when it wants keyboard focus.
    std::function<void()> textEntryChanged;

private:
    void selectDrag(QPointF s, QPointF p, bool shift);
    void resetSelectDrag();
    void drawDrag(EditorTool tool, QPointF s, QPointF p, bool shift);
    void commitDraft();
    bool insertVertex(QPointF p, double tol);
    bool rectangleToPolygon(QPointF p, double tol);
    bool reopenText(QPointF p, double tol);
    void notifyTextEntry();

    EditorModel& m_model;
    double m_scale = 1;
    bool m_dragging = false;
    EditorTool m_gestureTool = EditorTool::select;
    // Whether the pointer has left the dead zone around the press: a click draws no line or box.
    bool m_leftDeadZone = false;

    // Select drags
    DragMode m_dragMode;
    bool m_dragStarted = false;
    bool m_didMutate = false;
    quint64 m_mutationGeneration = 0;
    std::optional<Annotation> m_originalAnnotation;
    bool m_marqueeEligible = false;
    QSet<QUuid> m_marqueeBase;
    QSet<QUuid> m_selectionAtStart;
    std::optional<QRectF> m_marqueeRect;

    // Text entry
    std::optional<QPointF> m_textPosition;
    QString m_textDraft;
    std::optional<Annotation> m_textTemplate;
    // Where a badge whose number is being edited goes back to.
    std::optional<int> m_labelIndex;
    quint64 m_labelGeneration = 0;
};
