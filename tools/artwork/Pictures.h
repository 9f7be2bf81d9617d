#pragma once

class QPainter;

// Pictures drawn at their own pixel size; each function fills the whole canvas it is given.
namespace pictures {

void returnArrow(QPainter &p); // 48x50
void exitDoor(QPainter &p); // 48x48, transparent
void sponsors(QPainter &p); // 202x68
void banner(QPainter &p); // 531x163
void cover(QPainter &p); // 578x388
void guideButton(QPainter &p); // 137x132
void searchButton(QPainter &p); // 145x147
void authorsButton(QPainter &p); // 166x141
void authors(QPainter &p); // 596x470
void cardDrawer(QPainter &p); // 161x163
void findIcon(QPainter &p); // 32x32, transparent
void freshPage(QPainter &p); // 44x44
void globeLink(QPainter &p); // 49x44
void downloadGuide(QPainter &p); // 45x43

} // namespace pictures
