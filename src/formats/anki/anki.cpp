#include "formats/anki/anki.h"

#include "formats/anki/ankilecture.h"

#include "formats/pertes.h"
#include "formats/table.h"
#include "model/budget.h"
#include "model/erreurs.h"
#include "model/fichierx.h"
#include "model/flux.h"
#include "model/outils.h"
#include "resources/chaines.h"

#include <QCoreApplication>
#include <QRegularExpression>

// Anki decks: the notes to cards, the entry points and the format. The
// package container, the collection database and Anki text have files of
// their own (ankilecture.h).

namespace AnkiLecture {

[[noreturn]] void Refuser(const QString &message)
{
    throw ErreurIdInvalide(message);
}

[[noreturn]] void Endommage()
{
    Refuser(Anki::tr("This Anki package is damaged or holds no Anki collection."));
}

[[noreturn]] void RefuserTropRecent()
{
    Refuser(Anki::tr("This Anki package was made by an Anki newer than this program knows. Export the deck again "
                     "from Anki with \"Support older Anki versions\" checked."));
}

// The file type a note type this program wrote is named after, in the
// language of the program that wrote it or in English; null for others.
QChar LettreType(const QString &nomType)
{
    if (!nomType.startsWith(PrefixeType))
        return QChar();
    const QString nom = nomType.mid(PrefixeType.size());
    for (const QChar lettre : QStringLiteral("DEFLMNQRV")) {
        if (nom == Chaines::NomType(lettre) || nom == Chaines::NomTypeAnglais(lettre))
            return lettre;
    }
    return QChar();
}

// The question, the body, the title when the count of fields leaves room for
// one, then the three MCQ fields made for studying.
Disposition DispositionType(QChar lettre, int nombreChamps)
{
    if (lettre.isNull())
        return {};
    const TFichierX modele(lettre, u'x');
    Disposition d;
    if (!modele.Numerote)
        d << 1;
    d << 2;
    const int etude = lettre == u'M' ? 3 : 0;
    const int titre = nombreChamps - int(d.size()) - etude;
    if (titre == 1)
        d << 0;
    else if (titre != 0)
        return {};
    for (int i = 0; i < etude; ++i)
        d << -1;
    return d;
}

// Cards from notes: field 1 the first field, field 2 the others, one a line
// (a file without field 1 keeps all of them in field 2). A note of a type
// this program wrote gives back each field to its place; what the file has
// no place for goes to the body. titreDevant: a note type of older exports,
// whose first field is the title.
void AjouterNote(TFichierX &fichier, QStringList champs, const Disposition &disposition, bool titreDevant)
{
    QString titre;
    if (!disposition.isEmpty() && disposition.size() == champs.size()) {
        QString question;
        QString corps;
        for (int i = 0; i < champs.size(); ++i) {
            const int c = disposition.at(i);
            if (c == 0)
                titre = champs.at(i);
            else if (c == 1)
                question = champs.at(i);
            else if (c == 2)
                corps = champs.at(i);
        }
        QStringList morceaux;
        if (fichier.Numerote && disposition.contains(1))
            morceaux << question;
        morceaux << corps;
        if (!fichier.AvecTitre) {
            if (!titre.isEmpty())
                morceaux << titre;
            titre.clear();
        }
        fichier.AjouterFiche(titre, fichier.Numerote ? QString() : question, morceaux.join(CRLF));
        return;
    }
    if (fichier.AvecTitre && champs.size() >= 3 && titreDevant)
        titre = champs.takeFirst();
    const QString premier = champs.isEmpty() ? QString() : champs.first();
    if (fichier.Numerote)
        fichier.AjouterFiche(titre, QString(), champs.join(CRLF));
    else
        fichier.AjouterFiche(titre, premier, champs.mid(1).join(CRLF));
}

std::unique_ptr<TFichierX> NouveauFichier(QChar type, const QString &titre, const TOptions &options)
{
    // The format it will be saved in is the editor's choice; XML holds every type.
    auto fichier = std::make_unique<TFichierX>(type, u'x', options);
    fichier->SetTitre(titre);
    return fichier;
}

void Terminer(TFichierX &fichier)
{
    fichier.NomFichier.clear();
    fichier.Modifiable = true;
    fichier.Modifie = true; // cards nowhere on disk yet
}

// What a field held in a note's list costs.
qint64 CoutChamp(const QString &champ)
{
    return qint64(sizeof(QString)) + TBudgetMemoire::CoutTexte(champ);
}

// A field more for a note: each is a text of the card, or a line of its
// body, and the card's bounds are checked as the note grows.
void AjouterChamp(QStringList &champs, const QString &champ)
{
    TBudgetMemoire::VerifierTexte(champ);
    // Besides the title and the first field, each field is a line of the body.
    TBudgetMemoire::VerifierLignes(champs.size() - 1);
    if (TBudgetMemoire *budget = TBudgetMemoire::Courant())
        budget->Prendre(CoutChamp(champ));
    champs << champ;
}

// The fields of a note whose card is made are let go.
void OublierChamps(QStringList &champs)
{
    if (TBudgetMemoire *budget = TBudgetMemoire::Courant()) {
        for (const QString &champ : std::as_const(champs))
            budget->Rendre(CoutChamp(champ));
    }
    champs.clear();
}

bool Omissions::Trou(QStringView champs)
{
    static const QRegularExpression trou(QStringLiteral("\\{\\{c\\d+::"));
    return champs.contains(u"{{c") && trou.match(champs).hasMatch();
}

void Omissions::Rapporter(Formats::Rapport *rapport) const
{
    if (!rapport)
        return;
    using Formats::Perte;
    if (!journal.isEmpty())
        rapport->Ajouter({Perte::Journal, 1, -1, 0,
                          Anki::tr("This Anki package holds a write-ahead log (%1): the notes added or changed "
                                   "since its collection was last saved are left out.")
                              .arg(journal)});
    rapport->Ajouter(
        {Perte::Etiquettes, etiquettes, -1, 0,
         Anki::tr("%n note(s) carry tags, which cards have no place for: the tags were left out.", "", etiquettes)});
    rapport->Ajouter({Perte::Trous, trous, -1, 0,
                      Anki::tr("%n note(s) hold cloze deletions ({{c1::...}}): their text is kept as it stands, "
                               "without the gaps.",
                               "", trous)});
    rapport->Ajouter({Perte::Medias, medias, -1, 0,
                      Anki::tr("This Anki package holds %n sound or picture file(s), which cards cannot show: "
                               "they were left out.",
                               "", medias)});
    if (paquets > 1)
        rapport->Ajouter({Perte::Paquets, paquets, -1, 0,
                          Anki::tr("The notes come from several decks; the card file keeps no deck.")});
}

} // namespace AnkiLecture

using namespace AnkiLecture;

// ================================================================ public

std::unique_ptr<TFichierX> TFichierAnki::Importer(const QString &nom, QChar type, bool texte, Formats::Rapport *rapport,
                                                  const TOptions &options, const ChoixType &choisir)
{
    QByteArray octets;
    {
        auto flux = TFlux::Ouvrir(nom, false);
        octets = flux->LireTout();
    } // the package is not held: the document is a new one
    const QString secours = NomSansExtension(nom);
    return texte ? LireTexte(octets, type, secours, rapport, options, choisir)
                 : LirePaquet(octets, type, secours, rapport, options, choisir);
}

bool TFichierAnki::EstPaquet(const QByteArray &tete, const QString &nom)
{
    return tete.startsWith("PK\x03\x04") && nom.endsWith(QLatin1String(".apkg"), Qt::CaseInsensitive);
}

bool TFichierAnki::EstTexte(const QByteArray &tete, const QString &)
{
    QByteArray debut = tete.left(256);
    if (debut.startsWith("\xEF\xBB\xBF"))
        debut.remove(0, 3);
    qsizetype fin = debut.indexOf('\n');
    if (fin < 0)
        fin = debut.size();
    QString cle, valeur;
    QString ligne = QString::fromUtf8(debut.left(fin));
    if (ligne.endsWith(u'\r'))
        ligne.chop(1);
    // Anki takes a first line "tags:" as the tags of every note.
    return ligne.startsWith(QLatin1String("tags:")) || EstLigneEnTete(ligne, cle, valeur);
}

namespace {

// Anki packages and Anki text: exports, and imports that make a new,
// untitled card file of the type the user picks (Lecture::typeCsv).
class FormatAnki : public Formats::TFormat
{
public:
    explicit FormatAnki(bool texte) : m_texte(texte) { }
    QChar Lettre() const override { return m_texte ? u'K' : u'k'; }
    const char *Nom() const override
    {
        return m_texte ? QT_TRANSLATE_NOOP("Chaines", "Anki text") : QT_TRANSLATE_NOOP("Chaines", "Anki");
    }
    const char *Motif() const override { return m_texte ? "txt" : "apkg"; }
    unsigned Capacites() const override { return Formats::Importation | Formats::ToujoursPropose; }
    const char *EntreeOuverture() const override { return m_texte ? nullptr : "*.apkg;*.txt"; }
    QChar TypeEntreeOuverture() const override { return m_texte ? QChar() : QChar(u'D'); }
    int RangReconnaissance() const override { return Formats::RangReglesGenerales + (m_texte ? 3 : 2); }
    bool Reconnaitre(const Formats::Tete &tete) const override
    {
        return m_texte ? TFichierAnki::EstTexte(tete.octets, tete.nom) : TFichierAnki::EstPaquet(tete.octets, tete.nom);
    }
    bool Lisible() const override { return true; }
    bool Ecrivable() const override { return true; }
    std::unique_ptr<TFichierX> Lire(const QString &nom, const Formats::Lecture &l) const override
    {
        return TFichierAnki::Importer(nom, l.typeCsv, m_texte, l.rapport, l.options, l.choisirType);
    }
    void Ecrire(TFichierX &f, const QString &nom, const Formats::Ecriture &e) const override
    {
        TFichierAnki::Exporter(f, nom, m_texte, e.options);
    }
    bool OffertEnExport(const TFichierX &) const override { return true; }
    bool Exporte(const TFichierX &) const override { return true; }
    // The package's plain-text sibling, for the command-line tool.
    const char *OptionCli() const override { return m_texte ? "anki-text" : nullptr; }
    QChar VarianteDe() const override { return m_texte ? QChar(u'k') : QChar(); }

private:
    bool m_texte;
};

} // namespace

const Formats::TFormat &Formats::FormatAnki()
{
    static const ::FormatAnki format(false);
    return format;
}

const Formats::TFormat &Formats::FormatAnkiTexte()
{
    static const ::FormatAnki format(true);
    return format;
}
