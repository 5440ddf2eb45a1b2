#include "sessionlog.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

namespace {

const QDateTime kWhen(QDate(2019, 9, 18), QTime(7, 8, 9));

QByteArray contents(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return "<missing>";
    return file.readAll();
}

// Open descriptors of this process that point at the path (Linux only; -1 elsewhere).
int openHandles(const QString &path)
{
    QDir fds(QStringLiteral("/proc/self/fd"));
    if (!fds.exists())
        return -1;
    const QString target = QFileInfo(path).canonicalFilePath();
    int count = 0;
    for (const QFileInfo &fd : fds.entryInfoList(QDir::System | QDir::Files | QDir::NoDotAndDotDot))
        count += fd.symLinkTarget() == target ? 1 : 0;
    return count;
}

} // namespace

// The UDP log and the history log: the exact bytes of every record, and no file held open.
class TestSessionLog : public QObject
{
    Q_OBJECT
private slots:
    void init();

    void historyEntry_data();
    void historyEntry();
    void historyRecordIsEntryThenText();
    void textWithoutLineEndLeavesNextEntryOnItsLine();
    void missingLogFolderLosesTheRecordSilently();
    void noWriteKeepsTheFileOpen();

    void udpRecord_data();
    void udpRecord();
    void appendCreatesAndExtends();

private:
    std::unique_ptr<QTemporaryDir> folder;
};

void TestSessionLog::init()
{
    folder = std::make_unique<QTemporaryDir>();
    QVERIFY(folder->isValid());
}

void TestSessionLog::historyEntry_data()
{
    QTest::addColumn<QString>("mac");
    QTest::addColumn<QString>("workingFolder");
    QTest::addColumn<QString>("entry");
    QTest::newRow("no record shown yet: both MAC places empty")
        << QString() << "./"
        << "[Logdate:2019:09:18 07:08:09][MAC:]\t\t[]\t[./]\r\n";
    QTest::newRow("MAC of the shown record in both places")
        << "00564f524e01"
        << "/scripts/"
        << "[Logdate:2019:09:18 07:08:09][MAC:00564f524e01]\t\t[00564f524e01]\t[/scripts/]\r\n";
    QTest::newRow("percent sign in the folder is no placeholder")
        << "0011"
        << "C:/100%1/"
        << "[Logdate:2019:09:18 07:08:09][MAC:0011]\t\t[0011]\t[C:/100%1/]\r\n";
}

void TestSessionLog::historyEntry()
{
    QFETCH(QString, mac);
    QFETCH(QString, workingFolder);
    QFETCH(QString, entry);
    QCOMPARE(SessionLog::historyEntry(kWhen, mac, workingFolder), entry);
}

void TestSessionLog::historyRecordIsEntryThenText()
{
    const QString path = folder->filePath(QStringLiteral("history.log"));
    SessionLog::writeHistory(folder->path(), QStringLiteral("[E1]\r\n"),
                             QString::fromUtf8("name M\u00fcller\r\nled 1\n"));
    SessionLog::writeHistory(folder->path(), QStringLiteral("[E2]\r\n"), QStringLiteral("b\n"));
    // The text goes as it was taken from the editor, in ISO 8859-1, no line end added.
    QCOMPARE(contents(path), QByteArray("[E1]\r\nname M\xfcller\r\nled 1\n[E2]\r\nb\n"));
}

void TestSessionLog::textWithoutLineEndLeavesNextEntryOnItsLine()
{
    SessionLog::writeHistory(folder->path(), QStringLiteral("[E1]\r\n"), QStringLiteral("stop"));
    SessionLog::writeHistory(folder->path(), QStringLiteral("[E2]\r\n"), QString());
    QCOMPARE(contents(folder->filePath(QStringLiteral("history.log"))),
             QByteArray("[E1]\r\nstop[E2]\r\n"));
}

void TestSessionLog::missingLogFolderLosesTheRecordSilently()
{
    const QString missing = folder->filePath(QStringLiteral("log"));
    SessionLog::writeHistory(missing, QStringLiteral("[E]\r\n"), QStringLiteral("led 1"));
    QVERIFY(!QFileInfo::exists(missing)); // the folder is not created either
    QVERIFY(!SessionLog::append(missing + QStringLiteral("/udp.log"), "x\r\n"));
}

void TestSessionLog::noWriteKeepsTheFileOpen()
{
    const QString history = folder->filePath(QStringLiteral("history.log"));
    SessionLog::writeHistory(folder->path(), QStringLiteral("[E]\r\n"), QStringLiteral("a"));
    const int handles = openHandles(history);
    if (handles < 0)
        QSKIP("no /proc/self/fd here");
    QCOMPARE(handles, 0);

    // Removed between two records (rotated by someone else): the next record starts afresh.
    QVERIFY(QFile::remove(history));
    SessionLog::writeHistory(folder->path(), QStringLiteral("[F]\r\n"), QStringLiteral("b"));
    QCOMPARE(contents(history), QByteArray("[F]\r\nb"));
    QCOMPARE(openHandles(history), 0);
}

void TestSessionLog::udpRecord_data()
{
    QTest::addColumn<QString>("line");
    QTest::addColumn<QByteArray>("record");
    QTest::newRow("plain line gets CR LF")
        << "@:2:0:86:79:82:19969:$" << QByteArray("@:2:0:86:79:82:19969:$\r\n");
    QTest::newRow("line ending in CR LF logged with exactly one CR LF")
        << QString::fromLatin1("\xa4:101:1:$\r\n") << QByteArray("\xc2\xa4:101:1:$\r\n");
    QTest::newRow("CR and LF inside the line removed") << "a\rb\nc" << QByteArray("abc\r\n");
    QTest::newRow("one character per byte written as UTF-8")
        << QString::fromLatin1("\xfc") << QByteArray("\xc3\xbc\r\n");
    QTest::newRow("empty line still a record") << "" << QByteArray("\r\n");
}

void TestSessionLog::udpRecord()
{
    QFETCH(QString, line);
    QFETCH(QByteArray, record);
    QCOMPARE(SessionLog::udpRecord(line), record);
}

void TestSessionLog::appendCreatesAndExtends()
{
    const QString path = folder->filePath(QStringLiteral("udp.log"));
    QVERIFY(SessionLog::append(path, "one\r\n"));
    QVERIFY(SessionLog::append(path, "two\r\n"));
    QCOMPARE(contents(path), QByteArray("one\r\ntwo\r\n"));
    QCOMPARE(openHandles(path) <= 0, true);
}

QTEST_GUILESS_MAIN(TestSessionLog)
#include "tst_sessionlog.moc"
