#pragma once

#include "ui/interaction.h"

#include <QFont>
#include <QString>
#include <deque>
#include <functional>
#include <vector>

// Scripted answers for tests: each kind of request takes the next answer of
// its queue and is recorded. A request with no answer left gets the most
// cautious one (Cancel, else No, else OK; dialogs cancelled) and, unless the
// box had a single button, is counted in Imprevus.
class TInteractionScriptee : public TInteraction
{
public:
    struct Demande
    {
        QString Sorte; // "message", "ouvrir", "sauver", "police", "imprimer", "saisir", "dialogue", "aide"
        Genre GenreMessage = Information;
        QString Texte;
        Boutons BoutonsMessage = Ok;
        int Aide = 0;
        QString Legende;
        QString Filtre;
        int IndexFiltre = 0;
        QString Extension;
        QString NomPropose;
        QString Dossier;
        bool LectureSeuleOfferte = false;
    };

    std::deque<Reponse> Reponses;
    std::deque<ChoixFichier> Fichiers;
    std::deque<QString> Saisies;       // an empty deque entry is accepted as empty text
    std::deque<bool> SaisiesAcceptees; // parallel to Saisies when given; else accepted
    std::deque<QFont> Polices;
    std::deque<bool> Impressions;
    // When set, an accepted print dialog sends the job to this PDF file.
    QString FichierImpression;
    // Each acts on the shown dialog (sets controls, clicks OK or Cancel) and
    // returns its result code.
    std::deque<std::function<int(QDialog &)>> Dialogues;
    // Each watched open or save takes the next number: the reports it lets
    // through before it answers Cancel. None left: it never cancels.
    std::deque<int> Annulations;
    // The watched opens and saves, apart from the requests: their text and
    // the reports each received.
    struct Suivi
    {
        QString Texte;
        int Rapports = 0;
        bool Suspendu = false; // out of the way while the work asks something
    };
    std::vector<Suivi> Suivis;
    std::vector<Demande> Demandes;
    int Imprevus = 0;

    void Repondre(Reponse r) { Reponses.push_back(r); }
    void ChoisirFichier(const QString &chemin, int indexFiltre = 1, bool lectureSeule = false);
    void AnnulerFichier() { Fichiers.push_back(ChoixFichier()); }
    // The messages asked so far (only the message boxes).
    std::vector<Demande> Messages() const;
    void Oublier()
    {
        Demandes.clear();
        Suivis.clear();
        Imprevus = 0;
    }

    Reponse Message(Genre genre, const QString &texte, Boutons boutons, int aide, const QString &legende) override;
    ChoixFichier OuvrirFichier(const QString &filtre, int indexFiltre, const QString &extensionDefaut,
                               const QString &dossier, bool lectureSeuleOfferte) override;
    ChoixFichier SauverFichier(const QString &filtre, int indexFiltre, const QString &extensionDefaut,
                               const QString &nomPropose, const QString &dossier) override;
    bool ChoisirPolice(QFont &police) override;
    bool Imprimer(QPrinter &imprimante) override;
    bool Saisir(const QString &legende, const QString &invite, QString &texte) override;
    int Executer(QDialog &dialogue) override;
    void Aide(int sujet) override;
    std::unique_ptr<Progression> SuivreProgression(const QString &texte) override;
};
