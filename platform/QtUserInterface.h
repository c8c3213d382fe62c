#pragma once
// The user-interface seam on real Qt windows.

#include <QPointer>
#include <QWidget>
#include <memory>

#include "platform/UserInterface.h"

class QDialog;
class QLabel;

class QtUserInterface : public UserInterface {
public:
    // parent: the window the dialogs belong to (the main frame); may be null.
    explicit QtUserInterface(QWidget* parent = nullptr);
    ~QtUserInterface() override;
    void SetParent(QWidget* parent) { m_parent = parent; }

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

private:
    QPointer<QWidget> m_parent;
    std::unique_ptr<QDialog> m_progress;
    QLabel* m_progressText = nullptr;  // owned by m_progress
};
