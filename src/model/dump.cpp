#include "model/dump.h"

#include "model/fichierx.h"

namespace {

class Ecrivain
{
public:
    QByteArray sortie;

    void Cle(const char *nom)
    {
        sortie += m_premier ? "\n  \"" : ",\n  \"";
        m_premier = false;
        sortie += nom;
        sortie += "\": ";
    }
    void Texte(const QString &texte)
    {
        sortie += '"';
        qsizetype debut = 0; // start of the run copied as UTF-8
        auto copier = [&](qsizetype fin) {
            if (fin > debut)
                sortie += QStringView(texte).mid(debut, fin - debut).toUtf8();
        };
        for (qsizetype i = 0; i < texte.size(); ++i) {
            const char16_t u = texte.at(i).unicode();
            const char *echappe = nullptr;
            switch (u) {
            case '"':
                echappe = "\\\"";
                break;
            case '\\':
                echappe = "\\\\";
                break;
            case '\n':
                echappe = "\\n";
                break;
            case '\r':
                echappe = "\\r";
                break;
            case '\t':
                echappe = "\\t";
                break;
            default:
                break;
            }
            if (!echappe && u >= 0x20)
                continue;
            copier(i);
            debut = i + 1;
            if (echappe)
                sortie += echappe;
            else
                sortie += QByteArray("\\u") + QByteArray::number(u, 16).rightJustified(4, '0');
        }
        copier(texte.size());
        sortie += '"';
    }
    void Paire(const char *nom, const QString &texte)
    {
        Cle(nom);
        Texte(texte);
    }
    void Paire(const char *nom, bool valeur)
    {
        Cle(nom);
        sortie += valeur ? "true" : "false";
    }
    void Paire(const char *nom, int valeur)
    {
        Cle(nom);
        sortie += QByteArray::number(valeur);
    }
    void Paire(const char *nom, QChar c)
    {
        Cle(nom);
        Texte(c.isNull() ? QString() : QString(c));
    }
    void Paire(const char *nom, const TFicheX &fiche)
    {
        Cle(nom);
        Trois(fiche);
    }
    void Trois(const TFicheX &fiche)
    {
        sortie += '[';
        Texte(fiche.Champ0());
        sortie += ", ";
        Texte(fiche.Champ1());
        sortie += ", ";
        Texte(fiche.Champ2());
        sortie += ']';
    }

private:
    bool m_premier = true;
};

} // namespace

QByteArray DumpJson(const TFichierX &f)
{
    Ecrivain e;
    e.sortie = "{";
    e.Paire("NomFichier", f.NomFichier);
    e.Paire("TypeFichier", f.TypeFichier);
    e.Paire("FormatFichier", f.FormatFichier);
    e.Paire("PageCode", int(f.PageCode));
    e.Paire("IdFiche", f.IdFiche);
    e.Paire("IdChamp0", f.IdChamp0);
    e.Paire("IdChamp1", f.IdChamp1);
    e.Paire("IdChamp2", f.IdChamp2);
    e.Paire("Retour", f.Retour);
    e.Paire("XmlSpace", f.XmlSpace);
    e.Paire("BalisesControles", f.BalisesControles);
    e.Paire("AvecTitre", f.AvecTitre);
    e.Paire("Numerote", f.Numerote);
    e.Paire("AvecOptions", f.AvecOptions);
    e.Paire("EstQuestionnaire", f.EstQuestionnaire);
    e.Paire("LettreChamp1", f.LettreChamp1);
    e.Paire("VersionCreation", f.VersionCreation);
    e.Paire("FeuilleStyle", f.FeuilleStyle);
    e.Paire("Etiquettes", f.Etiquettes);
    e.Paire("AvecEtiquettes", f.AvecEtiquettes);
    e.Paire("Canevas", f.Canevas);
    e.Paire("AvecCanevas", f.AvecCanevas);
    e.Paire("Titre", f.Titre);
    e.Paire("Signature", f.Signature);
    e.Paire("Description", f.Description);
    e.Paire("Fragmenteur", f.Fragmenteur);
    e.Paire("Espacement", f.Espacement);
    e.Paire("OuVisible", f.OuVisible);
    e.Paire("Ponctuation", f.Ponctuation);
    e.Paire("MotsIgnores", f.MotsIgnores);
    e.Paire("SuivreOrdre", f.SuivreOrdre);
    e.Paire("MotAMot", f.MotAMot);
    e.Paire("DifferencierCasse", f.DifferencierCasse);
    e.Paire("Phonetique", f.Phonetique);
    e.Paire("BriderEntree", f.BriderEntree);
    e.Paire("ReposerErreurs", f.ReposerErreurs);
    e.Paire("Correction", f.Correction);
    e.Paire("AvecMotsIgnores", f.AvecMotsIgnores);
    e.Paire("NombreQuestions", int(f.NombreQuestions));
    e.Paire("ScoreSatisfaisant", int(f.ScoreSatisfaisant));
    e.Paire("Temps", int(f.Temps));
    e.Paire("Commentaire", f.Commentaire);
    e.Paire("Alternateur", f.Alternateur);
    e.Paire("Troncature", f.Troncature);
    e.Paire("CarDeuxPoints", f.CarDeuxPoints);
    e.Paire("CarPourcent", f.CarPourcent);
    e.Cle("Fiches");
    e.sortie += '[';
    for (size_t i = 0; i < f.Fiches.size(); ++i) {
        e.sortie += i ? ",\n    " : "\n    ";
        e.Trois(f.Fiches[i]);
    }
    e.sortie += f.Fiches.empty() ? "]" : "\n  ]";
    e.sortie += "\n}\n";
    return e.sortie;
}
