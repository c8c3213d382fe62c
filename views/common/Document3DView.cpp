#include "views/common/Document3DView.h"

#include "document/SoundDocument.h"

Document3DView::Document3DView(SoundDocument& doc, QWidget* parent)
    : GlSceneView(
          doc.Ui(),
          [&doc] {
              const bool askedBefore = doc.m_close3DWindows;
              doc.m_close3DWindows = true;
              return askedBefore;
          },
          parent),
      m_doc(doc) {}
