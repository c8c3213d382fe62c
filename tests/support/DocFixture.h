#pragma once
// A document with its application object, a scripted user interface, a main window that
// records the status messages and a view that records the hints: everything a test of the
// document needs, in a program folder of its own.

#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <map>
#include <vector>

#include "app/CKalvoApp.h"
#include "document/AppFlags.h"
#include "document/CKalvoDoc.h"
#include "document/IDocumentView.h"
#include "document/IMainFrame.h"
#include "platform/ProgramFolder.h"
#include "platform/ScriptedUserInterface.h"
#include "platform/StringTable.h"
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

// True when a message of that number was shown (its text up to the first placeholder).
inline bool SaidNumber(const ScriptedUserInterface& ui, int id) {
    QString text = Str(id);
    const qsizetype placeholder = text.indexOf(u'%');
    if (placeholder >= 0) text = text.left(placeholder);
    for (const auto& m : ui.messages)
        if (m.text.startsWith(text)) return true;
    return false;
}

inline void ResetFlags() {
    for (auto* flag : {&g_bListening, &g_bRecording, &g_bPlaying, &g_bWaveLoaded, &g_bLoop, &g_bPlayCopyReduced,
                       &g_bSelectionSpectrum, &g_bCancel, &g_bBusyComputing})
        *flag = false;
}

class DocFixture : public ::testing::Test {
protected:
    DocFixture() : app(ui), doc(app, ui) {}

    void SetUp() override {
        ResetFlags();
        SetCurrentLanguage(Language::English);
        ASSERT_TRUE(dir.isValid());
        SetProgramFolder(dir.path());
        app.IniDokumentNumFFTPoints = 4096;
        app.IniAllgemeinStatusbar = 1;
        doc.OnNewDocument();
        doc.SetMainFrame(&status);
        doc.AddView(&view);
    }
    void TearDown() override {
        doc.RemoveView(&view);
        doc.SetMainFrame(nullptr);
        RestoreProgramFolder();
        ResetFlags();
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
    CKalvoApp app;
    CKalvoDoc doc;
    HintRecorder view;
    StatusRecorder status;
};

}  // namespace test
