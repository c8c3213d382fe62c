#pragma once
// The one way the program talks to the person in front of it: messages, questions, file
// choices and the small modal dialogs. The windows use the Qt implementation; tests and
// the command line use answerers that never wait for anybody.

#include <QString>
#include <optional>

#include "platform/StringTable.h"

enum class MessageIcon { None, Information, Exclamation, Error, Question };

// A file dialog. The filter is written "Description|*.a;*.b|Description|*.c|".
struct FileDialogOptions {
    QString title;
    QString filter;
    int filterIndex = 1;  // 1-based, as in the filter text
    QString defaultExtension;  // without the dot
};

// What the channel dialog shows about the file being opened.
struct ChannelDialogInfo {
    QString path;
    QString channels;  // "Mono", "Stereo" or "?"
    int sampleRate = 0;
    int bits = 0;
    QString format;
    bool stereo = false;
    bool tooManyBits = false;  // more than 16 bits: only Cancel is possible
};

struct ProfileNameAnswer {
    QString name;
    QString fileName;
};

class UserInterface {
public:
    virtual ~UserInterface() = default;

    virtual void ShowMessage(const QString& text, MessageIcon icon) = 0;
    // True for OK.
    virtual bool AskOkCancel(const QString& text, MessageIcon icon) = 0;
    // True for Yes.
    virtual bool AskYesNo(const QString& text, MessageIcon icon) = 0;
    virtual std::optional<QString> ChooseOpenFile(const FileDialogOptions& options) = 0;
    virtual std::optional<QString> ChooseSaveFile(const FileDialogOptions& options) = 0;
    // 1 = left channel, 0 = right channel, nothing = Cancel.
    virtual std::optional<int> ChooseChannel(const ChannelDialogInfo& info) = 0;
    // The entry (0 = 256 points … 11 = 524288 points) chosen in the FFT settings dialog; nothing = Cancel.
    virtual std::optional<int> ChooseFftSize(int initialEntry) = 0;
    // The save-profile dialog, opened with a name and a file name; nothing = Cancel.
    virtual std::optional<ProfileNameAnswer> ChooseProfileName(const QString& name, const QString& fileName) = 0;

    // A small progress box with one line of text.
    virtual void BeginProgress(const QString& text) = 0;
    virtual void SetProgressText(const QString& text) = 0;
    virtual void EndProgress() = 0;
    // Shows the wait cursor while the returned object lives.
    virtual void SetBusy(bool busy) = 0;
    // True once for every Escape key press since the last call (stops listening and long work).
    virtual bool TakeEscapeKey() { return false; }

    // A message from the string table, with %1, %2, ... filled in.
    template <typename... Args>
    void Message(int id, MessageIcon icon, const Args&... args) {
        ShowMessage(Str(id, args...), icon);
    }
};

// Shows the wait cursor for the lifetime of the object.
class BusyCursor {
public:
    explicit BusyCursor(UserInterface& ui) : m_ui(ui) { m_ui.SetBusy(true); }
    ~BusyCursor() { m_ui.SetBusy(false); }
    BusyCursor(const BusyCursor&) = delete;
    BusyCursor& operator=(const BusyCursor&) = delete;

private:
    UserInterface& m_ui;
};

// Turns a filter written "Text|*.a;*.b|Text|*.c|" into Qt's "Text (*.a *.b);;Text (*.c)".
QString QtFileFilter(const QString& filter);
