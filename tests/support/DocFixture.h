#pragma once
// A document with its application object, a scripted user interface, a main window that
// records the status messages and a view that records the hints: everything a test of the
// document needs, in a program folder of its own.

#include <gtest/gtest.h>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <map>
#include <vector>

#include "app/Application.h"
#include "document/IDocumentView.h"
#include "document/IMainFrame.h"
#include "document/SoundDocument.h"
#include "platform/ProgramFolder.h"
#include "platform/ScriptedUserInterface.h"
#include "platform/StringTable.h"
#include "tests/support/DocumentTestAccess.h"
#include "tests/support/TestFolders.h"
#include "tests/support/WaveBytes.h"

namespace test {

struct HintRecorder : IDocumentView {
    std::vector<int> hints;
    void OnUpdate(int hint) override { hints.push_back(hint); }
};

struct StatusRecorder : IMainFrame {
    std::vector<std::pair<unsigned, long long>> messages;
    bool shown = true;
    void SendMessage(unsigned message, long long param) override { messages.emplace_back(message, param); }
    bool IsStatusBarShown() const override { return shown; }
    long long Last(unsigned message) const {
        for (auto it = messages.rbegin(); it != messages.rend(); ++it)
            if (it->first == message) return it->second;
        return -1;
    }
};

// True when a message of that number was shown, whatever its %1, %2, ... were filled with.
inline bool SaidNumber(const ScriptedUserInterface& ui, int id) {
    const QStringList pieces = Str(id).split(QRegularExpression(QStringLiteral("%\\d")));
    QStringList escaped;
    for (const QString& piece : pieces) escaped << QRegularExpression::escape(piece);
    const QString pattern = escaped.join(QStringLiteral(".*"));
    const QRegularExpression text(QRegularExpression::anchoredPattern(pattern),
                                  QRegularExpression::DotMatchesEverythingOption);
    for (const auto& m : ui.messages)
        if (text.match(m.text).hasMatch()) return true;
    return false;
}

class DocFixture : public ::testing::Test {
protected:
    DocFixture() : app(ui), doc(app.Settings(), ui) { app.m_activeDocument = &doc; }
    ~DocFixture() override { app.m_activeDocument = nullptr; }

    void SetUp() override {
        SetCurrentLanguage(Language::English);
        ASSERT_TRUE(dir.isValid());
        SetProgramFolder(dir.path());
        app.Settings().IniDokumentNumFFTPoints = 4096;
        app.Settings().IniAllgemeinStatusbar = 1;
        doc.OnNewDocument();
        doc.SetMainFrame(&status);
        doc.AddView(&recorder);
    }
    void TearDown() override {
        doc.RemoveView(&recorder);
        doc.SetMainFrame(nullptr);
        RestoreProgramFolder();
    }

    QString Path(const QString& name) const { return dir.filePath(name); }
    QString Write(const QString& name, const QByteArray& bytes) {
        const QString path = Path(name);
        EXPECT_TRUE(WriteFile(path, bytes));
        return path;
    }
    std::vector<double> Samples() const {
        std::vector<double> s(doc.SampleCount());
        for (std::uint32_t i = 0; i < s.size(); ++i) s[i] = doc.Sample(i);
        return s;
    }

    QTemporaryDir dir;
    ScriptedUserInterface ui;
    Application app;
    SoundDocument doc;
    HintRecorder recorder;  // the hints the document sent
    StatusRecorder status;
};

}  // namespace test
