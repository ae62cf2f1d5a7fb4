#pragma once

#include "graphics/PackedImage.h"
#include "model/Annotation.h"

#include <QImage>
#include <QList>
#include <QObject>
#include <QRectF>
#include <QSet>
#include <QSizeF>
#include <QUuid>

#include <cstdint>
#include <optional>

class ObjectClipboard;
namespace EditorRenderer {
struct Scene;
}

// One step of undo history. The image is shared, not copied; an older step's may be packed
// instead (image null), to keep the history within its memory budget.
struct EditorSnapshot {
    QImage image;
    std::shared_ptr<const PackedImage> packed;
    QList<Annotation> annotations;
    int64_t nextDotNumber = 1;
};

// The history at one moment, to go back to exactly: state, undo depth, redo steps, dirty mark.
struct HistoryMark {
    EditorSnapshot state;
    qsizetype undoDepth = 0;
    QList<EditorSnapshot> redo;
    bool dirty = false;
};

// Consecutive edits of the same kind on the same objects share one undo step, as long as nothing
// else was recorded, undone or redone in between.
struct MergeKey {
    enum class Kind { color, width, nudge, rotation };
    Kind kind;
    QSet<QUuid> objects;
    bool operator==(const MergeKey&) const = default;
};

// A field of the selected object that the toolbar switches.
enum class SelectionFlag { filled, showName, labelOutside };

// The editing state of one image in one editor window. Four signals say what changed, so that each
// observer does only the work its part needs: the document (image, annotations, badge counter,
// history, dirty mark), the selection, the tool settings, and the draft of a gesture.
class EditorModel : public QObject {
    Q_OBJECT

public:
    static constexpr int kMaxRecentColors = 10;
    static constexpr const char* kRecentColorsKey = "PictavoRecentColors";

    explicit EditorModel(const QImage& image, const QList<Annotation>& annotations = {},
                         QObject* parent = nullptr);

    // Document
    const QImage& baseImage() const { return m_baseImage; }
    QSizeF imageSize() const { return QSizeF(m_baseImage.size()); }
    const QList<Annotation>& annotations() const { return m_annotations; }
    int64_t nextDotNumber() const { return m_nextDotNumber; }

    // The object being drawn by the current drag; not in the list and not in the history.
    const std::optional<Annotation>& draft() const { return m_draft; }
    void setDraft(std::optional<Annotation> draft);

    // Tool settings for the next drawn object. Under the select tool they follow the single
    // selection: selecting an object, undo and redo set the colour and width to its own.
    EditorTool tool() const { return m_tool; }
    void setTool(EditorTool tool);
    // Redactions have a colour of their own (black until one is picked for them): the colour
    // while the redact tool is chosen or a single redaction is selected, the other objects'
    // otherwise.
    QColor color() const;
    void setColor(const QColor& color);
    double strokeWidth() const { return m_strokeWidth; }
    void setStrokeWidth(double width);
    // The colour or width the user picks: the setting for new objects and, under the select tool,
    // the single selection's own (a run of changes to one object is one undo step).
    void chooseColor(const QColor& color);
    void chooseStrokeWidth(double width);
    double arrowHeadScale() const { return m_arrowHeadScale; }
    void setArrowHeadScale(double scale);
    DotStyle dotStyle() const { return m_dotStyle; }
    void setDotStyle(DotStyle style);
    StampType stampType() const { return m_stampType; }
    void setStampType(StampType type);
    bool stampShowName() const { return m_stampShowName; }
    void setStampShowName(bool show);
    bool shapeFilled() const { return m_shapeFilled; }
    void setShapeFilled(bool filled);

    const QList<QColor>& recentColors() const { return m_recentColors; }
    const QSet<QUuid>& selectedIDs() const { return m_selectedIDs; }
    void setSelectedIDs(const QSet<QUuid>& ids);
    const std::optional<QPointF>& snapIndicator() const { return m_snapIndicator; }
    void setSnapIndicator(std::optional<QPointF> point);

    const QList<EditorSnapshot>& undoStack() const { return m_undoStack; }
    const QList<EditorSnapshot>& redoStack() const { return m_redoStack; }
    bool isDirty() const { return m_isDirty; }
    // Counts recorded edits, undos and redos: anything else than in-place gesture edits.
    quint64 historyGeneration() const { return m_historyGeneration; }
    // A successful save clears the flag; the history stays.
    void markSaved();
    // Edits brought back from elsewhere (the recovery journal) count as unsaved.
    void markUnsaved();

    // History
    // Records the current state as one undo step; with a key, only when the last recorded step had
    // another key or something was recorded, undone or redone since.
    void pushUndo(std::optional<MergeKey> mergeKey = std::nullopt);
    void commit(const Annotation& annotation, bool recordUndo);
    void undo();
    void redo();
    // Undo keeps every step; past this many bytes of unpacked pictures (the current one aside),
    // the pictures of the steps farthest from the current one are packed.
    static constexpr qint64 kHistoryBudget = qint64(512) << 20;
    // Past this many packed bytes in memory (photos pack only 1.4×), the packed pictures farthest
    // away go to an unlinked file in Pictavo's private state folder.
    static constexpr qint64 kPackedBudget = qint64(256) << 20;
    void setHistoryBudget(qint64 bytes, qint64 packedBytes = kPackedBudget);
    // Bytes of the distinct unpacked pictures the history holds, of the packed ones in memory, and
    // of those in the file.
    qint64 historyBytes() const;
    qint64 packedHistoryBytes() const;
    qint64 spilledHistoryBytes() const;
    // Goes back to the last recorded step and forgets it, without a redo step: a gesture that was
    // called off.
    void revertToLastStep();
    // A live preview that is called off (a dialog's Cancel) leaves no trace: not even the redo
    // steps its first change dropped. Does nothing when the history went back past the mark.
    HistoryMark markHistory() const;
    void rollBackTo(const HistoryMark& mark);

    // Records a colour as used: newest first, at most ten, stored in the settings.
    void noteColorUsed(const QColor& color);

    // Canvas operations. Each either does everything with one undo step and returns true, or
    // changes nothing and returns false.
    static constexpr int kMinCropSide = 4;
    static constexpr int kMinImageSide = 4;
    bool applyCrop(const QRectF& rect);
    // Positive angles turn the picture clockwise on screen.
    bool rotateCanvas(double degrees);
    // Margins are rounded to whole pixels; no background leaves the new area transparent.
    bool expandCanvas(double top, double left, double bottom, double right, std::optional<QColor> background);
    // Whether a project of this base size and these annotations would reopen whole. When not,
    // emits refused() with `action` and the reason and returns false.
    bool admits(QSize baseSize, const QList<Annotation>& annotations, const QString& action);
    // Adds a picture (pasted from the clipboard) with one undo step, when the project still
    // reopens whole with it.
    bool addPicture(const Annotation& picture);
    // Redactions over `boxes` (image pixels) in the redaction colour, in one undo step, selected
    // with the select tool so each can be moved or deleted; how many were added.
    int addRedactions(const QList<QRectF>& boxes);

    // Replaces the base image with one undo step (flattening, tools that edit pixels).
    void replaceBaseImage(const QImage& image);

    // Edits that gestures make in several steps: the first records the undo step, the in-place
    // edits below follow. Returns the history generation of that step, so a gesture can tell when
    // something else was recorded under it.
    quint64 beginInPlaceEdit();
    // Adds a vertex to a line, arrow, polygon or picture outline after `segment`, as one undo step,
    // and selects the object.
    bool insertVertex(int index, int segment, QPointF point);
    // Turns a rectangle into the polygon of its (turned) corners, with a vertex at `point` when it
    // lies on the outline within `reach`, as one undo step, and selects it.
    bool convertToPolygon(int index, QPointF point, double reach);
    // Takes a text or a badge out of the list to edit its label again (one undo step); an edited
    // text comes back with commit(…, false), a badge with putBack. Returns what was taken out.
    std::optional<Annotation> takeTextForEditing(int index);

    // What the renderer draws: the base image, the annotations in drawing order (or none), and the
    // blurred copy on demand. Valid while the model lives.
    EditorRenderer::Scene scene(bool withAnnotations = true) const;

    // The blurred base image that blur regions show; computed once per base image. Null when
    // blurring fails.
    QImage blurredImage() const;

    // In-place edits for gestures that recorded their undo step already (drags, vertex insertion,
    // text re-editing). They record nothing themselves.
    void setAnnotation(int index, const Annotation& annotation);
    void removeAnnotation(int index);
    // Counts the badge counter up after a badge was placed; saturates at the largest value.
    void advanceBadgeNumber();
    // The number the next badge gets (the toolbar's field); at least 1. Not an edit of the list.
    void setNextDotNumber(int64_t number);

    // Moves every selected object by `delta`. A run of moves of the same selection shares one
    // undo step until another edit is recorded (arrow-key nudges).
    void nudgeSelection(QPointF delta);
    // Selects every object.
    void selectAll();

    // Turns one object about the centre of its bounds: strokes, lines and polygons turn their
    // points, everything else adds to its rotation.
    static void rotate(Annotation& a, double radians);
    // Moves one object, with its picture frame.
    static void translate(Annotation& a, QPointF delta);

    // A fresh object of the current tool and style at `point` (the start of every drawing gesture).
    Annotation newAnnotation(QPointF point) const;

    // The number after the largest badge number of the list (1 when there is none). Saturates at
    // the largest 64-bit value instead of overflowing.
    static int64_t nextBadgeNumber(const QList<Annotation>& annotations);
    // A badge label as a number: optional sign, then ASCII digits only; absent when it overflows.
    static std::optional<int64_t> parseBadgeNumber(QStringView text);
    static int64_t incrementSaturating(int64_t value);

    static QList<QColor> loadRecentColors();

    // Sets a flag of the single selection with one undo step; the same value records nothing.
    void setSelectionFlag(SelectionFlag flag, bool on);
    // Numbers the selected badges, or every badge when fewer than two are selected, 1, 2, 3… in
    // drawing order, as one undo step; the next badge follows the largest number. False when there
    // was nothing to change.
    bool renumberBadges();
    // Puts an object taken out for editing (takeTextForEditing) back where it was, changed, as part
    // of the step its taking recorded.
    void putBack(int index, const Annotation& annotation);

    // Selection. Ids that match no object may stay selected (after undo); they are ignored.
    // The single selection: the one selected id, absent when none or several are selected.
    std::optional<QUuid> selectedID() const;
    void setSelectedID(std::optional<QUuid> id);
    void toggleSelection(const QUuid& id);
    // Index of the single selection in annotations(); absent when it matches nothing.
    std::optional<int> selectedIndex() const;

    // Object edits. Those on the single selection do nothing while zero or several are selected;
    // a colour goes to every selected object, in one step. The colour changes of the same objects
    // share one undo step until others are recoloured, even across other edits; width changes
    // likewise.
    void applyColorToSelection(const QColor& color);
    // Sets the width, or for a text the font size max(3 × width, 6).
    void applyWidthToSelection(double width);
    void deleteSelected();
    // Burns the single selection into the base image.
    void flattenSelected();
    // The clipboard that copy and paste of objects use; none until the UI provides one.
    void setClipboard(ObjectClipboard* clipboard) { m_clipboard = clipboard; }
    // Puts the selected objects on the clipboard, in list order.
    void copySelectedToPasteboard();
    // Adds the clipboard's objects 24 pixels further right and down on every paste after a copy,
    // renumbers pasted badges and selects them. False when the clipboard holds no objects. Objects
    // that would make the project too large to reopen are refused (refused() says so).
    // `visibleArea` is the part of the image in view: objects that would land wholly outside it
    // are centred in it; in any case pasted objects are moved onto the picture.
    bool pasteObjectsFromPasteboard(std::optional<QRectF> visibleArea = std::nullopt);
    // Turns every selected object; positive angles turn clockwise on screen. With `coalesce`,
    // repeated turns of the same selection share one undo step until another edit is recorded.
    void rotateSelection(double radians, bool coalesce);
    // Sets the rotation of the single selection; strokes, lines and polygons have none to set.
    void setSelectionRotation(double degrees);

    // The anchor point of another object nearest to `point`, if one lies within `radius`.
    std::optional<QPointF> snapPoint(QPointF point, std::optional<QUuid> excluding, double radius) const;
    // The annotations in drawing order: blur, then images, then redactions, then the rest, then text.
    QList<Annotation> layeredAnnotations() const;
    static QList<Annotation> layeredAnnotations(QList<Annotation> annotations);

signals:
    // The image, the annotations, the badge counter, the history or the dirty mark.
    void documentChanged();
    void selectionChanged();
    // The tool, the style for new objects, or the recent colours.
    void toolSettingsChanged();
    // The draft of the gesture under way, or its snap indicator.
    void draftChanged();
    // An operation was refused for a reason the user should hear (a message for an alert).
    void refused(const QString& message);

private:
    void stepHistory(QList<EditorSnapshot>& from, QList<EditorSnapshot>& to);
    EditorSnapshot snapshot() const;
    // False, changing nothing, when a packed picture cannot be unpacked (memory is short).
    bool restore(EditorSnapshot step);
    // Moves the packed pictures past the packed budget to the file, the farthest first.
    void spillPackedPictures();
    // Packs the pictures past the budget, the steps farthest from the current one first. Runs
    // whenever a picture enters the history (canvas operations: after the new one is in place).
    void keepHistoryWithinBudget();
    // Gives the style of new objects the single selection's colour, width and arrowhead.
    void followSelection();
    // Whether the colour shown and picked is that of redactions.
    bool redactionColorInUse() const;
    void selectionDidChange();

    QImage m_baseImage;
    QList<Annotation> m_annotations;
    std::optional<Annotation> m_draft;
    EditorTool m_tool = EditorTool::pen;
    QColor m_color;
    QColor m_redactColor = Qt::black;
    bool m_redactionColorShown = false; // what color() last gave, to say when that changes
    double m_strokeWidth = 8.0;
    double m_arrowHeadScale = 1.5;
    DotStyle m_dotStyle = DotStyle::solid;
    StampType m_stampType = StampType::numberCircle;
    bool m_stampShowName = false;
    bool m_shapeFilled = false;
    int64_t m_nextDotNumber = 1;
    QList<QColor> m_recentColors;
    QSet<QUuid> m_selectedIDs;
    std::optional<QPointF> m_snapIndicator;
    QList<EditorSnapshot> m_undoStack;
    QList<EditorSnapshot> m_redoStack;
    ObjectClipboard* m_clipboard = nullptr;
    bool m_isDirty = false;
    quint64 m_historyGeneration = 0;
    qint64 m_historyBudget = kHistoryBudget;
    qint64 m_packedBudget = kPackedBudget;
    std::shared_ptr<PackedImage::SpillFile> m_spillFile; // made when first needed
    bool m_spillRefused = false; // no file could be made or filled: not tried again on every step
    // The packed bytes the current picture came from, while it is that picture.
    struct Unpacked {
        qint64 imageKey = 0;
        std::shared_ptr<const PackedImage> from;
    } m_unpacked;

    // The blurred copy of the base image whose cacheKey() it was computed for. Not observed.
    struct BlurCache {
        qint64 sourceKey = 0;
        QImage blurred;
    };
    mutable BlurCache m_blurCache;

    // The key of the last step recorded with one, and the generation it was recorded at; not
    // observed, not saved.
    std::optional<MergeKey> m_mergeKey;
    quint64 m_mergeGeneration = 0;
    int m_pasteOffsetStep = 0;
};
