#pragma once

#include <QByteArray>
#include <QChar>
#include <QString>
#include <memory>

class TFichierX;
class TFlux;

// The load and save contract every format keeps.
namespace Contrat {

// After a successful load: the card file takes the name, the stream and the
// writable flag, and has no unsaved changes.
void TerminerChargement(TFichierX &fichier, const QString &nom, std::unique_ptr<TFlux> flux, bool modifiable);

// Writes contenu as the card file's file: a new file named nom, or the
// document's own file in place. Nothing in the card file changes unless the
// write succeeded; then it takes the format letter, the name and the new
// stream, and has no unsaved changes.
void TerminerEnregistrement(TFichierX &fichier, const QString &nom, bool nouveau, QChar format,
                            const QByteArray &contenu);

// An export: writes contenu as nom and closes it; the card file stays as it was.
void EcrireExport(const TFichierX &fichier, const QString &nom, const QByteArray &contenu);

}
