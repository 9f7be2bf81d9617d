#pragma once

class QPainter;

// Icons drawn on a 16-unit grid with a 1-unit outline: crisp at 16, 32 and 48 pixels.
namespace icons {

void pairOfUsers(QPainter &p);
void discWithArrow(QPainter &p);
void drumWithArrow(QPainter &p);
void cardWithCheck(QPainter &p);
void book(QPainter &p);
void usersWithArrow(QPainter &p);

void descriptor(QPainter &p);
void level(QPainter &p);
void title(QPainter &p);

} // namespace icons
