#include "formats/table.h"

#include "model/erreurs.h"
#include "model/fichierx.h"

#include <QCoreApplication>

namespace Formats {

const std::vector<const TFormat *> &Table()
{
    // Order: the open dialog's patterns of a type; recognition has its own
    // (RangReconnaissance).
    static const std::vector<const TFormat *> table = {
        &FormatXml(),   &FormatNatif(),     &FormatMoodle(), &FormatCardfile(), &FormatCsv(),
        &FormatTexte(), &FormatGift(),      &FormatAiken(),  &FormatAnki(),     &FormatAnkiTexte(),
        &FormatQti12(), &FormatCartouche(), &FormatQti21(),
    };
    return table;
}

const TFormat *Trouver(QChar lettre)
{
    for (const TFormat *f : Table()) {
        if (f->Lettre() == lettre)
            return f;
    }
    return nullptr;
}

bool A(QChar lettre, Capacite capacite)
{
    const TFormat *f = Trouver(lettre);
    return f && f->A(capacite);
}

QString Nom(QChar lettre)
{
    const TFormat *f = Trouver(lettre);
    return f ? f->NomAffiche() : QString();
}

QString NomFormat(QChar lettre)
{
    const QString nom = Nom(lettre);
    return nom.isEmpty() ? QString(lettre) : nom;
}

QString Lettres()
{
    QString lettres;
    for (const TFormat *f : Table())
        lettres += f->Lettre();
    return lettres;
}

QChar ParDefaut(QChar type, QChar typeCsv)
{
    for (const TFormat *f : Table()) {
        if (f->ParDefautPour(type, typeCsv))
            return f->Lettre();
    }
    for (const TFormat *f : Table()) {
        if (f->A(Repli))
            return f->Lettre();
    }
    return u'?';
}

bool EstQuiz(const TFichierX &f)
{
    return f.TypeFichier == u'M' || f.TypeFichier == u'Q';
}

bool TFormatQuiz::OffertEnSauvegarde(const TFichierX &f, const TOptions &) const
{
    return f.TypeFichier == u'M';
}

bool TFormatQuiz::Exporte(const TFichierX &f) const
{
    return f.TypeFichier == u'Q';
}

QString TFormat::NomAffiche() const
{
    return QCoreApplication::translate("Chaines", Nom());
}

std::unique_ptr<TFichierX> TFormat::Lire(const QString &, const Lecture &) const
{
    throw ErreurIdInvalide(QCoreApplication::translate("Formats", "The file was not recognized!"));
}

void TFormat::Ecrire(TFichierX &, const QString &, const Ecriture &) const
{
    throw ErreurFormatAbsent(QCoreApplication::translate("Formats", "Unknown format \"%1\".").arg(Lettre()));
}

Tete::Tete(const QByteArray &octets_, const QString &nom_, const TOptions &options_)
    : octets(octets_), nom(nom_), debut(octets_.left(255)), options(options_)
{
    const qsizetype zero = debut.indexOf('\0');
    texte = zero < 0 ? debut : debut.left(zero);
}

}
