// Collects Qt's debug log while alive, for the tests of what the core writes there; the lines
// are kept, not printed. Worker threads may log at the same time.
#pragma once

#include <QMutex>
#include <QStringList>
#include <QtGlobal>

class debug_log {
public:
    debug_log() {
        QMutexLocker lock(&mutex());
        collected().clear();
        previous = qInstallMessageHandler(&debug_log::keep);
    }
    ~debug_log() { qInstallMessageHandler(previous); }
    debug_log(const debug_log&) = delete;
    debug_log& operator=(const debug_log&) = delete;

    QStringList lines() const {
        QMutexLocker lock(&mutex());
        return collected();
    }
    bool contains(const QString& line) const { return lines().contains(line); }

private:
    static QMutex& mutex() {
        static QMutex m;
        return m;
    }
    static QStringList& collected() {
        static QStringList l;
        return l;
    }
    static void keep(QtMsgType, const QMessageLogContext&, const QString& text) {
        QMutexLocker lock(&mutex());
        collected().append(text);
    }
    QtMessageHandler previous;
};
