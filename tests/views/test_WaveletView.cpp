// The wavelet window: its controls and the transform parameters they set, the document's
// transform on selection changes, refused arguments, the colour map and its pictures.

#include <gtest/gtest.h>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QSpinBox>
#include <QTest>

#include <cmath>
#include <optional>

#include "analysis/WaveletFunction.h"

#include "tests/support/DocFixture.h"
#include "tests/support/DocumentTestAccess.h"
#include "views/common/IViewCommands.h"
#include "views/wavelet/WaveletFrame.h"
#include "views/wavelet/WaveletView.h"

using namespace test;

namespace {

constexpr int kRate = 44100;

class WaveletWindow : public DocFixture {
protected:
    void SetUp() override {
        DocFixture::SetUp();
        ProfileSettings& s = app.Settings();
        s.IniWaveletWavelet = QStringLiteral("morlet,2");
        s.IniWaveletFreqmin = 0.05f;
        s.IniWaveletFreqmax = 0.00005f;
        s.IniWaveletFreqn = 100;
        s.IniWaveletZeitn = 20;
        s.IniWaveletadiv = 2;
        const QString wave = Write(QStringLiteral("tone.wav"), Mono16(kRate, Sine(440, kRate, 8820, 10000)));
        ASSERT_TRUE(doc.LoadWave(wave));
        Open();
    }
    void TearDown() override {
        Close();
        DocFixture::TearDown();
    }
    void Open() {
        frame = std::make_unique<WaveletFrame>(app.Settings(), doc);
        doc.SetModuleFrame(Module::Wavelet, frame.get());
        View().OnInitialUpdate();
    }
    void Close() {
        doc.SetModuleFrame(Module::Wavelet, nullptr);
        frame.reset();
    }
    WaveletView& View() { return *frame->ShownView(); }
    template <typename T>
    T* Control(int id) {
        return qobject_cast<T*>(frame->Control(id));
    }
    void ChooseWavelet(int index) {
        auto* list = Control<QComboBox>(WaveletFrame::kWaveletList);
        list->setCurrentIndex(index);
        emit list->activated(index);
    }
    void TypeArguments(const QString& text) {
        auto* field = Control<QLineEdit>(WaveletFrame::kArguments);
        field->setText(text);
        field->setModified(true);
        emit field->editingFinished();
    }
    QImage Paint(const QSize& size) {
        QImage image(size, QImage::Format_RGB32);
        QPainter painter(&image);
        View().OnDraw(painter, QRect(QPoint(0, 0), size));
        return image;
    }
    std::unique_ptr<WaveletFrame> frame;
};

TEST_F(WaveletWindow, ChoosingAWaveletPresetsItsArgumentsAndDescription) {
    struct Case {
        int index;
        const char* spec;
        const char* arguments;  // null: the field is hidden
    };
    const Case cases[] = {{0, "haar", nullptr},         {1, "mexicanhat", nullptr}, {3, "poisson", nullptr},
                          {4, "cauchy,2", "2"},         {5, "spinning,2,2", "2,2"}, {6, "morlet,2", "2"},
                          {7, "bspline,10,10", "10,10"}};
    frame->show();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.spec);
        ChooseWavelet(c.index);
        EXPECT_EQ(View().Settings().spec, QLatin1String(c.spec));
        EXPECT_EQ(doc.WaveletParameters().wavelet, c.spec);
        auto* field = Control<QLineEdit>(WaveletFrame::kArguments);
        EXPECT_EQ(field->isVisible(), c.arguments != nullptr);
        EXPECT_EQ(Control<QLabel>(WaveletFrame::kArgumentsLabel)->isVisible(), c.arguments != nullptr);
        if (c.arguments) {
            EXPECT_EQ(field->text(), QLatin1String(c.arguments));
        }
        EXPECT_EQ(Control<QLabel>(WaveletFrame::kDescription)->text(), Str(StringId::HaarWavelet + c.index));
    }
}

// The Morlet wavelet of base scale s0 answers nu = (1 + sqrt(1 + 1/(2 pi^2 s0^2))) / 2 most.
double MorletCentre(double s0) {
    const double pi = 3.14159265358979;
    return (1 + std::sqrt(1 + 1 / (2 * pi * pi * s0 * s0))) / 2;
}

TEST_F(WaveletWindow, ControlsSetTheTransformsParameters) {
    // The frequencies are those the rows answer: the centre frequency over the scale.
    const double centre = MorletCentre(2);
    Control<QSpinBox>(WaveletFrame::kMinFreq)->setValue(25);
    EXPECT_FLOAT_EQ(doc.WaveletParameters().scale_first, float(centre / 25));
    Control<QSpinBox>(WaveletFrame::kMinFreq)->setValue(20);
    EXPECT_FLOAT_EQ(doc.WaveletParameters().scale_first, float(centre / 20));
    Control<QSpinBox>(WaveletFrame::kMaxFreq)->setValue(1000);
    EXPECT_FLOAT_EQ(doc.WaveletParameters().scale_last, float(centre / 1000));
    EXPECT_EQ(Control<QSpinBox>(WaveletFrame::kMaxFreq)->value(), 1000);
    // Another wavelet keeps the frequencies and moves the scales with its centre.
    ChooseWavelet(1);
    EXPECT_EQ(Control<QSpinBox>(WaveletFrame::kMinFreq)->value(), 20);
    EXPECT_EQ(Control<QSpinBox>(WaveletFrame::kMaxFreq)->value(), 1000);
    EXPECT_NEAR(doc.WaveletParameters().scale_last, wavelet_centre_frequency("mexicanhat") / 1000, 1e-9);
    ChooseWavelet(6);
    EXPECT_FLOAT_EQ(doc.WaveletParameters().scale_last, float(centre / 1000));
    Control<QSpinBox>(WaveletFrame::kScales)->setValue(40);
    Control<QSpinBox>(WaveletFrame::kTimePoints)->setValue(30);
    auto* division = Control<QComboBox>(WaveletFrame::kDivision);
    division->setCurrentIndex(1);
    emit division->activated(1);
    EXPECT_EQ(doc.WaveletParameters().scale_count, 40);
    EXPECT_EQ(doc.WaveletParameters().time_count, 30);
    EXPECT_EQ(doc.WaveletParameters().division_type, 1);

    // With a selection the map follows every change at once.
    ASSERT_TRUE(doc.OnSelectionChanged(0, 4410));
    ASSERT_EQ(doc.WaveletResult().size(), 2u + 40 * 30);
    Control<QSpinBox>(WaveletFrame::kScales)->setValue(10);
    EXPECT_EQ(doc.WaveletResult().size(), 2u + 10 * 30);
}

TEST_F(WaveletWindow, TheSelectionIsTransformedOnlyWhileTheWindowIsOpen) {
    ASSERT_TRUE(doc.OnSelectionChanged(0, 4410));
    ASSERT_EQ(doc.WaveletResult().size(), 2u + 100 * 20);
    EXPECT_EQ(doc.WaveletResult()[0], 100.0f);
    EXPECT_EQ(doc.WaveletResult()[1], 20.0f);
    EXPECT_FLOAT_EQ(doc.WaveletParameters().end_time, 0.1f);

    Close();
    ASSERT_TRUE(doc.OnSelectionChanged(0, 4410));
    EXPECT_LT(doc.WaveletResult().size(), 3u);

    // Opening the window shows the selection made while it was closed.
    Open();
    EXPECT_EQ(doc.WaveletResult().size(), 2u + 100 * 20);
}

TEST_F(WaveletWindow, RefusedArgumentsAreToldAndChangeNothing) {
    ASSERT_TRUE(doc.OnSelectionChanged(0, 4410));
    const std::vector<float> before = doc.WaveletResult();
    const QImage picture = Paint(QSize(400, 300));
    for (const char* refused : {"2,3", "x", "0,5,", ""}) {
        SCOPED_TRACE(refused);
        ui.messages.clear();
        TypeArguments(QLatin1String(refused));
        ASSERT_EQ(ui.messages.size(), 1u);
        EXPECT_EQ(View().Settings().spec, QStringLiteral("morlet,2"));
        EXPECT_EQ(Control<QLineEdit>(WaveletFrame::kArguments)->text(), QStringLiteral("2"));
        EXPECT_EQ(doc.WaveletResult(), before);
        EXPECT_EQ(Paint(QSize(400, 300)), picture);  // the picture and its scale stay
    }
    TypeArguments(QStringLiteral("2,3"));
    EXPECT_EQ(ui.messages.back().text, Str(StringId::MorletWaveletAcceptsOnly, QStringLiteral("2,3")));

    TypeArguments(QStringLiteral("4"));
    EXPECT_EQ(View().Settings().spec, QStringLiteral("morlet,4"));

    // A profile's wavelet that refuses its arguments: told at the next selection, and the map stays.
    ui.messages.clear();
    const std::vector<float> shown = doc.WaveletResult();
    DocumentTestAccess::WaveletParameters(doc).wavelet = "spinning,1,0.2";
    EXPECT_TRUE(doc.OnSelectionChanged(100, 4000));
    EXPECT_EQ(ui.messages.back().text, Str(StringId::GetAdmissibleWaveletMust, QStringLiteral("0.200000")));
    EXPECT_EQ(doc.WaveletResult(), shown);
}

TEST_F(WaveletWindow, SilenceOrAnInfiniteWaveletShowTheMessageInsteadOfAMap) {
    const QString silence = Write(QStringLiteral("silence.wav"), Mono16(kRate, std::vector<int>(4410, 0)));
    ASSERT_TRUE(doc.LoadWave(silence));
    ASSERT_TRUE(doc.OnSelectionChanged(0, 4410));
    EXPECT_TRUE(doc.WaveletResult().empty());
    const QImage message = Paint(QSize(400, 300));
    // White text on black.
    bool white = false;
    for (int y = 0; y < 300 && !white; ++y)
        for (int x = 0; x < 400 && !white; ++x) white = message.pixelColor(x, y) == QColor(255, 255, 255);
    EXPECT_TRUE(white);

    const QString tone = Write(QStringLiteral("tone2.wav"), Mono16(kRate, Sine(440, kRate, 8820, 10000)));
    ASSERT_TRUE(doc.LoadWave(tone));
    ChooseWavelet(4);
    TypeArguments(QStringLiteral("0"));  // order 0: the support is infinite
    ASSERT_TRUE(doc.OnSelectionChanged(0, 4410));
    EXPECT_TRUE(doc.WaveletResult().empty());
}

TEST_F(WaveletWindow, RowZeroIsTheBottomBandAndValuesMapToThePalette) {
    EXPECT_EQ(WaveletView::PaletteIndex(255.0f), 1791);
    EXPECT_EQ(WaveletView::PaletteIndex(0.0f), 0);
    EXPECT_EQ(WaveletView::PaletteColor(1791), qRgb(255, 255, 255));
    EXPECT_EQ(WaveletView::PaletteColor(0), qRgb(0, 0, 0));
    EXPECT_EQ(WaveletView::PaletteColor(600), qRgb(255 - 88, 255, 0));

    // 100 bands of 20 cells on 262 x 500 pixels, right of the 62 pixels of the frequency
    // scale: cells of 10 x 5.
    DocumentTestAccess::WaveletResult(doc).assign(2 + 100 * 20, 0.0f);
    DocumentTestAccess::WaveletResult(doc)[0] = 100;
    DocumentTestAccess::WaveletResult(doc)[1] = 20;
    DocumentTestAccess::WaveletResult(doc)[2 + 0] = 255.0f;             // row 0, column 0
    DocumentTestAccess::WaveletResult(doc)[2 + 99 * 20 + 19] = 127.0f;  // top row, last column
    const QImage picture = Paint(QSize(262, 500));
    EXPECT_EQ(picture.pixel(62, 499), qRgb(255, 255, 255));
    EXPECT_EQ(picture.pixel(71, 495), qRgb(255, 255, 255));
    EXPECT_EQ(picture.pixel(72, 499), qRgb(0, 0, 0));
    EXPECT_EQ(picture.pixel(62, 494), qRgb(0, 0, 0));
    EXPECT_EQ(picture.pixel(257, 2), WaveletView::PaletteColor(WaveletView::PaletteIndex(127.0f)));
    // The scale left of the map carries labels (white text) and red ticks.
    bool text = false, tick = false;
    for (int y = 0; y < 500; ++y)
        for (int x = 0; x < 62; ++x) {
            text = text || picture.pixel(x, y) == qRgb(255, 255, 255);
            tick = tick || picture.pixel(x, y) == qRgb(255, 0, 0);
        }
    EXPECT_TRUE(text);
    EXPECT_TRUE(tick);
}

TEST_F(WaveletWindow, TheScaleIsLabelledWithTheFrequenciesTheRowsAnswer) {
    // Morlet, 100 rows from 20 to 20063 Hz (the centre over the scales 0.05 and 0.00005 s),
    // exponential, largest scale at the bottom.
    ASSERT_TRUE(doc.OnSelectionChanged(0, 4410));
    const std::vector<double>& rows = View().RowFrequencies();
    ASSERT_EQ(rows.size(), 100u);
    const double centre = MorletCentre(2);
    EXPECT_NEAR(rows.front(), centre / (0.05 * std::pow(0.001, 1.0 / 100)), 1e-3);
    EXPECT_NEAR(rows.back(), centre / 0.00005, 0.05);
    EXPECT_EQ(Control<QSpinBox>(WaveletFrame::kMaxFreq)->value(), std::lround(centre / 0.00005));
    // A frequency between two rows lies between their middles.
    const std::optional<double> at = WaveletView::RowPosition(rows, std::sqrt(rows[40] * rows[41]));
    ASSERT_TRUE(at);
    EXPECT_NEAR(*at, 41.0, 1e-9);
    EXPECT_FALSE(WaveletView::RowPosition(rows, 5.0));

    EXPECT_EQ(WaveletView::FrequencyLabel(440), QStringLiteral("440 Hz"));
    EXPECT_EQ(WaveletView::FrequencyLabel(1250), QStringLiteral("1.25 kHz"));
    EXPECT_EQ(WaveletView::FrequencyLabel(2.5), QStringLiteral("2.5 Hz"));
    SetCurrentLanguage(Language::German);
    EXPECT_EQ(WaveletView::FrequencyLabel(1250), QStringLiteral("1,25 kHz"));
    SetCurrentLanguage(Language::English);
}

// A profile's wavelet text that is refused gives way to the default wavelet, said once.
TEST_F(WaveletWindow, AProfileWithARefusedWaveletOpensWithTheDefaultAndSaysSoOnce) {
    for (const char* refused : {"gabor", "morlet,2,3", "spinning,1,0.2"}) {
        SCOPED_TRACE(refused);
        Close();
        const QString profile = Path(QStringLiteral("Profile/KalvoUserProfil-bad.ini"));
        QDir().mkpath(QFileInfo(profile).path());
        ASSERT_TRUE(
            WriteFile(profile, QByteArray("[Wavelet]\r\nIniWaveletWavelet=") + refused +
                                   "\r\nIniWaveletFreqmin=0.02\r\nIniWaveletFreqmax=0.0002\r\n"
                                   "IniWaveletFreqn=50\r\nIniWaveletZeitn=20\r\nIniWaveletadiv=2\r\n"));
        app.m_profileKind = ProfileKind::User;
        app.m_userProfileFile = QStringLiteral("KalvoUserProfil-bad.ini");
        ASSERT_TRUE(app.LoadProfile());
        ASSERT_EQ(app.Settings().IniWaveletWavelet, QLatin1String(refused));
        ui.messages.clear();
        Open();
        ASSERT_EQ(ui.messages.size(), 1u);
        EXPECT_TRUE(SaidNumber(ui, 64049));
        EXPECT_TRUE(ui.messages[0].text.contains(QLatin1String(refused)));
        EXPECT_EQ(View().Settings().spec, QStringLiteral("morlet,2"));
        EXPECT_EQ(doc.WaveletParameters().wavelet, "morlet,2");
        // The profile's scales keep their meaning.
        EXPECT_FLOAT_EQ(View().Settings().scaleFirst, 0.02f);
        ASSERT_TRUE(doc.OnSelectionChanged(0, 4410));
        EXPECT_EQ(doc.WaveletResult().size(), 2u + 50 * 20);
        // Once: the window opened again, or the next selection, say nothing more.
        Close();
        Open();
        ASSERT_TRUE(doc.OnSelectionChanged(0, 4000));
        EXPECT_EQ(ui.messages.size(), 1u);
    }
}

TEST_F(WaveletWindow, SaveViewWritesTheMap) {
    ASSERT_TRUE(doc.OnSelectionChanged(0, 4410));
    View().resize(300, 200);
    const QString svg = Path(QStringLiteral("wavelet.svg"));
    ui.saveFiles.push_back(svg);
    View().OnViewCommand(ViewCommand::SaveView);
    EXPECT_EQ(ui.fileDialogs.back().title, QStringLiteral("Saves this wavelet view..."));
    const QByteArray text = ReadFile(svg);
    EXPECT_TRUE(text.contains("<title>KALVO sound analysis</title>"));
    EXPECT_TRUE(text.contains("<desc>Wavelet picture</desc>"));
    EXPECT_TRUE(View().HasCommand(ViewCommand::Copy));
    EXPECT_FALSE(View().HasCommand(ViewCommand::ExportData));
}

TEST_F(WaveletWindow, SettingsComeFromTheProfileAndGoBackWhenTheWindowCloses) {
    EXPECT_EQ(Control<QSpinBox>(WaveletFrame::kMinFreq)->value(), 20);
    EXPECT_EQ(Control<QSpinBox>(WaveletFrame::kMaxFreq)->value(), std::lround(MorletCentre(2) / 0.00005));
    EXPECT_EQ(Control<QComboBox>(WaveletFrame::kWaveletList)->currentIndex(), 6);
    Control<QSpinBox>(WaveletFrame::kTimePoints)->setValue(77);
    ChooseWavelet(0);
    Close();
    EXPECT_EQ(app.Settings().IniWaveletZeitn, 77);
    EXPECT_EQ(app.Settings().IniWaveletWavelet, QStringLiteral("haar"));

    // Values outside the controls' ranges are pulled in.
    app.Settings().IniWaveletFreqmin = 0.0f;
    app.Settings().IniWaveletFreqn = 5000;
    app.Settings().IniWaveletadiv = 9;
    Open();
    EXPECT_FLOAT_EQ(View().Settings().scaleFirst, float(wavelet_centre_frequency("haar") / 20));
    EXPECT_EQ(Control<QSpinBox>(WaveletFrame::kMinFreq)->value(), 20);
    EXPECT_EQ(View().Settings().scaleCount, 999);
    EXPECT_EQ(View().Settings().division, 2);
}

}  // namespace

namespace {

TEST_F(WaveletWindow, F1OpensAPageThatExistsInBothLanguages) {
    const QString topic = View().HelpTopic();
    ASSERT_FALSE(topic.isEmpty());
    for (const char* language : {"en", "de"})
        EXPECT_TRUE(
            QFile::exists(QStringLiteral(":/resources/help/%1/").arg(QLatin1String(language)) + topic))
            << language;
}

}  // namespace

TEST_F(WaveletWindow, ANewSelectionIsDrawnEvenWhenAnotherWindowAskedAQuestionFirst) {
    // A window that asks a question before this one hears of the selection runs a nested event
    // loop (with the program's idle processing); the window is repainted all the same.
    struct Asking : IDocumentView {
        void OnUpdate(int) override { QCoreApplication::processEvents(); }
    } asking;
    struct PaintCounter : QObject {
        int paints = 0;
        bool eventFilter(QObject*, QEvent* event) override {
            if (event->type() == QEvent::Paint) ++paints;
            return false;
        }
    } counter;
    doc.RemoveView(&View());
    doc.AddView(&asking);
    doc.AddView(&View());
    frame->resize(500, 300);
    frame->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(frame.get()));
    QCoreApplication::processEvents();
    View().installEventFilter(&counter);
    ASSERT_TRUE(doc.OnSelectionChanged(0, 8820));
    EXPECT_TRUE(QTest::qWaitFor([&] { return counter.paints > 0; }, 10000));
    doc.RemoveView(&asking);
}
