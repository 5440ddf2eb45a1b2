#include <QProcess>
#include <QtTest>

// The benchmarks' command lines: a wrong option or value refused with the usage
// on standard error and exit code 2 instead of a run that ignores it.
class TestBenchmarkOptions : public QObject
{
    Q_OBJECT

private slots:
    void commandLine_data()
    {
        QTest::addColumn<QString>("program");
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QString>("printed"); // part of standard output, or of standard error
        const auto row = [](const char *name, const char *program, const QStringList &arguments,
                            int exitCode, const char *printed) {
            QTest::newRow(name) << program << arguments << exitCode << printed;
        };
        row("decoder unknown option", "vorne-bench-decoder", {"--bogus"}, 2, "Usage:");
        row("decoder stray argument", "vorne-bench-decoder", {"fast"}, 2, "Usage:");
        row("decoder no lines", "vorne-bench-decoder", {"--lines", "0"}, 2, "--lines");
        row("decoder, small mix", "vorne-bench-decoder", {"--lines", "2000"}, 0, "lines: 2000");
        row("upload unknown option", "vorne-bench-hexupload", {"--bogus"}, 2, "Usage:");
        row("upload rounds not a number", "vorne-bench-hexupload", {"--rounds", "x"}, 2,
            "--rounds");
    }

    void commandLine()
    {
        QFETCH(QString, program);
        QFETCH(QStringList, arguments);
        QFETCH(int, exitCode);
        QFETCH(QString, printed);
        QProcess bench;
        bench.start(QStringLiteral(VORNE_BIN_DIR "/") + program, arguments);
        QVERIFY(bench.waitForFinished(60000));
        QCOMPARE(bench.exitCode(), exitCode);
        const QByteArray output =
            exitCode == 0 ? bench.readAllStandardOutput() : bench.readAllStandardError();
        QVERIFY2(output.contains(printed.toUtf8()), output.constData());
    }
};

QTEST_GUILESS_MAIN(TestBenchmarkOptions)
#include "tst_benchmarkoptions.moc"
