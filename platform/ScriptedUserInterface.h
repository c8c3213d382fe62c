#pragma once
// An answerer for tests: records what the program says and answers from prepared queues.
// An empty queue gives the default answer (OK/Yes, Cancel for choices), so nothing ever blocks.

#include <QStringList>
#include <deque>
#include <vector>

#include "platform/UserInterface.h"

class ScriptedUserInterface : public UserInterface {
public:
    struct Shown {
        QString text;
        MessageIcon icon;
    };

    std::vector<Shown> messages;  // messages and questions, in order
    std::deque<bool> okCancelAnswers;
    std::deque<bool> yesNoAnswers;
    std::deque<std::optional<QString>> openFiles;
    std::deque<std::optional<QString>> saveFiles;
    std::deque<std::optional<int>> channels;
    std::deque<std::optional<int>> fftSizes;
    std::deque<std::optional<ProfileNameAnswer>> profileNames;
    std::deque<std::optional<StartProfileAnswer>> startProfiles;
    std::deque<std::optional<int>> predefinedProfiles;
    std::deque<std::optional<int>> kidsStarts;
    std::vector<bool> kidsMicrophoneOffered;  // per kids start dialog: whether recording could be chosen
    std::deque<std::optional<QString>> languages;
    std::deque<std::optional<int>> listChoices;
    std::deque<std::optional<QColor>> colours;
    std::deque<std::optional<std::pair<int, int>>> soundDevices;
    std::vector<QStringList> listsShown;  // the items of each list dialog
    QStringList dialogsShown;             // names of the dialogs opened, in order
    QStringList pagesOpened;              // local pages opened in the browser
    bool browserWorks = true;             // false: every page fails to open, as on a desktop without one

    std::vector<FileDialogOptions> fileDialogs;
    std::vector<ChannelDialogInfo> channelDialogs;
    std::vector<int> fftDialogInitialEntries;
    QStringList progressTexts;
    bool progressOpen = false;
    int busyDepth = 0;

    bool Said(const QString& text) const;

    void ShowMessage(const QString& text, MessageIcon icon) override;
    bool AskOkCancel(const QString& text, MessageIcon icon) override;
    bool AskYesNo(const QString& text, MessageIcon icon) override;
    std::optional<QString> ChooseOpenFile(const FileDialogOptions& options) override;
    std::optional<QString> ChooseSaveFile(const FileDialogOptions& options) override;
    std::optional<int> ChooseChannel(const ChannelDialogInfo& info) override;
    std::optional<int> ChooseFftSize(int initialEntry) override;
    std::optional<ProfileNameAnswer> ChooseProfileName(const QString& name, const QString& fileName) override;
    std::optional<StartProfileAnswer> ChooseStartProfile(const QString& profileFolder) override;
    std::optional<int> ChoosePredefinedProfile(int preselected) override;
    std::optional<int> ChooseKidsStart(bool microphone) override;
    std::optional<QString> ChooseLanguage() override;
    std::optional<int> ChooseFromList(const QString& title, const QStringList& items) override;
    std::optional<QColor> ChooseColour(const QColor& initial) override;
    std::optional<std::pair<int, int>> ChooseSoundDevices(const QStringList& inputs,
                                                          const QStringList& outputs) override;
    void ShowAbout() override;
    void ShowShortcuts() override;
    bool OpenPage(const QString& localFile) override;
    void BeginProgress(const QString& text) override;
    void SetProgressText(const QString& text) override;
    void EndProgress() override;
    void SetBusy(bool busy) override;
};
