#include "views/common/Document3DView.h"

#include "document/SoundDocument.h"

Document3DView::Document3DView(SoundDocument& doc, QWidget* parent)
    : GlSceneView(
          doc.Ui(), [&doc] { return doc.RequestClose3DWindows(); }, parent),
      m_doc(doc) {}
