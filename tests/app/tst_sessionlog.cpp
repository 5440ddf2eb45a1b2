#include "consolepeer.h"
#include "sessionlog.h"

#include <QDir>
#include <QTemporaryDir>
#include <QtTest>

namespace {

// Descriptors of this process open on the path (Linux); -1 where that cannot be seen.
int openHandles(const QString &path)
{
    const QDir fds(QStringLiteral("/proc/self/fd"));
    if (!fds.exists())
        return -1;
    int count = 0;
    for (const QFileInfo &fd : fds.entryInfoList(QDir::System | QDir::Files))
        count += fd.symLinkTarget() == QFileInfo(path).canonicalFilePath() ? 1 : 0;
    return count;
}

} // namespace

// The UDP log and the history log: the exact bytes of every record, and no file held open.
class TestSessionLog : public QObject
{
    Q_OBJECT
private slots:
    void historyEntryWithAndWithoutShownRecord();
    void historyRecordsAreEntryThenTextAsSent();
    void missingFolderLosesTheRecordSilently();
    void udpRecord_data();
    void udpRecord();
};

void TestSessionLog::historyEntryWithAndWithoutShownRecord()
{
    const QDateTime when(QDate(2019, 9, 18), QTime(7, 8, 9));
    // No record shown yet: both MAC places empty. "%1" in the folder stays as it is.
    QCOMPARE(SessionLog::historyEntry(when, "", "C:/100%1/"),
             QStringLiteral("[Logdate:2019:09:18 07:08:09][MAC:]\t\t[]\t[C:/100%1/]\r\n"));
    QCOMPARE(SessionLog::historyEntry(when, "00564f524e01", "C:/100%1/"),
             QStringLiteral("[Logdate:2019:09:18 07:08:09][MAC:00564f524e01]\t\t[00564f524e01]"
                            "\t[C:/100%1/]\r\n"));
}

void TestSessionLog::historyRecordsAreEntryThenTextAsSent()
{
    QTemporaryDir folder;
    const QString path = folder.filePath("history.log");
    SessionLog::writeHistory(folder.path(), "[E1]\r\n", QString::fromUtf8("M\u00fcller\r\nstop"));
    const int handles = openHandles(path);
    SessionLog::writeHistory(folder.path(), "[E2]\r\n", "b\n");
    // ISO 8859-1, no line end added: a text without one leaves the next entry on its line.
    QCOMPARE(fileBytes(path), QByteArray("[E1]\r\nM\xfcller\r\nstop[E2]\r\nb\n"));
    if (handles < 0)
        QSKIP("open files cannot be listed here");
    QCOMPARE(handles, 0);

    // Removed between two records (someone rotated it): the next one starts it afresh.
    QVERIFY(QFile::remove(path));
    SessionLog::writeHistory(folder.path(), "[E3]\r\n", "c");
    QCOMPARE(fileBytes(path), QByteArray("[E3]\r\nc"));
}

void TestSessionLog::missingFolderLosesTheRecordSilently()
{
    QTemporaryDir folder;
    const QString missing = folder.filePath("log");
    SessionLog::writeHistory(missing, "[E]\r\n", "led 1");
    QVERIFY(!QFileInfo::exists(missing)); // not created either
    QVERIFY(!SessionLog::append(missing + "/udp.log", "x\r\n"));
    QVERIFY(SessionLog::append(folder.filePath("udp.log"), "x\r\n"));
    QVERIFY(SessionLog::append(folder.filePath("udp.log"), "y\r\n"));
    QCOMPARE(fileBytes(folder.filePath("udp.log")), QByteArray("x\r\ny\r\n"));
}

void TestSessionLog::udpRecord_data()
{
    QTest::addColumn<QString>("line");
    QTest::addColumn<QByteArray>("record");
    QTest::newRow("plain line gets CR LF") << "@:2:0:$" << QByteArray("@:2:0:$\r\n");
    QTest::newRow("line ending in CR LF gets exactly one")
        << QString::fromLatin1("\xa4:101:1:$\r\n") << QByteArray("\xc2\xa4:101:1:$\r\n");
    QTest::newRow("CR and LF inside removed") << "a\rb\nc" << QByteArray("abc\r\n");
}

void TestSessionLog::udpRecord()
{
    QFETCH(QString, line);
    QFETCH(QByteArray, record);
    QCOMPARE(SessionLog::udpRecord(line), record);
}

QTEST_GUILESS_MAIN(TestSessionLog)
#include "tst_sessionlog.moc"
