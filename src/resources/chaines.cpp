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

// The type names as written in the sources, before translation.
static const char *NomTypeSource(QChar lettre)
{
    switch (lettre.unicode()) {
    case 'D':
        return QT_TRANSLATE_NOOP("Chaines", "Dictionnaire");
    case 'E':
        return QT_TRANSLATE_NOOP("Chaines", "Enumerations");
    case 'F':
        return QT_TRANSLATE_NOOP("Chaines", "Holdall");
    case 'L':
        return QT_TRANSLATE_NOOP("Chaines", "Lists");
    case 'M':
        return QT_TRANSLATE_NOOP("Chaines", "MCQ");
    case 'N':
        return QT_TRANSLATE_NOOP("Chaines", "Notebook");
    case 'Q':
        return QT_TRANSLATE_NOOP("Chaines", "Questionnaire");
    case 'R':
        return QT_TRANSLATE_NOOP("Chaines", "Directory");
    case 'V':
        return QT_TRANSLATE_NOOP("Chaines", "Visit cards");
    default:
        return nullptr;
    }
}

QString NomType(QChar lettre)
{
    const char *nom = NomTypeSource(lettre);
    return nom ? Contexte::tr(nom) : QString();
}

QString NomTypeAnglais(QChar lettre)
{
    return QString::fromLatin1(NomTypeSource(lettre));
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
