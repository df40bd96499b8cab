#include "formats/anki.h"

#include "formats/ankicommun.h"

#include "formats/contrat.h"
#include "formats/html.h"
#include "formats/pertes.h"
#include "formats/table.h"
#include "model/budget.h"
#include "model/erreurs.h"
#include "model/fichierx.h"
#include "model/flux.h"
#include "model/outils.h"
#include "resources/chaines.h"

#include <QCoreApplication>
#include <QCryptographicHash>
#include <QDateTime>
#include <QHash>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>
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

using namespace AnkiCommun;

const QString CRLF = QStringLiteral("\r\n");

[[noreturn]] void Refuser(const QString &message)
{
    throw ErreurIdInvalide(message);
}

[[noreturn]] void Endommage()
{
    Refuser(Anki::tr("This Anki package is damaged or holds no Anki collection."));
}

[[noreturn]] void RefuserTropRecent()
{
    Refuser(Anki::tr("This Anki package was made by an Anki newer than this program knows. Export the deck again "
                     "from Anki with \"Support older Anki versions\" checked."));
}

// ================================================================ SQLite

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
    case SQLITE_TOOBIG:
        if (const TBudgetMemoire *budget = TBudgetMemoire::Courant())
            budget->Refuser();
        Endommage();
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

// ================================================================ zip

struct FermerZip
{
    void operator()(zip_t *z) const { zip_discard(z); }
};

// ================================================================ import

// Where the notes of a type this program wrote keep the card's fields: for
// each note field, the card field (0 title, 1 question, 2 body), or -1 for a
// field made for studying only. Empty for any other note type.
using Disposition = QList<int>;

// The file type a note type this program wrote is named after, in the
// language of the program that wrote it or in English; null for others.
QChar LettreType(const QString &nomType)
{
    if (!nomType.startsWith(PrefixeType))
        return QChar();
    const QString nom = nomType.mid(PrefixeType.size());
    for (const QChar lettre : QStringLiteral("DEFLMNQRV")) {
        if (nom == Chaines::NomType(lettre) || nom == Chaines::NomTypeAnglais(lettre))
            return lettre;
    }
    return QChar();
}

// The question, the body, the title when the count of fields leaves room for
// one, then the three MCQ fields made for studying.
Disposition DispositionType(QChar lettre, int nombreChamps)
{
    if (lettre.isNull())
        return {};
    const TFichierX modele(lettre, u'x');
    Disposition d;
    if (!modele.Numerote)
        d << 1;
    d << 2;
    const int etude = lettre == u'M' ? 3 : 0;
    const int titre = nombreChamps - int(d.size()) - etude;
    if (titre == 1)
        d << 0;
    else if (titre != 0)
        return {};
    for (int i = 0; i < etude; ++i)
        d << -1;
    return d;
}

// Cards from notes: field 1 the first field, field 2 the others, one a line
// (a file without field 1 keeps all of them in field 2). A note of a type
// this program wrote gives back each field to its place; what the file has
// no place for goes to the body. titreDevant: a note type of older exports,
// whose first field is the title.
void AjouterNote(TFichierX &fichier, QStringList champs, const Disposition &disposition, bool titreDevant)
{
    QString titre;
    if (!disposition.isEmpty() && disposition.size() == champs.size()) {
        QString question;
        QString corps;
        for (int i = 0; i < champs.size(); ++i) {
            const int c = disposition.at(i);
            if (c == 0)
                titre = champs.at(i);
            else if (c == 1)
                question = champs.at(i);
            else if (c == 2)
                corps = champs.at(i);
        }
        QStringList morceaux;
        if (fichier.Numerote && disposition.contains(1))
            morceaux << question;
        morceaux << corps;
        if (!fichier.AvecTitre) {
            if (!titre.isEmpty())
                morceaux << titre;
            titre.clear();
        }
        fichier.AjouterFiche(titre, fichier.Numerote ? QString() : question, morceaux.join(CRLF));
        return;
    }
    if (fichier.AvecTitre && champs.size() >= 3 && titreDevant)
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

// The fields of a note whose card is made are let go.
void OublierChamps(QStringList &champs)
{
    if (TBudgetMemoire *budget = TBudgetMemoire::Courant()) {
        for (const QString &champ : std::as_const(champs))
            budget->Rendre(CoutChamp(champ));
    }
    champs.clear();
}

// What the notes held that the cards have no place for.
struct Omissions
{
    int etiquettes = 0; // notes with tags
    int trous = 0;      // notes with cloze deletions
    int medias = 0;     // sound and picture files of the package
    int paquets = 0;    // decks the cards come from
    QString journal;    // the write-ahead log's entry

    // Raw fields holding a cloze deletion, "{{c1::...}}".
    static bool Trou(QStringView champs)
    {
        static const QRegularExpression trou(QStringLiteral("\\{\\{c\\d+::"));
        return champs.contains(u"{{c") && trou.match(champs).hasMatch();
    }

    void Rapporter(Formats::Rapport *rapport) const
    {
        if (!rapport)
            return;
        using Formats::Perte;
        if (!journal.isEmpty())
            rapport->Ajouter({Perte::Journal, 1, -1, 0,
                              Anki::tr("This Anki package holds a write-ahead log (%1): the notes added or changed "
                                       "since its collection was last saved are left out.")
                                  .arg(journal)});
        rapport->Ajouter({Perte::Etiquettes, etiquettes, -1, 0,
                          Anki::tr("%n note(s) carry tags, which cards have no place for: the tags were left out.", "",
                                   etiquettes)});
        rapport->Ajouter({Perte::Trous, trous, -1, 0,
                          Anki::tr("%n note(s) hold cloze deletions ({{c1::...}}): their text is kept as it stands, "
                                   "without the gaps.",
                                   "", trous)});
        rapport->Ajouter({Perte::Medias, medias, -1, 0,
                          Anki::tr("This Anki package holds %n sound or picture file(s), which cards cannot show: "
                                   "they were left out.",
                                   "", medias)});
        if (paquets > 1)
            rapport->Ajouter({Perte::Paquets, paquets, -1, 0,
                              Anki::tr("The notes come from several decks; the card file keeps no deck.")});
    }
};

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
    // SQLite copies a value spread over pages before handing it out: one
    // longer than what is left of the budget (its copy, then its text) is
    // refused before it is copied.
    qint64 longueur = qMin<qint64>(octets.size() + 1, 1000000000);
    if (const TBudgetMemoire *budget = TBudgetMemoire::Courant())
        longueur = qMin(longueur, qMax<qint64>(1, (budget->Limite() - budget->Pris()) / 3));
    sqlite3_limit(brute, SQLITE_LIMIT_LENGTH, int(longueur));
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
    QSet<qint64> titreDevant; // note types of older exports

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
            const QJsonArray gabarits = m.value(QLatin1String("tmpls")).toArray();
            if (c.types.value(id).startsWith(PrefixeType)
                && gabarits.at(0).toObject().value(QLatin1String("name")).toString() != NomGabarit)
                c.titreDevant.insert(id);
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

std::unique_ptr<TFichierX> LireBase(QByteArray &octets, QChar type, const QString &secours, Omissions &omissions)
{
    qint64 restant = 0;
    const EnLecture lecture(octets.size());
    Base base = OuvrirCollection(octets, restant);
    bool tables = false;
    const Contenu c = LireCollection(base.get(), tables);
    QString titre = PaquetUnique(base.get(), c);
    if (titre.isEmpty())
        titre = secours;
    {
        // All an older Anki finds in a newer package: one note asking to update.
        Requete seule(base.get(), "select count(*), max(flds) from notes");
        if (seule.Suivante() && seule.Entier(0) == 1
            && seule.Texte(1).contains(QLatin1String("Please update to the latest Anki version")))
            RefuserTropRecent();
    }
    {
        Requete decks(base.get(), "select count(distinct did) from cards");
        if (decks.Suivante())
            omissions.paquets = int(qMin<qint64>(decks.Entier(0), INT_MAX));
        Requete tags(base.get(), "select count(*) from notes where trim(tags) <> ''");
        if (tags.Suivante())
            omissions.etiquettes = int(qMin<qint64>(tags.Entier(0), INT_MAX));
    }
    auto fichier = NouveauFichier(type, titre);
    Requete notes(base.get(), "select mid, flds from notes order by id");
    while (notes.Suivante()) {
        const qint64 mid = notes.Entier(0);
        if (!c.types.contains(mid))
            Endommage();
        if (c.nombreChamps.value(mid) < 1)
            Refuser(Anki::tr("The note type \"%1\" has no first field.").arg(c.types.value(mid)));
        const QString flds = notes.Texte(1);
        if (Omissions::Trou(flds))
            ++omissions.trous;
        QStringList champs;
        for (const QStringView champ : qTokenize(flds, SeparateurChamps)) {
            // HTML may take more characters than the text it gives, not that many.
            if (champ.size() > 4 * TBudgetMemoire::MaxCaracteresTexte)
                TBudgetMemoire::VerifierCaracteres(champ.size());
            AjouterChamp(champs, Html::VersTexte(champ.toString()));
        }
        const bool ancien = c.titreDevant.contains(mid);
        AjouterNote(*fichier, champs,
                    ancien ? Disposition() : DispositionType(LettreType(c.types.value(mid)), c.nombreChamps.value(mid)),
                    ancien);
        OublierChamps(champs);
    }
    Terminer(*fichier);
    return fichier;
}

// The version a package's "meta" entry gives (a protobuf message whose
// field 1 is the version), 0 when it gives none.
quint64 VersionMeta(const QByteArray &meta)
{
    quint64 version = 0;
    qsizetype i = 0;
    const auto varint = [&](quint64 &v) {
        v = 0;
        for (int decalage = 0; decalage < 64 && i < meta.size(); decalage += 7) {
            const uchar o = uchar(meta.at(i++));
            v |= quint64(o & 0x7F) << decalage;
            if (!(o & 0x80))
                return true;
        }
        return false;
    };
    while (i < meta.size()) {
        quint64 cle = 0;
        quint64 valeur = 0;
        if (!varint(cle))
            return 0;
        switch (cle & 7) {
        case 0:
            if (!varint(valeur))
                return 0;
            if (cle >> 3 == 1)
                version = valeur;
            break;
        case 1:
            i += 8;
            break;
        case 2:
            if (!varint(valeur) || valeur > quint64(meta.size() - i))
                return 0;
            i += qsizetype(valeur);
            break;
        case 5:
            i += 4;
            break;
        default:
            return 0;
        }
    }
    return i == meta.size() ? version : 0;
}

// The collection of a package, as Anki picks it: the one its "meta" entry
// names, else the newest one present.
QByteArray CollectionDuPaquet(const QByteArray &octets, TBudgetMemoire &budget, Omissions *omissions = nullptr)
{
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
    // The media files are the entries named by a number.
    if (omissions) {
        const zip_int64_t n = zip_get_num_entries(archive.get(), 0);
        for (zip_int64_t i = 0; i < n; ++i) {
            const char *nom = zip_get_name(archive.get(), zip_uint64_t(i), 0);
            if (!nom || !*nom)
                continue;
            bool chiffres = true;
            for (const char *c = nom; *c && chiffres; ++c)
                chiffres = *c >= '0' && *c <= '9';
            if (chiffres)
                ++omissions->medias;
        }
    }
    const Entree *voulue = nullptr;
    if (const zip_int64_t meta = zip_name_locate(archive.get(), "meta", 0); meta >= 0) {
        const quint64 version = VersionMeta(LireEntree(archive.get(), meta, budget));
        if (version < 1 || version > 3)
            RefuserTropRecent();
        voulue = &entrees[3 - version];
    }
    for (const Entree &e : entrees) {
        if (voulue && &e != voulue)
            continue;
        const zip_int64_t index = zip_name_locate(archive.get(), e.nom, 0);
        if (index < 0)
            continue;
        QByteArray base = LireEntree(archive.get(), index, budget);
        if (e.zstd)
            base = Decompresser(base, budget);
        // Anki writes its log into the collection before it exports; a
        // collection zipped straight from a profile may still hold changes
        // there, which a database read from memory cannot take in.
        zip_stat_t etat;
        zip_stat_init(&etat);
        if (omissions && zip_stat(archive.get(), (QByteArray(e.nom) + "-wal").constData(), 0, &etat) == 0
            && (etat.valid & ZIP_STAT_SIZE) && etat.size > 0)
            omissions->journal = QString::fromLatin1(e.nom) + QLatin1String("-wal");
        return base;
    }
    // The newer collection a package's meta names is missing: what is left
    // is at best the note that asks to update Anki.
    if (voulue && voulue->zstd && zip_name_locate(archive.get(), "collection.anki2", 0) >= 0)
        RefuserTropRecent();
    Endommage();
}

// ---- Anki text

struct EnTeteTexte
{
    QChar separateur = u'\t';
    bool html = false;
    QString paquet;
    QString type;
    QSet<int> colonnesSpeciales; // from 0
    int colonneEtiquettes = -1;
    int colonnePaquet = -1;
    bool etiquettesCommunes = false; // a "tags:" first line tags every note
    // From the line this program writes: the card file's type, and the card
    // field of each column after Front, Back and the tags.
    QChar lettre;
    Disposition disposition;
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
                                     QStringLiteral("if matches"),  CleDisposition};
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

// The line this program writes after Anki's: "Q 120".
void LireDisposition(const QString &valeur, EnTeteTexte &entete)
{
    const QStringList mots = valeur.split(u' ', Qt::SkipEmptyParts);
    if (mots.size() != 2 || mots.at(0).size() != 1 || mots.at(1).size() > 3)
        return;
    Disposition d;
    for (const QChar c : mots.at(1)) {
        if (c < u'0' || c > u'2' || d.contains(c.unicode() - u'0'))
            return;
        d << c.unicode() - u'0';
    }
    entete.lettre = mots.at(0).at(0);
    entete.disposition = d;
}

// Reads the header lines as Anki does: "tags:" on the first line, then lines
// starting with #. Returns where the notes start.
qsizetype LireEnTete(const QString &texte, EnTeteTexte &entete)
{
    qsizetype i = 0;
    bool vuEnTete = false;
    const auto finLigne = [&texte](qsizetype debut) {
        const qsizetype fin = texte.indexOf(u'\n', debut);
        return fin < 0 ? texte.size() : fin;
    };
    if (texte.startsWith(QLatin1String("tags:"))) {
        vuEnTete = true;
        i = finLigne(0) + 1;
        entete.etiquettesCommunes = !QStringView(texte).mid(5, i - 6).trimmed().isEmpty();
    }
    while (i < texte.size() && texte.at(i) == u'#') {
        const qsizetype fin = finLigne(i);
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
            else if (cle == CleDisposition)
                LireDisposition(valeur, entete);
            else if (cle.endsWith(QLatin1String(" column"))) {
                bool ok = false;
                const int colonne = valeur.trimmed().toInt(&ok);
                if (ok && colonne >= 1) {
                    entete.colonnesSpeciales.insert(colonne - 1);
                    if (cle == QLatin1String("tags column"))
                        entete.colonneEtiquettes = colonne - 1;
                    else if (cle == QLatin1String("deck column"))
                        entete.colonnePaquet = colonne - 1;
                }
            }
        }
        i = fin + 1;
    }
    if (!vuEnTete)
        Refuser(Anki::tr("This file is no Anki text export: its first lines are not Anki's headers."));
    return qMin(i, texte.size());
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

std::unique_ptr<TFichierX> TFichierAnki::LirePaquet(const QByteArray &octets, QChar type, const QString &nomSecours,
                                                    Formats::Rapport *rapport)
{
    TBudgetMemoire budget(octets.size());
    Omissions omissions;
    QByteArray base = CollectionDuPaquet(octets, budget, &omissions);
    auto fichier = LireBase(base, type, nomSecours, omissions);
    omissions.Rapporter(rapport);
    return fichier;
}

std::unique_ptr<TFichierX> TFichierAnki::LireTexte(const QByteArray &octets, QChar type, const QString &nomSecours,
                                                   Formats::Rapport *rapport)
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
    const qsizetype i = LireEnTete(texte, entete);
    auto fichier = NouveauFichier(type, entete.paquet.isEmpty() ? nomSecours : entete.paquet);
    int numero = 0;
    QStringList champs;
    // This program's columns follow Front, Back and the tags.
    const Disposition &d = entete.disposition;
    QStringList disposes;
    int colonnes = 0;
    // HTML may take more characters than the text it gives.
    const qsizetype maxChamp = (entete.html ? 4 : 1) * TBudgetMemoire::MaxCaracteresTexte;
    Omissions omissions;
    bool etiquettes = entete.etiquettesCommunes;
    bool trou = false;
    QSet<QString> paquets;
    Notes(
        texte, i, entete.separateur, maxChamp,
        [&](int colonne, const QString &brut) {
            colonnes = colonne + 1;
            if (colonne == entete.colonneEtiquettes)
                etiquettes = etiquettes || !brut.trimmed().isEmpty();
            else if (colonne == entete.colonnePaquet && paquets.size() < 2)
                paquets.insert(brut.trimmed());
            else
                trou = trou || Omissions::Trou(brut);
            const bool dispose = colonne >= 3 && colonne < 3 + d.size();
            const bool garde = !entete.colonnesSpeciales.contains(colonne);
            if (!dispose && !garde)
                return;
            const QString champ = entete.html ? Html::VersTexte(brut) : TexteBrut(brut);
            if (dispose)
                disposes << champ;
            if (garde)
                AjouterChamp(champs, champ);
        },
        [&] {
            ++numero;
            if (!d.isEmpty() && colonnes >= 3 + d.size()) {
                AjouterNote(*fichier, disposes, d, false);
            } else {
                if (champs.isEmpty())
                    Refuser(Anki::tr("Note %1 of this Anki text file has no first field.").arg(numero));
                AjouterNote(*fichier, champs, Disposition(), entete.type.startsWith(PrefixeType));
            }
            OublierChamps(champs);
            disposes.clear();
            omissions.etiquettes += etiquettes ? 1 : 0;
            omissions.trous += trou ? 1 : 0;
            etiquettes = entete.etiquettesCommunes;
            trou = false;
        });
    omissions.paquets = int(paquets.size());
    omissions.Rapporter(rapport);
    Terminer(*fichier);
    return fichier;
}

std::unique_ptr<TFichierX> TFichierAnki::Importer(const QString &nom, QChar type, bool texte, Formats::Rapport *rapport)
{
    QByteArray octets;
    {
        auto flux = TFlux::Ouvrir(nom, false);
        octets = flux->LireTout();
    } // the package is not held: the document is a new one
    const QString secours = NomSansExtension(nom);
    return texte ? LireTexte(octets, type, secours, rapport) : LirePaquet(octets, type, secours, rapport);
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
    // Anki takes a first line "tags:" as the tags of every note.
    return ligne.startsWith(QLatin1String("tags:")) || EstLigneEnTete(ligne, cle, valeur);
}

QChar TFichierAnki::TypeEcrit(const QString &nom, bool texte)
{
    try {
        QByteArray octets;
        {
            auto flux = TFlux::Ouvrir(nom, false);
            octets = flux->LireTout();
        }
        TBudgetMemoire budget(octets.size());
        if (texte) {
            // The header is at the head.
            QString tete = QString::fromUtf8(octets.left(64 * 1024));
            if (tete.startsWith(QChar(0xFEFF)))
                tete.remove(0, 1);
            EnTeteTexte entete;
            LireEnTete(tete, entete);
            return entete.lettre.isNull() ? LettreType(entete.type) : entete.lettre;
        }
        QByteArray base = CollectionDuPaquet(octets, budget);
        qint64 restant = 0;
        const Base b = OuvrirCollection(base, restant);
        bool tables = false;
        const Contenu c = LireCollection(b.get(), tables);
        Requete types(b.get(), "select distinct mid from notes limit 2");
        QList<qint64> ids;
        while (types.Suivante())
            ids << types.Entier(0);
        return ids.size() == 1 ? LettreType(c.types.value(ids.first())) : QChar();
    } catch (const std::exception &) {
    }
    // Opening the deck will say what is wrong with it.
    return QChar();
}

namespace {

// Anki packages and Anki text: exports, and imports that make a new,
// untitled card file of the type the user picks (Lecture::typeCsv).
class FormatAnki : public Formats::TFormat
{
public:
    explicit FormatAnki(bool texte) : m_texte(texte) { }
    QChar Lettre() const override { return m_texte ? u'K' : u'k'; }
    const char *Nom() const override
    {
        return m_texte ? QT_TRANSLATE_NOOP("Chaines", "Anki text") : QT_TRANSLATE_NOOP("Chaines", "Anki");
    }
    const char *Motif() const override { return m_texte ? "txt" : "apkg"; }
    unsigned Capacites() const override { return Formats::Importation | Formats::ToujoursPropose; }
    const char *EntreeOuverture() const override { return m_texte ? nullptr : "*.apkg;*.txt"; }
    QChar TypeEntreeOuverture() const override { return m_texte ? QChar() : QChar(u'D'); }
    int RangReconnaissance() const override { return Formats::RangReglesGenerales + (m_texte ? 3 : 2); }
    bool Reconnaitre(const Formats::Tete &tete) const override
    {
        return m_texte ? TFichierAnki::EstTexte(tete.octets, tete.nom) : TFichierAnki::EstPaquet(tete.octets, tete.nom);
    }
    bool Lisible() const override { return true; }
    bool Ecrivable() const override { return true; }
    std::unique_ptr<TFichierX> Lire(const QString &nom, const Formats::Lecture &l) const override
    {
        return TFichierAnki::Importer(nom, l.typeCsv, m_texte, l.rapport);
    }
    void Ecrire(TFichierX &f, const QString &nom, const Formats::Ecriture &) const override
    {
        TFichierAnki::Exporter(f, nom, m_texte);
    }
    QChar TypeEcrit(const QString &nom) const override { return TFichierAnki::TypeEcrit(nom, m_texte); }
    bool OffertEnExport(const TFichierX &) const override { return true; }
    bool Exporte(const TFichierX &) const override { return true; }
    // The package's plain-text sibling, for the command-line tool.
    const char *OptionCli() const override { return m_texte ? "anki-text" : nullptr; }
    QChar VarianteDe() const override { return m_texte ? QChar(u'k') : QChar(); }

private:
    bool m_texte;
};

} // namespace

const Formats::TFormat &Formats::FormatAnki()
{
    static const ::FormatAnki format(false);
    return format;
}

const Formats::TFormat &Formats::FormatAnkiTexte()
{
    static const ::FormatAnki format(true);
    return format;
}
