#include "resources/chaines.h"

#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

namespace {
// The strings' translation context.
struct Contexte
{
    Q_DECLARE_TR_FUNCTIONS(Chaines)
};
} // namespace

namespace Chaines {

QString Version()
{
    return Contexte::tr("7.8");
}

QString NomType(QChar lettre)
{
    switch (lettre.unicode()) {
    case 'D':
        return Contexte::tr("Dictionnaire");
    case 'E':
        return Contexte::tr("Enumerations");
    case 'F':
        return Contexte::tr("Holdall");
    case 'L':
        return Contexte::tr("Lists");
    case 'M':
        return Contexte::tr("MCQ");
    case 'N':
        return Contexte::tr("Notebook");
    case 'Q':
        return Contexte::tr("Questionnaire");
    case 'R':
        return Contexte::tr("Directory");
    case 'V':
        return Contexte::tr("Visit cards");
    default:
        return QString();
    }
}

QString EtiquetteNom()
{
    return Contexte::tr("Name");
}
QString EtiquetteTitre()
{
    return Contexte::tr("Title");
}
QString EtiquetteNumero()
{
    return Contexte::tr("Number");
}
QString EtiquetteOnglet()
{
    return Contexte::tr("Tab");
}
QString EtiquetteCorps()
{
    return Contexte::tr("Body");
}
QString EtiquetteQuestion()
{
    return Contexte::tr("Question");
}
QString EtiquetteReponse()
{
    return Contexte::tr("Answer");
}

QString DefautOu()
{
    return Contexte::tr("or");
}
QString DefautPonctuation()
{
    return Contexte::tr("!\"',-.:;?");
}
QString DefautMotsIgnores()
{
    return Contexte::tr("a an the");
}
QString DefautPoliceChamps()
{
    return Contexte::tr("Lucida Sans Typewriter");
}
QString DefautPoliceListe()
{
    return Contexte::tr("MS Reference Sans Serif");
}
QString DefautSeparateurQcm()
{
    return Contexte::tr("===");
}
QString DefautTypesCsv()
{
    return Contexte::tr("L");
}

void InstallerTraductions(QCoreApplication &application)
{
    const QLocale locale;
    // Qt's catalogue names the standard buttons and dialogs (Yes, Cancel, file dialog).
    auto *qt = new QTranslator(&application);
    if (qt->load(locale, QStringLiteral("qtbase"), QStringLiteral("_"),
                 QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        QCoreApplication::installTranslator(qt);
    else
        delete qt;
    auto *programme = new QTranslator(&application);
    if (programme->load(locale, QStringLiteral("amblopad"), QStringLiteral("_"), QStringLiteral(":/i18n")))
        QCoreApplication::installTranslator(programme);
    else
        delete programme;
}

}
