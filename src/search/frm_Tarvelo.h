#pragma once

#include "toolkit/FlexGrid.h"
#include "toolkit/Form.h"

#include <QString>

#include <functional>
#include <memory>

namespace db {
class Connection;
class Recordset;
} // namespace db

// The search window: criteria, the query builders, the count and the results grid.
class frm_Tarvelo : public tk::DefaultForm<frm_Tarvelo>
{
public:
    frm_Tarvelo();
    ~frm_Tarvelo() override;

    tk::ControlArray<tk::PictureBox> Picture{QStringLiteral("Picture")};
    tk::Label lblProvincia;
    tk::ComboBox cboDescriptores;
    tk::Label Label1;
    tk::ComboBox cboNivelesEducativos;
    tk::Label Label4;
    tk::TextBox txtTitulo;
    tk::CommandButton cmdBuscar;
    tk::CommandButton cmdNuevaBusqueda;
    tk::Label Label2;
    tk::Label lblTotalFichas;
    tk::FlexGrid gridFichas;
    tk::CommandButton cmdVolver;
    tk::Label Label;

    // The query builders: one SELECT each, run on the connection given; they keep no state.
    // The level always comes before the descriptor.
    static std::unique_ptr<db::Recordset> FNC_ConsultaFichas(db::Connection &conexion);
    static std::unique_ptr<db::Recordset>
    FNC_ConsultaFichasDescriptores(db::Connection &conexion, const QString &sDescriptor);
    static std::unique_ptr<db::Recordset>
    FNC_ConsultaFichasNivelEducativo(db::Connection &conexion, const QString &sNivelEducativo);
    static std::unique_ptr<db::Recordset> FNC_ConsultaFichas_Descriptores_NivelEducativo(
        db::Connection &conexion, const QString &sNivelEducativo, const QString &sDescriptor);
    static std::unique_ptr<db::Recordset> FNC_ConsultaFichasTitulo(db::Connection &conexion,
                                                                   const QString &sTitulo);
    static std::unique_ptr<db::Recordset>
    FNC_ConsultaFichasDescriptoresTitulo(db::Connection &conexion, const QString &sDescriptor,
                                         const QString &sTitulo);
    static std::unique_ptr<db::Recordset>
    FNC_ConsultaFichasNivelEducativoTitulo(db::Connection &conexion, const QString &sNivelEducativo,
                                           const QString &sTitulo);
    static std::unique_ptr<db::Recordset> FNC_ConsultaFichas_Descriptores_NivelEducativoTitulo(
        db::Connection &conexion, const QString &sNivelEducativo, const QString &sDescriptor,
        const QString &sTitulo);

    // Fills the grid, emptied by the caller, from the result, and drops the result.
    void CargarGridFichas(tk::FlexGrid &grid, std::unique_ptr<db::Recordset> &rsFichas);

    void cmdBuscar_Click();
    void cmdNuevaBusqueda_Click();
    void cmdVolver_Click();
    void cboDescriptores_GotFocus();
    void cboNivelesEducativos_GotFocus();
    void txtTitulo_GotFocus();
    void cboDescriptores_LostFocus();
    void cboNivelesEducativos_LostFocus();
    void txtTitulo_LostFocus();
    void cboDescriptores_KeyPress(int &KeyAscii);
    void cboNivelesEducativos_KeyPress(int &KeyAscii);
    void txtTitulo_KeyPress(int &KeyAscii);
    void gridFichas_DblClick();
    void gridFichas_MouseMove(int Button, int Shift, double x, double y);
    void gridFichas_GotFocus();
    void gridFichas_LostFocus();
    void gridFichas_KeyPress(int &KeyAscii);

    // Tests see every statement a builder sends, as sent.
    static void setStatementObserverForTesting(std::function<void(const QString &)> observer);

protected:
    void createControls() override;
    void Form_Load() override;

private:
    void InicializarBusqueda();
    void vaciarGrid();
    void escribirCabeceras();

    std::unique_ptr<db::Connection> conexion;
    QString sPathBD;
    std::unique_ptr<db::Recordset> rsFichas;
};
