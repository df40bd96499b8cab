#include "formats/gardexml.h"

#include "model/budget.h"

#include <QCoreApplication>
#include <QStringList>

#include <libxml/globals.h>
#include <libxml/xmlerror.h>
#include <libxml/xmlmemory.h>

#include <algorithm>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace GardeXml {

namespace {

// How a code unit is read: ASCII-compatible, UTF-16 or UCS-4 of either order,
// or EBCDIC (libxml2 recognises these from the first bytes).
struct Unites
{
    int largeur = 1;
    bool grosBoutiste = false;
    bool ebcdic = false;
};

Unites Detecter(const QByteArray &o)
{
    auto debut = [&](const char *motif, int n) {
        return o.size() >= n && std::memcmp(o.constData(), motif, size_t(n)) == 0;
    };
    if (debut("\x00\x00\x00\x3C", 4) || debut("\x00\x00\xFE\xFF", 4))
        return {4, true, false};
    if (debut("\x3C\x00\x00\x00", 4) || debut("\xFF\xFE\x00\x00", 4))
        return {4, false, false};
    if (debut("\xFE\xFF", 2) || debut("\x00\x3C\x00\x3F", 4))
        return {2, true, false};
    if (debut("\xFF\xFE", 2) || debut("\x3C\x00\x3F\x00", 4))
        return {2, false, false};
    if (debut("\x4C\x6F\xA7\x94", 4))
        return {1, false, true};
    return {};
}

// The few EBCDIC characters the scan needs, as ASCII.
uint DepuisEbcdic(uint c)
{
    switch (c) {
    case 0x4C:
        return '<';
    case 0x6E:
        return '>';
    case 0x7E:
        return '=';
    case 0x7F:
        return '"';
    case 0x7D:
        return '\'';
    case 0x5A:
        return '!';
    case 0x6F:
        return '?';
    case 0x61:
        return '/';
    case 0x25:
        return '\n';
    default:
        return 0x80; // anything else
    }
}

// The same scan for one-byte ASCII-compatible encodings (the usual case),
// with memchr and memmem between markup: it runs on every file opened. Lines
// are counted only for the refusal.
bool RaisonnablesOctets(const QByteArray &octets, int &ligne)
{
    const char *const debut = octets.constData();
    const char *const fin = debut + octets.size();
    // Past the end of motif from q (fin when missing). The closing motifs
    // start with a byte that is rare inside what they close: memchr on it
    // goes faster than memmem.
    auto chercher = [&](const char *q, const char *motif) -> const char * {
        const size_t longueur = std::strlen(motif);
        while (q < fin) {
            q = static_cast<const char *>(std::memchr(q, motif[0], size_t(fin - q)));
            if (!q)
                return fin;
            if (size_t(fin - q) >= longueur && std::memcmp(q, motif, longueur) == 0)
                return q + longueur;
            ++q;
        }
        return fin;
    };
    auto commence = [&](const char *q, const char *motif) {
        const size_t longueur = std::strlen(motif);
        return size_t(fin - q) >= longueur && std::memcmp(q, motif, longueur) == 0;
    };
    const char *q = debut;
    while (q < fin) {
        q = static_cast<const char *>(std::memchr(q, '<', size_t(fin - q)));
        if (!q)
            break;
        const char suivant = q + 1 < fin ? q[1] : '\0';
        if (suivant == '!') {
            if (commence(q, "<!--"))
                q = chercher(q + 4, "-->");
            else if (commence(q, "<![CDATA["))
                q = chercher(q + 9, "]]>");
            else
                q = chercher(q + 2, ">");
        } else if (suivant == '?') {
            q = chercher(q + 2, "?>");
        } else if (suivant == '/') {
            q += 2; // an end tag: the next '<' is past it
        } else {
            // A start tag: one '=' outside quotes per attribute.
            const char *const balise = q;
            int attributs = 0;
            char guillemet = 0;
            for (++q; q < fin; ++q) {
                const char d = *q;
                if (guillemet) {
                    if (d == guillemet)
                        guillemet = 0;
                } else if (d == '"' || d == '\'') {
                    guillemet = d;
                } else if (d == '=') {
                    if (++attributs > MaxAttributs) {
                        ligne = 1 + int(std::count(debut, balise, '\n'));
                        return false;
                    }
                } else if (d == '>' || d == '<') {
                    break;
                }
            }
        }
    }
    return true;
}

} // namespace

bool AttributsRaisonnables(const QByteArray &octets, int &ligne)
{
    const Unites u = Detecter(octets);
    if (u.largeur == 1 && !u.ebcdic)
        return RaisonnablesOctets(octets, ligne);
    // Wider and EBCDIC encodings are rare: each character is brought down to
    // one byte (markup is ASCII; any other character becomes a byte that means
    // nothing to the scan) and the same scan runs on that.
    const auto *p = reinterpret_cast<const uchar *>(octets.constData());
    const qsizetype n = octets.size() / u.largeur;
    QByteArray etroit(n, Qt::Uninitialized);
    for (qsizetype i = 0; i < n; ++i) {
        const uchar *q = p + i * u.largeur;
        uint c = 0;
        for (int k = 0; k < u.largeur; ++k)
            c |= uint(q[k]) << (8 * (u.grosBoutiste ? u.largeur - 1 - k : k));
        if (u.ebcdic)
            c = DepuisEbcdic(c);
        etroit[i] = c < 0x80 ? char(c) : char(0x80);
    }
    return RaisonnablesOctets(etroit, ligne);
}

namespace {

// Each block libxml2 gets carries its size and the budget that paid for it,
// so that freeing it gives back to that budget only.
struct Entete
{
    quint32 marque;
    quint32 taille;
    quint64 generation;
};
static_assert(sizeof(Entete) == 16, "keeps malloc's alignment");
constexpr quint32 Marque = 0xA3B1C2D4u;
// The header and malloc's own word, rounded.
constexpr qint64 Surcout = qint64(sizeof(Entete)) + 8;

Entete *EnteteDe(void *p)
{
    return static_cast<Entete *>(p) - 1;
}

void *Allouer(size_t taille)
{
    if (taille > 0xFFFFFFF0u)
        return nullptr;
    TBudgetMemoire *budget = TBudgetMemoire::Courant();
    if (budget && !budget->Essayer(qint64(taille) + Surcout))
        return nullptr;
    auto *e = static_cast<Entete *>(std::malloc(taille + sizeof(Entete)));
    if (!e) {
        if (budget)
            budget->Rendre(qint64(taille) + Surcout);
        return nullptr;
    }
    *e = {Marque, quint32(taille), budget ? budget->Generation() : 0};
    return e + 1;
}

void Liberer(void *p)
{
    if (!p)
        return;
    Entete *e = EnteteDe(p);
    if (e->marque != Marque) {
        std::free(p); // allocated before the budget was set up
        return;
    }
    TBudgetMemoire *budget = TBudgetMemoire::Courant();
    if (budget && e->generation != 0 && e->generation == budget->Generation())
        budget->Rendre(qint64(e->taille) + Surcout);
    e->marque = 0;
    std::free(e);
}

void *Reallouer(void *p, size_t taille)
{
    if (!p)
        return Allouer(taille);
    Entete *e = EnteteDe(p);
    if (e->marque != Marque)
        return std::realloc(p, taille);
    if (taille > 0xFFFFFFF0u)
        return nullptr;
    TBudgetMemoire *budget = TBudgetMemoire::Courant();
    const bool paye = budget && e->generation != 0 && e->generation == budget->Generation();
    const qint64 avant = paye ? qint64(e->taille) + Surcout : 0;
    const qint64 apres = budget ? qint64(taille) + Surcout : 0;
    if (budget) {
        if (apres > avant && !budget->Essayer(apres - avant))
            return nullptr;
        if (apres < avant)
            budget->Rendre(avant - apres);
    }
    auto *n = static_cast<Entete *>(std::realloc(e, taille + sizeof(Entete)));
    if (!n) {
        if (budget) {
            if (apres > avant)
                budget->Rendre(apres - avant);
            else
                budget->Essayer(avant - apres);
        }
        return nullptr;
    }
    *n = {Marque, quint32(taille), budget ? budget->Generation() : 0};
    return n + 1;
}

char *Dupliquer(const char *texte)
{
    const size_t taille = std::strlen(texte) + 1;
    auto *copie = static_cast<char *>(Allouer(taille));
    if (copie)
        std::memcpy(copie, texte, taille);
    return copie;
}

} // namespace

// --- Messages --------------------------------------------------------------

namespace {

// The messages shown after a refusal; the others are only counted.
constexpr int MessagesGardes = 3;

struct Messages
{
    int nombre = 0;
    QStringList premiers;
    // A line the generic handler is given in pieces, until its end.
    QByteArray ligne;

    void Ajouter(int numero, const QString &texte)
    {
        if (texte.isEmpty())
            return;
        ++nombre;
        const QString message = numero > 0
            ? QCoreApplication::translate("GardeXml", "XML parser, line %1: %2").arg(numero).arg(texte)
            : QCoreApplication::translate("GardeXml", "XML parser: %1").arg(texte);
        // A message said again is only counted.
        if (premiers.size() < MessagesGardes && !premiers.contains(message))
            premiers << message;
    }
};

thread_local Messages t_messages;

void Structure(void *, xmlErrorPtr erreur)
{
    if (!erreur)
        return;
    // One line each ("Input is not proper UTF-8" comes with its bytes on a second one).
    const QString texte = erreur->message ? QString::fromUtf8(erreur->message).trimmed().replace(u'\n', u' ')
                                          : QString();
    t_messages.Ajouter(erreur->line,
                       texte.isEmpty() ? QCoreApplication::translate("GardeXml", "error %1").arg(erreur->code) : texte);
}

// printf-style pieces; each line they end is one message.
void Generique(void *, const char *format, ...)
{
    char tampon[512];
    va_list arguments;
    va_start(arguments, format);
    const int n = std::vsnprintf(tampon, sizeof tampon, format, arguments);
    va_end(arguments);
    if (n <= 0)
        return;
    Messages &m = t_messages;
    m.ligne.append(tampon, qMin<int>(n, int(sizeof tampon) - 1));
    qsizetype fin;
    while ((fin = m.ligne.indexOf('\n')) >= 0) {
        m.Ajouter(0, QString::fromUtf8(m.ligne.left(fin)).trimmed());
        m.ligne.remove(0, fin + 1);
    }
    if (m.ligne.size() > 4096) { // a line without end: one message
        m.Ajouter(0, QString::fromUtf8(m.ligne.left(200)).trimmed());
        m.ligne.clear();
    }
}

} // namespace

void PreparerMemoire()
{
    static const bool fait = [] {
        xmlMemSetup(Liberer, Allouer, Reallouer, Dupliquer);
        // Threads that have not used libxml2 yet start with these.
        xmlThrDefSetGenericErrorFunc(nullptr, Generique);
        xmlThrDefSetStructuredErrorFunc(nullptr, Structure);
        return true;
    }();
    (void)fait;
    thread_local bool installes = false;
    if (!installes) {
        xmlSetGenericErrorFunc(nullptr, Generique);
        xmlSetStructuredErrorFunc(nullptr, Structure);
        installes = true;
    }
}

namespace {
// Installed before main: a block libxml2 allocated with the plain allocator
// (a schema kept in a static, say) and freed through ours would be misread.
[[maybe_unused]] const bool g_memoirePrete = (PreparerMemoire(), true);
} // namespace

void OublierMessages()
{
    t_messages = Messages();
}

int NombreMessages()
{
    return t_messages.nombre;
}

QString AvecMessages(const QString &message)
{
    const Messages &m = t_messages;
    if (m.premiers.isEmpty())
        return message;
    QString texte = message + u'\n' + m.premiers.join(u'\n');
    if (m.nombre > m.premiers.size())
        texte += u'\n'
            + QCoreApplication::translate("GardeXml", "(%n more message(s) from the XML parser)", nullptr,
                                          m.nombre - int(m.premiers.size()));
    return texte;
}

}
