#pragma once

#include <QList>
#include <QStringList>

class TFichierX;

// Cards through the clipboard: the copy commands leave the text and, for
// "Paste as new card", each card's three fields exactly.
namespace PressePapiers {

void Copier(const QString &texte, const QList<QStringList> &cartes);
// The cards of a clipboard text: one per line of a list, else one whose
// fields are apart by an empty line.
QList<QStringList> CartesDepuisTexte(const TFichierX &fichier, const QString &texte);
// The cards the clipboard holds, for fichier.
QList<QStringList> Cartes(const TFichierX &fichier);

} // namespace PressePapiers
