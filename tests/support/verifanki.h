#pragma once

// A check of Anki packages and Anki text written from Anki's importer rules,
// independent of the program's writer: what a real Anki would refuse or
// store differently is reported as one line per fault.

#include <QByteArray>
#include <QCryptographicHash>
#include <QHash>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>
#include <QSet>
#include <QString>
#include <QStringList>

#include <sqlite3.h>
#include <zip.h>

#include <array>
#include <cstring>

namespace VerifAnki {

// Anki's text.rs: media tags give " name ", then comments, style and script
// elements and every tag go, then entities are decoded (and a no-break space
// becomes a space) when an & is left.
inline QString SansHtml(const QString &html)
{
    static const QRegularExpression media(
        QStringLiteral(
            "<(?:img|audio|video|object|source)\\b[^>]*?\\b(?:src|data)=(?:\"([^\"]+?)\"|'([^']+?)'|([^ >]+?))"
            "(?: [^>]*>|>)"),
        QRegularExpression::CaseInsensitiveOption | QRegularExpression::DotMatchesEverythingOption);
    static const QRegularExpression balises(
        QStringLiteral("(<!--.*?-->)|(<style.*?>.*?</style>)|(<script.*?>.*?</script>)|(<.*?>)"),
        QRegularExpression::CaseInsensitiveOption | QRegularExpression::DotMatchesEverythingOption);
    QString t = html;
    t.replace(media, QStringLiteral(" \\1\\2\\3 "));
    t.remove(balises);
    if (!t.contains(u'&'))
        return t;
    static const QHash<QString, QString> noms = {
        {QStringLiteral("amp"), QStringLiteral("&")},  {QStringLiteral("lt"), QStringLiteral("<")},
        {QStringLiteral("gt"), QStringLiteral(">")},   {QStringLiteral("quot"), QStringLiteral("\"")},
        {QStringLiteral("apos"), QStringLiteral("'")}, {QStringLiteral("nbsp"), QString(QChar(0xA0))}};
    static const QRegularExpression entite(QStringLiteral("&(#x[0-9a-fA-F]+|#[0-9]+|[a-zA-Z]+);"));
    QString sortie;
    qsizetype fin = 0;
    for (auto it = entite.globalMatch(t); it.hasNext();) {
        const auto m = it.next();
        const QString nom = m.captured(1);
        QString valeur;
        if (nom.startsWith(QLatin1String("#x")))
            valeur = QString::fromUcs4(std::array<char32_t, 1>{char32_t(nom.mid(2).toUInt(nullptr, 16))}.data(), 1);
        else if (nom.startsWith(u'#'))
            valeur = QString::fromUcs4(std::array<char32_t, 1>{char32_t(nom.mid(1).toUInt())}.data(), 1);
        else
            valeur = noms.value(nom, m.captured(0));
        sortie += t.mid(fin, m.capturedStart() - fin) + valeur;
        fin = m.capturedEnd();
    }
    sortie += t.mid(fin);
    return sortie.replace(QChar(0xA0), u' ');
}

// Anki's field_checksum: the first four bytes of the SHA-1, big-endian.
inline qint64 Somme(const QString &texte)
{
    const QByteArray h = QCryptographicHash::hash(texte.toUtf8(), QCryptographicHash::Sha1);
    return qint64(quint32(uchar(h[0])) << 24 | quint32(uchar(h[1])) << 16 | quint32(uchar(h[2])) << 8
                  | quint32(uchar(h[3])));
}

inline QByteArray EntreeZip(const QByteArray &paquet, const char *nom, bool *present = nullptr)
{
    QByteArray r;
    if (present)
        *present = false;
    zip_error_t e;
    zip_error_init(&e);
    zip_source_t *s = zip_source_buffer_create(paquet.constData(), zip_uint64_t(paquet.size()), 0, &e);
    zip_t *z = s ? zip_open_from_source(s, ZIP_RDONLY | ZIP_CHECKCONS, &e) : nullptr;
    zip_error_fini(&e);
    if (!z) {
        zip_source_free(s);
        return r;
    }
    zip_stat_t st;
    if (zip_stat(z, nom, 0, &st) == 0 && (st.valid & ZIP_STAT_SIZE)) {
        r.resize(qsizetype(st.size));
        zip_file_t *f = zip_fopen(z, nom, 0);
        if (f && zip_fread(f, r.data(), st.size) == zip_int64_t(st.size) && present)
            *present = true;
        if (f)
            zip_fclose(f);
    }
    zip_discard(z);
    return r;
}

// The faults Anki's package importer would meet: a note whose field count is
// not its note type's, a sort field or checksum other than Anki's, a GUID
// used twice, a note without a card, a card of no note, template or deck.
inline QStringList Paquet(const QByteArray &paquet)
{
    QStringList fautes;
    bool present = false;
    // Without a meta entry Anki reads collection.anki21, else collection.anki2.
    EntreeZip(paquet, "meta", &present);
    if (present)
        return {QStringLiteral("a meta entry: only newer Anki versions read this package")};
    QByteArray base = EntreeZip(paquet, "collection.anki21", &present);
    if (!present)
        base = EntreeZip(paquet, "collection.anki2", &present);
    if (!present)
        return {QStringLiteral("no collection in the zip")};
    sqlite3 *b = nullptr;
    sqlite3_open(":memory:", &b);
    auto *copie = static_cast<unsigned char *>(sqlite3_malloc64(quint64(base.size())));
    memcpy(copie, base.constData(), size_t(base.size()));
    sqlite3_deserialize(b, "main", copie, base.size(), base.size(), SQLITE_DESERIALIZE_FREEONCLOSE);
    const auto lignes = [b](const char *sql) {
        QList<QStringList> r;
        sqlite3_stmt *s = nullptr;
        if (sqlite3_prepare_v2(b, sql, -1, &s, nullptr) != SQLITE_OK)
            return r;
        while (sqlite3_step(s) == SQLITE_ROW) {
            QStringList l;
            for (int i = 0; i < sqlite3_column_count(s); ++i)
                l << QString::fromUtf8(reinterpret_cast<const char *>(sqlite3_column_text(s, i)),
                                       sqlite3_column_bytes(s, i));
            r << l;
        }
        sqlite3_finalize(s);
        return r;
    };
    const auto col = lignes("select ver, models, decks from col");
    if (col.size() != 1 || col.first().at(0) != QLatin1String("11")) {
        sqlite3_close(b);
        return {QStringLiteral("no col row of version 11")};
    }
    struct Type
    {
        int champs = 0;
        int tri = 0;
        int gabarits = 0;
    };
    QHash<QString, Type> types;
    const QJsonObject modeles = QJsonDocument::fromJson(col.first().at(1).toUtf8()).object();
    for (auto it = modeles.begin(); it != modeles.end(); ++it) {
        const QJsonObject m = it->toObject();
        types.insert(it.key(),
                     {int(m.value(QLatin1String("flds")).toArray().size()), m.value(QLatin1String("sortf")).toInt(),
                      int(m.value(QLatin1String("tmpls")).toArray().size())});
        if (QString::number(m.value(QLatin1String("id")).toInteger()) != it.key())
            fautes << QStringLiteral("note type %1: id differs from its key").arg(it.key());
    }
    const QJsonObject paquets = QJsonDocument::fromJson(col.first().at(2).toUtf8()).object();
    // Names Anki stores without control characters.
    QStringList noms;
    for (const auto &p : paquets)
        noms << p.toObject().value(QLatin1String("name")).toString();
    for (const auto &m : modeles) {
        for (const auto &c : m.toObject().value(QLatin1String("flds")).toArray())
            noms << c.toObject().value(QLatin1String("name")).toString();
    }
    for (const QString &nom : noms) {
        for (const QChar ch : nom) {
            if (ch.unicode() < 0x20 || ch.unicode() == 0x7F)
                fautes << QStringLiteral("name \"%1\": control character").arg(nom);
        }
    }
    QSet<QString> guids;
    QSet<QString> notes;
    for (const QStringList &n : lignes("select id, guid, mid, flds, sfld, csum from notes")) {
        const QString id = n.at(0);
        notes.insert(id);
        if (n.at(1).isEmpty() || guids.contains(n.at(1)))
            fautes << QStringLiteral("note %1: GUID empty or used twice").arg(id);
        guids.insert(n.at(1));
        if (!types.contains(n.at(2))) {
            fautes << QStringLiteral("note %1: unknown note type").arg(id);
            continue;
        }
        const Type t = types.value(n.at(2));
        const QStringList champs = n.at(3).split(QChar(0x1F));
        if (champs.size() != t.champs) {
            fautes
                << QStringLiteral("note %1: %2 fields, its note type has %3").arg(id).arg(champs.size()).arg(t.champs);
            continue;
        }
        for (const QString &c : champs) {
            for (const QChar ch : c) {
                if ((ch.unicode() < 0x20 && ch != u'\t' && ch != u'\n') || ch.unicode() == 0x7F)
                    fautes << QStringLiteral("note %1: control character U+%2").arg(id).arg(ch.unicode(), 4, 16);
            }
        }
        const QString tri = SansHtml(champs.value(t.tri));
        if (n.at(4) != tri)
            fautes << QStringLiteral("note %1: sfld \"%2\", Anki's \"%3\"").arg(id, n.at(4), tri);
        if (n.at(5) != QString::number(Somme(SansHtml(champs.first()))))
            fautes
                << QStringLiteral("note %1: csum %2, Anki's %3").arg(id, n.at(5)).arg(Somme(SansHtml(champs.first())));
    }
    QSet<QString> avecCarte;
    for (const QStringList &c :
         lignes("select c.id, c.nid, c.ord, c.did, n.mid from cards c left join notes n on n.id = c.nid")) {
        if (!notes.contains(c.at(1))) {
            fautes << QStringLiteral("card %1: no note").arg(c.at(0));
            continue;
        }
        avecCarte.insert(c.at(1));
        if (c.at(2).toInt() >= types.value(c.at(4)).gabarits)
            fautes << QStringLiteral("card %1: no template %2").arg(c.at(0), c.at(2));
        if (!paquets.contains(c.at(3)))
            fautes << QStringLiteral("card %1: no deck %2").arg(c.at(0), c.at(3));
    }
    for (const QString &n : notes) {
        if (!avecCarte.contains(n))
            fautes << QStringLiteral("note %1: no card").arg(n);
    }
    sqlite3_close(b);
    return fautes;
}

// What a fresh Anki's default import of a text file puts in the Front and
// Back of its Basic note type, read by Anki's rules: a first line "tags:",
// then header lines starting with #; without column names, fields take the
// columns in order, the meta columns (tags, deck, note type, GUID) skipped;
// a note whose first field is empty is left out. Fields written by this
// program hold no quotes, so a line splits at every separator.
struct Note
{
    QString recto;
    QString verso;
};

inline QList<Note> Texte(const QByteArray &octets, QStringList *fautes)
{
    QStringList lignes = QString::fromUtf8(octets).split(u'\n');
    QChar separateur = u'\t';
    QSet<int> meta;
    bool noms = false;
    int i = 0;
    if (!lignes.isEmpty() && lignes.first().startsWith(QLatin1String("tags:")))
        ++i;
    for (; i < lignes.size() && lignes.at(i).startsWith(u'#'); ++i) {
        const QString l = lignes.at(i).mid(1);
        const qsizetype deux = l.indexOf(u':');
        if (deux < 0)
            continue;
        const QString cle = l.left(deux).trimmed().toLower();
        const QString valeur = l.mid(deux + 1);
        if (cle == QLatin1String("separator"))
            separateur = valeur == QLatin1String("tab") ? u'\t'
                : valeur == QLatin1String("comma")      ? u','
                                                        : valeur.at(0);
        else if (cle.endsWith(QLatin1String(" column")))
            meta.insert(valeur.trimmed().toInt());
        else if (cle == QLatin1String("columns"))
            noms = true;
    }
    if (noms)
        *fautes << QStringLiteral("column names: a fresh Anki maps its fields by name");
    QList<Note> notes;
    for (; i < lignes.size(); ++i) {
        if (lignes.at(i).isEmpty() || lignes.at(i).startsWith(u'#'))
            continue;
        const QStringList colonnes = lignes.at(i).split(separateur);
        QStringList champs;
        for (int c = 0; c < colonnes.size(); ++c) {
            if (!meta.contains(c + 1))
                champs << colonnes.at(c);
        }
        if (champs.value(0).isEmpty()) {
            *fautes << QStringLiteral("line %1: empty first field, left out").arg(i + 1);
            continue;
        }
        notes << Note{champs.value(0), champs.value(1)};
    }
    return notes;
}

}
