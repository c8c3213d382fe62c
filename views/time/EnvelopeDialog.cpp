#include "views/time/EnvelopeDialog.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QScreen>
#include <QVBoxLayout>
#include <algorithm>

#include "analysis/Envelope.h"
#include "platform/StringTable.h"
#include "views/common/ViewPicture.h"
#include "views/time/EnvelopePicture.h"

namespace {

constexpr int kTextTitle = 63810;
constexpr int kTextHint = 63811;
constexpr int kTitleSave = 61567;

struct ButtonText {
    int id, text, tip;
};
constexpr ButtonText kButtons[] = {
    {EnvelopeDialog::kCtrlDelete, 63812, 63819}, {EnvelopeDialog::kCtrlOptimize, 63813, 63817},
    {EnvelopeDialog::kCtrlDraw, 63814, 63818},   {EnvelopeDialog::kCtrlSave, 63815, 0},
    {EnvelopeDialog::kCtrlCopy, 63816, 0},
};

}  // namespace

EnvelopeDialog::EnvelopeDialog(EnvelopeCurves& curves, UserInterface& ui, QWidget* parent)
    : QDialog(parent), m_curves(curves), m_ui(ui) {
    setModal(false);
    setSizeGripEnabled(true);
    auto* layout = new QVBoxLayout(this);     // parented by the dialog
    m_picture = new EnvelopePicture(curves);  // parented by the layout
    layout->addWidget(m_picture, 1);
    m_hint = new QLabel;
    m_hint->setWordWrap(true);
    layout->addWidget(m_hint);

    auto* row = new QHBoxLayout;
    layout->addLayout(row);
    for (const ButtonText& b : kButtons) row->addWidget(NewButton(b.id));
    Button(kCtrlDelete)->setAutoDefault(false);

    connect(Button(kCtrlDelete), &QPushButton::clicked, this, &EnvelopeDialog::OnDeletePoints);
    connect(Button(kCtrlOptimize), &QPushButton::clicked, this, &EnvelopeDialog::OnOptimizePoints);
    connect(Button(kCtrlDraw), &QPushButton::clicked, this, &EnvelopeDialog::OnDrawEnvelope);
    connect(Button(kCtrlSave), &QPushButton::clicked, this, &EnvelopeDialog::OnSaveView);
    connect(Button(kCtrlCopy), &QPushButton::clicked, this, &EnvelopeDialog::OnCopy);
    UpdateTexts();
}

QPushButton* EnvelopeDialog::NewButton(int id) {
    auto* button = new QPushButton;  // parented by the button row
    button->setObjectName(QString::number(id));
    button->setAutoDefault(false);
    return button;
}

QPushButton* EnvelopeDialog::Button(int id) const {
    return findChild<QPushButton*>(QString::number(id));
}

void EnvelopeDialog::UpdateTexts() {
    setWindowTitle(Str(kTextTitle));
    m_hint->setText(Str(kTextHint));
    for (const ButtonText& b : kButtons) {
        Button(b.id)->setText(Str(b.text));
        Button(b.id)->setToolTip(b.tip ? Str(b.tip) : QString());
    }
}

void EnvelopeDialog::ShowCurves() {
    UpdateTexts();
    m_picture->update();
    if (!m_placed) PlaceBelowParent();
    show();
    raise();
    activateWindow();
}

void EnvelopeDialog::OnDeletePoints() {
    m_curves.Clear();
    m_picture->update();
    emit EnvelopeDeleted();
    close();
}

void EnvelopeDialog::OnOptimizePoints() {
    // Without points of their own the user gets a thinned copy of the upper envelope to start from.
    const std::vector<SplinePoint>& from =
        m_curves.interpolation.empty() ? m_curves.upper : m_curves.interpolation;
    m_curves.interpolation = Envelope::Simplify(from, kOptimizeTolerance);
    m_picture->update();
}

void EnvelopeDialog::OnDrawEnvelope() {
    m_curves.interpolation.clear();
    m_picture->update();
}

bool EnvelopeDialog::OnSaveView() {
    const EnvelopeCurves& curves = m_curves;
    const PaintRoutine paint = [&curves](QPainter& painter, const QRect& rect) {
        EnvelopePicture::Draw(painter, rect, curves);
    };
    // The picture as the user sees it in the dialog.
    return SaveViewPicture(m_ui, Str(kTitleSave), PictureName(), m_picture->size(), paint);
}

bool EnvelopeDialog::OnCopy() {
    const EnvelopeCurves& curves = m_curves;
    const PaintRoutine paint = [&curves](QPainter& painter, const QRect& rect) {
        EnvelopePicture::Draw(painter, rect, curves);
    };
    return CopyViewPicture(m_ui, PictureName(), m_picture->size(), paint);
}

void EnvelopeDialog::PlaceBelowParent() {
    // The first time, below the waveform, so that the stretch between the markers stays in
    // sight; as far down as the screen allows when there is not room enough below it.
    m_placed = true;
    const QWidget* anchor = parentWidget();
    const QScreen* screen = anchor ? anchor->screen() : nullptr;
    if (!anchor || !screen) return;
    adjustSize();
    const QRect free = screen->availableGeometry();
    const QSize size = frameSize();
    if (size.width() > free.width() || size.height() > free.height()) return;
    const QPoint below = anchor->mapToGlobal(QPoint(0, anchor->height() + 40));
    move(std::clamp(below.x(), free.left(), free.right() + 1 - size.width()),
         std::clamp(below.y(), free.top(), free.bottom() + 1 - size.height()));
}
