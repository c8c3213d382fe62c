#pragma once
// A 3D view of the document: the rendering host tied to the document. When OpenGL fails, the
// document is asked to close both 3D windows (and the user is told only by the first view
// that fails, until a 3D window is opened anew).

#include "render3d/GlSceneView.h"

class SoundDocument;

class Document3DView : public GlSceneView {
    Q_OBJECT
public:
    explicit Document3DView(SoundDocument& doc, QWidget* parent = nullptr);

protected:
    SoundDocument& Doc() { return m_doc; }
    const SoundDocument& Doc() const { return m_doc; }

private:
    SoundDocument& m_doc;
};
