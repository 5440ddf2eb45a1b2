#pragma once

#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QStringList>

// vorne-boardsim run as a process for a test, on loopback; the console ports are read from
// the summary it prints once it is ready. It is killed (by its own process handle) at the end.
class BoardSimProcess
{
public:
    // One board on a free console port, with no discovery and hardly any UDP, so that the
    // console is all that happens. Arguments added after these win: the last of an option counts.
    static QStringList quietArguments()
    {
        return {"--listen",       "127.0.0.1:0", "--discovery-port", "0",
                "--telemetry-ms", "60000",       "--announce-ms",    "60000"};
    }

    ~BoardSimProcess()
    {
        process.kill();
        process.waitForFinished(3000);
    }

    bool start(const QStringList &arguments)
    {
        process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        process.start(QStringLiteral(VORNE_BIN_DIR "/vorne-boardsim"), arguments);
        QSignalSpy output(&process, &QProcess::readyReadStandardOutput);
        while (!printed.contains("UDP to")) { // the last line of the summary
            if (!output.wait(5000))
                return false;
            printed += process.readAllStandardOutput();
        }
        auto it = QRegularExpression("console 127\\.0\\.0\\.1:(\\d+)").globalMatch(printed);
        while (it.hasNext())
            ports << quint16(it.next().captured(1).toUInt());
        return !ports.isEmpty();
    }

    // The transcript written with --log, one entry per line.
    static QByteArrayList logLines(const QString &path)
    {
        QFile file(path);
        return file.open(QIODevice::ReadOnly) ? file.readAll().split('\n') : QByteArrayList();
    }

    QProcess process;
    QByteArray printed;
    QList<quint16> ports;
};
