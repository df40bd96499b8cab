#include "formats/anki/anki.h"

#include "formats/anki/ankilecture.h"

#include "formats/html.h"
#include "formats/pertes.h"
#include "model/budget.h"
#include "model/erreurs.h"
#include "model/fichierx.h"

#include <QCoreApplication>
#include <QHash>
#include <QStringDecoder>

// Anki's "notes in plain text" export.

namespace AnkiLecture {

bool EstLigneEnTete(const QString &ligne, QString &cle, QString &valeur)
{
    if (!ligne.startsWith(u'#'))
        return false;
    const qsizetype deuxPoints = ligne.indexOf(u':');
    if (deuxPoints < 0)
        return false;
    cle = ligne.mid(1, deuxPoints - 1).trimmed().toLower();
    valeur = ligne.mid(deuxPoints + 1);
    static const QStringList cles = {QStringLiteral("separator"),   QStringLiteral("html"),
                                     QStringLiteral("tags"),        QStringLiteral("columns"),
                                     QStringLiteral("notetype"),    QStringLiteral("deck"),
                                     QStringLiteral("guid column"), QStringLiteral("notetype column"),
                                     QStringLiteral("deck column"), QStringLiteral("tags column"),
                                     QStringLiteral("if matches"),  CleDisposition};
    return cles.contains(cle);
}

QChar Separateur(const QString &valeur)
{
    const QString v = valeur.trimmed().toLower();
    static const QHash<QString, QChar> noms = {{QStringLiteral("tab"), u'\t'},      {QStringLiteral("comma"), u','},
                                               {QStringLiteral("semicolon"), u';'}, {QStringLiteral("space"), u' '},
                                               {QStringLiteral("pipe"), u'|'},      {QStringLiteral("colon"), u':'}};
    if (noms.contains(v))
        return noms.value(v);
    if (valeur.size() == 1)
        return valeur.at(0);
    Refuser(Anki::tr("This Anki text file names a separator this program does not know: \"%1\".").arg(valeur.left(40)));
}

// Splits the notes: fields between separators, a field in double quotes may
// hold separators, line ends and doubled quotes; lines starting with # are
// comments, as Anki reads them. Each field goes to champRecu with its column
// as soon as it is read, and noteFinie follows the last field of a note: a
// list of every note, or of a note's fields, would cost many times the file.
template <typename Champ, typename Fin>
void Notes(const QString &texte, qsizetype debut, QChar separateur, qsizetype maxChamp, Champ champRecu, Fin noteFinie)
{
    const qsizetype n = texte.size();
    const QStringView vue(texte);
    qsizetype i = debut;
    while (i < n) {
        // Start of a line.
        if (texte.at(i) == u'\r' || texte.at(i) == u'\n') {
            ++i;
            continue;
        }
        if (texte.at(i) == u'#') {
            while (i < n && texte.at(i) != u'\n')
                ++i;
            continue;
        }
        int colonne = 0;
        QString champ;
        // A field longer than any card text is refused before it is copied.
        const auto ajouter = [&](qsizetype de, qsizetype a) {
            if (champ.size() + (a - de) > maxChamp)
                TBudgetMemoire::VerifierCaracteres(champ.size() + (a - de));
            champ.append(vue.mid(de, a - de));
        };
        bool finLigne = false;
        while (!finLigne) {
            if (i < n && texte.at(i) == u'"') {
                ++i;
                qsizetype morceau = i;
                while (i < n) {
                    if (texte.at(i) == u'"') {
                        ajouter(morceau, i);
                        if (i + 1 < n && texte.at(i + 1) == u'"') {
                            champ += u'"';
                            i += 2;
                            morceau = i;
                            continue;
                        }
                        ++i;
                        morceau = -1;
                        break;
                    }
                    ++i;
                }
                if (morceau >= 0)
                    ajouter(morceau, i);
            }
            const qsizetype morceau = i;
            while (i < n && texte.at(i) != separateur && texte.at(i) != u'\r' && texte.at(i) != u'\n')
                ++i;
            ajouter(morceau, i);
            champRecu(colonne++, champ);
            champ.clear();
            if (i < n && texte.at(i) == separateur) {
                ++i;
            } else {
                finLigne = true;
                if (i < n && texte.at(i) == u'\r')
                    ++i;
                if (i < n && texte.at(i) == u'\n')
                    ++i;
            }
        }
        noteFinie();
    }
}

// The line this program writes after Anki's: "Q 120".
void LireDisposition(const QString &valeur, EnTeteTexte &entete)
{
    const QStringList mots = valeur.split(u' ', Qt::SkipEmptyParts);
    if (mots.size() != 2 || mots.at(0).size() != 1 || mots.at(1).size() > 3)
        return;
    Disposition d;
    for (const QChar c : mots.at(1)) {
        if (c < u'0' || c > u'2' || d.contains(c.unicode() - u'0'))
            return;
        d << c.unicode() - u'0';
    }
    entete.lettre = mots.at(0).at(0);
    entete.disposition = d;
}

// Reads the header lines as Anki does: "tags:" on the first line, then lines
// starting with #. Returns where the notes start.
qsizetype LireEnTete(const QString &texte, EnTeteTexte &entete)
{
    qsizetype i = 0;
    bool vuEnTete = false;
    const auto finLigne = [&texte](qsizetype debut) {
        const qsizetype fin = texte.indexOf(u'\n', debut);
        return fin < 0 ? texte.size() : fin;
    };
    if (texte.startsWith(QLatin1String("tags:"))) {
        vuEnTete = true;
        i = finLigne(0) + 1;
        entete.etiquettesCommunes = !QStringView(texte).mid(5, i - 6).trimmed().isEmpty();
    }
    while (i < texte.size() && texte.at(i) == u'#') {
        const qsizetype fin = finLigne(i);
        QString ligne = texte.mid(i, fin - i);
        if (ligne.endsWith(u'\r'))
            ligne.chop(1);
        QString cle, valeur;
        if (EstLigneEnTete(ligne, cle, valeur)) {
            vuEnTete = true;
            if (cle == QLatin1String("separator"))
                entete.separateur = Separateur(valeur);
            else if (cle == QLatin1String("html"))
                entete.html = valeur.trimmed().compare(QLatin1String("true"), Qt::CaseInsensitive) == 0;
            else if (cle == QLatin1String("deck"))
                entete.paquet = valeur.trimmed();
            else if (cle == QLatin1String("notetype"))
                entete.type = valeur.trimmed();
            else if (cle == CleDisposition)
                LireDisposition(valeur, entete);
            else if (cle.endsWith(QLatin1String(" column"))) {
                bool ok = false;
                const int colonne = valeur.trimmed().toInt(&ok);
                if (ok && colonne >= 1) {
                    entete.colonnesSpeciales.insert(colonne - 1);
                    if (cle == QLatin1String("tags column"))
                        entete.colonneEtiquettes = colonne - 1;
                    else if (cle == QLatin1String("deck column"))
                        entete.colonnePaquet = colonne - 1;
                }
            }
        }
        i = fin + 1;
    }
    if (!vuEnTete)
        Refuser(Anki::tr("This file is no Anki text export: its first lines are not Anki's headers."));
    return qMin(i, texte.size());
}

// Every line end (CR LF, CR or LF) made CR LF, in one pass.
QString TexteBrut(QStringView champ)
{
    const qsizetype n = champ.size();
    QString t;
    t.reserve(n + champ.count(u'\r') + champ.count(u'\n'));
    qsizetype debut = 0;
    for (qsizetype i = 0; i < n; ++i) {
        const QChar c = champ.at(i);
        if (c != u'\r' && c != u'\n')
            continue;
        t.append(champ.mid(debut, i - debut));
        t += CRLF;
        if (c == u'\r' && i + 1 < n && champ.at(i + 1) == u'\n')
            ++i;
        debut = i + 1;
    }
    t.append(champ.mid(debut));
    return t;
}

} // namespace AnkiLecture

using namespace AnkiLecture;

std::unique_ptr<TFichierX> TFichierAnki::LireTexte(const QByteArray &octets, QChar type, const QString &nomSecours,
                                                   Formats::Rapport *rapport, const TOptions &options,
                                                   const ChoixType &choisir)
{
    TBudgetMemoire budget(octets.size());
    budget.Prendre(2 * octets.size()); // the text as UTF-16
    QStringDecoder decodeur(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString texte = decodeur(octets);
    if (decodeur.hasError())
        Refuser(Anki::tr("This Anki text file is not valid UTF-8."));
    if (texte.startsWith(QChar(0xFEFF)))
        texte.remove(0, 1);
    EnTeteTexte entete;
    const qsizetype i = LireEnTete(texte, entete);
    if (choisir) {
        type = choisir(entete.lettre.isNull() ? LettreType(entete.type) : entete.lettre);
        if (type.isNull())
            return nullptr;
    }
    auto fichier = NouveauFichier(type, entete.paquet.isEmpty() ? nomSecours : entete.paquet, options);
    int numero = 0;
    QStringList champs;
    // This program's columns follow Front, Back and the tags.
    const Disposition &d = entete.disposition;
    QStringList disposes;
    int colonnes = 0;
    // HTML may take more characters than the text it gives.
    const qsizetype maxChamp = (entete.html ? 4 : 1) * TBudgetMemoire::MaxCaracteresTexte;
    Omissions omissions;
    bool etiquettes = entete.etiquettesCommunes;
    bool trou = false;
    QSet<QString> paquets;
    Notes(
        texte, i, entete.separateur, maxChamp,
        [&](int colonne, const QString &brut) {
            colonnes = colonne + 1;
            if (colonne == entete.colonneEtiquettes)
                etiquettes = etiquettes || !brut.trimmed().isEmpty();
            else if (colonne == entete.colonnePaquet && paquets.size() < 2)
                paquets.insert(brut.trimmed());
            else
                trou = trou || Omissions::Trou(brut);
            const bool dispose = colonne >= 3 && colonne < 3 + d.size();
            const bool garde = !entete.colonnesSpeciales.contains(colonne);
            if (!dispose && !garde)
                return;
            const QString champ = entete.html ? Html::VersTexte(brut) : TexteBrut(brut);
            if (dispose)
                disposes << champ;
            if (garde)
                AjouterChamp(champs, champ);
        },
        [&] {
            ++numero;
            if (!d.isEmpty() && colonnes >= 3 + d.size()) {
                AjouterNote(*fichier, disposes, d, false);
            } else {
                if (champs.isEmpty())
                    Refuser(Anki::tr("Note %1 of this Anki text file has no first field.").arg(numero));
                AjouterNote(*fichier, champs, Disposition(), entete.type.startsWith(PrefixeType));
            }
            OublierChamps(champs);
            disposes.clear();
            omissions.etiquettes += etiquettes ? 1 : 0;
            omissions.trous += trou ? 1 : 0;
            etiquettes = entete.etiquettesCommunes;
            trou = false;
        });
    omissions.paquets = int(paquets.size());
    omissions.Rapporter(rapport);
    Terminer(*fichier);
    return fichier;
}
