#pragma once
// Qt's own strings (message-box buttons, the file dialog) in the user's language.

#include <QLocale>

namespace dtchart {

// Installs Qt's translations for `locale` in the running application; false when Qt has none
// for that language (the strings then stay English).
bool InstallQtTranslations(const QLocale& locale);

}  // namespace dtchart
