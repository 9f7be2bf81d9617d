#include "viewer/cPicScroll.h"

#include "common/Error.h"
#include "common/Paths.h"
#include "common/Rounding.h"
#include "toolkit/Controls.h"
#include "toolkit/Form.h"
#include "toolkit/Picture.h"
#include "toolkit/Services.h"
#include "toolkit/Units.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <new>

namespace {

const QString kImagen = QStringLiteral("pic_Imagen");
const QString kVertical = QStringLiteral("Vertical_Scroll");
const QString kHorizontal = QStringLiteral("Horizontal_Scroll");

int nearestTwips(double twips)
{
    return int(orlaneva::roundHalfEven(twips));
}

// A bar's Max is 16-bit: a larger excess saturates instead of wrapping round.
int barMax(double excessTwips)
{
    const double units = orlaneva::roundHalfEven(excessTwips / cPicScroll::ScrollStep + 1.0);
    return int(std::clamp(units, double(std::numeric_limits<qint16>::min()),
                          double(std::numeric_limits<qint16>::max())));
}

} // namespace

cPicScroll::~cPicScroll()
{
    if (mOwnerForm) {
        tk::ControlCollection &controls = mOwnerForm->Controls();
        try {
            controls.Remove(kImagen);
            controls.Remove(kVertical);
            controls.Remove(kHorizontal);
        } catch (...) {
            // The first control that cannot be removed ends the removals, silently.
        }
    }
    // The container outlives the viewer; it must not notify a viewer that is gone.
    if (Pic_Container)
        Pic_Container->Resize = nullptr;
    Pic_Container = nullptr;
    mOwnerForm = nullptr;
}

void cPicScroll::SetPicture(const QString &sPathImage)
{
    QString failure;
    try {
        pic_Imagen->setPicture(tk::LoadPicture(sPathImage));
        Refresh();
        return;
    } catch (const orlaneva::Error &e) {
        failure = e.description();
    } catch (const std::bad_alloc &) {
        failure = QStringLiteral("Memoria insuficiente para mostrar la imagen '%1'.")
                      .arg(orlaneva::nativePath(sPathImage));
    } catch (const std::exception &e) {
        failure = QString::fromLocal8Bit(e.what());
    }
    tk::MsgBox(failure, tk::vbCritical | tk::vbOKOnly, QStringLiteral("Error en SetPicture"));
    Refresh();
}

void cPicScroll::Init(tk::PictureBox &PicBox_Container, tk::Form &OwnerForm)
{
    Pic_Container = &PicBox_Container;
    Pic_Container->Resize = [this] { Pic_Container_Resize(); };
    mOwnerForm = &OwnerForm;

    tk::ControlCollection &controls = mOwnerForm->Controls();
    pic_Imagen = &controls.Add<tk::PictureBox>(kImagen);
    Vertical_Scroll = &controls.Add<tk::VScrollBar>(kVertical);
    Vertical_Scroll->Change = [this] { Vertical_Scroll_Change(); };
    Vertical_Scroll->Scroll = [this] { Vertical_Scroll_Scroll(); };
    Horizontal_Scroll = &controls.Add<tk::HScrollBar>(kHorizontal);
    Horizontal_Scroll->Change = [this] { Horizontal_Scroll_Change(); };
    Horizontal_Scroll->Scroll = [this] { Horizontal_Scroll_Scroll(); };

    pic_Imagen->setAutoSize(true);
    pic_Imagen->setBorderStyle(tk::PictureBox::vbBSNone);
    pic_Imagen->setContainer(*Pic_Container);

    Horizontal_Scroll->setLargeChange(15);
    Horizontal_Scroll->setContainer(*Pic_Container);
    Horizontal_Scroll->ZOrder();

    Vertical_Scroll->setLargeChange(15);
    Vertical_Scroll->setContainer(*Pic_Container);
    Vertical_Scroll->ZOrder();

    Refresh();
}

void cPicScroll::Refresh()
{
    tk::PictureBox &C = *Pic_Container;
    tk::PictureBox &I = *pic_Imagen;

    I.Move(0, 0);

    const float W = float(tk::Screen::TwipsPerPixelX()) * float(tk::systemScrollBarWidth());
    const float H = float(tk::Screen::TwipsPerPixelY()) * float(tk::systemScrollBarHeight());

    // The other bar's thickness counts whether it is shown or not, at its size before this pass.
    Horizontal_Scroll->setMax(
        barMax(double(I.Width()) - double(C.ScaleWidth()) + double(Vertical_Scroll->Width())));
    Vertical_Scroll->setMax(
        barMax(double(I.Height()) - double(C.ScaleHeight()) + double(Horizontal_Scroll->Height())));

    bool horizontalShown = false;
    bool verticalShown = false;
    // With no picture both bars stay hidden, whatever the container's size.
    if (!I.hasPicture()) {
        I.setVisible(false);
        I.Move(0, 0, 0, 0);
    } else {
        I.setVisible(true);
        // Against the outer size: a border makes the bar appear before the picture overflows.
        horizontalShown = I.Width() >= C.Width();
        verticalShown = I.Height() >= C.Height();
    }
    Horizontal_Scroll->setVisible(horizontalShown);
    Vertical_Scroll->setVisible(verticalShown);

    // The vertical bar owns the bottom-right corner.
    Vertical_Scroll->Move(nearestTwips(C.ScaleWidth() - double(W)), 0, nearestTwips(W),
                          C.ScaleHeight());
    Horizontal_Scroll->Move(
        0, nearestTwips(C.ScaleHeight() - double(H)),
        verticalShown ? nearestTwips(C.ScaleWidth() - double(W)) : C.ScaleWidth(), nearestTwips(H));
}

qint32 cPicScroll::HSbarMax() const
{
    return Horizontal_Scroll->Max();
}

qint32 cPicScroll::VSbarMax() const
{
    return Vertical_Scroll->Max();
}

qint16 cPicScroll::VSBarValue() const
{
    return qint16(Vertical_Scroll->Value());
}

void cPicScroll::setVSBarValue(qint16 iValue)
{
    if (Vertical_Scroll->Min() < iValue && iValue <= Vertical_Scroll->Max())
        Vertical_Scroll->setValue(iValue);
}

qint16 cPicScroll::HSBarValue() const
{
    return qint16(Horizontal_Scroll->Value());
}

void cPicScroll::setHSBarValue(qint16 iValue)
{
    if (Horizontal_Scroll->Min() < iValue && iValue <= Horizontal_Scroll->Max())
        Horizontal_Scroll->setValue(iValue);
}

void cPicScroll::Horizontal_Scroll_Change()
{
    // In int: 120 x a 16-bit Value does not fit in 16 bits.
    pic_Imagen->setLeft(-ScrollStep * Horizontal_Scroll->Value());
    if (HorizontalScrollChange)
        HorizontalScrollChange();
}

void cPicScroll::Horizontal_Scroll_Scroll()
{
    Horizontal_Scroll_Change();
    if (HorizontalScroll)
        HorizontalScroll(qint16(Horizontal_Scroll->Value()));
}

void cPicScroll::Pic_Container_Resize()
{
    Refresh();
    if (Resize)
        Resize();
}

void cPicScroll::Vertical_Scroll_Change()
{
    pic_Imagen->setTop(-ScrollStep * Vertical_Scroll->Value());
    if (VerticalScrollChange)
        VerticalScrollChange();
}

void cPicScroll::Vertical_Scroll_Scroll()
{
    Vertical_Scroll_Change();
    if (VerticalScroll)
        VerticalScroll(qint16(Vertical_Scroll->Value()));
}
