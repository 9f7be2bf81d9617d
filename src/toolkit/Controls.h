#pragma once

#include <QColor>
#include <QFont>
#include <QImage>
#include <QPointer>
#include <QString>
#include <QWidget>

#include <functional>
#include <map>
#include <memory>
#include <vector>

class QKeyEvent;
class QLabel;
class QToolButton;
class QLineEdit;
class QComboBox;
class QScrollBar;
class QPushButton;

namespace tk {

class Form;
class PictureBox;

// Colours the controls use when a window does not set its own.
namespace SystemColor {
QColor WindowBackground();
QColor ActiveBorder();
QColor ButtonText();
} // namespace SystemColor

QFont Font(const QString &family, double pointSize, bool bold = false, bool italic = false);

// Base of every control. The wrapper lives as long as its window object; the Qt widget
// exists only while the window is loaded. Geometry is kept in twips exactly as set, so
// reading it back gives what the window wrote; the widget gets the nearest pixels.
class Control
{
public:
    Control() = default;
    Control(const Control &) = delete;
    Control &operator=(const Control &) = delete;
    virtual ~Control();

    const QString &Name() const { return m_name; }
    QWidget *widget() const { return m_widget; }
    bool exists() const { return m_widget != nullptr; }

    int Left() const { return m_left; }
    int Top() const { return m_top; }
    int Width() const { return m_width; }
    int Height() const { return m_height; }
    void setLeft(int twips);
    void setTop(int twips);
    void setWidth(int twips);
    void setHeight(int twips);
    void Move(int left, int top);
    void Move(int left, int top, int width, int height);

    bool Visible() const;
    void setVisible(bool visible);
    bool Enabled() const;
    void setEnabled(bool enabled);
    QString ToolTipText() const;
    void setToolTipText(const QString &text);
    int TabIndex() const { return m_tabIndex; }
    void setTabIndex(int index) { m_tabIndex = index; }
    QColor BackColor() const;
    virtual void setBackColor(const QColor &color);
    void setForeColor(const QColor &color);
    void setFont(const QFont &font);
    void SetFocus();
    // Brings the control to the front of its container's stacking order.
    void ZOrder();
    // Re-parents the control into a picture box; its place is then in the box's twips.
    void setContainer(PictureBox &container);

    // Called by the window when it builds or drops its controls.
    void attach(Form &form, const QString &name, QWidget *widget);
    virtual void detach();

    // The control a widget of it belongs to; null once the control has let the widget go.
    // A window's widgets are deleted after its controls detach, and events still reach
    // them meanwhile: every widget's events find their control through this, and only this.
    static Control *ownerOfWidget(const QObject *widget);

protected:
    QWidget &w() const; // throws when the window is not loaded
    virtual void applyGeometry();
    QWidget *parentClient() const;
    Form *form() const { return m_form; }

private:
    Form *m_form = nullptr;
    QString m_name;
    QPointer<QWidget> m_widget;
    int m_left = 0;
    int m_top = 0;
    int m_width = 0;
    int m_height = 0;
    int m_tabIndex = -1;
};

template<class T>
T *ownerOf(const QObject *widget)
{
    return static_cast<T *>(Control::ownerOfWidget(widget));
}

class Label : public Control
{
public:
    void create(Form &form, const QString &name);
    QString Caption() const;
    void setCaption(const QString &text);
    void setAlignment(Qt::Alignment alignment);
    QLabel *label() const;

protected:
    // Its place in twips stays as written; the widget grows where the text needs it.
    void applyGeometry() override;
};

class CommandButton : public Control
{
public:
    void create(Form &form, const QString &name);
    QString Caption() const;
    void setCaption(const QString &text); // "&Buscar": B is the access key
    // Graphical style: the picture above the caption, at its own pixel size.
    void setPicture(const QString &resource);
    void setBackColor(const QColor &color) override;
    QToolButton *button() const;
    std::function<void()> Click;
};

// Picture box: a picture slot drawn at its own size from the top-left corner, clipped,
// the rest in the background colour; a client area for child controls.
class PictureBox : public Control
{
public:
    enum BorderStyleKind : int { vbBSNone = 0, vbFixedSingle = 1 };

    void create(Form &form, const QString &name);

    int ScaleWidth() const;
    int ScaleHeight() const;
    int BorderStyle() const { return m_borderStyle; }
    void setBorderStyle(int style);
    bool AutoSize() const { return m_autoSize; }
    void setAutoSize(bool on);
    const QImage &Picture() const;
    bool hasPicture() const;
    void setPicture(const QImage &picture);
    void setPicture(const QString &resource);
    void setBackColor(const QColor &color) override;
    QWidget *client() const; // where child controls live

    std::function<void()> Resize;
    std::function<void()> Click;

protected:
    void applyGeometry() override;

private:
    int borderPixels() const;
    int m_borderStyle = vbFixedSingle;
    bool m_autoSize = false;
    int m_notifiedWidth = 0;
    int m_notifiedHeight = 0;
};

// A control that types: its key and focus events.
class InputControl : public Control
{
public:
    std::function<void(int &KeyAscii)> KeyPress;
    std::function<void()> GotFocus;
    std::function<void()> LostFocus;
};

class TextBox : public InputControl
{
public:
    void create(Form &form, const QString &name);
    QString Text() const;
    void setText(const QString &text);
    void setSelStart(int start);
    void setSelLength(int length);
    void setBackColor(const QColor &color) override;
    QLineEdit *edit() const;
};

// Drop-down combo box with an edit field and a fixed list.
class ComboBox : public InputControl
{
public:
    void create(Form &form, const QString &name);
    void AddItem(const QString &item);
    int ListCount() const;
    QString List(int index) const;
    QString Text() const;
    void setText(const QString &text);
    void setSelStart(int start);
    void setSelLength(int length);
    void setBackColor(const QColor &color) override;
    QComboBox *combo() const;
};

// Scroll bar with 16-bit Min, Max and Value. A Max below Min is accepted and kept.
// Change: after Value changed by arrow, trough, keyboard, end of a thumb drag or program.
// Scroll: repeatedly while the thumb is dragged.
class ScrollBar : public Control
{
public:
    int Min() const { return m_min; }
    int Max() const { return m_max; }
    int Value() const;
    int SmallChange() const { return m_smallChange; }
    int LargeChange() const { return m_largeChange; }
    void setMin(int value);
    void setMax(int value);
    void setValue(int value);
    void setSmallChange(int value);
    void setLargeChange(int value);
    QScrollBar *bar() const;

    std::function<void()> Change;
    std::function<void()> Scroll;

protected:
    void createBar(Form &form, const QString &name, Qt::Orientation orientation);

private:
    void applyRange();
    int m_dragStart = 0; // Value when the thumb was taken
    int m_min = 0;
    int m_max = 32767;
    int m_smallChange = 1;
    int m_largeChange = 1;
};

class VScrollBar : public ScrollBar
{
public:
    void create(Form &form, const QString &name);
};

class HScrollBar : public ScrollBar
{
public:
    void create(Form &form, const QString &name);
};

// A button that exists only to take up room; never visible.
class HiddenButton : public Control
{
public:
    void create(Form &form, const QString &name);
};

// Controls of one kind sharing a name, addressed by index: Picture(3) is "Picture(3)".
template<class T>
class ControlArray
{
public:
    explicit ControlArray(QString name) : m_name(std::move(name)) { }
    T &operator()(int index) { return m_items[index]; }
    T &operator[](int index) { return m_items[index]; }
    T &create(Form &form, int index)
    {
        T &item = m_items[index];
        item.create(form, m_name + QLatin1Char('(') + QString::number(index) + QLatin1Char(')'));
        return item;
    }
    const QString &Name() const { return m_name; }
    std::map<int, T> &items() { return m_items; }

private:
    QString m_name;
    std::map<int, T> m_items;
};

// The character code a key press types, as the KeyPress handlers see it: 13 for Enter,
// 8 for Backspace, 27 for Escape, 0 for keys that type nothing (Tab included).
int keyAscii(const QKeyEvent *event);

} // namespace tk
