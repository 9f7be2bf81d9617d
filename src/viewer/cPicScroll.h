#pragma once

#include <QString>
#include <QtGlobal>

#include <functional>

namespace tk {
class Form;
class PictureBox;
class VScrollBar;
class HScrollBar;
} // namespace tk

// Turns a picture box of a window (the container) into a scrollable view of a picture that
// may be larger than it. The viewer creates its image box and both bars in the window's
// control collection and removes them again, by name, when it is destroyed; so the host
// releases the viewer before its controls go (on unload, first thing), and declares it after
// the container, which the viewer unsubscribes from on its way out.
class cPicScroll
{
public:
    cPicScroll() = default;
    cPicScroll(const cPicScroll &) = delete;
    cPicScroll &operator=(const cPicScroll &) = delete;
    ~cPicScroll();

    void SetPicture(const QString &sPathImage);
    void Init(tk::PictureBox &PicBox_Container, tk::Form &OwnerForm);
    void Refresh();

    qint32 HSbarMax() const;
    qint32 VSbarMax() const;
    qint16 VSBarValue() const;
    void setVSBarValue(qint16 iValue);
    qint16 HSBarValue() const;
    void setHSBarValue(qint16 iValue);

    // Raised synchronously from inside the notification handlers; any may be left empty.
    std::function<void()> Resize;
    std::function<void(qint16 iValue)> VerticalScroll;
    std::function<void(qint16 iValue)> HorizontalScroll;
    std::function<void()> VerticalScrollChange;
    std::function<void()> HorizontalScrollChange;

    // One unit of either bar, in twips.
    static constexpr int ScrollStep = 120;

private:
    void Horizontal_Scroll_Change();
    void Horizontal_Scroll_Scroll();
    void Pic_Container_Resize();
    void Vertical_Scroll_Change();
    void Vertical_Scroll_Scroll();

    tk::PictureBox *Pic_Container = nullptr;
    tk::Form *mOwnerForm = nullptr;
    tk::PictureBox *pic_Imagen = nullptr;
    tk::VScrollBar *Vertical_Scroll = nullptr;
    tk::HScrollBar *Horizontal_Scroll = nullptr;
};
