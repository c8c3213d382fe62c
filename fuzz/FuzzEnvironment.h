#pragma once
// What every fuzz target needs around the code under test: a Qt application on the offscreen
// platform (the document and the string table expect one), a private program folder and
// temporary folder, so a run never touches the user's profiles or another run's files, and a
// way to hand the input over as a file, since the loaders read from paths.

#include <QByteArray>
#include <QString>
#include <QTemporaryDir>
#include <cstddef>
#include <cstdint>
#include <memory>

class QApplication;

class FuzzEnvironment {
public:
    // Made on first use and kept for the life of the process.
    static FuzzEnvironment& Get();

    // The private folder, ending with "/"; it is also the program folder of this process.
    const QString& Folder() const { return m_folder; }
    // Writes the input to Folder() + name and returns the path (empty when writing failed).
    QString WriteInput(const QString& name, const std::uint8_t* data, std::size_t size) const;
    static QByteArray Bytes(const std::uint8_t* data, std::size_t size);

private:
    FuzzEnvironment();
    std::unique_ptr<QApplication> m_app;
    QTemporaryDir m_dir;
    QString m_folder;
};
