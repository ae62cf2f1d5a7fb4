#pragma once

#include "model/AnnotationGeometry.h"

#include <QList>
#include <QPointF>

#include <optional>

class EditorModel;

// What a drag with the select tool does to the pressed annotation. View state only.
struct DragMode {
    enum class Kind { none, move, vertex, resize, rotate };
    Kind kind = Kind::none;
    int index = -1;  // into the model's annotations()
    int vertex = -1; // for vertex drags
    ResizeHandle handle = ResizeHandle::topLeft;

    static DragMode move(int i) { return {Kind::move, i}; }
    static DragMode vertexOf(int i, int k) { return {Kind::vertex, i, k}; }
    static DragMode resize(int i, ResizeHandle h) { return {Kind::resize, i, -1, h}; }
    static DragMode rotate(int i) { return {Kind::rotate, i}; }
    bool isNone() const { return kind == Kind::none; }
    bool operator==(const DragMode&) const = default;
};

// What lies under the pointer for the select tool and what dragging it does: the object hit (also
// for the context menu), its handles and rotation knob, the drag a press starts, the object as a
// drag leaves it, and its rotation as people read it. Points are image pixels; `scale` is view
// points per image pixel, so fixed on-screen distances divide by it.
namespace ObjectManipulation {

inline constexpr double kPickTolerance = 6; // screen points
inline constexpr double kGrabRadius = 10;   // handles, knob, vertices
inline constexpr double kKnobDistance = 24; // above the top edge
inline constexpr double kSnapRadius = 12;
inline constexpr double kMinResize = 8; // image pixels
inline constexpr double kBadgeSizeFactor = 0.125;
inline constexpr double kMinFontSize = 6;

QList<ResizeHandle> selectionHandles(const Annotation& a);
QPointF handlePosition(ResizeHandle handle, const QRectF& bounds);
// The rotation knob's centre in the annotation's object space.
QPointF knobPosition(const Annotation& a, double scale);

// The topmost annotation under the point, as an index into annotations().
std::optional<int> hitIndex(const EditorModel& model, QPointF point, double scale);
DragMode handleMode(const Annotation& a, int index, QPointF point, double scale);
// Decides the drag at a press; may change the selection. `marqueeEligible` tells whether the drag
// selects by rectangle.
DragMode dragModeAt(EditorModel& model, QPointF point, double scale, bool shift, bool* marqueeEligible);
// `a` as the drag from `start` to `current` leaves it; may set the model's snap indicator.
Annotation transformed(EditorModel& model, const Annotation& a, const DragMode& mode, QPointF start,
                       QPointF current, double scale);

// The rotation of an annotation as the toolbar shows it: degrees in [-180, 180], one decimal; 0 for
// an index that names no annotation.
double rotationDegrees(const EditorModel& model, int index);

} // namespace ObjectManipulation
