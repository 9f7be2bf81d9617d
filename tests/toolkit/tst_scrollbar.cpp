#include "common/Error.h"
#include "toolkit/Controls.h"
#include "toolkit/Form.h"
#include "toolkit/Services.h"

#include "TestSupport.h"
#include "toolkit/Units.h"

#include <QPointer>
#include <QScrollBar>
#include <QStyle>
#include <QStyleOptionSlider>
#include <QTest>

#include <memory>

namespace {

class BarForm : public tk::Form
{
public:
    BarForm() : Form({QStringLiteral("frm_Barras"), QStringLiteral("Barras"), 6000, 4500, {}}) { }

protected:
    void createControls() override { }
};

// What the bar told, in order: "C<value>" for Change, "S<value>" for Scroll.
struct Log
{
    QStringList entries;
    void wire(tk::ScrollBar &bar)
    {
        bar.Change = [this, &bar] { entries << QStringLiteral("C%1").arg(bar.Value()); };
        bar.Scroll = [this, &bar] { entries << QStringLiteral("S%1").arg(bar.Value()); };
    }
};

QPoint thumbCentre(QScrollBar *bar)
{
    QStyleOptionSlider option;
    option.initFrom(bar);
    option.orientation = bar->orientation();
    option.minimum = bar->minimum();
    option.maximum = bar->maximum();
    option.sliderPosition = bar->sliderPosition();
    option.sliderValue = bar->value();
    option.singleStep = bar->singleStep();
    option.pageStep = bar->pageStep();
    option.subControls = QStyle::SC_All;
    return bar->style()
        ->subControlRect(QStyle::CC_ScrollBar, &option, QStyle::SC_ScrollBarSlider, bar)
        .center();
}

using testing::errorNumber;

} // namespace

class TestScrollBar : public QObject
{
    Q_OBJECT

private slots:
    void init()
    {
        m_form = std::make_unique<BarForm>();
        m_form->Load();
        m_form->window()->resize(400, 300);
        m_form->Show();
        m_bar = &m_form->Controls().Add<tk::HScrollBar>(QStringLiteral("Horizontal_Scroll"));
        m_bar->Move(0, 0, 4500, tk::pixelsToTwipsY(tk::systemScrollBarHeight()));
        m_bar->setMax(20);
        m_bar->setLargeChange(5);
        m_bar->setVisible(true);
        m_log = Log();
        m_log.wire(*m_bar);
    }
    void cleanup()
    {
        m_form->Unload();
        m_form.reset();
    }

    void newBarTakesTheSystemThicknessAndToolkitDefaults()
    {
        auto &v = m_form->Controls().Add<tk::VScrollBar>(QStringLiteral("Vertical_Scroll"));
        QVERIFY(!v.Visible());
        QCOMPARE(v.Width(), tk::pixelsToTwipsX(tk::systemScrollBarWidth()));
        QCOMPARE(v.Min(), 0);
        QCOMPARE(v.SmallChange(), 1);
        QCOMPARE(v.Value(), 0);
        QCOMPARE(v.bar()->orientation(), Qt::Vertical);
    }

    void assignmentNotifiesChangeOnce()
    {
        m_bar->setValue(7);
        QCOMPARE(m_log.entries, QStringList{QStringLiteral("C7")});
        m_bar->setValue(7);
        QCOMPARE(m_log.entries.size(), 1);
    }

    void arrowAndTroughStepBySmallAndLargeChange()
    {
        m_bar->bar()->triggerAction(QAbstractSlider::SliderSingleStepAdd);
        m_bar->bar()->triggerAction(QAbstractSlider::SliderPageStepAdd);
        QCOMPARE(m_log.entries, (QStringList{QStringLiteral("C1"), QStringLiteral("C6")}));
    }

    void thumbDragScrollsThenChangesOnRelease()
    {
        QScrollBar *bar = m_bar->bar();
        const QPoint start = thumbCentre(bar);
        QTest::mousePress(bar, Qt::LeftButton, {}, start);
        QTest::mouseMove(bar, start + QPoint(60, 0));
        QTest::mouseMove(bar, start + QPoint(120, 0));
        QTest::mouseRelease(bar, Qt::LeftButton, {}, start + QPoint(120, 0));
        QVERIFY2(m_log.entries.size() >= 3, qPrintable(m_log.entries.join(u' ')));
        for (int i = 0; i + 1 < m_log.entries.size(); ++i)
            QVERIFY(m_log.entries[i].startsWith(u'S'));
        QCOMPARE(m_log.entries.last(), QStringLiteral("C%1").arg(m_bar->Value()));
        QVERIFY(m_bar->Value() > 0);
    }

    void dragEndingWhereItBeganChangesNothing()
    {
        QScrollBar *bar = m_bar->bar();
        m_bar->setValue(10);
        m_log.entries.clear();
        bar->setSliderDown(true);
        bar->setValue(14);
        bar->setValue(10);
        bar->setSliderDown(false);
        QCOMPARE(m_log.entries, (QStringList{QStringLiteral("S14"), QStringLiteral("S10")}));
    }

    void maxBelowMinIsKept()
    {
        m_bar->setMax(-7);
        QCOMPARE(m_bar->Max(), -7);
        QCOMPARE(m_bar->Value(), 0);
        QCOMPARE(errorNumber([&] { m_bar->setValue(1); }),
                 orlaneva::ErrorNumber::InvalidPropertyValue);
    }

    void loweringMaxBelowValueClampsAndNotifies()
    {
        m_bar->setValue(15);
        m_log.entries.clear();
        m_bar->setMax(9);
        QCOMPARE(m_bar->Value(), 9);
        QCOMPARE(m_log.entries, QStringList{QStringLiteral("C9")});
    }

    void sixteenBitRange()
    {
        m_bar->setMax(32767);
        m_bar->setMin(-32768);
        QCOMPARE(errorNumber([&] { m_bar->setMax(32768); }), orlaneva::ErrorNumber::Overflow);
        QCOMPARE(errorNumber([&] { m_bar->setMin(-32769); }), orlaneva::ErrorNumber::Overflow);
        QCOMPARE(errorNumber([&] { m_bar->setValue(32767); }), 0);
    }

    void removedBarNoLongerNotifies()
    {
        int calls = 0;
        m_bar->Change = [&] { ++calls; };
        QPointer<QScrollBar> widget = m_bar->bar();
        m_form->Controls().Remove(QStringLiteral("Horizontal_Scroll"));
        QVERIFY(!m_form->Controls().find(QStringLiteral("Horizontal_Scroll")));
        QVERIFY(widget); // deletion is deferred: the widget may still send
        widget->setValue(3);
        QCOMPARE(calls, 0);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QVERIFY(!widget);
    }

private:
    std::unique_ptr<BarForm> m_form;
    tk::HScrollBar *m_bar = nullptr;
    Log m_log;
};

QTEST_MAIN(TestScrollBar)
#include "tst_scrollbar.moc"
