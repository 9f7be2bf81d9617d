#pragma once

#include <QString>

// A large catalogue for benchmarks, the same every time for a given count. Its mix is chosen
// so that searches of every kind find a few hundred cards or all of them:
//   descriptor "Revisión investigaciones" ~0.4 %, "Medidas acogida inmigrantes" ~1.2 %;
//   level "Formación profesorado." ~0.3 %, "Infantil" ~1/3;
//   title words "astronomía" ~0.4 %, "huerto" ~1.5 %, "cuento" ~3 %;
//   every title holds " de ", every level and descriptor an "i".
void writeSynthetic(const QString &path, int count);
