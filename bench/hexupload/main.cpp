// Benchmark of the firmware path: the HEX reader's records per second on a 1 MiB image, and a
// full upload of it to the simulated board with the uploader against a plain reference client.
// Run it inside a private network namespace: scripts/in-netns.sh build/bin/vorne-bench-hexupload

#include "benchcommandline.h"
#include "fletcher16.h"
#include "fwupdater.h"
#include "hexfile.h"
#include "hextestfiles.h"
#include "intelhexreader.h"
#include "referenceclient.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QPointer>
#include <QProcess>
#include <QTcpServer>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <sstream>
#include <vector>

namespace {

constexpr int kImageBytes = 0x100000;
constexpr int kRecordBytes = 16;
constexpr double kFlashWaitSeconds = 1.0; // both clients wait out one quiet second at the end

// A 1 MiB image as 64 Ki data records of 16 bytes, an extended address record per 64 KiB,
// a start address and the end-of-file record, as objcopy lays them out.
QByteArray makeHex(const QByteArray &image, int *records)
{
    QByteArray hex;
    *records = 0;
    for (int offset = 0; offset < image.size(); offset += kRecordBytes) {
        if (offset % 0x10000 == 0) {
            const quint16 upper = quint16(0x0800 + offset / 0x10000);
            const char value[] = {char(upper >> 8), char(upper & 0xFF)};
            hex += HexTestFiles::record(4, 0, QByteArray(value, 2)) + "\r\n";
            ++*records;
        }
        hex += HexTestFiles::record(0, quint16(offset), image.mid(offset, kRecordBytes)) + "\r\n";
        ++*records;
    }
    hex += HexTestFiles::record(5, 0, QByteArray("\x08\x00\x00\x00", 4)) + "\r\n";
    hex += HexTestFiles::record(1, 0, QByteArray()) + "\r\n";
    *records += 2;
    return hex;
}

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

// Seconds for reading every line of the file through the reader, as the uploader does.
double timeReaderOnFile(const QString &path, int records)
{
    std::ostringstream quiet;
    IntelHexReader reader(quiet);
    HexFile file;
    QByteArray line;
    QElapsedTimer timer;
    timer.start();
    file.open(path);
    int accepted = 0;
    while (!file.atEnd()) {
        file.readLine(line);
        reader.nextLine();
        accepted += reader.parseHexLine(line);
    }
    const double seconds = timer.nsecsElapsed() / 1e9;
    if (accepted != records)
        std::printf("  (reader refused %d records)\n", records - accepted);
    return seconds;
}

// Seconds for the reader alone on lines already in memory.
double timeReaderInMemory(const std::vector<QByteArray> &lines)
{
    std::ostringstream quiet;
    IntelHexReader reader(quiet);
    QElapsedTimer timer;
    timer.start();
    for (const QByteArray &line : lines) {
        reader.nextLine();
        reader.parseHexLine(line);
    }
    return timer.nsecsElapsed() / 1e9;
}

double timeUploader(quint16 port, const QString &path, QString *reason)
{
    std::ostringstream quiet;
    QElapsedTimer timer;
    timer.start();
    QPointer<Fwupdater> uploader = new Fwupdater(QStringLiteral("127.0.0.1"), port, 0);
    uploader->setOutput(quiet);
    int status = 0;
    QEventLoop loop;
    QObject::connect(uploader, &Fwupdater::done, &loop, [&](int result) {
        status = result;
        *reason = uploader->failureReason();
        loop.quit();
    });
    uploader->uploadFile(path);
    loop.exec();
    const double seconds = timer.nsecsElapsed() / 1e9;
    delete uploader;
    return status == 1 ? seconds : -1;
}

quint16 freePort()
{
    QTcpServer probe;
    probe.listen(QHostAddress::LocalHost, 0);
    return probe.serverPort();
}

bool startBoard(QProcess &board, const QString &program, quint16 port, const QString &romDir)
{
    board.start(program, {"--listen", QStringLiteral("127.0.0.1:%1").arg(port), "--rom-dir", romDir,
                          "--announce-ms", "600000", "--telemetry-ms", "600000"});
    QByteArray said;
    while (!said.contains("console")) {
        if (!board.waitForReadyRead(10000))
            return false;
        said += board.readAllStandardOutput();
    }
    return true;
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Times the HEX reader and a full upload to vorne-boardsim."));
    const QCommandLineOption roundsOption(QStringLiteral("rounds"),
                                          QStringLiteral("Uploads per client (default 3)."),
                                          QStringLiteral("n"), QStringLiteral("3"));
    const QCommandLineOption simOption(
        QStringLiteral("sim"), QStringLiteral("The simulated board (default: beside this)."),
        QStringLiteral("path"), QCoreApplication::applicationDirPath() + "/vorne-boardsim");
    parser.addOptions({roundsOption, simOption});
    if (const std::optional<int> exit = BenchCommandLine::parse(parser))
        return *exit;
    int rounds = 0;
    if (!BenchCommandLine::number(parser, roundsOption, 1, 100, &rounds))
        return BenchCommandLine::kExitUsage;

    QTemporaryDir work;
    QDir::setCurrent(work.path()); // the uploader leaves its ./fw.bin here
    QByteArray image(kImageBytes, '\0');
    for (int i = 0; i < image.size(); ++i)
        image[i] = char((i * 131 + i / 251) & 0xFF);
    int records = 0;
    const QByteArray hex = makeHex(image, &records);
    const QString path = work.filePath(QStringLiteral("bench.hex"));
    QFile out(path);
    if (!out.open(QIODevice::WriteOnly) || out.write(hex) != hex.size()) {
        std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
        return 1;
    }
    out.close();

    std::vector<QByteArray> lines;
    for (const QByteArray &line : hex.split('\n')) {
        if (!line.isEmpty())
            lines.push_back(line.trimmed());
    }
    std::vector<double> onFile, inMemory;
    for (int i = 0; i < 7; ++i) {
        onFile.push_back(timeReaderOnFile(path, records));
        inMemory.push_back(timeReaderInMemory(lines));
    }
    std::printf("HEX reader, %d records (1 MiB image, %d bytes of HEX):\n", records,
                int(hex.size()));
    std::printf("  file read + check:  %.2f ms  = %.0f records/s (median of 7)\n",
                median(onFile) * 1e3, records / median(onFile));
    std::printf("  check only:         %.2f ms  = %.0f records/s (median of 7)\n",
                median(inMemory) * 1e3, records / median(inMemory));
    std::fflush(stdout);

    const QString sim = parser.value(simOption);
    QProcess board;
    const quint16 port = freePort();
    if (!QFileInfo::exists(sim) || !startBoard(board, sim, port, work.path())) {
        std::printf("Upload: %s did not start; no upload figures\n", qPrintable(sim));
        return 1;
    }
    // Wall time is what the user waits, but on a shared machine it follows the load; the
    // processor time this process spends is the client's own cost, and steadier.
    std::vector<double> reference, uploader, referenceCpu, uploaderCpu;
    for (int i = 0; i < rounds; ++i) {
        QString reason;
        QElapsedTimer timer;
        timer.start();
        std::clock_t cpu = std::clock();
        if (!ReferenceClient::upload(QStringLiteral("127.0.0.1"), port, path, image, &reason)) {
            std::printf("reference upload failed: %s\n", qPrintable(reason));
            return 1;
        }
        reference.push_back(timer.nsecsElapsed() / 1e9);
        referenceCpu.push_back(double(std::clock() - cpu) / CLOCKS_PER_SEC);
        cpu = std::clock();
        const double seconds = timeUploader(port, path, &reason);
        if (seconds < 0) {
            std::printf("Fwupdater upload failed: %s\n", qPrintable(reason));
            return 1;
        }
        uploader.push_back(seconds);
        uploaderCpu.push_back(double(std::clock() - cpu) / CLOCKS_PER_SEC);
        std::printf("  round %d: reference %.3f s (processor %.3f s), Fwupdater %.3f s "
                    "(processor %.3f s)\n",
                    i + 1, reference.back(), referenceCpu.back(), uploader.back(),
                    uploaderCpu.back());
        std::fflush(stdout);
    }
    const double ref = *std::min_element(reference.begin(), reference.end());
    const double own = *std::min_element(uploader.begin(), uploader.end());
    std::printf("Upload of the same file to vorne-boardsim on loopback (%d rounds, each with\n"
                "the quiet second after the checksum):\n",
                rounds);
    std::printf("  reference client:   best %.3f s (exchange %.3f s), median %.3f s\n", ref,
                ref - kFlashWaitSeconds, median(reference));
    std::printf("  Fwupdater:          best %.3f s (exchange %.3f s), median %.3f s\n", own,
                own - kFlashWaitSeconds, median(uploader));
    std::printf("  ratio:              best %.3f (exchange only %.3f), median %.3f\n", own / ref,
                (own - kFlashWaitSeconds) / (ref - kFlashWaitSeconds),
                median(uploader) / median(reference));
    std::printf("  processor time:     reference %.3f s, Fwupdater %.3f s (medians), "
                "ratio %.3f\n",
                median(referenceCpu), median(uploaderCpu),
                median(uploaderCpu) / median(referenceCpu));
    board.kill();
    board.waitForFinished(5000);
    return 0;
}
