#pragma once

#include "toolkit/Controls.h"

#include <QIcon>
#include <QString>
#include <QWidget>

#include <functional>
#include <map>
#include <memory>
#include <vector>

namespace tk {

class Form;

// The window's collection of controls: design controls register themselves at load;
// run-time controls are added and removed by name.
class ControlCollection
{
public:
    explicit ControlCollection(Form &form) : m_form(form) { }
    template<class T>
    T &Add(const QString &name)
    {
        auto control = std::make_unique<T>();
        T &ref = *control;
        reserve(name);
        ref.create(m_form, name);
        ref.setVisible(false);
        m_runtime[name] = std::move(control);
        m_runtimeOrder.push_back(&ref);
        placeInTabOrder();
        return ref;
    }
    // Removes and destroys a control added at run time; throws when there is none.
    void Remove(const QString &name);
    Control *find(const QString &name) const;
    template<class F>
    void forEach(F f) const
    {
        for (const auto &entry : m_byName)
            f(entry.second);
    }
    int Count() const { return int(m_byName.size()); }
    // Run-time controls, oldest first: in the tab order they follow the design controls.
    const std::vector<Control *> &runtimeControls() const { return m_runtimeOrder; }

    // Bookkeeping used by Control::attach / detach and by the window.
    void registerControl(const QString &name, Control *control);
    void unregisterControl(const QString &name);
    void clear();

private:
    void reserve(const QString &name) const;
    void placeInTabOrder();
    Form &m_form;
    std::vector<Control *> m_runtimeOrder;
    std::map<QString, Control *> m_byName;
    std::map<QString, std::unique_ptr<Control>> m_runtime;
};

struct FormDesign
{
    QString name; // objectName of the window
    QString caption; // title bar text
    int clientWidth; // twips
    int clientHeight; // twips
    QString icon; // resource path
};

class FormWindow;

// Base of every window. The object lives for the whole run; its Qt window and controls
// exist only while it is loaded.
class Form
{
public:
    explicit Form(FormDesign design);
    Form(const Form &) = delete;
    Form &operator=(const Form &) = delete;
    virtual ~Form();

    void Load();
    // Virtual: a window that refreshes itself on showing must not be skipped through a Form&.
    virtual void Show();
    void Hide();
    void Unload();
    bool isLoaded() const { return m_window != nullptr; }
    bool isVisible() const;

    QString Caption() const;
    void setCaption(const QString &caption);
    const QString &Name() const { return m_design.name; }
    // Client area in twips; 0 x 0 while the window is minimised.
    int ScaleWidth() const;
    int ScaleHeight() const;
    WId hWnd() const;
    ControlCollection &Controls() { return m_controls; }
    QWidget *window() const; // the Qt top-level window while loaded
    QWidget *client() const;

    // Used by the stand-in for the window menu: the title bar offers no Close and the
    // close request is refused.
    void removeCloseCommand();
    void applyCloseCommand();
    bool closeCommandRemoved() const { return m_closeRemoved; }
    // Controls with a tab index, in tab order.
    std::vector<Control *> controlsInTabOrder() const;
    // Chains the focus: the design controls by tab index, then the run-time controls.
    void applyTabOrder();

    // Runs the creation step once; the default-instance accessor calls it.
    void initializeOnce();

    // Event plumbing for FormWindow.
    void handleResize();
    void handleCloseRequest();

protected:
    virtual void Form_Initialize() { }
    virtual void Form_Load() { }
    virtual void Form_Resize() { }
    virtual void Form_Unload(int &Cancel) { (void)Cancel; }
    // Builds the design controls with their design properties, at every load.
    virtual void createControls() = 0;

private:
    void destroyWindow();
    FormDesign m_design;
    QString m_caption;
    ControlCollection m_controls;
    QPointer<QWidget> m_window;
    bool m_initialized = false;
    bool m_closeRemoved = false;
    bool m_focusPlaced = false;
};

// The loaded windows, oldest loaded first.
const std::vector<Form *> &Forms();

// Default instances: one object per window class, made the first time code refers to it.
void registerDefaultInstanceDropper(std::function<void()> dropper);

template<class T>
class DefaultForm : public Form
{
public:
    using Form::Form;
    static T &Default()
    {
        auto &p = slot();
        if (!p) {
            p.reset(new T());
            registerOnce();
            p->initializeOnce();
        }
        return *p;
    }
    static bool hasDefault() { return slot() != nullptr; }
    // Destroys the default instance; the next reference makes a new one.
    static void dropDefault()
    {
        // Gone even when its unload step ends the program or fails.
        std::unique_ptr<T> doomed = std::move(slot());
        if (doomed && doomed->isLoaded())
            doomed->Unload();
    }

private:
    static std::unique_ptr<T> &slot()
    {
        static std::unique_ptr<T> instance;
        return instance;
    }
    static void registerOnce()
    {
        static bool done = false;
        if (!done) {
            done = true;
            registerDefaultInstanceDropper([] { slot().reset(); });
        }
    }
};

// Stand-ins for the window menu services: the window menu of a top-level window, the
// deletion of its Close command and the redraw of its title bar.
struct SystemMenu;
SystemMenu *GetSystemMenu(WId hwnd, bool revert);
inline constexpr unsigned SC_CLOSE = 0xF060;
inline constexpr unsigned MF_BYCOMMAND = 0;
bool DeleteMenu(SystemMenu *menu, unsigned command, unsigned flags);
bool DrawMenuBar(WId hwnd);

} // namespace tk
