#include "core/session/qt_messages.h"

#include <QDateTime>
#include <QFile>
#include <QMutex>
#include <QMutexLocker>

namespace selvana {

namespace {

QtMessageHandler previous = nullptr;

struct Trace {
    QMutex mutex;
    QString path;
    QFile file;
    bool tried = false;
};

Trace& trace() {
    static Trace t;
    return t;
}

QByteArray kindOf(QtMsgType type) {
    switch (type) {
    case QtDebugMsg:
        return "QT-DEBUG";
    case QtInfoMsg:
        return "QT-INFO";
    case QtWarningMsg:
        return "QT-WARNING";
    case QtCriticalMsg:
        return "QT-CRITICAL";
    case QtFatalMsg:
        return "QT-FATAL";
    }
    return "QT";
}

enum class Traced { Written, NoTrace, Failed };

Traced traced(QtMsgType type, const QString& message) {
    Trace& t = trace();
    QMutexLocker lock(&t.mutex);
    if (t.path.isEmpty())
        return Traced::NoTrace;
    if (!t.tried) {
        t.tried = true;
        t.file.setFileName(t.path);
        if (!t.file.open(QIODevice::WriteOnly | QIODevice::Append))
            return Traced::Failed;
    }
    if (!t.file.isOpen())
        return Traced::Failed;
    QString text = message;
    text.replace(QLatin1Char('\n'), QLatin1Char(' '));
    const QByteArray line = QDateTime::currentDateTime()
                                .toString(QStringLiteral("yyyy-MM-dd HH:mm:ss.zzz"))
                                .toLatin1() +
                            ' ' + kindOf(type) + ' ' + text.toUtf8() + '\n';
    // Flushed at once, as the serial trace is: a crash loses nothing written before it.
    if (t.file.write(line) < 0 || !t.file.flush()) {
        t.file.close();
        return Traced::Failed;
    }
    return Traced::Written;
}

void handle(QtMsgType type, const QMessageLogContext& context, const QString& message) {
    const Traced where = traced(type, message);
    const bool quiet = type == QtDebugMsg || type == QtInfoMsg || type == QtWarningMsg;
    if ((quiet && where != Traced::Failed) || !previous)
        return;
    previous(type, context, message);
}

} // namespace

void routeQtMessages(const QString& tracePath) {
    {
        Trace& t = trace();
        QMutexLocker lock(&t.mutex);
        t.path = tracePath;
    }
    if (!previous)
        previous = qInstallMessageHandler(handle);
}

} // namespace selvana
