#pragma once

#include "toolkit/Form.h"

#include <memory>

namespace db {
class Connection;
}
class cPicScroll;

// The guide: its cover in the viewer and a button that hands the guide document to the
// desktop.
class frm_Orlaneva : public tk::DefaultForm<frm_Orlaneva>
{
public:
    frm_Orlaneva();
    ~frm_Orlaneva() override;

    tk::CommandButton cmdVinculo;
    tk::CommandButton cmdVolver;
    tk::PictureBox PicContenedor;
    tk::ControlArray<tk::PictureBox> Picture{QStringLiteral("Picture")};
    tk::Label Label;
    tk::HiddenButton Command1;

    void cmdVinculo_Click();
    void cmdVolver_Click();

protected:
    void createControls() override;
    void Form_Initialize() override;
    void Form_Load() override;
    void Form_Resize() override;
    void Form_Unload(int &Cancel) override;

private:
    std::unique_ptr<db::Connection> conexion;
    QString sPathBD;
    QString sPathImage;
    std::unique_ptr<cPicScroll> mcPicScroll;
};
