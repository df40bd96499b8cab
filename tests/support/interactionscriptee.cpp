#include "interactionscriptee.h"

#include <QDialog>
#include <QPrinter>

void TInteractionScriptee::ChoisirFichier(const QString &chemin, int indexFiltre, bool lectureSeule)
{
    ChoixFichier choix;
    choix.Accepte = true;
    choix.Chemin = chemin;
    choix.IndexFiltre = indexFiltre;
    choix.LectureSeule = lectureSeule;
    Fichiers.push_back(choix);
}

std::vector<TInteractionScriptee::Demande> TInteractionScriptee::Messages() const
{
    std::vector<Demande> messages;
    for (const Demande &d : Demandes)
        if (d.Sorte == QLatin1String("message"))
            messages.push_back(d);
    return messages;
}

TInteraction::Reponse TInteractionScriptee::Message(Genre genre, const QString &texte, Boutons boutons, int aide,
                                                    const QString &legende)
{
    Demande d;
    d.Sorte = QStringLiteral("message");
    d.GenreMessage = genre;
    d.Texte = texte;
    d.BoutonsMessage = boutons;
    d.Aide = aide;
    d.Legende = legende;
    Demandes.push_back(d);
    if (Reponses.empty()) {
        // A box with one button asks nothing.
        if (ReponsesPossibles(boutons).size() > 1)
            ++Imprevus;
        return ReponsePrudente(boutons);
    }
    const Reponse r = Reponses.front();
    Reponses.pop_front();
    return r;
}

namespace {

// The next scripted answer of a queue; false (and one more unexpected
// request) when the test scripted none.
template <typename T>
bool Prendre(std::deque<T> &file, T &reponse, int &imprevus)
{
    if (file.empty()) {
        ++imprevus;
        return false;
    }
    reponse = std::move(file.front());
    file.pop_front();
    return true;
}

} // namespace

TInteraction::ChoixFichier TInteractionScriptee::OuvrirFichier(const QString &filtre, int indexFiltre,
                                                               const QString &extensionDefaut, const QString &dossier,
                                                               bool lectureSeuleOfferte)
{
    Demande d;
    d.Sorte = QStringLiteral("ouvrir");
    d.Dossier = dossier;
    d.LectureSeuleOfferte = lectureSeuleOfferte;
    d.Filtre = filtre;
    d.IndexFiltre = indexFiltre;
    d.Extension = extensionDefaut;
    Demandes.push_back(d);
    ChoixFichier c;
    Prendre(Fichiers, c, Imprevus);
    return c;
}

TInteraction::ChoixFichier TInteractionScriptee::SauverFichier(const QString &filtre, int indexFiltre,
                                                               const QString &extensionDefaut,
                                                               const QString &nomPropose, const QString &dossier)
{
    Demande d;
    d.Sorte = QStringLiteral("sauver");
    d.Dossier = dossier;
    d.Filtre = filtre;
    d.IndexFiltre = indexFiltre;
    d.Extension = extensionDefaut;
    d.NomPropose = nomPropose;
    Demandes.push_back(d);
    ChoixFichier c;
    Prendre(Fichiers, c, Imprevus);
    return c;
}

bool TInteractionScriptee::ChoisirPolice(QFont &police)
{
    Demande d;
    d.Sorte = QStringLiteral("police");
    d.Texte = police.family();
    Demandes.push_back(d);
    return Prendre(Polices, police, Imprevus);
}

bool TInteractionScriptee::Imprimer(QPrinter &imprimante)
{
    Demande d;
    d.Sorte = QStringLiteral("imprimer");
    d.Texte = imprimante.docName();
    d.NomPropose = imprimante.outputFileName();
    Demandes.push_back(d);
    bool ok = false;
    if (!Prendre(Impressions, ok, Imprevus))
        return false;
    if (ok && !FichierImpression.isEmpty()) {
        imprimante.setOutputFormat(QPrinter::PdfFormat);
        imprimante.setOutputFileName(FichierImpression);
    }
    return ok;
}

bool TInteractionScriptee::Saisir(const QString &legende, const QString &invite, QString &texte)
{
    Demande d;
    d.Sorte = QStringLiteral("saisir");
    d.Legende = legende;
    d.Texte = invite;
    d.NomPropose = texte;
    Demandes.push_back(d);
    QString saisi;
    if (!Prendre(Saisies, saisi, Imprevus))
        return false;
    bool accepte = true;
    if (!SaisiesAcceptees.empty()) {
        accepte = SaisiesAcceptees.front();
        SaisiesAcceptees.pop_front();
    }
    if (accepte)
        texte = saisi;
    return accepte;
}

int TInteractionScriptee::Executer(QDialog &dialogue)
{
    Demande d;
    d.Sorte = QStringLiteral("dialogue");
    d.Texte = dialogue.objectName();
    d.Legende = dialogue.windowTitle();
    Demandes.push_back(d);
    std::function<int(QDialog &)> action;
    if (!Prendre(Dialogues, action, Imprevus))
        return QDialog::Rejected;
    // Shown, without a nested loop, so the script types and clicks into it
    // as a person would; OK and Cancel close it.
    dialogue.show();
    const int resultat = action(dialogue);
    dialogue.hide();
    return resultat;
}

void TInteractionScriptee::Aide(int sujet)
{
    Demande d;
    d.Sorte = QStringLiteral("aide");
    d.Aide = sujet;
    Demandes.push_back(d);
}

namespace {

class ProgressionScriptee : public TInteraction::Progression
{
public:
    ProgressionScriptee(std::vector<TInteractionScriptee::Suivi> &suivis, int limite)
        : m_suivis(suivis), m_index(suivis.size() - 1), m_limite(limite)
    {
    }

    bool Avancer(qint64, qint64) override
    {
        const int rapports = ++m_suivis[m_index].Rapports;
        return m_limite < 0 || rapports <= m_limite;
    }
    void Suspendre(bool suspendu) override { m_suivis[m_index].Suspendu = suspendu; }

private:
    std::vector<TInteractionScriptee::Suivi> &m_suivis;
    size_t m_index;
    int m_limite;
};

} // namespace

std::unique_ptr<TInteraction::Progression> TInteractionScriptee::SuivreProgression(const QString &texte)
{
    Suivis.push_back({texte, 0});
    int limite = -1;
    if (!Annulations.empty()) {
        limite = Annulations.front();
        Annulations.pop_front();
    }
    return std::make_unique<ProgressionScriptee>(Suivis, limite);
}
