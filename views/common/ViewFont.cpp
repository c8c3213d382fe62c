#include "views/common/ViewFont.h"

#include <QStringList>

namespace {

QFont Make(const QStringList& families, int height) {
    QFont font;
    font.setFamilies(families);
    font.setStyleHint(QFont::SansSerif);
    // A cell height holds the em square and the leading around it: about 1.2 em.
    font.setPixelSize(std::max(1, height * 5 / 6));
    return font;
}

}  // namespace

QFont ViewFont(int height) {
    return Make({QStringLiteral("Century Gothic"), QStringLiteral("URW Gothic"),
                 QStringLiteral("DejaVu Sans"), QStringLiteral("Liberation Sans")},
                height);
}

QFont CaptionFont(int height) {
    return Make({QStringLiteral("Tahoma"), QStringLiteral("DejaVu Sans"), QStringLiteral("Liberation Sans")},
                height);
}
