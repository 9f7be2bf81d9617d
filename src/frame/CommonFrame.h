#pragma once

#include "toolkit/Controls.h"
#include "toolkit/Form.h"

#include <QColor>
#include <QFont>
#include <QString>

#include <memory>

namespace db {
class Connection;
}

// What every window of the program shares: client size, label style, sponsor strip,
// return button, creation step and the way a window opens its own catalogue connection.
namespace frame {

inline constexpr int kClientWidth = 15180;
inline constexpr int kClientHeight = 10455;
inline constexpr int kSearchClientHeight = 10395;

inline const QColor kNavy{0x00, 0x00, 0x80};
inline const QColor kWhite{0xFF, 0xFF, 0xFF};

QFont labelFont();

// Verdana 9.75 pt bold, navy on white.
void styleLabel(tk::Label &label);

struct Place
{
    int left, top, width, height;
};

// A caption in the frame's label style.
void createCaptionLabel(tk::Form &form, tk::Label &label, const QString &name, Place place,
                        const QString &caption, int tabIndex);

// "Patrocinan:" and, to its right, the sponsor logo in Picture(3), clipped by its box.
void createSponsorStrip(tk::Form &form, tk::Label &label, const QString &labelName,
                        Place labelPlace, tk::ControlArray<tk::PictureBox> &picture,
                        Place picturePlace);

enum class ReturnPicture { ReturnBitmap, ExitIcon };
void createReturnButton(tk::Form &form, tk::CommandButton &cmdVolver, int left,
                        ReturnPicture picture);

// The creation step of the main, card and guide windows.
void commonInitialize();

// The connection string every window builds for its catalogue path.
QString connectionString(const QString &sPathBD);

// Replaces the window's connection by a fresh one opened on the catalogue beside the
// program; sets sPathBD as it goes.
void openCatalogue(std::unique_ptr<db::Connection> &conexion, QString &sPathBD);

} // namespace frame
