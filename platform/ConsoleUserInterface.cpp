#include "platform/ConsoleUserInterface.h"

#include <cstdio>

void ConsoleUserInterface::ShowMessage(const QString& text, MessageIcon) {
    ++m_messages;
    std::fprintf(stderr, "%s\n", text.toLocal8Bit().constData());
}

bool ConsoleUserInterface::AskOkCancel(const QString& text, MessageIcon icon) {
    ShowMessage(text, icon);
    return false;  // never overwrite or discard anything without a person saying so
}

bool ConsoleUserInterface::AskYesNo(const QString& text, MessageIcon icon) {
    ShowMessage(text, icon);
    return false;
}

std::optional<int> ConsoleUserInterface::ChooseChannel(const ChannelDialogInfo& info) {
    if (info.tooManyBits) return std::nullopt;
    return m_channel;
}
