#pragma once

#include "core/networks/network_list.h"

#include <QByteArray>
#include <QByteArrayList>
#include <QFile>
#include <QString>
#include <QTest>

namespace selvana::testing {

inline QByteArray readAll(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

inline void writeAll(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    QCOMPARE(f.write(bytes), bytes.size());
}

// A networks list whose entries 1, 2, ... are these.
inline NetworkList listOf(const QByteArrayList& entries) {
    NetworkList list;
    for (int i = 0; i < entries.size(); ++i)
        list[i + 1] = entries[i];
    return list;
}

} // namespace selvana::testing
