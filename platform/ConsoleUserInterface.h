#pragma once
// The answerer of the command-line modes: messages go to standard error, every question
// takes its default answer and no window is ever shown.

#include "platform/UserInterface.h"

class ConsoleUserInterface : public UserInterface {
public:
    // channel: what a stereo file gives (1 = left, 0 = right).
    explicit ConsoleUserInterface(int channel = 1) : m_channel(channel) {}
    int MessageCount() const { return m_messages; }

    void ShowMessage(const QString& text, MessageIcon icon) override;
    bool AskOkCancel(const QString& text, MessageIcon icon) override;
    bool AskYesNo(const QString& text, MessageIcon icon) override;
    std::optional<QString> ChooseOpenFile(const FileDialogOptions&) override { return std::nullopt; }
    std::optional<QString> ChooseSaveFile(const FileDialogOptions&) override { return std::nullopt; }
    std::optional<int> ChooseChannel(const ChannelDialogInfo& info) override;
    std::optional<int> ChooseFftSize(int initialEntry) override { return initialEntry; }
    std::optional<ProfileNameAnswer> ChooseProfileName(const QString&, const QString&) override {
        return std::nullopt;
    }
    std::optional<StartProfileAnswer> ChooseStartProfile(const QString&) override { return std::nullopt; }
    std::optional<int> ChoosePredefinedProfile(int) override { return std::nullopt; }
    std::optional<int> ChooseKidsStart(bool) override { return std::nullopt; }
    std::optional<QString> ChooseLanguage() override { return std::nullopt; }
    std::optional<int> ChooseFromList(const QString&, const QStringList&) override { return std::nullopt; }
    std::optional<QColor> ChooseColour(const QColor&) override { return std::nullopt; }
    std::optional<std::pair<int, int>> ChooseSoundDevices(const QStringList&, const QStringList&) override {
        return std::nullopt;
    }
    void ShowAbout() override {}
    void ShowShortcuts() override {}
    bool OpenPage(const QString&) override { return false; }
    void BeginProgress(const QString&) override {}
    void SetProgressText(const QString&) override {}
    void EndProgress() override {}
    void SetBusy(bool) override {}

private:
    int m_channel;
    int m_messages = 0;
};
