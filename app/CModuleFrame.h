#pragma once
// A module window: an MDI child holding one view with its control bar docked at the right.
// It remembers its place in one of the application's window slots, in units relative to the
// main frame's client area, so that it comes back at the same relative place in any window size.

#include <QMdiSubWindow>

#include "app/CKalvoApp.h"

class CModuleFrame : public QMdiSubWindow {
    Q_OBJECT
public:
    // view and controlBar become children of the frame; controlBar may be null.
    // resizable: caption, system menu, sizing border and min/max buttons; otherwise a fixed size.
    CModuleFrame(CKalvoApp& app, int slot, QWidget* view, QWidget* controlBar, bool resizable);
    ~CModuleFrame() override;

    int Slot() const { return m_slot; }
    QWidget* View() const { return m_view; }
    QWidget* ControlBar() const { return m_controlBar; }
    void SetControlBarVisible(bool visible);

    // The stored relative placement of the slot, converted to pixels and applied.
    void ApplyStoredPlacement();
    // The current placement, converted to relative units and stored into the slot.
    void StorePlacement();
    // The placement in pixels of the MDI client area, with the show command of the window state.
    WindowPlacement CurrentPlacement() const;

protected:
    void moveEvent(QMoveEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    CKalvoApp& m_app;

private:
    int m_slot;
    QWidget* m_view;        // owned by the frame's widget tree
    QWidget* m_controlBar;  // owned by the frame's widget tree, may be null
    QRect m_normalGeometry;  // the last geometry while neither maximised nor minimised
};
