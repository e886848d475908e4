// Collects Qt's debug log while alive, for the tests of what the core writes there; the lines
// are kept, not printed. The program's debug categories are switched on meanwhile (they are
// off by default in release builds). Worker threads may log at the same time.
#pragma once

#include <QLoggingCategory>
#include <QMutex>
#include <QStringList>
#include <QtGlobal>

class debug_log {
public:
    debug_log() {
        QMutexLocker lock(&mutex());
        collected().clear();
        previous = qInstallMessageHandler(&debug_log::keep);
        QLoggingCategory::setFilterRules(QStringLiteral("velmora.*.debug=true"));
    }
    ~debug_log() {
        QLoggingCategory::setFilterRules(QString());
        qInstallMessageHandler(previous);
    }
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
