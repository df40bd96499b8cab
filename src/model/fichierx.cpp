#include "model/fichierx.h"

#include "model/budget.h"
#include "model/erreurs.h"
#include "model/flux.h"
#include "model/options.h"
#include "model/outils.h"
#include "model/pagecode.h"
#include "resources/chaines.h"

#include <QCollator>
#include <QCollatorSortKey>
#include <QLocale>
#include <algorithm>
#include <cstring>
#include <limits>
#include <numeric>

ErreurIndex::ErreurIndex(int index)
    : Erreur(QCoreApplication::translate("Erreurs", "List index out of bounds (%1)").arg(index))
{
}

namespace {

// The user's locale may be changed while the program runs (tests do).
QCollator &Collateur()
{
    static QLocale locale;
    static QCollator collateur{locale};
    const QLocale actuelle;
    if (actuelle != locale) {
        locale = actuelle;
        collateur = QCollator(locale);
    }
    return collateur;
}

} // namespace

int Collation::Comparer(const QString &a, const QString &b)
{
    return Collateur().compare(a, b);
}

// The card's block: a QString data block holding the three lengths (32 bits
// each, in the first six units), then each text followed by a null, as
// every QString's data is. A text shared with other cards (SetChamps with
// partage) is not copied: its place holds the QString's own data pointer,
// and its length carries the Partage bit.
namespace {

using Bloc = QTypedArrayData<char16_t>;
constexpr qsizetype Entete = 6;
constexpr quint32 Partage = 0x80000000u;
// A shared text, copied in and out with memcpy (the place may be unaligned).
struct Reference
{
    QArrayData *d;
    const char16_t *texte;
    qsizetype taille;
};
constexpr qsizetype UnitesReference = qsizetype(sizeof(Reference) / sizeof(char16_t));

char16_t *Debut(QArrayData *d)
{
    return Bloc::dataStart(d, alignof(Bloc::AlignmentDummy));
}

void Longueurs(QArrayData *d, quint32 (&n)[3])
{
    std::memcpy(n, Debut(d), sizeof n);
}

qsizetype Place(quint32 n)
{
    return n & Partage ? UnitesReference : qsizetype(n) + 1;
}

bool AvecPartage(const quint32 (&n)[3])
{
    return ((n[0] | n[1] | n[2]) & Partage) != 0;
}

Reference LireReference(const char16_t *p)
{
    Reference r;
    std::memcpy(&r, p, sizeof r);
    return r;
}

// Where text numero starts in the block.
const char16_t *Place(QArrayData *d, const quint32 (&n)[3], int numero)
{
    const char16_t *p = Debut(d) + Entete;
    for (int i = 0; i < numero; ++i)
        p += Place(n[i]);
    return p;
}

// partage[i]: texte[i] is a QString whose data the card shares.
QArrayData *NouveauBloc(const QStringView (&textes)[3], const QString *(&partages)[3])
{
    if (textes[0].isEmpty() && textes[1].isEmpty() && textes[2].isEmpty())
        return nullptr;
    quint32 n[3];
    qsizetype total = Entete;
    for (int i = 0; i < 3; ++i) {
        if (textes[i].size() >= qsizetype(Partage))
            qBadAlloc();
        n[i] = quint32(textes[i].size());
        if (partages[i] && !textes[i].isEmpty() && const_cast<QString *>(partages[i])->data_ptr().d_ptr())
            n[i] |= Partage;
        total += Place(n[i]);
    }
    if (total > std::numeric_limits<qint32>::max())
        qBadAlloc();
    QArrayData *d = Bloc::allocate(total).first;
    Q_CHECK_PTR(d);
    // Written through the header's address: the compiler takes the data
    // address allocate returns for memory nothing else points to.
    char16_t *p = Debut(d);
    std::memcpy(p, n, sizeof n);
    char16_t *ecrit = p + Entete;
    for (int i = 0; i < 3; ++i) {
        if (n[i] & Partage) {
            QStringPrivate &texte = const_cast<QString *>(partages[i])->data_ptr();
            const Reference r{texte.d_ptr(), texte.data(), texte.size};
            r.d->ref();
            std::memcpy(ecrit, &r, sizeof r);
        } else {
            if (!textes[i].isEmpty())
                std::memcpy(ecrit, textes[i].utf16(), size_t(textes[i].size()) * sizeof(char16_t));
            ecrit[textes[i].size()] = u'\0';
        }
        ecrit += Place(n[i]);
    }
    return d;
}

void Liberer(QArrayData *d)
{
    if (!d || d->deref())
        return;
    quint32 n[3];
    Longueurs(d, n);
    if (AvecPartage(n)) {
        for (int i = 0; i < 3; ++i) {
            if (n[i] & Partage) {
                const Reference r = LireReference(Place(d, n, i));
                if (!r.d->deref())
                    Bloc::deallocate(r.d);
            }
        }
    }
    Bloc::deallocate(d);
}

} // namespace

TFicheX::TFicheX(QStringView champ0, QStringView champ1, QStringView champ2)
{
    SetChamps(champ0, champ1, champ2);
}

TFicheX::TFicheX(const TFicheX &autre) noexcept : d(autre.d)
{
    if (d)
        d->ref();
}

TFicheX &TFicheX::operator=(const TFicheX &autre) noexcept
{
    if (autre.d)
        autre.d->ref();
    Liberer(d);
    d = autre.d;
    return *this;
}

TFicheX &TFicheX::operator=(TFicheX &&autre) noexcept
{
    if (this != &autre) {
        Liberer(d);
        d = autre.d;
        autre.d = nullptr;
    }
    return *this;
}

TFicheX::~TFicheX()
{
    Liberer(d);
}

QStringView TFicheX::Vue(int numero) const
{
    if (!d || numero < 0 || numero > 2)
        return {};
    quint32 n[3];
    Longueurs(d, n);
    const char16_t *p = Place(d, n, numero);
    if (n[numero] & Partage) {
        const Reference r = LireReference(p);
        return QStringView(r.texte, r.taille);
    }
    return QStringView(p, qsizetype(n[numero]));
}

bool TFicheX::Suite(int premier, QStringView &suite) const
{
    suite = {};
    if (!d || premier < 0 || premier > 2)
        return true;
    quint32 n[3];
    Longueurs(d, n);
    if (AvecPartage(n))
        return false;
    qsizetype taille = -1;
    for (int i = premier; i < 3; ++i)
        taille += qsizetype(n[i]) + 1;
    suite = QStringView(Place(d, n, premier), taille);
    return true;
}

QString TFicheX::Champ(int numero) const
{
    const QStringView vue = Vue(numero);
    if (vue.isEmpty())
        return QString();
    quint32 n[3];
    Longueurs(d, n);
    if (n[numero] & Partage) {
        const Reference r = LireReference(Place(d, n, numero));
        r.d->ref();
        return QString(QStringPrivate(static_cast<Bloc *>(r.d), const_cast<char16_t *>(r.texte), r.taille));
    }
    // A block holding references is freed by its cards only (which let the
    // references go): its own texts are handed out as copies.
    if (AvecPartage(n))
        return vue.toString();
    d->ref();
    return QString(QStringPrivate(static_cast<Bloc *>(d), const_cast<char16_t *>(vue.utf16()), vue.size()));
}

void TFicheX::SetChamps(QStringView champ0, QStringView champ1, QStringView champ2)
{
    const QStringView textes[3] = {champ0, champ1, champ2};
    const QString *partages[3] = {nullptr, nullptr, nullptr};
    // The new block is built before the old one (which may hold the texts) goes.
    QArrayData *nouveau = NouveauBloc(textes, partages);
    Liberer(d);
    d = nouveau;
}

void TFicheX::SetChampsPartages(const QString &champ0, const QString &champ1, const QString &champ2)
{
    const QStringView textes[3] = {champ0, champ1, champ2};
    const QString *partages[3] = {&champ0, &champ1, &champ2};
    QArrayData *nouveau = NouveauBloc(textes, partages);
    Liberer(d);
    d = nouveau;
}

void TFicheX::SetChamp(int numero, QStringView texte)
{
    QStringView t[3] = {Vue(0), Vue(1), Vue(2)};
    if (numero >= 0 && numero <= 2)
        t[numero] = texte;
    SetChamps(t[0], t[1], t[2]);
}

void TFicheX::PermuterChamps12()
{
    quint32 n[3] = {0, 0, 0};
    if (d)
        Longueurs(d, n);
    if (AvecPartage(n)) {
        SetChampsPartages(Champ0(), Champ2(), Champ1());
        return;
    }
    SetChamps(Vue(0), Vue(2), Vue(1));
}

TFichierX::TFichierX(QChar typeFichier, QChar formatFichier, const TOptions &options)
    : TypeFichier(typeFichier), FormatFichier(formatFichier)
{
    Modifiable = true;
    PageCode = PageCode::AnsiSysteme();
    IdFiche = QStringLiteral("F");
    IdChamp0 = QStringLiteral("I");

    const char16_t t = typeFichier.unicode();
    // Rule 1: element names of fields 1 and 2.
    if (t == 'M' || t == 'Q') {
        IdChamp1 = QStringLiteral("Q");
        IdChamp2 = QStringLiteral("R");
    } else if (t < 'A' || t > 'V' || t == 'F' || t == 'G' || t == 'H' || t == 'I' || t == 'J' || t == 'K' || t == 'P') {
        IdChamp1 = QStringLiteral("A");
        IdChamp2 = QStringLiteral("B");
    } else {
        IdChamp1 = QStringLiteral("O");
        IdChamp2 = QStringLiteral("C");
    }
    // Rules 2 to 5.
    LettreChamp1 = IdChamp1.at(0);
    AvecTitre = LettreChamp1 == u'Q' || t == 'I';
    Numerote = LettreChamp1 == u'O' && (t == 'L' || t > 'R');
    AvecOptions = LettreChamp1 == u'Q' || t <= 'E';
    // Rule 6.
    if (AvecOptions || Numerote)
        Fragmenteur = FragmenteurParDefaut(options);
    // Rule 7.
    if (AvecOptions) {
        Commentaire = u'(';
        Troncature = u'*';
        Alternateur = u'/';
        CarPourcent = u'%';
        CarDeuxPoints = u':';
        EstQuestionnaire = t == 'Q';
        if (EstQuestionnaire) {
            OuVisible = options.ouVisible;
            Ponctuation = options.ponctuation;
            ScoreSatisfaisant = 50;
        }
        Espacement = EspacementParDefaut();
    }
}

TFichierX::~TFichierX()
{
    Flux.reset();
}

void TFichierX::InitialiserNouveau(const TOptions &options)
{
    VersionCreation = Chaines::Version();
    Signature = options.signature;
    FeuilleStyle = options.feuilleStyle;
}

void TFichierX::VerifierIndex(int index) const
{
    if (index < 0 || index >= NombreFiches())
        throw ErreurIndex(index);
}

TFicheX &TFichierX::Fiche(int index)
{
    VerifierIndex(index);
    return Fiches[size_t(index)];
}

const TFicheX &TFichierX::Fiche(int index) const
{
    VerifierIndex(index);
    return Fiches[size_t(index)];
}

void TFichierX::Reserver(int nombre)
{
    if (nombre > 0)
        Fiches.reserve(size_t(nombre));
}

void TFichierX::AjouterFiche(const QString &champ1, const QString &champ2)
{
    AjouterFiche(QString(), champ1, champ2);
}

void TFichierX::AjouterFiche(QStringView champ0, QStringView champ1, QStringView champ2)
{
    TBudgetMemoire::CompterFiche(champ0, champ1, champ2); // a reader's cards count against the file's budget
    Fiches.emplace_back(AvecTitre ? champ0 : QStringView(), Numerote ? QStringView() : champ1, champ2);
    Modifie = true;
}

void TFichierX::AjouterFichePartagee(const QString &champ1, const QString &champ2)
{
    TBudgetMemoire::CompterFiche(QString(), champ1, champ2);
    Fiches.emplace_back();
    Fiches.back().SetChampsPartages(QString(), Numerote ? QString() : champ1, champ2);
    Modifie = true;
}

void TFichierX::ModifierFiche(int index, const QString &champ0, const QString &champ1, const QString &champ2)
{
    TFicheX &fiche = Fiche(index);
    fiche.SetChamps(AvecTitre ? QStringView(champ0) : fiche.Vue(0), Numerote ? fiche.Vue(1) : QStringView(champ1),
                    champ2);
    Modifie = true;
}

void TFichierX::InsererFiche(int index)
{
    if (index != -1 && (index < 0 || index > NombreFiches()))
        throw ErreurIndex(index);
    TFicheX fiche;
    if (AvecCanevas)
        fiche = Canevas;
    if (index == -1)
        Fiches.push_back(std::move(fiche));
    else
        Fiches.insert(Fiches.begin() + index, std::move(fiche));
}

void TFichierX::DeplacerFiche(int de, int vers)
{
    VerifierIndex(de);
    VerifierIndex(vers);
    if (de == vers)
        return;
    auto debut = Fiches.begin();
    if (de < vers)
        std::rotate(debut + de, debut + de + 1, debut + vers + 1);
    else
        std::rotate(debut + vers, debut + de, debut + de + 1);
}

void TFichierX::SupprimerFiche(int index)
{
    VerifierIndex(index);
    Fiches.erase(Fiches.begin() + index);
}

QString TFichierX::LibelleFiche(int index) const
{
    const TFicheX &fiche = Fiche(index);
    const QString texte = AvecTitre ? fiche.Champ0() : fiche.Champ1();
    if (texte.isEmpty())
        return QStringLiteral("# %1").arg(index + 1);
    return texte;
}

void TFichierX::Trier()
{
    // One sort key per card: a full collation compare per comparison would
    // dominate on large files.
    const size_t n = Fiches.size();
    if (n < 2)
        return;
    std::vector<QCollatorSortKey> cles;
    cles.reserve(n);
    for (const auto &fiche : Fiches)
        cles.push_back(Collateur().sortKey(fiche.Champ1()));
    std::vector<size_t> ordre(n);
    std::iota(ordre.begin(), ordre.end(), size_t(0));
    std::sort(ordre.begin(), ordre.end(), [&cles](size_t a, size_t b) { return cles[a].compare(cles[b]) < 0; });
    std::vector<TFicheX> triees;
    triees.reserve(n);
    for (size_t i : ordre)
        triees.push_back(std::move(Fiches[i]));
    Fiches.swap(triees);
}

bool TFichierX::EstTrie() const
{
    for (size_t i = 1; i < Fiches.size(); ++i) {
        if (Collateur().compare(Fiches[i].Vue(1), Fiches[i - 1].Vue(1)) < 0)
            return false;
    }
    return true;
}

void TFichierX::PermuterChamps()
{
    for (auto &fiche : Fiches)
        fiche.PermuterChamps12();
    Modifie = true;
}

void TFichierX::SetTitre(const QString &texte)
{
    Titre = Rogner(texte);
    Modifie = true;
}

bool TFichierX::EstIdentifiant(const QString &balise)
{
    if (balise.isEmpty())
        return false;
    for (int i = 0; i < balise.size(); ++i) {
        const QChar c = balise.at(i);
        const bool lettre = c.isLetter() || c == u'_';
        if (i == 0 ? !lettre : !(lettre || c.isDigit()))
            return false;
    }
    return true;
}

void TFichierX::SetIdChamp0(const QString &balise)
{
    AvecTitre = !balise.isEmpty();
    if (EstIdentifiant(balise))
        IdChamp0 = balise;
}

void TFichierX::SetIdChamp1(const QString &balise)
{
    Numerote = Numerote && balise.isEmpty();
    if (!Numerote && EstIdentifiant(balise))
        IdChamp1 = balise;
}

QString TFichierX::IdChamp0Effectif() const
{
    return AvecTitre ? IdChamp0 : QString();
}

QString TFichierX::IdChamp1Effectif() const
{
    return Numerote ? QString() : IdChamp1;
}

QString TFichierX::VersionCreationEcrite() const
{
    return VersionCreation != Chaines::Version() ? VersionCreation : QString();
}

void TFichierX::SetEtiquettes(const QString &c0, const QString &c1, const QString &c2)
{
    Etiquettes.SetChamps(c0, c1, c2);
    AvecEtiquettes = true;
    Modifie = true;
}

void TFichierX::EtiquettesParDefaut()
{
    const QString c0 = AvecTitre ? Chaines::EtiquetteNom() : Chaines::EtiquetteTitre();
    if (LettreChamp1 == u'O')
        Etiquettes.SetChamps(c0, Numerote ? Chaines::EtiquetteNumero() : Chaines::EtiquetteOnglet(),
                             Chaines::EtiquetteCorps());
    else if (LettreChamp1 == u'Q')
        Etiquettes.SetChamps(c0, Chaines::EtiquetteQuestion(), Chaines::EtiquetteReponse());
    else
        Etiquettes.SetChamps(c0, IdChamp1, IdChamp2);
}

void TFichierX::SetCanevas(const QString &c0, const QString &c1, const QString &c2)
{
    Canevas.SetChamps(AvecTitre ? QStringView(c0) : Canevas.Vue(0), Numerote ? Canevas.Vue(1) : QStringView(c1), c2);
    AvecCanevas = true;
    Modifie = true;
}

void TFichierX::PreparerCanevasQcm(int reponses)
{
    if (reponses <= 0)
        return;
    const QString emplacement = Espacement + Fragmenteur + Espacement;
    QString reponse = Canevas.Champ2();
    for (int i = 0; i < reponses; ++i)
        reponse += emplacement;
    Canevas.SetChamp2(reponse);
    AvecCanevas = true;
}

QString TFichierX::NomType(QChar lettre)
{
    const QString nom = Chaines::NomType(lettre);
    return nom.isEmpty() ? QString(lettre) : nom;
}

bool TFichierX::EstTypeAlphabetique(QChar type)
{
    return type == u'R' || type.unicode() < 'E';
}

QString TFichierX::FragmenteurParDefaut(const TOptions &options) const
{
    switch (TypeFichier.unicode()) {
    case 'A':
    case 'Q':
        return QStringLiteral(";");
    case 'B':
    case 'E':
    case 'L':
    case 'S':
    case 'V':
        return CRLF;
    case 'D':
        return QStringLiteral("|");
    case 'M':
        return options.separateurQcm;
    default:
        return QString();
    }
}

QString TFichierX::EspacementParDefaut() const
{
    switch (TypeFichier.unicode()) {
    case 'A':
    case 'D':
    case 'Q':
        return QStringLiteral(" ");
    case 'M':
        return CRLF;
    default:
        return QString();
    }
}

void TFichierX::SetFragmenteurCar(QChar c)
{
    if (c == u' ' || c == u'#' || c == u';' || c == u'|')
        Fragmenteur = c == u' ' ? QString() : QString(c);
}

QChar TFichierX::FragmenteurCar() const
{
    if (Fragmenteur.isEmpty())
        return u' ';
    if (Fragmenteur.size() == 1)
        return Fragmenteur.at(0);
    return QChar(0);
}

void TFichierX::SetAlternateur(QChar c)
{
    if (c == u' ' || c == u'/' || c == u'|')
        Alternateur = c;
}

void TFichierX::SetCommentaire(QChar c)
{
    if (c == u' ' || c == u'(' || c == u'[')
        Commentaire = c;
}

void TFichierX::SetTroncature(QChar c)
{
    if (c == u' ' || c == u'*' || c == u'^')
        Troncature = c;
}

void TFichierX::DelimiteursCommentaire(QChar &ouverture, QChar &fermeture) const
{
    ouverture = Commentaire;
    if (Commentaire == u'(')
        fermeture = u')';
    else if (Commentaire == u'[')
        fermeture = u']';
    else if (Commentaire == u'{')
        fermeture = u'}';
}

QString TFichierX::MotsIgnoresParDefaut(const TOptions &options) const
{
    return MotAMot ? QString() : options.motsIgnores;
}

QString TFichierX::MotsIgnoresEffectifs(const TOptions &options) const
{
    return AvecMotsIgnores ? MotsIgnores : MotsIgnoresParDefaut(options);
}

bool TFichierX::CommenceParCarPourcent(const QString &texte) const
{
    return !texte.isEmpty() && texte.at(0) == CarPourcent;
}
