// The networks file on arbitrary bytes: loaded, written and loaded again gives the same lines,
// in memory always and through the real file in a temporary folder for some inputs.
// Input: a mode byte (what the list held before, whether to use the real file), then the
// file's bytes.

#include "core/networks/networks_file.h"
#include "fuzz_checks.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

using namespace selvana;
using namespace selvana::fuzz;

namespace {

// Entries the program may hold from an earlier load; lines the file lacks leave them alone.
const NetworkList& startingList(std::uint8_t mode) {
    static const NetworkList empty;
    static const NetworkList held = [] {
        NetworkList list;
        for (int i = 1; i <= kNetworkCount; ++i)
            list[i] = "00042Vecchia " + QByteArray::number(i);
        return list;
    }();
    return mode & 0x01 ? held : empty;
}

void checkLines(const QByteArrayList& lines) {
    for (const QByteArray& line : lines)
        FUZZ_CHECK(!line.contains('\r') && !line.contains('\n'), "a line holds a line end");
}

// What LoadReti makes of a file's content, in memory.
NetworkList loaded(const QByteArray& content, NetworkList list) {
    const QByteArrayList lines =
        splitNetworkLines(content.isEmpty() ? networksFileContent(defaultNetworkList()) : content);
    checkLines(lines);
    const qsizetype inList = std::min<qsizetype>(lines.size(), kNetworkCount);
    for (qsizetype i = 0; i < inList; ++i)
        list[i + 1] = lines[i];
    list.beyondLast = lines.mid(inList);
    return list;
}

void throughFiles(const QByteArray& content, const NetworkList& start,
                  const NetworkList& inMemory) {
    static QTemporaryDir folder(QDir::tempPath() + QStringLiteral("/fuzz-reti-XXXXXX"));
    const QString path = networksFilePath(folder.path());
    QFile::remove(path);
    if (!content.isEmpty()) {
        QFile out(path);
        if (!out.open(QIODevice::WriteOnly) || out.write(content) != content.size())
            fail("cannot write %s", qPrintable(path));
    }
    NetworkList first = start;
    FUZZ_CHECK(!LoadReti(folder.path(), first), "first load failed");
    FUZZ_CHECK(first == inMemory, "the file loads otherwise than the content");
    FUZZ_CHECK(!ScriviReti(folder.path(), first), "write failed");
    NetworkList second = startingList(0xFF);
    FUZZ_CHECK(!LoadReti(folder.path(), second), "second load failed");
    FUZZ_CHECK(second == first, "written and reloaded lines differ");
    QFile written(path);
    FUZZ_CHECK(written.open(QIODevice::ReadOnly), "written file not readable");
    FUZZ_CHECK(written.readAll() == networksFileContent(first), "file bytes differ");
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    Script in(data, size);
    const std::uint8_t mode = in.byte();
    const QByteArray content = in.take(size);
    const NetworkList start = startingList(mode);

    const NetworkList list = loaded(content, start);
    const QByteArray written = networksFileContent(list);
    FUZZ_CHECK(written.endsWith("\r\n"), "written file does not end with CR LF");
    const QByteArrayList lines = splitNetworkLines(written);
    FUZZ_CHECK(lines.size() == kNetworkCount + list.beyondLast.size(), "%d lines written",
               int(lines.size()));
    for (int i = 1; i <= kNetworkCount; ++i)
        FUZZ_CHECK(lines[i - 1] == list[i], "line %d changed on writing", i);
    FUZZ_CHECK(lines.mid(kNetworkCount) == list.beyondLast, "lines after 100 changed");
    FUZZ_CHECK(loaded(written, startingList(0xFF)) == list, "reloaded list differs");

    // A grid row rebuilt from an entry keeps a well-formed ID and the description.
    const QByteArray& entry = list[1 + mode % kNetworkCount];
    const QByteArray rebuilt = GetRetiEntry(networkIdOf(entry), entry.mid(kNetworkIdLength));
    FUZZ_CHECK(rebuilt.size() == std::max<qsizetype>(entry.size(), kNetworkIdLength),
               "rebuilt entry of %d bytes from %d", int(rebuilt.size()), int(entry.size()));
    FUZZ_CHECK(rebuilt.endsWith(entry.mid(kNetworkIdLength)), "description lost");

    if ((mode & 0xF0) == 0xF0)
        throughFiles(content, start, list);
    return 0;
}
