#include "app/Glavna.h"

#include "app/BackupActions.h"
#include "data/Recordset.h"
#include "invoice/CreditNote.h"
#include "invoice/InvoiceDeletion.h"
#include "text/Clock.h"
#include "text/Messages.h"
#include "text/Module1.h"
#include "ui/BoundGrid.h"
#include "ui/HandOver.h"
#include "ui/KeyShortcut.h"
#include "ui/MessageBox.h"
#include "ui/SearchBar.h"
#include "windows/Brisanje.h"
#include "windows/N_data.h"
#include "windows/N_osebje.h"
#include "windows/N_racun.h"
#include "windows/N_word.h"
#include "windows/Navodila.h"
#include "windows/Nov_racun.h"
#include "windows/Pregled.h"
#include "windows/Racun.h"
#include "windows/S_grupe.h"
#include "windows/S_postavke.h"
#include "windows/frmAbout.h"
#include <QCheckBox>
#include <QLineEdit>

#include <QAction>
#include <QHBoxLayout>
#include <QLabel>
#include <QMenuBar>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

#include <span>

namespace valmir {

namespace {

constexpr SortableColumn InvoiceColumns[] = {
    {u"Št. računa", u"StevilkaRacuna", u"", 11},
    {u"Datum", u"Datum", u"General Date", 10},
    {u"Plačan", u"Placan", u"Yes/No", 5},
    {u"Storitev", u"Delovisce", u"", 24},
    {u"Zadeva", u"Zadeva", u"", 12},
    {u"Naročnik", u"Ime", u"", 24},
    {u"Kontaktna oseba", u"KontaktnaOseba", u"", 18},
    {u"Naslov", u"Naslov", u"", 22},
    {u"Pošta", u"PST", u"", 5},
    {u"Kraj", u"Posta", u"", 16},
    {u"Telefon", u"Telefon", u"", 13},
    {u"Faks", u"Faks", u"", 13},
    {u"E-mail", u"Email", u"", 22},
    {u"Davčna št.", u"Davcna", u"", 10},
    {u"TRR", u"TRR", u"", 20},
    {u"Opombe", u"Opombe", u"", 30},
    {u"Za plačilo", u"ZaPlacilo", u"Currency", 12},
};

// An item of the main menu. A window that is not part of the program yet
// has no opener: its item is shown disabled, so that the menu already reads
// as it will. A window joins the menu by its opener in this table, usually
// openModal<ItsClass>.
struct MenuItem {
    const char* name; // objectName; none for a separator
    QStringView caption;
    void (*open)(Glavna& main);
    bool reloadAfter; // the window may have changed the invoices behind the list
};

struct Menu {
    QStringView caption;
    std::span<const MenuItem> items;
};

// Every window opened from the menu is modal over the main window and gets
// the run's context.
template <class Window> void openModal(Glavna& main) {
    Window window(main.context(), &main);
    window.exec();
}

void quit(Glavna& main) { main.close(); }
void saveCopy(Glavna& main) { saveBackupCopy(&main, main.context()); }
void restoreCopy(Glavna& main) { restoreBackupCopy(&main, main.context()); }

// The manual is not modal: it stays open beside the main window.
void showManual(Glavna& main) { Navodila::showManual(&main); }

void showAbout(Glavna& main) {
    frmAbout about(&main);
    about.exec();
}

constexpr MenuItem Separator{nullptr, {}, nullptr, false};

constexpr MenuItem DataItems[] = {
    {"M1_1a", u"&Geodetske storitve...", openModal<S_grupe>, false},
    {"M1_1b", u"&Opravila...", openModal<S_postavke>, false},
    Separator,
    {"M1_5", u"&Pregled prometa...", openModal<Pregled>, false},
    Separator,
    {"M1_2", u"&Brisanje starih računov...", openModal<Brisanje>, true},
    Separator,
    {"M1_3", u"&Varnostna kopija...", saveCopy, false},
    {"M1_4", u"&Obnovi iz varnostne kopije...", restoreCopy, true},
    Separator,
    {"M1_K", u"&Konec", quit, false},
};

constexpr MenuItem SettingsItems[] = {
    {"M2_1", u"&Računi...", openModal<N_racun>, false},
    {"M2_W", u"&Urejevalnik besedil...", openModal<N_word>, false},
    Separator,
    {"M2_2", u"&Naši podatki...", openModal<N_data>, false},
    {"M2_3", u"&Osebje...", openModal<N_osebje>, false},
};

constexpr MenuItem HelpItems[] = {
    {"M3_1", u"Navodila...", showManual, false},
    Separator,
    {"M3_2", u"O, &avtorja...", showAbout, false},
};

constexpr Menu MainMenu[] = {
    {u"&Podatki", DataItems},
    {u"&Nastavitve", SettingsItems},
    {u"&Pomoč", HelpItems},
};

// The window never gets smaller than 7470 x 3000 twips (1/1440 inch).
constexpr int MinimumWidthTwips = 7470;
constexpr int MinimumHeightTwips = 3000;

int twipsToPixels(int twips, int dpi) { return qRound(twips * dpi / 1440.0); }

} // namespace

Glavna::Glavna(const AppContext& context, QWidget* parent)
    : QMainWindow(parent), m_context(context) {
    setObjectName(QStringLiteral("Glavna"));
    setWindowTitle(
        QStringLiteral("VALMIR 2009 - aplikacija za pripravo računa geodetske storitve"));

    auto* central = new QWidget(this);
    auto* layout = new QVBoxLayout(central);
    m_search = new SearchBar(central);
    layout->addWidget(m_search);
    buildList();
    layout->addWidget(m_list, 1);
    m_status = new QLabel(central);
    m_status->setObjectName(QStringLiteral("Label2"));
    layout->addWidget(m_status);
    layout->addLayout(buildButtons(central));
    setCentralWidget(central);
    buildMenu();

    setMinimumSize(twipsToPixels(MinimumWidthTwips, logicalDpiX()),
                   twipsToPixels(MinimumHeightTwips, logicalDpiY()));
    resize(std::max(minimumWidth(), 900), std::max(minimumHeight(), 500));
    setTabOrder(m_list, m_newButton);
    setTabOrder(m_newButton, m_openButton);
    setTabOrder(m_openButton, m_deleteButton);
    setTabOrder(m_deleteButton, m_creditButton);
    setTabOrder(m_creditButton, m_search->searchBox());
    setTabOrder(m_search->searchBox(), m_search->unpaidCheck());
    setTabOrder(m_search->unpaidCheck(), m_list);

    // The counts read every invoice: they follow the first painted rows
    // instead of delaying them.
    if (m_sortable->reload())
        QTimer::singleShot(0, this, [this] { showStatus(); });
    connect(m_search, &SearchBar::filterChanged, this, &Glavna::applyFilter);
    m_list->setFocus();
}

Glavna::~Glavna() = default;

void Glavna::buildList() {
    m_list = new BoundGrid(this);
    m_list->setObjectName(QStringLiteral("DBGrid1"));
    // Nothing is typed into this list, so Tab leaves it for the buttons.
    m_list->setTabKeyNavigation(false);
    // Highest invoice number first: the newest invoices are the ones at hand.
    m_sortable = new SortableList(m_list, m_context.db, InvoiceColumns,
                                  QStringLiteral("SELECT * FROM tblRacun "), 0, false,
                                  Messages::InvoiceListNotRead.text);

    connect(m_list, &BoundGrid::rowActivated, this, [this](int) { openInvoice(); });
    auto* deleteKey = new QAction(m_list);
    deleteKey->setShortcut(QKeySequence::Delete);
    deleteKey->setShortcutContext(Qt::WidgetShortcut);
    m_list->addAction(deleteKey);
    connect(deleteKey, &QAction::triggered, this, &Glavna::deleteInvoice);
}

QHBoxLayout* Glavna::buildButtons(QWidget* central) {
    m_newButton = new QPushButton(QStringLiteral("Nov račun"), central);
    m_newButton->setObjectName(QStringLiteral("Command1"));
    m_openButton = new QPushButton(QStringLiteral("Odpri račun"), central);
    m_openButton->setObjectName(QStringLiteral("Command2"));
    m_deleteButton = new QPushButton(QStringLiteral("Briši račun"), central);
    m_deleteButton->setObjectName(QStringLiteral("Command3"));
    m_creditButton = new QPushButton(QStringLiteral("Dobropis"), central);
    m_creditButton->setObjectName(QStringLiteral("Command4"));

    // Equal widths and equal stretches on both sides keep "Odpri račun"
    // centred under the list while the window is resized; "Dobropis" beside
    // "Briši račun" is balanced by as much room beside "Nov račun".
    int width = 110;
    for (QPushButton* b : {m_newButton, m_openButton, m_deleteButton, m_creditButton})
        width = std::max(width, b->sizeHint().width());
    auto* row = new QHBoxLayout;
    row->addWidget(m_newButton);
    row->addSpacing(width + std::max(0, row->spacing()));
    row->addStretch(1);
    row->addWidget(m_openButton);
    row->addStretch(1);
    row->addWidget(m_deleteButton);
    row->addWidget(m_creditButton);
    for (QPushButton* b : {m_newButton, m_openButton, m_deleteButton, m_creditButton})
        b->setFixedWidth(width);

    connect(m_newButton, &QPushButton::clicked, this, &Glavna::newInvoice);
    connect(m_openButton, &QPushButton::clicked, this, &Glavna::openInvoice);
    connect(m_deleteButton, &QPushButton::clicked, this, &Glavna::deleteInvoice);
    connect(m_creditButton, &QPushButton::clicked, this, &Glavna::creditInvoice);
    bindKey(m_newButton, QKeySequence::New);
    m_openButton->setToolTip(keyTip(m_openButton->text(), QKeySequence(Qt::Key_Return)));
    m_deleteButton->setToolTip(keyTip(m_deleteButton->text(), QKeySequence::Delete));
    return row;
}

void Glavna::buildMenu() {
    for (const Menu& m : MainMenu) {
        QMenu* menu = menuBar()->addMenu(m.caption.toString());
        for (const MenuItem& item : m.items) {
            if (!item.name) {
                menu->addSeparator();
                continue;
            }
            QAction* action = menu->addAction(item.caption.toString());
            action->setObjectName(QString::fromLatin1(item.name));
            action->setEnabled(item.open != nullptr);
            connect(action, &QAction::triggered, this, [this, item] {
                item.open(*this);
                // The data changed underneath: search again.
                if (item.reloadAfter)
                    applyFilter();
            });
        }
    }
}

bool Glavna::hasCurrentInvoice() const { return m_list->currentRow() >= 0; }

void Glavna::openEditor() {
    int result = QDialog::Rejected;
    {
        Racun editor(m_context, m_list, this);
        result = editor.exec();
    }
    // Only a save closes the editor accepted; it leaves the list on the
    // invoice saved, which stays in the list until the filter changes.
    if (result == QDialog::Accepted) {
        if (hasCurrentInvoice())
            m_kept.push_back(m_list->recordset()->bookmark());
        listChanged();
    }
    m_list->setFocus();
}

void Glavna::applyFilter() {
    m_kept.clear();
    readList(0);
}

void Glavna::listChanged() {
    // Without a filter the list holds every invoice, those written through
    // it included, as the counts do.
    if (m_search->filter().isEmpty()) {
        showStatus();
        return;
    }
    // With one, the list the search found before would no longer be what
    // the status line counts: both are read from a new search.
    readList(hasCurrentInvoice() ? m_list->recordset()->bookmark() : 0);
}

void Glavna::readList(qint64 standOn) {
    SearchResult found;
    if (!search(&found))
        return;
    m_sortable->setFilter(found.where, found.params);
    // A list that could not be read has told so already.
    if (!m_sortable->reload()) {
        m_status->clear();
        return;
    }
    if (standOn != 0 && m_list->recordset()->moveToBookmark(standOn))
        m_list->syncFromRecordset();
    m_status->setText(statusText(found.status));
}

void Glavna::showStatus() {
    SearchResult found;
    if (search(&found))
        m_status->setText(statusText(found.status));
}

bool Glavna::search(SearchResult* found) {
    if (!m_context.db)
        return false;
    if (runSearch(*m_context.db, keeping(m_search->filter(), m_kept), found))
        return true;
    m_status->clear();
    Msg::critical(this, Messages::InvoiceListNotRead, m_context.db->lastError());
    return false;
}

void Glavna::newInvoice() {
    Recordset* rs = m_list->recordset();
    if (!hasCurrentInvoice() || NullTrim(rs->field(QStringLiteral("Ime"))).isEmpty()) {
        OpenMode = 0;
    } else {
        Nov_racun question(NullTrim(rs->field(QStringLiteral("Ime"))), this);
        question.exec();
    }
    if (OpenMode >= 0)
        openEditor();
}

void Glavna::openInvoice() {
    if (!hasCurrentInvoice())
        return;
    OpenMode = 1;
    openEditor();
}

void Glavna::creditInvoice() {
    if (!hasCurrentInvoice())
        return;
    Recordset* rs = m_list->recordset();
    if (rs->field(QStringLiteral("Dobropis")).toBool()) {
        Msg::critical(this, Messages::CreditNoteOfCreditNote);
        return;
    }
    const QString number = NullTrim(rs->field(QStringLiteral("StevilkaRacuna")));
    // An invoice credited before is named with its credit notes, so that it
    // is not taken back twice by mistake.
    const std::optional<QStringList> earlier = creditNotesOf(*m_context.db, rs->bookmark());
    if (!earlier) {
        Msg::critical(this, Messages::CreditNoteNotMade, m_context.db->lastError());
        return;
    }
    const bool again = !earlier->isEmpty();
    const Message& ask = again ? Messages::MakeAnotherCreditNote : Messages::MakeCreditNote;
    if (!Msg::question(this,
                       again ? ask.text.arg(number, earlier->join(QStringLiteral(", ")))
                             : ask.text.arg(number),
                       ask.title))
        return;
    const CreditNoteResult made = makeCreditNote(*m_context.db, rs->bookmark(), today());
    if (made.outcome == CreditNoteOutcome::IsCreditNote) {
        Msg::critical(this, Messages::CreditNoteOfCreditNote);
        return;
    }
    if (made.outcome == CreditNoteOutcome::NoSettings) {
        Msg::critical(this, Messages::NoSettings);
        return;
    }
    if (made.outcome != CreditNoteOutcome::Made) {
        Msg::critical(this, Messages::CreditNoteNotMade,
                      made.error.isEmpty() ? m_context.db->lastError() : made.error);
        return;
    }
    // The credit note stays in the list whatever the filter, and opens in
    // the editor, where the lines not taken back are deleted.
    m_kept.push_back(made.id);
    readList(made.id);
    if (hasCurrentInvoice() && m_list->recordset()->bookmark() == made.id) {
        OpenMode = 1;
        openEditor();
    }
}

void Glavna::deleteInvoice() {
    if (!hasCurrentInvoice())
        return;
    // An invoice that a credit note takes back is named in that question.
    const std::optional<QStringList> credits =
        creditNotesOf(*m_context.db, m_list->recordset()->bookmark());
    if (!credits) {
        Msg::critical(this, Messages::InvoiceListNotRead, m_context.db->lastError());
        return;
    }
    if (!Msg::question(this, credits->isEmpty() ? Messages::DeleteInvoice
                                                : Message{Messages::DeleteCreditedInvoice.text.arg(
                                                              credits->join(QStringLiteral(", "))),
                                                          Messages::DeleteCreditedInvoice.title}))
        return;
    InvoiceDeletionResult result = deleteCurrentInvoice(*m_list->recordset());
    m_list->syncFromRecordset();
    if (!result.deleted)
        Msg::critical(this, Messages::InvoiceNotDeleted, result.error);
    listChanged();
}

} // namespace valmir
