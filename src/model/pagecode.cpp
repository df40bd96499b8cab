#include "model/pagecode.h"

#include "model/pagecode_tables.h"

#include <QHash>
#include <array>
#include <map>
#include <memory>
#include <mutex>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#ifdef Q_OS_WIN
#include <windows.h>
#endif

namespace {

// A single-byte code page: the character of every byte and the reverse map.
struct PageSimple
{
    std::array<char16_t, 256> versUnicode{};
    QHash<char16_t, char> versOctet;
};

const PageSimple *PageSimplePour(int pageCode)
{
    // Built once, kept for the whole run.
    static std::map<int, std::unique_ptr<PageSimple>> pages;
    static std::once_flag fait;
    std::call_once(fait, [] {
        for (int i = 0; i < PageCodeTables::nombreTables; ++i) {
            auto page = std::make_unique<PageSimple>();
            for (int b = 0; b < 128; ++b)
                page->versUnicode[size_t(b)] = char16_t(b);
            for (int b = 0; b < 128; ++b)
                page->versUnicode[size_t(b + 128)] = PageCodeTables::tables[i].haut[b];
            for (int b = 255; b >= 128; --b)
                page->versOctet.insert(page->versUnicode[size_t(b)], char(b));
            pages.emplace(PageCodeTables::tables[i].pageCode, std::move(page));
        }
    });
    const auto trouve = pages.find(pageCode);
    return trouve == pages.end() ? nullptr : trouve->second.get();
}

bool EstUtf8(int pageCode)
{
    return pageCode == 65001;
}

const std::array<char16_t, 256> &Latin1()
{
    static const std::array<char16_t, 256> table = [] {
        std::array<char16_t, 256> t{};
        for (int b = 0; b < 256; ++b)
            t[size_t(b)] = char16_t(b);
        return t;
    }();
    return table;
}

} // namespace

namespace PageCode {

quint16 AnsiSysteme()
{
#ifdef Q_OS_WIN
    return quint16(GetACP());
#else
    return 1252;
#endif
}

quint16 Oem()
{
    return 850;
}

bool Connue(int pageCode)
{
    return EstUtf8(pageCode) || PageSimplePour(pageCode) != nullptr;
}

QString Decoder(const char *donnees, qsizetype taille, int pageCode)
{
    if (EstUtf8(pageCode))
        return QString::fromUtf8(donnees, taille);
    QString texte(taille, Qt::Uninitialized);
    DecoderDans(donnees, taille, Caracteres(pageCode), texte.data());
    return texte;
}

const char16_t *Caracteres(int pageCode)
{
    if (EstUtf8(pageCode))
        return nullptr;
    const PageSimple *page = PageSimplePour(pageCode);
    if (!page)
        page = PageSimplePour(AnsiSysteme());
    return page ? page->versUnicode.data() : Latin1().data();
}

void DecoderDans(const char *donnees, qsizetype taille, const char16_t *caracteres, QChar *sortie)
{
    const auto *u = reinterpret_cast<const uchar *>(donnees);
    qsizetype i = 0;
#if defined(__SSE2__)
    // Sixteen ASCII bytes, most of a text, are widened at once; a step
    // holding any other byte goes through the table.
    const __m128i zero = _mm_setzero_si128();
    for (; taille - i >= 16; i += 16) {
        const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i *>(u + i));
        if (_mm_movemask_epi8(v) == 0) {
            _mm_storeu_si128(reinterpret_cast<__m128i *>(sortie + i), _mm_unpacklo_epi8(v, zero));
            _mm_storeu_si128(reinterpret_cast<__m128i *>(sortie + i + 8), _mm_unpackhi_epi8(v, zero));
            continue;
        }
        for (int k = 0; k < 16; ++k)
            sortie[i + k] = QChar(caracteres[u[i + k]]);
    }
#endif
    for (; i < taille; ++i)
        sortie[i] = QChar(caracteres[u[i]]);
}

QString Decoder(const QByteArray &donnees, int pageCode)
{
    return Decoder(donnees.constData(), donnees.size(), pageCode);
}

QByteArray Encoder(const QString &texte, int pageCode)
{
    QByteArray octets;
    octets.reserve(texte.size());
    EncoderDans(octets, texte, pageCode);
    return octets;
}

void EncoderDans(QByteArray &octets, QStringView texte, int pageCode)
{
    if (EstUtf8(pageCode)) {
        octets += texte.toUtf8();
        return;
    }
    const PageSimple *page = PageSimplePour(pageCode);
    if (!page)
        page = PageSimplePour(AnsiSysteme());
    const QChar *c = texte.data();
    const qsizetype n = texte.size();
    // At most one byte a character: written through a pointer, the unused
    // end cut off after.
    const qsizetype debut = octets.size();
    octets.resize(debut + n);
    char *sortie = octets.data() + debut;
    qsizetype k = 0;
    for (qsizetype i = 0; i < n; ++i) {
        const char16_t u = c[i].unicode();
        if (u < 0x80) {
            sortie[k++] = char(u);
            continue;
        }
        if (c[i].isHighSurrogate() && i + 1 < n && c[i + 1].isLowSurrogate())
            ++i; // one character outside the BMP, one '?'
        else if (page) {
            auto trouve = page->versOctet.constFind(u);
            if (trouve != page->versOctet.constEnd()) {
                sortie[k++] = trouve.value();
                continue;
            }
        }
        sortie[k++] = '?';
    }
    octets.truncate(debut + k);
}

qsizetype Irrepresentables(QStringView texte, int pageCode, char32_t *premier)
{
    if (EstUtf8(pageCode))
        return 0;
    const PageSimple *page = PageSimplePour(pageCode);
    if (!page)
        page = PageSimplePour(AnsiSysteme());
    // The same walk as EncoderDans, without building the bytes.
    const QChar *c = texte.data();
    const qsizetype n = texte.size();
    qsizetype nombre = 0;
    for (qsizetype i = 0; i < n; ++i) {
        const char16_t u = c[i].unicode();
        if (u < 0x80)
            continue;
        char32_t point = u;
        if (c[i].isHighSurrogate() && i + 1 < n && c[i + 1].isLowSurrogate()) {
            point = QChar::surrogateToUcs4(c[i], c[i + 1]);
            ++i;
        } else if (page && page->versOctet.contains(u)) {
            continue;
        }
        if (nombre == 0 && premier)
            *premier = point;
        ++nombre;
    }
    return nombre;
}

bool Representable(char32_t caractere, int pageCode)
{
    if (EstUtf8(pageCode))
        return true;
    if (caractere < 0x80)
        return true;
    if (caractere > 0xFFFF)
        return false;
    const PageSimple *page = PageSimplePour(pageCode);
    if (!page)
        page = PageSimplePour(AnsiSysteme());
    return page && page->versOctet.contains(char16_t(caractere));
}

QString NomEncodage(int pageCode)
{
    if (EstUtf8(pageCode))
        return QStringLiteral("UTF-8");
    if (pageCode >= 1250 && pageCode <= 1258)
        return QStringLiteral("windows-%1").arg(pageCode);
    if (pageCode == 874)
        return QStringLiteral("windows-874");
    return QStringLiteral("IBM%1").arg(pageCode);
}

int DepuisNomEncodage(const QString &nom)
{
    const QString n = nom.trimmed().toLower();
    if (n == QLatin1String("utf-8") || n == QLatin1String("utf8"))
        return 65001;
    if (n == QLatin1String("iso-8859-1") || n == QLatin1String("latin1") || n == QLatin1String("iso8859-1")
        || n == QLatin1String("us-ascii") || n == QLatin1String("ascii"))
        return 1252; // the superset Windows itself uses for these
    static const char *prefixes[] = {"windows-", "cp", "ibm", "x-cp", "cp-", "ms-"};
    for (const char *prefixe : prefixes) {
        const QLatin1String p(prefixe);
        if (n.startsWith(p)) {
            bool ok = false;
            const int code = n.mid(p.size()).toInt(&ok);
            if (ok && Connue(code))
                return code;
        }
    }
    return 0;
}

}
