#pragma once

#include "toolkit/Form.h"

#include <memory>

namespace db {
class Connection;
}
class cPicScroll;

class frm_Principal : public tk::DefaultForm<frm_Principal>
{
public:
    frm_Principal();
    ~frm_Principal() override;

    tk::CommandButton cmdGuia;
    tk::CommandButton cmdBusqueda;
    tk::CommandButton cmdAutores;
    tk::CommandButton cmdVolver;
    tk::Label Label2;
    tk::Label Label3;
    tk::Label Label4;
    tk::ControlArray<tk::PictureBox> Picture{QStringLiteral("Picture")};
    tk::Label Label;
    tk::PictureBox PicContenedor;

    void cmdGuia_Click();
    void cmdBusqueda_Click();
    void cmdAutores_Click();
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
    std::unique_ptr<cPicScroll> mcPicScroll;
    QString sPathImage;
};
