#pragma once
// The info module: a read-only form with the sound devices in use, the format of the loaded
// or captured sound, the FFT size, the loaded file and the recording file, and two
// indicators that light up red while the program listens or records.

#include <QColor>
#include <QWidget>
#include <map>

#include "document/IDocumentView.h"
#include "views/common/IViewCommands.h"

class SoundDocument;
class QGridLayout;
class QLabel;
class QLineEdit;

class InfoView : public QWidget, public IDocumentView, public IModuleView {
    Q_OBJECT
public:
    // The form's fields and indicators.
    enum Control : int {
        kInputDevice = 1028,
        kOutputDevice = 1029,
        kChannels = 1030,
        kSampleRate = 1031,
        kBits = 1017,
        kFormat = 1018,
        kFftPoints = 1037,
        kLoadedFile = 1032,
        kRecordFile = 1035,
        kListening = 1034,
        kRecording = 1033,
    };

    explicit InfoView(SoundDocument& doc, QWidget* parent = nullptr);
    ~InfoView() override;

    void OnInitialUpdate() override;
    void OnUpdate(int hint) override;

    // The text a field shows; empty for an unknown control.
    QString FieldText(int control) const;
    // Whether an indicator is lit.
    bool IndicatorOn(int control) const;

private:
    QLineEdit* AddField(QGridLayout* grid, int row, int labelText, int control, int unitText = 0);
    QLabel* MakeIndicator(int text);
    void SetIndicator(QLabel* indicator, bool on);
    void Refill();

    SoundDocument& m_doc;
    std::map<int, QLineEdit*> m_fields;  // owned by the widget tree
    QLabel* m_listening = nullptr;
    QLabel* m_recording = nullptr;
    QColor m_menu, m_frame, m_red;
};
