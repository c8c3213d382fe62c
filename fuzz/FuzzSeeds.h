#pragma once
// The seed inputs of the fuzz targets, made in code rather than checked in: valid files of
// every kind each loader accepts and the near misses it must refuse.

#include <QByteArray>
#include <QString>
#include <vector>

struct FuzzSeed {
    QString name;  // a file name for the corpus folder
    QByteArray bytes;
};

// target: one of FuzzTargetNames(); an unknown name gives no seeds.
std::vector<FuzzSeed> FuzzSeeds(const QString& target);
// The names FuzzSeeds knows.
std::vector<QString> FuzzTargetNames();
