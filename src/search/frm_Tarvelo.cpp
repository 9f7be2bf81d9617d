#include "search/frm_Tarvelo.h"

#include "app/Module1.h"
#include "card/frm_Ficha.h"
#include "common/Classification.h"
#include "db/Connection.h"
#include "frame/CommonFrame.h"
#include "resources/Art.h"
#include "toolkit/Services.h"

#include <QLabel>

#include <limits>

namespace {

// Statement pieces, blanks included.
const QString kTodas = QStringLiteral(
    "SELECT Ficha.Id, Ficha.TITULO, Ficha.NIVEL_EDUCATIVO,Ficha.DESCRIPTORES FROM Ficha order "
    "by Titulo asc");
const QString kCabeceraDescriptor = QStringLiteral(
    "SELECT Ficha.Id, Ficha.TITULO, Ficha.NIVEL_EDUCATIVO,Ficha.DESCRIPTORES FROM Ficha where "
    "DESCRIPTORES LIKE '%");
const QString kCabeceraNivel = QStringLiteral(
    "SELECT Ficha.Id, Ficha.TITULO, Ficha.NIVEL_EDUCATIVO,Ficha.DESCRIPTORES FROM Ficha where "
    "NIVEL_EDUCATIVO LIKE '%");
const QString kCabeceraTitulo = QStringLiteral(
    "SELECT Ficha.Id, Ficha.TITULO, Ficha.NIVEL_EDUCATIVO,Ficha.DESCRIPTORES FROM Ficha where "
    "Titulo LIKE '%");
const QString kCierre = QStringLiteral("%' ");
const QString kYDescriptor = QStringLiteral("AND DESCRIPTORES LIKE '%");
const QString kYTitulo = QStringLiteral("AND TITULO LIKE '%");
const QString kOrden = QStringLiteral("order by Titulo asc");
const QString kOrdenConBlanco = QStringLiteral(" order by Titulo asc");

// Texts.
const QString kSinResultados = QStringLiteral("NO se han encontrado Fichas con esos criteios.");
const QString kEncontradas = QStringLiteral(" Fichas encontradas.");
const QString kCabeceraTITULO = QStringLiteral("TITULO");
const QString kCabeceraNIVEL = QStringLiteral("NIVEL EDUCATIVO");
const QString kCabeceraDESCRIPTORES = QStringLiteral("DESCRIPTORES");

const QStringList kDescriptores = orlaneva::toStringList(orlaneva::kDescriptors);
const QStringList kNivelesEducativos = orlaneva::toStringList(orlaneva::kLevels);

// Colours.
const QColor kColorFoco{0xB9, 0xDC, 0xFF};
const QColor kVerde{0x00, 0x80, 0x00};
const QColor kSelFoco{0xFF, 0xE0, 0xC0};
const QColor kSelSinFoco{0xFE, 0xE1, 0xBA};
const QColor kNegro{0x00, 0x00, 0x00};
const QColor kFondoRejilla{0x80, 0x80, 0x80};
const QColor kLineasRejilla{0xC0, 0xC0, 0xC0};

// Column widths in twips; the Id column is too narrow to be seen but not hidden.
constexpr int kAnchoId = 1;
constexpr int kAnchoTitulo = 7600;
constexpr int kAnchoNivel = 5000;
constexpr int kAnchoDescriptores = 5000;

constexpr int kApostrofo = 39;
constexpr int kIntro = 13;

std::function<void(const QString &)> g_statementObserver;

// A criterion inside a quoted SQL text: an apostrophe must not end the text early.
QString literal(const QString &criterion)
{
    QString text = criterion;
    text.replace(QLatin1Char('\''), QStringLiteral("''"));
    return text;
}

std::unique_ptr<db::Recordset> execute(db::Connection &conexion, const QString &sql)
{
    if (g_statementObserver)
        g_statementObserver(sql);
    conexion.CursorLocation = db::adUseClient;
    return conexion.Execute(sql, nullptr, db::adOptionUnspecified);
}

// Blanks only, as typed; other white space stays part of the title.
QString trimBlanks(const QString &text)
{
    qsizetype first = 0;
    qsizetype last = text.size();
    while (first < last && text.at(first) == QLatin1Char(' '))
        ++first;
    while (last > first && text.at(last - 1) == QLatin1Char(' '))
        --last;
    return text.mid(first, last - first);
}

QFont buttonFont()
{
    return tk::Font(QStringLiteral("Verdana"), 9, true);
}

void createIcon(tk::Form &form, tk::ControlArray<tk::PictureBox> &picture, int index,
                frame::Place place, const char *resource, const QString &nombre, int tabIndex)
{
    tk::PictureBox &box = picture.create(form, index);
    box.setBorderStyle(tk::PictureBox::vbBSNone);
    box.Move(place.left, place.top, place.width, place.height);
    box.setBackColor(frame::kWhite);
    box.setPicture(QString::fromUtf8(resource));
    box.widget()->setAccessibleName(nombre);
    box.setTabIndex(tabIndex);
}

void createCombo(tk::Form &form, tk::ComboBox &combo, const QString &name, frame::Place place,
                 const QStringList &items, int tabIndex)
{
    combo.create(form, name);
    combo.Move(place.left, place.top, place.width, place.height);
    combo.setFont(frame::labelFont());
    combo.setForeColor(frame::kNavy);
    combo.setBackColor(frame::kWhite);
    for (const QString &item : items)
        combo.AddItem(item);
    combo.setTabIndex(tabIndex);
}

void createButton(tk::Form &form, tk::CommandButton &button, const QString &name,
                  frame::Place place, const QString &caption, const char *picture, int tabIndex)
{
    button.create(form, name);
    button.Move(place.left, place.top, place.width, place.height);
    button.setFont(buttonFont());
    button.setBackColor(frame::kWhite);
    button.setPicture(QString::fromUtf8(picture));
    button.setCaption(caption);
    button.setTabIndex(tabIndex);
}

void highlight(tk::ComboBox &combo)
{
    combo.setBackColor(kColorFoco);
    combo.setSelStart(0);
    combo.setSelLength(int(combo.Text().size()));
}

void refuseKey(int &KeyAscii)
{
    if (KeyAscii >= 1)
        KeyAscii = 0;
}

} // namespace

frm_Tarvelo::frm_Tarvelo()
    : DefaultForm({QStringLiteral("frm_Tarvelo"), QStringLiteral("Orlaneva. - Gestor Documental."),
                   frame::kClientWidth, frame::kSearchClientHeight,
                   QString::fromUtf8(art::kIconTarvelo)})
{ }

frm_Tarvelo::~frm_Tarvelo() = default;

void frm_Tarvelo::setStatementObserverForTesting(std::function<void(const QString &)> observer)
{
    g_statementObserver = std::move(observer);
}

void frm_Tarvelo::createControls()
{
    createIcon(*this, Picture, 0, {240, 120, 2535, 2415}, art::kSearchDecoration,
               QStringLiteral("Fichero"), 12);
    createIcon(*this, Picture, 1, {2880, 450, 255, 330}, art::kDescriptorIcon,
               QStringLiteral("Descriptores"), 11);
    frame::createCaptionLabel(*this, lblProvincia, QStringLiteral("lblProvincia"),
                              {3240, 450, 1605, 285}, QStringLiteral("Descriptores:"), 17);
    createCombo(*this, cboDescriptores, QStringLiteral("cboDescriptores"), {5040, 420, 4995, 360},
                kDescriptores, 1);
    createIcon(*this, Picture, 2, {2880, 1170, 255, 330}, art::kLevelIcon,
               QStringLiteral("Nivel Educativo"), 10);
    frame::createCaptionLabel(*this, Label1, QStringLiteral("Label1"), {3240, 1170, 1845, 285},
                              QStringLiteral("Nivel Educativo:"), 16);
    createCombo(*this, cboNivelesEducativos, QStringLiteral("cboNivelesEducativos"),
                {5040, 1125, 4995, 360}, kNivelesEducativos, 2);
    createIcon(*this, Picture, 4, {2880, 1920, 255, 330}, art::kTitleIcon, QStringLiteral("Título"),
               9);
    frame::createCaptionLabel(*this, Label4, QStringLiteral("Label4"), {3240, 1920, 1605, 285},
                              QStringLiteral("Título:"), 13);

    txtTitulo.create(*this, QStringLiteral("txtTitulo"));
    txtTitulo.Move(5040, 1800, 4935, 375);
    txtTitulo.setFont(frame::labelFont());
    txtTitulo.setTabIndex(3);

    createButton(*this, cmdBuscar, QStringLiteral("cmdBuscar"), {10080, 1300, 2295, 890},
                 QStringLiteral("&Buscar"), art::kFindIcon, 4);
    createButton(*this, cmdNuevaBusqueda, QStringLiteral("cmdNuevaBusqueda"),
                 {12480, 1300, 2295, 890}, QStringLiteral("&Nueva Búsqueda"), art::kNewSearchBitmap,
                 5);

    frame::createCaptionLabel(
        *this, Label2, QStringLiteral("Label2"), {2910, 2520, 9285, 285},
        QStringLiteral("Para visualizar el contenido de cada Ficha haga doble click en "
                       "la Ficha seleccionada."),
        15);
    // One line, as designed: the stand-in for Verdana runs a pixel wider than the label, and
    // a wrapped second line would show only the tops of its letters.
    Label2.label()->setWordWrap(false);
    frame::createCaptionLabel(*this, lblTotalFichas, QStringLiteral("lblTotalFichas"),
                              {12360, 2520, 3165, 285}, QString(), 14);
    lblTotalFichas.setForeColor(kVerde);

    gridFichas.create(*this, QStringLiteral("gridFichas"));
    gridFichas.Move(120, 3000, 15000, 6195);
    gridFichas.widget()->setAccessibleName(QStringLiteral("Fichas encontradas"));
    gridFichas.setTabIndex(0);
    gridFichas.setCols(4);
    gridFichas.setRows(2);
    gridFichas.setFont(frame::labelFont());
    gridFichas.setForeColor(frame::kNavy);
    gridFichas.setBackColor(tk::SystemColor::WindowBackground());
    gridFichas.setBackColorFixed(tk::SystemColor::ActiveBorder());
    gridFichas.setForeColorFixed(tk::SystemColor::ButtonText());
    gridFichas.setBackColorSel(kColorFoco);
    gridFichas.setForeColorSel(kNegro);
    gridFichas.setBackColorBkg(kFondoRejilla);
    gridFichas.setGridColor(kLineasRejilla);
    gridFichas.setGridColorFixed(kNegro);

    frame::createReturnButton(*this, cmdVolver, 13845, frame::ReturnPicture::ReturnBitmap);
    cmdVolver.setTabIndex(6);
    frame::createSponsorStrip(*this, Label, QStringLiteral("Label"), {10800, 9600, 1335, 375},
                              Picture, {12000, 9240, 2895, 975});
    Picture(3).setTabIndex(7);
    Label.setTabIndex(8);

    cmdBuscar.Click = [this] { cmdBuscar_Click(); };
    cmdNuevaBusqueda.Click = [this] { cmdNuevaBusqueda_Click(); };
    cmdVolver.Click = [this] { cmdVolver_Click(); };
    cboDescriptores.GotFocus = [this] { cboDescriptores_GotFocus(); };
    cboNivelesEducativos.GotFocus = [this] { cboNivelesEducativos_GotFocus(); };
    txtTitulo.GotFocus = [this] { txtTitulo_GotFocus(); };
    cboDescriptores.LostFocus = [this] { cboDescriptores_LostFocus(); };
    cboNivelesEducativos.LostFocus = [this] { cboNivelesEducativos_LostFocus(); };
    txtTitulo.LostFocus = [this] { txtTitulo_LostFocus(); };
    cboDescriptores.KeyPress = [this](int &KeyAscii) { cboDescriptores_KeyPress(KeyAscii); };
    cboNivelesEducativos.KeyPress
        = [this](int &KeyAscii) { cboNivelesEducativos_KeyPress(KeyAscii); };
    txtTitulo.KeyPress = [this](int &KeyAscii) { txtTitulo_KeyPress(KeyAscii); };
    gridFichas.DblClick = [this] { gridFichas_DblClick(); };
    gridFichas.MouseMove = [this](int Button, int Shift, double x, double y) {
        gridFichas_MouseMove(Button, Shift, x, y);
    };
    gridFichas.GotFocus = [this] { gridFichas_GotFocus(); };
    gridFichas.LostFocus = [this] { gridFichas_LostFocus(); };
    gridFichas.KeyPress = [this](int &KeyAscii) { gridFichas_KeyPress(KeyAscii); };
}

void frm_Tarvelo::Form_Load()
{
    frame::openCatalogue(conexion, sPathBD);
    InicializarBusqueda();
}

void frm_Tarvelo::InicializarBusqueda()
{
    gridFichas.setEnabled(false);
    lblTotalFichas.setCaption(QString());
    cboDescriptores.setText(QString());
    cboNivelesEducativos.setText(QString());
    txtTitulo.setText(QString());
    vaciarGrid();
    gridFichas.setColWidth(0, kAnchoId);
    gridFichas.setColWidth(1, kAnchoTitulo);
    gridFichas.setColWidth(2, kAnchoNivel);
    gridFichas.setColWidth(3, kAnchoDescriptores);
    escribirCabeceras();
}

void frm_Tarvelo::vaciarGrid()
{
    gridFichas.Clear();
    gridFichas.setRows(2);
}

void frm_Tarvelo::escribirCabeceras()
{
    gridFichas.setTextMatrix(0, 1, kCabeceraTITULO);
    gridFichas.setTextMatrix(0, 2, kCabeceraNIVEL);
    gridFichas.setTextMatrix(0, 3, kCabeceraDESCRIPTORES);
}

// The builders.

std::unique_ptr<db::Recordset> frm_Tarvelo::FNC_ConsultaFichas(db::Connection &conexion)
{
    return execute(conexion, kTodas);
}

std::unique_ptr<db::Recordset>
frm_Tarvelo::FNC_ConsultaFichasDescriptores(db::Connection &conexion, const QString &sDescriptor)
{
    return execute(conexion, kCabeceraDescriptor + literal(sDescriptor) + kCierre + kOrden);
}

std::unique_ptr<db::Recordset>
frm_Tarvelo::FNC_ConsultaFichasNivelEducativo(db::Connection &conexion,
                                              const QString &sNivelEducativo)
{
    return execute(conexion, kCabeceraNivel + literal(sNivelEducativo) + kCierre + kOrdenConBlanco);
}

std::unique_ptr<db::Recordset> frm_Tarvelo::FNC_ConsultaFichas_Descriptores_NivelEducativo(
    db::Connection &conexion, const QString &sNivelEducativo, const QString &sDescriptor)
{
    return execute(conexion,
                   kCabeceraNivel + literal(sNivelEducativo) + kCierre + kYDescriptor
                       + literal(sDescriptor) + kCierre + kOrden);
}

std::unique_ptr<db::Recordset> frm_Tarvelo::FNC_ConsultaFichasTitulo(db::Connection &conexion,
                                                                     const QString &sTitulo)
{
    return execute(conexion, kCabeceraTitulo + literal(sTitulo) + kCierre + kOrden);
}

std::unique_ptr<db::Recordset> frm_Tarvelo::FNC_ConsultaFichasDescriptoresTitulo(
    db::Connection &conexion, const QString &sDescriptor, const QString &sTitulo)
{
    return execute(conexion,
                   kCabeceraDescriptor + literal(sDescriptor) + kCierre + kYTitulo
                       + literal(sTitulo) + kCierre + kOrden);
}

std::unique_ptr<db::Recordset> frm_Tarvelo::FNC_ConsultaFichasNivelEducativoTitulo(
    db::Connection &conexion, const QString &sNivelEducativo, const QString &sTitulo)
{
    return execute(conexion,
                   kCabeceraNivel + literal(sNivelEducativo) + kCierre + kYTitulo + literal(sTitulo)
                       + kCierre + kOrden);
}

std::unique_ptr<db::Recordset> frm_Tarvelo::FNC_ConsultaFichas_Descriptores_NivelEducativoTitulo(
    db::Connection &conexion, const QString &sNivelEducativo, const QString &sDescriptor,
    const QString &sTitulo)
{
    return execute(conexion,
                   kCabeceraNivel + literal(sNivelEducativo) + kCierre + kYDescriptor
                       + literal(sDescriptor) + kCierre + kYTitulo + literal(sTitulo) + kCierre
                       + kOrden);
}

// The search.

void frm_Tarvelo::cmdBuscar_Click()
{
    const QString sDescriptor = cboDescriptores.Text();
    const QString sNivelEducativo = cboNivelesEducativos.Text();
    const QString sTituloTecleado = txtTitulo.Text();
    const bool titulo = !sTituloTecleado.isEmpty();
    const bool descriptor = !sDescriptor.isEmpty();
    const bool nivel = !sNivelEducativo.isEmpty();
    const QString sTitulo = trimBlanks(sTituloTecleado);

    db::Connection &c = *conexion;
    if (!titulo) {
        if (!descriptor && !nivel)
            rsFichas = FNC_ConsultaFichas(c);
        else if (descriptor && !nivel)
            rsFichas = FNC_ConsultaFichasDescriptores(c, sDescriptor);
        else if (!descriptor && nivel)
            rsFichas = FNC_ConsultaFichasNivelEducativo(c, sNivelEducativo);
        else
            rsFichas
                = FNC_ConsultaFichas_Descriptores_NivelEducativo(c, sNivelEducativo, sDescriptor);
    } else {
        if (!descriptor && !nivel)
            rsFichas = FNC_ConsultaFichasTitulo(c, sTitulo);
        else if (descriptor && !nivel)
            rsFichas = FNC_ConsultaFichasDescriptoresTitulo(c, sDescriptor, sTitulo);
        else if (!descriptor && nivel)
            rsFichas = FNC_ConsultaFichasNivelEducativoTitulo(c, sNivelEducativo, sTitulo);
        else
            rsFichas = FNC_ConsultaFichas_Descriptores_NivelEducativoTitulo(c, sNivelEducativo,
                                                                            sDescriptor, sTitulo);
    }

    const qint64 total = rsFichas->RecordCount();
    if (total <= 0) {
        lblTotalFichas.setCaption(kSinResultados);
        vaciarGrid();
    } else {
        vaciarGrid();
        lblTotalFichas.setCaption(QString::number(total) + kEncontradas);
        gridFichas.setEnabled(true);
        CargarGridFichas(gridFichas, rsFichas);
    }
    rsFichas.reset();
    escribirCabeceras();
}

void frm_Tarvelo::cmdNuevaBusqueda_Click()
{
    InicializarBusqueda();
}

void frm_Tarvelo::cmdVolver_Click()
{
    Unload();
}

// The grid.

void frm_Tarvelo::CargarGridFichas(tk::FlexGrid &grid, std::unique_ptr<db::Recordset> &rs)
{
    grid.setVisible(false);
    tk::Screen::setMousePointer(tk::Screen::vbHourglass);
    if (!rs->BOF() && !rs->isEOF())
        rs->MoveFirst();
    // As wide as the grid's own row count, so that no result is too long for it.
    int i = 1;
    while (!rs->isEOF()) {
        grid.setRows(i + 1);
        grid.setRow(i);
        for (int j = 0; j <= grid.Cols() - 1; ++j) {
            grid.setCol(j);
            const db::Value &valor = rs->Fields(j).Value();
            grid.setText(valor.isNull() ? QString() : valor.toString());
        }
        rs->MoveNext();
        ++i;
    }
    tk::Screen::setMousePointer(tk::Screen::vbDefault);
    grid.setVisible(true);
    rs.reset();
}

void frm_Tarvelo::gridFichas_DblClick()
{
    if (gridFichas.Rows() <= 1)
        return;
    const int r = gridFichas.Row();
    // A blank row or a cell that holds no card number names no card: nothing to open.
    bool esNumero = false;
    const qlonglong id = gridFichas.TextMatrix(r, 0).trimmed().toLongLong(&esNumero);
    if (!esNumero || id < std::numeric_limits<qint32>::min()
        || id > std::numeric_limits<qint32>::max())
        return;
    Module1::iIdFicha = qint32(id);
    frm_Ficha::Default().Show();
}

void frm_Tarvelo::gridFichas_MouseMove(int Button, int Shift, double x, double y)
{
    (void)Button;
    (void)Shift;
    (void)x;
    (void)y;
    if (gridFichas.Rows() > 1)
        gridFichas.setToolTipText(
            gridFichas.TextMatrix(gridFichas.MouseRow(), gridFichas.MouseCol()));
}

void frm_Tarvelo::gridFichas_GotFocus()
{
    gridFichas.setBackColorSel(kSelFoco);
}

void frm_Tarvelo::gridFichas_LostFocus()
{
    gridFichas.setBackColorSel(kSelSinFoco);
}

void frm_Tarvelo::gridFichas_KeyPress(int &KeyAscii)
{
    // Enter opens the current row's card, as a double-click does.
    if (KeyAscii == kIntro) {
        KeyAscii = 0;
        gridFichas_DblClick();
    }
}

// Criteria boxes.

void frm_Tarvelo::cboDescriptores_GotFocus()
{
    highlight(cboDescriptores);
}

void frm_Tarvelo::cboNivelesEducativos_GotFocus()
{
    highlight(cboNivelesEducativos);
}

void frm_Tarvelo::txtTitulo_GotFocus()
{
    txtTitulo.setBackColor(kColorFoco);
    txtTitulo.setSelStart(0);
    txtTitulo.setSelLength(int(txtTitulo.Text().size()));
}

void frm_Tarvelo::cboDescriptores_LostFocus()
{
    cboDescriptores.setBackColor(tk::SystemColor::WindowBackground());
}

void frm_Tarvelo::cboNivelesEducativos_LostFocus()
{
    cboNivelesEducativos.setBackColor(tk::SystemColor::WindowBackground());
}

void frm_Tarvelo::txtTitulo_LostFocus()
{
    txtTitulo.setBackColor(tk::SystemColor::WindowBackground());
}

// The lists are the only way to set a criterion: every typed character is refused.
void frm_Tarvelo::cboDescriptores_KeyPress(int &KeyAscii)
{
    refuseKey(KeyAscii);
}

void frm_Tarvelo::cboNivelesEducativos_KeyPress(int &KeyAscii)
{
    refuseKey(KeyAscii);
}

void frm_Tarvelo::txtTitulo_KeyPress(int &KeyAscii)
{
    if (KeyAscii == kApostrofo) {
        KeyAscii = 0;
        tk::Beep();
    } else if (KeyAscii == kIntro) {
        // Enter searches, as the search button does.
        KeyAscii = 0;
        cmdBuscar_Click();
    }
}
