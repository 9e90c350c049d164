#pragma once

#include <QByteArray>
#include <QIODevice>
#include <QString>
#include <QStringList>

#include <optional>

class QFile;

namespace selvana {

// File names as the command line gets them. On Linux a name is a string of bytes, and one made
// on an older system may not be valid UTF-8 (café.con in Latin-1 is "caf\xE9.con"). Qt's file
// classes cannot reach such a name: it decodes every stray byte to the same replacement
// character. The command line keeps each such byte as the character U+DC80 + (byte - 0x80),
// which no valid name contains; the functions below, and the configuration files' reader and
// writer, reach those files by the bytes themselves.

// The program's arguments after the program name, every byte of each kept.
QStringList argumentsOf(int argc, char** argv);

// Whether the name holds bytes that only the command line's own file access can reach.
bool hasRawBytes(const QString& name);
// The name as the system holds it.
QByteArray nameBytes(const QString& name);
// The name for messages: each kept byte shown as the replacement character.
QString shownName(const QString& name);
// The shown name in quotes, with the system's separators: "C:\dati\impianto.con".
QString quotedName(const QString& name);

// What the command line needs to know of a file before reading or replacing it.
struct FileFacts {
    bool exists = false;
    bool isDir = false;
    bool isFile = false; // a regular file on disk
    bool readable = false;
    bool writable = false;
    qint64 size = 0;
    bool folderExists = false; // the folder the name points into
};
FileFacts factsOf(const QString& name);

// Opens a file as QFile::open does, by its bytes when its name has kept bytes. Modes: ReadOnly,
// or WriteOnly | Append (created when missing), with Unbuffered if wanted.
bool openFile(const QString& name, QFile& file, QIODevice::OpenMode mode);

// Writes the content as the whole of a file whose name has kept bytes: into a new file beside
// it, which then takes its place, so an existing file stays as it was on any error. Returns the
// system's reason when it fails.
std::optional<QString> replaceByBytes(const QString& name, const QByteArray& content);

} // namespace selvana
