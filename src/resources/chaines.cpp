#include "chaines.h"

namespace {
QString tr(const char *texte)
{
    return QCoreApplication::translate("Chaines", texte);
}
} // namespace

namespace Chaines {

QString Version() { return tr("7.8"); }

QString NomType(QChar lettre)
{
    switch (lettre.unicode()) {
    case 'D': return tr("Dictionnaire");
    case 'E': return tr("Enumerations");
    case 'F': return tr("Holdall");
    case 'L': return tr("Lists");
    case 'M': return tr("MCQ");
    case 'N': return tr("Notebook");
    case 'Q': return tr("Questionnaire");
    case 'R': return tr("Directory");
    case 'V': return tr("Visit cards");
    default: return QString();
    }
}

QString NomFormat(QChar lettre)
{
    switch (lettre.unicode()) {
    case 'n': return tr("Native");
    case 'x': return tr("XML");
    case 'c': return tr("Cardfile");
    case 's': return tr("CSV");
    case 'm': return tr("Moodle");
    case 't': return tr("Text");
    default: return QString();
    }
}

QString EtiquetteNom() { return tr("Name"); }
QString EtiquetteTitre() { return tr("Title"); }
QString EtiquetteNumero() { return tr("Number"); }
QString EtiquetteOnglet() { return tr("Tab"); }
QString EtiquetteCorps() { return tr("Body"); }
QString EtiquetteQuestion() { return tr("Question"); }
QString EtiquetteReponse() { return tr("Answer"); }

QString DefautOu() { return tr("or"); }
QString DefautPonctuation() { return tr("!\"',-.:;?"); }
QString DefautMotsIgnores() { return tr("a an the"); }
QString DefautPoliceChamps() { return tr("Lucida Sans Typewriter"); }
QString DefautPoliceListe() { return tr("MS Reference Sans Serif"); }
QString DefautSeparateurQcm() { return tr("==="); }
QString DefautTypesCsv() { return tr("L"); }

}
