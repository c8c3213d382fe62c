#include "views/common/Document3DView.h"

#include "document/CKalvoDoc.h"

Document3DView::Document3DView(CKalvoDoc& doc, QWidget* parent)
    : CD3DApplication(
          doc.Ui(),
          [&doc] {
              const bool askedBefore = doc.m_bClose3DWindows != 0;
              doc.m_bClose3DWindows = 1;
              return askedBefore;
          },
          parent),
      m_doc(doc) {}
