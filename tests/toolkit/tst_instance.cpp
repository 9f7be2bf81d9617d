#include <QProcess>
#include <QtTest>

#include <csignal>

// Two real processes: the second copy sees the first; a killed copy leaves nothing behind.
class TestInstance : public QObject
{
    Q_OBJECT

    QString probe() const { return QStringLiteral(INSTANCE_PROBE); }

    int runProbe() const
    {
        QProcess second;
        second.start(probe(), {});
        if (!second.waitForFinished(10000))
            return -1;
        return second.exitCode();
    }

private slots:
    void secondCopySeesTheFirstAndAKilledCopyBlocksNothing()
    {
        QProcess first;
        first.start(probe(), {QStringLiteral("hold")});
        QVERIFY(first.waitForReadyRead(10000));
        QCOMPARE(first.readAll().trimmed(), QByteArray("claimed"));

        QCOMPARE(runProbe(), 3);

        ::kill(pid_t(first.processId()), SIGKILL);
        QVERIFY(first.waitForFinished(10000));
        QCOMPARE(runProbe(), 0);
    }
};

QTEST_GUILESS_MAIN(TestInstance)
#include "tst_instance.moc"
