#pragma once

#include "core/image/config_record.h"
#include "simulator/image_source.h"

#include <QByteArray>
#include <QList>
#include <QObject>
#include <QRandomGenerator>
#include <QString>
#include <QTimer>

class QSocketNotifier;

namespace selvana::sim {

class PtyPair;

// Misbehaviours a peripheral can show, each one on its own.
struct SimulatorFaults {
    bool splitFrame = false;     // the read frame comes in two parts, splitDelayMs apart
    bool noise = false;          // a few bytes without line feeds before every message
    bool garbage = false;        // now and then a burst of random bytes with line feeds
    bool badChecksum = false;    // the read frame carries a wrong checksum byte
    bool silent = false;         // never announces nor answers
    bool ignoreWrites = false;   // a write frame is neither stored nor answered
    bool refuseWrites = false;   // every write frame is answered "N"
    bool cutFrame = false;       // only the first partialLength bytes of the read frame are sent
    bool vanish = false;         // the first partialLength bytes, then the device disappears
    bool imperfectStore = false; // a write is stored with the siren time one more than written
};

struct SimulatorOptions {
    char announce = 'W';          // 'W' firmware before M6, 'K' M6 and later
    char frameType = 'X';         // 'X' (79 bytes) or 'D' (71 bytes)
    Image image = builtInImage(); // every peripheral starts from it; byte 64 is recomputed
    QList<quint32> serials;       // one per peripheral, in order; empty: bytes 1..4 of image
    int autoResetMs = 0;          // press RESET after this many quiet milliseconds; 0 = never
    bool readBack = false; // after a write, one more RESET shows the same unit before the next
    SimulatorFaults faults;
    int partialLength = 40;         // bytes of the read frame before a split, cut or vanish
    int splitDelayMs = 700;         // longer than one 500 ms tick of the programmer
    int vanishDelayMs = 150;        // after the part sent before, so the program reads it
    int incompleteTimeoutMs = 1000; // a message begun but not finished is dropped then
    int garbageIntervalMs = 700;    // between bursts of garbage, plus up to 4/7 of it at random
    quint32 seed = 0;               // for noise and garbage; 0 = unpredictable
};

// A peripheral on the master side of a PtyPair, driven by the event loop (no threads).
class PeripheralSimulator : public QObject {
    Q_OBJECT
public:
    enum class State {
        Idle,      // waiting for RESET
        Announced, // announcement sent, waiting for the request
        FrameSent, // configuration sent, waiting for a write
        Gone,      // the device disappeared
    };
    Q_ENUM(State)

    PeripheralSimulator(PtyPair& pty, const SimulatorOptions& options, QObject* parent = nullptr);
    ~PeripheralSimulator() override;

    // The installer presses RESET: pending output is abandoned and the announcement goes out.
    void pressReset();
    // The device disappears now (the master is closed).
    void vanish();

    State state() const { return state_; }
    // Memory of the connected peripheral.
    const Image& image() const { return image_; }
    int peripheralIndex() const { return index_; }
    int peripheralCount() const { return static_cast<int>(serials_.size()); }
    QString serialNumber() const;

    SimulatorFaults faults() const { return options_.faults; }
    void setFaults(const SimulatorFaults& faults);

    // True while the program holds the port open (also when that cannot be known).
    bool portOpen();

    static QString stateName(State state);
    // The read frame a peripheral sends for an image: type letter, image bytes 1..64, zero
    // bytes and a carriage return up to 79 ("X") or 71 ("D") bytes.
    static QByteArray readFrame(const Image& image, char type);
    // Why a write frame is not acceptable, or an empty text when it is.
    static QString writeFrameProblem(const QByteArray& frame);

signals:
    void received(const QByteArray& bytes);
    void sent(const QByteArray& bytes);
    void dropped(const QByteArray& bytes); // output while nobody had the port open
    void stateChanged(selvana::sim::PeripheralSimulator::State state);
    void imageStored(const selvana::Image& image);
    void writeRefused(const QString& reason);
    void peripheralChanged(int index, const QString& serialNumber);
    void portOpenChanged(bool open);
    void note(const QString& text); // anything else worth a line in the log

private:
    struct Chunk {
        QByteArray bytes;
        int delayMs = 0; // wait before sending
        bool vanishAfter = false;
    };

    void readMaster();
    void writePending();
    void updatePeers();
    void parse();
    void dropIncomplete();
    void handleRequest();
    void handleWriteFrame(const QByteArray& frame);
    void sendMessage(char letter);
    void sendReadFrame();
    void enqueue(const Chunk& chunk);
    void pump();
    void writeOut(const QByteArray& bytes);
    void setState(State state);
    void connectPeripheral(int index);
    void autoReset();
    void sendGarbage();
    void armGarbage();
    QByteArray noise();
    QByteArray garbage();

    PtyPair& pty_;
    SimulatorOptions options_;
    QList<quint32> serials_;
    Image image_{};
    int index_ = 0;
    bool nextOnReset_ = false; // the unit written was read back: RESET shows the next
    bool heldAfterWrite_ = false;
    State state_ = State::Idle;
    int peers_ = -1;
    QByteArray rx_;
    QByteArray out_; // accepted for sending, not yet taken by the pty
    QList<Chunk> txQueue_;
    QTimer txTimer_;
    QTimer incompleteTimer_;
    QTimer autoResetTimer_;
    QTimer garbageTimer_;
    QSocketNotifier* readNotifier_ = nullptr;
    QSocketNotifier* writeNotifier_ = nullptr;
    QSocketNotifier* peerNotifier_ = nullptr;
    QRandomGenerator random_;
};

} // namespace selvana::sim
