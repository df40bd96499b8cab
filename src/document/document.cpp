#include "document/document.h"

#include "formats/formats.h"
#include "formats/table.h"
#include "formats/fiches/xml.h"

#include <QUndoCommand>
#include <type_traits>

// What a change of the file's properties may touch: everything but the
// cards, the name, the stream and the access.
#define AMBLOPAD_PROPRIETES(X)                                                                                         \
    X(TypeFichier)                                                                                                     \
    X(PageCode)                                                                                                        \
    X(IdFiche)                                                                                                         \
    X(IdChamp0)                                                                                                        \
    X(IdChamp1)                                                                                                        \
    X(IdChamp2)                                                                                                        \
    X(Retour)                                                                                                          \
    X(XmlSpace)                                                                                                        \
    X(BalisesControles)                                                                                                \
    X(AvecTitre)                                                                                                       \
    X(Numerote)                                                                                                        \
    X(AvecOptions)                                                                                                     \
    X(EstQuestionnaire)                                                                                                \
    X(LettreChamp1)                                                                                                    \
    X(VersionCreation)                                                                                                 \
    X(FeuilleStyle)                                                                                                    \
    X(Etiquettes)                                                                                                      \
    X(AvecEtiquettes)                                                                                                  \
    X(Canevas)                                                                                                         \
    X(AvecCanevas)                                                                                                     \
    X(Titre)                                                                                                           \
    X(Signature)                                                                                                       \
    X(Description)                                                                                                     \
    X(Fragmenteur)                                                                                                     \
    X(Espacement)                                                                                                      \
    X(OuVisible)                                                                                                       \
    X(Ponctuation)                                                                                                     \
    X(MotsIgnores)                                                                                                     \
    X(SuivreOrdre)                                                                                                     \
    X(MotAMot)                                                                                                         \
    X(DifferencierCasse)                                                                                               \
    X(Phonetique)                                                                                                      \
    X(BriderEntree)                                                                                                    \
    X(ReposerErreurs)                                                                                                  \
    X(Correction)                                                                                                      \
    X(AvecMotsIgnores)                                                                                                 \
    X(NombreQuestions)                                                                                                 \
    X(ScoreSatisfaisant)                                                                                               \
    X(Temps)                                                                                                           \
    X(Commentaire)                                                                                                     \
    X(Alternateur)                                                                                                     \
    X(Troncature)                                                                                                      \
    X(CarDeuxPoints)                                                                                                   \
    X(CarPourcent)

namespace {

struct TProprietes
{
#define AMBLOPAD_DECLARER(m) std::remove_cv_t<decltype(TFichierX::m)> m;
    AMBLOPAD_PROPRIETES(AMBLOPAD_DECLARER)
#undef AMBLOPAD_DECLARER
};

template <typename T>
bool Egaux(const T &a, const T &b)
{
    return a == b;
}

bool Egaux(const TFicheX &a, const TFicheX &b)
{
    return a.Vue(0) == b.Vue(0) && a.Vue(1) == b.Vue(1) && a.Vue(2) == b.Vue(2);
}

TProprietes Capturer(const TFichierX &f)
{
    TProprietes p;
#define AMBLOPAD_COPIER(m) p.m = f.m;
    AMBLOPAD_PROPRIETES(AMBLOPAD_COPIER)
#undef AMBLOPAD_COPIER
    return p;
}

void Restaurer(TFichierX &f, const TProprietes &p)
{
#define AMBLOPAD_RESTAURER(m) f.m = p.m;
    AMBLOPAD_PROPRIETES(AMBLOPAD_RESTAURER)
#undef AMBLOPAD_RESTAURER
}

bool Egales(const TProprietes &a, const TProprietes &b)
{
#define AMBLOPAD_COMPARER(m)                                                                                           \
    if (!Egaux(a.m, b.m))                                                                                              \
        return false;
    AMBLOPAD_PROPRIETES(AMBLOPAD_COMPARER)
#undef AMBLOPAD_COMPARER
    return true;
}

// The memory a card's texts take when the history alone keeps them.
qint64 Poids(const TFicheX &fiche)
{
    return 48 + 2 * qint64(fiche.Vue(0).size() + fiche.Vue(1).size() + fiche.Vue(2).size());
}

qint64 Poids(const TProprietes &p)
{
    return qint64(sizeof(TProprietes))
        + 2 * qint64(p.Titre.size() + p.Description.size() + p.Signature.size() + p.MotsIgnores.size())
        + Poids(p.Etiquettes) + Poids(p.Canevas);
}

} // namespace

// One step of the history. Each step knows what it changed, so that undoing
// it puts back exactly what the file held, without a copy of the file.
class TEtape : public QUndoCommand
{
public:
    TEtape(TDocument *document, const QString &nom, qint64 poids) : m_document(document), m_poids(poids)
    {
        setText(nom);
        m_document->m_memoire += m_poids;
    }
    ~TEtape() override { m_document->m_memoire -= m_poids; }

    void redo() override { Terminer(Appliquer(false)); }
    void undo() override { Terminer(Appliquer(true)); }

protected:
    // Returns the card to show afterwards (-1: none in particular).
    virtual int Appliquer(bool defaire) = 0;
    TFichierX &F() { return m_document->F(); }
    TDocument *Doc() { return m_document; }
    void Inserer(int position, const TFicheX *fiches, int nombre)
    {
        auto &liste = F().Fiches;
        liste.insert(liste.begin() + position, fiches, fiches + nombre);
        emit m_document->fichesInserees(position, nombre);
    }
    void Retirer(int position, int nombre)
    {
        auto &liste = F().Fiches;
        liste.erase(liste.begin() + position, liste.begin() + position + nombre);
        emit m_document->fichesSupprimees(position, nombre);
    }
    int Borner(int index) { return qMin(index, F().NombreFiches() - 1); }

private:
    void Terminer(int fiche)
    {
        if (!m_document->m_enPoussee)
            emit m_document->ficheAMontrer(fiche);
        emit m_document->contenuChange();
    }

    TDocument *m_document;
    qint64 m_poids;
};

namespace {

// New texts in a card, and its move to keep the order.
class TEtapeFiche : public TEtape
{
public:
    TEtapeFiche(TDocument *doc, const QString &nom, int de, int vers, const TFicheX &avant, const TFicheX &apres)
        : TEtape(doc, nom, Poids(avant)), m_de(de), m_vers(vers), m_avant(avant), m_apres(apres)
    {
    }

protected:
    int Appliquer(bool defaire) override
    {
        if (defaire) {
            F().DeplacerFiche(m_vers, m_de);
            F().Fiche(m_de) = m_avant;
        } else {
            F().Fiche(m_de) = m_apres;
            F().DeplacerFiche(m_de, m_vers);
        }
        const int de = defaire ? m_vers : m_de;
        const int vers = defaire ? m_de : m_vers;
        if (de != vers)
            emit Doc()->ficheDeplacee(de, vers);
        emit Doc()->ficheModifiee(vers);
        return vers;
    }

private:
    int m_de;
    int m_vers;
    TFicheX m_avant;
    TFicheX m_apres;
};

// Cards inserted (a new card, a paste); undone, they go again.
class TEtapeInsertion : public TEtape
{
public:
    TEtapeInsertion(TDocument *doc, const QString &nom, int position, std::vector<TFicheX> fiches)
        : TEtape(doc, nom, Poids(fiches)), m_position(position), m_fiches(std::move(fiches))
    {
    }

protected:
    int Appliquer(bool defaire) override
    {
        const int n = int(m_fiches.size());
        if (defaire) {
            Retirer(m_position, n);
            return Borner(m_position == 0 ? 0 : m_position - 1);
        }
        Inserer(m_position, m_fiches.data(), n);
        return m_position;
    }

private:
    static qint64 Poids(const std::vector<TFicheX> &fiches)
    {
        // The texts stay in the file while the step is done; counted once
        // they are only here.
        qint64 total = 0;
        for (const TFicheX &fiche : fiches)
            total += ::Poids(fiche);
        return total;
    }
    int m_position;
    std::vector<TFicheX> m_fiches;
};

class TEtapeSuppression : public TEtape
{
public:
    TEtapeSuppression(TDocument *doc, const QString &nom, int index, const TFicheX &fiche)
        : TEtape(doc, nom, Poids(fiche)), m_index(index), m_fiche(fiche)
    {
    }

protected:
    int Appliquer(bool defaire) override
    {
        if (defaire) {
            Inserer(m_index, &m_fiche, 1);
            return m_index;
        }
        Retirer(m_index, 1);
        return Borner(m_index);
    }

private:
    int m_index;
    TFicheX m_fiche;
};

// The order before a sort: one pointer a card, the texts are shared.
class TEtapeTri : public TEtape
{
public:
    TEtapeTri(TDocument *doc, const QString &nom, std::vector<TFicheX> avant)
        : TEtape(doc, nom, qint64(avant.size() * sizeof(TFicheX))), m_avant(std::move(avant))
    {
    }

protected:
    int Appliquer(bool defaire) override
    {
        if (defaire)
            F().Fiches = m_avant;
        else
            F().Trier();
        emit Doc()->fichesReordonnees();
        return -1;
    }

private:
    std::vector<TFicheX> m_avant;
};

// Switching the question and the answer twice gives back the file: the
// step keeps nothing of it.
class TEtapePermutation : public TEtape
{
public:
    TEtapePermutation(TDocument *doc, const QString &nom) : TEtape(doc, nom, 0) { }

protected:
    int Appliquer(bool) override
    {
        F().PermuterChamps();
        emit Doc()->fichesReordonnees();
        return -1;
    }
};

class TEtapeProprietes : public TEtape
{
public:
    TEtapeProprietes(TDocument *doc, const QString &nom, const TProprietes &avant, const TProprietes &apres)
        : TEtape(doc, nom, Poids(avant) + Poids(apres)), m_avant(avant), m_apres(apres)
    {
    }

protected:
    int Appliquer(bool defaire) override
    {
        Restaurer(F(), defaire ? m_avant : m_apres);
        emit Doc()->proprietesModifiees();
        return -1;
    }

private:
    TProprietes m_avant;
    TProprietes m_apres;
};

} // namespace

// ----------------------------------------------------------------- the document

TDocument::TDocument(QObject *parent) : QObject(parent)
{
    m_pile.setUndoLimit(EtapesMaximales);
    connect(&m_pile, &QUndoStack::indexChanged, this, &TDocument::SuivreEtat);
    connect(&m_pile, &QUndoStack::cleanChanged, this, &TDocument::SuivreEtat);
}

TDocument::~TDocument()
{
    // The steps count their memory in the document: they go first.
    m_pile.clear();
}

void TDocument::Charger(std::unique_ptr<TFichierX> fichier, const TOptions &options)
{
    m_pile.clear();
    m_provisoire = -1;
    m_fichier = std::move(fichier);
    if (m_fichier) {
        TFichierX &f = *m_fichier;
        // Keeping the order is the editor's business, not a change.
        if (f.TypeAlphabetique() && !Formats::A(f.FormatFichier, Formats::OrdreLu) && !f.EstTrie())
            f.Trier();
        if (!f.AvecEtiquettes)
            f.EtiquettesParDefaut();
        if (Formats::A(f.FormatFichier, Formats::CanevasQcm))
            f.PreparerCanevasQcm(options.reponsesQcm);
        m_horsPile = f.Modifie;
    } else {
        m_horsPile = false;
    }
    emit fichierRemplace();
    SuivreEtat();
    emit contenuChange();
}

void TDocument::Fermer()
{
    Charger(nullptr);
}

void TDocument::Lier(const QString &nom)
{
    if (!m_fichier)
        return;
    m_fichier->NomFichier = nom;
    emit nomChange();
}

void TDocument::Enregistrer(const QString &nom, QChar format, bool nouveau, bool exporter, const TOptions &options,
                            Formats::Rapport *rapport)
{
    if (!m_fichier)
        return;
    const QString nomAvant = m_fichier->NomFichier;
    const QChar formatAvant = m_fichier->FormatFichier;
    Formats::Enregistrer(*m_fichier, nom, format, nouveau, options, exporter, rapport);
    // The writer marks the file saved unless it wrote an export.
    if (!m_fichier->Modifie) {
        m_horsPile = false;
        m_pile.setClean();
    }
    SuivreEtat();
    if (m_fichier->NomFichier != nomAvant || m_fichier->FormatFichier != formatAvant)
        emit nomChange();
}

QByteArray TDocument::OctetsXml() const
{
    return m_fichier ? TFichierXML::EcrireXml(*m_fichier) : QByteArray();
}

bool TDocument::EstModifie() const
{
    return m_fichier && (m_horsPile || !m_pile.isClean());
}

void TDocument::SuivreEtat()
{
    const bool modifie = EstModifie();
    if (m_fichier)
        m_fichier->Modifie = modifie;
    if (modifie != m_modifie) {
        m_modifie = modifie;
        emit modifieChange(modifie);
    }
}

void TDocument::Defaire()
{
    if (PeutDefaire())
        m_pile.undo();
}

void TDocument::Refaire()
{
    if (PeutRefaire())
        m_pile.redo();
}

void TDocument::Pousser(TEtape *etape)
{
    m_enPoussee = true;
    m_pile.push(etape);
    m_enPoussee = false;
    if (m_memoire > MemoireMaximale) {
        // QUndoStack drops its oldest steps by number only: a history over
        // the memory bound is forgotten whole, the modified state kept.
        m_horsPile = EstModifie();
        m_pile.clear();
    }
    SuivreEtat();
}

int TDocument::PlaceTriee(int index) const
{
    // Where the card goes among the others in order, as a binary search
    // over the file without it.
    const TFichierX &f = *m_fichier;
    const int n = f.NombreFiches();
    if (n < 2)
        return index;
    const auto autre = [&](int i) -> const TFicheX & { return f.Fiche(i < index ? i : i + 1); };
    const QString cle = f.Fiche(index).Champ1();
    int bas = 0;
    int haut = n - 1;
    while (bas < haut - 1) {
        const int milieu = (bas + haut) / 2;
        if (Collation::Comparer(cle, autre(milieu).Champ1()) < 0)
            haut = milieu;
        else
            bas = milieu;
    }
    return Collation::Comparer(cle, autre(bas).Champ1()) < 0 ? bas : haut;
}

namespace {

// The texts stored as TFichierX::ModifierFiche stores them.
TFicheX AvecTextes(const TFichierX &f, TFicheX fiche, const QString &c0, const QString &c1, const QString &c2)
{
    fiche.SetChamps(f.AvecTitre ? QStringView(c0) : fiche.Vue(0), f.Numerote ? fiche.Vue(1) : QStringView(c1), c2);
    return fiche;
}

} // namespace

int TDocument::ModifierFiche(int index, const QString &c0, const QString &c1, const QString &c2, bool reclasser,
                             const QString &nom)
{
    TFichierX &f = F();
    const TFicheX avant = f.Fiche(index);
    const TFicheX apres = AvecTextes(f, avant, c0, c1, c2);
    f.Fiche(index) = apres;
    const int vers = reclasser ? PlaceTriee(index) : index;
    f.Fiche(index) = avant;
    if (vers == index && Egaux(avant, apres))
        return index;
    Pousser(new TEtapeFiche(this, nom, index, vers, avant, apres));
    return vers;
}

int TDocument::InsererFicheProvisoire(int position)
{
    TFichierX &f = F();
    f.InsererFiche(position);
    m_provisoire = position < 0 ? f.NombreFiches() - 1 : position;
    emit fichesInserees(m_provisoire, 1);
    return m_provisoire;
}

int TDocument::ValiderFicheProvisoire(const QString &c0, const QString &c1, const QString &c2, bool reclasser,
                                      const QString &nom)
{
    TFichierX &f = F();
    const int index = m_provisoire;
    f.Fiche(index) = AvecTextes(f, f.Fiche(index), c0, c1, c2);
    const int vers = reclasser ? PlaceTriee(index) : index;
    std::vector<TFicheX> fiche{f.Fiche(index)};
    AbandonnerFicheProvisoire();
    Pousser(new TEtapeInsertion(this, nom, vers, std::move(fiche)));
    return vers;
}

void TDocument::AbandonnerFicheProvisoire()
{
    if (m_provisoire < 0)
        return;
    const int index = m_provisoire;
    m_provisoire = -1;
    F().SupprimerFiche(index);
    emit fichesSupprimees(index, 1);
}

void TDocument::SupprimerFiche(int index, const QString &nom)
{
    Pousser(new TEtapeSuppression(this, nom, index, F().Fiche(index)));
}

void TDocument::InsererFiches(int position, const std::vector<TFicheX> &fiches, const QString &nom)
{
    if (fiches.empty())
        return;
    const int n = F().NombreFiches();
    Pousser(new TEtapeInsertion(this, nom, position < 0 || position > n ? n : position, fiches));
}

void TDocument::RemplacerFiche(int index, const TFicheX &fiche, const QString &nom)
{
    const TFicheX &avant = F().Fiche(index);
    if (!Egaux(avant, fiche))
        Pousser(new TEtapeFiche(this, nom, index, index, avant, fiche));
}

void TDocument::Trier(const QString &nom)
{
    if (F().NombreFiches() > 1 && !F().EstTrie())
        Pousser(new TEtapeTri(this, nom, F().Fiches));
}

void TDocument::PermuterChamps(const QString &nom)
{
    Pousser(new TEtapePermutation(this, nom));
}

void TDocument::ModifierProprietes(const QString &nom, const std::function<void(TFichierX &)> &modifier, bool toujours)
{
    TFichierX &f = F();
    const TProprietes avant = Capturer(f);
    modifier(f);
    const TProprietes apres = Capturer(f);
    Restaurer(f, avant);
    if (toujours || !Egales(avant, apres))
        Pousser(new TEtapeProprietes(this, nom, avant, apres));
    else
        SuivreEtat(); // the setters' own marks undone
}

void TDocument::SignalerSaisie()
{
    emit contenuChange();
}

bool TDocument::TravailNonEnregistre() const
{
    TSaisie saisie;
    return m_fichier && (EstModifie() || (m_saisie && m_saisie(saisie)));
}

std::unique_ptr<TFichierX> TDocument::Instantane() const
{
    if (!m_fichier)
        return nullptr;
    const TFichierX &f = *m_fichier;
    auto copie = std::make_unique<TFichierX>(f.TypeFichier, f.FormatFichier);
    Restaurer(*copie, Capturer(f));
    copie->NomFichier = f.NomFichier;
    copie->Modifiable = f.Modifiable;
    copie->Modifie = f.Modifie;
    copie->Fiches = f.Fiches;
    TSaisie saisie;
    const bool saisi = m_saisie && m_saisie(saisie);
    if (saisi && saisie.titre)
        copie->Titre = saisie.titreFichier;
    const int n = copie->NombreFiches();
    if (saisi && saisie.index >= 0 && saisie.index < n) {
        TFicheX &fiche = copie->Fiches[size_t(saisie.index)];
        fiche = AvecTextes(f, fiche, saisie.c0, saisie.c1, saisie.c2);
    } else if (m_provisoire >= 0 && m_provisoire < n)
        copie->Fiches.erase(copie->Fiches.begin() + m_provisoire);
    return copie;
}
