#include "frame/CommonFrame.h"

#include "common/Error.h"
#include "db/Connection.h"
#include "db/ConnectionString.h"
#include "resources/Art.h"
#include "toolkit/CatalogueFolder.h"
#include "toolkit/Services.h"

namespace frame {

QFont labelFont()
{
    return tk::Font(QStringLiteral("Verdana"), 9.75, true);
}

void styleLabel(tk::Label &label)
{
    label.setFont(labelFont());
    label.setForeColor(kNavy);
    label.setBackColor(kWhite);
}

void createCaptionLabel(tk::Form &form, tk::Label &label, const QString &name, Place place,
                        const QString &caption, int tabIndex)
{
    label.create(form, name);
    label.Move(place.left, place.top, place.width, place.height);
    label.setCaption(caption);
    styleLabel(label);
    label.setTabIndex(tabIndex);
}

void createSponsorStrip(tk::Form &form, tk::Label &label, const QString &labelName,
                        Place labelPlace, tk::ControlArray<tk::PictureBox> &picture,
                        Place picturePlace)
{
    label.create(form, labelName);
    label.Move(labelPlace.left, labelPlace.top, labelPlace.width, labelPlace.height);
    label.setCaption(QStringLiteral("Patrocinan:"));
    styleLabel(label);

    tk::PictureBox &logo = picture.create(form, 3);
    logo.setBorderStyle(tk::PictureBox::vbBSNone);
    logo.Move(picturePlace.left, picturePlace.top, picturePlace.width, picturePlace.height);
    logo.setBackColor(tk::SystemColor::WindowBackground());
    logo.setPicture(QString::fromUtf8(art::kSponsorLogo));
    logo.widget()->setAccessibleName(QStringLiteral("Patrocinadores"));
    // The label reaches into the logo's box; in front of it, its colon stays in view (the
    // logo keeps that strip white).
    label.ZOrder();
}

void createReturnButton(tk::Form &form, tk::CommandButton &cmdVolver, int left,
                        ReturnPicture picture)
{
    cmdVolver.create(form, QStringLiteral("cmdVolver"));
    cmdVolver.Move(left, 240, 975, 855);
    cmdVolver.setBackColor(kWhite);
    cmdVolver.setPicture(QString::fromUtf8(
        picture == ReturnPicture::ExitIcon ? art::kExitIcon : art::kReturnBitmap));
    // No tooltip, as designed; assistive tools still need a name.
    cmdVolver.widget()->setAccessibleName(
        picture == ReturnPicture::ExitIcon ? QStringLiteral("Salir") : QStringLiteral("Volver"));
}

void commonInitialize()
{
    tk::SetErrorMode(tk::SEM_NOGPFAULTERRORBOX);
    tk::InitCommonControls();
}

QString connectionString(const QString &sPathBD)
{
    // A folder name may hold ';' or quotes: quoted, it cannot end the value or add a setting.
    return QStringLiteral("Provider=Microsoft.Jet.OLEDB.4.0;Data Source=")
        + db::connectionStringValue(sPathBD)
        + QStringLiteral(";Persist Security Info=False;Jet OLEDB:Database Password = ");
}

void openCatalogue(std::unique_ptr<db::Connection> &conexion, QString &sPathBD)
{
    conexion = std::make_unique<db::Connection>();
    const tk::App::CatalogueFolder folder = tk::App::findCatalogue();
    sPathBD = folder.path + QStringLiteral("\\fichas.mdb");
    conexion->ConnectionString = connectionString(sPathBD);
    try {
        conexion->Open(QString(), QString(), db::adOptionUnspecified);
    } catch (const orlaneva::Error &e) {
        if (folder.found)
            throw;
        throw orlaneva::Error(e.number(), e.description() + tk::App::catalogueNotFoundNote(folder));
    }
}

} // namespace frame
