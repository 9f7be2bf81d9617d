#pragma once

// Resource paths of the pictures compiled into orlaneva_resources (drawn by tools/artwork).
namespace art {

// Window icons: 16, 24, 32 and 48 px, each in 256 colours and in 32-bit colour with alpha.
inline constexpr char kIconSplash[] = ":/art/splash.ico"; // a pair of users
inline constexpr char kIconPrincipal[] = ":/art/principal.ico"; // a disc with an arrow
inline constexpr char kIconTarvelo[] = ":/art/tarvelo.ico"; // a database drum with an arrow
inline constexpr char kIconFicha[] = ":/art/ficha.ico"; // a card with a check mark
inline constexpr char kIconOrlaneva[] = ":/art/guia.ico"; // a book
inline constexpr char kIconAutores[] = ":/art/autores.ico"; // a pair of users with an arrow

// Common frame.
inline constexpr char kReturnBitmap[] = ":/art/volver.png"; // 48x50
inline constexpr char kExitIcon[] = ":/art/salir.ico"; // 48x48
inline constexpr char kSponsorLogo[] = ":/art/patrocinan.png"; // 202x68
inline constexpr char kBanner[] = ":/art/banner.png"; // 531x163, splash
inline constexpr char kCover[] = ":/art/portada.png"; // 578x388, splash

// Main and authors windows.
inline constexpr char kGuideButton[] = ":/art/boton_guia.png"; // 137x132
inline constexpr char kSearchButton[] = ":/art/boton_busqueda.png"; // 145x147
inline constexpr char kAuthorsButton[] = ":/art/boton_autores.png"; // 166x141
inline constexpr char kAuthorsPicture[] = ":/art/autores.png"; // 596x470

// Search window.
inline constexpr char kSearchDecoration[] = ":/art/fichero.png"; // 161x163
inline constexpr char kDescriptorIcon[] = ":/art/descriptores.ico"; // 16x16
inline constexpr char kLevelIcon[] = ":/art/nivel.ico"; // 16x16
inline constexpr char kTitleIcon[] = ":/art/titulo.ico"; // 16x16
inline constexpr char kFindIcon[] = ":/art/buscar.ico"; // 32x32, cmdBuscar
inline constexpr char kNewSearchBitmap[] = ":/art/nueva_busqueda.png"; // 44x44

// Card and guide windows.
inline constexpr char kLinkBitmap[] = ":/art/vinculo.png"; // 49x44, card cmdVinculo
inline constexpr char kDownloadBitmap[] = ":/art/descargar.png"; // 45x43, guide cmdVinculo

} // namespace art
