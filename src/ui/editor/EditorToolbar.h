#pragma once

#include "model/Annotation.h"

#include "ui/editor/Popover.h"

#include <QPointer>
#include <QSet>
#include <QUuid>
#include <QWidget>

#include <functional>

class EditorActions;
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
class QSpinBox;
class QToolButton;
class ToolbarFlowLayout;

// The strip above the canvas: tools, colour, width and the settings of the current tool, the
// picture's commands, zoom, undo and redo, the controls of the selection, then Copy and Save on
// the right. Items appear as the tool and the selection call for them; the rows reflow at once.
// It keeps the colour and width in step with a single selection without writing them back.
class EditorToolbar : public QWidget {
    Q_OBJECT

public:
    EditorToolbar(EditorModel& model, EditorView& view, EditorActions& actions, QWidget* parent = nullptr);
    ~EditorToolbar() override;

    // The control with this accessible name (tests and the accessibility bus find them so).
    QWidget* item(const QString& accessibleName) const;
    QAbstractButton* toolButton(EditorTool tool) const;

    // Shows "Copied!" on the Copy button for 1.5 s.
    void showCopied();
    static constexpr int kCopiedMs = 1500;

    // The popovers, each created on first use; null while it was never opened.
    Popover* colorPopover() const { return m_colorPopover; }
    Popover* canvasPopover() const { return m_canvasPopover; }
    Popover* rotatePopover() const { return m_rotatePopover; }
    QWidget* stampPicker() const { return m_stampPicker; }
    void openCanvasPopover();
    void openRotatePopover();

    bool hasHeightForWidth() const override { return true; }
    int heightForWidth(int width) const override;
    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void build();
    QToolButton* commandButton(int command);
    QWidget* divider();
    void refresh();
    void syncWithSelection();
    void setSelectionField(const std::function<bool(const Annotation&)>& differs,
                           const std::function<void(Annotation&)>& write);
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
    QWidget* m_arrowHead = nullptr;
    QSlider* m_arrowHeadSlider = nullptr;
    QWidget* m_shapeFill = nullptr;
    QButtonGroup* m_shapeFillGroup = nullptr;
    QToolButton* m_stampButton = nullptr;
    QCheckBox* m_names = nullptr;
    QWidget* m_dotSettings = nullptr;
    QButtonGroup* m_dotStyleGroup = nullptr;
    QSpinBox* m_nextNumber = nullptr;
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
    QTimer* m_copiedTimer = nullptr;
    QPushButton* m_saveButton = nullptr;
    QList<QWidget*> m_items;

    QPointer<Popover> m_colorPopover, m_canvasPopover, m_rotatePopover;
    QPointer<QWidget> m_stampPicker;

    // What the observers saw last, so that only real changes act.
    QSet<QUuid> m_seenSelection;
    QColor m_seenColor;
    double m_seenWidth = 0;
    bool m_syncingSelection = false;
    bool m_refreshing = false;
};
