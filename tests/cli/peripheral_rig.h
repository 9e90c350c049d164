#pragma once

#include "cli/cli_rig.h"
#include "simulator/image_source.h"
#include "simulator/peripheral_simulator.h"
#include "simulator/pty_pair.h"

#include <QTimer>

namespace selvana::testing {

// A simulated peripheral on its own pseudo-terminal, recording what it stored.
struct SimulatedPeripheral {
    sim::PtyPair pty;
    std::unique_ptr<sim::PeripheralSimulator> sim;
    QList<Image> stored;
    QByteArray received;

    bool start(sim::SimulatorOptions options) {
        if (!pty.open())
            return false;
        options.splitDelayMs = testSplitDelayMs();
        sim = std::make_unique<sim::PeripheralSimulator>(pty, options);
        QObject::connect(sim.get(), &sim::PeripheralSimulator::imageStored,
                         [this](const Image& image) { stored << image; });
        QObject::connect(sim.get(), &sim::PeripheralSimulator::received,
                         [this](const QByteArray& bytes) { received += bytes; });
        return true;
    }
    QString device() const { return pty.slavePath(); }

    // Presses RESET once the program has asked for it the n-th time and holds the port.
    bool resetWhenAsked(CliProcess& cli, int n = 1) {
        if (!cli.waitForErr(QStringLiteral("premere il tasto RESET"), n))
            return false;
        if (!QTest::qWaitFor([this] { return sim->portOpen(); }, 5000))
            return false;
        sim->pressReset();
        return true;
    }
    bool receivedWrite() const { return received.contains("\nP"); }

    // RESET as soon as the program holds the port: the installer's answer to its prompt.
    void pressResetWhenOpen() {
        auto* timer = new QTimer(sim.get());
        timer->setInterval(2);
        QObject::connect(timer, &QTimer::timeout, [this, timer] {
            if (!sim->portOpen())
                return;
            timer->deleteLater();
            sim->pressReset();
        });
        timer->start();
    }
    // Each time the command asks, RESET once it holds the port.
    void answerPrompts(CliRun& cli) {
        cli.whenAsked = [this](int) { pressResetWhenOpen(); };
    }
};

// What a peripheral holds before it is written: the simulator's image with its serial number.
inline Image peripheralImage(const Image& base, quint32 serial) {
    Image image = base;
    sim::setSerialNumber(image, serial);
    sim::fixChecksum(image);
    return image;
}

} // namespace selvana::testing
