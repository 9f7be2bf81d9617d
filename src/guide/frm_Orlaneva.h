#pragma once

#include "toolkit/Form.h"

class frm_Orlaneva : public tk::DefaultForm<frm_Orlaneva>
{
public:
    frm_Orlaneva();

    tk::CommandButton cmdVolver;
    tk::ControlArray<tk::PictureBox> Picture{QStringLiteral("Picture")};
    tk::Label Label;

    void cmdVolver_Click();

protected:
    void createControls() override;
};
