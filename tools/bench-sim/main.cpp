// SPDX-FileCopyrightText: The Abgleich authors
// SPDX-License-Identifier: Apache-2.0
// The bench simulator: plays a bench controller on TCP for demos, training and tests.
#include "simulator.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDateTime>
#include <QTextStream>

using namespace abgleich::sim;

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("bench-sim"));
    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Simulated bench controller for the calibration tool (TCP, Windows-1252)."));
    parser.addHelpOption();
    const QCommandLineOption address({QStringLiteral("a"), QStringLiteral("address")},
                                     QStringLiteral("Address to listen on (default 127.0.0.1)."),
                                     QStringLiteral("address"), QStringLiteral("127.0.0.1"));
    const QCommandLineOption port({QStringLiteral("p"), QStringLiteral("port")},
                                  QStringLiteral("TCP port (default 1209; 0 picks a free one)."),
                                  QStringLiteral("port"), QStringLiteral("1209"));
    const QCommandLineOption device(
        {QStringLiteral("d"), QStringLiteral("device")},
        QStringLiteral("Device file (id=, type=, version=, date=, point=name;unit;a;b lines); "
                       "without it a built-in bench of 40 points."),
        QStringLiteral("file"));
    const QCommandLineOption chunk(QStringLiteral("chunk"),
                                   QStringLiteral("Send replies in chunks of N bytes."),
                                   QStringLiteral("N"), QStringLiteral("0"));
    const QCommandLineOption delay(QStringLiteral("delay"),
                                   QStringLiteral("Wait MS milliseconds before each reply."),
                                   QStringLiteral("MS"), QStringLiteral("0"));
    const QCommandLineOption close(QStringLiteral("close-after-reply"),
                                   QStringLiteral("Close the connection after each reply."));
    const QCommandLineOption error(QStringLiteral("error-reply"),
                                   QStringLiteral("Answer \"U;\" with an error reply."));
    const QCommandLineOption skew(QStringLiteral("skew-stored-gain"),
                                  QStringLiteral("Keep every gain of an upload 0.001 above what "
                                                 "was sent (the read-back then differs)."));
    parser.addOptions({address, port, device, chunk, delay, close, error, skew});
    parser.process(app);

    QTextStream out(stdout);
    QTextStream err(stderr);
    SimOptions options;
    options.address = QHostAddress(parser.value(address));
    bool ok = !options.address.isNull();
    options.port = parser.value(port).toUShort(&ok);
    options.chunkSize = parser.value(chunk).toInt();
    options.delayMs = parser.value(delay).toInt();
    options.closeAfterReply = parser.isSet(close);
    options.errorReply = parser.isSet(error);
    options.skewStoredGain = parser.isSet(skew);
    if (!ok || options.address.isNull()) {
        err << "bench-sim: bad address or port\n";
        return 2;
    }

    BenchDevice bench = defaultDevice();
    if (parser.isSet(device)) {
        QString problem;
        const auto loaded = loadDevice(parser.value(device), &problem);
        if (!loaded) {
            err << "bench-sim: " << parser.value(device) << ": " << problem << "\n";
            return 2;
        }
        bench = *loaded;
    }

    BenchSimulator simulator(bench, options);
    simulator.setLog([&out](const QString& line) {
        out << QDateTime::currentDateTime().toString(QStringLiteral("HH:mm:ss.zzz")) << ' ' << line
            << Qt::endl;
    });
    QString problem;
    if (!simulator.listen(&problem)) {
        err << "bench-sim: cannot listen on " << options.address.toString() << ':' << options.port
            << ": " << problem << "\n";
        return 1;
    }
    out << "bench-sim listening on " << options.address.toString() << ':' << simulator.port()
        << " (device " << bench.id << ", " << bench.points.size() << " points)" << Qt::endl;
    return app.exec();
}
