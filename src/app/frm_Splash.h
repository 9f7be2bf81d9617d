#pragma once

#include "toolkit/Form.h"

class frm_Splash : public tk::DefaultForm<frm_Splash>
{
public:
    frm_Splash();

    bool Listo = false;
    void DisableXbutton(WId frmHwnd);

    // The whole second the wait ends on: the clock reading plus 3, a half to the even.
    static qint32 splashDeadline(double clockReading);

    tk::ControlArray<tk::PictureBox> Picture{QStringLiteral("Picture")};
    tk::Label Label1;
    tk::Label Label;

protected:
    void createControls() override;
    void Form_Load() override;
};
