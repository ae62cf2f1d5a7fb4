#include "BenchImages.h"
#include "app/EditorWindowController.h"
#include "ui/editor/EditorToolbar.h"
#include "editor/EditorModel.h"
#include "ui/editor/CanvasArea.h"
#include "ui/editor/EditorView.h"
#include "ui/capture/SelectionOverlay.h"

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QMouseEvent>
#include <QPainter>
#include <QRandomGenerator>
#include <QScrollBar>

#include <functional>

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

// The 300 objects with the dragged one, a rectangle in the middle of the viewport, at index 150.
const Annotation& dragTarget() {
    static const Annotation target = [] {
        Annotation a;
        a.tool = EditorTool::rect;
        a.points = {QPointF(2700, 1500), QPointF(3000, 1700)};
        a.width = 6;
        return a;
    }();
    return target;
}
QList<Annotation> withDragTarget() {
    QList<Annotation> list = threeHundred();
    list.insert(150, dragTarget());
    return list;
}

// Moves the target back and forth (so it stays in view with its handles), one pointer move and one
// repaint per iteration, and checks the drag really moved it, or the figure means nothing.
void dragAndRepaint(benchmark::State& state, EditorModel& model, EditorView* view, const QRect& visible,
                    const std::function<void()>& repaint) {
    model.setTool(EditorTool::select);
    QPointF at(2700, 1600);
    sendMouse(view, QEvent::MouseButtonPress, at, Qt::LeftButton);
    // Past the dead zone before timing: the drag is moving the object from the first iteration.
    at += QPointF(5, 5);
    sendMouse(view, QEvent::MouseMove, at, Qt::LeftButton);
    int step = 0;
    for (auto _ : state) {
        at += step++ % 2 ? QPointF(3, 2) : QPointF(-3, -2);
        sendMouse(view, QEvent::MouseMove, at, Qt::LeftButton);
        repaint();
    }
    sendMouse(view, QEvent::MouseButtonRelease, at, Qt::NoButton);
    state.counters["viewport_px"] = double(visible.width()) * visible.height();
    if (model.annotations()[150].points[0] == dragTarget().points[0]) state.SkipWithError("the drag moved nothing");
}

// One pointer move of a drag that moves an object, then the repaint of the visible canvas, on a
// 5K capture with 300 objects at zoom 1 in a 1600 x 1000 viewport.
void BM_CanvasRepaint5K(benchmark::State& state) {
    Viewport v(withDragTarget());
    dragAndRepaint(state, v.model, v.view, v.visible, [&] { v.repaint(); });
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
    EditorWindowController* window = EditorWindowController::show(BenchImages::screenshot5K(1), withDragTarget());
    window->resize(1640, 1100);
    QApplication::processEvents();
    // The same 1600 x 1000 viewport as BM_CanvasRepaint5K, so the two differ only by the window.
    window->resize(window->size() + QSize(1600, 1000) - window->canvasArea()->viewport()->size());
    QApplication::processEvents();
    EditorView* view = window->view();
    view->actualSize();
    window->canvasArea()->horizontalScrollBar()->setValue(2000);
    window->canvasArea()->verticalScrollBar()->setValue(1000);
    QApplication::processEvents();
    const QRect visible = view->visibleRegion().boundingRect();
    QImage backing(visible.size(), QImage::Format_ARGB32_Premultiplied);
    dragAndRepaint(state, window->model(), view, visible, [&] {
        QPainter painter(&backing);
        painter.translate(-visible.topLeft());
        view->paintCanvas(painter, visible);
    });
    if (!window->toolbar()->isVisible()) state.SkipWithError("no toolbar");
    window->model().markSaved();
    window->close();
    QApplication::processEvents();
}
BENCHMARK(BM_CanvasRepaint5KWithToolbar)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace

// The region overlay on a 5K screen as the pointer moves over it: a move and the repaint it asks
// for (the frozen screen dimmed, the crosshair, the hint and the magnifier).
void BM_SelectionOverlayMove5K(benchmark::State& state) {
    QImage frozen = BenchImages::screenshot5K(2);
    SelectionOverlayWindow window(QGuiApplication::primaryScreen(), frozen, [](std::optional<SelectionOverlayWindow::Result>) {});
    window.setGeometry(0, 0, frozen.width(), frozen.height());
    window.view()->resize(frozen.size());
    SelectionOverlayView* view = window.view();
    QEnterEvent enter(QPointF(10, 10), QPointF(10, 10), QPointF(10, 10));
    QApplication::sendEvent(view, &enter);
    QImage target(frozen.size(), QImage::Format_ARGB32_Premultiplied);
    int step = 0;
    for (auto _ : state) {
        const QPointF p(1000 + (step % 200) * 7, 800 + (step % 150) * 5);
        ++step;
        QMouseEvent move(QEvent::MouseMove, p, p, Qt::NoButton, Qt::NoButton, Qt::NoModifier);
        QApplication::sendEvent(view, &move);
        view->render(&target);
        benchmark::DoNotOptimize(target.constBits());
    }
}
BENCHMARK(BM_SelectionOverlayMove5K)->Unit(benchmark::kMillisecond)->UseRealTime();

// A drag across two 2560 x 1440 screens sharing one selection: each move repaints both overlays.
void BM_SelectionOverlayDragAcrossScreens(benchmark::State& state) {
    const QImage frozen = BenchImages::screenshot5K(2).copy(0, 0, 2560, 1440);
    SelectionGroup group(QRectF(0, 0, 5120, 1440));
    auto none = [](std::optional<SelectionOverlayWindow::Result>) {};
    SelectionOverlayWindow left(QGuiApplication::primaryScreen(), frozen, none);
    SelectionOverlayWindow right(QGuiApplication::primaryScreen(), frozen, none);
    left.setGeometry(0, 0, 2560, 1440);
    right.setGeometry(2560, 0, 2560, 1440);
    for (SelectionOverlayWindow* window : {&left, &right}) {
        window->view()->resize(2560, 1440);
        window->view()->setGroup(&group);
    }
    QImage target(2560, 1440, QImage::Format_ARGB32_Premultiplied);
    QMouseEvent press(QEvent::MouseButtonPress, QPointF(2000, 300), QPointF(2000, 300), Qt::LeftButton, Qt::LeftButton,
                      Qt::NoModifier);
    QApplication::sendEvent(left.view(), &press);
    int step = 0;
    for (auto _ : state) {
        const QPointF p(2400 + (step % 200) * 5, 500 + (step % 150) * 3);
        ++step;
        QMouseEvent move(QEvent::MouseMove, p, p, Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(left.view(), &move);
        left.view()->render(&target);
        right.view()->render(&target);
        benchmark::DoNotOptimize(target.constBits());
    }
}
BENCHMARK(BM_SelectionOverlayDragAcrossScreens)->Unit(benchmark::kMillisecond)->UseRealTime();

#include "app/RecoveryJournal.h"

#include <QTemporaryDir>

namespace {

// What the event loop pays for one recovery journal write of a 5K capture with 300 objects and
// text being typed: the copy handed to the writer thread, not the encoding there.
void BM_JournalWriteOnUiThread(benchmark::State& state) {
    QTemporaryDir dir;
    RecoveryJournal journal(dir.filePath(QStringLiteral("recovery")));
    auto* editor = new EditorWindowController(std::make_unique<EditorModel>(BenchImages::screenshot5K(3), threeHundred()));
    journal.watch(editor);
    editor->model().markUnsaved();
    for (auto _ : state) {
        journal.writeEntry(editor);
        state.PauseTiming();
        journal.waitForWrites();
        editor->model().nudgeSelection(QPointF(1, 0));
        state.ResumeTiming();
    }
    journal.waitForWrites();
    delete editor;
}
BENCHMARK(BM_JournalWriteOnUiThread)->Unit(benchmark::kMillisecond)->Iterations(20);

// The writer thread's side for the same editor after the first write: the picture's PNG is kept,
// the objects are encoded and both files written and synced.
void BM_JournalWriteOnWorker(benchmark::State& state) {
    QTemporaryDir dir;
    RecoveryJournal journal(dir.filePath(QStringLiteral("recovery")));
    auto* editor = new EditorWindowController(std::make_unique<EditorModel>(BenchImages::screenshot5K(3), threeHundred()));
    journal.watch(editor);
    editor->model().markUnsaved();
    journal.writeEntry(editor);
    journal.waitForWrites();
    for (auto _ : state) {
        journal.writeEntry(editor);
        journal.waitForWrites();
    }
    delete editor;
}
BENCHMARK(BM_JournalWriteOnWorker)->Unit(benchmark::kMillisecond)->Iterations(10)->UseRealTime();

} // namespace

namespace {

// The writer thread's side when the picture changed (a crop, a flattening): the 5K PNG again.
void BM_JournalWriteNewPicture(benchmark::State& state) {
    QTemporaryDir dir;
    RecoveryJournal journal(dir.filePath(QStringLiteral("recovery")));
    auto* editor = new EditorWindowController(std::make_unique<EditorModel>(BenchImages::screenshot5K(3), threeHundred()));
    journal.watch(editor);
    for (auto _ : state) {
        state.PauseTiming();
        editor->model().applyCrop(QRectF(QPointF(0, 0), editor->model().imageSize() - QSizeF(1, 1)));
        state.ResumeTiming();
        journal.writeEntry(editor);
        journal.waitForWrites();
    }
    delete editor;
}
BENCHMARK(BM_JournalWriteNewPicture)->Unit(benchmark::kMillisecond)->Iterations(5)->UseRealTime();

} // namespace
