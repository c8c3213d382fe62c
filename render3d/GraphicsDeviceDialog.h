#pragma once
// The graphics device dialog (F2 in a 3D window): what OpenGL offers on this computer — the
// renderer and its maker, the version, the colour and depth formats of the window, and the
// multisample counts the driver supports.

#include <QDialog>
#include <QString>
#include <QStringList>

struct GraphicsDeviceInfo {
    QString renderer, vendor, version, shadingLanguage, profile;
    QString colourFormat, depthFormat;
    int maxSamples = 0;
    int windowSamples = 0;
    // Read from the current context.
    static GraphicsDeviceInfo OfCurrentContext();
    // "none", "2 samples", "4 samples", … up to the largest count.
    QStringList MultisampleChoices() const;
};

class GraphicsDeviceDialog : public QDialog {
    Q_OBJECT
public:
    GraphicsDeviceDialog(const GraphicsDeviceInfo& info, QWidget* parent = nullptr);
};
