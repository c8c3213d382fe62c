#pragma once
// The commands that the main frame sends to the active view: the picture and data commands,
// clearing the collected data, the view's help page and the keys the view handles itself.
// The main frame enables each command only while the active view offers it.

#include <QKeySequence>
#include <QList>
#include <QString>

enum class ViewCommand {
    SaveView = 32808,
    Copy = 57634,
    ExportData = 32848,
    ClearAllData = 32788,
};

class IViewCommands {
public:
    virtual ~IViewCommands() = default;
    virtual bool HasCommand(ViewCommand) const { return false; }
    virtual void OnViewCommand(ViewCommand) {}
    // The help page of the view ("html/Hauptfenster.html"); empty: the help index.
    virtual QString HelpTopic() const { return {}; }
    // Keys the view takes itself while it has the focus; window-wide shortcuts leave them alone.
    virtual QList<QKeySequence> ViewKeys() const { return {}; }
};

// A module's view: it is told about the document's changes, takes its settings at its initial
// update and answers the commands of the main frame.
class IModuleView : public IViewCommands {
public:
    virtual void OnInitialUpdate() {}
};
