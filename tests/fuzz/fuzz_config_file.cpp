// Importing a configuration file of arbitrary bytes: parse, the marker check, storing into the
// image read last, decoding, and assembling the image that a following write would send.
// Input: a mode byte (band letter, program's firmware and band, whether to go through a real
// file), then the file's bytes.

#include "core/files/config_file.h"
#include "core/files/config_file_io.h"
#include "core/image/config_assembler.h"
#include "core/image/config_decoder.h"
#include "fuzz_checks.h"

#include <QFile>
#include <QTemporaryDir>

using namespace selvana;
using namespace selvana::fuzz;

namespace {

const QString kBands[] = {QString(), QStringLiteral("U"), QStringLiteral("V")};

// The import reads through the file layer now and then; the rest stays in memory for speed.
std::optional<conf::ConfigFile> readThroughFile(const QByteArray& bytes) {
    static QTemporaryDir folder;
    const QString path = folder.filePath(QStringLiteral("fuzz.con"));
    QFile out(path);
    if (!out.open(QIODevice::WriteOnly | QIODevice::Truncate) || out.write(bytes) != bytes.size())
        fail("cannot write %s", qPrintable(path));
    out.close();
    conf::ConfigFile file;
    file.body.fill(0xA5);
    const conf::ConfigFile untouched = file;
    if (const auto error = conf::readConfigFile(path, file)) {
        FUZZ_CHECK(file == untouched, "a refused file changed the result");
        FUZZ_CHECK(!error->message.isEmpty(), "refused without a message");
        return std::nullopt;
    }
    return file;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    Script in(data, size);
    const std::uint8_t mode = in.byte();
    const QString& band = kBands[mode % 3];
    const std::uint8_t programM6 = (mode >> 2) & 1;
    const std::uint8_t programUHF = (mode >> 3) & 1;
    const QByteArray bytes = in.take(size);

    const auto file = conf::parse(bytes);
    FUZZ_CHECK(file.has_value() == (bytes.size() >= conf::kFileSize), "parse of %d bytes",
               int(bytes.size()));
    if ((mode & 0xE0) == 0xE0)
        FUZZ_CHECK(readThroughFile(bytes) == file, "the file layer reads something else");
    if (!file)
        return 0;
    FUZZ_CHECK(file->firmwareM6 == (bytes[0] == 'W' ? 0 : 1), "firmware marker");
    FUZZ_CHECK(file->bandaUHF == (bytes[1] == 'U' ? 1 : 0), "band marker");

    const auto mismatch = conf::mismatchMessage(*file, programM6, programUHF);
    const bool fits = file->firmwareM6 == programM6 && file->bandaUHF == programUHF;
    FUZZ_CHECK(mismatch.has_value() != fits, "marker check");
    if (mismatch)
        FUZZ_CHECK(mismatch->startsWith(QStringLiteral("Attenzione: ")), "message text");

    // The serial number of the peripheral read last stays.
    Image config{};
    for (int k = 0; k < 5; ++k)
        config[k] = static_cast<std::uint8_t>(0x11 * (k + 1));
    conf::storeInto(*file, config);
    for (int k = 0; k < 5; ++k)
        FUZZ_CHECK(config[k] == 0x11 * (k + 1), "byte %d overwritten", k);
    for (int k = conf::kFirstImageByte; k <= map::kImageSize; ++k)
        FUZZ_CHECK(config[k] == static_cast<std::uint8_t>(bytes[2 + k - conf::kFirstImageByte]),
                   "image byte %d is not file byte %d", k, 2 + k - conf::kFirstImageByte);

    // A file exported again from the same image reads back the same.
    const auto again = conf::parse(conf::fileContent(file->firmwareM6, file->bandaUHF, config));
    FUZZ_CHECK(again == file, "export of an imported file differs");

    ConfigRecord rec;
    Analyze2(config, band, rec);
    Image save{};
    if (!assembleSaveImage(rec, config, save)) {
        checkAssembled(save, config);
        checkWriteFrame(buildWriteFrame(save), config);
        const QByteArray exported = conf::fileContent(file->firmwareM6, rec.BandaUHF, save);
        FUZZ_CHECK(exported.size() == conf::kFileSize, "export of %d bytes", int(exported.size()));
    }
    return 0;
}
