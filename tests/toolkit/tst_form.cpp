#include "toolkit/Controls.h"
#include "toolkit/FlexGrid.h"
#include "toolkit/Form.h"
#include "toolkit/Services.h"

#include "TestSupport.h"
#include "common/Error.h"

#include <QLabel>
#include <QPointer>
#include <QScrollBar>
#include <QToolButton>
#include <QtTest>

namespace {

// A window whose hooks write what happened into a shared journal.
class JournalForm : public tk::DefaultForm<JournalForm>
{
public:
    JournalForm()
        : DefaultForm({QStringLiteral("frm_Journal"), QStringLiteral("Orlaneva. - Diario."), 15180,
                       10455, QString()})
    { }
    static QStringList journal;
    int cancelNextUnload = 0;
    int member = 0;

    tk::Label lblTitulo;
    tk::ControlArray<tk::PictureBox> Picture{QStringLiteral("Picture")};
    tk::CommandButton cmdVolver;

protected:
    void createControls() override
    {
        lblTitulo.create(*this, QStringLiteral("lblTitulo"));
        lblTitulo.Move(360, 240, 1500, 300);
        Picture.create(*this, 3).Move(12000, 9240, 2895, 975);
        cmdVolver.create(*this, QStringLiteral("cmdVolver"));
        cmdVolver.Move(13845, 240, 975, 855);
        cmdVolver.Click = [this] { Unload(); };
    }
    void Form_Initialize() override { journal << QStringLiteral("Initialize"); }
    void Form_Load() override { journal << QStringLiteral("Load"); }
    void Form_Unload(int &Cancel) override
    {
        journal << QStringLiteral("Unload");
        Cancel = cancelNextUnload;
        cancelNextUnload = 0;
    }
};
QStringList JournalForm::journal;

// One control of every kind that raises events, each counting what reaches its handler.
class EventForm : public tk::DefaultForm<EventForm>
{
public:
    EventForm()
        : DefaultForm({QStringLiteral("frm_Events"), QStringLiteral("Orlaneva. - Eventos."), 15180,
                       10455, QString()})
    { }
    int events = 0;

    tk::CommandButton cmdBoton;
    tk::PictureBox picCaja;
    tk::TextBox txtTexto;
    tk::ComboBox cboLista;
    tk::HScrollBar hsbBarra;
    tk::FlexGrid grdRejilla;

protected:
    void createControls() override
    {
        cmdBoton.create(*this, QStringLiteral("cmdBoton"));
        picCaja.create(*this, QStringLiteral("picCaja"));
        picCaja.Move(0, 1000, 1500, 1500);
        txtTexto.create(*this, QStringLiteral("txtTexto"));
        cboLista.create(*this, QStringLiteral("cboLista"));
        hsbBarra.create(*this, QStringLiteral("hsbBarra"));
        grdRejilla.create(*this, QStringLiteral("grdRejilla"));
        cmdBoton.Click = [this] { ++events; };
        picCaja.Click = [this] { ++events; };
        txtTexto.KeyPress = [this](int &) { ++events; };
        cboLista.KeyPress = [this](int &) { ++events; };
        hsbBarra.Change = [this] { ++events; };
        grdRejilla.KeyPress = [this](int &) { ++events; };
    }
};

class OtherForm : public tk::DefaultForm<OtherForm>
{
public:
    OtherForm()
        : DefaultForm({QStringLiteral("frm_Other"), QStringLiteral("Orlaneva. - Otra."), 15180,
                       10395, QString()})
    { }

protected:
    void createControls() override { }
};

} // namespace

class TestForm : public QObject
{
    Q_OBJECT

private slots:
    void unloadedControlsRaiseNoEvents_data();
    void unloadedControlsRaiseNoEvents();
    void cleanup()
    {
        JournalForm::dropDefault();
        OtherForm::dropDefault();
        JournalForm::journal.clear();
        testing::flushEvents();
    }

    void initializeRunsOnceAndTheObjectOutlivesItsWindow()
    {
        JournalForm &form = JournalForm::Default();
        form.member = 42;
        form.Show();
        form.Unload();
        form.Show();
        QCOMPARE(JournalForm::journal, QStringList({"Initialize", "Load", "Unload", "Load"}));
        QCOMPARE(&JournalForm::Default(), &form);
        QCOMPARE(form.member, 42);
    }

    void droppingAnInstanceMakesANewOneOnNextReference()
    {
        JournalForm::Default().member = 7;
        JournalForm::dropDefault();
        QVERIFY(!JournalForm::hasDefault());
        QCOMPARE(JournalForm::Default().member, 0);
        QCOMPARE(JournalForm::journal.count(QStringLiteral("Initialize")), 2);
    }

    void showingALoadedWindowOnlyBringsItToTheFront()
    {
        JournalForm &form = JournalForm::Default();
        form.Show();
        QWidget *window = form.window();
        form.Show();
        QCOMPARE(form.window(), window);
        QCOMPARE(JournalForm::journal.count(QStringLiteral("Load")), 1);
    }

    void loadedFormsAreListedOldestFirst()
    {
        OtherForm::Default().Load();
        JournalForm::Default().Show();
        QCOMPARE(tk::Forms().size(), size_t(2));
        QCOMPARE(tk::Forms()[0]->Name(), QStringLiteral("frm_Other"));
        QCOMPARE(tk::Forms()[1]->Name(), QStringLiteral("frm_Journal"));
        OtherForm::Default().Unload();
        QCOMPARE(tk::Forms().size(), size_t(1));
        QCOMPARE(tk::Forms()[0]->Caption(), QStringLiteral("Orlaneva. - Diario."));
    }

    void cancelledUnloadKeepsTheWindow()
    {
        JournalForm &form = JournalForm::Default();
        form.Show();
        form.cancelNextUnload = 1;
        form.Unload();
        QVERIFY(form.isLoaded());
        form.Unload();
        QVERIFY(!form.isLoaded());
        QVERIFY(!form.lblTitulo.exists());
    }

    void closingFromTheTitleBarRunsTheUnloadStep()
    {
        JournalForm &form = JournalForm::Default();
        form.Show();
        form.window()->close();
        QVERIFY(!form.isLoaded());
        QVERIFY(JournalForm::journal.contains(QStringLiteral("Unload")));
    }

    void removedCloseCommandRefusesTheCloseRequest()
    {
        JournalForm &form = JournalForm::Default();
        form.Load();
        const WId handle = form.hWnd();
        tk::SystemMenu *menu = tk::GetSystemMenu(handle, false);
        QVERIFY(menu != nullptr);
        QVERIFY(tk::DeleteMenu(menu, tk::SC_CLOSE, tk::MF_BYCOMMAND));
        QVERIFY(tk::DrawMenuBar(handle));
        form.Show();
        QVERIFY(!(form.window()->windowFlags() & Qt::WindowCloseButtonHint));
        form.window()->close();
        QVERIFY(form.isLoaded());
        QVERIFY(!JournalForm::journal.contains(QStringLiteral("Unload")));
        QCOMPARE(tk::GetSystemMenu(WId(0), false), nullptr);
    }

    void controlsAreNamedAndPlacedInTwips()
    {
        JournalForm &form = JournalForm::Default();
        form.Show();
        QWidget *window = form.window();
        QCOMPARE(window->objectName(), QStringLiteral("frm_Journal"));
        QVERIFY(window->findChild<QWidget *>(QStringLiteral("Picture(3)")) != nullptr);
        QVERIFY(window->findChild<QLabel *>(QStringLiteral("lblTitulo")) != nullptr);
        QCOMPARE(form.ScaleWidth(), 15180);
        QCOMPARE(form.ScaleHeight(), 10455);
        const double tpp = tk::Screen::TwipsPerPixelX();
        QCOMPARE(form.Picture(3).widget()->x(), int(std::lround(12000 / tpp)));
        // Reading back gives what was written, even between two pixels.
        form.Picture(3).Move(10, 20, 15160, 7001);
        QCOMPARE(form.Picture(3).Width(), 15160);
        QCOMPARE(form.Picture(3).Height(), 7001);
    }

    void negativeSizeIsAnInvalidPropertyValue()
    {
        JournalForm &form = JournalForm::Default();
        form.Show();
        try {
            form.Picture(3).Move(10, 3200, -20, 7000);
            QFAIL("a negative width was accepted");
        } catch (const orlaneva::Error &e) {
            QCOMPARE(e.number(), 380);
        }
        QCOMPARE(form.Picture(3).Width(), 2895);
    }

    void resumeNextRunsEveryStatement()
    {
        QStringList ran;
        tk::resumeNext({[&] { ran << "1"; },
                        [&] {
                            ran << "2";
                            throw orlaneva::Error(380, QStringLiteral("x"));
                        },
                        [&] { ran << "3"; }});
        QCOMPARE(ran, QStringList({"1", "2", "3"}));
    }

    void runtimeControlsAreAddedAndRemovedByName()
    {
        JournalForm &form = JournalForm::Default();
        form.Show();
        tk::PictureBox &box = form.Controls().Add<tk::PictureBox>(QStringLiteral("pic_Imagen"));
        QVERIFY(!box.Visible());
        QCOMPARE(box.widget()->parentWidget(), form.window());
        box.setContainer(form.Picture(3));
        QCOMPARE(box.widget()->parentWidget(), form.Picture(3).client());
        QVERIFY_THROWS_EXCEPTION(orlaneva::Error,
                                 form.Controls().Add<tk::VScrollBar>(QStringLiteral("pic_Imagen")));
        form.Controls().Remove(QStringLiteral("pic_Imagen"));
        QVERIFY(form.Controls().find(QStringLiteral("pic_Imagen")) == nullptr);
        QVERIFY_THROWS_EXCEPTION(orlaneva::Error,
                                 form.Controls().Remove(QStringLiteral("pic_Imagen")));
    }

    void keysPressTheFocusedButton_data()
    {
        QTest::addColumn<int>("key");
        QTest::addColumn<int>("modifiers");
        QTest::addColumn<int>("clicks");
        QTest::newRow("Space") << int(Qt::Key_Space) << int(Qt::NoModifier) << 1;
        QTest::newRow("Enter") << int(Qt::Key_Return) << int(Qt::NoModifier) << 1;
        QTest::newRow("keypad Enter") << int(Qt::Key_Enter) << int(Qt::KeypadModifier) << 1;
        QTest::newRow("Ctrl+Enter is no press")
            << int(Qt::Key_Return) << int(Qt::ControlModifier) << 0;
        QTest::newRow("a letter") << int(Qt::Key_A) << int(Qt::NoModifier) << 0;
    }
    void keysPressTheFocusedButton()
    {
        QFETCH(int, key);
        QFETCH(int, modifiers);
        QFETCH(int, clicks);
        EventForm &form = EventForm::Default();
        form.Show();
        QVERIFY(QTest::qWaitForWindowActive(form.window()));
        form.cmdBoton.SetFocus();
        QVERIFY(form.cmdBoton.widget()->hasFocus());
        form.events = 0;
        QTest::keyClick(QApplication::focusWidget(), Qt::Key(key),
                        Qt::KeyboardModifiers(modifiers));
        QCOMPARE(form.events, clicks);
        EventForm::dropDefault();
    }

    void uncaughtErrorIsShownWithNumberAndDescriptionThenTheProgramEnds()
    {
        testing::MsgBoxRecorder boxes;
        testing::EndRecorder ends;
        bool after = false;
        tk::dispatch([&] {
            throw orlaneva::Error(-2147467259, QStringLiteral("No se encuentra 'fichas.mdb'."));
            after = true;
        });
        QVERIFY(!after);
        QCOMPARE(boxes.boxes.size(), size_t(1));
        QVERIFY(boxes.boxes[0].prompt.contains(QStringLiteral("-2147467259")));
        QVERIFY(boxes.boxes[0].prompt.contains(QStringLiteral("No se encuentra 'fichas.mdb'.")));
        QCOMPARE(boxes.boxes[0].buttons & tk::vbCritical, int(tk::vbCritical));
        QCOMPARE(ends.codes, std::vector<int>({1}));
    }

    void handlerThatSucceedsShowsNothing()
    {
        testing::MsgBoxRecorder boxes;
        testing::EndRecorder ends;
        tk::dispatch([] {});
        QVERIFY(boxes.boxes.empty());
        QVERIFY(ends.codes.empty());
    }

    void appPathHasNoTrailingSeparator()
    {
        QVERIFY(!tk::App::Path().endsWith(QLatin1Char('/')));
        QCOMPARE(tk::App::Path(), QCoreApplication::applicationDirPath());
    }
};

void TestForm::unloadedControlsRaiseNoEvents_data()
{
    QTest::addColumn<QString>("name");
    QTest::newRow("button") << QStringLiteral("cmdBoton");
    QTest::newRow("picture box") << QStringLiteral("picCaja");
    QTest::newRow("text box") << QStringLiteral("txtTexto");
    QTest::newRow("combo box") << QStringLiteral("cboLista");
    QTest::newRow("scroll bar") << QStringLiteral("hsbBarra");
    QTest::newRow("grid") << QStringLiteral("grdRejilla");
}

// The window's widgets are deleted after its controls let them go; an event that reaches a
// widget meanwhile must find no handler.
void TestForm::unloadedControlsRaiseNoEvents()
{
    QFETCH(QString, name);
    EventForm &form = EventForm::Default();
    form.events = 0;
    form.Show();
    QPointer<QWidget> widget = form.Controls().find(name)->widget();
    const auto raise = [&] {
        if (auto *button = qobject_cast<QToolButton *>(widget.data()))
            button->click();
        else if (auto *bar = qobject_cast<QScrollBar *>(widget.data()))
            bar->setValue(bar->value() + 1);
        else if (name == QStringLiteral("picCaja"))
            QTest::mouseClick(widget->findChild<QWidget *>(), Qt::LeftButton);
        else
            QTest::keyClick(widget.data(), Qt::Key_A);
    };
    raise();
    QCOMPARE(form.events, 1);

    form.Unload();
    QVERIFY(widget); // deletion is deferred
    raise();
    QCOMPARE(form.events, 1);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QVERIFY(!widget);
}

QTEST_MAIN(TestForm)
#include "tst_form.moc"
