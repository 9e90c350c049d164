#pragma once

#include "core/image/config_record.h"
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

// A configuration file's bytes: its firmware and band markers, then image bytes 5..64.
inline QByteArray configBytes(char firmware, char band, const Image& image) {
    QByteArray bytes;
    bytes.append(firmware).append(band);
    for (int k = 5; k <= 64; ++k)
        bytes.append(static_cast<char>(image[k]));
    return bytes;
}

// A networks list whose entries 1, 2, ... are these.
inline NetworkList listOf(const QByteArrayList& entries) {
    NetworkList list;
    for (int i = 0; i < entries.size(); ++i)
        list[i + 1] = entries[i];
    return list;
}

} // namespace selvana::testing
