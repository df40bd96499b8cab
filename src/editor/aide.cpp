#include "editor/aide.h"

#include <QAction>
#include <QApplication>
#include <QFile>
#include <QPointer>
#include <QScreen>
#include <QTextBrowser>
#include <QToolBar>

// The pages live in a static library: registering them explicitly keeps the
// linker from dropping them and must happen outside any namespace.
static void InitialiserPages()
{
    static bool fait = false;
    if (!fait) {
        Q_INIT_RESOURCE(aide);
        fait = true;
    }
}

namespace {

const int TopicsDocumentes[] = {1, 4, 6, 7, 8, 9, 11, 21, 23, 24, 31};

// The page in the interface's language when there is one, else the English one.
QString PageLocalisee(const QString &nom)
{
    InitialiserPages();
    const QString langue = TAide::Langue();
    if (langue != QLatin1String("en")) {
        const QString traduite = QStringLiteral(":/aide/%1/%2").arg(langue, nom);
        if (QFile::exists(traduite))
            return traduite;
    }
    return QStringLiteral(":/aide/") + nom;
}

QUrl UrlDepuisRessource(const QString &chemin)
{
    // ":/aide/x.html" -> "qrc:/aide/x.html", so relative links resolve.
    return QUrl(QStringLiteral("qrc") + chemin);
}

} // namespace

QList<int> TAide::Rubriques()
{
    return QList<int>(std::begin(TopicsDocumentes), std::end(TopicsDocumentes));
}

QString TAide::Langue()
{
    // Translated by the interface's own catalogue, so help follows exactly the
    // language the menus and dialogs are shown in.
    return tr("en", "language code of the help pages");
}

QString TAide::PageSommaire()
{
    return PageLocalisee(QStringLiteral("index.html"));
}

QString TAide::PageRubrique(int topic)
{
    InitialiserPages();
    if (topic > 0 && QFile::exists(QStringLiteral(":/aide/topic-%1.html").arg(topic)))
        return PageLocalisee(QStringLiteral("topic-%1.html").arg(topic));
    return PageSommaire();
}

namespace {

// A QPointer, so that a window deleted by its owner is made again on demand.
QPointer<TAide> &InstanceAide()
{
    static QPointer<TAide> instance;
    return instance;
}

} // namespace

void TAide::Fermer()
{
    if (TAide *aide = InstanceAide())
        aide->close();
}

TAide *TAide::Instance()
{
    QPointer<TAide> &instance = InstanceAide();
    if (!instance) {
        InitialiserPages();
        instance = new TAide;
        // Lives for the whole run, but must go before the application does.
        QObject::connect(qApp, &QCoreApplication::aboutToQuit, instance, &QObject::deleteLater);
    }
    return instance;
}

void TAide::AfficherRubrique(int topic)
{
    TAide *aide = Instance();
    aide->Afficher(UrlDepuisRessource(PageRubrique(topic)));
    aide->SuivreDialogue(QApplication::activeModalWidget());
    aide->show();
    aide->raise();
    aide->activateWindow();
}

TAide::TAide(QWidget *parent) : QMainWindow(parent)
{
    setObjectName(QStringLiteral("Aide"));
    setWindowTitle(tr("Amblopad Help"));
    // Help left open must not keep the program running once the main window is closed.
    setAttribute(Qt::WA_QuitOnClose, false);

    m_navigateur = new QTextBrowser(this);
    m_navigateur->setObjectName(QStringLiteral("Navigateur"));
    // Every page is inside the program; nothing is ever fetched outside it.
    m_navigateur->setOpenExternalLinks(false);
    m_navigateur->setOpenLinks(true);
    setCentralWidget(m_navigateur);

    QToolBar *barre = addToolBar(tr("Navigation"));
    barre->setObjectName(QStringLiteral("BarreAide"));
    barre->setMovable(false);
    m_precedent = barre->addAction(tr("Back"), m_navigateur, &QTextBrowser::backward);
    m_precedent->setObjectName(QStringLiteral("Precedent"));
    m_precedent->setShortcut(QKeySequence::Back);
    m_suivant = barre->addAction(tr("Forward"), m_navigateur, &QTextBrowser::forward);
    m_suivant->setObjectName(QStringLiteral("Suivant"));
    m_suivant->setShortcut(QKeySequence::Forward);
    QAction *sommaire = barre->addAction(tr("Contents"), this,
                                         [this] { Afficher(UrlDepuisRessource(PageSommaire())); });
    sommaire->setObjectName(QStringLiteral("Sommaire"));
    m_precedent->setEnabled(false);
    m_suivant->setEnabled(false);
    connect(m_navigateur, &QTextBrowser::backwardAvailable, m_precedent, &QAction::setEnabled);
    connect(m_navigateur, &QTextBrowser::forwardAvailable, m_suivant, &QAction::setEnabled);

    resize(640, 560);
    if (QScreen *ecran = QGuiApplication::primaryScreen()) {
        const QRect zone = ecran->availableGeometry();
        move(zone.right() - width() - 20 > zone.left() ? zone.right() - width() - 20 : zone.left(), zone.top() + 20);
    }
}

void TAide::SuivreDialogue(QWidget *modal)
{
    QWidget *parent = modal ? modal->window() : nullptr;
    if (parent == this)
        parent = nullptr;
    if (parentWidget() == parent)
        return;
    if (parentWidget())
        parentWidget()->removeEventFilter(this);
    const QRect cadre = geometry();
    const bool visible = isVisible();
    setParent(parent, windowFlags() | Qt::Window);
    setGeometry(cadre);
    if (parent)
        parent->installEventFilter(this);
    if (visible)
        show();
}

bool TAide::eventFilter(QObject *objet, QEvent *event)
{
    // The dialog closes: the help stays open, on its own again.
    if (objet == parentWidget() && event->type() == QEvent::Hide)
        SuivreDialogue(nullptr);
    return QMainWindow::eventFilter(objet, event);
}

void TAide::Afficher(const QUrl &page)
{
    m_navigateur->setSource(page);
}

QUrl TAide::PageCourante() const
{
    return m_navigateur->source();
}
