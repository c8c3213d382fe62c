#include "platform/AboutDialog.h"

#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QIcon>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "platform/StringTable.h"

namespace {

struct Credit {
    const char* name;
    const char* link;
    int text;  // "%1 – what it does for Kalvo"
};

constexpr Credit kCredits[] = {
    {"Qt 6", "https://www.qt.io/", 63160},
    {"PortAudio", "https://www.portaudio.com/", 63161},
    {"libsndfile", "https://libsndfile.github.io/libsndfile/", 63162},
    {"cminpack", "https://devernay.github.io/cminpack/", 63163},
    {"GoogleTest", "https://github.com/google/googletest", 63164},
    {"FFTW", "https://www.fftw.org/", 63165},
};

}  // namespace

AboutDialog::AboutDialog(QWidget* parent) : QDialog(parent) {
    setWindowTitle(Str(StringId::AboutKalvo_63155));
    auto* outer = new QHBoxLayout(this);
    auto* icon = new QLabel(this);
    icon->setPixmap(QIcon(QStringLiteral(":/resources/icons/kalvo.svg")).pixmap(64, 64));
    icon->setAlignment(Qt::AlignTop | Qt::AlignHCenter);
    outer->addWidget(icon);
    outer->addSpacing(10);

    auto* layout = new QVBoxLayout;
    outer->addLayout(layout, 1);
    auto* version = new QLabel(Str(StringId::KalvoVersion, QLatin1String(kVersion)), this);
    QFont big = version->font();
    big.setPointSizeF(big.pointSizeF() * 1.3);
    big.setBold(true);
    version->setFont(big);
    layout->addWidget(version);
    layout->addWidget(new QLabel(Str(StringId::N2026KalvoDevelopers), this));
    auto* purpose = new QLabel(Str(StringId::SoundAnalysisTeachingAcoustics), this);
    purpose->setWordWrap(true);
    layout->addWidget(purpose);
    layout->addSpacing(8);

    QString credits = QStringLiteral("<p>%1</p><ul style=\"margin-left:-20px\">")
                          .arg(Str(StringId::KalvoBuildsWorkOthers).toHtmlEscaped());
    for (const Credit& credit : kCredits) {
        const QString link = QStringLiteral("<a href=\"%1\">%2</a>")
                                 .arg(QLatin1String(credit.link), QLatin1String(credit.name));
        credits += QStringLiteral("<li>%1</li>").arg(Str(credit.text).toHtmlEscaped().arg(link));
    }
    credits +=
        QStringLiteral("<li>%1</li></ul>").arg(Str(StringId::FontsURWGothicLiberation).toHtmlEscaped());
    auto* creditLabel = new QLabel(credits, this);
    creditLabel->setTextFormat(Qt::RichText);
    creditLabel->setWordWrap(true);
    creditLabel->setOpenExternalLinks(true);
    creditLabel->setTextInteractionFlags(Qt::TextBrowserInteraction);
    creditLabel->setMinimumWidth(420);
    layout->addWidget(creditLabel);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, this);
    buttons->button(QDialogButtonBox::Ok)->setText(Str(StringId::OK));
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    layout->addWidget(buttons);
}
