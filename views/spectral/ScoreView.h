#pragma once
// The score module's view: the partials of the current spectrum read musically. The lowest
// partial is the fundamental; the view shows the partials as an overtone ladder with interval
// names, as notes on a grand staff, or records the melody of the fundamentals detected while
// the sound runs and writes it on the staff, scrolling to the right as it grows.

#include <QAbstractScrollArea>
#include <functional>
#include <optional>
#include <vector>

#include "analysis/NoteRecorder.h"
#include "analysis/ScorePartials.h"
#include "document/IDocumentView.h"
#include "platform/PictureWriter.h"
#include "views/common/IViewCommands.h"

class SoundDocument;
class ProfileSettings;
class QPainter;

class ScoreView : public QAbstractScrollArea, public IDocumentView, public IModuleView {
    Q_OBJECT
public:
    enum Mode { kLadder = 0, kOvertoneNotes = 1, kMelody = 2 };
    static constexpr int kToneMs = 300;
    static constexpr int kNoteSpacing = 20;  // recorded notes stand this far apart
    static constexpr int kKidsFftPoints = 32768;

    ScoreView(SoundDocument& doc, ProfileSettings& settings, QWidget* parent = nullptr);
    ~ScoreView() override;

    void OnInitialUpdate() override;
    void OnUpdate(int hint) override;
    void CollectWindowState(ProfileSettings& settings) override;

    // Analyses the document's spectrum and draws the chosen mode into rect, the score scrolled
    // by offset pixels.
    void OnDraw(QPainter& painter, const QRect& rect, int offset);
    static QString PictureName() { return PictureNameOf(PictureKind::Score); }

    bool HasCommand(ViewCommand command) const override;
    void OnViewCommand(ViewCommand command) override;
    QString HelpTopic() const override { return QStringLiteral("html/NotenbildundObertonspektrum.html"); }

    // The partials of the document's spectrum now.
    const std::vector<Partial>& AnalysisSpectrum();
    const std::vector<Partial>& Partials() const { return m_partials; }
    const std::vector<Partial>& RecordedNotes() const { return m_recorder.Notes(); }
    // One line per partial: frequency, level in dB, note number, note name, interval; nothing
    // where the spectrum holds no partial.
    std::optional<QString> ExportTable();
    // The width the score needs: at least the window's.
    int ScrollWidth() const;

    // ---- the control bar's handlers ----
    void OnMode(int mode);
    void OnLinear(bool linear);
    void OnOvertones(int count);
    void OnDeleteRecording();
    // Plays the partials one after another; false when there are fewer than three.
    bool OnPlayOvertones();

    int Mode() const { return m_mode; }
    bool IsLinear() const { return m_linear; }
    int Overtones() const { return m_overtones; }
    // Called when the settings were taken at the initial update: the bar shows them.
    void SetSettingsListener(std::function<void()> listener) { m_listener = std::move(listener); }

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void Detect(bool selection);
    void UpdateScrollRange();
    void DrawLadder(QPainter& painter, const QRect& rect) const;
    void DrawStaff(QPainter& painter, const QRect& rect) const;
    void DrawNote(QPainter& painter, int x, int bottom, int note) const;
    void DrawWarning(QPainter& painter, const QRect& rect) const;
    int BitsPerSample() const;

    SoundDocument& m_doc;
    ProfileSettings& m_settings;
    int m_mode = kLadder;
    bool m_linear = true;
    int m_overtones = 8;
    std::vector<Partial> m_partials;
    NoteRecorder m_recorder;
    std::function<void()> m_listener;
};
