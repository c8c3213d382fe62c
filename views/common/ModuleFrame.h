#pragma once
// A module window: an MDI child holding one view with its control bar docked at the right.
// It remembers its place in one of the settings' window slots, in units relative to the main
// frame's client area, so that it comes back at the same relative place in any window size.
// The document sets the controls of its bar through IModuleFrame, by the controls' numbers.

#include <QMdiSubWindow>
#include <functional>

#include "document/IModuleFrame.h"
#include "settings/ProfileSettings.h"

class IModuleView;
class IViewCommands;

class ModuleFrame : public QMdiSubWindow, public IModuleFrame {
    Q_OBJECT
public:
    // view and controlBar become children of the frame; controlBar may be null.
    // resizable: caption, system menu, sizing border and min/max buttons; otherwise a fixed size.
    ModuleFrame(ProfileSettings& settings, int slot, QWidget* view, QWidget* controlBar, bool resizable);
    ~ModuleFrame() override;

    int Slot() const { return m_slot; }
    bool IsResizable() const { return m_resizable; }
    QWidget* View() const { return m_view; }
    QWidget* ControlBar() const { return m_controlBar; }
    void SetControlBarVisible(bool visible);
    // The module view in the frame, or null when the view is a plain widget.
    IModuleView* ModuleView() const;
    // Where the main frame's commands go: the view, or for a frame of several views the active one.
    virtual IViewCommands* Commands() const;

    // A control of the bar by its number, or null. A spin box answers to the number of its
    // edit field (its object name) and to that of its arrows (see SetControlIds).
    QWidget* Control(int controlId) const;
    // Lays the bar's controls into a column that scrolls when the window is lower than the
    // controls need; the controls go into the returned widget. The bar is width pixels wide.
    static QWidget* ScrollingColumn(QWidget* bar, int width);
    // Names a control by its number; a spin box also by the number of its arrows.
    static void SetControlIds(QWidget* control, int controlId, int spinId = 0);
    // IModuleFrame: line edits show the number, sliders and spin boxes take it, check boxes and
    // radio buttons are checked by any value but 0.
    void SetControlInt(int controlId, int value) override;
    void SetSliderRange(int controlId, int minimum, int maximum, int position) override;

    // Called when the user closes the window with its close button: the owner closes the
    // module as its menu command does. Without it the window cannot be closed by the user.
    void SetCloseHandler(std::function<void()> handler) { m_closeHandler = std::move(handler); }

    // The stored relative placement of the slot, converted to pixels and applied.
    void ApplyStoredPlacement();
    // The current placement, converted to relative units and stored into the slot.
    void StorePlacement();
    // The placement in pixels of the MDI client area, with the show command of the window state.
    WindowPlacement CurrentPlacement() const;

protected:
    bool event(QEvent* event) override;
    // Hands a key that no control of the bar took to the view, once. A key the view itself left
    // unused goes on up to the main window instead of coming back here: sending it to the view
    // again would bounce it between the two until the stack runs out.
    void ForwardKeyToView(QKeyEvent* event);
    void closeEvent(QCloseEvent* event) override;
    void moveEvent(QMoveEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    ProfileSettings& m_settings;

private:
    int m_slot;
    bool m_resizable;
    QWidget* m_view;               // owned by the frame's widget tree
    QWidget* m_controlBar;         // owned by the frame's widget tree, may be null
    bool m_forwardingKey = false;  // a key is on its way to the view through ForwardKeyToView
    QRect m_normalGeometry;        // the last geometry while neither maximised nor minimised
    std::function<void()> m_closeHandler;
};
