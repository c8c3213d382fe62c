#pragma once
// What the command line can draw and export: each module (and each pane of the main sound
// window) registers its own entry here, so that `--render NAME` runs the view's own paint
// routine and `--export NAME` writes the view's own export text, without any window shown.

#include <QSize>
#include <QString>
#include <QStringList>
#include <functional>
#include <optional>
#include <utility>

#include "document/IModuleFrame.h"
#include "views/common/ModuleContext.h"

// A `--render` or `--export` run, after the sound was loaded.
struct ScriptRequest {
    // --select FIRST:LAST in samples, last exclusive, already checked against the sound.
    std::optional<std::pair<quint32, quint32>> selection;
    QSize size;       // the picture's size
    QString outFile;  // the picture file
};

struct CommandLineModule {
    QString name;
    // The module window the document computes for while this entry runs (as if it were
    // open); Module::Count, or a module the document keeps no reference to, for none.
    Module module = Module::Count;
    QSize defaultSize{1200, 400};
    // The picture is drawn with OpenGL, which needs a display (a desktop or xvfb-run).
    bool renderNeedsOpenGL = false;
    // Draws the view for the loaded sound into request.outFile; false when the picture cannot
    // be written. Empty when the entry cannot draw.
    std::function<bool(const ModuleContext&, const ScriptRequest&)> render;
    // The export text for the loaded sound, after the document took the selection (the whole
    // sound without --select); nothing when it failed (the user was told). Empty when the
    // entry has no export.
    std::function<std::optional<QString>(const ModuleContext&, const ScriptRequest&)> exportText;
};

// An option a module adds to the script modes ("--cwt-method direct"): one of a few values,
// applied to the document and settings after the profile is loaded and before the sound is.
struct CommandLineOption {
    QString name;        // with its dashes
    QStringList values;  // the values it takes
    std::function<void(const ModuleContext&, const QString&)> apply;
};

class CommandLineModules {
public:
    static void Register(CommandLineModule entry);
    static void Unregister(const QString& name);
    static void RegisterOption(CommandLineOption option);
    static const CommandLineOption* FindOption(const QString& name);
    // "--name a|b" for every option.
    static QStringList OptionUsage();
    static const CommandLineModule* Find(const QString& name);
    static QStringList RenderNames();
    static QStringList ExportNames();
};
