#include "toolkit/Controls.h"

#include "common/Error.h"
#include "toolkit/Form.h"
#include "toolkit/HighDpi.h"
#include "toolkit/Picture.h"
#include "toolkit/Services.h"
#include "toolkit/Units.h"

#include <QApplication>
#include <QComboBox>
#include <QEvent>
#include <QFrame>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>
#include <QStyle>
#include <QStyleOption>
#include <QToolButton>

#include <algorithm>
#include <limits>

namespace tk {

using orlaneva::Error;
namespace ErrorNumber = orlaneva::ErrorNumber;

QColor SystemColor::WindowBackground()
{
    return QApplication::palette().color(QPalette::Base);
}

QColor SystemColor::ActiveBorder()
{
    return QApplication::palette().color(QPalette::Button);
}

QColor SystemColor::ButtonText()
{
    return QApplication::palette().color(QPalette::ButtonText);
}

QFont Font(const QString &family, double pointSize, bool bold, bool italic)
{
    QFont font(family);
    font.setPointSizeF(pointSize);
    font.setBold(bold);
    font.setItalic(italic);
    // A family that is not installed falls back to a sans, as tk::initialize() arranges.
    font.setStyleHint(QFont::SansSerif);
    return font;
}

int keyAscii(const QKeyEvent *event)
{
    switch (event->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
        return 13;
    case Qt::Key_Backspace:
        return 8;
    case Qt::Key_Escape:
        return 27;
    case Qt::Key_Tab:
    case Qt::Key_Backtab:
        return 0;
    default:
        break;
    }
    const QString text = event->text();
    return text.isEmpty() ? 0 : int(text.at(0).unicode());
}

namespace {

Error invalidPropertyValue()
{
    return Error(ErrorNumber::InvalidPropertyValue,
                 QStringLiteral("El valor de la propiedad no es válido."));
}

Error notLoaded(const QString &name)
{
    return Error(
        ErrorNumber::ObjectRequired,
        QStringLiteral("El control '%1' no existe: su ventana no está cargada.").arg(name));
}

const char *const kOwnerProperty = "tkOwner";

// Turns Qt's key and focus events into the KeyPress / GotFocus / LostFocus of a control.
class InputFilter : public QObject
{
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        InputControl *control = ownerOf<InputControl>(watched);
        if (!control)
            return QObject::eventFilter(watched, event);
        switch (event->type()) {
        case QEvent::KeyPress: {
            int code = keyAscii(static_cast<QKeyEvent *>(event));
            if (code == 0 || !control->KeyPress)
                break;
            dispatch([&] { control->KeyPress(code); });
            if (code == 0)
                return true;
            break;
        }
        case QEvent::FocusIn:
            if (control->GotFocus)
                dispatch(control->GotFocus);
            break;
        case QEvent::FocusOut:
            if (control->LostFocus)
                dispatch(control->LostFocus);
            break;
        default:
            break;
        }
        return QObject::eventFilter(watched, event);
    }
};

void setPaletteColor(QWidget &widget, QPalette::ColorRole role, const QColor &color)
{
    QPalette palette = widget.palette();
    palette.setColor(role, color);
    widget.setPalette(palette);
}

// Assistive tools read a button by its caption, without the access-key mark, or else by its
// tooltip; a picture button has only the latter. A name the window gave stays.
void nameButton(QToolButton &button)
{
    static const char *const automatic = "tkAutomaticName";
    const QString current = button.accessibleName();
    if (!current.isEmpty() && current != button.property(automatic).toString())
        return;
    const QString caption = QString(button.text()).remove(QLatin1Char('&'));
    const QString name = caption.isEmpty() ? button.toolTip() : caption;
    button.setAccessibleName(name);
    button.setProperty(automatic, name);
}

} // namespace

Control::~Control()
{
    if (m_widget)
        m_widget->setProperty(kOwnerProperty, QVariant());
    if (m_form && !m_name.isEmpty())
        m_form->Controls().unregisterControl(m_name);
}

Control *Control::ownerOfWidget(const QObject *widget)
{
    if (!widget)
        return nullptr;
    return static_cast<Control *>(widget->property(kOwnerProperty).value<void *>());
}

QWidget &Control::w() const
{
    if (!m_widget)
        throw notLoaded(m_name);
    return *m_widget;
}

QWidget *Control::parentClient() const
{
    return m_widget ? m_widget->parentWidget() : nullptr;
}

void Control::attach(Form &form, const QString &name, QWidget *widget)
{
    if (m_form && !m_name.isEmpty() && m_name != name)
        m_form->Controls().unregisterControl(m_name);
    m_form = &form;
    m_name = name;
    m_widget = widget;
    widget->setObjectName(name);
    widget->setProperty(kOwnerProperty, QVariant::fromValue(static_cast<void *>(this)));
    form.Controls().registerControl(name, this);
    m_left = m_top = m_width = m_height = 0;
    m_tabIndex = -1;
}

void Control::detach()
{
    // The widget may outlive the control (its window is deleted later): no more events.
    if (m_widget)
        m_widget->setProperty(kOwnerProperty, QVariant());
    m_widget = nullptr;
}

void Control::applyGeometry()
{
    w().setGeometry(twipsToPixelsX(m_left), twipsToPixelsY(m_top), twipsToPixelsX(m_width),
                    twipsToPixelsY(m_height));
}

void Control::setLeft(int twips)
{
    Move(twips, m_top, m_width, m_height);
}

void Control::setTop(int twips)
{
    Move(m_left, twips, m_width, m_height);
}

void Control::setWidth(int twips)
{
    Move(m_left, m_top, twips, m_height);
}

void Control::setHeight(int twips)
{
    Move(m_left, m_top, m_width, twips);
}

void Control::Move(int left, int top)
{
    Move(left, top, m_width, m_height);
}

void Control::Move(int left, int top, int width, int height)
{
    w();
    if (width < 0 || height < 0)
        throw invalidPropertyValue();
    m_left = left;
    m_top = top;
    m_width = width;
    m_height = height;
    applyGeometry();
}

bool Control::Visible() const
{
    return !w().isHidden();
}

void Control::setVisible(bool visible)
{
    w().setVisible(visible);
}

bool Control::Enabled() const
{
    return w().isEnabled();
}

void Control::setEnabled(bool enabled)
{
    w().setEnabled(enabled);
}

QString Control::ToolTipText() const
{
    return w().toolTip();
}

void Control::setToolTipText(const QString &text)
{
    w().setToolTip(text);
    if (auto *button = qobject_cast<QToolButton *>(&w()))
        nameButton(*button);
}

QColor Control::BackColor() const
{
    return w().palette().color(w().backgroundRole());
}

void Control::setBackColor(const QColor &color)
{
    w().setAutoFillBackground(true);
    setPaletteColor(w(), w().backgroundRole(), color);
}

void Control::setForeColor(const QColor &color)
{
    setPaletteColor(w(), QPalette::WindowText, color);
    setPaletteColor(w(), QPalette::Text, color);
    setPaletteColor(w(), QPalette::ButtonText, color);
}

void Control::setFont(const QFont &font)
{
    w().setFont(font);
}

void Control::SetFocus()
{
    w().setFocus(Qt::OtherFocusReason);
}

void Control::ZOrder()
{
    w().raise();
}

void Control::setContainer(PictureBox &container)
{
    const bool hidden = w().isHidden();
    // A picture shown inside a named box is what that box shows.
    if (w().accessibleName().isEmpty() && dynamic_cast<PictureBox *>(this))
        w().setAccessibleName(container.widget()->accessibleName());
    w().setParent(container.client());
    applyGeometry();
    w().setVisible(!hidden);
    // A new parent puts the widget at the end of the focus chain; the window's order holds.
    if (m_form)
        m_form->applyTabOrder();
}

// Label

namespace {

// A label shows its whole text: where the font is wider than the one it was designed for,
// it grows to the right and then downwards, from its designed place, as far as the text
// needs and no further than its window's edges.
class FittedLabel : public QLabel
{
public:
    using QLabel::QLabel;

    void place(const QRect &design)
    {
        m_design = design;
        fit();
    }

    void fit()
    {
        setGeometry(fitted());
        // Grown over a neighbour (the grid under a count): the text stays in view.
        if (height() > m_design.height())
            raise();
    }

protected:
    void changeEvent(QEvent *event) override
    {
        QLabel::changeEvent(event);
        if (event->type() == QEvent::FontChange)
            fit();
    }

private:
    QRect fitted() const
    {
        const QString caption = text();
        if (caption.isEmpty())
            return m_design;
        const int flags = int(alignment()) | Qt::TextWordWrap;
        const QFontMetrics metrics(font());
        const QWidget *parent = parentWidget();
        // No room known while the parent has no size (a minimised window): the design holds.
        const int roomWidth = parent ? parent->width() - m_design.left() : 0;
        const int roomHeight = parent ? parent->height() - m_design.top() : 0;
        const int unbounded = std::numeric_limits<int>::max() / 4;
        const QRect oneLine = metrics.boundingRect(0, 0, unbounded, unbounded, flags, caption);
        QRect rect = m_design;
        int width = std::max(m_design.width(), oneLine.width());
        // A label designed past the window's edge is cut there, so its text wraps there.
        if (roomWidth > 0)
            width = std::min(width, roomWidth);
        rect.setWidth(width);
        const int needed = metrics.boundingRect(0, 0, width, unbounded, flags, caption).height();
        int height = std::max(m_design.height(), needed);
        if (roomHeight > 0)
            height = std::min(height, std::max(m_design.height(), roomHeight));
        rect.setHeight(height);
        return rect;
    }

    QRect m_design;
};

FittedLabel *fittedOf(QWidget &widget)
{
    return static_cast<FittedLabel *>(&widget);
}

} // namespace

void Label::create(Form &form, const QString &name)
{
    auto *widget = new FittedLabel(form.client());
    widget->setTextFormat(Qt::PlainText);
    widget->setWordWrap(true);
    widget->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    attach(form, name, widget);
    widget->show();
}

void Label::applyGeometry()
{
    fittedOf(w())->place(QRect(twipsToPixelsX(Left()), twipsToPixelsY(Top()),
                               twipsToPixelsX(Width()), twipsToPixelsY(Height())));
}

QLabel *Label::label() const
{
    return static_cast<QLabel *>(&w());
}

QString Label::Caption() const
{
    return label()->text();
}

void Label::setCaption(const QString &text)
{
    label()->setText(text);
    fittedOf(w())->fit();
}

void Label::setAlignment(Qt::Alignment alignment)
{
    label()->setAlignment(alignment);
    fittedOf(w())->fit();
}

// CommandButton

namespace {

// A graphical button: the picture centred above the caption, both inside the designed size.
// The style's own tool-button layout pads so much that a caption under a 44-pixel picture
// loses its descenders in a 57-pixel button.
class GraphicalButton : public QToolButton
{
public:
    using QToolButton::QToolButton;

protected:
    // Enter presses the focused button, as Space does.
    void keyPressEvent(QKeyEvent *event) override
    {
        if ((event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter)
            && !event->isAutoRepeat() && (event->modifiers() & ~Qt::KeypadModifier) == 0) {
            event->accept();
            click();
            return;
        }
        QToolButton::keyPressEvent(event);
    }
    void paintEvent(QPaintEvent *) override
    {
        QPainter painter(this);
        QStyleOptionButton panel;
        panel.initFrom(this);
        panel.features = QStyleOptionButton::None;
        if (isDown())
            panel.state |= QStyle::State_Sunken;
        else
            panel.state |= QStyle::State_Raised;
        style()->drawControl(QStyle::CE_PushButtonBevel, &panel, &painter, this);

        // At a pixel ratio of 2 the icon gives its double-size image, half as large in logical
        // pixels: the layout below counts logical pixels only.
        const QPixmap picture = icon().pixmap(iconSize(), devicePixelRatio(),
                                              isEnabled() ? QIcon::Normal : QIcon::Disabled);
        const QSize pictureSize = picture.deviceIndependentSize().toSize();
        const QString caption = text();
        const QFontMetrics metrics(font());
        const int textHeight = caption.isEmpty() ? 0 : metrics.height();
        const int pictureHeight = picture.isNull() ? 0 : pictureSize.height();
        const int gap = (textHeight && pictureHeight) ? 1 : 0;
        const int shift = isDown() ? 1 : 0;
        int top = std::max(0, (height() - pictureHeight - gap - textHeight) / 2) + shift;
        if (!picture.isNull()) {
            painter.drawPixmap((width() - pictureSize.width()) / 2 + shift, top, picture);
            top += pictureHeight + gap;
        }
        if (!caption.isEmpty()) {
            painter.setPen(palette().color(isEnabled() ? QPalette::Active : QPalette::Disabled,
                                           QPalette::ButtonText));
            painter.drawText(QRect(shift, top, width(), textHeight),
                             Qt::AlignHCenter | Qt::AlignTop | Qt::TextShowMnemonic, caption);
        }
        if (hasFocus()) {
            QStyleOptionFocusRect focus;
            focus.initFrom(this);
            focus.rect = rect().adjusted(3, 3, -3, -3);
            style()->drawPrimitive(QStyle::PE_FrameFocusRect, &focus, &painter, this);
        }
    }
};

} // namespace

void CommandButton::create(Form &form, const QString &name)
{
    auto *widget = new GraphicalButton(form.client());
    widget->setFocusPolicy(Qt::StrongFocus);
    widget->setToolButtonStyle(Qt::ToolButtonTextOnly);
    widget->setAutoRaise(false);
    attach(form, name, widget);
    QObject::connect(widget, &QToolButton::clicked, widget, [widget] {
        if (CommandButton *button = ownerOf<CommandButton>(widget); button && button->Click)
            dispatch(button->Click);
    });
    widget->show();
}

QToolButton *CommandButton::button() const
{
    return static_cast<QToolButton *>(&w());
}

QString CommandButton::Caption() const
{
    return button()->text();
}

void CommandButton::setCaption(const QString &text)
{
    button()->setText(text);
    button()->setToolButtonStyle(button()->icon().isNull() ? Qt::ToolButtonTextOnly
                                                           : Qt::ToolButtonTextUnderIcon);
    nameButton(*button());
}

void CommandButton::setPicture(const QString &resource)
{
    // The designed size is the first image's; a double-size variant only adds pixels.
    const QImage design(resource);
    button()->setIcon(ArtIcon(resource));
    button()->setIconSize(design.size());
    button()->setToolButtonStyle(button()->text().isEmpty() ? Qt::ToolButtonIconOnly
                                                            : Qt::ToolButtonTextUnderIcon);
}

void CommandButton::setBackColor(const QColor &color)
{
    w().setAutoFillBackground(true);
    setPaletteColor(w(), QPalette::Button, color);
    setPaletteColor(w(), QPalette::Window, color);
}

// PictureBox

namespace {

// A picture's size in the pixels of the layout: a double-size picture covers half its pixels.
QSize logicalSize(const QImage &picture)
{
    return picture.deviceIndependentSize().toSize();
}

class PictureClient : public QWidget
{
public:
    explicit PictureClient(QWidget *parent) : QWidget(parent) { setAutoFillBackground(true); }
    QImage picture;

protected:
    void paintEvent(QPaintEvent *event) override
    {
        if (picture.isNull())
            return;
        QPainter painter(this);
        const QRect area = event->rect() & QRect(QPoint(0, 0), logicalSize(picture));
        if (area.isEmpty())
            return;
        const qreal ratio = picture.devicePixelRatio();
        if (ratio == 1.0) {
            painter.drawImage(area.topLeft(), picture, area);
            return;
        }
        const QRectF source(area.x() * ratio, area.y() * ratio, area.width() * ratio,
                            area.height() * ratio);
        painter.drawImage(QRectF(area), picture, source);
    }
    void mousePressEvent(QMouseEvent *event) override
    {
        m_pressed = event->button() == Qt::LeftButton;
        event->accept();
    }
    void mouseReleaseEvent(QMouseEvent *event) override
    {
        event->accept();
        const bool clicked = m_pressed && rect().contains(event->position().toPoint());
        m_pressed = false;
        PictureBox *box = ownerOf<PictureBox>(parentWidget());
        if (clicked && box && box->Click)
            dispatch(box->Click);
    }

private:
    bool m_pressed = false;
};

class PictureFrame : public QFrame
{
public:
    explicit PictureFrame(QWidget *parent) : QFrame(parent), inner(new PictureClient(this)) { }
    PictureClient *inner;

protected:
    void resizeEvent(QResizeEvent *event) override
    {
        QFrame::resizeEvent(event);
        inner->setGeometry(contentsRect());
    }
};

PictureFrame *frameOf(QWidget &widget)
{
    return static_cast<PictureFrame *>(&widget);
}

const QImage &noPicture()
{
    static const QImage empty;
    return empty;
}

} // namespace

void PictureBox::create(Form &form, const QString &name)
{
    auto *widget = new PictureFrame(form.client());
    attach(form, name, widget);
    m_borderStyle = vbFixedSingle;
    m_autoSize = false;
    m_notifiedWidth = m_notifiedHeight = 0;
    setBorderStyle(vbFixedSingle);
    setPaletteColor(*widget->inner, QPalette::Window, SystemColor::WindowBackground());
    widget->show();
}

QWidget *PictureBox::client() const
{
    return frameOf(w())->inner;
}

int PictureBox::borderPixels() const
{
    return m_borderStyle == vbFixedSingle ? 2 : 0;
}

int PictureBox::ScaleWidth() const
{
    return std::max(0, Width() - pixelsToTwipsX(2 * borderPixels()));
}

int PictureBox::ScaleHeight() const
{
    return std::max(0, Height() - pixelsToTwipsY(2 * borderPixels()));
}

void PictureBox::setBorderStyle(int style)
{
    if (style != vbBSNone && style != vbFixedSingle)
        throw invalidPropertyValue();
    m_borderStyle = style;
    PictureFrame *frame = frameOf(w());
    if (style == vbFixedSingle) {
        frame->setFrameStyle(QFrame::Panel | QFrame::Sunken);
        frame->setLineWidth(2);
    } else {
        frame->setFrameStyle(QFrame::NoFrame);
        frame->setLineWidth(0);
    }
    frame->inner->setGeometry(frame->contentsRect());
}

void PictureBox::setAutoSize(bool on)
{
    m_autoSize = on;
    if (on && hasPicture())
        setPicture(Picture());
}

const QImage &PictureBox::Picture() const
{
    return exists() ? frameOf(w())->inner->picture : noPicture();
}

bool PictureBox::hasPicture() const
{
    const QImage &picture = Picture();
    return !picture.isNull() && picture.width() > 0 && picture.height() > 0;
}

void PictureBox::setPicture(const QImage &picture)
{
    PictureClient *inner = frameOf(w())->inner;
    inner->picture = picture;
    inner->update();
    if (m_autoSize && !picture.isNull()) {
        const int border = 2 * borderPixels();
        const QSize size = logicalSize(picture);
        Move(Left(), Top(), pixelsToTwipsX(size.width() + border),
             pixelsToTwipsY(size.height() + border));
    }
}

void PictureBox::setPicture(const QString &resource)
{
    setPicture(LoadArt(resource));
}

void PictureBox::setBackColor(const QColor &color)
{
    setPaletteColor(*frameOf(w())->inner, QPalette::Window, color);
    setPaletteColor(w(), QPalette::Window, color);
}

void PictureBox::applyGeometry()
{
    Control::applyGeometry();
    // The notification follows the size the window set, at once, even while hidden.
    if (Width() != m_notifiedWidth || Height() != m_notifiedHeight) {
        m_notifiedWidth = Width();
        m_notifiedHeight = Height();
        if (Resize)
            Resize();
    }
}

// TextBox

void TextBox::create(Form &form, const QString &name)
{
    auto *widget = new QLineEdit(form.client());
    attach(form, name, widget);
    widget->installEventFilter(new InputFilter(widget));
    widget->show();
}

QLineEdit *TextBox::edit() const
{
    return static_cast<QLineEdit *>(&w());
}

QString TextBox::Text() const
{
    return edit()->text();
}

void TextBox::setText(const QString &text)
{
    edit()->setText(text);
}

void TextBox::setSelStart(int start)
{
    edit()->setCursorPosition(start);
}

void TextBox::setSelLength(int length)
{
    const int start = edit()->cursorPosition();
    edit()->setSelection(start, length);
}

void TextBox::setBackColor(const QColor &color)
{
    setPaletteColor(w(), QPalette::Base, color);
}

// ComboBox

void ComboBox::create(Form &form, const QString &name)
{
    auto *widget = new QComboBox(form.client());
    widget->setEditable(true);
    widget->setInsertPolicy(QComboBox::NoInsert);
    widget->setFocusPolicy(Qt::StrongFocus);
    attach(form, name, widget);
    widget->installEventFilter(new InputFilter(widget));
    widget->show();
}

QComboBox *ComboBox::combo() const
{
    return static_cast<QComboBox *>(&w());
}

void ComboBox::AddItem(const QString &item)
{
    const QString text = combo()->currentText();
    combo()->addItem(item);
    combo()->setEditText(text);
}

int ComboBox::ListCount() const
{
    return combo()->count();
}

QString ComboBox::List(int index) const
{
    return combo()->itemText(index);
}

QString ComboBox::Text() const
{
    return combo()->currentText();
}

void ComboBox::setText(const QString &text)
{
    const int index = combo()->findText(text);
    combo()->setCurrentIndex(index);
    combo()->setEditText(text);
}

void ComboBox::setSelStart(int start)
{
    combo()->lineEdit()->setCursorPosition(start);
}

void ComboBox::setSelLength(int length)
{
    QLineEdit *edit = combo()->lineEdit();
    edit->setSelection(edit->cursorPosition(), length);
}

void ComboBox::setBackColor(const QColor &color)
{
    setPaletteColor(w(), QPalette::Base, color);
    setPaletteColor(*combo()->lineEdit(), QPalette::Base, color);
}

// ScrollBar

namespace {

// Arrows step the bar towards their direction, whatever its orientation: Qt's scroll bar
// inverts its controls so that Up scrolls up, and so turns Left and Right round.
class SteppedScrollBar : public QScrollBar
{
public:
    using QScrollBar::QScrollBar;

protected:
    void keyPressEvent(QKeyEvent *event) override
    {
        if ((event->modifiers() & ~Qt::KeypadModifier) == 0) {
            switch (event->key()) {
            case Qt::Key_Left:
            case Qt::Key_Up:
                triggerAction(SliderSingleStepSub);
                event->accept();
                return;
            case Qt::Key_Right:
            case Qt::Key_Down:
                triggerAction(SliderSingleStepAdd);
                event->accept();
                return;
            default:
                break;
            }
        }
        QScrollBar::keyPressEvent(event);
    }
};

void check16(int value)
{
    if (value < std::numeric_limits<qint16>::min() || value > std::numeric_limits<qint16>::max())
        throw Error(ErrorNumber::Overflow, QStringLiteral("Desbordamiento."));
}
} // namespace

void ScrollBar::createBar(Form &form, const QString &name, Qt::Orientation orientation)
{
    auto *widget = new SteppedScrollBar(orientation, form.client());
    // Reached by Tab, so the keyboard scrolls what the bar scrolls.
    widget->setFocusPolicy(Qt::StrongFocus);
    attach(form, name, widget);
    widget->setAccessibleName(orientation == Qt::Vertical
                                  ? QStringLiteral("Desplazamiento vertical")
                                  : QStringLiteral("Desplazamiento horizontal"));
    m_min = 0;
    m_max = 32767;
    m_smallChange = 1;
    m_largeChange = 1;
    applyRange();
    widget->setSingleStep(1);
    widget->setPageStep(1);
    QObject::connect(widget, &QScrollBar::valueChanged, widget, [widget] {
        ScrollBar *self = ownerOf<ScrollBar>(widget);
        if (!self)
            return;
        const auto &handler = widget->isSliderDown() ? self->Scroll : self->Change;
        if (handler)
            dispatch(handler);
    });
    QObject::connect(widget, &QScrollBar::sliderPressed, widget, [widget] {
        if (ScrollBar *self = ownerOf<ScrollBar>(widget))
            self->m_dragStart = widget->value();
    });
    // A drag that ends where it began changed nothing.
    QObject::connect(widget, &QScrollBar::sliderReleased, widget, [widget] {
        ScrollBar *self = ownerOf<ScrollBar>(widget);
        if (self && self->Change && widget->value() != self->m_dragStart)
            dispatch(self->Change);
    });
    // A new bar takes the system thickness and a short length.
    const int thickness = orientation == Qt::Vertical ? pixelsToTwipsX(systemScrollBarWidth())
                                                      : pixelsToTwipsY(systemScrollBarHeight());
    if (orientation == Qt::Vertical)
        Move(0, 0, thickness, 1215);
    else
        Move(0, 0, 1215, thickness);
    widget->show();
}

QScrollBar *ScrollBar::bar() const
{
    return static_cast<QScrollBar *>(&w());
}

void ScrollBar::applyRange()
{
    bar()->setRange(m_min, std::max(m_min, m_max));
}

int ScrollBar::Value() const
{
    return bar()->value();
}

void ScrollBar::setMin(int value)
{
    check16(value);
    m_min = value;
    applyRange();
}

void ScrollBar::setMax(int value)
{
    check16(value);
    m_max = value;
    applyRange();
}

void ScrollBar::setValue(int value)
{
    check16(value);
    const int low = std::min(m_min, m_max);
    const int high = std::max(m_min, m_max);
    if (value < low || value > high)
        throw invalidPropertyValue();
    bar()->setValue(value);
}

void ScrollBar::setSmallChange(int value)
{
    check16(value);
    if (value < 1)
        throw invalidPropertyValue();
    m_smallChange = value;
    bar()->setSingleStep(value);
}

void ScrollBar::setLargeChange(int value)
{
    check16(value);
    if (value < 1)
        throw invalidPropertyValue();
    m_largeChange = value;
    bar()->setPageStep(value);
}

void VScrollBar::create(Form &form, const QString &name)
{
    createBar(form, name, Qt::Vertical);
}

void HScrollBar::create(Form &form, const QString &name)
{
    createBar(form, name, Qt::Horizontal);
}

void HiddenButton::create(Form &form, const QString &name)
{
    auto *widget = new QToolButton(form.client());
    widget->setFocusPolicy(Qt::NoFocus);
    attach(form, name, widget);
    widget->hide();
}

} // namespace tk
