#include "formats/table.h"

#include "formats/anki.h"
#include "formats/crd.h"
#include "formats/csv.h"
#include "formats/gift.h"
#include "formats/moodle.h"
#include "formats/natif.h"
#include "formats/xml.h"
#include "model/fichierx.h"
#include "resources/chaines.h"
#include "settings/init.h"

#include <QCoreApplication>

namespace Formats {

namespace {

bool Toujours(const TFichierX &)
{
    return true;
}
bool Jamais(const TFichierX &)
{
    return false;
}
bool TypeQcm(const TFichierX &f)
{
    return f.TypeFichier == u'M';
}
bool TypeQuestionnaire(const TFichierX &f)
{
    return f.TypeFichier == u'Q';
}
bool Alphabetique(const TFichierX &f)
{
    return f.TypeAlphabetique();
}
bool TypeCsv(const TFichierX &f)
{
    return Parametres.csvtyp.contains(f.TypeFichier);
}
// Plain text holds one piece per line: only files whose pieces are lines.
bool PiecesEnLignes(const TFichierX &f)
{
    return f.Fragmenteur.isEmpty() || f.Fragmenteur == QLatin1String("\r\n");
}

bool QuizMoodle(const TFichierX &f)
{
    return TypeQcm(f) || TypeQuestionnaire(f);
}

bool NomEnTxt(const QString &nom)
{
    return nom.endsWith(QLatin1String(".txt"), Qt::CaseInsensitive);
}
bool ReconnaitreGift(const QByteArray &tete, const QString &nom)
{
    if (nom.endsWith(QLatin1String(".gift"), Qt::CaseInsensitive))
        return true;
    // A text file of the Aiken shape is Aiken even when it also looks like GIFT.
    return NomEnTxt(nom) && !TFichierAiken::ResembleAiken(tete) && TFichierGift::ResembleGift(tete);
}
bool ReconnaitreAiken(const QByteArray &tete, const QString &nom)
{
    return NomEnTxt(nom) && TFichierAiken::ResembleAiken(tete);
}

bool TousTypes(QChar)
{
    return true;
}
bool AucunType(QChar)
{
    return false;
}
bool TypesMoodle(QChar t)
{
    return t == u'M' || t == u'N' || t == u'R';
}
bool TypeRepertoire(QChar t)
{
    return t == u'R';
}
bool TypeCsvOuverture(QChar t)
{
    return Parametres.csvtyp.contains(t);
}

const std::vector<Format> &Lignes()
{
    // Order: the open dialog's patterns of a type, then recognition.
    static const std::vector<Format> table = {
        {'x', QT_TRANSLATE_NOOP("Chaines", "XML"), "xaq*", nullptr, 0, false,
         [](const QString &nom, const Lecture &l) {
             return TFichierXML::ChargerXml(nom, l.modifiable, l.commeDocument);
         },
         [](TFichierX &f, const QString &nom, QChar, const Ecriture &e) {
             TFichierXML::EnregistrerXml(f, nom, e.nouveau);
         },
         nullptr, true, TousTypes, Toujours, Jamais, Jamais, nullptr},
        {'n', QT_TRANSLATE_NOOP("Chaines", "Native"), "aq*", nullptr, 0, false,
         [](const QString &nom, const Lecture &l) {
             return TFichierNatif::ChargerNatif(nom, l.modifiable, l.commeDocument);
         },
         [](TFichierX &f, const QString &nom, QChar, const Ecriture &e) {
             TFichierNatif::EnregistrerNatif(f, nom, e.nouveau);
         },
         nullptr, true, TousTypes, Toujours, Jamais, Jamais, nullptr},
        {'m', QT_TRANSLATE_NOOP("Chaines", "Moodle"), "xml", nullptr, 0, false,
         [](const QString &nom, const Lecture &l) { return TFichierMoodle::ChargerMoodle(nom, l.modifiable); },
         [](TFichierX &f, const QString &nom, QChar, const Ecriture &e) {
             TFichierMoodle::EnregistrerMoodle(f, nom, e.nouveau, e.exporter);
         },
         QuizMoodle, false, TypesMoodle, TypeQcm, QuizMoodle, TypeQuestionnaire, nullptr},
        {'c', QT_TRANSLATE_NOOP("Chaines", "Cardfile"), "crd", nullptr, 0, false,
         [](const QString &nom, const Lecture &l) { return TFichierCrd::ChargerCardfile(nom, l.modifiable); },
         [](TFichierX &f, const QString &nom, QChar, const Ecriture &e) {
             TFichierCrd::EnregistrerCardfile(f, nom, e.nouveau);
         },
         nullptr, false, TypeRepertoire, Alphabetique, Jamais, Jamais, nullptr},
        {'s', QT_TRANSLATE_NOOP("Chaines", "CSV"), "csv", nullptr, 0, false,
         [](const QString &nom, const Lecture &l) { return TFichierCSV::ChargerCSV(nom, l.typeCsv, l.modifiable); },
         [](TFichierX &f, const QString &nom, QChar format, const Ecriture &e) {
             TFichierCSV::EnregistrerCSV(f, nom, format, e.nouveau);
         },
         nullptr, false, TypeCsvOuverture, TypeCsv, Jamais, Jamais, nullptr},
        {'t', QT_TRANSLATE_NOOP("Chaines", "Text"), "txt", nullptr, 0, false, nullptr,
         [](TFichierX &f, const QString &nom, QChar format, const Ecriture &e) {
             TFichierCSV::EnregistrerCSV(f, nom, format, e.nouveau);
         },
         nullptr, false, AucunType, Jamais, PiecesEnLignes, Toujours, nullptr},
        {'g', QT_TRANSLATE_NOOP("Chaines", "GIFT"), "gift", "*.gift;*.txt", 'M', true,
         [](const QString &nom, const Lecture &l) { return TFichierGift::ChargerGift(nom, l.modifiable); },
         [](TFichierX &f, const QString &nom, QChar, const Ecriture &e) {
             TFichierGift::EnregistrerGift(f, nom, e.nouveau, e.exporter);
         },
         QuizMoodle, false, AucunType, TypeQcm, QuizMoodle, TypeQuestionnaire, ReconnaitreGift},
        {'a', QT_TRANSLATE_NOOP("Chaines", "Aiken"), "txt", "*.txt", 'M', true,
         [](const QString &nom, const Lecture &) { return TFichierAiken::ChargerAiken(nom); },
         [](TFichierX &f, const QString &nom, QChar, const Ecriture &) { TFichierAiken::ExporterAiken(f, nom); },
         QuizMoodle, false, AucunType, Jamais, QuizMoodle, Toujours, ReconnaitreAiken},
        // Anki packages and Anki text: exports, and imports that make a new,
        // untitled card file of the type the user picks (typeCsv).
        {'k', QT_TRANSLATE_NOOP("Chaines", "Anki"), "apkg", "*.apkg;*.txt", 'D', true,
         [](const QString &nom, const Lecture &l) { return TFichierAnki::Importer(nom, l.typeCsv, false); },
         [](TFichierX &f, const QString &nom, QChar, const Ecriture &) { TFichierAnki::Exporter(f, nom, false); },
         nullptr, false, AucunType, Jamais, Toujours, Toujours, TFichierAnki::EstPaquet},
        {'K', QT_TRANSLATE_NOOP("Chaines", "Anki text"), "txt", nullptr, 0, true,
         [](const QString &nom, const Lecture &l) { return TFichierAnki::Importer(nom, l.typeCsv, true); },
         [](TFichierX &f, const QString &nom, QChar, const Ecriture &) { TFichierAnki::Exporter(f, nom, true); },
         nullptr, false, AucunType, Jamais, Toujours, Toujours, TFichierAnki::EstTexte},
    };
    return table;
}

} // namespace

const std::vector<Format> &Table()
{
    return Lignes();
}

const Format *Trouver(QChar lettre)
{
    for (const Format &f : Lignes()) {
        if (QChar(QLatin1Char(f.lettre)) == lettre)
            return &f;
    }
    return nullptr;
}

QString Nom(QChar lettre)
{
    const Format *f = Trouver(lettre);
    return f ? QCoreApplication::translate("Chaines", f->nom) : QString();
}

namespace {
QStringList g_avertissements;
}

void Avertir(const QString &message)
{
    g_avertissements << message;
}

QStringList PrendreAvertissements()
{
    QStringList messages;
    messages.swap(g_avertissements);
    return messages;
}

bool Importe(QChar lettre)
{
    return lettre == u'k' || lettre == u'K';
}

QString Lettres()
{
    QString lettres;
    for (const Format &f : Lignes())
        lettres += QLatin1Char(f.lettre);
    return lettres;
}

}

QString Chaines::NomFormat(QChar lettre)
{
    return Formats::Nom(lettre);
}
