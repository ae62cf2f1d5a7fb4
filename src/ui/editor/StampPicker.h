#pragma once

#include "model/Annotation.h"

#include "ui/editor/Popover.h"

#include <QPointer>

class EditorModel;
class QLineEdit;
class QListWidget;
class QListWidgetItem;

// The list that chooses which stamp the stamp tool places: every stamp with its own glyph and
// title, in sections headed by the category titles, the last used ones first. A popover: it closes
// when it loses activation, on Escape and once a stamp is chosen. Typing searches titles (English
// and translated) and the words people use ("card reader", "cctv"); arrow keys move between stamps
// (headings are skipped); Return or a click chooses.
class StampPicker : public Popover {
    Q_OBJECT

public:
    static constexpr const char* kHelp = QT_TR_NOOP("Which icon the stamp tool places");
    static constexpr const char* kRecentStampsKey = "PictavoRecentStamps";
    static constexpr int kMaxRecent = 5;

    // A stamp's and a category's title as the user's language shows them (the model keeps them
    // in English).
    static QString shownTitle(StampType type);
    static QString shownTitle(StampCategory category);

    // With a model, choosing also sets the model's stamp type, and the list opens on it.
    explicit StampPicker(EditorModel* model = nullptr, QWidget* parent = nullptr);

    // Shows the picker below `anchor` (above it when the screen has no room below), active, with
    // the keyboard focus on the current stamp.
    void popup(QWidget* anchor) { openBelow(anchor); }
    QSize sizeHint() const override { return m_size; }

    StampType currentStamp() const { return m_current; }
    void setCurrentStamp(StampType type);
    QListWidget* list() const { return m_list; }
    QLineEdit* searchField() const { return m_search; }
    // The list row of a stamp's entry in its category (it may be listed among the recent ones too).
    int rowOf(StampType type) const;
    // Shows only the stamps that match `query` (all for an empty one) and makes the first the
    // current one when the current one is hidden.
    void search(const QString& query);

signals:
    void stampChosen(StampType type);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void changeEvent(QEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void aboutToOpen() override;
    QWidget* initialFocus() const override;

private:
    void fill();
    void choose(QListWidgetItem* item);
    void noteUsed(StampType type);
    void updateIcons();

    QPointer<EditorModel> m_model;
    QLineEdit* m_search;
    QListWidget* m_list;
    StampType m_current = StampType::numberCircle;
    QSize m_size;
    bool m_inputSeen = false;      // a key or pointer event is being handled by the list
    bool m_settingCurrent = false; // the picker itself moves the selection
};
