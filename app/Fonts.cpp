#include "Fonts.h"

#include <QFont>
#include <QStringList>

void UseLookAlikeFonts() {
  // Narrow sans-serif faces first; fontconfig's own choice for an unknown name is often wider.
  const QStringList narrowSans = {QStringLiteral("Liberation Sans"), QStringLiteral("Arimo"),
                                  QStringLiteral("DejaVu Sans Condensed"),
                                  QStringLiteral("DejaVu Sans")};
  for (const char* windowsFont : {"MS Sans Serif", "Tahoma", "Arial"})
    QFont::insertSubstitutions(QString::fromLatin1(windowsFont), narrowSans);
}
