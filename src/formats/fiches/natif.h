#pragma once

#include "model/options.h"

#include <QByteArray>
#include <QChar>
#include <QString>
#include <memory>

class TFichierX;

// Native binary card files (format letter n).
class TFichierNatif
{
public:
    // complet false reads a model: layout and options only, no cards, and
    // the file is not kept open. A damaged file raises ErreurIdInvalide.
    static std::unique_ptr<TFichierX> ChargerNatif(const QString &nom, bool modifiable, bool complet,
                                                   const TOptions &options = TOptions());
    static std::unique_ptr<TFichierX> LireNatif(const QByteArray &octets, bool complet,
                                                const TOptions &options = TOptions());
    // A card with a field beyond 251 lines raises ErreurIdInvalide naming it;
    // nothing is written then.
    static void EnregistrerNatif(TFichierX &fichier, const QString &nom, bool nouveau);
    static QByteArray EcrireNatif(const TFichierX &fichier);
    // The code page the texts of a file are written in.
    static int PageTextes(const TFichierX &fichier);
};
