#include "Translations.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

// Resources of a static library are registered by hand, from outside any namespace.
static void registerTranslationResources()
{
    Q_INIT_RESOURCE(translations);
}

namespace Translations {

void install(QCoreApplication &application)
{
    registerTranslationResources();
    const QLocale locale;
    // Both live as long as the application: translators are looked up for every text.
    auto *own = new QTranslator(&application);
    if (own->load(locale, QStringLiteral("quorvane"), QStringLiteral("_"), QStringLiteral(":/translations")))
        QCoreApplication::installTranslator(own);
    else
        delete own;
    auto *qt = new QTranslator(&application);
    if (qt->load(
            locale, QStringLiteral("qtbase"), QStringLiteral("_"), QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        QCoreApplication::installTranslator(qt);
    else
        delete qt;
}

} // namespace Translations
