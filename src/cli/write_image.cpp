#include "write_image.h"

#include "core/editor/editor_model.h"
#include "core/fields/field_table.h"
#include "core/fields/number_text.h"
#include "core/fields/peripheral_code.h"
#include "core/image/config_decoder.h"
#include "core/image/frequency_codec.h"
#include "core/image/memory_map.h"
#include "core/networks/networks_file.h"
#include "core/networks/networks_folder.h"

#include <QDir>
#include <QFileInfo>

namespace selvana::cli {

using editor::Ctl;

namespace {

// The peripheral code as bytes 26-27 hold it. The window shows a code it cannot read (a negative
// number, BCD digits above 9) as 0; the message names what the file really holds.
QString storedCodeText(const Image& image, int protocol) {
    const std::uint8_t high = image[map::kCodeHigh];
    const std::uint8_t low = image[map::kCodeLow];
    QString value = QString::number(high * 256 + low);
    if (protocol == map::kProtocolSicep) { // packed BCD: its digits, as stored when not valid
        const int code = decodePeripheralCode(high, low, protocol);
        value = code != 0 || (high == 0 && low == 0) ? QString::number(code)
                                                     : byteHex(high) + byteHex(low);
    }
    return QStringLiteral("%1, byte 26-27 = 0x%2 0x%3").arg(value, byteHex(high), byteHex(low));
}

// What the window says with the code box red and "SAVE" off.
QString codeRefusal(const editor::EditorModel& model, const SessionData& session) {
    const QString protocol = model.control(Ctl::cmbProtocollo).currentText();
    const int maximum = maximumPeripheralCode(protocol.toUpper());
    const QString caption = fieldCaption(u"txtCodicePeriferica");
    const QString code = storedCodeText(session.ConfigImage, session.record.Protocollo);
    if (maximum == 0)
        return QStringLiteral("Il valore del campo \"%1\" (%2) non può essere verificato: nessun "
                              "protocollo è selezionato. La configurazione non può essere "
                              "scritta.")
            .arg(caption, code);
    return QStringLiteral("Il valore del campo \"%1\" (%2) non è valido: per il protocollo %3 va "
                          "da 1 a %4. Correggerlo nella finestra, esportare di nuovo il file e "
                          "ripetere.")
        .arg(caption, code, protocol)
        .arg(maximum);
}

// A peripheral of this firmware and band as far as a file's marker checks can tell.
Image neutralImage(std::uint8_t bandaUHF) {
    Image image{};
    const QString word = CodificaFrequenza(bandaUHF ? 433.92 : 156.0);
    image[map::kFlags] = static_cast<std::uint8_t>(0x80 | word.left(2).toInt(nullptr, 16));
    image[map::kWordHigh] = static_cast<std::uint8_t>(word.mid(2, 2).toInt(nullptr, 16));
    image[map::kWordLow] = static_cast<std::uint8_t>(word.mid(4, 2).toInt(nullptr, 16));
    return image;
}

} // namespace

std::optional<QString> buildWriteImage(const Image& read, std::uint8_t firmwareM6,
                                       const NetworkList& networks, const conf::ConfigFile& file,
                                       Image& saveImage, const PlannedUnit* unit) {
    SessionData session; // no band letter, as the command line takes none
    session.FirmwareM6 = firmwareM6;
    session.networkList = networks;
    editor::EditorModel model(session);
    model.fillCombos();
    model.presentRead(read);
    if (auto refusal = model.importConfiguration(file).refusal)
        return refusal;
    if (unit) {
        if (auto refusal = applyPlannedUnit(model, *unit))
            return refusal;
    }
    if (!model.writable())
        return codeRefusal(model, session);
    if (const auto error = model.collect())
        return error->message;
    saveImage = session.SaveImage;
    return std::nullopt;
}

std::optional<QString> checkWritable(const conf::ConfigFile& file, const NetworkList& networks,
                                     const PlannedUnit* unit, Image* built) {
    Image image{};
    auto error =
        buildWriteImage(neutralImage(file.bandaUHF), file.firmwareM6, networks, file, image, unit);
    if (!error && built)
        *built = image;
    return error;
}

QString windowProgramFolder(const QString& commandLineFolder) {
#ifdef Q_OS_WIN
    const QString program = QStringLiteral("selvanam.exe");
#else
    const QString program = QStringLiteral("selvanam");
#endif
    const QDir here(commandLineFolder);
    for (const QString& folder : {here.path(), here.filePath(QStringLiteral("../selvanam"))}) {
        const QFileInfo window(QDir(folder).filePath(program));
        if (window.isFile() && window.isExecutable())
            return window.absolutePath();
    }
    return QString();
}

NetworkList windowNetworkList(const QString& commandLineFolder, QString* warning) {
    NetworkList list;
    const QString folder = networksFolder(windowProgramFolder(commandLineFolder));
    if (const auto error = readNetworkList(folder, list)) {
        if (warning)
            *warning = error->message;
        return NetworkList{};
    }
    return list;
}

} // namespace selvana::cli
