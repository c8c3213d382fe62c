// The wavelet window: its controls and the transform parameters they set, the document's
// transform on selection changes, refused arguments, the colour map and its pictures.

#include <QComboBox>
#include <QFile>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QSpinBox>
#include <gtest/gtest.h>

#include "tests/support/DocFixture.h"
#include "views/common/IViewCommands.h"
#include "views/wavelet/CWaveletFrame.h"
#include "views/wavelet/CWaveletView.h"

using namespace test;

namespace {

constexpr int kRate = 44100;

class WaveletWindow : public DocFixture {
protected:
    void SetUp() override {
        DocFixture::SetUp();
        CKalvoSettings& s = app.Settings();
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
        frame = std::make_unique<CWaveletFrame>(app.Settings(), doc);
        doc.SetModuleFrame(Module::Wavelet, frame.get());
        View().OnInitialUpdate();
    }
    void Close() {
        doc.SetModuleFrame(Module::Wavelet, nullptr);
        frame.reset();
    }
    CWaveletView& View() { return *frame->WaveletView(); }
    template <typename T>
    T* Control(int id) { return qobject_cast<T*>(frame->Control(id)); }
    void ChooseWavelet(int index) {
        auto* list = Control<QComboBox>(CWaveletFrame::kWaveletList);
        list->setCurrentIndex(index);
        emit list->activated(index);
    }
    void TypeArguments(const QString& text) {
        auto* field = Control<QLineEdit>(CWaveletFrame::kArguments);
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
    std::unique_ptr<CWaveletFrame> frame;
};

TEST_F(WaveletWindow, ChoosingAWaveletPresetsItsArgumentsAndDescription) {
    struct Case {
        int index;
        const char* spec;
        const char* arguments;  // null: the field is hidden
    };
    const Case cases[] = {{0, "haar", nullptr},    {1, "mexicanhat", nullptr}, {3, "poisson", nullptr},
                          {4, "cauchy,2", "2"},    {5, "spinning,2,2", "2,2"}, {6, "morlet,2", "2"},
                          {7, "bspline,10,10", "10,10"}};
    frame->show();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.spec);
        ChooseWavelet(c.index);
        EXPECT_EQ(View().Settings().spec, QLatin1String(c.spec));
        EXPECT_EQ(doc.m_cwtParameters.wavelet, c.spec);
        auto* field = Control<QLineEdit>(CWaveletFrame::kArguments);
        EXPECT_EQ(field->isVisible(), c.arguments != nullptr);
        EXPECT_EQ(Control<QLabel>(CWaveletFrame::kArgumentsLabel)->isVisible(), c.arguments != nullptr);
        if (c.arguments) {
            EXPECT_EQ(field->text(), QLatin1String(c.arguments));
        }
        EXPECT_EQ(Control<QLabel>(CWaveletFrame::kDescription)->text(), Str(61568 + c.index));
    }
}

TEST_F(WaveletWindow, ControlsSetTheTransformsParameters) {
    Control<QSpinBox>(CWaveletFrame::kMinFreq)->setValue(25);
    EXPECT_FLOAT_EQ(doc.m_cwtParameters.scale_first, 0.04f);
    Control<QSpinBox>(CWaveletFrame::kMinFreq)->setValue(20);
    EXPECT_FLOAT_EQ(doc.m_cwtParameters.scale_first, 0.05f);
    Control<QSpinBox>(CWaveletFrame::kMaxFreq)->setValue(1000);
    EXPECT_FLOAT_EQ(doc.m_cwtParameters.scale_last, 0.001f);
    EXPECT_EQ(Control<QSpinBox>(CWaveletFrame::kMaxFreq)->value(), 1000);
    Control<QSpinBox>(CWaveletFrame::kScales)->setValue(40);
    Control<QSpinBox>(CWaveletFrame::kTimePoints)->setValue(30);
    auto* division = Control<QComboBox>(CWaveletFrame::kDivision);
    division->setCurrentIndex(1);
    emit division->activated(1);
    EXPECT_EQ(doc.m_cwtParameters.scale_count, 40);
    EXPECT_EQ(doc.m_cwtParameters.time_count, 30);
    EXPECT_EQ(doc.m_cwtParameters.division_type, 1);

    // With a selection the map follows every change at once.
    ASSERT_TRUE(doc.OnSelectionChanged(0, 4410));
    ASSERT_EQ(doc.m_aWaveletResult.size(), 2u + 40 * 30);
    Control<QSpinBox>(CWaveletFrame::kScales)->setValue(10);
    EXPECT_EQ(doc.m_aWaveletResult.size(), 2u + 10 * 30);
}

TEST_F(WaveletWindow, TheSelectionIsTransformedOnlyWhileTheWindowIsOpen) {
    ASSERT_TRUE(doc.OnSelectionChanged(0, 4410));
    ASSERT_EQ(doc.m_aWaveletResult.size(), 2u + 100 * 20);
    EXPECT_EQ(doc.m_aWaveletResult[0], 100.0f);
    EXPECT_EQ(doc.m_aWaveletResult[1], 20.0f);
    EXPECT_FLOAT_EQ(doc.m_cwtParameters.end_time, 0.1f);

    Close();
    ASSERT_TRUE(doc.OnSelectionChanged(0, 4410));
    EXPECT_LT(doc.m_aWaveletResult.size(), 3u);

    // Opening the window shows the selection made while it was closed.
    Open();
    EXPECT_EQ(doc.m_aWaveletResult.size(), 2u + 100 * 20);
}

TEST_F(WaveletWindow, RefusedArgumentsAreToldAndChangeNothing) {
    ASSERT_TRUE(doc.OnSelectionChanged(0, 4410));
    const std::vector<float> before = doc.m_aWaveletResult;
    TypeArguments(QStringLiteral("2,3"));
    EXPECT_TRUE(SaidNumber(ui, 64001));
    EXPECT_EQ(ui.messages.back().text, Str(64001, QStringLiteral("2,3")));
    EXPECT_EQ(View().Settings().spec, QStringLiteral("morlet,2"));
    EXPECT_EQ(Control<QLineEdit>(CWaveletFrame::kArguments)->text(), QStringLiteral("2"));
    EXPECT_EQ(doc.m_aWaveletResult, before);

    TypeArguments(QStringLiteral("4"));
    EXPECT_EQ(View().Settings().spec, QStringLiteral("morlet,4"));

    // A profile's wavelet that refuses its arguments: told at the next selection, and the map stays.
    ui.messages.clear();
    const std::vector<float> shown = doc.m_aWaveletResult;
    doc.m_cwtParameters.wavelet = "spinning,1,0.2";
    EXPECT_TRUE(doc.OnSelectionChanged(100, 4000));
    EXPECT_EQ(ui.messages.back().text, Str(64005, QStringLiteral("0.200000")));
    EXPECT_EQ(doc.m_aWaveletResult, shown);
}

TEST_F(WaveletWindow, SilenceOrAnInfiniteWaveletShowTheMessageInsteadOfAMap) {
    const QString silence = Write(QStringLiteral("silence.wav"), Mono16(kRate, std::vector<int>(4410, 0)));
    ASSERT_TRUE(doc.LoadWave(silence));
    ASSERT_TRUE(doc.OnSelectionChanged(0, 4410));
    EXPECT_TRUE(doc.m_aWaveletResult.empty());
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
    EXPECT_TRUE(doc.m_aWaveletResult.empty());
}

TEST_F(WaveletWindow, RowZeroIsTheBottomBandAndValuesMapToThePalette) {
    EXPECT_EQ(CWaveletView::PaletteIndex(255.0f), 1791);
    EXPECT_EQ(CWaveletView::PaletteIndex(0.0f), 0);
    EXPECT_EQ(CWaveletView::PaletteColor(1791), qRgb(255, 255, 255));
    EXPECT_EQ(CWaveletView::PaletteColor(0), qRgb(0, 0, 0));
    EXPECT_EQ(CWaveletView::PaletteColor(600), qRgb(255 - 88, 255, 0));

    // 100 bands of 20 cells on 200 x 500 pixels: cells of 10 x 5.
    doc.m_aWaveletResult.assign(2 + 100 * 20, 0.0f);
    doc.m_aWaveletResult[0] = 100;
    doc.m_aWaveletResult[1] = 20;
    doc.m_aWaveletResult[2 + 0] = 255.0f;            // row 0, column 0
    doc.m_aWaveletResult[2 + 99 * 20 + 19] = 127.0f;  // top row, last column
    const QImage picture = Paint(QSize(200, 500));
    EXPECT_EQ(picture.pixel(0, 499), qRgb(255, 255, 255));
    EXPECT_EQ(picture.pixel(9, 495), qRgb(255, 255, 255));
    EXPECT_EQ(picture.pixel(10, 499), qRgb(0, 0, 0));
    EXPECT_EQ(picture.pixel(0, 494), qRgb(0, 0, 0));
    EXPECT_EQ(picture.pixel(195, 2), CWaveletView::PaletteColor(CWaveletView::PaletteIndex(127.0f)));
}

TEST_F(WaveletWindow, SaveViewWritesTheMap) {
    ASSERT_TRUE(doc.OnSelectionChanged(0, 4410));
    View().resize(300, 200);
    const QString svg = Path(QStringLiteral("wavelet.svg"));
    ui.saveFiles.push_back(svg);
    View().OnViewCommand(ViewCommand::SaveView);
    EXPECT_EQ(ui.fileDialogs.back().title, QStringLiteral("Speichert diese Waveletansicht..."));
    const QByteArray text = ReadFile(svg);
    EXPECT_TRUE(text.contains("<title>KALVO Soundanalyse</title>"));
    EXPECT_TRUE(text.contains("<desc>Wavelet Abbild</desc>"));
    EXPECT_TRUE(View().HasCommand(ViewCommand::Copy));
    EXPECT_FALSE(View().HasCommand(ViewCommand::ExportData));
}

TEST_F(WaveletWindow, SettingsComeFromTheProfileAndGoBackWhenTheWindowCloses) {
    EXPECT_EQ(Control<QSpinBox>(CWaveletFrame::kMinFreq)->value(), 20);
    EXPECT_EQ(Control<QSpinBox>(CWaveletFrame::kMaxFreq)->value(), 20000);
    EXPECT_EQ(Control<QComboBox>(CWaveletFrame::kWaveletList)->currentIndex(), 6);
    Control<QSpinBox>(CWaveletFrame::kTimePoints)->setValue(77);
    ChooseWavelet(0);
    Close();
    EXPECT_EQ(app.Settings().IniWaveletZeitn, 77);
    EXPECT_EQ(app.Settings().IniWaveletWavelet, QStringLiteral("haar"));

    // Values outside the controls' ranges are pulled in.
    app.Settings().IniWaveletFreqmin = 0.0f;
    app.Settings().IniWaveletFreqn = 5000;
    app.Settings().IniWaveletadiv = 9;
    Open();
    EXPECT_FLOAT_EQ(View().Settings().scaleFirst, 0.05f);
    EXPECT_EQ(View().Settings().scaleCount, 999);
    EXPECT_EQ(View().Settings().division, 2);
}

}  // namespace

namespace {

TEST_F(WaveletWindow, F1OpensAPageThatExistsInBothLanguages) {
    const QString topic = View().HelpTopic();
    ASSERT_FALSE(topic.isEmpty());
    for (const char* language : {"en", "de"})
        EXPECT_TRUE(QFile::exists(QStringLiteral(":/resources/help/%1/").arg(QLatin1String(language)) + topic)) << language;
}

}  // namespace
