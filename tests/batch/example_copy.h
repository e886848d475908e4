// Copies a shipped example model directory, so a run can write its result files there.
#pragma once

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QString>

inline void copyExample(const QString& name, const QString& dir) {
    const QString from = QString(VELMORA_SOURCE_DIR) + "/examples/" + name;
    QDirIterator it(from, QDir::Files, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString file = it.next();
        const QString target = dir + file.mid(from.size());
        QDir().mkpath(QFileInfo(target).path());
        QFile::copy(file, target);
    }
}
