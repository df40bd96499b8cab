#include "formats/anki.h"

#include "formats/contrat.h"
#include "formats/html.h"
#include "formats/table.h"
#include "model/budget.h"
#include "model/erreurs.h"
#include "model/fichierx.h"
#include "model/flux.h"
#include "model/outils.h"

#include <QCoreApplication>
#include <QCryptographicHash>
#include <QDateTime>
#include <QHash>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSet>
#include <QStringDecoder>
#include <QStringList>

#include <sqlite3.h>
#include <zip.h>
// The frame header (window size) is in the part of zstd's API marked static-only.
#define ZSTD_STATIC_LINKING_ONLY
#include <zstd.h>

#include <cstring>
#include <vector>

namespace {

// The messages' translation context.
struct Anki
{
    Q_DECLARE_TR_FUNCTIONS(Anki)
};

const QString CRLF = QStringLiteral("\r\n");
const QChar SeparateurChamps = QChar(0x1F);
// The note types this program exports are named after the file types.
const QString PrefixeType = QStringLiteral("Amblopad ");

[[noreturn]] void Refuser(const QString &message)
{
    throw ErreurIdInvalide(message);
}

[[noreturn]] void Endommage()
{
    Refuser(Anki::tr("This Anki package is damaged or holds no Anki collection."));
}

QByteArray Utf8(const QString &texte)
{
    return texte.toUtf8();
}

// ================================================================ SQLite

struct FermerBase
{
    void operator()(sqlite3 *b) const { sqlite3_close(b); }
};
using Base = std::unique_ptr<sqlite3, FermerBase>;

[[noreturn]] void TropLong()
{
    Refuser(Anki::tr("Reading this Anki collection takes too long: it is refused."));
}

// The reading of one collection: every byte read from the database counts
// against the file's memory budget, and all of them together may not pass a
// bound set by the database's size. A real collection reads each stored text
// once; a default value given to a column by ALTER TABLE is stored once and
// read again for every row.
struct Lecture
{
    qint64 restant;
    Lecture *precedente;
};
thread_local Lecture *t_lecture = nullptr;

class EnLecture
{
public:
    explicit EnLecture(qint64 tailleBase) : m_lecture{2 * tailleBase + (1 << 20), t_lecture} { t_lecture = &m_lecture; }
    ~EnLecture() { t_lecture = m_lecture.precedente; }
    EnLecture(const EnLecture &) = delete;
    EnLecture &operator=(const EnLecture &) = delete;

private:
    Lecture m_lecture;
};

void CompterLu(qint64 octets)
{
    if (!t_lecture)
        return;
    t_lecture->restant -= octets;
    if (t_lecture->restant < 0)
        TropLong();
    if (TBudgetMemoire *budget = TBudgetMemoire::Courant())
        budget->Prendre(octets);
}

// A prepared statement; any failure of SQLite is a refusal of the file.
class Requete
{
public:
    Requete(sqlite3 *base, const char *sql) { Verifier(sqlite3_prepare_v2(base, sql, -1, &m_requete, nullptr)); }
    ~Requete() { sqlite3_finalize(m_requete); }
    Requete(const Requete &) = delete;
    Requete &operator=(const Requete &) = delete;

    // False when there is no more row.
    bool Suivante()
    {
        const int r = sqlite3_step(m_requete);
        if (r == SQLITE_ROW)
            return true;
        if (r == SQLITE_DONE)
            return false;
        Verifier(r);
        return false;
    }
    void Executer()
    {
        while (Suivante()) { }
        sqlite3_reset(m_requete);
    }
    void Lier(int i, qint64 v) { Verifier(sqlite3_bind_int64(m_requete, i, v)); }
    void Lier(int i, const QByteArray &v)
    {
        Verifier(sqlite3_bind_text(m_requete, i, v.constData(), int(v.size()), SQLITE_TRANSIENT));
    }
    void Lier(int i, const QString &v) { Lier(i, Utf8(v)); }
    qint64 Entier(int i) const { return sqlite3_column_int64(m_requete, i); }
    QString Texte(int i) const
    {
        const auto *t = reinterpret_cast<const char *>(sqlite3_column_text(m_requete, i));
        if (!t)
            return QString();
        const int n = sqlite3_column_bytes(m_requete, i);
        CompterLu(n);
        return QString::fromUtf8(t, n);
    }
    // The UTF-8 bytes of a text column, valid until the next step.
    QByteArray Octets(int i) const
    {
        const auto *t = reinterpret_cast<const char *>(sqlite3_column_text(m_requete, i));
        if (!t)
            return QByteArray();
        const int n = sqlite3_column_bytes(m_requete, i);
        CompterLu(n);
        return QByteArray::fromRawData(t, n);
    }

    // Errors of a database read from a file: the file is refused.
    static void VerifierCode(int code);

private:
    void Verifier(int code) const
    {
        if (code != SQLITE_OK && code != SQLITE_ROW && code != SQLITE_DONE)
            VerifierCode(code);
    }
    sqlite3_stmt *m_requete = nullptr;
};

void Requete::VerifierCode(int code)
{
    if (code == SQLITE_OK || code == SQLITE_ROW || code == SQLITE_DONE)
        return;
    switch (code & 0xFF) {
    case SQLITE_INTERRUPT:
        TropLong();
    case SQLITE_NOMEM:
        throw std::bad_alloc();
    default:
        // SQLITE_CORRUPT, SQLITE_NOTADB, a missing table or column...
        Endommage();
    }
}

void Executer(sqlite3 *base, const char *sql)
{
    Requete r(base, sql);
    r.Executer();
}

// ================================================================ export

// The fields of the card file that the note type carries (0 title, 1
// question or index, 2 answer or body), with their captions.
struct Modele
{
    QList<int> champs;
    QStringList noms;
    QString nomType;
    QString paquet;
};

// A field name Anki accepts: none of : { } " and no leading # / ^.
QString NomChamp(QString nom, int rang, const QStringList &pris)
{
    for (const char c : {':', '{', '}', '"'})
        nom.remove(QLatin1Char(c));
    nom = nom.simplified();
    while (!nom.isEmpty() && (nom.at(0) == u'#' || nom.at(0) == u'/' || nom.at(0) == u'^'))
        nom.remove(0, 1);
    if (nom.isEmpty())
        nom = QStringLiteral("Field %1").arg(rang + 1);
    QString unique = nom;
    for (int n = 2; pris.contains(unique, Qt::CaseInsensitive); ++n)
        unique = QStringLiteral("%1 %2").arg(nom).arg(n);
    return unique;
}

QString NomPaquet(const TFichierX &fichier, const QString &secours)
{
    QString nom = fichier.Titre;
    if (nom.isEmpty())
        nom = NomSansExtension(fichier.NomFichier.isEmpty() ? secours : fichier.NomFichier);
    nom = nom.simplified();
    return nom.isEmpty() ? QStringLiteral("Amblopad") : nom;
}

Modele ModeleDe(const TFichierX &fichier, const QString &secours)
{
    TFicheX etiquettes = fichier.Etiquettes;
    if (!fichier.AvecEtiquettes) {
        TFichierX defaut(fichier.TypeFichier, fichier.FormatFichier);
        defaut.EtiquettesParDefaut();
        etiquettes = defaut.Etiquettes;
    }
    Modele m;
    if (fichier.AvecTitre)
        m.champs << 0;
    if (!fichier.Numerote)
        m.champs << 1;
    m.champs << 2;
    for (int c : m.champs) {
        const QString &legende = c == 0 ? etiquettes.Champ0() : c == 1 ? etiquettes.Champ1() : etiquettes.Champ2();
        m.noms << NomChamp(legende, int(m.noms.size()), m.noms);
    }
    m.nomType = PrefixeType + fichier.NomTypeFichier();
    m.paquet = NomPaquet(fichier, secours);
    return m;
}

QString Champ(const TFicheX &fiche, int c)
{
    return fiche.Champ(c);
}

// The text that identifies a card across exports, and how many cards before
// it had the same one.
struct Cle
{
    QString texte;
    int occurrence;
};

std::vector<Cle> Cles(const TFichierX &fichier)
{
    std::vector<Cle> cles;
    cles.reserve(fichier.Fiches.size());
    QHash<QString, int> vues;
    for (int i = 0; i < fichier.NombreFiches(); ++i) {
        const QString texte = fichier.Numerote ? QString::number(i + 1) : fichier.Fiche(i).Champ1();
        cles.push_back({texte, vues[texte]++});
    }
    return cles;
}

// A positive id below 2^53 (JavaScript clients read them as doubles), the
// same for the same text.
qint64 IdStable(const QString &texte)
{
    const QByteArray h = QCryptographicHash::hash(Utf8(texte), QCryptographicHash::Sha1);
    quint64 v = 0;
    for (int i = 0; i < 8; ++i)
        v = (v << 8) | uchar(h.at(i));
    return qint64(v % 1000000000000ULL) + 1000000000000LL;
}

// Anki's checksum of a note: the first 8 hex digits of the SHA-1 of its first
// field's text.
qint64 Checksum(const QString &texte)
{
    const QByteArray h = QCryptographicHash::hash(Utf8(texte), QCryptographicHash::Sha1);
    return qint64((quint32(uchar(h.at(0))) << 24) | (quint32(uchar(h.at(1))) << 16) | (quint32(uchar(h.at(2))) << 8)
                  | quint32(uchar(h.at(3))));
}

QString Gabarit(const QStringList &noms, const QList<int> &champs, bool verso)
{
    // Front: the title (when there is one) over the question; a file without
    // questions shows its body.
    QString recto;
    const bool titre = champs.first() == 0;
    const qsizetype question = champs.indexOf(1);
    if (titre && question >= 0)
        recto = QStringLiteral("{{#%1}}{{%1}}<br>{{/%1}}{{%2}}").arg(noms.at(0), noms.at(question));
    else if (question >= 0)
        recto = QStringLiteral("{{%1}}").arg(noms.at(question));
    else if (titre)
        recto = QStringLiteral("{{%1}}").arg(noms.at(0));
    const QString corps = QStringLiteral("{{%1}}").arg(noms.last());
    if (recto.isEmpty())
        return verso ? QStringLiteral("{{FrontSide}}") : corps;
    return verso ? QStringLiteral("{{FrontSide}}\n\n<hr id=answer>\n\n") + corps : recto;
}

QJsonObject JsonModele(const Modele &m, qint64 mid, qint64 did, qint64 maintenant)
{
    QJsonArray champs;
    for (int i = 0; i < m.noms.size(); ++i) {
        champs.append(QJsonObject{{QStringLiteral("name"), m.noms.at(i)},
                                  {QStringLiteral("ord"), i},
                                  {QStringLiteral("sticky"), false},
                                  {QStringLiteral("rtl"), false},
                                  {QStringLiteral("font"), QStringLiteral("Arial")},
                                  {QStringLiteral("size"), 20},
                                  {QStringLiteral("media"), QJsonArray()}});
    }
    const QJsonObject modele{{QStringLiteral("name"), QStringLiteral("Card 1")},
                             {QStringLiteral("ord"), 0},
                             {QStringLiteral("qfmt"), Gabarit(m.noms, m.champs, false)},
                             {QStringLiteral("afmt"), Gabarit(m.noms, m.champs, true)},
                             {QStringLiteral("bqfmt"), QString()},
                             {QStringLiteral("bafmt"), QString()},
                             {QStringLiteral("did"), QJsonValue::Null},
                             {QStringLiteral("bfont"), QString()},
                             {QStringLiteral("bsize"), 0}};
    QJsonArray requis;
    for (int i = 0; i < m.noms.size() - (m.noms.size() > 1 ? 1 : 0); ++i)
        requis.append(i);
    return QJsonObject{{QStringLiteral("id"), mid},
                       {QStringLiteral("name"), m.nomType},
                       {QStringLiteral("type"), 0},
                       {QStringLiteral("mod"), maintenant},
                       {QStringLiteral("usn"), -1},
                       {QStringLiteral("sortf"), 0},
                       {QStringLiteral("did"), did},
                       {QStringLiteral("tmpls"), QJsonArray{modele}},
                       {QStringLiteral("flds"), champs},
                       {QStringLiteral("css"),
                        QStringLiteral(".card {\n font-family: arial;\n font-size: 20px;\n text-align: center;\n"
                                       " color: black;\n background-color: white;\n}\n")},
                       {QStringLiteral("latexPre"),
                        QStringLiteral("\\documentclass[12pt]{article}\n\\special{papersize=3in,5in}\n"
                                       "\\usepackage[utf8]{inputenc}\n\\usepackage{amssymb,amsmath}\n"
                                       "\\pagestyle{empty}\n\\setlength{\\parindent}{0in}\n\\begin{document}\n")},
                       {QStringLiteral("latexPost"), QStringLiteral("\\end{document}")},
                       {QStringLiteral("latexsvg"), false},
                       {QStringLiteral("req"), QJsonArray{QJsonArray{0, QStringLiteral("any"), requis}}},
                       {QStringLiteral("tags"), QJsonArray()},
                       {QStringLiteral("vers"), QJsonArray()}};
}

QJsonObject JsonPaquet(qint64 id, const QString &nom, qint64 maintenant)
{
    return QJsonObject{{QStringLiteral("id"), id},
                       {QStringLiteral("name"), nom},
                       {QStringLiteral("mod"), maintenant},
                       {QStringLiteral("usn"), -1},
                       {QStringLiteral("desc"), QString()},
                       {QStringLiteral("dyn"), 0},
                       {QStringLiteral("conf"), 1},
                       {QStringLiteral("collapsed"), false},
                       {QStringLiteral("browserCollapsed"), false},
                       {QStringLiteral("extendNew"), 0},
                       {QStringLiteral("extendRev"), 0},
                       {QStringLiteral("newToday"), QJsonArray{0, 0}},
                       {QStringLiteral("revToday"), QJsonArray{0, 0}},
                       {QStringLiteral("lrnToday"), QJsonArray{0, 0}},
                       {QStringLiteral("timeToday"), QJsonArray{0, 0}}};
}

QJsonObject JsonOptionsPaquet()
{
    return QJsonObject{{QStringLiteral("id"), 1},
                       {QStringLiteral("name"), QStringLiteral("Default")},
                       {QStringLiteral("mod"), 0},
                       {QStringLiteral("usn"), 0},
                       {QStringLiteral("maxTaken"), 60},
                       {QStringLiteral("autoplay"), true},
                       {QStringLiteral("timer"), 0},
                       {QStringLiteral("replayq"), true},
                       {QStringLiteral("dyn"), false},
                       {QStringLiteral("new"),
                        QJsonObject{{QStringLiteral("delays"), QJsonArray{1, 10}},
                                    {QStringLiteral("ints"), QJsonArray{1, 4, 0}},
                                    {QStringLiteral("initialFactor"), 2500},
                                    {QStringLiteral("order"), 1},
                                    {QStringLiteral("perDay"), 20},
                                    {QStringLiteral("bury"), false}}},
                       {QStringLiteral("rev"),
                        QJsonObject{{QStringLiteral("perDay"), 200},
                                    {QStringLiteral("ease4"), 1.3},
                                    {QStringLiteral("ivlFct"), 1},
                                    {QStringLiteral("maxIvl"), 36500},
                                    {QStringLiteral("hardFactor"), 1.2},
                                    {QStringLiteral("bury"), false}}},
                       {QStringLiteral("lapse"),
                        QJsonObject{{QStringLiteral("delays"), QJsonArray{10}},
                                    {QStringLiteral("mult"), 0},
                                    {QStringLiteral("minInt"), 1},
                                    {QStringLiteral("leechFails"), 8},
                                    {QStringLiteral("leechAction"), 1}}}};
}

QByteArray Compact(const QJsonObject &o)
{
    return QJsonDocument(o).toJson(QJsonDocument::Compact);
}

// The schema of the collections that every Anki 2.1 and the phone versions
// import (version 11).
const char *const SchemaCollection = R"(
create table col (id integer primary key, crt integer not null, mod integer not null,
  scm integer not null, ver integer not null, dty integer not null, usn integer not null,
  ls integer not null, conf text not null, models text not null, decks text not null,
  dconf text not null, tags text not null);
create table notes (id integer primary key, guid text not null, mid integer not null,
  mod integer not null, usn integer not null, tags text not null, flds text not null,
  sfld integer not null, csum integer not null, flags integer not null, data text not null);
create table cards (id integer primary key, nid integer not null, did integer not null,
  ord integer not null, mod integer not null, usn integer not null, type integer not null,
  queue integer not null, due integer not null, ivl integer not null, factor integer not null,
  reps integer not null, lapses integer not null, left integer not null, odue integer not null,
  odid integer not null, flags integer not null, data text not null);
create table revlog (id integer primary key, cid integer not null, usn integer not null,
  ease integer not null, ivl integer not null, lastIvl integer not null, factor integer not null,
  time integer not null, type integer not null);
create table graves (usn integer not null, oid integer not null, type integer not null);
create index ix_notes_usn on notes (usn);
create index ix_cards_usn on cards (usn);
create index ix_revlog_usn on revlog (usn);
create index ix_cards_nid on cards (nid);
create index ix_cards_sched on cards (did, queue, due);
create index ix_revlog_cid on revlog (cid);
create index ix_notes_csum on notes (csum);
)";

// Building a database is our own work: a failure there is no fault of a file.
void Construire(int code, sqlite3 *base)
{
    if (code == SQLITE_OK || code == SQLITE_ROW || code == SQLITE_DONE)
        return;
    if ((code & 0xFF) == SQLITE_NOMEM)
        throw std::bad_alloc();
    throw ErreurFichier(
        Anki::tr("The Anki collection could not be built: %1").arg(QString::fromUtf8(sqlite3_errmsg(base))));
}

QByteArray Collection(const TFichierX &fichier, const Modele &m)
{
    sqlite3 *brute = nullptr;
    const int ouverture = sqlite3_open_v2(":memory:", &brute, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr);
    Base base(brute);
    Construire(ouverture, brute);
    Construire(sqlite3_exec(brute, SchemaCollection, nullptr, nullptr, nullptr), brute);
    Construire(sqlite3_exec(brute, "begin", nullptr, nullptr, nullptr), brute);

    const qint64 maintenantMs = QDateTime::currentMSecsSinceEpoch();
    const qint64 maintenant = maintenantMs / 1000;
    qint64 mid = IdStable(m.nomType + SeparateurChamps + m.noms.join(SeparateurChamps));
    qint64 did = IdStable(QStringLiteral("deck") + SeparateurChamps + m.paquet);
    if (did == mid)
        ++did;

    const QJsonObject modeles{{QString::number(mid), JsonModele(m, mid, did, maintenant)}};
    QJsonObject defaut = JsonPaquet(1, QStringLiteral("Default"), maintenant);
    const QJsonObject paquets{{QStringLiteral("1"), defaut},
                              {QString::number(did), JsonPaquet(did, m.paquet, maintenant)}};
    const QJsonObject options{{QStringLiteral("1"), JsonOptionsPaquet()}};
    const QJsonObject conf{{QStringLiteral("nextPos"), fichier.NombreFiches() + 1},
                           {QStringLiteral("estTimes"), true},
                           {QStringLiteral("activeDecks"), QJsonArray{did}},
                           {QStringLiteral("sortType"), QStringLiteral("noteFld")},
                           {QStringLiteral("timeLim"), 0},
                           {QStringLiteral("sortBackwards"), false},
                           {QStringLiteral("addToCur"), true},
                           {QStringLiteral("curDeck"), did},
                           {QStringLiteral("newSpread"), 0},
                           {QStringLiteral("dueCounts"), true},
                           {QStringLiteral("curModel"), QString::number(mid)},
                           {QStringLiteral("collapseTime"), 1200}};
    {
        sqlite3_stmt *s = nullptr;
        Construire(sqlite3_prepare_v2(brute,
                                      "insert into col values (1, ?1, ?2, ?2, 11, 0, 0, 0, ?3, ?4, ?5, ?6, '{}')", -1,
                                      &s, nullptr),
                   brute);
        std::unique_ptr<sqlite3_stmt, int (*)(sqlite3_stmt *)> garde(s, sqlite3_finalize);
        const QByteArray c = Compact(conf), mo = Compact(modeles), pa = Compact(paquets), op = Compact(options);
        sqlite3_bind_int64(s, 1, maintenant - maintenant % 86400);
        sqlite3_bind_int64(s, 2, maintenantMs);
        sqlite3_bind_text(s, 3, c.constData(), int(c.size()), SQLITE_TRANSIENT);
        sqlite3_bind_text(s, 4, mo.constData(), int(mo.size()), SQLITE_TRANSIENT);
        sqlite3_bind_text(s, 5, pa.constData(), int(pa.size()), SQLITE_TRANSIENT);
        sqlite3_bind_text(s, 6, op.constData(), int(op.size()), SQLITE_TRANSIENT);
        Construire(sqlite3_step(s), brute);
    }

    sqlite3_stmt *note = nullptr;
    sqlite3_stmt *carte = nullptr;
    Construire(sqlite3_prepare_v2(brute, "insert into notes values (?1, ?2, ?3, ?4, -1, '', ?5, ?6, ?7, 0, '')", -1,
                                  &note, nullptr),
               brute);
    std::unique_ptr<sqlite3_stmt, int (*)(sqlite3_stmt *)> gardeNote(note, sqlite3_finalize);
    Construire(sqlite3_prepare_v2(brute,
                                  "insert into cards values (?1, ?1, ?2, 0, ?3, -1, 0, 0, ?4, 0, 0, 0, 0, "
                                  "0, 0, 0, 0, '')",
                                  -1, &carte, nullptr),
               brute);
    std::unique_ptr<sqlite3_stmt, int (*)(sqlite3_stmt *)> gardeCarte(carte, sqlite3_finalize);

    const std::vector<Cle> cles = Cles(fichier);
    for (int i = 0; i < fichier.NombreFiches(); ++i) {
        const TFicheX &fiche = fichier.Fiche(i);
        QStringList champs;
        for (int c : m.champs)
            champs << Html::DepuisTexte(Champ(fiche, c));
        const QByteArray flds = Utf8(champs.join(SeparateurChamps));
        const QByteArray guid = Utf8(
            TFichierAnki::Guid(fichier.Titre, cles[size_t(i)].texte, cles[size_t(i)].occurrence));
        const QString tri = Html::SansBalises(champs.first());
        const QByteArray sfld = Utf8(tri);
        const qint64 id = maintenantMs + i;
        sqlite3_reset(note);
        sqlite3_bind_int64(note, 1, id);
        sqlite3_bind_text(note, 2, guid.constData(), int(guid.size()), SQLITE_TRANSIENT);
        sqlite3_bind_int64(note, 3, mid);
        sqlite3_bind_int64(note, 4, maintenant);
        sqlite3_bind_text(note, 5, flds.constData(), int(flds.size()), SQLITE_TRANSIENT);
        sqlite3_bind_text(note, 6, sfld.constData(), int(sfld.size()), SQLITE_TRANSIENT);
        sqlite3_bind_int64(note, 7, Checksum(tri));
        Construire(sqlite3_step(note), brute);
        sqlite3_reset(carte);
        sqlite3_bind_int64(carte, 1, id);
        sqlite3_bind_int64(carte, 2, did);
        sqlite3_bind_int64(carte, 3, maintenant);
        sqlite3_bind_int64(carte, 4, i + 1); // new cards come in this order
        Construire(sqlite3_step(carte), brute);
    }
    Construire(sqlite3_exec(brute, "commit", nullptr, nullptr, nullptr), brute);

    sqlite3_int64 taille = 0;
    unsigned char *octets = sqlite3_serialize(brute, "main", &taille, 0);
    if (!octets)
        throw std::bad_alloc();
    QByteArray resultat(reinterpret_cast<const char *>(octets), qsizetype(taille));
    sqlite3_free(octets);
    return resultat;
}

// ================================================================ zip

struct FermerZip
{
    void operator()(zip_t *z) const { zip_discard(z); }
};

[[noreturn]] void EchecZip(zip_error_t *erreur)
{
    const QString texte = QString::fromUtf8(zip_error_strerror(erreur));
    zip_error_fini(erreur);
    throw ErreurFichier(Anki::tr("The Anki package could not be built: %1").arg(texte));
}

QByteArray Zip(const std::vector<std::pair<const char *, QByteArray>> &entrees)
{
    zip_error_t erreur;
    zip_error_init(&erreur);
    zip_source_t *tampon = zip_source_buffer_create(nullptr, 0, 0, &erreur);
    if (!tampon)
        EchecZip(&erreur);
    zip_t *archive = zip_open_from_source(tampon, ZIP_TRUNCATE, &erreur);
    if (!archive) {
        zip_source_free(tampon);
        EchecZip(&erreur);
    }
    zip_source_keep(tampon); // its bytes are read after the archive is closed
    std::unique_ptr<zip_source_t, void (*)(zip_source_t *)> garde(tampon, zip_source_free);
    for (const auto &[nom, octets] : entrees) {
        zip_source_t *s = zip_source_buffer(archive, octets.constData(), zip_uint64_t(octets.size()), 0);
        if (!s || zip_file_add(archive, nom, s, ZIP_FL_ENC_UTF_8) < 0) {
            zip_source_free(s);
            zip_error_set(&erreur, zip_error_code_zip(zip_get_error(archive)), 0);
            zip_discard(archive);
            EchecZip(&erreur);
        }
    }
    if (zip_close(archive) < 0) {
        zip_error_set(&erreur, zip_error_code_zip(zip_get_error(archive)), 0);
        zip_discard(archive);
        EchecZip(&erreur);
    }
    zip_stat_t etat;
    zip_stat_init(&etat);
    if (zip_source_stat(tampon, &etat) < 0 || !(etat.valid & ZIP_STAT_SIZE) || zip_source_open(tampon) < 0) {
        zip_error_set(&erreur, ZIP_ER_INTERNAL, 0);
        EchecZip(&erreur);
    }
    QByteArray resultat(qsizetype(etat.size), Qt::Uninitialized);
    const zip_int64_t lus = zip_source_read(tampon, resultat.data(), etat.size);
    zip_source_close(tampon);
    if (lus != zip_int64_t(etat.size)) {
        zip_error_set(&erreur, ZIP_ER_READ, 0);
        EchecZip(&erreur);
    }
    return resultat;
}

// ================================================================ import

// Cards from notes: field 1 the first field, field 2 the others, one a line
// (a file without field 1 keeps all of them in field 2). A note of a type
// this program exported with a title field gives it back its title.
void AjouterNote(TFichierX &fichier, QStringList champs, const QString &nomType)
{
    QString titre;
    if (fichier.AvecTitre && champs.size() >= 3 && nomType.startsWith(PrefixeType))
        titre = champs.takeFirst();
    const QString premier = champs.isEmpty() ? QString() : champs.first();
    if (fichier.Numerote)
        fichier.AjouterFiche(titre, QString(), champs.join(CRLF));
    else
        fichier.AjouterFiche(titre, premier, champs.mid(1).join(CRLF));
}

std::unique_ptr<TFichierX> NouveauFichier(QChar type, const QString &titre)
{
    // The format it will be saved in is the editor's choice; XML holds every type.
    auto fichier = std::make_unique<TFichierX>(type, u'x');
    fichier->SetTitre(titre);
    return fichier;
}

void Terminer(TFichierX &fichier)
{
    fichier.NomFichier.clear();
    fichier.Modifiable = true;
    fichier.Modifie = true; // cards nowhere on disk yet
}

// What a field held in a note's list costs.
qint64 CoutChamp(const QString &champ)
{
    return qint64(sizeof(QString)) + TBudgetMemoire::CoutTexte(champ);
}

// A field more for a note: each is a text of the card, or a line of its
// body, and the card's bounds are checked as the note grows.
void AjouterChamp(QStringList &champs, const QString &champ)
{
    TBudgetMemoire::VerifierTexte(champ);
    // Besides the title and the first field, each field is a line of the body.
    TBudgetMemoire::VerifierLignes(champs.size() - 1);
    if (TBudgetMemoire *budget = TBudgetMemoire::Courant())
        budget->Prendre(CoutChamp(champ));
    champs << champ;
}

// The card of a note, made from its fields, which are then let go.
void Noter(TFichierX &fichier, QStringList &champs, const QString &nomType)
{
    AjouterNote(fichier, champs, nomType);
    if (TBudgetMemoire *budget = TBudgetMemoire::Courant()) {
        for (const QString &champ : std::as_const(champs))
            budget->Rendre(CoutChamp(champ));
    }
    champs.clear();
}

// ---- the package

struct Entree
{
    const char *nom;
    bool zstd;
    bool tables; // the newer schema, note types in tables of their own
};

// Reads a zip entry whole, after checking its size against the budget.
QByteArray LireEntree(zip_t *archive, zip_int64_t index, TBudgetMemoire &budget)
{
    zip_stat_t etat;
    zip_stat_init(&etat);
    if (zip_stat_index(archive, zip_uint64_t(index), 0, &etat) < 0 || !(etat.valid & ZIP_STAT_SIZE))
        Endommage();
    if (etat.size > zip_uint64_t(budget.Limite()))
        budget.Refuser();
    budget.Prendre(qint64(etat.size));
    std::unique_ptr<zip_file_t, int (*)(zip_file_t *)> entree(zip_fopen_index(archive, zip_uint64_t(index), 0),
                                                              zip_fclose);
    if (!entree)
        Endommage();
    QByteArray octets(qsizetype(etat.size), Qt::Uninitialized);
    zip_uint64_t lus = 0;
    while (lus < etat.size) {
        const zip_int64_t n = zip_fread(entree.get(), octets.data() + lus, etat.size - lus);
        if (n <= 0)
            Endommage();
        lus += zip_uint64_t(n);
    }
    char encore;
    if (zip_fread(entree.get(), &encore, 1) != 0) // more than announced, or a bad checksum
        Endommage();
    return octets;
}

QByteArray Decompresser(const QByteArray &compresse, TBudgetMemoire &budget)
{
    std::unique_ptr<ZSTD_DStream, size_t (*)(ZSTD_DStream *)> flux(ZSTD_createDStream(), ZSTD_freeDStream);
    if (!flux)
        throw std::bad_alloc();
    // The window a frame asks for is memory too: counted before it is taken.
    ZSTD_frameHeader entete;
    if (ZSTD_getFrameHeader(&entete, compresse.constData(), size_t(compresse.size())) != 0)
        Endommage();
    const qint64 fenetre = qint64(qMin<unsigned long long>(entete.windowSize, 1ULL << 40));
    if (fenetre > budget.Limite() - budget.Pris())
        budget.Refuser();
    budget.Prendre(fenetre);
    QByteArray sortie;
    qsizetype rempli = 0;
    if (entete.frameContentSize != ZSTD_CONTENTSIZE_UNKNOWN
        && entete.frameContentSize > quint64(budget.Limite() - budget.Pris()))
        budget.Refuser();
    ZSTD_inBuffer entree{compresse.constData(), size_t(compresse.size()), 0};
    size_t resultat = 1;
    while (entree.pos < entree.size || resultat != 0) {
        if (rempli == sortie.size()) {
            const qsizetype pas = qMax<qsizetype>(1 << 20, sortie.size());
            budget.Prendre(pas);
            sortie.resize(sortie.size() + pas);
        }
        ZSTD_outBuffer sortieZ{sortie.data() + rempli, size_t(sortie.size() - rempli), 0};
        const size_t avant = entree.pos;
        resultat = ZSTD_decompressStream(flux.get(), &sortieZ, &entree);
        if (ZSTD_isError(resultat))
            Endommage();
        rempli += qsizetype(sortieZ.pos);
        // Input all read, nothing more coming out, yet the frame unfinished.
        if (entree.pos == entree.size && sortieZ.pos == 0 && avant == entree.pos && resultat != 0)
            Endommage();
    }
    sortie.truncate(rempli);
    budget.Rendre(fenetre);
    return sortie;
}

int Progression(void *restant)
{
    auto *n = static_cast<qint64 *>(restant);
    return --*n < 0 ? 1 : 0;
}

// The collation Anki's newer schema declares on names.
int Unicase(void *, int l1, const void *t1, int l2, const void *t2)
{
    return QString::fromUtf8(static_cast<const char *>(t1), l1)
        .compare(QString::fromUtf8(static_cast<const char *>(t2), l2), Qt::CaseInsensitive);
}

// Opens a collection read from a package, read-only and defensive; the
// bytes must outlive the database.
Base OuvrirCollection(QByteArray &octets, qint64 &restant)
{
    if (octets.size() < 100 || std::memcmp(octets.constData(), "SQLite format 3", 16) != 0)
        Endommage();
    // A collection left in WAL mode reads as an ordinary one from memory.
    if (octets[18] == 2)
        octets[18] = 1;
    if (octets[19] == 2)
        octets[19] = 1;
    sqlite3 *brute = nullptr;
    const int ouverture = sqlite3_open_v2(":memory:", &brute, SQLITE_OPEN_READWRITE, nullptr);
    Base base(brute);
    if (ouverture != SQLITE_OK)
        throw std::bad_alloc();
    sqlite3_db_config(brute, SQLITE_DBCONFIG_DEFENSIVE, 1, nullptr);
    sqlite3_db_config(brute, SQLITE_DBCONFIG_ENABLE_TRIGGER, 0, nullptr);
    sqlite3_db_config(brute, SQLITE_DBCONFIG_ENABLE_VIEW, 0, nullptr);
    sqlite3_db_config(brute, SQLITE_DBCONFIG_TRUSTED_SCHEMA, 0, nullptr);
    sqlite3_limit(brute, SQLITE_LIMIT_LENGTH, int(qMin<qint64>(octets.size() + 1, 1000000000)));
    sqlite3_create_collation(brute, "unicase", SQLITE_UTF8, nullptr, Unicase);
    // Work bounded by the size: a few thousand steps a byte is far more
    // than reading any real collection takes.
    restant = 100000 + octets.size() / 4;
    sqlite3_progress_handler(brute, 1000, Progression, &restant);
    Requete::VerifierCode(sqlite3_deserialize(brute, "main", reinterpret_cast<unsigned char *>(octets.data()),
                                              octets.size(), octets.size(), SQLITE_DESERIALIZE_READONLY));
    Executer(brute, "pragma trusted_schema = off");
    // Sorts and DISTINCT work in memory, never in files of /var/tmp.
    Executer(brute, "pragma temp_store = memory");
    Executer(brute, "pragma query_only = on");
    return base;
}

// The tables read must be real tables, not views or something else.
void VerifierTables(sqlite3 *base, std::initializer_list<const char *> noms)
{
    for (const char *nom : noms) {
        Requete r(base, "select type from sqlite_master where lower(name) = ?1");
        r.Lier(1, QByteArray(nom));
        if (!r.Suivante() || r.Texte(0) != QLatin1String("table"))
            Endommage();
    }
}

// The note types (id, name, number of fields) and the deck names.
struct Contenu
{
    QHash<qint64, QString> types;
    QHash<qint64, int> nombreChamps;
    QHash<qint64, QString> paquets;

    // An entry of the hashes costs its node, its share of the table and its name.
    static QString Compter(QString nom)
    {
        if (TBudgetMemoire *budget = TBudgetMemoire::Courant())
            budget->Prendre(64 + TBudgetMemoire::CoutTexte(nom));
        return nom;
    }
};

// What QJsonDocument takes for a text, counted before it is parsed: about
// 50 bytes a value (its entry, a container for an object or array), rounded
// up, and the strings.
qint64 CoutJson(const QByteArray &texte)
{
    qint64 valeurs = 1;
    bool chaine = false;
    for (qsizetype i = 0; i < texte.size(); ++i) {
        const char c = texte.at(i);
        if (chaine) {
            if (c == '\\')
                ++i;
            else if (c == '"')
                chaine = false;
        } else if (c == '"') {
            chaine = true;
        } else if (c == ',' || c == ':' || c == '[' || c == '{') {
            ++valeurs;
        }
    }
    return 64 * valeurs + 2 * texte.size();
}

QJsonObject ObjetJson(const QByteArray &texte)
{
    if (TBudgetMemoire *budget = TBudgetMemoire::Courant())
        budget->Prendre(CoutJson(texte));
    QJsonParseError erreur;
    const QJsonDocument doc = QJsonDocument::fromJson(texte, &erreur);
    if (erreur.error != QJsonParseError::NoError || !doc.isObject())
        Endommage();
    return doc.object();
}

Contenu LireCollection(sqlite3 *base, bool &tables)
{
    VerifierTables(base, {"col", "notes"});
    Requete col(base, "select ver, models, decks from col order by id limit 1");
    if (!col.Suivante())
        Endommage();
    const qint64 version = col.Entier(0);
    if (version < 11 || version > 18)
        Refuser(Anki::tr("This Anki collection is in a version this program does not know (%1).").arg(version));
    // Note types and decks moved out of col into tables of their own in version 15.
    tables = version >= 15;
    Contenu c;
    if (tables) {
        VerifierTables(base, {"notetypes", "fields", "decks"});
        Requete types(base, "select id, name from notetypes");
        while (types.Suivante()) {
            c.types.insert(types.Entier(0), Contenu::Compter(types.Texte(1)));
            c.nombreChamps.insert(types.Entier(0), 0);
        }
        Requete champs(base, "select ntid, count(*) from fields group by ntid");
        while (champs.Suivante()) {
            if (c.nombreChamps.contains(champs.Entier(0)))
                c.nombreChamps[champs.Entier(0)] = int(champs.Entier(1));
        }
        Requete paquets(base, "select id, name from decks");
        while (paquets.Suivante())
            c.paquets.insert(paquets.Entier(0),
                             Contenu::Compter(paquets.Texte(1).replace(SeparateurChamps, QLatin1String("::"))));
    } else {
        const QJsonObject modeles = ObjetJson(col.Octets(1));
        for (auto it = modeles.begin(); it != modeles.end(); ++it) {
            const QJsonObject m = it.value().toObject();
            bool ok = false;
            const qint64 id = it.key().toLongLong(&ok);
            if (!ok)
                Endommage();
            c.types.insert(id, Contenu::Compter(m.value(QLatin1String("name")).toString()));
            c.nombreChamps.insert(id, int(m.value(QLatin1String("flds")).toArray().size()));
        }
        const QJsonObject paquets = ObjetJson(col.Octets(2));
        for (auto it = paquets.begin(); it != paquets.end(); ++it)
            c.paquets.insert(it.key().toLongLong(),
                             Contenu::Compter(it.value().toObject().value(QLatin1String("name")).toString()));
    }
    return c;
}

// The one deck the cards are in, or empty when they are in several.
QString PaquetUnique(sqlite3 *base, const Contenu &c)
{
    VerifierTables(base, {"cards"});
    Requete r(base, "select distinct did from cards limit 2");
    QList<qint64> ids;
    while (r.Suivante())
        ids << r.Entier(0);
    return ids.size() == 1 ? c.paquets.value(ids.first()) : QString();
}

std::unique_ptr<TFichierX> LireBase(QByteArray &octets, QChar type, const QString &secours)
{
    qint64 restant = 0;
    const EnLecture lecture(octets.size());
    Base base = OuvrirCollection(octets, restant);
    bool tables = false;
    const Contenu c = LireCollection(base.get(), tables);
    QString titre = PaquetUnique(base.get(), c);
    if (titre.isEmpty())
        titre = secours;
    auto fichier = NouveauFichier(type, titre);
    Requete notes(base.get(), "select mid, flds from notes order by id");
    while (notes.Suivante()) {
        const qint64 mid = notes.Entier(0);
        if (!c.types.contains(mid))
            Endommage();
        if (c.nombreChamps.value(mid) < 1)
            Refuser(Anki::tr("The note type \"%1\" has no first field.").arg(c.types.value(mid)));
        const QString flds = notes.Texte(1);
        QStringList champs;
        for (const QStringView champ : qTokenize(flds, SeparateurChamps)) {
            // HTML may take more characters than the text it gives, not that many.
            if (champ.size() > 4 * TBudgetMemoire::MaxCaracteresTexte)
                TBudgetMemoire::VerifierCaracteres(champ.size());
            AjouterChamp(champs, Html::VersTexte(champ.toString()));
        }
        Noter(*fichier, champs, c.types.value(mid));
    }
    Terminer(*fichier);
    return fichier;
}

// ---- Anki text

struct EnTeteTexte
{
    QChar separateur = u'\t';
    bool html = false;
    QString paquet;
    QString type;
    QSet<int> colonnesSpeciales; // from 0
};

bool EstLigneEnTete(const QString &ligne, QString &cle, QString &valeur)
{
    if (!ligne.startsWith(u'#'))
        return false;
    const qsizetype deuxPoints = ligne.indexOf(u':');
    if (deuxPoints < 0)
        return false;
    cle = ligne.mid(1, deuxPoints - 1).trimmed().toLower();
    valeur = ligne.mid(deuxPoints + 1);
    static const QStringList cles = {QStringLiteral("separator"),   QStringLiteral("html"),
                                     QStringLiteral("tags"),        QStringLiteral("columns"),
                                     QStringLiteral("notetype"),    QStringLiteral("deck"),
                                     QStringLiteral("guid column"), QStringLiteral("notetype column"),
                                     QStringLiteral("deck column"), QStringLiteral("tags column"),
                                     QStringLiteral("if matches")};
    return cles.contains(cle);
}

QChar Separateur(const QString &valeur)
{
    const QString v = valeur.trimmed().toLower();
    static const QHash<QString, QChar> noms = {{QStringLiteral("tab"), u'\t'},      {QStringLiteral("comma"), u','},
                                               {QStringLiteral("semicolon"), u';'}, {QStringLiteral("space"), u' '},
                                               {QStringLiteral("pipe"), u'|'},      {QStringLiteral("colon"), u':'}};
    if (noms.contains(v))
        return noms.value(v);
    if (valeur.size() == 1)
        return valeur.at(0);
    Refuser(Anki::tr("This Anki text file names a separator this program does not know: \"%1\".").arg(valeur.left(40)));
}

// Splits the notes: fields between separators, a field in double quotes may
// hold separators, line ends and doubled quotes; lines starting with # are
// comments, as Anki reads them. Each field goes to champRecu with its column
// as soon as it is read, and noteFinie follows the last field of a note: a
// list of every note, or of a note's fields, would cost many times the file.
template <typename Champ, typename Fin>
void Notes(const QString &texte, qsizetype debut, QChar separateur, qsizetype maxChamp, Champ champRecu, Fin noteFinie)
{
    const qsizetype n = texte.size();
    const QStringView vue(texte);
    qsizetype i = debut;
    while (i < n) {
        // Start of a line.
        if (texte.at(i) == u'\r' || texte.at(i) == u'\n') {
            ++i;
            continue;
        }
        if (texte.at(i) == u'#') {
            while (i < n && texte.at(i) != u'\n')
                ++i;
            continue;
        }
        int colonne = 0;
        QString champ;
        // A field longer than any card text is refused before it is copied.
        const auto ajouter = [&](qsizetype de, qsizetype a) {
            if (champ.size() + (a - de) > maxChamp)
                TBudgetMemoire::VerifierCaracteres(champ.size() + (a - de));
            champ.append(vue.mid(de, a - de));
        };
        bool finLigne = false;
        while (!finLigne) {
            if (i < n && texte.at(i) == u'"') {
                ++i;
                qsizetype morceau = i;
                while (i < n) {
                    if (texte.at(i) == u'"') {
                        ajouter(morceau, i);
                        if (i + 1 < n && texte.at(i + 1) == u'"') {
                            champ += u'"';
                            i += 2;
                            morceau = i;
                            continue;
                        }
                        ++i;
                        morceau = -1;
                        break;
                    }
                    ++i;
                }
                if (morceau >= 0)
                    ajouter(morceau, i);
            }
            const qsizetype morceau = i;
            while (i < n && texte.at(i) != separateur && texte.at(i) != u'\r' && texte.at(i) != u'\n')
                ++i;
            ajouter(morceau, i);
            champRecu(colonne++, champ);
            champ.clear();
            if (i < n && texte.at(i) == separateur) {
                ++i;
            } else {
                finLigne = true;
                if (i < n && texte.at(i) == u'\r')
                    ++i;
                if (i < n && texte.at(i) == u'\n')
                    ++i;
            }
        }
        noteFinie();
    }
}

// Every line end (CR LF, CR or LF) made CR LF, in one pass.
QString TexteBrut(QStringView champ)
{
    const qsizetype n = champ.size();
    QString t;
    t.reserve(n + champ.count(u'\r') + champ.count(u'\n'));
    qsizetype debut = 0;
    for (qsizetype i = 0; i < n; ++i) {
        const QChar c = champ.at(i);
        if (c != u'\r' && c != u'\n')
            continue;
        t.append(champ.mid(debut, i - debut));
        t += CRLF;
        if (c == u'\r' && i + 1 < n && champ.at(i + 1) == u'\n')
            ++i;
        debut = i + 1;
    }
    t.append(champ.mid(debut));
    return t;
}

} // namespace

// ================================================================ public

QString TFichierAnki::Guid(const QString &titre, const QString &cle, int occurrence)
{
    // Anki's own GUIDs are 64 bits written in base 91.
    static const char alphabet[] = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789"
                                   "!#$%&()*+,-./:;<=>?@[]^_`{|}~";
    const QString source = QStringLiteral("amblopad") + SeparateurChamps + titre + SeparateurChamps + cle
        + SeparateurChamps + QString::number(occurrence);
    const QByteArray h = QCryptographicHash::hash(Utf8(source), QCryptographicHash::Sha1);
    quint64 v = 0;
    for (int i = 0; i < 8; ++i)
        v = (v << 8) | uchar(h.at(i));
    QString guid;
    do {
        guid.prepend(QLatin1Char(alphabet[v % 91]));
        v /= 91;
    } while (v);
    return guid;
}

QByteArray TFichierAnki::EcrirePaquet(const TFichierX &fichier, const QString &nomSecours)
{
    const Modele m = ModeleDe(fichier, nomSecours);
    return Zip({{"collection.anki2", Collection(fichier, m)}, {"media", QByteArrayLiteral("{}")}});
}

QByteArray TFichierAnki::EcrireTexte(const TFichierX &fichier, const QString &nomSecours)
{
    const Modele m = ModeleDe(fichier, nomSecours);
    auto ligne = [](const QString &v) {
        return QString(v).replace(u'\r', u' ').replace(u'\n', u' ').replace(u'\t', u' ');
    };
    QString texte = QStringLiteral("#separator:tab\n#html:true\n#notetype:") + ligne(m.nomType)
        + QStringLiteral("\n#deck:") + ligne(m.paquet) + QStringLiteral("\n#columns:") + m.noms.join(u'\t') + u'\n';
    for (const auto &fiche : fichier.Fiches) {
        QStringList champs;
        for (int c : m.champs)
            champs << Html::DepuisTexte(Champ(fiche, c));
        // A line starting with # would be read as a comment.
        if (champs.first().startsWith(u'#'))
            champs.first().replace(0, 1, QStringLiteral("&#35;"));
        texte += champs.join(u'\t') + u'\n';
    }
    return Utf8(texte);
}

void TFichierAnki::Exporter(const TFichierX &fichier, const QString &nom, bool texte)
{
    const QByteArray octets = texte ? EcrireTexte(fichier, nom) : EcrirePaquet(fichier, nom);
    Contrat::EcrireExport(fichier, nom, octets);
}

std::unique_ptr<TFichierX> TFichierAnki::LirePaquet(const QByteArray &octets, QChar type, const QString &nomSecours)
{
    TBudgetMemoire budget(octets.size());
    zip_error_t erreur;
    zip_error_init(&erreur);
    zip_source_t *source = zip_source_buffer_create(octets.constData(), zip_uint64_t(octets.size()), 0, &erreur);
    if (!source) {
        zip_error_fini(&erreur);
        throw std::bad_alloc();
    }
    std::unique_ptr<zip_t, FermerZip> archive(zip_open_from_source(source, ZIP_RDONLY | ZIP_CHECKCONS, &erreur));
    zip_error_fini(&erreur);
    if (!archive) {
        zip_source_free(source);
        Refuser(Anki::tr("This Anki package is not a valid zip file."));
    }
    // The newest collection first: newer packages also hold an old one that
    // only tells older programs to update.
    static const Entree entrees[] = {
        {"collection.anki21b", true, true}, {"collection.anki21", false, false}, {"collection.anki2", false, false}};
    for (const Entree &e : entrees) {
        const zip_int64_t index = zip_name_locate(archive.get(), e.nom, 0);
        if (index < 0)
            continue;
        QByteArray base = LireEntree(archive.get(), index, budget);
        if (e.zstd)
            base = Decompresser(base, budget);
        auto fichier = LireBase(base, type, nomSecours);
        // Anki writes its log into the collection before it exports; a
        // collection zipped straight from a profile may still hold changes
        // there, which a database read from memory cannot take in.
        zip_stat_t journal;
        zip_stat_init(&journal);
        if (zip_stat(archive.get(), (QByteArray(e.nom) + "-wal").constData(), 0, &journal) == 0
            && (journal.valid & ZIP_STAT_SIZE) && journal.size > 0)
            Formats::Avertir(Anki::tr("This Anki package holds a write-ahead log (%1-wal): the notes added or "
                                      "changed since its collection was last saved are left out.")
                                 .arg(QString::fromLatin1(e.nom)));
        return fichier;
    }
    Endommage();
}

std::unique_ptr<TFichierX> TFichierAnki::LireTexte(const QByteArray &octets, QChar type, const QString &nomSecours)
{
    TBudgetMemoire budget(octets.size());
    budget.Prendre(2 * octets.size()); // the text as UTF-16
    QStringDecoder decodeur(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString texte = decodeur(octets);
    if (decodeur.hasError())
        Refuser(Anki::tr("This Anki text file is not valid UTF-8."));
    if (texte.startsWith(QChar(0xFEFF)))
        texte.remove(0, 1);
    EnTeteTexte entete;
    qsizetype i = 0;
    bool vuEnTete = false;
    while (i < texte.size() && texte.at(i) == u'#') {
        qsizetype fin = texte.indexOf(u'\n', i);
        if (fin < 0)
            fin = texte.size();
        QString ligne = texte.mid(i, fin - i);
        if (ligne.endsWith(u'\r'))
            ligne.chop(1);
        QString cle, valeur;
        if (EstLigneEnTete(ligne, cle, valeur)) {
            vuEnTete = true;
            if (cle == QLatin1String("separator"))
                entete.separateur = Separateur(valeur);
            else if (cle == QLatin1String("html"))
                entete.html = valeur.trimmed().compare(QLatin1String("true"), Qt::CaseInsensitive) == 0;
            else if (cle == QLatin1String("deck"))
                entete.paquet = valeur.trimmed();
            else if (cle == QLatin1String("notetype"))
                entete.type = valeur.trimmed();
            else if (cle.endsWith(QLatin1String(" column"))) {
                bool ok = false;
                const int colonne = valeur.trimmed().toInt(&ok);
                if (ok && colonne >= 1)
                    entete.colonnesSpeciales.insert(colonne - 1);
            }
        }
        i = fin + 1;
    }
    if (!vuEnTete)
        Refuser(Anki::tr("This file is no Anki text export: its first lines are not Anki's headers."));
    auto fichier = NouveauFichier(type, entete.paquet.isEmpty() ? nomSecours : entete.paquet);
    int numero = 0;
    QStringList champs;
    // HTML may take more characters than the text it gives.
    const qsizetype maxChamp = (entete.html ? 4 : 1) * TBudgetMemoire::MaxCaracteresTexte;
    Notes(
        texte, qMin(i, texte.size()), entete.separateur, maxChamp,
        [&](int colonne, const QString &champ) {
            if (!entete.colonnesSpeciales.contains(colonne))
                AjouterChamp(champs, entete.html ? Html::VersTexte(champ) : TexteBrut(champ));
        },
        [&] {
            ++numero;
            if (champs.isEmpty())
                Refuser(Anki::tr("Note %1 of this Anki text file has no first field.").arg(numero));
            Noter(*fichier, champs, entete.type);
        });
    Terminer(*fichier);
    return fichier;
}

std::unique_ptr<TFichierX> TFichierAnki::Importer(const QString &nom, QChar type, bool texte)
{
    QByteArray octets;
    {
        auto flux = TFlux::Ouvrir(nom, false);
        octets = flux->LireTout();
    } // the package is not held: the document is a new one
    const QString secours = NomSansExtension(nom);
    return texte ? LireTexte(octets, type, secours) : LirePaquet(octets, type, secours);
}

bool TFichierAnki::EstPaquet(const QByteArray &tete, const QString &nom)
{
    return tete.startsWith("PK\x03\x04") && nom.endsWith(QLatin1String(".apkg"), Qt::CaseInsensitive);
}

bool TFichierAnki::EstTexte(const QByteArray &tete, const QString &)
{
    QByteArray debut = tete.left(256);
    if (debut.startsWith("\xEF\xBB\xBF"))
        debut.remove(0, 3);
    qsizetype fin = debut.indexOf('\n');
    if (fin < 0)
        fin = debut.size();
    QString cle, valeur;
    QString ligne = QString::fromUtf8(debut.left(fin));
    if (ligne.endsWith(u'\r'))
        ligne.chop(1);
    return EstLigneEnTete(ligne, cle, valeur);
}
