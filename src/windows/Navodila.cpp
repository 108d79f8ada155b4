#include "windows/Navodila.h"

#include "ui/KeyShortcut.h"

#include "text/Messages.h"
#include "ui/MessageBox.h"

#include <QAction>
#include <QApplication>
#include <QDesktopServices>
#include <QFile>
#include <QHeaderView>
#include <QKeyEvent>
#include <QMessageBox>
#include <QPointer>
#include <QSplitter>
#include <QStyle>
#include <QTextBrowser>
#include <QToolBar>
#include <QTreeWidget>
#include <QVBoxLayout>

static void initHelpResource() { Q_INIT_RESOURCE(help); }

namespace valmir {

namespace {

// The contents list: a page of the manual and its title, indented by level.
struct ContentsEntry {
    const char* page;
    QStringView title;
    int level;
};

constexpr ContentsEntry Contents[] = {
    {"uvod.html", u"Uvod", 0},
    {"prvi_koraki.html", u"Prvi koraki", 0},
    {"glavno_okno.html", u"Glavno okno", 0},
    {"pregled.html", u"Pregled prometa", 1},
    {"brisanje.html", u"Brisanje starih računov", 1},
    {"opomini.html", u"Zapadli računi in opomini", 1},
    {"placila.html", u"Plačila in bančni izpiski", 1},
    {"ponudbe.html", u"Ponudbe", 1},
    {"racun.html", u"Račun", 0},
    {"izbira_opravil.html", u"Izbira opravil", 1},
    {"koledar.html", u"Koledar", 1},
    {"poste.html", u"Poštna številka in kraj", 1},
    {"izracun.html", u"Izračun cene", 1},
    {"tiskanje.html", u"Tiskanje, PDF, e-račun in e-pošta", 1},
    {"eracun.html", u"E-račun: e-SLOG in Peppol", 1},
    {"sifranti.html", u"Cenik in osebje", 0},
    {"storitve.html", u"Geodetske storitve", 1},
    {"opravila.html", u"Opravila", 1},
    {"osebje.html", u"Osebje", 1},
    {"narocniki.html", u"Naročniki", 1},
    {"nastavitve.html", u"Nastavitve", 0},
    {"nasi_podatki.html", u"Naši podatki", 1},
    {"racuni.html", u"Računi (nastavitve)", 1},
    {"urejevalnik.html", u"Urejevalnik besedil", 1},
    {"podatki.html", u"Podatki in varnostna kopija", 0},
    {"tipke.html", u"Delo s tipkovnico", 0},
};

const QString Folder = QStringLiteral("qrc:/help/");

// The page of each window, by the window's objectName.
constexpr std::pair<QStringView, const char*> WindowPages[] = {
    {u"Glavna", "glavno_okno.html"},  {u"Racun", "racun.html"},
    {u"Nov_racun", "racun.html"},     {u"Postavke", "izbira_opravil.html"},
    {u"Calendar", "koledar.html"},    {u"I_poste", "poste.html"},
    {u"Pregled", "pregled.html"},     {u"Brisanje", "brisanje.html"},
    {u"S_grupe", "storitve.html"},    {u"V_grupe", "storitve.html"},
    {u"S_postavke", "opravila.html"}, {u"V_postavke", "opravila.html"},
    {u"N_osebje", "osebje.html"},     {u"N_narocniki", "narocniki.html"},
    {u"N_data", "nasi_podatki.html"}, {u"N_racun", "racuni.html"},
    {u"N_word", "urejevalnik.html"},  {u"N_streznik", "podatki.html"},
    {u"frmAbout", "uvod.html"},
};

QUrl pageUrl(const char* page) { return QUrl(Folder + QString::fromLatin1(page)); }

// The resource in a static library is registered by hand, once.
void registerPages() {
    static const bool registered = (initHelpResource(), true);
    Q_UNUSED(registered);
}

bool pageExists(const QUrl& url) {
    return QFile::exists(u':' + url.path()) && url.scheme() == u"qrc";
}

QPointer<Navodila> g_window;

QAction* toolAction(QToolBar* bar, const QString& name, const QString& text,
                    QStyle::StandardPixmap icon, const QKeySequence& key) {
    QAction* action = bar->addAction(bar->style()->standardIcon(icon), text);
    action->setObjectName(name);
    action->setShortcut(key);
    action->setShortcutContext(Qt::WindowShortcut);
    action->setToolTip(keyTip(text, key));
    return action;
}

} // namespace

QUrl Navodila::homePage() {
    registerPages();
    return pageUrl(Contents[0].page);
}

QList<QUrl> Navodila::contentsPages() {
    registerPages();
    QList<QUrl> pages;
    for (const ContentsEntry& e : Contents)
        pages << pageUrl(e.page);
    return pages;
}

Navodila* Navodila::instance() { return g_window; }

QUrl Navodila::pageOf(const QWidget* window) {
    for (const QWidget* w = window; w; w = w->parentWidget()) {
        if (!w->isWindow())
            continue;
        for (const auto& [name, page] : WindowPages)
            if (w->objectName() == name)
                return pageUrl(page);
    }
    return homePage();
}

namespace {

// F1 is taken before any control sees it; in the manual itself it does
// nothing more.
class HelpKeyFilter : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;

public Q_SLOTS:
    // A link to a page of the manual (in a message, say) shows that page,
    // beside the window of the message.
    void openPage(const QUrl& url) {
        QWidget* over = QApplication::activeModalWidget() ? QApplication::activeModalWidget()
                                                          : QApplication::activeWindow();
        if (over && qobject_cast<QMessageBox*>(over))
            over = over->parentWidget();
        if (Navodila* open = Navodila::instance(); open && open->parentWidget() != over)
            open->setParent(over, open->windowFlags());
        Navodila::showManual(over, url);
    }

public:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() != QEvent::KeyPress || !watched->isWidgetType() ||
            static_cast<QKeyEvent*>(event)->key() != Qt::Key_F1 ||
            static_cast<QKeyEvent*>(event)->modifiers() != Qt::NoModifier)
            return false;
        QWidget* window = static_cast<QWidget*>(watched)->window();
        if (window->objectName() != u"Navodila") {
            // Over a modal window the manual is its child, so that it can be used.
            QWidget* over =
                QApplication::activeModalWidget() ? QApplication::activeModalWidget() : window;
            if (Navodila* open = Navodila::instance(); open && open->parentWidget() != over)
                open->setParent(over, open->windowFlags());
            Navodila::showManual(over, Navodila::pageOf(window));
        }
        return true;
    }
};

} // namespace

void Navodila::installHelpKey() {
    static HelpKeyFilter* filter = nullptr;
    if (filter || !qApp)
        return;
    filter = new HelpKeyFilter(qApp);
    qApp->installEventFilter(filter);
    QDesktopServices::setUrlHandler(QStringLiteral("qrc"), filter, "openPage");
}

Navodila* Navodila::showManual(QWidget* parent, const QUrl& page) {
    registerPages();
    const QUrl wanted = page.isEmpty() ? homePage() : page;
    if (!pageExists(wanted.adjusted(QUrl::RemoveFragment))) {
        Msg::critical(parent, HelpMessages::NotFound);
        return nullptr;
    }
    if (!g_window)
        g_window = new Navodila(parent);
    if (g_window->m_browser->source() != wanted)
        g_window->m_browser->setSource(wanted);
    g_window->show();
    g_window->raise();
    g_window->activateWindow();
    return g_window;
}

Navodila::Navodila(QWidget* parent) : QWidget(parent, Qt::Window) {
    setObjectName(QStringLiteral("Navodila"));
    setWindowTitle(QStringLiteral("VALMIR 2009 - navodila"));

    m_contents = new QTreeWidget;
    m_contents->setObjectName(QStringLiteral("contents"));
    m_contents->setHeaderHidden(true);
    m_contents->setRootIsDecorated(false);
    m_contents->setIndentation(14);
    buildContents();

    m_browser = new QTextBrowser;
    m_browser->setObjectName(QStringLiteral("browser"));
    m_browser->setOpenExternalLinks(true);

    auto* bar = new QToolBar;
    bar->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    QAction* back = toolAction(bar, QStringLiteral("backAction"), QStringLiteral("Nazaj"),
                               QStyle::SP_ArrowBack, QKeySequence::Back);
    QAction* forward = toolAction(bar, QStringLiteral("forwardAction"), QStringLiteral("Naprej"),
                                  QStyle::SP_ArrowForward, QKeySequence::Forward);
    QAction* home = toolAction(bar, QStringLiteral("homeAction"), QStringLiteral("Domov"),
                               QStyle::SP_DirHomeIcon, QKeySequence(Qt::ALT | Qt::Key_Home));
    // The manual closes with Escape or its own button, as a dialog would.
    QAction* closing = toolAction(bar, QStringLiteral("closeAction"), QStringLiteral("Zapri"),
                                  QStyle::SP_DialogCloseButton, QKeySequence(Qt::Key_Escape));
    connect(closing, &QAction::triggered, this, &QWidget::close);
    back->setEnabled(false);
    forward->setEnabled(false);
    connect(back, &QAction::triggered, m_browser, &QTextBrowser::backward);
    connect(forward, &QAction::triggered, m_browser, &QTextBrowser::forward);
    // "Domov" of QTextBrowser is the first page it showed, which need not
    // be the start of the manual.
    connect(home, &QAction::triggered, this, [this] { m_browser->setSource(homePage()); });
    connect(m_browser, &QTextBrowser::backwardAvailable, back, &QAction::setEnabled);
    connect(m_browser, &QTextBrowser::forwardAvailable, forward, &QAction::setEnabled);
    connect(m_browser, &QTextBrowser::sourceChanged, this, &Navodila::onSourceChanged);
    connect(m_contents, &QTreeWidget::itemClicked, this, &Navodila::onContentsClicked);
    connect(m_contents, &QTreeWidget::itemActivated, this, &Navodila::onContentsClicked);

    auto* splitter = new QSplitter;
    splitter->addWidget(m_contents);
    splitter->addWidget(m_browser);
    splitter->setStretchFactor(1, 1);
    splitter->setSizes({210, 770});

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(bar);
    layout->addWidget(splitter, 1);
    resize(1020, 720);
}

void Navodila::buildContents() {
    QTreeWidgetItem* parent = nullptr;
    for (const ContentsEntry& e : Contents) {
        auto* item =
            e.level == 0 || !parent ? new QTreeWidgetItem(m_contents) : new QTreeWidgetItem(parent);
        item->setText(0, e.title.toString());
        item->setData(0, Qt::UserRole, pageUrl(e.page));
        if (e.level == 0)
            parent = item;
    }
    m_contents->expandAll();
}

void Navodila::onContentsClicked(QTreeWidgetItem* item) {
    const QUrl url = item->data(0, Qt::UserRole).toUrl();
    if (m_browser->source().adjusted(QUrl::RemoveFragment) != url)
        m_browser->setSource(url);
}

// The contents list follows the page, whichever way it was reached.
void Navodila::onSourceChanged(const QUrl& url) {
    const QUrl page = url.adjusted(QUrl::RemoveFragment);
    for (QTreeWidgetItemIterator it(m_contents); *it; ++it) {
        if ((*it)->data(0, Qt::UserRole).toUrl() == page) {
            m_contents->setCurrentItem(*it);
            return;
        }
    }
    m_contents->setCurrentItem(nullptr);
}

} // namespace valmir

#include "Navodila.moc"
