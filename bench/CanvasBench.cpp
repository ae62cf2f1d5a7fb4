#include "BenchImages.h"
#include "app/EditorWindowController.h"
#include "ui/editor/EditorToolbar.h"
#include "editor/EditorModel.h"
#include "ui/editor/CanvasArea.h"
#include "ui/editor/EditorView.h"

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QMouseEvent>
#include <QPainter>
#include <QRandomGenerator>
#include <QScrollBar>

namespace {

// 300 objects spread over a 5K capture.
QList<Annotation> threeHundred() {
    QList<Annotation> list = BenchImages::mixedAnnotations();
    QList<Annotation> more = BenchImages::mixedAnnotations(0);
    for (qsizetype i = 0; i < 100; ++i) {
        Annotation a = more[67 + i % 133];
        a.id = QUuid::createUuid();
        for (QPointF& p : a.points)
            p += QPointF(37, 23);
        list.append(a);
    }
    return list;
}

// A 1600 x 1000 viewport over the middle of a 5K capture at zoom 1, painting into a backing image
// the way the window system's backing store is painted.
struct Viewport {
    EditorModel model;
    EditorView* view;
    CanvasArea area;
    QRect visible;
    QImage backing;

    explicit Viewport(const QList<Annotation>& annotations)
        : model(BenchImages::screenshot5K(1), annotations), view(new EditorView(model)), area(view) {
        area.resize(1600, 1000);
        area.show();
        QApplication::processEvents();
        area.horizontalScrollBar()->setValue(2000);
        area.verticalScrollBar()->setValue(1000);
        QApplication::processEvents();
        visible = view->visibleRegion().boundingRect();
        backing = QImage(visible.size(), QImage::Format_ARGB32_Premultiplied);
    }

    void repaint() {
        QPainter painter(&backing);
        painter.translate(-visible.topLeft());
        view->paintCanvas(painter, visible);
    }
};

void sendMouse(QWidget* w, QEvent::Type type, QPointF p, Qt::MouseButtons buttons) {
    QMouseEvent e(type, p, w->mapToGlobal(p), type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton,
                  buttons, Qt::NoModifier);
    QApplication::sendEvent(w, &e);
}

// One pointer move of a drag that moves an object, then the repaint of the visible canvas, on a
// 5K capture with 300 objects at zoom 1 in a 1600 x 1000 viewport.
void BM_CanvasRepaint5K(benchmark::State& state) {
    QList<Annotation> list = threeHundred();
    // The dragged object: a rectangle in the middle of the viewport.
    Annotation target;
    target.tool = EditorTool::rect;
    target.points = {QPointF(2700, 1500), QPointF(3000, 1700)};
    target.width = 6;
    list.insert(150, target);
    Viewport v(list);
    v.model.setTool(EditorTool::select);
    EditorView* view = v.view;
    QPointF at(2700, 1600);
    sendMouse(view, QEvent::MouseButtonPress, at, Qt::LeftButton);
    // Past the dead zone before timing: the drag is moving the object from the first iteration.
    at += QPointF(5, 5);
    sendMouse(view, QEvent::MouseMove, at, Qt::LeftButton);
    int step = 0;
    for (auto _ : state) {
        // Back and forth, so the object stays in view with its handles.
        at += step++ % 2 ? QPointF(3, 2) : QPointF(-3, -2);
        sendMouse(view, QEvent::MouseMove, at, Qt::LeftButton);
        v.repaint();
    }
    sendMouse(view, QEvent::MouseButtonRelease, at, Qt::NoButton);
    state.counters["viewport_px"] = double(v.visible.width()) * v.visible.height();
    // The drag must really have moved the object, or the figure means nothing.
    if (v.model.annotations()[150].points[0] == target.points[0])
        state.SkipWithError("the drag moved nothing");
    if (!qEnvironmentVariableIsEmpty("PICTAVO_BENCH_FRAME"))
        v.backing.save(qEnvironmentVariable("PICTAVO_BENCH_FRAME"));
}
BENCHMARK(BM_CanvasRepaint5K)->Unit(benchmark::kMillisecond)->UseRealTime();

// A repaint of the whole viewport outside a drag (after scrolling or an edit): no cached layers.
void BM_CanvasFullRepaint5K(benchmark::State& state) {
    Viewport v(threeHundred());
    for (auto _ : state)
        v.repaint();
}
BENCHMARK(BM_CanvasFullRepaint5K)->Unit(benchmark::kMillisecond)->UseRealTime();

// The same drag in a whole editor window: the toolbar follows the selection on every move (its
// controls, colour and width observers, undo state), then the canvas repaints.
void BM_CanvasRepaint5KWithToolbar(benchmark::State& state) {
    QList<Annotation> list = threeHundred();
    Annotation target;
    target.tool = EditorTool::rect;
    target.points = {QPointF(2700, 1500), QPointF(3000, 1700)};
    target.width = 6;
    list.insert(150, target);
    EditorWindowController* window = EditorWindowController::show(BenchImages::screenshot5K(1), list);
    window->resize(1640, 1100);
    QApplication::processEvents();
    EditorView* view = window->view();
    view->actualSize();
    window->canvasArea()->horizontalScrollBar()->setValue(2000);
    window->canvasArea()->verticalScrollBar()->setValue(1000);
    QApplication::processEvents();
    const QRect visible = view->visibleRegion().boundingRect();
    QImage backing(visible.size(), QImage::Format_ARGB32_Premultiplied);
    window->model().setTool(EditorTool::select);
    QPointF at(2700, 1600);
    sendMouse(view, QEvent::MouseButtonPress, at, Qt::LeftButton);
    at += QPointF(5, 5);
    sendMouse(view, QEvent::MouseMove, at, Qt::LeftButton);
    int step = 0;
    for (auto _ : state) {
        at += step++ % 2 ? QPointF(3, 2) : QPointF(-3, -2);
        sendMouse(view, QEvent::MouseMove, at, Qt::LeftButton);
        QPainter painter(&backing);
        painter.translate(-visible.topLeft());
        view->paintCanvas(painter, visible);
    }
    sendMouse(view, QEvent::MouseButtonRelease, at, Qt::NoButton);
    state.counters["viewport_px"] = double(visible.width()) * visible.height();
    if (window->model().annotations()[150].points[0] == target.points[0])
        state.SkipWithError("the drag moved nothing");
    if (!window->toolbar()->isVisible()) state.SkipWithError("no toolbar");
    window->model().markSaved();
    window->close();
    QApplication::processEvents();
}
BENCHMARK(BM_CanvasRepaint5KWithToolbar)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace
