#pragma once

#include "model/options.h"

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <map>
#include <memory>

class TFichierX;
namespace Formats {
class Rapport;
}
namespace Questions {
class VersCartes;
}

// QTI 1.2 assessments: the questestinterop documents Canvas exports and
// imports (and D2L, Respondus, Blackboard write), and the same items in the
// Common Cartridge 1.1 profile. Cards go through the quiz layer
// (Questions): cards -> questions -> items, items -> questions -> cards.
namespace Qti12 {

enum class Profil {
    Canvas,    // Canvas's question_type names, points, weights 0 or 100
    Cartouche, // the CC profile: multiple choice and response, true/false, fill-in, essay
};

// What a writer left out, said once the file is written.
struct PertesEcriture
{
    int ecrites = 0;    // items written
    int ignorees = 0;   // cards the profile has no item for
    int approchees = 0; // cards written as the closest item
    int premiereIgnoree = -1;
    int premiereApprochee = -1;
    void Rapporter(Formats::Rapport *rapport) const;
};

// The card file's questions as one assessment document.
QByteArray EcrireEvaluation(const TFichierX &fichier, Profil profil, const QString &ident, const QString &titre,
                            PertesEcriture &pertes, const TOptions &options);

// The items of questestinterop documents turned into cards, document after
// document; what cards cannot hold is counted, kind by kind.
class Lecteur
{
public:
    Lecteur(TFichierX &fichier, const TOptions &options);
    ~Lecteur();
    // Raises ErreurIdInvalide on a document that is not well-formed or not
    // a questestinterop; nothing of it is added then.
    void Lire(const QByteArray &octets);
    // The title of the first assessment read (empty when none had one).
    QString Titre() const { return m_titre; }
    void Rapporter(Formats::Rapport *rapport) const;

private:
    struct Prive;
    std::unique_ptr<Prive> d;
    QString m_titre;
};

// A questestinterop document, from its head.
bool EstDocument(const QByteArray &tete);

}

namespace Qti12 {

// A package (zip with imsmanifest.xml) or a bare questestinterop document
// read as the cards of a new, untitled MCQ file: every QTI 1.2 assessment
// or question bank its manifest lists, in order. A damaged or hostile
// package raises ErreurIdInvalide and gives nothing.
std::unique_ptr<TFichierX> Lire(const QByteArray &octets, Formats::Rapport *rapport,
                                const TOptions &options = TOptions());
std::unique_ptr<TFichierX> Charger(const QString &nom, Formats::Rapport *rapport, const TOptions &options = TOptions());

// The package of a card file: Canvas's QTI export or a Common Cartridge.
// nom: the file written, whose name titles an untitled card file.
QByteArray EcrirePaquet(const TFichierX &fichier, Profil profil, const QString &nom, Formats::Rapport *rapport,
                        const TOptions &options = TOptions());

// The assessment's identifier: the same for the same title and file name,
// so that a new export of a quiz replaces its earlier import.
QString Identifiant(const QString &titre, const QString &nom);

}
