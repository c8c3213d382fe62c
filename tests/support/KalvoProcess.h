#pragma once
// Runs the real program in a script mode, in the C locale, and collects what it printed. It runs
// in this test process's private folders (its program folder is PrivateProgramFolder()).

#include <QProcess>
#include <QStringList>
#include <functional>

#include "tests/support/TestFolders.h"

namespace test {

struct KalvoRun {
    int exitCode;
    QString out;
    QString err;
};

// childSetup runs in the child before the program starts (for example to limit its memory).
inline KalvoRun RunKalvo(const QStringList& args, const std::function<void()>& childSetup = {}) {
    QProcess process;
    if (childSetup) process.setChildProcessModifier(childSetup);
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("LANG"), QStringLiteral("C.UTF-8"));
    env.remove(QStringLiteral("LANGUAGE"));
    env.remove(QStringLiteral("LC_ALL"));
    process.setProcessEnvironment(env);
    process.start(KalvoExecutable(), args);
    process.waitForFinished(60000);
    // A crash is never a clean exit code.
    const int code = process.exitStatus() == QProcess::CrashExit ? -1 : process.exitCode();
    return {code, QString::fromUtf8(process.readAllStandardOutput()),
            QString::fromUtf8(process.readAllStandardError())};
}

}  // namespace test
