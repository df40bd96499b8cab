// Looking for a text in the texts of a card file, with or without case.

#include "model/recherche.h"

#include <QtAlgorithms>
#include <algorithm>
#include <utility>
#include <vector>

#if defined(__SSE2__) || defined(_M_X64) || (defined(_M_IX86_FP) && _M_IX86_FP >= 2)
#include <emmintrin.h>
#define AMBLOPAD_SSE2 1
// Sixteen characters at a time where the processor can (GCC and Clang).
#if defined(__GNUC__) && (defined(__x86_64__) || defined(__i386__))
#include <immintrin.h>
#define AMBLOPAD_AVX2 1
#endif
#endif

namespace {

// Locales whose upper case differs from the Unicode default one.
bool LocaleAMajusculesPropres(const QLocale &locale)
{
    switch (locale.language()) {
    case QLocale::Turkish:
    case QLocale::Azerbaijani:
    case QLocale::Lithuanian:
    case QLocale::Greek:
        return true;
    default:
        return false;
    }
}

// Characters whose upper case is longer than one character (or that need a
// context): a text holding one goes through the full conversion.
inline bool MajusculeMultiple(char16_t c)
{
    return c >= 0x00DF
        && (c == 0x00DF || c == 0x0149 || c == 0x01F0 || (c >= 0x0370 && c <= 0x03FF) || c == 0x0587
            || (c >= 0x1E96 && c <= 0x1E9E) || (c >= 0x1F00 && c <= 0x1FFF) || (c >= 0xFB00 && c <= 0xFB17)
            || (c >= 0xD800 && c <= 0xDFFF));
}

inline char16_t Majuscule(char16_t c)
{
    if (c < 0x80)
        return (c >= 'a' && c <= 'z') ? char16_t(c - ('a' - 'A')) : c;
    return char16_t(QChar::toUpper(char32_t(c)));
}

template <bool SansCasse>
inline char16_t Plier(char16_t c)
{
    if constexpr (SansCasse)
        return Majuscule(c);
    else
        return c;
}

// Every character whose upper case is another single character, with that
// upper case: the few characters equal to a given one without case.
const std::vector<std::pair<char16_t, char16_t>> &Casses()
{
    static const std::vector<std::pair<char16_t, char16_t>> casses = [] {
        std::vector<std::pair<char16_t, char16_t>> v;
        for (char32_t c = 0; c <= 0xFFFF; ++c) {
            const char16_t majuscule = Majuscule(char16_t(c));
            if (majuscule != c)
                v.emplace_back(char16_t(c), majuscule);
        }
        return v;
    }();
    return casses;
}

#ifdef AMBLOPAD_SSE2
inline __m128i Egal(__m128i x, char16_t c)
{
    return _mm_cmpeq_epi16(x, _mm_set1_epi16(short(c)));
}

// Lanes holding a character from bas to haut.
inline __m128i Entre(__m128i x, char16_t bas, char16_t haut)
{
    const __m128i d = _mm_sub_epi16(x, _mm_set1_epi16(short(bas)));
    return _mm_cmpeq_epi16(_mm_subs_epu16(d, _mm_set1_epi16(short(haut - bas))), _mm_setzero_si128());
}

// The lanes of MajusculeMultiple.
inline __m128i Multiples(__m128i x)
{
    __m128i v = _mm_or_si128(_mm_or_si128(Egal(x, 0x00DF), Egal(x, 0x0149)), Egal(x, 0x01F0));
    v = _mm_or_si128(v, _mm_or_si128(Entre(x, 0x0370, 0x03FF), Egal(x, 0x0587)));
    v = _mm_or_si128(v, _mm_or_si128(Entre(x, 0x1E96, 0x1E9E), Entre(x, 0x1F00, 0x1FFF)));
    return _mm_or_si128(v, _mm_or_si128(Entre(x, 0xFB00, 0xFB17), Entre(x, 0xD800, 0xDFFF)));
}

// The first position from s (at most fin) that may start a match: its
// character is one of the forms of the first character, and the one m - 1
// further one of the last (m = n - fin + 1, the length looked for). Without
// case, also the first position that may hold a character needing the full
// conversion, up to n, exactly before fin and roughly after. n when there is
// none. Needs fin >= 8.
template <int Formes, bool SansCasse>
qsizetype SuivantSse2(const char16_t *t, qsizetype s, qsizetype fin, qsizetype n, const char16_t (*formes)[16])
{
    const qsizetype m = n - fin + 1;
    const auto forme = [formes](int k) { return _mm_load_si128(reinterpret_cast<const __m128i *>(formes[k])); };
    const __m128i p0 = forme(0), p1 = forme(1), p2 = forme(2), p3 = forme(3);
    const __m128i d0 = forme(4), d1 = forme(5), d2 = forme(6), d3 = forme(7);
    // Above U+00FF, or ß: where characters needing the full conversion may
    // be (compared as signed numbers once the sign bit is flipped).
    const auto grossier = [](__m128i x) {
        const __m128i haut = _mm_cmpgt_epi16(_mm_xor_si128(x, _mm_set1_epi16(short(0x8000))),
                                             _mm_set1_epi16(short(0x80FF)));
        return _mm_or_si128(haut, _mm_cmpeq_epi16(x, _mm_set1_epi16(0x00DF)));
    };
    unsigned masque = 0xFFFFu;
    for (; s < fin; s += 8) {
        if (s + 8 > fin) {
            // The last positions, in a block that overlaps the one before.
            masque = (0xFFFFu << (2 * (s - (fin - 8)))) & 0xFFFFu;
            s = fin - 8;
        }
        const __m128i x = _mm_loadu_si128(reinterpret_cast<const __m128i *>(t + s));
        const __m128i y = _mm_loadu_si128(reinterpret_cast<const __m128i *>(t + s + m - 1));
        __m128i debut = _mm_or_si128(_mm_cmpeq_epi16(x, p0), _mm_cmpeq_epi16(x, p1));
        __m128i dernier = _mm_or_si128(_mm_cmpeq_epi16(y, d0), _mm_cmpeq_epi16(y, d1));
        if constexpr (Formes == 4) {
            debut = _mm_or_si128(debut, _mm_or_si128(_mm_cmpeq_epi16(x, p2), _mm_cmpeq_epi16(x, p3)));
            dernier = _mm_or_si128(dernier, _mm_or_si128(_mm_cmpeq_epi16(y, d2), _mm_cmpeq_epi16(y, d3)));
        }
        const __m128i candidats = _mm_and_si128(debut, dernier);
        unsigned bits;
        if constexpr (SansCasse) {
            bits = unsigned(_mm_movemask_epi8(_mm_or_si128(candidats, grossier(x)))) & masque;
            if (bits)
                bits = unsigned(_mm_movemask_epi8(_mm_or_si128(candidats, Multiples(x)))) & masque;
        } else {
            bits = unsigned(_mm_movemask_epi8(candidats)) & masque;
        }
        if (bits)
            return s + qCountTrailingZeroBits(bits) / 2;
    }
    if constexpr (SansCasse) {
        for (s = fin; s < n; s += 8) {
            qsizetype b = s;
            masque = 0xFFFFu;
            if (s + 8 > n) {
                b = n - 8;
                masque = (0xFFFFu << (2 * (s - b))) & 0xFFFFu;
            }
            const __m128i x = _mm_loadu_si128(reinterpret_cast<const __m128i *>(t + b));
            if (const unsigned bits = unsigned(_mm_movemask_epi8(grossier(x))) & masque)
                return b + qCountTrailingZeroBits(bits) / 2;
        }
    }
    return n;
}
#endif

#ifdef AMBLOPAD_AVX2
__attribute__((target("avx2"))) inline __m256i Egal256(__m256i x, char16_t c)
{
    return _mm256_cmpeq_epi16(x, _mm256_set1_epi16(short(c)));
}

__attribute__((target("avx2"))) inline __m256i Entre256(__m256i x, char16_t bas, char16_t haut)
{
    const __m256i d = _mm256_sub_epi16(x, _mm256_set1_epi16(short(bas)));
    return _mm256_cmpeq_epi16(_mm256_subs_epu16(d, _mm256_set1_epi16(short(haut - bas))), _mm256_setzero_si256());
}

__attribute__((target("avx2"))) inline __m256i Multiples256(__m256i x)
{
    __m256i v = _mm256_or_si256(_mm256_or_si256(Egal256(x, 0x00DF), Egal256(x, 0x0149)), Egal256(x, 0x01F0));
    v = _mm256_or_si256(v, _mm256_or_si256(Entre256(x, 0x0370, 0x03FF), Egal256(x, 0x0587)));
    v = _mm256_or_si256(v, _mm256_or_si256(Entre256(x, 0x1E96, 0x1E9E), Entre256(x, 0x1F00, 0x1FFF)));
    return _mm256_or_si256(v, _mm256_or_si256(Entre256(x, 0xFB00, 0xFB17), Entre256(x, 0xD800, 0xDFFF)));
}

__attribute__((target("avx2"))) inline __m256i Grossier256(__m256i x)
{
    const __m256i haut = _mm256_cmpgt_epi16(_mm256_xor_si256(x, _mm256_set1_epi16(short(0x8000))),
                                            _mm256_set1_epi16(short(0x80FF)));
    return _mm256_or_si256(haut, _mm256_cmpeq_epi16(x, _mm256_set1_epi16(0x00DF)));
}

// SuivantSse2 sixteen positions at a time; needs fin >= 16.
template <int Formes, bool SansCasse>
__attribute__((target("avx2"))) qsizetype SuivantAvx2(const char16_t *t, qsizetype s, qsizetype fin, qsizetype n,
                                                      const char16_t (*formes)[16])
{
    const qsizetype m = n - fin + 1;
    const __m256i p0 = _mm256_load_si256(reinterpret_cast<const __m256i *>(formes[0]));
    const __m256i p1 = _mm256_load_si256(reinterpret_cast<const __m256i *>(formes[1]));
    const __m256i p2 = _mm256_load_si256(reinterpret_cast<const __m256i *>(formes[2]));
    const __m256i p3 = _mm256_load_si256(reinterpret_cast<const __m256i *>(formes[3]));
    const __m256i d0 = _mm256_load_si256(reinterpret_cast<const __m256i *>(formes[4]));
    const __m256i d1 = _mm256_load_si256(reinterpret_cast<const __m256i *>(formes[5]));
    const __m256i d2 = _mm256_load_si256(reinterpret_cast<const __m256i *>(formes[6]));
    const __m256i d3 = _mm256_load_si256(reinterpret_cast<const __m256i *>(formes[7]));
    unsigned masque = 0xFFFFFFFFu;
    for (; s < fin; s += 16) {
        if (s + 16 > fin) {
            masque = 0xFFFFFFFFu << (2 * (s - (fin - 16)));
            s = fin - 16;
        }
        const __m256i x = _mm256_loadu_si256(reinterpret_cast<const __m256i *>(t + s));
        const __m256i y = _mm256_loadu_si256(reinterpret_cast<const __m256i *>(t + s + m - 1));
        __m256i debut = _mm256_or_si256(_mm256_cmpeq_epi16(x, p0), _mm256_cmpeq_epi16(x, p1));
        __m256i dernier = _mm256_or_si256(_mm256_cmpeq_epi16(y, d0), _mm256_cmpeq_epi16(y, d1));
        if constexpr (Formes == 4) {
            debut = _mm256_or_si256(debut, _mm256_or_si256(_mm256_cmpeq_epi16(x, p2), _mm256_cmpeq_epi16(x, p3)));
            dernier = _mm256_or_si256(dernier, _mm256_or_si256(_mm256_cmpeq_epi16(y, d2), _mm256_cmpeq_epi16(y, d3)));
        }
        const __m256i candidats = _mm256_and_si256(debut, dernier);
        unsigned bits;
        if constexpr (SansCasse) {
            bits = unsigned(_mm256_movemask_epi8(_mm256_or_si256(candidats, Grossier256(x)))) & masque;
            if (bits)
                bits = unsigned(_mm256_movemask_epi8(_mm256_or_si256(candidats, Multiples256(x)))) & masque;
        } else {
            bits = unsigned(_mm256_movemask_epi8(candidats)) & masque;
        }
        if (bits)
            return s + qCountTrailingZeroBits(bits) / 2;
    }
    if constexpr (SansCasse) {
        for (s = fin; s < n; s += 16) {
            qsizetype b = s;
            masque = 0xFFFFFFFFu;
            if (s + 16 > n) {
                b = n - 16;
                masque = 0xFFFFFFFFu << (2 * (s - b));
            }
            const __m256i x = _mm256_loadu_si256(reinterpret_cast<const __m256i *>(t + b));
            if (const unsigned bits = unsigned(_mm256_movemask_epi8(Grossier256(x))) & masque)
                return b + qCountTrailingZeroBits(bits) / 2;
        }
    }
    return n;
}

bool AvecAvx2()
{
    static const bool avx2 = __builtin_cpu_supports("avx2");
    return avx2;
}
#endif

} // namespace

TRecherche::TRecherche(const QString &aiguille, bool casse, const QLocale &locale)
    : m_source(aiguille), m_casse(casse), m_locale(locale)
{
    if (casse) {
        m_cherche = aiguille;
        m_parCaractere = true;
    } else {
        m_cherche = locale.toUpper(aiguille);
        m_parCaractere = !LocaleAMajusculesPropres(locale);
        for (const QChar c : aiguille)
            m_parCaractere = m_parCaractere && !MajusculeMultiple(c.unicode());
    }
    m_avecNul = m_cherche.contains(QChar(0));
    if (!m_parCaractere || m_cherche.isEmpty())
        return;
    // Every character that compares equal to the first and to the last one
    // (at most four: 'I', 'i' and the dotless 'ı', for instance).
    const char16_t bouts[2] = {m_cherche.front().unicode(), m_cherche.back().unicode()};
    char16_t formes[2][4] = {};
    int nombres[2] = {0, 0};
    bool complet = true;
    for (int k = 0; k < 2; ++k) {
        const auto ajouter = [&](char16_t c) {
            if (nombres[k] == 4)
                complet = false;
            else
                formes[k][nombres[k]++] = c;
        };
        if (casse || Majuscule(bouts[k]) == bouts[k])
            ajouter(bouts[k]);
        if (!casse) {
            for (const auto &[c, majuscule] : Casses()) {
                if (majuscule == bouts[k])
                    ajouter(c);
            }
        }
    }
    if (!complet || nombres[0] == 0 || nombres[1] == 0)
        return;
    m_nombreFormes = nombres[0] <= 2 && nombres[1] <= 2 ? 2 : 4;
    for (int k = 0; k < 2; ++k) {
        for (int j = 0; j < 4; ++j)
            std::fill_n(m_formes[4 * k + j], 16, formes[k][j < nombres[k] ? j : 0]);
    }
#ifdef AMBLOPAD_AVX2
    m_avx2 = AvecAvx2();
#endif
}

TRecherche::Resultat TRecherche::TrouveDansSuite(QStringView suite) const
{
    // A match there is a match in one text, found before any character of
    // that text the comparison one by one cannot decide.
    if (m_cherche.isEmpty() || m_avecNul || m_nombreFormes == 0)
        return Indecis;
    if (suite.isEmpty())
        return Non;
    if (m_casse)
        return m_nombreFormes == 4 ? Parcourir<false, 4>(suite) : Parcourir<false, 2>(suite);
    return m_nombreFormes == 4 ? Parcourir<true, 4>(suite) : Parcourir<true, 2>(suite);
}

bool TRecherche::Trouve(QStringView texte) const
{
    if (texte.isEmpty() || m_cherche.isEmpty())
        return false;
    if (m_casse)
        return (m_nombreFormes == 4 ? Parcourir<false, 4>(texte) : Parcourir<false, 2>(texte)) == Oui;
    if (m_parCaractere) {
        const Resultat r = m_nombreFormes == 4 ? Parcourir<true, 4>(texte)
            : m_nombreFormes == 2              ? Parcourir<true, 2>(texte)
                                               : Parcourir<true, 0>(texte);
        if (r != Indecis)
            return r == Oui;
    }
    return m_locale.toUpper(texte.toString()).contains(m_cherche);
}

// Without case, compares as the upper case would, one character at a time,
// without building it; Indecis when the text holds a character whose upper
// case is not one character before a match is found. Formes: how many
// characters m_formes gives for each end of the text looked for (none: a
// character at a time).
template <bool SansCasse, int Formes>
TRecherche::Resultat TRecherche::Parcourir(QStringView texte) const
{
    const char16_t *t = texte.utf16();
    const qsizetype n = texte.size();
    const char16_t *a = reinterpret_cast<const char16_t *>(m_cherche.constData());
    const qsizetype m = m_cherche.size();
    // What position i decides, positions taken in order. Upper case maps
    // every character before a match on its own: a match there is a match
    // in the whole upper-cased text.
    const auto position = [&](qsizetype i) {
        const char16_t c = t[i];
        if (SansCasse && MajusculeMultiple(c))
            return Indecis;
        if (i + m <= n && Plier<SansCasse>(c) == a[0]) {
            qsizetype j = 1;
            while (j < m && Plier<SansCasse>(t[i + j]) == a[j])
                ++j;
            if (j == m)
                return Oui;
        }
        return Non;
    };
    qsizetype i = 0;
    if constexpr (Formes > 0) {
#ifdef AMBLOPAD_SSE2
        // The positions that may start a match, found a vector at a time.
        const qsizetype fin = n - m + 1;
        if (fin >= 8) {
            for (;; ++i) {
#ifdef AMBLOPAD_AVX2
                if (m_avx2 && fin - i >= 16)
                    i = SuivantAvx2<Formes, SansCasse>(t, i, fin, n, m_formes);
                else
#endif
                    i = SuivantSse2<Formes, SansCasse>(t, i, fin, n, m_formes);
                if (i >= fin)
                    break;
                const Resultat r = position(i);
                if (r != Non)
                    return r;
            }
            // Too close to the end to start a match: a character there may
            // still need the full conversion.
            for (; SansCasse && i < n; ++i) {
                if (MajusculeMultiple(t[i]))
                    return Indecis;
            }
            return Non;
        }
#endif
        // Short texts: the characters that can neither start a match nor
        // need the full conversion are passed over at once.
        const char16_t f0 = m_formes[0][0], f1 = m_formes[1][0], f2 = m_formes[2][0], f3 = m_formes[3][0];
        for (; i < n; ++i) {
            const char16_t c = t[i];
            if (c < 0x00DF && c != f0 && c != f1 && c != f2 && c != f3)
                continue;
            const Resultat r = position(i);
            if (r != Non)
                return r;
        }
        return Non;
    }
    for (; i < n; ++i) {
        const Resultat r = position(i);
        if (r != Non)
            return r;
    }
    return Non;
}
