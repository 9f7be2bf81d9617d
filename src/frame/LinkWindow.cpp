#include "frame/LinkWindow.h"

#include "frame/CommonFrame.h"
#include "toolkit/Desktop.h"
#include "toolkit/Services.h"

namespace linkwindow {

namespace {

void createLinkButton(tk::Form &form, tk::CommandButton &cmdVinculo, int left, const char *picture,
                      const QString &caption)
{
    cmdVinculo.create(form, QStringLiteral("cmdVinculo"));
    cmdVinculo.Move(left, 240, 2295, 855);
    cmdVinculo.setBackColor(frame::kWhite);
    cmdVinculo.setFont(frame::labelFont());
    cmdVinculo.setPicture(QString::fromUtf8(picture));
    cmdVinculo.setCaption(caption);
    cmdVinculo.setToolTipText(kLinkToolTip);
    cmdVinculo.setTabIndex(5);
}

void createContainer(tk::Form &form, tk::PictureBox &PicContenedor)
{
    PicContenedor.create(form, QStringLiteral("PicContenedor"));
    PicContenedor.setBorderStyle(tk::PictureBox::vbBSNone);
    PicContenedor.Move(1275, 600, 8985, 17220);
    PicContenedor.setBackColor(frame::kWhite);
    PicContenedor.setTabIndex(2);
}

void createStripButton(tk::Form &form, tk::HiddenButton &Command1)
{
    Command1.create(form, QStringLiteral("Command1"));
    Command1.Move(15600, 3120, 1455, 615);
    Command1.setTabIndex(0);
}

} // namespace

void createControls(tk::Form &form, const Controls &controls, const Design &design)
{
    createLinkButton(form, controls.cmdVinculo, design.linkLeft, design.linkPicture,
                     design.linkCaption);
    frame::createReturnButton(form, controls.cmdVolver, design.returnLeft,
                              frame::ReturnPicture::ReturnBitmap);
    controls.cmdVolver.setTabIndex(1);
    createContainer(form, controls.PicContenedor);
    controls.PicContenedor.widget()->setAccessibleName(design.containerName);
    frame::createSponsorStrip(form, controls.Label, QStringLiteral("Label"),
                              {10800, 9720, 1335, 375}, controls.Picture, {12000, 9360, 2895, 975});
    tk::PictureBox &sponsorLogo = controls.Picture(3);
    sponsorLogo.setTabIndex(3);
    controls.Label.setTabIndex(4);
    createStripButton(form, controls.Command1);

    controls.PicContenedor.ZOrder();
    controls.cmdVolver.ZOrder();
    sponsorLogo.ZOrder();
    controls.cmdVinculo.ZOrder();
}

void layout(tk::Form &form, tk::PictureBox &PicContenedor, tk::HiddenButton &Command1)
{
    tk::resumeNext({
        [&] {
            PicContenedor.Move(10, 10, form.ScaleWidth() - 20,
                               form.ScaleHeight() - Command1.Height() - 120);
        },
        [&] {
            Command1.Move(form.ScaleWidth() - 2000 - 60,
                          PicContenedor.Top() + PicContenedor.Height() + 60, 2000, 375);
        },
    });
}

void openWithDesktop(tk::Form &owner, const QString &target)
{
    tk::ShellExecute(owner.hWnd(), QStringLiteral("Open"), target, QString(), QString::number(0),
                     tk::SW_SHOWNORMAL);
}

} // namespace linkwindow
