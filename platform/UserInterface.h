#pragma once
// The one way the program talks to the person in front of it: messages, questions, file
// choices and the small modal dialogs. The windows use the Qt implementation; tests and
// the command line use answerers that never wait for anybody.

#include <QColor>
#include <QString>
#include <QStringList>
#include <optional>
#include <utility>

#include "platform/StringTable.h"

enum class MessageIcon { None, Information, Exclamation, Error, Question };

// A file dialog. The filter is written "Description|*.a;*.b|Description|*.c|".
struct FileDialogOptions {
    QString title;
    QString filter;
    int filterIndex = 1;       // 1-based, as in the filter text
    QString defaultExtension;  // without the dot
    QString proposedFile;      // a save dialog's suggested file (folder and name), or empty
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

// The start dialog: 0 recent profile, 1 predefined profile, 2 user-defined profile (with its name).
struct StartProfileAnswer {
    int option = 0;
    QString userProfileName;
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
    virtual std::optional<ProfileNameAnswer> ChooseProfileName(const QString& name,
                                                               const QString& fileName) = 0;

    // The start dialog; profileFolder holds the user profiles it offers. Nothing = Cancel.
    virtual std::optional<StartProfileAnswer> ChooseStartProfile(const QString& profileFolder) = 0;
    // The six predefined profiles as picture buttons (0 Standard, 1 Musiker, 2 Analytiker,
    // 3 Komplett, 4 Oberschule, 5 for Kids); preselected -1 for none. Nothing = Cancel;
    // -1 = OK with no button chosen.
    virtual std::optional<int> ChoosePredefinedProfile(int preselected) = 0;
    // The kids start dialog: 0 choose a piece of music, 1 record with the microphone (offered
    // only when sound input exists). Nothing = Cancel.
    virtual std::optional<int> ChooseKidsStart(bool microphone) = 0;
    // The language dialog: "Deutsch" or "English". Nothing = Cancel.
    virtual std::optional<QString> ChooseLanguage() = 0;
    // One line chosen from a list (the wave format dialog); nothing = Cancel.
    virtual std::optional<int> ChooseFromList(const QString& title, const QStringList& items) = 0;
    // The sound card dialog: an input and an output device; nothing = Cancel.
    virtual std::optional<std::pair<int, int>> ChooseSoundDevices(const QStringList& inputs,
                                                                  const QStringList& outputs) = 0;
    // The colour dialog, starting at initial; nothing = Cancel.
    virtual std::optional<QColor> ChooseColour(const QColor& initial) = 0;
    virtual void ShowAbout() = 0;
    virtual void ShowShortcuts() = 0;
    // Opens a local page (the help) in the desktop's browser; false when it cannot.
    virtual bool OpenPage(const QString& localFile) = 0;

    // A small progress box with one line of text.
    virtual void BeginProgress(const QString& text) = 0;
    virtual void SetProgressText(const QString& text) = 0;
    virtual void EndProgress() = 0;
    // Shows the wait cursor while the returned object lives.
    virtual void SetBusy(bool busy) = 0;

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
