#include "formats/questions.h"

#include <iterator>

#include "model/budget.h"
#include "model/erreurs.h"
#include "model/fichierx.h"
#include "model/options.h"
#include "model/outils.h"

#include <QStringDecoder>

namespace Questions {

namespace {

// A string's own block, unless it shares one (the grades "0" and "100"
// are shared by every answer).
qint64 CoutPropre(const QString &texte)
{
    return texte.isEmpty() || !texte.isDetached() ? 0 : 32 + 2 * (texte.capacity() + 1);
}

} // namespace

Balises::Balises(const TFichierX &f, const TOptions &options)
{
    SeparateurReponses = f.Fragmenteur.isEmpty() ? options.separateurQcm : f.Fragmenteur;
    QChar ouverture;
    QChar fermeture;
    f.DelimiteursCommentaire(ouverture, fermeture);
    Actives = !ouverture.isNull() && !fermeture.isNull();
    if (!Actives)
        return;
    DebutNote = QString(ouverture) + f.Troncature;
    FinNote = QString(f.Troncature) + fermeture;
    NoteComplete = DebutNote + fermeture;
    DebutFeedback = QString(ouverture) + f.Alternateur;
    FinFeedback = QString(f.Alternateur) + fermeture;
    DebutTrou = QString(ouverture) + f.CarDeuxPoints;
    FinTrou = QString(f.CarDeuxPoints) + fermeture;
    SeparateurPaire = QString(2, f.CarDeuxPoints);
}

namespace {

// Moodle's names of the kinds, in the order of Genre from ChoixMultiple.
const char *const NomsGenres[] = {"multichoice", "truefalse", "shortanswer", "matching",   "numerical",
                                  "essay",       "cloze",     "category",    "description"};

// The card markup's own name of a single-answer multiple choice.
const char *const ChoixUnique = "singlechoice";

} // namespace

QString NoteParDefaut(Genre genre)
{
    return genre == Genre::ReponseCourte || genre == Genre::Numerique ? S("100") : S("0");
}

void Question::DefinirType(const QString &type)
{
    nomAutre.clear();
    if (type.isEmpty()) {
        genre = Genre::Aucun;
        return;
    }
    for (int i = 0; i < int(std::size(NomsGenres)); ++i) {
        if (type == QLatin1String(NomsGenres[i])) {
            genre = Genre(int(Genre::ChoixMultiple) + i);
            return;
        }
    }
    genre = Genre::Autre;
    nomAutre = type;
}

QString Question::NomType() const
{
    if (genre == Genre::Aucun)
        return QString();
    if (genre == Genre::Autre)
        return nomAutre;
    return S(NomsGenres[int(genre) - int(Genre::ChoixMultiple)]);
}

bool Question::ChoixMultipleOuVariante() const
{
    return genre == Genre::ChoixMultiple
        || (genre == Genre::Autre && nomAutre.startsWith(QLatin1String(NomsGenres[0])));
}

// --- Category paths -------------------------------------------------------

// A path of n leading '/' keeps the previous path up to its n-th '/'.
QString ResoudreChemin(const QString &chemin, const QString &precedent)
{
    qsizetype n = 0;
    while (n < chemin.size() - 1 && chemin.at(n) == u'/')
        ++n;
    if (n == 0)
        return chemin;
    qsizetype barres = 0;
    for (qsizetype i = 0; i < precedent.size(); ++i) {
        if (precedent.at(i) == u'/' && ++barres == n)
            return precedent.left(i + 1) + chemin.mid(n);
    }
    return precedent + chemin.mid(n - 1);
}

// Only a '/' that both paths share counts, so that a previous "Geology" never
// stands for "Geo"; a form that would not resolve back to chemin is not used.
QString TexteQuiz(const QByteArray &octets, const QString &erreur)
{
    QByteArrayView vue(octets);
    if (vue.startsWith("\xEF\xBB\xBF"))
        vue = vue.sliced(3);
    if (TBudgetMemoire *budget = TBudgetMemoire::Courant())
        budget->Prendre(2 * vue.size());
    QStringDecoder decodeur(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString texte = decodeur.decode(vue);
    if (decodeur.hasError())
        throw ErreurIdInvalide(erreur);
    texte.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    texte.replace(u'\r', u'\n');
    return texte;
}

QString NomAbrege(const QString &texte)
{
    QString nom = texte;
    if (nom.size() > 80) {
        nom.truncate(77);
        const qsizetype espace = nom.lastIndexOf(u' ');
        if (espace > 0)
            nom.truncate(espace);
        nom += QStringLiteral("...");
    }
    return nom;
}

QString CompresserChemin(const QString &chemin, const QString &precedent)
{
    qsizetype barres = 0;
    qsizetype derniere = -1;
    for (qsizetype i = 0; i < chemin.size(); ++i) {
        const bool fini = i >= precedent.size();
        // A '/' where the previous path ends also counts: a child category.
        if (chemin.at(i) == u'/' && (fini || precedent.at(i) == u'/')) {
            ++barres;
            derniere = i;
        }
        if (fini || chemin.at(i) != precedent.at(i))
            break;
    }
    if (barres == 0)
        return chemin;
    const QString court = QString(barres, u'/') + chemin.mid(derniere + 1);
    return ResoudreChemin(court, precedent) == chemin ? court : chemin;
}

int Question::NombreReponses() const
{
    int n = 0;
    for (const Morceau &m : morceaux)
        n += m.sorte == Morceau::Reponse;
    return n;
}

bool Question::SansBonneReponse(bool choixMultiple) const
{
    if (ChoixMultipleOuVariante()) {
        int reponses = 0;
        for (const Morceau &m : morceaux) {
            if (m.sorte != Morceau::Reponse)
                continue;
            if (m.Note() > 0)
                return false;
            ++reponses;
        }
        return reponses > 0;
    }
    return choixMultiple && typeDeduit && genre == Genre::ReponseCourte && NombreReponses() >= 2;
}

void Question::Ajouter(Morceau m)
{
    if (TBudgetMemoire *budget = TBudgetMemoire::Courant()) {
        // Three parts while the list grows: the old array, the new one and its spare room.
        const qint64 octets = 3 * qint64(sizeof(Morceau)) + CoutPropre(m.texte) + CoutPropre(m.note)
            + CoutPropre(m.autre) + CoutPropre(m.tolerance);
        budget->Prendre(octets);
        cout += octets;
    }
    morceaux.push_back(std::move(m));
}

void Question::Vider()
{
    if (TBudgetMemoire *budget = TBudgetMemoire::Courant())
        budget->Rendre(cout);
    *this = Question();
}

// --- Cards to questions ---------------------------------------------------

DepuisCartes::DepuisCartes(const TFichierX &fichier, const TOptions &options) : f(fichier), b(fichier, options) { }

// A grade or type marker in t: its value and the text without it. note: the
// marker is a grade (an empty one is full credit, a decimal comma is a point).
DepuisCartes::Marque DepuisCartes::LireMarque(const QString &t, bool note, const QString &defaut) const
{
    if (b.Actives) {
        const qsizetype p = t.indexOf(b.DebutNote);
        const qsizetype q = p < 0 ? -1 : t.indexOf(b.FinNote, p + 1);
        if (q >= 0) {
            const qsizetype debut = p + b.DebutNote.size();
            QString contenu = Rogner(q > debut ? t.mid(debut, q - debut) : QString());
            if (note) {
                if (contenu.isEmpty())
                    contenu = S("100");
                else if (const qsizetype virgule = contenu.indexOf(u','); virgule >= 0)
                    contenu[virgule] = u'.';
            }
            const QString apres = t.mid(q + b.FinNote.size());
            // A marker among the first characters drops what stands before it.
            const QString reste = p < 3 ? Rogner(apres) : Rogner(t.left(p) + apres);
            return {contenu, reste};
        }
    }
    return {defaut, Rogner(t)};
}

QStringList DepuisCartes::Morceaux(const QString &champ) const
{
    QStringList morceaux;
    const QString &sep = b.SeparateurReponses;
    qsizetype debut = 0;
    while (debut <= champ.size()) {
        const qsizetype fin = sep.isEmpty() ? -1 : champ.indexOf(sep, debut);
        const QString morceau = Rogner(champ.mid(debut, fin < 0 ? -1 : fin - debut));
        if (!morceau.isEmpty())
            morceaux << morceau;
        if (fin < 0)
            break;
        debut = fin + sep.size();
    }
    return morceaux;
}

Question DepuisCartes::Categorie(const QString &chemin)
{
    Question q;
    q.genre = Genre::Categorie;
    q.categorie = ResoudreChemin(chemin, CheminCategoriePrecedent);
    CheminCategoriePrecedent = q.categorie;
    return q;
}

Question DepuisCartes::Lire(const TFicheX &fiche)
{
    const QString titre = Rogner(fiche.Champ0());
    if (f.CommenceParCarPourcent(titre))
        return Categorie(RognerGauche(titre.mid(1)));
    const Marque marque = LireMarque(fiche.Champ1(), false, QString());
    Question q;
    const bool choixUnique = marque.Valeur == QLatin1String(ChoixUnique);
    q.DefinirType(marque.Valeur);
    q.texte = marque.Reste;
    if (q.genre == Genre::Categorie)
        return Categorie(titre);
    q.nom = titre;

    bool uneReponse = false;
    q.typeDeduit = q.genre == Genre::Aucun;
    if (choixUnique) {
        q.genre = Genre::ChoixMultiple;
        q.nomAutre.clear();
        uneReponse = true;
    } else if (q.genre == Genre::Aucun) {
        if (!b.Actives)
            q.genre = Genre::ReponseCourte; // no markup: every piece is an answer
        else if (fiche.Champ2().contains(b.DebutNote))
            q.genre = fiche.Champ2().contains(QLatin1String("true")) ? Genre::VraiFaux : Genre::ChoixMultiple;
        else if (fiche.Champ2().contains(b.SeparateurPaire))
            q.genre = Genre::Appariement;
        else if (q.texte.contains(b.DebutTrou))
            q.genre = Genre::Trous;
        else
            q.genre = Genre::ReponseCourte;
    }
    if (q.genre == Genre::Trous) {
        q.texte.replace(b.DebutTrou, S("{:SA:="));
        q.texte.replace(b.FinTrou, S("}"));
    }
    const QString noteParDefaut = NoteParDefaut(q.genre);
    int reponses = 0;
    int zeros = 0;
    for (const QString &piece : Morceaux(fiche.Champ2())) {
        Morceau m;
        if (b.Actives && piece.startsWith(b.DebutFeedback)) {
            const qsizetype debut = b.DebutFeedback.size();
            const qsizetype fin = piece.indexOf(b.FinFeedback, debut);
            m.sorte = Morceau::Feedback;
            m.texte = Rogner(piece.mid(debut, fin < 0 ? -1 : fin - debut));
            q.morceaux.push_back(std::move(m));
            continue;
        }
        if (b.Actives && q.genre == Genre::Appariement) {
            const qsizetype paire = piece.indexOf(b.SeparateurPaire);
            if (paire < 0)
                continue; // half a pair cannot be asked
            m.sorte = Morceau::Paire;
            m.texte = RognerDroite(piece.left(paire));
            m.autre = RognerGauche(piece.mid(paire + b.SeparateurPaire.size()));
            q.morceaux.push_back(std::move(m));
            continue;
        }
        if (q.genre == Genre::Redaction) {
            m.sorte = Morceau::Modele;
            m.texte = piece;
            q.morceaux.push_back(std::move(m));
            continue;
        }
        ++reponses;
        const Marque note = LireMarque(piece, true, noteParDefaut);
        if (note.Valeur == QLatin1String("0"))
            ++zeros;
        m.note = note.Valeur;
        m.texte = note.Reste;
        if (q.genre == Genre::Numerique) {
            if (const qsizetype espace = m.texte.indexOf(u' '); espace >= 0) {
                m.autre = RognerGauche(m.texte.mid(espace + 1));
                m.texte.truncate(espace);
            }
            if (const qsizetype virgule = m.texte.indexOf(u','); virgule >= 0)
                m.texte[virgule] = u'.';
            // Half a unit of the last decimal written; exponent forms carry
            // their own precision.
            const qsizetype point = m.texte.indexOf(u'.');
            if (point >= 0 && !m.texte.contains(u'E') && !m.texte.contains(u'e'))
                m.tolerance = S("0.5E-") + QString::number(m.texte.size() - point - 1);
        }
        q.morceaux.push_back(std::move(m));
    }
    q.unique = uneReponse || (q.genre == Genre::ChoixMultiple && reponses - 1 == zeros);
    return q;
}

// --- Questions to cards ---------------------------------------------------

VersCartes::VersCartes(TFichierX &fichier, const TOptions &options) : f(fichier), b(fichier, options)
{
    b.SeparateurReponses = f.Espacement + b.SeparateurReponses + f.Espacement;
    b.DebutFeedback += f.Espacement;
    b.FinFeedback = f.Espacement + b.FinFeedback;
}

QString VersCartes::MarqueNote(const QString &fraction, const QString &noteParDefaut) const
{
    if (fraction.isNull() || fraction == noteParDefaut)
        return QString();
    if (fraction == QLatin1String("100"))
        return b.NoteComplete + u' ';
    return b.DebutNote + fraction + b.FinNote + u' ';
}

void VersCartes::Ajouter(const Question &q)
{
    const QString type = q.genre == Genre::ChoixMultiple && q.unique ? S(ChoixUnique) : q.NomType();
    const QString prefixe = type.isEmpty() ? QString() : b.DebutNote + type + b.FinNote + u' ';
    if (q.genre == Genre::Categorie) {
        const QString court = CompresserChemin(q.categorie, CheminCategoriePrecedent);
        CheminCategoriePrecedent = q.categorie;
        f.AjouterFiche(QString(f.CarPourcent) + u' ' + court, prefixe, QString());
        return;
    }
    const QString noteParDefaut = NoteParDefaut(q.genre);
    QString reponse;
    const auto ajouter = [&reponse, this](const QString &morceau) {
        if (reponse.isEmpty())
            reponse = morceau;
        else
            reponse += b.SeparateurReponses + morceau;
    };
    for (const Morceau &m : q.morceaux) {
        switch (m.sorte) {
        case Morceau::Reponse:
            ajouter(MarqueNote(m.note, noteParDefaut) + m.texte + (m.autre.isEmpty() ? QString() : u' ' + m.autre));
            break;
        case Morceau::Paire:
            ajouter(!m.avecAutre ? m.texte : m.texte + u' ' + b.SeparateurPaire + u' ' + m.autre);
            break;
        case Morceau::Modele:
            ajouter(m.texte);
            break;
        case Morceau::Feedback:
            if (!m.texte.isEmpty())
                ajouter(b.DebutFeedback + m.texte + b.FinFeedback);
            break;
        }
    }
    f.AjouterFiche(q.nom, prefixe + q.texte, reponse);
}

}
