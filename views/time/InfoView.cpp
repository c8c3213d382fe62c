#include "views/time/InfoView.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPalette>
#include <QVBoxLayout>

#include "document/SoundDocument.h"
#include "platform/StringTable.h"
#include "platform/audio/AudioDevice.h"

namespace {

// Texts of the form.
constexpr int kTextSoundCard = 63310;
constexpr int kTextInput = 63311;
constexpr int kTextOutput = 63312;
constexpr int kTextWaveFormat = 63313;
constexpr int kTextChannels = 63314;
constexpr int kTextSampleRate = 63315;
constexpr int kTextHz = 63316;
constexpr int kTextResolution = 63317;
constexpr int kTextBit = 63318;
constexpr int kTextFormat = 63319;
constexpr int kTextFft = 63320;
constexpr int kTextPoints = 63321;
constexpr int kTextFiles = 63322;
constexpr int kTextLoaded = 63323;
constexpr int kTextForRecording = 63324;
constexpr int kTextListening = 63325;
constexpr int kTextRecording = 63326;

QGroupBox* Group(int title, QWidget* parent, QGridLayout** grid) {
    auto* box = new QGroupBox(Str(title), parent);  // owned by parent
    *grid = new QGridLayout(box);
    return box;
}

}  // namespace

InfoView::InfoView(SoundDocument& doc, QWidget* parent) : QWidget(parent), m_doc(doc) {
    auto* layout = new QGridLayout(this);  // owned by the view

    QGridLayout* grid = nullptr;
    QGroupBox* sound = Group(kTextSoundCard, this, &grid);
    AddField(grid, 0, kTextInput, kInputDevice);
    AddField(grid, 1, kTextOutput, kOutputDevice);
    layout->addWidget(sound, 0, 0, 1, 2);

    QGroupBox* wave = Group(kTextWaveFormat, this, &grid);
    AddField(grid, 0, kTextChannels, kChannels);
    AddField(grid, 1, kTextSampleRate, kSampleRate, kTextHz);
    AddField(grid, 2, kTextResolution, kBits, kTextBit);
    AddField(grid, 3, kTextFormat, kFormat);
    layout->addWidget(wave, 1, 0);

    auto* right = new QVBoxLayout;  // owned by the view's layout
    QGroupBox* fft = Group(kTextFft, this, &grid);
    QLineEdit* points = AddField(grid, 0, 0, kFftPoints, kTextPoints);
    points->setMinimumWidth(80);
    right->addWidget(fft);
    m_listening = MakeIndicator(kTextListening);
    m_recording = MakeIndicator(kTextRecording);
    right->addWidget(m_listening);
    right->addWidget(m_recording);
    right->addStretch(1);
    layout->addLayout(right, 1, 1);

    QGroupBox* files = Group(kTextFiles, this, &grid);
    AddField(grid, 0, kTextLoaded, kLoadedFile);
    AddField(grid, 1, kTextForRecording, kRecordFile);
    layout->addWidget(files, 2, 0, 1, 2);
    layout->setRowStretch(3, 1);

    m_doc.AddView(this);
}

InfoView::~InfoView() {
    m_doc.RemoveView(this);
}

QLineEdit* InfoView::AddField(QGridLayout* grid, int row, int labelText, int control, int unitText) {
    auto* field = new QLineEdit(grid->parentWidget());  // owned by the group
    field->setReadOnly(true);
    field->setFocusPolicy(Qt::NoFocus);
    field->setObjectName(QStringLiteral("field%1").arg(control));
    int column = 0;
    if (labelText != 0) {
        auto* label = new QLabel(Str(labelText), grid->parentWidget());
        label->setBuddy(field);
        grid->addWidget(label, row, column++);
    }
    grid->addWidget(field, row, column++);
    if (unitText != 0) grid->addWidget(new QLabel(Str(unitText), grid->parentWidget()), row, column);
    grid->setColumnStretch(labelText != 0 ? 1 : 0, 1);
    m_fields[control] = field;
    return field;
}

QLabel* InfoView::MakeIndicator(int text) {
    auto* indicator = new QLabel(Str(text), this);  // owned by the view
    indicator->setAlignment(Qt::AlignCenter);
    indicator->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    indicator->setAutoFillBackground(true);
    indicator->setMinimumHeight(24);
    return indicator;
}

void InfoView::SetIndicator(QLabel* indicator, bool on) {
    // Off, the text takes the colour of the background: only a lit indicator speaks.
    QPalette palette = indicator->palette();
    palette.setColor(QPalette::Window, on ? m_red : m_menu);
    palette.setColor(QPalette::WindowText, on ? m_frame : m_menu);
    indicator->setPalette(palette);
}

void InfoView::OnInitialUpdate() {
    const QPalette system = palette();
    m_menu = system.color(QPalette::Window);
    m_frame = system.color(QPalette::WindowText);
    m_red = QColor(255, 0, 0);
    SetIndicator(m_listening, false);
    SetIndicator(m_recording, false);
    // A window opened on a loaded sound shows it at once.
    Refill();
}

void InfoView::OnUpdate(int hint) {
    if (IsSelectionHint(hint) || hint == kHintRebuild) Refill();
}

void InfoView::Refill() {
    const auto set = [this](int control, const QString& text) { m_fields[control]->setText(text); };
    // Without a device the program names the system's default ones.
    set(kInputDevice,
        m_doc.InputDevice() ? m_doc.InputDevice()->Name() : QStringLiteral("Primärer Soundaufnahmetreiber"));
    set(kOutputDevice,
        m_doc.OutputDevice() ? m_doc.OutputDevice()->Name() : QStringLiteral("Primärer Soundtreiber"));
    set(kChannels, m_doc.Channels());
    set(kSampleRate, QString::number(m_doc.SampleRate()));
    set(kBits, QString::number(m_doc.BitsShown()));
    set(kFormat, m_doc.FormatName());
    set(kFftPoints, QString::number(m_doc.FftPoints()));
    set(kLoadedFile, m_doc.FileName());
    set(kRecordFile, m_doc.RecordFile());
    SetIndicator(m_listening, m_doc.IsListening());
    SetIndicator(m_recording, m_doc.IsRecording());
}

QString InfoView::FieldText(int control) const {
    const auto it = m_fields.find(control);
    return it == m_fields.end() ? QString() : it->second->text();
}

bool InfoView::IndicatorOn(int control) const {
    const QLabel* indicator = control == kListening   ? m_listening
                              : control == kRecording ? m_recording
                                                      : nullptr;
    return indicator && indicator->palette().color(QPalette::Window) == m_red &&
           indicator->palette().color(QPalette::WindowText) != m_red;
}
