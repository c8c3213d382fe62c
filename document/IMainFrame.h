#pragma once
// What the document needs of the main window: its numbered messages and the title.

#include <QString>

// Messages to the main window.
enum MainFrameMessage : unsigned {
    kMsgCaptureBlock = 0x402,    // a captured block is ready
    kMsgPlaybackUpdate = 0x407,  // run the playback update at position 0
    kMsgStatusFftPoints = 0x408,
    kMsgStatusFile = 0x40A,
    kMsgStatusBits = 0x40B,
    kMsgStatusRate = 0x40C,
    kMsgStatusListening = 0x40D,
    kMsgStatusRecording = 0x40E,
    kMsgProgressText = 0x410,
};

class IMainFrame {
public:
    virtual ~IMainFrame() = default;
    virtual void SendMessage(unsigned message, long long param) = 0;
    virtual void OnDocumentTitleChanged(const QString&) {}
    // A file the user chose (a wave, a compressed sound or a time series) is now the loaded sound.
    virtual void OnFileOpened(const QString& /*path*/) {}
    virtual bool IsStatusBarShown() const = 0;
};
