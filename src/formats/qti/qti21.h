#pragma once

#include "model/options.h"

#include <QByteArray>
#include <QString>
#include <memory>
#include <utility>
#include <vector>

class TFichierX;
namespace Formats {
class Rapport;
}

// QTI 2.1 content packages (format letter Q): a zip of an IMS content
// packaging manifest, one assessmentTest and one assessmentItem per question
// card. Read from such packages and from single item files, as a new MCQ
// file; written as an export only, since the package has no place for the
// card file's own settings (title fields, markup characters, options).
class TFichierQti21
{
public:
    // Entry names and contents.
    using Entrees = std::vector<std::pair<QString, QByteArray>>;
    // The package's files in the order they are zipped: the manifest, the
    // test, then the items. What has no place in QTI goes to rapport.
    static Entrees Fichiers(const TFichierX &fichier, Formats::Rapport *rapport, const TOptions &options = TOptions());
    static QByteArray EcrirePaquet(const TFichierX &fichier, Formats::Rapport *rapport,
                                   const TOptions &options = TOptions());
    static void Exporter(const TFichierX &fichier, const QString &nom, Formats::Rapport *rapport,
                         const TOptions &options = TOptions());

    // A package or an item file; a damaged or hostile one raises
    // ErreurIdInvalide and gives nothing. Items the cards cannot hold are
    // counted in rapport, kind by kind.
    static std::unique_ptr<TFichierX> LirePaquet(const QByteArray &octets, Formats::Rapport *rapport,
                                                 const TOptions &options = TOptions());
    static std::unique_ptr<TFichierX> LireItem(const QByteArray &octets, Formats::Rapport *rapport,
                                               const TOptions &options = TOptions());
    static std::unique_ptr<TFichierX> Importer(const QString &nom, Formats::Rapport *rapport,
                                               const TOptions &options = TOptions());

    // A document whose root is a QTI 2 assessmentItem.
    static bool EstItem(const QByteArray &tete);
};
