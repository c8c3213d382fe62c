#include "render3d/GraphicsDeviceDialog.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QListWidget>
#include <QOpenGLContext>
#include <QOpenGLFunctions>
#include <QVBoxLayout>
#include <cmath>

#include "platform/StringTable.h"

namespace {

constexpr int kTitle = 64302;
constexpr int kTextRenderer = 64303, kTextVendor = 64304, kTextVersion = 64305, kTextShading = 64306,
              kTextColour = 64307, kTextDepth = 64308, kTextMultisample = 64309, kTextNone = 64310,
              kTextSamples = 64311, kTextWindowed = 64312, kTextYes = 64313, kTextProfile = 64315;

constexpr unsigned kMaxSamples = 0x8D57;  // GL_MAX_SAMPLES

QString Text(QOpenGLFunctions* gl, unsigned name) {
    const auto* s = reinterpret_cast<const char*>(gl->glGetString(name));
    return s ? QString::fromLatin1(s) : QString();
}

}  // namespace

GraphicsDeviceInfo GraphicsDeviceInfo::OfCurrentContext() {
    GraphicsDeviceInfo info;
    QOpenGLContext* context = QOpenGLContext::currentContext();
    if (!context) return info;
    QOpenGLFunctions* gl = context->functions();
    info.renderer = Text(gl, GL_RENDERER);
    info.vendor = Text(gl, GL_VENDOR);
    info.version = Text(gl, GL_VERSION);
    info.shadingLanguage = Text(gl, GL_SHADING_LANGUAGE_VERSION);
    const QSurfaceFormat f = context->format();
    info.profile =
        f.profile() == QSurfaceFormat::CoreProfile ? QStringLiteral("core") : QStringLiteral("compatibility");
    info.colourFormat = QStringLiteral("R%1 G%2 B%3 A%4")
                            .arg(f.redBufferSize())
                            .arg(f.greenBufferSize())
                            .arg(f.blueBufferSize())
                            .arg(std::max(f.alphaBufferSize(), 0));
    info.depthFormat = f.stencilBufferSize() > 0
                           ? QStringLiteral("D%1S%2").arg(f.depthBufferSize()).arg(f.stencilBufferSize())
                           : QStringLiteral("D%1").arg(f.depthBufferSize());
    GLint samples = 0;
    gl->glGetIntegerv(kMaxSamples, &samples);
    info.maxSamples = samples;
    info.windowSamples = std::max(f.samples(), 0);
    return info;
}

QStringList GraphicsDeviceInfo::MultisampleChoices() const {
    QStringList choices{Str(kTextNone)};
    for (int n = 2; n <= maxSamples; n *= 2) choices << Str(kTextSamples, QString::number(n));
    return choices;
}

GraphicsDeviceDialog::GraphicsDeviceDialog(const GraphicsDeviceInfo& info, QWidget* parent)
    : QDialog(parent) {
    setWindowTitle(Str(kTitle));
    auto* layout = new QVBoxLayout(this);
    auto* form = new QFormLayout;
    const auto field = [](const QString& text) {
        auto* label = new QLabel(text);  // parented by the form
        label->setTextInteractionFlags(Qt::TextSelectableByMouse);
        return label;
    };
    form->addRow(Str(kTextRenderer), field(info.renderer));
    form->addRow(Str(kTextVendor), field(info.vendor));
    form->addRow(Str(kTextVersion), field(info.version));
    form->addRow(Str(kTextProfile), field(info.profile));
    form->addRow(Str(kTextShading), field(info.shadingLanguage));
    form->addRow(Str(kTextColour), field(info.colourFormat));
    form->addRow(Str(kTextDepth), field(info.depthFormat));
    form->addRow(Str(kTextWindowed), field(Str(kTextYes)));
    auto* samples = new QListWidget;
    samples->addItems(info.MultisampleChoices());
    samples->setMaximumHeight(110);
    const int current = info.windowSamples > 1 ? int(std::log2(info.windowSamples)) : 0;
    samples->setCurrentRow(std::min(current, samples->count() - 1));
    form->addRow(Str(kTextMultisample), samples);
    layout->addLayout(form);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    layout->addWidget(buttons);
}
