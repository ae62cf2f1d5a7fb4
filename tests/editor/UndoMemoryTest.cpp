#include "editor/EditorModel.h"
#include "model/Palette.h"

#include "TestSupport.h"

#include <gtest/gtest.h>

#include <QRandomGenerator>
#include <QTemporaryDir>

#include <vector>

namespace {

QImage noise(int width, int height, quint32 seed) {
    QImage image(width, height, QImage::Format_RGB32);
    QRandomGenerator random(seed);
    for (int y = 0; y < height; ++y) {
        auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < width; ++x)
            line[x] = 0xff000000u | random.bounded(0x1000000u);
    }
    image.setDotsPerMeterX(5906);
    image.setDotsPerMeterY(5906);
    return image;
}

Annotation mark(int n) {
    Annotation a;
    a.tool = EditorTool::rect;
    a.points = {QPointF(5 + n, 5), QPointF(30 + n, 20)};
    return a;
}

// Crop, turn and expand in turn, each followed by an object of its own (a step that shares the
// picture); what the document holds after each, to compare with on the way back.
struct Recorded {
    QImage image;
    qsizetype objects;
};

std::vector<Recorded> operate(EditorModel& m, int operations, qint64 budget = -1) {
    std::vector<Recorded> states{{m.baseImage(), m.annotations().size()}};
    for (int i = 0; i < operations; ++i) {
        const QSizeF size = m.baseImage().size();
        switch (i % 3) {
        case 0: EXPECT_TRUE(m.applyCrop(QRectF(3, 2, size.width() - 5, size.height() - 4))); break;
        case 1: EXPECT_TRUE(m.rotateCanvas(90)); break;
        default: EXPECT_TRUE(m.expandCanvas(2, 3, 4, 1, Palette::white())); break;
        }
        states.push_back({m.baseImage(), m.annotations().size()});
        // Within budget as soon as the replaced picture is history, not one operation later.
        if (budget >= 0) {
            EXPECT_LE(m.historyBytes(), budget) << "operation " << i;
        }
        m.commit(mark(i), true);
        states.push_back({m.baseImage(), m.annotations().size()});
    }
    return states;
}

void expectState(const EditorModel& m, const Recorded& state, size_t step) {
    EXPECT_EQ(m.baseImage(), state.image) << "step " << step;
    EXPECT_EQ(m.baseImage().dotsPerMeterX(), state.image.dotsPerMeterX()) << "step " << step;
    EXPECT_EQ(m.annotations().size(), state.objects) << "step " << step;
}

} // namespace

// Past its budget the history packs the pictures of the steps farthest from the current one and
// keeps the nearest as they are; undoing everything and redoing it gives every picture back exactly.
TEST(UndoMemory, PacksTheFarthestStepsAndGivesEveryPictureBack) {
    EditorModel m(noise(240, 160, 1));
    const qint64 onePicture = m.baseImage().sizeInBytes() + 4096; // pictures shrink and grow a little
    m.setHistoryBudget(onePicture);
    const std::vector<Recorded> states = operate(m, 30, onePicture);
    EXPECT_LE(m.historyBytes(), onePicture);
    EXPECT_GT(m.packedHistoryBytes(), 0);
    EXPECT_TRUE(m.undoStack().first().packed && m.undoStack().first().image.isNull());
    // The nearest step with another picture than the current one is at hand.
    const EditorSnapshot& beforeLast = m.undoStack()[m.undoStack().size() - 2];
    EXPECT_NE(beforeLast.image.cacheKey(), m.baseImage().cacheKey());
    EXPECT_FALSE(beforeLast.image.isNull());
    // Steps that share a picture share its packed bytes too.
    EXPECT_TRUE(m.undoStack()[1].packed);
    EXPECT_EQ(m.undoStack()[1].packed, m.undoStack()[2].packed);

    for (size_t step = states.size() - 1; step-- > 0;) {
        m.undo();
        expectState(m, states[step], step);
        EXPECT_LE(m.historyBytes(), onePicture) << "step " << step;
    }
    EXPECT_TRUE(m.undoStack().isEmpty());
    EXPECT_FALSE(m.redoStack().last().image.isNull()); // the next redo is at hand as well
    EXPECT_TRUE(m.redoStack().first().image.isNull());
    for (size_t step = 1; step < states.size(); ++step) {
        m.redo();
        expectState(m, states[step], step);
    }
}

// Within the budget nothing is packed; with none, every step is, and still comes back.
TEST(UndoMemory, TheBudgetDecidesWhatIsPacked) {
    EditorModel roomy(noise(120, 80, 2));
    const std::vector<Recorded> kept = operate(roomy, 6);
    EXPECT_EQ(roomy.packedHistoryBytes(), 0);
    EXPECT_GT(roomy.historyBytes(), 6 * 100 * 70 * 4);
    for (const EditorSnapshot& step : roomy.undoStack())
        EXPECT_FALSE(step.image.isNull());

    roomy.setHistoryBudget(0); // a smaller budget applies at once
    EXPECT_EQ(roomy.historyBytes(), 0);
    EXPECT_GT(roomy.packedHistoryBytes(), 0);
    for (size_t step = kept.size() - 1; step-- > 0;) {
        roomy.undo();
        expectState(roomy, kept[step], step);
        EXPECT_EQ(roomy.historyBytes(), 0);
    }
}

// A live preview called off goes back to where it started, packed steps and all.
TEST(UndoMemory, ARollBackFindsThePackedStepsItLeft) {
    EditorModel m(noise(90, 60, 3));
    m.setHistoryBudget(0);
    const std::vector<Recorded> states = operate(m, 3);
    const HistoryMark mark = m.markHistory();
    ASSERT_TRUE(m.rotateCanvas(90));
    ASSERT_TRUE(m.rotateCanvas(90));
    m.rollBackTo(mark);
    expectState(m, states.back(), states.size() - 1);
    for (size_t step = states.size() - 1; step-- > 0;) {
        m.undo();
        expectState(m, states[step], step);
    }
}

// The steps that share a packed picture share one unpacked copy when it comes back: one picture to
// the budget and to whatever knows a picture by its identity (the view, the journal), and going
// back and forth packs nothing again.
TEST(UndoMemory, StepsSharingAPackedPictureShareItUnpacked) {
    EditorModel m(noise(150, 100, 4));
    ASSERT_TRUE(m.rotateCanvas(90));
    for (int i = 0; i < 4; ++i)
        m.commit(mark(i), true);
    ASSERT_TRUE(m.rotateCanvas(90));
    m.setHistoryBudget(0);
    const qint64 packed = m.packedHistoryBytes();
    ASSERT_GT(packed, 0);

    m.undo(); // back to the turned picture and its last object
    const qint64 turned = m.baseImage().cacheKey();
    for (int i = 0; i < 4; ++i) {
        m.undo();
        EXPECT_EQ(m.baseImage().cacheKey(), turned) << "undo " << i;
    }
    m.undo(); // the first picture; with no budget the turned one is packed away again
    m.redo();
    const qint64 again = m.baseImage().cacheKey();
    for (int i = 0; i < 4; ++i) {
        m.redo();
        EXPECT_EQ(m.baseImage().cacheKey(), again) << "redo " << i;
    }
    for (int i = 0; i < 5; ++i)
        m.undo();
    EXPECT_EQ(m.packedHistoryBytes(), packed);
}

// Farthest first means farthest first: once a nearer picture does not fit, a farther, smaller one
// is packed as well, not kept in its place.
TEST(UndoMemory, NothingFartherStaysUnpackedThanAPackedPicture) {
    EditorModel m(noise(60, 40, 5));
    ASSERT_TRUE(m.expandCanvas(100, 100, 100, 100, Palette::white())); // the big one, nearer
    ASSERT_TRUE(m.applyCrop(QRectF(0, 0, 60, 40)));
    m.setHistoryBudget(60 * 40 * 4 * 2); // room for the small one only
    ASSERT_EQ(m.undoStack().size(), 2);
    EXPECT_TRUE(m.undoStack()[1].image.isNull());
    EXPECT_TRUE(m.undoStack()[0].image.isNull());
    EXPECT_EQ(m.historyBytes(), 0);
}

// Past the packed budget too (photos pack 1.4×), the farthest packed pictures go to an unlinked file
// in the private state folder, and come back from it exactly; nothing is left in the folder.
TEST(UndoMemory, PackedPicturesPastTheirBudgetGoToAFileAndComeBack) {
    QTemporaryDir state;
    const QByteArray saved = qgetenv("XDG_STATE_HOME");
    qputenv("XDG_STATE_HOME", state.path().toLocal8Bit());
    {
        EditorModel m(noise(200, 120, 6));
        const qint64 onePacked = PackedImage::pack(m.baseImage())->packedBytes();
        m.setHistoryBudget(0, onePacked + 2048); // room for the nearest packed picture only
        const std::vector<Recorded> states = operate(m, 9);
        EXPECT_GT(m.spilledHistoryBytes(), 0);
        EXPECT_LE(m.packedHistoryBytes(), onePacked + 2048);
        EXPECT_GT(m.packedHistoryBytes(), 0);
        EXPECT_TRUE(m.undoStack().first().packed->isSpilled());
        const EditorSnapshot& beforeLast = m.undoStack()[m.undoStack().size() - 2];
        EXPECT_FALSE(beforeLast.packed->isSpilled()); // the nearest packed picture stays in memory
        EXPECT_TRUE(TestSupport::everyName(state.filePath(QStringLiteral("Pictavo"))).isEmpty());

        for (size_t step = states.size() - 1; step-- > 0;) {
            m.undo();
            expectState(m, states[step], step);
            EXPECT_LE(m.packedHistoryBytes(), onePacked + 2048) << "step " << step;
        }
        for (size_t step = 1; step < states.size(); ++step) {
            m.redo();
            expectState(m, states[step], step);
        }
        // Halfway back, a new operation drops the redo steps, some of them in the file: the rest
        // of the file still gives every earlier picture back.
        for (size_t step = states.size() - 1; step-- > states.size() / 2;)
            m.undo();
        ASSERT_TRUE(m.rotateCanvas(90));
        EXPECT_TRUE(m.redoStack().isEmpty());
        m.undo();
        for (size_t step = states.size() / 2; step-- > 0;) {
            m.undo();
            expectState(m, states[step], step);
        }
    }
    if (saved.isNull())
        qunsetenv("XDG_STATE_HOME");
    else
        qputenv("XDG_STATE_HOME", saved);
}
