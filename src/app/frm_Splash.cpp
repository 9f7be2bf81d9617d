#include "app/frm_Splash.h"

#include "common/Rounding.h"
#include "frame/CommonFrame.h"
#include "resources/Art.h"
#include "toolkit/Services.h"

namespace {
constexpr double kSecondsPerDay = 86400.0;
}

frm_Splash::frm_Splash()
    : DefaultForm({QStringLiteral("frm_Splash"), QStringLiteral("Orlaneva. v.1.1.3"),
                   frame::kClientWidth, frame::kClientHeight, QString::fromUtf8(art::kIconSplash)})
{ }

void frm_Splash::createControls()
{
    tk::PictureBox &banner = Picture.create(*this, 1);
    banner.setBorderStyle(tk::PictureBox::vbBSNone);
    banner.Move(360, 240, 9015, 2415);
    banner.setBackColor(tk::SystemColor::WindowBackground());
    banner.setPicture(QString::fromUtf8(art::kBanner));
    banner.widget()->setAccessibleName(QStringLiteral("Orlaneva: catálogo de recursos educativos"));

    frame::createSponsorStrip(*this, Label1, QStringLiteral("Label1"), {10200, 1440, 1335, 255},
                              Picture, {11400, 1080, 2895, 975});

    Label.create(*this, QStringLiteral("Label"));
    Label.Move(3600, 3120, 8055, 375);
    Label.setCaption(QStringLiteral("Orlaneva"));
    Label.setFont(tk::Font(QStringLiteral("Verdana"), 14.25, true, true));
    Label.setForeColor(frame::kNavy);
    Label.setBackColor(frame::kWhite);

    tk::PictureBox &cover = Picture.create(*this, 0);
    cover.setBorderStyle(tk::PictureBox::vbBSNone);
    cover.Move(3315, 3840, 8670, 5820);
    cover.setBackColor(frame::kWhite);
    cover.setPicture(QString::fromUtf8(art::kCover));
    cover.widget()->setAccessibleName(QStringLiteral("Portada"));
}

qint32 frm_Splash::splashDeadline(double clockReading)
{
    return qint32(orlaneva::roundHalfEven(clockReading + 3.0));
}

void frm_Splash::Form_Load()
{
    DisableXbutton(hWnd());
    Show();

    const double start = tk::Timer();
    const qint32 deadline = splashDeadline(start);
    // The time-of-day clock restarts at midnight: count on from the day before.
    auto now = [start] {
        const double reading = tk::Timer();
        return reading < start ? reading + kSecondsPerDay : reading;
    };
    while (now() < deadline)
        tk::DoEvents();
    Listo = true;
}

void frm_Splash::DisableXbutton(WId frmHwnd)
{
    tk::SystemMenu *menu = tk::GetSystemMenu(frmHwnd, false);
    if (menu == nullptr)
        return;
    tk::DeleteMenu(menu, tk::SC_CLOSE, tk::MF_BYCOMMAND);
    tk::DrawMenuBar(frmHwnd);
}
