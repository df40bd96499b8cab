#pragma once

#include <QLocale>
#include <QString>
#include <QStringView>

// A text looked for in many texts, as Find looks for it: exactly, or without
// case, where a text matches when the locale's upper case of it holds the
// locale's upper case of the text looked for. Built once per search, then
// asked about every text; an empty text looked for is found nowhere.
class TRecherche
{
public:
    TRecherche(const QString &aiguille, bool casse, const QLocale &locale = QLocale());

    bool Trouve(QStringView texte) const;

    // The texts of a card one after the other, a null after each but the
    // last (TFicheX::Suite), looked at in one pass: Oui or Non when one of
    // them matches or none does, Indecis when they must be asked one by one.
    enum Resultat { Non, Oui, Indecis };
    Resultat TrouveDansSuite(QStringView suite) const;

    // Whether this is the search asked for (so that it can be kept).
    bool Pour(const QString &aiguille, bool casse, const QLocale &locale) const
    {
        return casse == m_casse && aiguille == m_source && locale == m_locale;
    }

private:
    template <bool SansCasse, int Formes>
    Resultat Parcourir(QStringView texte) const;

    QString m_source;
    bool m_casse;
    QLocale m_locale;
    // The text compared: itself, or its upper case.
    QString m_cherche;
    // Without case: whether each character of the texts can be compared on
    // its own (its upper case is one character) until one that cannot shows.
    bool m_parCaractere = false;
    // The characters that compare equal to the first character of
    // m_cherche (repeated to fill the four places), then those equal to its
    // last one, each repeated over the lanes of a vector.
    alignas(32) char16_t m_formes[8][16] = {};
    // How many forms are compared (2 or 4), 0 when they are not known.
    int m_nombreFormes = 0;
    bool m_avx2 = false;
    // Whether the text looked for holds a null (it could then match across
    // the nulls of a card's texts).
    bool m_avecNul = false;
};
