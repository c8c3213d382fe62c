#include "platform/ScriptedUserInterface.h"

namespace {

template <typename T>
T Next(std::deque<T>& queue, T fallback) {
    if (queue.empty()) return fallback;
    T value = std::move(queue.front());
    queue.pop_front();
    return value;
}

}  // namespace

bool ScriptedUserInterface::Said(const QString& text) const {
    for (const Shown& m : messages)
        if (m.text == text) return true;
    return false;
}

void ScriptedUserInterface::ShowMessage(const QString& text, MessageIcon icon) {
    messages.push_back({text, icon});
}

bool ScriptedUserInterface::AskOkCancel(const QString& text, MessageIcon icon) {
    messages.push_back({text, icon});
    return Next(okCancelAnswers, true);
}

bool ScriptedUserInterface::AskYesNo(const QString& text, MessageIcon icon) {
    messages.push_back({text, icon});
    return Next(yesNoAnswers, true);
}

std::optional<QString> ScriptedUserInterface::ChooseOpenFile(const FileDialogOptions& options) {
    fileDialogs.push_back(options);
    return Next(openFiles, std::optional<QString>{});
}

std::optional<QString> ScriptedUserInterface::ChooseSaveFile(const FileDialogOptions& options) {
    fileDialogs.push_back(options);
    return Next(saveFiles, std::optional<QString>{});
}

std::optional<int> ScriptedUserInterface::ChooseChannel(const ChannelDialogInfo& info) {
    channelDialogs.push_back(info);
    return Next(channels, std::optional<int>{});
}

std::optional<int> ScriptedUserInterface::ChooseFftSize(int initialEntry) {
    fftDialogInitialEntries.push_back(initialEntry);
    return Next(fftSizes, std::optional<int>{});
}

std::optional<ProfileNameAnswer> ScriptedUserInterface::ChooseProfileName(const QString&, const QString&) {
    return Next(profileNames, std::optional<ProfileNameAnswer>{});
}

void ScriptedUserInterface::BeginProgress(const QString& text) {
    progressOpen = true;
    progressTexts << text;
}

void ScriptedUserInterface::SetProgressText(const QString& text) {
    progressTexts << text;
}
void ScriptedUserInterface::EndProgress() {
    progressOpen = false;
}
void ScriptedUserInterface::SetBusy(bool busy) {
    busyDepth += busy ? 1 : -1;
}

std::optional<StartProfileAnswer> ScriptedUserInterface::ChooseStartProfile(const QString&) {
    dialogsShown << QStringLiteral("start");
    return Next(startProfiles, std::optional<StartProfileAnswer>{});
}

std::optional<int> ScriptedUserInterface::ChoosePredefinedProfile(int) {
    dialogsShown << QStringLiteral("predefined");
    return Next(predefinedProfiles, std::optional<int>{});
}

std::optional<int> ScriptedUserInterface::ChooseKidsStart(bool microphone) {
    dialogsShown << QStringLiteral("kids");
    kidsMicrophoneOffered.push_back(microphone);
    return Next(kidsStarts, std::optional<int>{});
}

std::optional<QString> ScriptedUserInterface::ChooseLanguage() {
    dialogsShown << QStringLiteral("language");
    return Next(languages, std::optional<QString>{});
}

void ScriptedUserInterface::ShowAbout() {
    dialogsShown << QStringLiteral("about");
}
void ScriptedUserInterface::ShowShortcuts() {
    dialogsShown << QStringLiteral("shortcuts");
}
bool ScriptedUserInterface::OpenPage(const QString& localFile) {
    pagesOpened << localFile;
    return browserWorks;
}

std::optional<int> ScriptedUserInterface::ChooseFromList(const QString&, const QStringList& items) {
    dialogsShown << QStringLiteral("list");
    listsShown.push_back(items);
    return Next(listChoices, std::optional<int>{});
}

std::optional<QColor> ScriptedUserInterface::ChooseColour(const QColor&) {
    dialogsShown << QStringLiteral("colour");
    return Next(colours, std::optional<QColor>{});
}

std::optional<std::pair<int, int>> ScriptedUserInterface::ChooseSoundDevices(const QStringList& inputs,
                                                                             const QStringList& outputs) {
    dialogsShown << QStringLiteral("soundcard");
    listsShown.push_back(inputs);
    listsShown.push_back(outputs);
    return Next(soundDevices, std::optional<std::pair<int, int>>{});
}
