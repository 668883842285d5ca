#include "HelpText.h"

// The leading blanks and the double blanks are part of the text.
QStringList HelpTextLines() {
  return {
      QString(),
      QStringLiteral(" Şu an fonda  kameradan gelen "),
      QStringLiteral(" canlı yayını görüyorsunuz."),
      QString(),
      QStringLiteral(" O ekrana geçmek için üzerine "),
      QStringLiteral(" tıklamanız yeterlidir."),
      QString(),
      QStringLiteral(" Aşağıdaki kontrolleri kullanarak  "),
      QStringLiteral(" aygıtınızı seçiniz. Ayarlarını "),
      QStringLiteral(" yapınız."),
      QString(),
      QStringLiteral(" Canlı yayın sırasında farenin SOL "),
      QStringLiteral(" tuşu o anki görüntüyü saklar. "),
      QString(),
      QStringLiteral(" SAĞ tuşu programdan çıkmanızı "),
      QStringLiteral(" sağlar."),
      QString(),
      QStringLiteral(" Herhangi bir sorunuz olursa;"),
      QString(),
      // The contact block.
      QStringLiteral(" OrvelCam destek ekibi"),
      QStringLiteral(" destek@orvelcam.example"),
      QStringLiteral(" www.orvelcam.example"),
  };
}
