#include "views/time/CHuellkurveDlg.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QScreen>
#include <QVBoxLayout>
#include <algorithm>

#include "analysis/CEnvelope.h"
#include "platform/StringTable.h"
#include "views/common/ViewPicture.h"
#include "views/time/CEnvelopePicture.h"

namespace {

constexpr int kTextTitle = 63810;
constexpr int kTextHint = 63811;
constexpr int kTitleSave = 61567;

struct ButtonText {
    int id, text, tip;
};
constexpr ButtonText kButtons[] = {
    {CHuellkurveDlg::kCtrlDelete, 63812, 63819}, {CHuellkurveDlg::kCtrlOptimize, 63813, 63817},
    {CHuellkurveDlg::kCtrlDraw, 63814, 63818},   {CHuellkurveDlg::kCtrlSave, 63815, 0},
    {CHuellkurveDlg::kCtrlCopy, 63816, 0},
};

}  // namespace

CHuellkurveDlg::CHuellkurveDlg(EnvelopeCurves& curves, UserInterface& ui, QWidget* parent)
    : QDialog(parent), m_curves(curves), m_ui(ui) {
    setModal(false);
    setSizeGripEnabled(true);
    auto* layout = new QVBoxLayout(this);       // parented by the dialog
    m_pPicture = new CEnvelopePicture(curves);  // parented by the layout
    layout->addWidget(m_pPicture, 1);
    m_pHint = new QLabel;
    m_pHint->setWordWrap(true);
    layout->addWidget(m_pHint);

    auto* row = new QHBoxLayout;
    layout->addLayout(row);
    for (const ButtonText& b : kButtons) row->addWidget(NewButton(b.id));
    Button(kCtrlDelete)->setAutoDefault(false);

    connect(Button(kCtrlDelete), &QPushButton::clicked, this, &CHuellkurveDlg::OnDeletePoints);
    connect(Button(kCtrlOptimize), &QPushButton::clicked, this, &CHuellkurveDlg::OnOptimizePoints);
    connect(Button(kCtrlDraw), &QPushButton::clicked, this, &CHuellkurveDlg::OnDrawEnvelope);
    connect(Button(kCtrlSave), &QPushButton::clicked, this, &CHuellkurveDlg::OnSaveView);
    connect(Button(kCtrlCopy), &QPushButton::clicked, this, &CHuellkurveDlg::OnCopy);
    UpdateTexts();
}

QPushButton* CHuellkurveDlg::NewButton(int id) {
    auto* button = new QPushButton;  // parented by the button row
    button->setObjectName(QString::number(id));
    button->setAutoDefault(false);
    return button;
}

QPushButton* CHuellkurveDlg::Button(int id) const {
    return findChild<QPushButton*>(QString::number(id));
}

void CHuellkurveDlg::UpdateTexts() {
    setWindowTitle(Str(kTextTitle));
    m_pHint->setText(Str(kTextHint));
    for (const ButtonText& b : kButtons) {
        Button(b.id)->setText(Str(b.text));
        Button(b.id)->setToolTip(b.tip ? Str(b.tip) : QString());
    }
}

void CHuellkurveDlg::ShowCurves() {
    UpdateTexts();
    m_pPicture->update();
    if (!m_bPlaced) PlaceBelowParent();
    show();
    raise();
    activateWindow();
}

void CHuellkurveDlg::OnDeletePoints() {
    m_curves.Clear();
    m_pPicture->update();
    emit EnvelopeDeleted();
    close();
}

void CHuellkurveDlg::OnOptimizePoints() {
    // Without points of their own the user gets a thinned copy of the upper envelope to start from.
    const std::vector<SplinePoint>& from =
        m_curves.interpolation.empty() ? m_curves.upper : m_curves.interpolation;
    m_curves.interpolation = CEnvelope::Simplify(from, kOptimizeTolerance);
    m_pPicture->update();
}

void CHuellkurveDlg::OnDrawEnvelope() {
    m_curves.interpolation.clear();
    m_pPicture->update();
}

bool CHuellkurveDlg::OnSaveView() {
    const EnvelopeCurves& curves = m_curves;
    const PaintRoutine paint = [&curves](QPainter& painter, const QRect& rect) {
        CEnvelopePicture::Draw(painter, rect, curves);
    };
    // The picture as the user sees it in the dialog.
    return SaveViewPicture(m_ui, Str(kTitleSave), PictureName(), m_pPicture->size(), paint);
}

bool CHuellkurveDlg::OnCopy() {
    const EnvelopeCurves& curves = m_curves;
    const PaintRoutine paint = [&curves](QPainter& painter, const QRect& rect) {
        CEnvelopePicture::Draw(painter, rect, curves);
    };
    return CopyViewPicture(m_ui, PictureName(), m_pPicture->size(), paint);
}

void CHuellkurveDlg::PlaceBelowParent() {
    // The first time, below the waveform, so that the stretch between the markers stays in
    // sight; as far down as the screen allows when there is not room enough below it.
    m_bPlaced = true;
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
