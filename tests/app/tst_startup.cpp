#include "app/Module1.h"
#include "app/frm_Principal.h"
#include "app/frm_Splash.h"
#include "toolkit/Services.h"

#include "TestSupport.h"

#include <QtTest>

namespace {

// A time-of-day clock that moves on by a fixed step at every reading.
class SteppingClock
{
public:
    SteppingClock(double start, double step) : m_now(start), m_step(step)
    {
        tk::setClockForTesting([this] {
            const double reading = m_now;
            m_now += m_step;
            if (m_now >= 86400.0)
                m_now -= 86400.0;
            ++m_readings;
            return reading;
        });
    }
    ~SteppingClock() { tk::setClockForTesting(nullptr); }
    double now() const { return m_now; }
    int readings() const { return m_readings; }

private:
    double m_now;
    double m_step;
    int m_readings = 0;
};

// Notes, for every top-level window shown or hidden, its name and the splash's flag.
class WindowJournal : public QObject
{
public:
    WindowJournal() { qApp->installEventFilter(this); }
    ~WindowJournal() override { qApp->removeEventFilter(this); }
    QStringList entries;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        auto *widget = qobject_cast<QWidget *>(watched);
        if (widget && widget->isWindow() && widget->objectName().startsWith(QLatin1String("frm_"))
            && (event->type() == QEvent::Show || event->type() == QEvent::Hide)) {
            const bool listo = frm_Splash::hasDefault() && frm_Splash::Default().Listo;
            const bool splashVisible
                = frm_Splash::hasDefault() && frm_Splash::Default().isVisible();
            entries << QStringLiteral("%1 %2 listo=%3 splash=%4")
                           .arg(event->type() == QEvent::Show ? QLatin1String("show")
                                                              : QLatin1String("hide"),
                                widget->objectName(), QString::number(listo),
                                QString::number(splashVisible));
        }
        return false;
    }
};

} // namespace

class TestStartup : public QObject
{
    Q_OBJECT

private slots:
    void cleanup()
    {
        testing::EndRecorder ends;
        tk::dispatch([] {
            frm_Principal::dropDefault();
            frm_Splash::dropDefault();
        });
        testing::flushEvents();
    }

    void deadlineRoundsHalfToEven_data()
    {
        QTest::addColumn<double>("clock");
        QTest::addColumn<int>("deadline");
        QTest::newRow("100.4") << 100.4 << 103;
        QTest::newRow("100.6") << 100.6 << 104;
        QTest::newRow("100.5 (103.5 to even)") << 100.5 << 104;
        QTest::newRow("101.5 (104.5 to even)") << 101.5 << 104;
        QTest::newRow("10:00:00.4") << 36000.4 << 36003;
    }
    void deadlineRoundsHalfToEven()
    {
        QFETCH(double, clock);
        QFETCH(int, deadline);
        QCOMPARE(frm_Splash::splashDeadline(clock), deadline);
    }

    void splashWaitsUntilTheWholeSecond_data()
    {
        QTest::addColumn<double>("start");
        QTest::addColumn<double>("end");
        QTest::newRow("10:00:00.4 ends at 10:00:03") << 36000.4 << 36003.0;
        QTest::newRow("10:00:00.6 ends at 10:00:04") << 36000.6 << 36004.0;
        QTest::newRow("10:00:01.5 ends at 10:00:04") << 36001.5 << 36004.0;
    }
    void splashWaitsUntilTheWholeSecond()
    {
        QFETCH(double, start);
        QFETCH(double, end);
        SteppingClock clock(start, 0.01);
        frm_Splash::Default().Show();
        QVERIFY(frm_Splash::Default().Listo);
        // The last reading was the first at or past the deadline.
        QVERIFY(clock.now() - 0.01 >= end - 1e-9);
        QVERIFY(clock.now() - 0.01 < end + 0.01);
    }

    void splashWaitEndsAcrossMidnight()
    {
        SteppingClock clock(86399.6, 0.01);
        frm_Splash::Default().Show();
        QVERIFY(frm_Splash::Default().Listo);
        // 23:59:59.6 + 3 is 00:00:02.6, rounded to 00:00:03: 3.4 s of clock in all.
        QVERIFY(clock.readings() * 0.01 <= 3.5);
        QVERIFY(clock.now() >= 3.0 && clock.now() < 3.1);
    }

    void splashOffersNoClose()
    {
        SteppingClock clock(100.0, 0.5);
        frm_Splash &splash = frm_Splash::Default();
        splash.Show();
        QVERIFY(!(splash.window()->windowFlags() & Qt::WindowCloseButtonHint));
        splash.window()->close();
        QVERIFY(splash.isLoaded());
        QVERIFY(splash.isVisible());
    }

    void mainWindowReplacesTheSplashOnlyAfterTheDelay()
    {
        testing::AppFolder folder({{1, "Cuentos", "Primaria", "Lengua y literatura",
                                    "https://example.org", std::nullopt}});
        folder.writeDocuments();
        testing::MsgBoxRecorder boxes;
        testing::EndRecorder ends;
        SteppingClock clock(500.0, 0.05);
        WindowJournal journal;

        tk::dispatch(Module1::Main);

        QVERIFY2(ends.codes.empty(), "the start-up ended the program");
        QVERIFY2(boxes.boxes.empty(),
                 qPrintable(boxes.boxes.empty() ? QString() : boxes.boxes[0].prompt));
        QCOMPARE(
            journal.entries,
            QStringList({"show frm_Splash listo=0 splash=1", "show frm_Principal listo=1 splash=1",
                         "hide frm_Splash listo=1 splash=0"}));
        QVERIFY(!frm_Splash::hasDefault());
        QVERIFY(frm_Principal::Default().isVisible());
        QCOMPARE(tk::Forms().size(), size_t(1));
    }

    void missingCatalogueEndsWithTheErrorAndNoMainWindow()
    {
        testing::AppFolder folder;
        QFile::remove(folder.file("fichas.mdb"));
        folder.writeDocuments();
        testing::MsgBoxRecorder boxes;
        testing::EndRecorder ends;
        SteppingClock clock(500.0, 0.05);
        WindowJournal journal;

        tk::dispatch(Module1::Main);

        QCOMPARE(ends.codes, std::vector<int>({1}));
        QCOMPARE(boxes.boxes.size(), size_t(1));
        QVERIFY(boxes.boxes[0].prompt.contains(QLatin1String("fichas.mdb")));
        QVERIFY(frm_Splash::Default().Listo);
        for (const QString &entry : journal.entries)
            QVERIFY2(!entry.startsWith(QLatin1String("show frm_Principal")), qPrintable(entry));
    }
};

QTEST_MAIN(TestStartup)
#include "tst_startup.moc"
