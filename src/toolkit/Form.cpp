#include "toolkit/Form.h"

#include "common/Error.h"
#include "toolkit/HighDpi.h"
#include "toolkit/Services.h"
#include "toolkit/Units.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QEvent>
#include <QGuiApplication>
#include <QIcon>
#include <QLabel>
#include <QWidget>

#include <algorithm>

namespace tk {

using orlaneva::Error;
namespace ErrorNumber = orlaneva::ErrorNumber;

namespace {

std::vector<Form *> &loadedForms()
{
    static std::vector<Form *> forms;
    return forms;
}

std::vector<std::function<void()>> &droppers()
{
    static std::vector<std::function<void()>> list;
    return list;
}

// A list or a text box is told by the label on its left, on the same line: that label names
// it for assistive tools and is its buddy.
void labelInputs(const ControlCollection &controls)
{
    std::vector<Label *> labels;
    controls.forEach([&](Control *control) {
        if (auto *label = dynamic_cast<Label *>(control))
            labels.push_back(label);
    });
    controls.forEach([&](Control *input) {
        if (!dynamic_cast<ComboBox *>(input) && !dynamic_cast<TextBox *>(input))
            return;
        if (!input->widget()->accessibleName().isEmpty())
            return;
        Label *beside = nullptr;
        for (Label *label : labels) {
            const bool sameLine = label->Top() < input->Top() + input->Height()
                && input->Top() < label->Top() + label->Height();
            if (sameLine && label->Left() < input->Left()
                && (!beside || label->Left() > beside->Left()))
                beside = label;
        }
        if (!beside)
            return;
        QString name = beside->Caption().remove(QLatin1Char('&')).trimmed();
        if (name.endsWith(QLatin1Char(':')))
            name.chop(1);
        input->widget()->setAccessibleName(name);
        beside->label()->setBuddy(input->widget());
    });
}

void dropAllDefaultInstances()
{
    // Newest first, so that a window made by another is gone before its maker.
    auto &list = droppers();
    for (auto it = list.rbegin(); it != list.rend(); ++it)
        (*it)();
    list.clear();
}

} // namespace

class FormWindow : public QWidget
{
public:
    explicit FormWindow(Form &form) : QWidget(nullptr), m_form(form) { }

protected:
    void resizeEvent(QResizeEvent *event) override
    {
        QWidget::resizeEvent(event);
        m_form.handleResize();
    }
    void changeEvent(QEvent *event) override
    {
        QWidget::changeEvent(event);
        if (event->type() == QEvent::WindowStateChange)
            m_form.handleResize();
    }
    void closeEvent(QCloseEvent *event) override
    {
        // The window decides for itself: it unloads (or refuses) through its own step.
        event->ignore();
        m_form.handleCloseRequest();
    }

private:
    Form &m_form;
};

const std::vector<Form *> &Forms()
{
    return loadedForms();
}

void registerDefaultInstanceDropper(std::function<void()> dropper)
{
    if (droppers().empty())
        qAddPostRoutine(dropAllDefaultInstances);
    droppers().push_back(std::move(dropper));
}

// ControlCollection

void ControlCollection::reserve(const QString &name) const
{
    if (m_byName.count(name))
        throw Error(ErrorNumber::ControlNameInUse,
                    QStringLiteral("Ya hay un control llamado '%1' en la ventana.").arg(name));
    if (!m_form.isLoaded())
        throw Error(
            ErrorNumber::ObjectRequired,
            QStringLiteral("No se puede añadir el control '%1': la ventana no está cargada.")
                .arg(name));
}

void ControlCollection::Remove(const QString &name)
{
    auto it = m_runtime.find(name);
    if (it == m_runtime.end())
        throw Error(ErrorNumber::ControlNotFound,
                    QStringLiteral("No hay ningún control llamado '%1' que quitar.").arg(name));
    std::unique_ptr<Control> control = std::move(it->second);
    m_runtime.erase(it);
    std::erase(m_runtimeOrder, control.get());
    m_byName.erase(name);
    if (QWidget *widget = control->widget()) {
        widget->hide();
        widget->setParent(nullptr);
        widget->deleteLater();
    }
    control->detach();
}

Control *ControlCollection::find(const QString &name) const
{
    auto it = m_byName.find(name);
    return it == m_byName.end() ? nullptr : it->second;
}

void ControlCollection::registerControl(const QString &name, Control *control)
{
    m_byName[name] = control;
}

void ControlCollection::unregisterControl(const QString &name)
{
    m_byName.erase(name);
}

void ControlCollection::clear()
{
    for (auto &entry : m_byName)
        entry.second->detach();
    m_byName.clear();
    m_runtime.clear();
    m_runtimeOrder.clear();
}

void ControlCollection::placeInTabOrder()
{
    m_form.applyTabOrder();
}

// Form

Form::Form(FormDesign design)
    : m_design(std::move(design)), m_caption(m_design.caption), m_controls(*this)
{ }

Form::~Form()
{
    auto &forms = loadedForms();
    forms.erase(std::remove(forms.begin(), forms.end(), this), forms.end());
    if (m_window && QCoreApplication::instance())
        delete m_window.data();
}

void Form::initializeOnce()
{
    if (m_initialized)
        return;
    m_initialized = true;
    Form_Initialize();
}

QWidget *Form::window() const
{
    return m_window;
}

QWidget *Form::client() const
{
    if (!m_window)
        throw Error(ErrorNumber::ObjectRequired,
                    QStringLiteral("La ventana '%1' no está cargada.").arg(m_design.name));
    return m_window;
}

void Form::Load()
{
    if (isLoaded())
        return;
    auto *window = new FormWindow(*this);
    window->setObjectName(m_design.name);
    window->setAttribute(Qt::WA_DeleteOnClose, false);
    QPalette palette = window->palette();
    palette.setColor(QPalette::Window, Qt::white);
    window->setPalette(palette);
    window->setAutoFillBackground(true);
    window->setWindowTitle(m_caption = m_design.caption);
    if (!m_design.icon.isEmpty())
        window->setWindowIcon(ArtIcon(m_design.icon));
    window->resize(twipsToPixelsX(m_design.clientWidth), twipsToPixelsY(m_design.clientHeight));
    m_window = window;
    m_closeRemoved = false;
    m_focusPlaced = false;
    loadedForms().push_back(this);
    try {
        createControls();
        labelInputs(m_controls);
        applyTabOrder();
        Form_Load();
    } catch (...) {
        destroyWindow();
        throw;
    }
}

void Form::applyTabOrder()
{
    // Only what Tab can reach: a widget that takes no focus has no place to keep, and Qt
    // skips a link to it.
    std::vector<QWidget *> ordered;
    auto take = [&](Control *control) {
        if (QWidget *widget = control->widget(); widget && (widget->focusPolicy() & Qt::TabFocus))
            ordered.push_back(widget);
    };
    for (Control *control : controlsInTabOrder())
        take(control);
    for (Control *control : m_controls.runtimeControls())
        take(control);
    for (size_t i = 1; i < ordered.size(); ++i)
        QWidget::setTabOrder(ordered[i - 1], ordered[i]);
}

std::vector<Control *> Form::controlsInTabOrder() const
{
    std::vector<Control *> ordered;
    m_controls.forEach([&](Control *control) {
        if (control->TabIndex() >= 0 && control->widget())
            ordered.push_back(control);
    });
    std::stable_sort(ordered.begin(), ordered.end(),
                     [](Control *a, Control *b) { return a->TabIndex() < b->TabIndex(); });
    return ordered;
}

void Form::Show()
{
    Load();
    if (!m_window)
        return; // the load step unloaded the window again
    m_window->show();
    if (QGuiApplication::platformName() != QLatin1String("offscreen"))
        m_window->raise();
    m_window->activateWindow();
    if (!m_focusPlaced) {
        m_focusPlaced = true;
        for (Control *control : controlsInTabOrder()) {
            QWidget *widget = control->widget();
            if (widget->isEnabled() && widget->isVisibleTo(m_window)
                && (widget->focusPolicy() & Qt::TabFocus)) {
                widget->setFocus(Qt::TabFocusReason);
                break;
            }
        }
    }
}

void Form::Hide()
{
    Load();
    m_window->hide();
}

bool Form::isVisible() const
{
    return m_window && m_window->isVisible();
}

void Form::Unload()
{
    if (!isLoaded())
        return;
    int cancel = 0;
    Form_Unload(cancel);
    if (cancel != 0 || !isLoaded())
        return;
    destroyWindow();
}

void Form::destroyWindow()
{
    auto &forms = loadedForms();
    forms.erase(std::remove(forms.begin(), forms.end(), this), forms.end());
    m_controls.clear();
    if (QWidget *window = m_window) {
        m_window = nullptr;
        window->hide();
        window->deleteLater();
    }
}

QString Form::Caption() const
{
    return m_caption;
}

void Form::setCaption(const QString &caption)
{
    m_caption = caption;
    if (m_window)
        m_window->setWindowTitle(caption);
}

int Form::ScaleWidth() const
{
    if (!m_window || m_window->isMinimized())
        return 0;
    return pixelsToTwipsX(m_window->width());
}

int Form::ScaleHeight() const
{
    if (!m_window || m_window->isMinimized())
        return 0;
    return pixelsToTwipsY(m_window->height());
}

WId Form::hWnd() const
{
    return m_window ? m_window->winId() : WId(0);
}

void Form::removeCloseCommand()
{
    m_closeRemoved = true;
}

void Form::applyCloseCommand()
{
    if (!m_window || !m_closeRemoved)
        return;
    const bool visible = m_window->isVisible();
    m_window->setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint
                             | Qt::WindowMinimizeButtonHint);
    if (visible)
        m_window->show();
}

void Form::handleResize()
{
    dispatch([this] { Form_Resize(); });
}

void Form::handleCloseRequest()
{
    if (m_closeRemoved)
        return;
    dispatch([this] { Unload(); });
}

// Window menu stand-ins

struct SystemMenu
{
    Form *form;
};

SystemMenu *GetSystemMenu(WId hwnd, bool revert)
{
    static std::vector<std::unique_ptr<SystemMenu>> menus;
    for (Form *form : loadedForms()) {
        if (form->window() && form->window()->winId() == hwnd && hwnd != 0) {
            for (auto &menu : menus)
                if (menu->form == form)
                    return menu.get();
            if (revert)
                return nullptr;
            menus.push_back(std::make_unique<SystemMenu>(SystemMenu{form}));
            return menus.back().get();
        }
    }
    return nullptr;
}

bool DeleteMenu(SystemMenu *menu, unsigned command, unsigned flags)
{
    if (!menu || command != SC_CLOSE || flags != MF_BYCOMMAND)
        return false;
    auto &forms = loadedForms();
    if (std::find(forms.begin(), forms.end(), menu->form) == forms.end())
        return false;
    menu->form->removeCloseCommand();
    return true;
}

bool DrawMenuBar(WId hwnd)
{
    for (Form *form : loadedForms()) {
        if (form->window() && form->window()->winId() == hwnd) {
            form->applyCloseCommand();
            return true;
        }
    }
    return false;
}

} // namespace tk
