#pragma once
// The wavelet module's view: the continuous wavelet transform of the selection as a colour
// map, time from left to right and the scales from the bottom up. The document computes the
// transform (when the selection changes, and here when a control changes); the view edits
// the transform's parameters and draws the document's result.

#include <QRgb>
#include <QString>
#include <QWidget>
#include <array>
#include <functional>
#include <optional>
#include <string>
#include <tuple>
#include <vector>

#include "document/IDocumentView.h"
#include "platform/PictureWriter.h"
#include "views/common/IViewCommands.h"
#include "views/wavelet/WaveletViewSettings.h"

class SoundDocument;
class ProfileSettings;
class QPainter;

class WaveletView : public QWidget, public IDocumentView, public IModuleView {
    Q_OBJECT
public:
    static constexpr int kPaletteSize = 1792;
    static constexpr int kWaveletCount = 8;

    WaveletView(SoundDocument& doc, ProfileSettings& settings, QWidget* parent = nullptr);
    ~WaveletView() override;

    void OnInitialUpdate() override;
    void OnUpdate(int hint) override;
    void CollectWindowState(ProfileSettings& settings) override;

    // The colour map of the document's result with its frequency scale at the left, or the
    // message that there is none.
    void OnDraw(QPainter& painter, const QRect& rect) const;
    // The frequency each row of the document's result shows strongest, bottom row first.
    const std::vector<double>& RowFrequencies() const;
    // Where hz lies among the rows of these frequencies, in rows from the bottom edge (row r's
    // middle is r + 0.5); nothing outside them.
    static std::optional<double> RowPosition(const std::vector<double>& frequencies, double hz);
    // A label of the frequency scale in the interface's language: "440 Hz", "1.25 kHz".
    static QString FrequencyLabel(double hz);
    static QString PictureName() { return PictureNameOf(PictureKind::Wavelet); }

    bool HasCommand(ViewCommand command) const override;
    void OnViewCommand(ViewCommand command) override;
    QString HelpTopic() const override {
        return QStringLiteral("html/Wavelettransformationsdarstellung.html");
    }

    // ---- the control bar's handlers; each recomputes the transform of the selection ----
    void OnWavelet(int index);              // list position 0 .. 7; presets the arguments
    void OnArguments(const QString& text);  // refused arguments are told and not taken
    void OnMinFrequency(int hz);
    void OnMaxFrequency(int hz);
    void OnScales(int count);
    void OnTimePoints(int count);
    void OnDivision(int type);

    const WaveletViewSettings& Settings() const { return m_settingsCopy; }
    // Called after a handler changed the settings: the control bar shows them.
    void SetSettingsListener(std::function<void(const WaveletViewSettings&)> listener) {
        m_listener = std::move(listener);
    }

    // 1792 colours in seven ramps from black over red, yellow, green, cyan, blue and magenta to white.
    static QRgb PaletteColor(int index);
    // The palette entry of a display value 0..255.
    static int PaletteIndex(float value);
    // The family name of list entry i and the arguments it starts with (empty for real wavelets).
    static QString SpecName(int index);
    static QString PresetArguments(int index);
    static bool IsComplex(int index) { return index >= 4; }
    // The description of list entry i.
    static QString Description(int index);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void Changed();  // parameters to the document, transform, bar, repaint
    static void DrawFrequencyAxis(QPainter& painter, const QRect& strip,
                                  const std::vector<double>& frequencies);

    SoundDocument& m_doc;
    ProfileSettings& m_settings;
    WaveletViewSettings m_settingsCopy;
    std::function<void(const WaveletViewSettings&)> m_listener;
    // The row frequencies of the parameters they were made for (wavelet, scales, count, division).
    mutable std::optional<std::tuple<std::string, float, float, int, int>> m_rowKey;
    mutable std::vector<double> m_rowFrequencies;
};
