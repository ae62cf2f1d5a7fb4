#pragma once

#include <QLocale>

// The program's texts in the user's language: its own translations and Qt's (file and colour
// dialogs, standard buttons). English, the texts as written, where none is installed.
namespace Translations {

// Installs the translators for `locale` in the running application; again with another locale,
// replaces them. Returns whether Pictavo's own texts are translated.
bool install(const QLocale& locale = QLocale());

} // namespace Translations
