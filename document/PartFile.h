#pragma once
// Writing a file so that it is never seen half-written: the content goes into a uniquely named
// part file beside the destination, which replaces the destination in one step only when it is
// complete. A failed write leaves neither a torn file nor a lost older one.

#include <QString>
#include <QTemporaryFile>
#include <memory>

// Reserves the part file (closed, so the writers open it themselves); null when the folder
// takes no new file. The part file is removed when it goes out of scope uncommitted.
std::unique_ptr<QTemporaryFile> MakePartFile(const QString& destination);

// Gives the part file the usual permissions and renames it over the destination.
bool CommitPartFile(QTemporaryFile& part, const QString& destination);
