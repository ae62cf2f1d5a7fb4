#pragma once

#include "editor/EditorInteraction.h"

#include <QImage>
#include <QPointer>
#include <QSet>
#include <QUuid>
#include <QWidget>

#include <optional>

class EditorModel;
class TextEntryField;

// The editor canvas: shows the model at the current zoom with the draft, selection handles,
// rotation knob, marquee and snap indicator, and hands pointer events to the gesture engine. Keys
// are the window's actions (EditorActions), not the canvas's. Its size is the image size times
// `scale` view points.
class EditorView : public QWidget {
    Q_OBJECT

public:
    static constexpr double kMinZoom = 0.25;
    static constexpr double kMaxZoom = 8;
    static constexpr double kZoomStep = 1.25;

    explicit EditorView(EditorModel& model, QWidget* parent = nullptr);
    ~EditorView() override;

    EditorModel& model() { return m_model; }
    EditorInteraction& interaction() { return m_interaction; }

    double zoom() const { return m_zoom; }
    void setZoom(double zoom);
    void zoomIn() { setZoom(std::min(m_zoom * kZoomStep, kMaxZoom)); }
    void zoomOut() { setZoom(std::max(m_zoom / kZoomStep, kMinZoom)); }
    void actualSize() { setZoom(1); }
    // View points per image pixel: the zoom over the display's device pixel ratio (at least 1).
    double scale() const;

    QSize sizeHint() const override;
    // Escape during a press-drag: the gesture ends with nothing changed; the rest of the press
    // is ignored.
    void cancelDrag();
    // How many objects the drawing budget leaves out of the canvas.
    qsizetype undrawnCount() const { return m_beyondBudget.size(); }
    TextEntryField* textField() const;
    // The widget the text entry field lies on, so that the picture's edges never clip it: the
    // scroll area's viewport when there is one, else the canvas itself.
    void setTextFieldHost(QWidget* host);
    // Puts the field at its text's place, moved as little as needed to lie wholly inside its host.
    void placeTextField();
    // Asks for the caret's place to be scrolled into view, then places the field.
    void revealTextCaret();

    // The part of the image in view, in image pixels (empty while the canvas is not shown).
    QRectF visibleImageRect() const;

    // Paints the canvas region into `painter` (the widget's own paint path; benchmarks call it).
    void paintCanvas(QPainter& painter, const QRect& dirty);

signals:
    void zoomChanged(double zoom);
    // Text entry opened or closed.
    void textEntryChanged();
    // The text being typed changed.
    void textTyped();
    // The caret of the text entry field moved; `caret` is where it would lie on the canvas with
    // the field at its text's place, so the scroll area can bring that place into view.
    void textCaretMoved(QRect caret);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    void modelChanged();
    void updateGeometryForScale();
    void syncTextField();
    // The field shows the label as it will be committed: its colour, weight and size at the zoom.
    void styleTextField();
    // The text's place on the canvas, where the field's top-left corner belongs.
    QPoint textAnchor() const;
    void beginPress(QPointF position, Qt::KeyboardModifiers modifiers);
    void releaseFocusFromFields();

    // Layers
    void paintBackdrop(QPainter& painter, const QRect& dirty);
    // Which annotations of the drawing order to paint, relative to the one being changed.
    enum class Layers { all, belowSkip, aboveSkip };
    void paintAnnotations(QPainter& painter, const QRect& dirty, const std::optional<QUuid>& skip,
                          Layers which);
    // Where an annotation can paint on the canvas, in view points.
    QRect paintedReach(const Annotation& a) const;
    void paintDraft(QPainter& painter);
    void paintSelectionOverlay(QPainter& painter);
    void paintMarquee(QPainter& painter);
    const QImage& displayedBase();

    // Cached layers while a drag runs: the scene without the object being changed, and what lies
    // below that object.
    struct LayerCache {
        QRect rect; // in view points
        double scale = 0;
        qint64 baseKey = 0;
        quint64 history = 0; // the model's history generation: any other edit moves it
        std::optional<QUuid> skip;
        QImage scene;
        QImage below;
        bool valid() const { return !scene.isNull(); }
    };
    void ensureLayerCache(const QRect& visible, const std::optional<QUuid>& skip);
    std::optional<QUuid> changingObject() const;

    EditorModel& m_model;
    EditorInteraction m_interaction;
    double m_zoom = 1;
    QPointer<TextEntryField> m_textField;
    QPointer<QWidget> m_textFieldHost;

    bool m_pressed = false;
    QPointF m_pressPosition;
    bool m_doubleClickPending = false;
    QPointF m_doubleClickPosition;

    LayerCache m_cache;
    // Objects the drawing budget leaves out; kept through a drag, so the scene does not change
    // under the pointer.
    QSet<QUuid> m_beyondBudget;
    // A smoothly reduced copy of the base image for zoomed-out views.
    QImage m_scaledBase;
    qint64 m_scaledBaseKey = 0;
    double m_scaledBaseFactor = 0;
};
