#pragma once
// A 3D view of the document: the rendering host tied to the document. When OpenGL fails, the
// document is asked to close both 3D windows (and the user is told only by the first view
// that fails, until a 3D window is opened anew).

#include "render3d/CD3DApplication.h"

class CKalvoDoc;

class Document3DView : public CD3DApplication {
    Q_OBJECT
public:
    explicit Document3DView(CKalvoDoc& doc, QWidget* parent = nullptr);

protected:
    CKalvoDoc& Doc() { return m_doc; }
    const CKalvoDoc& Doc() const { return m_doc; }

private:
    CKalvoDoc& m_doc;
};
