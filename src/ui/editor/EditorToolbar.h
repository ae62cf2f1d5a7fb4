#pragma once

#include "model/Annotation.h"

#include "ui/editor/EditorActions.h"
#include "ui/editor/Popover.h"

#include <QMap>
#include <QPointer>
#include <QSet>
#include <QUuid>
#include <QWidget>

#include <optional>

class EditorModel;
class EditorView;
class Popover;
class QAbstractButton;
class QButtonGroup;
class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QTimer;
class QSlider;
class BadgeNumberField;
class QSpinBox;
class QToolButton;
class StampPicker;
class ToolbarFlowLayout;

// The strip above the canvas: tools, colour, width and the settings of the current tool, the
// picture's commands, zoom, undo and redo, the controls of the selection, then Copy and Save on
// the right. Items appear as the tool and the selection call for them; the rows reflow at once.
// It shows the model and calls its operations; the model keeps the style in step with the
// selection and records the undo steps.
class EditorToolbar : public QWidget {
    Q_OBJECT

public:
    EditorToolbar(EditorModel& model, EditorView& view, EditorActions& actions, QWidget* parent = nullptr);
    ~EditorToolbar() override;

    // The control with this accessible name (tests and the accessibility bus find them so).
    QWidget* item(const QString& accessibleName) const;
    QAbstractButton* toolButton(EditorTool tool) const;

    // The zoom as the readout shows it: a whole percentage, with a tenth where the whole number
    // would claim 100 % for a picture that is not at 100 %.
    static QString zoomText(double zoom);

    // Shows "Copied!" on the Copy button for 1.5 s.
    void showCopied();
    // "Cancel Reading" on the Copy Text button while the text is recognised.
    void showReadingText(bool reading);
    static constexpr int kCopiedMs = 1500;

    // The colour popover, created on first use; null while it was never opened.
    Popover* colorPopover() const { return m_colorPopover; }
    void openCanvasPopover();
    void openRotatePopover();

    bool hasHeightForWidth() const override { return true; }
    int heightForWidth(int width) const override;
    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    // What the selection's controls show, to touch them only when it changes (a drag changes the
    // document on every pointer move).
    struct SelectionView {
        bool anySelected = false;
        std::optional<EditorTool> single;
        bool filled = false, showName = false, labelOutside = false, numberBadge = false;
        QString rotation;
        bool operator==(const SelectionView&) const = default;
    };

    // Which of the controls that come and go are shown.
    struct Shown {
        bool width = true, arrowHead = false, shapeFill = false, stamp = false, badgeSettings = false;
        bool selectionFill = false, selectionName = false, numberPlacement = false, selectionCommands = false,
             rotation = false;
        bool operator==(const Shown&) const = default;
    };
    static Shown shownFor(EditorTool tool, StampType stamp, const SelectionView& selection);
    // Every combination the tools and selections can show: the toolbar is as tall as the tallest
    // of them at its width, so the picture below never moves when the tool or the selection changes.
    static QList<Shown> everyShown();
    bool isShownIn(QWidget* item, const Shown& shown) const;
    void show(const Shown& shown);
    int flowHeightForWidth(int width) const;

    void build();
    QToolButton* commandButton(EditorCommand command);
    QWidget* divider();
    void refreshSettings();
    void refreshSelection();
    void refreshZoom();
    void refreshNextNumber();
    SelectionView selectionView() const;
    void commitWidthField();
    void commitRotationField();
    void openColorPopover();
    void openStampPicker();
    void layoutRows();

    EditorModel& m_model;
    EditorView& m_view;
    EditorActions& m_actions;

    QWidget* m_flowHost = nullptr;
    ToolbarFlowLayout* m_flow = nullptr;
    QWidget* m_right = nullptr;
    QButtonGroup* m_tools = nullptr;
    QToolButton* m_colorButton = nullptr;
    QSlider* m_widthSlider = nullptr;
    QLineEdit* m_widthField = nullptr;
    QWidget* m_width = nullptr;
    QWidget* m_arrowHead = nullptr;
    QSlider* m_arrowHeadSlider = nullptr;
    QWidget* m_shapeFill = nullptr;
    QButtonGroup* m_shapeFillGroup = nullptr;
    QToolButton* m_stampButton = nullptr;
    QCheckBox* m_names = nullptr;
    QWidget* m_badgeSettings = nullptr;
    QButtonGroup* m_badgeStyleGroup = nullptr;
    BadgeNumberField* m_nextNumber = nullptr;
    QLabel* m_zoomReadout = nullptr;
    QWidget* m_selectionFill = nullptr;
    QButtonGroup* m_selectionFillGroup = nullptr;
    QCheckBox* m_selectionName = nullptr;
    QWidget* m_numberPlacement = nullptr;
    QButtonGroup* m_numberPlacementGroup = nullptr;
    QList<QWidget*> m_selectionCommands;
    QWidget* m_rotation = nullptr;
    QLineEdit* m_rotationField = nullptr;
    QPushButton* m_copyButton = nullptr;
    QPushButton* m_copyTextButton = nullptr;
    QTimer* m_copiedTimer = nullptr;
    QPushButton* m_saveButton = nullptr;
    QList<QWidget*> m_items;
    QMap<EditorCommand, QToolButton*> m_commandButtons;

    QPointer<Popover> m_colorPopover, m_canvasPopover, m_rotatePopover;
    QPointer<StampPicker> m_stampPicker;

    std::optional<StampType> m_stampShown;
    std::optional<SelectionView> m_selectionShown;
    std::optional<Shown> m_shown;
    bool m_refreshing = false;
};
