#include "app/Translations.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QTranslator>

#include <memory>

namespace Translations {

bool install(const QLocale& locale) {
    static QTranslator* ours = nullptr;
    static QTranslator* qt = nullptr;
    auto* app = QCoreApplication::instance();
    if (!app) return false;
    for (QTranslator** translator : {&ours, &qt}) {
        if (*translator) {
            QCoreApplication::removeTranslator(*translator);
            delete *translator;
            *translator = nullptr;
        }
    }
    // English is the texts as written: nothing to load (and no other language's file is taken
    // for it because it is listed first among the user's languages).
    if (locale.language() == QLocale::English || locale.language() == QLocale::C) return false;
    auto own = std::make_unique<QTranslator>(app);
    bool translated = false;
    if (own->load(locale, QStringLiteral("pictavo"), QStringLiteral("_"), QStringLiteral(":/i18n"))) {
        QCoreApplication::installTranslator(own.get());
        ours = own.release();
        translated = true;
    }
    auto base = std::make_unique<QTranslator>(app);
    if (base->load(locale, QStringLiteral("qtbase"), QStringLiteral("_"), QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
        QCoreApplication::installTranslator(base.get());
        qt = base.release();
    }
    return translated;
}

} // namespace Translations
