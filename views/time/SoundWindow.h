#pragma once
// The main sound window: the overview of the whole sound above the waveform of the marked
// stretch, in a vertical splitter, with the control bar of both at the right. It lives as
// long as the document and cannot be closed by the user.

#include "views/common/IViewCommands.h"
#include "views/common/ModuleFrame.h"

class SoundDocument;
class OverviewView;
class WaveformView;
class QSplitter;

class SoundWindow : public ModuleFrame, public IViewCommands {
    Q_OBJECT
public:
    // Controls of the bar, found by their number as object name.
    static constexpr int kCtrlZoom = 1046;            // horizontal zoom of both panes
    static constexpr int kCtrlOverviewFactor = 1047;  // amplitude of the overview
    static constexpr int kCtrlWaveFactor = 1048;      // amplitude of the waveform
    static constexpr int kCtrlPrecision = 1106;       // samples per pixel column of the waveform
    static constexpr int kCtrlSamples = 1099;         // length of the selection being dragged
    static constexpr int kCtrlModeSamples = 1184;     // the waveform shows samples
    static constexpr int kCtrlModeEnvelope = 1025;    // the waveform shows the envelope
    static constexpr int kCtrlEditEnvelope = 1183;    // the envelope between the waveform's markers
    static constexpr int kStartPrecision = 30;        // the precision field's value when the window opens
    static constexpr int kTitle = 63000;              // string of the window title

    SoundWindow(ProfileSettings& settings, SoundDocument& doc);
    ~SoundWindow() override;

    OverviewView* OverView() const { return m_overView; }
    WaveformView* WaveView() const { return m_waveView; }
    QSplitter* Splitter() const { return m_splitter; }
    // Title, labels and tool tips in the current language.
    void UpdateTexts();

    // The heights of the two panes for the profile: the overview gets its ideal height and
    // the waveform the rest; a pane below its minimum height is folded away.
    void SetRowHeights(bool kids);

    // The pane that has the focus, or else the waveform: it takes the picture commands.
    QWidget* ActivePane() const;
    // The commands: the frame clears the document's data itself; the rest goes to the active pane.
    IViewCommands* Commands() const override;
    bool HasCommand(ViewCommand command) const override;
    void OnViewCommand(ViewCommand command) override;
    QString HelpTopic() const override;

protected:
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    struct RowHeights {
        int overviewIdeal = 0, overviewMin = 0, waveMin = 0;
    };
    QWidget* BuildControlBar();
    void ApplyRowHeights();

    SoundDocument& m_doc;
    QSplitter* m_splitter;               // the frame's view, owned by the frame's widget tree
    OverviewView* m_overView = nullptr;  // owned by the splitter
    WaveformView* m_waveView = nullptr;  // owned by the splitter
    RowHeights m_rows;
    bool m_rowsPending = true;  // applied once the splitter has its height
    bool m_sixth = true;        // before the profile sets the rows: the overview takes one sixth
};
