#include "app/Glavna.h"

#include "app/BackupActions.h"
#include "app/N_streznik.h"
#include "app/SearchCounter.h"
#include "app/ServerNotices.h"
#include "data/EngineQuery.h"
#include "data/PgConnection.h"
#include "data/Recordset.h"
#include "document/Reminder.h"
#include "invoice/CreditNote.h"
#include "invoice/InvoiceDeletion.h"
#include "invoice/InvoiceSearch.h"
#include "text/Clock.h"
#include "text/Messages.h"
#include "text/Module1.h"
#include "text/TextForms.h"
#include "ui/BoundGrid.h"
#include "ui/BoundListModel.h"
#include "ui/HandOver.h"
#include "ui/HeldRow.h"
#include "ui/KeyShortcut.h"
#include "ui/MessageBox.h"
#include "ui/SearchBar.h"
#include "windows/Brisanje.h"
#include "windows/Izpisek.h"
#include "windows/N_data.h"
#include "windows/N_narocniki.h"
#include "windows/N_osebje.h"
#include "windows/N_racun.h"
#include "windows/N_word.h"
#include "windows/Navodila.h"
#include "windows/Nov_racun.h"
#include "windows/Pregled.h"
#include "windows/Racun.h"
#include "windows/ReminderOutput.h"
#include "windows/S_grupe.h"
#include "windows/S_postavke.h"
#include "windows/frmAbout.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QEvent>
#include <QHBoxLayout>
#include <QItemSelectionModel>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QPushButton>
#include <QSettings>
#include <QStyledItemDelegate>
#include <QThread>
#include <QTimer>
#include <QVBoxLayout>

#include <memory>
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
    // Due dates and reminders come after the columns the list always had,
    // which keep their places.
    {u"Zapade", u"Zapade", u"General Date", 10},
    {u"Opomin", u"Opomin", u"General Date", 18},
    {u"Opominov", u"Opominov", u"", 3}, // hidden: read by the "Opomin" column
    // What is still owed: the sum to pay less the payments and credit notes.
    {u"Odprto", u"Odprto", u"Currency", 12},
    // The quotes' list only: the invoices made from each quote.
    {u"Račun", u"ID", u"", 11},
};
constexpr int PaidColumn = 2;
constexpr int DueColumn = int(std::size(InvoiceColumns)) - 5;
constexpr int ReminderColumn = int(std::size(InvoiceColumns)) - 4;
constexpr int ReminderCountColumn = int(std::size(InvoiceColumns)) - 3;
constexpr int OpenColumn = int(std::size(InvoiceColumns)) - 2;
constexpr int QuoteInvoiceColumn = int(std::size(InvoiceColumns)) - 1;

// The list's model shows one field a column: the "Opomin" column puts the
// number of reminders, from the hidden column, in front of the last one's
// date when more than one went out.
class ReminderColumnDelegate : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;

protected:
    void initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const override {
        QStyledItemDelegate::initStyleOption(option, index);
        const QDate last = readDate(index.data(Qt::EditRole).toString()).value_or(QDate());
        const int count = index.siblingAtColumn(ReminderCountColumn).data(Qt::EditRole).toInt();
        option->text = reminderMark(last, count);
    }
};

// The "Račun" column of the quotes' list: the numbers of the invoices made
// from the quote of the row, by its ID.
class QuoteInvoiceDelegate : public QStyledItemDelegate {
public:
    QuoteInvoiceDelegate(const QHash<qint64, QString>& invoices, BoundGrid* grid)
        : QStyledItemDelegate(grid), m_invoices(invoices), m_grid(grid) {}

protected:
    void initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const override {
        QStyledItemDelegate::initStyleOption(option, index);
        Recordset* rs = m_grid->recordset();
        option->text =
            rs ? m_invoices.value(rs->value(index.row(), QStringLiteral("ID")).toLongLong())
               : QString();
    }

private:
    const QHash<qint64, QString>& m_invoices;
    BoundGrid* m_grid;
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

void importStatements(Glavna& main) { Izpisek::importFiles(main.context(), &main); }

void showAbout(Glavna& main) {
    frmAbout about(&main);
    about.exec();
}

constexpr MenuItem Separator{nullptr, {}, nullptr, false};

constexpr MenuItem DataItems[] = {
    {"M1_1a", u"&Geodetske storitve...", openModal<S_grupe>, false},
    {"M1_1b", u"&Opravila...", openModal<S_postavke>, false},
    {"M1_N", u"&Naročniki...", openModal<N_narocniki>, false},
    {"M1_S", u"&Strežnik...", openModal<N_streznik>, false},
    Separator,
    {"M1_5", u"&Pregled prometa...", openModal<Pregled>, false},
    {"M1_I", u"&Uvoz bančnega izpiska...", importStatements, true},
    Separator,
    {"M1_2", u"&Brisanje starih računov...", openModal<Brisanje>, true},
    Separator,
    {"M1_3", u"&Varnostna kopija...", saveCopy, false},
    {"M1_4", u"Obnovi &iz varnostne kopije...", restoreCopy, true},
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
    // Whoever works on the office's server sees it, and which database.
    const QString title =
        QStringLiteral("VALMIR 2009 - aplikacija za pripravo računa geodetske storitve");
    setWindowTitle(m_context.db && m_context.db->onServer()
                       ? title + QStringLiteral(" – strežnik: %1").arg(m_context.db->path())
                       : title);

    auto* central = new QWidget(this);
    auto* layout = new QVBoxLayout(central);
    m_search = new SearchBar(central);
    // "Samo zapadli" stands beside "Samo neplačani" at the bar's end.
    m_overdueCheck = new QCheckBox(QStringLiteral("Samo &zapadli"), central);
    m_overdueCheck->setObjectName(QStringLiteral("Check2"));
    // "Ponudbe" after them: the quotes instead of the invoices.
    m_quotesCheck = new QCheckBox(QStringLiteral("P&onudbe"), central);
    m_quotesCheck->setObjectName(QStringLiteral("Check3"));
    auto* searchRow = new QHBoxLayout;
    searchRow->addWidget(m_search, 1);
    searchRow->addSpacing(12);
    searchRow->addWidget(m_overdueCheck);
    searchRow->addSpacing(12);
    searchRow->addWidget(m_quotesCheck);
    layout->addLayout(searchRow);
    buildList();
    layout->addWidget(m_list, 1);
    m_status = new QLabel(central);
    m_status->setObjectName(QStringLiteral("Label2"));
    layout->addWidget(m_status);
    // Under it while the connection to the server is lost.
    m_linkNote = new QLabel(ServerMessages::LinkLostNote, central);
    m_linkNote->setObjectName(QStringLiteral("Label3"));
    m_linkNote->setVisible(false);
    layout->addWidget(m_linkNote);
    layout->addLayout(buildButtons(central));
    setCentralWidget(central);
    buildMenu();

    setMinimumSize(twipsToPixels(MinimumWidthTwips, logicalDpiX()),
                   twipsToPixels(MinimumHeightTwips, logicalDpiY()));
    resize(std::max(minimumWidth(), 900), std::max(minimumHeight(), 500));
    // The list, the buttons from left to right, the search row.
    const QList<QWidget*> tabOrder{m_list,
                                   m_newButton,
                                   m_newQuoteButton,
                                   m_copyButton,
                                   m_openButton,
                                   m_deleteButton,
                                   m_creditButton,
                                   m_reminderButton,
                                   m_quoteInvoiceButton,
                                   m_search->searchBox(),
                                   m_search->unpaidCheck(),
                                   m_overdueCheck,
                                   m_quotesCheck,
                                   m_list};
    for (qsizetype i = 1; i < tabOrder.size(); ++i)
        setTabOrder(tabOrder[i - 1], tabOrder[i]);

    // On the server the counts are a reading of their own, made beside
    // the list on a connection of its own.
    if (m_context.db && m_context.db->onServer()) {
        m_counter = new SearchCounter(m_context.db->conninfo(), this);
        connect(m_counter, &SearchCounter::counted, this, [this](const ListStatus& status) {
            m_status->setEnabled(true);
            m_status->setText(m_quotesCheck->isChecked() ? quoteStatusText(status)
                                                         : statusText(status));
        });
        // Without a connection of its own it counts on the list's.
        connect(m_counter, &SearchCounter::failed, this, [this] {
            m_counter->deleteLater();
            m_counter = nullptr;
            m_status->setEnabled(true);
            showStatus();
        });
        // What other workstations save, delete and purge shows here by
        // itself: the list is read again (keeping its row and order), and
        // the counts follow.
        m_notices = new ServerNotices(*m_context.db, {QStringLiteral("tblRacun")}, this);
        connect(m_notices, &ServerNotices::changed, this, &Glavna::othersChanged);
        connect(m_notices, &ServerNotices::linkLost, m_linkNote, &QWidget::setVisible);
        // A statement the server is slow to answer shows the busy cursor
        // (the counter's thread waits unseen). Set once, before any thread
        // of a counter reads it.
        [[maybe_unused]] static const bool busyCursor = [] {
            PgConnection::setWaitHook([](bool waiting) {
                if (QThread::currentThread() != QCoreApplication::instance()->thread())
                    return;
                if (waiting)
                    QGuiApplication::setOverrideCursor(Qt::BusyCursor);
                else
                    QGuiApplication::restoreOverrideCursor();
            });
            return true;
        }();
    }
    // The counts read every unpaid invoice: they follow the first painted
    // rows instead of delaying them (see eventFilter); a list never shown
    // is counted at once.
    if (m_sortable->reload()) {
        m_list->viewport()->installEventFilter(this);
        QTimer::singleShot(0, this, [this] {
            if (!m_list->viewport()->isVisible() && !m_statusShown) {
                m_list->viewport()->removeEventFilter(this);
                m_statusShown = true;
                showStatus();
            }
        });
    }
    connect(m_search, &SearchBar::filterChanged, this, &Glavna::applyFilter);
    // While a word is typed the list that stands is not read on.
    connect(m_search, &SearchBar::typing, m_list->listModel(), &BoundListModel::holdReading);
    connect(m_overdueCheck, &QCheckBox::toggled, this, &Glavna::applyFilter);
    connect(m_quotesCheck, &QCheckBox::toggled, this, [this] {
        showKind();
        applyFilter();
    });
    showKind();
    m_list->setFocus();
}

Glavna::~Glavna() = default;

bool Glavna::eventFilter(QObject* watched, QEvent* event) {
    if (watched == m_list->viewport() && event->type() == QEvent::Paint && !m_statusShown) {
        m_list->viewport()->removeEventFilter(this);
        m_statusShown = true;
        QTimer::singleShot(0, this, [this] { showStatus(); });
    }
    return QMainWindow::eventFilter(watched, event);
}

void Glavna::buildList() {
    m_list = new BoundGrid(this);
    m_list->setObjectName(QStringLiteral("DBGrid1"));
    // Nothing is typed into this list, so Tab leaves it for the buttons.
    m_list->setTabKeyNavigation(false);
    // Highest invoice number first: the newest invoices are the ones at hand.
    m_sortable = new SortableList(m_list, m_context.db, InvoiceColumns,
                                  QStringLiteral("SELECT * FROM tblRacun "), 0, false,
                                  Messages::InvoiceListNotRead.text);
    m_sortable->setFilter(everyInvoiceWhere(), {});

    m_list->setItemDelegateForColumn(ReminderColumn, new ReminderColumnDelegate(m_list));
    m_list->setColumnHidden(ReminderCountColumn, true);
    m_list->setItemDelegateForColumn(QuoteInvoiceColumn,
                                     new QuoteInvoiceDelegate(m_quoteInvoices, m_list));
    connect(m_list->listModel(), &QAbstractItemModel::modelReset, this, &Glavna::enableButtons);
    connect(m_list->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
            &Glavna::enableButtons);

    connect(m_list, &BoundGrid::rowActivated, this, [this](int) { openInvoice(); });
    auto* deleteKey = new QAction(m_list);
    deleteKey->setShortcut(QKeySequence::Delete);
    deleteKey->setShortcutContext(Qt::WidgetShortcut);
    m_list->addAction(deleteKey);
    connect(deleteKey, &QAction::triggered, this, &Glavna::deleteInvoice);
}

QHBoxLayout* Glavna::buildButtons(QWidget* central) {
    auto button = [central](const char* name, const char* caption) {
        auto* b = new QPushButton(QString::fromUtf8(caption), central);
        b->setObjectName(QString::fromLatin1(name));
        return b;
    };
    m_newButton = button("Command1", "Nov račun");
    m_copyButton = button("Command5", "Kopiraj račun");
    m_openButton = button("Command2", "Odpri račun");
    m_deleteButton = button("Command3", "Briši račun");
    m_creditButton = button("Command4", "Dobropis");
    m_reminderButton = button("Command6", "Opomin");
    m_newQuoteButton = button("Command7", "Nova ponudba");
    m_quoteInvoiceButton = button("Command8", "Naredi račun");

    // "Odpri račun" stays centred under the list while the window is
    // resized: the buttons left of it and right of it are balanced by as
    // much room on the shorter side, and all have one width. The quotes'
    // list shows "Naredi račun" where the invoices' shows "Dobropis" and
    // "Opomin" (see showKind), so that the row fits a small screen.
    m_leftButtons = {m_newButton, m_newQuoteButton, m_copyButton};
    m_rightButtons = {m_deleteButton, m_creditButton, m_reminderButton, m_quoteInvoiceButton};
    int width = 110;
    for (QPushButton* b : m_leftButtons + m_rightButtons + QList<QPushButton*>{m_openButton})
        width = std::max(width, b->sizeHint().width());
    auto* row = new QHBoxLayout;
    for (QPushButton* b : std::as_const(m_leftButtons))
        row->addWidget(b);
    m_leftBalance = new QSpacerItem(0, 0, QSizePolicy::Fixed, QSizePolicy::Minimum);
    row->addSpacerItem(m_leftBalance);
    row->addStretch(1);
    row->addWidget(m_openButton);
    row->addStretch(1);
    for (QPushButton* b : std::as_const(m_rightButtons))
        row->addWidget(b);
    m_rightBalance = new QSpacerItem(0, 0, QSizePolicy::Fixed, QSizePolicy::Minimum);
    row->addSpacerItem(m_rightBalance);
    for (QPushButton* b : m_leftButtons + m_rightButtons + QList<QPushButton*>{m_openButton})
        b->setFixedWidth(width);
    m_buttonRow = row;
    m_buttonRoom = width + std::max(0, row->spacing());
    m_quoteInvoiceButton->hide();
    balanceButtons();

    connect(m_newButton, &QPushButton::clicked, this, &Glavna::newInvoice);
    connect(m_copyButton, &QPushButton::clicked, this, &Glavna::copyInvoice);
    connect(m_openButton, &QPushButton::clicked, this, &Glavna::openInvoice);
    connect(m_deleteButton, &QPushButton::clicked, this, &Glavna::deleteInvoice);
    connect(m_creditButton, &QPushButton::clicked, this, &Glavna::creditInvoice);
    connect(m_reminderButton, &QPushButton::clicked, this, &Glavna::remindInvoice);
    connect(m_newQuoteButton, &QPushButton::clicked, this, &Glavna::newQuote);
    connect(m_quoteInvoiceButton, &QPushButton::clicked, this, &Glavna::invoiceFromQuote);
    bindKey(m_newButton, QKeySequence::New);
    m_openButton->setToolTip(keyTip(m_openButton->text(), QKeySequence(Qt::Key_Return)));
    m_deleteButton->setToolTip(keyTip(m_deleteButton->text(), QKeySequence::Delete));
    return row;
}

void Glavna::tellFirstSteps() {
    const QString told = QStringLiteral("prvi_koraki/povedano");
    if (m_list->listModel()->rowCount() > 0 || QSettings().value(told).toBool())
        return;
    Msg::information(this, HelpMessages::FirstSteps);
    QSettings().setValue(told, true);
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
                catchUpWithOthers();
            });
        }
    }
}

bool Glavna::hasCurrentInvoice() const { return m_list->currentRow() >= 0; }

void Glavna::openEditor(std::optional<qint64> copyOf) {
    auto editor =
        copyOf ? std::make_unique<Racun>(m_context, m_list,
                                         Racun::CopyOf{*copyOf, m_quotesCheck->isChecked()}, this)
               : std::make_unique<Racun>(m_context, m_list, this);
    runEditor(*editor);
}

void Glavna::runEditor(Racun& editor) {
    const int result = editor.exec();
    // The list shows either invoices or quotes: what the editor stored of
    // the other kind is shown in the list of its kind.
    if (const qint64 stored = editor.storedId();
        stored != 0 && editor.isQuote() != m_quotesCheck->isChecked()) {
        const QSignalBlocker quiet(m_quotesCheck);
        m_quotesCheck->setChecked(editor.isQuote());
        showKind();
        m_kept.clear();
        readList(stored);
        catchUpWithOthers();
        m_list->setFocus();
        return;
    }
    // Only a save closes the editor accepted; it leaves the list on the
    // invoice saved, which stays in the list until the filter changes.
    if (result == QDialog::Accepted) {
        if (const qint64 saved = m_list->recordset()->bookmark(); saved != 0)
            m_kept.push_back(saved);
        listChanged();
    }
    catchUpWithOthers();
    m_list->setFocus();
}

void Glavna::othersChanged(const QList<Database::Notice>& notices) {
    for (const Database::Notice& n : notices) {
        if (n.table != u"tblRacun")
            continue;
        m_othersCounted = true;
        // Rows changed and deleted the list has followed; new ones it reads.
        m_othersAdded = m_othersAdded || n.kind == 'I' || n.wholesale;
    }
    catchUpWithOthers();
}

// Not under a window that waits for the user: the editor writes through
// the list's current row, which a new reading would move.
void Glavna::catchUpWithOthers() {
    if (QApplication::activeModalWidget() || !m_othersCounted)
        return;
    const bool read = std::exchange(m_othersAdded, false);
    m_othersCounted = false;
    if (read)
        readList(m_list->recordset()->bookmarkAt(m_list->currentRow()));
    else
        showStatus();
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
    readList(m_list->recordset()->bookmarkAt(m_list->currentRow()));
}

void Glavna::readList(qint64 standOn) {
    SearchResult found;
    if (!search(&found) || (m_quotesCheck->isChecked() && !readQuoteInvoices()))
        return;
    m_sortable->setFilter(found.where, found.params);
    // A list that could not be read has told so already.
    if (!m_sortable->reload()) {
        m_status->clear();
        return;
    }
    if (standOn != 0 && m_list->recordset()->moveToBookmark(standOn))
        m_list->syncFromRecordset();
    showCounts(found);
}

void Glavna::showStatus() {
    SearchResult found;
    if (search(&found))
        showCounts(found);
}

void Glavna::showCounts(const SearchResult& found) {
    if (found.counted) {
        m_status->setText(m_quotesCheck->isChecked() ? quoteStatusText(found.status)
                                                     : statusText(found.status));
        return;
    }
    // Greyed until the counts of this filter are known.
    m_status->setEnabled(false);
    m_counter->count(found.filter);
}

bool Glavna::search(SearchResult* found) {
    if (!m_context.db)
        return false;
    // A quote is never due: "Samo zapadli" is of the invoices only.
    const bool quotes = m_quotesCheck->isChecked();
    const InvoiceFilter filter = ofKind(
        overdueOn(m_search->filter(), today(), !quotes && m_overdueCheck->isChecked()), quotes);
    // The count of the filter before is of no use any more.
    if (m_counter)
        m_counter->forget();
    if (runSearch(*m_context.db, keeping(filter, m_kept), found, !m_counter))
        return true;
    m_status->clear();
    Msg::critical(this, Messages::InvoiceListNotRead, m_context.db->lastError());
    return false;
}

// For whom a new invoice or quote is: the question when the row chosen
// has a customer. False when it was cancelled.
bool Glavna::askNewFor() {
    Recordset* rs = m_list->recordset();
    if (!hasCurrentInvoice() || NullTrim(rs->field(QStringLiteral("Ime"))).isEmpty()) {
        OpenMode = 0;
    } else {
        Nov_racun question(NullTrim(rs->field(QStringLiteral("Ime"))), this);
        question.exec();
    }
    return OpenMode >= 0;
}

void Glavna::newInvoice() {
    if (askNewFor())
        openEditor();
}

void Glavna::newQuote() {
    if (!askNewFor())
        return;
    Racun editor(m_context, m_list, Racun::NewQuote{}, this);
    runEditor(editor);
}

void Glavna::invoiceFromQuote() {
    if (!hasCurrentInvoice())
        return;
    Recordset* rs = m_list->recordset();
    const HeldRow quote(*rs);
    if (!quote.present(this) || !rs->field(QStringLiteral("Ponudba")).toBool())
        return;
    // One quote, one invoice, as a rule: a second one is made when the user
    // says so.
    if (!readQuoteInvoices())
        return;
    const QString made = m_quoteInvoices.value(quote.key());
    if (!made.isEmpty() &&
        !Msg::question(this,
                       QuoteMessages::AnotherInvoice.text.arg(
                           NullTrim(rs->field(QStringLiteral("StevilkaRacuna"))), made),
                       QuoteMessages::AnotherInvoice.title))
        return;
    OpenMode = 0;
    Racun editor(m_context, m_list, Racun::FromQuote{quote.key()}, this);
    runEditor(editor);
}

void Glavna::showKind() {
    const bool quotes = m_quotesCheck->isChecked();
    // Neither paid nor due nor reminded of: a quote is no invoice.
    for (int column : {PaidColumn, DueColumn, ReminderColumn, OpenColumn})
        m_list->setColumnHidden(column, quotes);
    m_list->setColumnHidden(QuoteInvoiceColumn, !quotes);
    m_creditButton->setHidden(quotes);
    m_reminderButton->setHidden(quotes);
    m_quoteInvoiceButton->setHidden(!quotes);
    balanceButtons();
    m_overdueCheck->setEnabled(!quotes);
    m_search->unpaidCheck()->setEnabled(!quotes);
    enableButtons();
}

void Glavna::balanceButtons() {
    const auto shown = [](const QList<QPushButton*>& buttons) {
        return int(std::count_if(buttons.begin(), buttons.end(),
                                 [](const QPushButton* b) { return !b->isHidden(); }));
    };
    const int balance = (shown(m_rightButtons) - shown(m_leftButtons)) * m_buttonRoom;
    m_leftBalance->changeSize(std::max(0, balance), 0, QSizePolicy::Fixed, QSizePolicy::Minimum);
    m_rightBalance->changeSize(std::max(0, -balance), 0, QSizePolicy::Fixed, QSizePolicy::Minimum);
    m_buttonRow->invalidate();
}

void Glavna::enableButtons() {
    if (m_quoteInvoiceButton)
        m_quoteInvoiceButton->setEnabled(m_quotesCheck && m_quotesCheck->isChecked() &&
                                         hasCurrentInvoice());
}

bool Glavna::readQuoteInvoices() {
    m_quoteInvoices.clear();
    QHash<qint64, QStringList> made;
    auto found = m_context.db->query(QStringLiteral("SELECT PonudbaID, StevilkaRacuna FROM "
                                                    "tblRacun WHERE PonudbaID IS NOT NULL "
                                                    "ORDER BY ID"),
                                     {});
    while (found && found->next())
        made[found->stored(0).toLongLong()] << found->stored(1).toString();
    if (!found || found->failed()) {
        Msg::critical(this, Messages::InvoiceListNotRead, m_context.db->lastError());
        return false;
    }
    for (auto i = made.cbegin(); i != made.cend(); ++i)
        m_quoteInvoices.insert(i.key(), i.value().join(QStringLiteral(", ")));
    return true;
}

void Glavna::openInvoice() {
    if (!hasCurrentInvoice())
        return;
    OpenMode = 1;
    openEditor();
}

// A new invoice made from the one chosen; nothing is stored until it is saved.
void Glavna::copyInvoice() {
    if (!hasCurrentInvoice())
        return;
    const HeldRow source(*m_list->recordset());
    if (!source.present(this))
        return;
    if (m_list->recordset()->field(QStringLiteral("Dobropis")).toBool()) {
        Msg::critical(this, CopyMessages::OfCreditNote);
        return;
    }
    OpenMode = 0;
    openEditor(source.key());
}

void Glavna::creditInvoice() {
    if (!hasCurrentInvoice())
        return;
    Recordset* rs = m_list->recordset();
    const HeldRow invoice(*rs);
    if (!invoice.present(this))
        return;
    const QString number = NullTrim(rs->field(QStringLiteral("StevilkaRacuna")));
    if (rs->field(QStringLiteral("Ponudba")).toBool()) {
        Msg::critical(this, QuoteMessages::NoCreditNote.text.arg(number),
                      QuoteMessages::NoCreditNote.title);
        return;
    }
    if (rs->field(QStringLiteral("Dobropis")).toBool()) {
        Msg::critical(this, Messages::CreditNoteOfCreditNote);
        return;
    }
    // An invoice credited before is named with its credit notes, so that it
    // is not taken back twice by mistake.
    const std::optional<QStringList> earlier = creditNotesOf(*m_context.db, invoice.key());
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
    if (!invoice.stillThere(this, *rs, Messages::CreditNoteNotMade)) {
        m_list->syncFromRecordset();
        return;
    }
    const CreditNoteResult made = makeCreditNote(*m_context.db, invoice.key(), today());
    if (made.outcome == CreditNoteOutcome::IsQuote) {
        Msg::critical(this, QuoteMessages::NoCreditNote.text.arg(number),
                      QuoteMessages::NoCreditNote.title);
        return;
    }
    if (made.outcome == CreditNoteOutcome::IsCreditNote) {
        Msg::critical(this, Messages::CreditNoteOfCreditNote);
        return;
    }
    if (made.outcome == CreditNoteOutcome::NoSettings) {
        Msg::critical(this, Messages::NoSettings);
        return;
    }
    if (made.outcome == CreditNoteOutcome::NotFound) {
        Msg::critical(this, Messages::CreditedInvoiceGone.text.arg(number),
                      Messages::CreditedInvoiceGone.title);
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

void Glavna::remindInvoice() {
    if (!hasCurrentInvoice()) {
        Msg::critical(this, Messages::NoInvoiceSelected);
        return;
    }
    const HeldRow invoice(*m_list->recordset());
    if (!invoice.present(this))
        return;
    // The list shows the reminder's date as soon as it is recorded.
    MakeReminder(this, m_context, invoice.key());
    m_list->setFocus();
}

void Glavna::deleteInvoice() {
    if (!hasCurrentInvoice())
        return;
    Recordset& rs = *m_list->recordset();
    const HeldRow invoice(rs);
    if (!invoice.present(this))
        return;
    // An invoice that a credit note takes back is named in that question.
    const std::optional<QStringList> credits = creditNotesOf(*m_context.db, invoice.key());
    if (!credits) {
        Msg::critical(this, Messages::InvoiceListNotRead, m_context.db->lastError());
        return;
    }
    if (!Msg::confirmDestructive(this, credits->isEmpty()
                                           ? Messages::DeleteInvoice
                                           : Message{Messages::DeleteCreditedInvoice.text.arg(
                                                         credits->join(QStringLiteral(", "))),
                                                     Messages::DeleteCreditedInvoice.title}))
        return;
    if (!invoice.stillThere(this, rs, Messages::InvoiceNotDeleted)) {
        m_list->syncFromRecordset();
        return;
    }
    InvoiceDeletionResult result = deleteCurrentInvoice(rs);
    m_list->syncFromRecordset();
    if (!result.deleted)
        Msg::critical(this, Messages::InvoiceNotDeleted, result.error);
    listChanged();
}

} // namespace valmir
