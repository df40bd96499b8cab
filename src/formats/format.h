#pragma once

#include "formats/pertes.h"
#include "model/options.h"

#include <QByteArray>
#include <QChar>
#include <QString>
#include <functional>
#include <memory>

class TFichierX;

namespace Formats {

using ChoixType = std::function<QChar(QChar ecrit)>;

// How a file is being read.
struct Lecture
{
    bool modifiable = true;
    bool commeDocument = true;  // false: a model (layout and options, no cards)
    QChar typeCsv = u'L';       // type given to a file that carries none (CSV, Anki)
    Rapport *rapport = nullptr; // gets what the reader leaves out
    TOptions options;
    // An import asks it, once the file is read, which type its cards become,
    // telling the type this program wrote the file from (null when unknown);
    // a null answer cancels the read (Lire returns null). Unset: typeCsv.
    ChoixType choisirType;
};

// How a file is being written: exporter asks for an export (the card file
// stays as it was) where the format could also be the document's own.
struct Ecriture
{
    bool nouveau = true; // false: rewrite the card file's own stream
    bool exporter = false;
    Rapport *rapport = nullptr; // gets what the writer left out
    TOptions options;
};

// The head of a file, as recognition looks at it.
struct Tete
{
    QByteArray octets; // up to TailleTete bytes
    QString nom;
    // The first 255 bytes, and those before the first zero byte among them:
    // what the general rules look at.
    QByteArray debut;
    QByteArray texte;
    TOptions options; // the CSV separator a head may hold
    Tete(const QByteArray &octets, const QString &nom, const TOptions &options);
};

// Bytes of a file's head that the recognisers look at.
constexpr int TailleTete = 64 * 1024;

// What a format holds and may be used for.
enum Capacite : unsigned {
    Document = 1u << 0,        // may be the document's own format (Save writes it)
    Importation = 1u << 1,     // reading makes a new, untitled card file; the file read is never written
    Modele = 1u << 2,          // may be opened as a model
    Entete = 1u << 3,          // carries the header
    TitresToujours = 1u << 4,  // carries the cards' titles whatever the type
    Etiquettes = 1u << 5,      // carries the field captions
    OrdreLu = 1u << 6,         // the cards' order as read is the file's own (no sort on opening)
    ToujoursPropose = 1u << 7, // offered even before it enters the setting frmats
    DocumentXml = 1u << 8,     // a head opening an XML document belongs to such a format or to none
    CanevasQcm = 1u << 9,      // an MCQ file read in it gets the quiz canvas at once
    Repli = 1u << 10,          // a new file's format when no other claims its type
};

// One file format: what it is called and holds, how its files are known,
// read and written, and what a save in it would lose.
class TFormat
{
public:
    virtual ~TFormat() = default;

    virtual QChar Lettre() const = 0;
    // Display name, translated in the context "Chaines".
    virtual const char *Nom() const = 0;
    QString NomAffiche() const;
    // Extension template: its first '*' becomes the file type letter.
    virtual const char *Motif() const = 0;
    virtual unsigned Capacites() const { return 0; }
    bool A(Capacite c) const { return (Capacites() & c) != 0; }

    // ----- the open dialog
    // The type's entry lists the format's extension.
    virtual bool DansOuverture(QChar /*type*/, const TOptions &) const { return false; }
    // The format's own entry ("*.a;*.b") after the entries of the types, and
    // the type a file opened through it gets; nullptr for none.
    virtual const char *EntreeOuverture() const { return nullptr; }
    virtual QChar TypeEntreeOuverture() const { return QChar(); }

    // ----- recognition, in the order of RangReconnaissance (lowest first);
    // ranks below RangReglesGenerales look at the first 255 bytes only, and
    // only DocumentXml formats may take a head opening an XML document there.
    virtual int RangReconnaissance() const { return -1; } // -1: never recognised
    virtual bool Reconnaitre(const Tete &) const { return false; }

    // ----- reading and writing
    virtual bool Lisible() const { return false; }
    virtual bool Ecrivable() const { return false; }
    virtual std::unique_ptr<TFichierX> Lire(const QString &nom, const Lecture &lecture) const;
    virtual void Ecrire(TFichierX &fichier, const QString &nom, const Ecriture &ecriture) const;
    // The letter of the format a file read in it is then in.
    virtual QChar FormatLu() const { return A(Importation) ? QChar(u'x') : Lettre(); }

    // ----- which card files it is for
    // The card files the writer can hold at all.
    virtual bool Accepte(const TFichierX &) const { return true; }
    // Offered by Save as (when not the file's own format) and by Export.
    virtual bool OffertEnSauvegarde(const TFichierX &, const TOptions &) const { return false; }
    virtual bool OffertEnExport(const TFichierX &) const { return false; }
    // The writer leaves the card file as it was (an export) for this file.
    virtual bool Exporte(const TFichierX &) const { return false; }
    // The format a new file of this type is saved in by default.
    virtual bool ParDefautPour(QChar /*type*/, QChar /*typeCsv*/) const { return false; }

    // A command-line switch ("--NAME") that asks for this format, and the
    // format whose --to it goes with (its plain-text sibling).
    virtual const char *OptionCli() const { return nullptr; }
    virtual QChar VarianteDe() const { return QChar(); }

    // What writing the file in this format would lose.
    virtual Rapport CePerdrait(const TFichierX &, const TOptions &) const { return Rapport(); }
};

constexpr int RangReglesGenerales = 100;

// The card files Moodle's quiz formats hold: MCQ and Questionnaire.
bool EstQuiz(const TFichierX &fichier);

// What Moodle XML and GIFT share: they hold MCQ and Questionnaire files, are
// an MCQ file's own format but an export of a Questionnaire (its cards become
// questions the file cannot give back), and turn an MCQ card without a right
// answer into a question that accepts every answer, or none.
class TFormatQuiz : public TFormat
{
public:
    bool Accepte(const TFichierX &f) const override { return EstQuiz(f); }
    bool OffertEnSauvegarde(const TFichierX &f, const TOptions &) const override;
    bool OffertEnExport(const TFichierX &f) const override { return EstQuiz(f); }
    bool Exporte(const TFichierX &f) const override;
    Rapport CePerdrait(const TFichierX &f, const TOptions &o) const override { return SansBonneReponse(f, o); }
};

// The one instance of a format class, for its registration.
template <class F>
const TFormat &Instance()
{
    static const F format;
    return format;
}

}
