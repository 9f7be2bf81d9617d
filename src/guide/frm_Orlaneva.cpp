#include "guide/frm_Orlaneva.h"

#include "app/CommonFrame.h"
#include "resources/Art.h"

frm_Orlaneva::frm_Orlaneva()
    : DefaultForm({QStringLiteral("frm_Orlaneva"), QStringLiteral("Orlaneva. - Guía."),
                   frame::kClientWidth, frame::kClientHeight,
                   QString::fromUtf8(art::kIconOrlaneva)})
{ }

void frm_Orlaneva::createControls()
{
    frame::createReturnButton(*this, cmdVolver, 13845, frame::ReturnPicture::ReturnBitmap);
    cmdVolver.Click = [this] {
        cmdVolver_Click();
    };
    frame::createSponsorStrip(*this, Label, QStringLiteral("Label"), {10800, 9720, 1335, 375},
                              Picture, {12000, 9360, 2895, 975});
}

void frm_Orlaneva::cmdVolver_Click()
{
    Unload();
}
