#pragma once

#include "data/Database.h"
#include "ui/AppContext.h"
#include "ui/SortableList.h"

#include <QHash>
#include <QMainWindow>

#include <optional>
#include <vector>

class QCheckBox;
class QHBoxLayout;
class QSpacerItem;
class QLabel;
class QPushButton;

namespace valmir {

class BoundGrid;
class Racun;
class SearchBar;
class SearchCounter;
class ServerNotices;
struct SearchResult;

// The main window: the invoice list with its search row, the buttons under
// it and the menu.
class Glavna : public QMainWindow {
    Q_OBJECT
public:
    explicit Glavna(const AppContext& context, QWidget* parent = nullptr);
    ~Glavna() override;

    // The invoice list; the editor reads its current row and writes
    // through its record set.
    BoundGrid* list() const { return m_list; }
    const ListSort& sortState() const { return m_sortable->sort(); }
    // What the windows opened from here get of the run.
    const AppContext& context() const { return m_context; }
    // On the first start, with no invoice in the list, tells once what to
    // do first; the account remembers that it was told.
    void tellFirstSteps();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void buildList();
    QHBoxLayout* buildButtons(QWidget* central);
    void buildMenu();
    bool hasCurrentInvoice() const;

    bool askNewFor();
    void newInvoice();
    // "Nova ponudba": a new quote, after the question of "Nov račun".
    void newQuote();
    // "Naredi račun": a new invoice from the current quote, asked first
    // when one was made from it before.
    void invoiceFromQuote();
    // "Ponudbe" ticked or not: the list shows the quotes or the invoices.
    void showKind();
    // Room beside the shorter side of "Odpri račun" for the buttons shown.
    void balanceButtons();
    void enableButtons();
    // The numbers of the invoices made from each quote, for the "Račun"
    // column; false after the message that says why not.
    bool readQuoteInvoices();
    void openInvoice();
    void deleteInvoice();
    // "Dobropis": the credit note of the current invoice, after a question,
    // opened in the editor.
    void copyInvoice();
    void creditInvoice();
    // "Opomin": the reminder of the current invoice as a PDF, when it is
    // overdue; otherwise the user is told why not.
    void remindInvoice();
    // The search box or one of the checks changed: the list is read again
    // with the filter, in the order it had.
    void applyFilter();
    // An invoice was saved or deleted through the list.
    void listChanged();
    // Reads the list and the status line from one search; the invoice
    // with this ID, if any, becomes current, else the first.
    void readList(qint64 standOn);
    // The status line under the list, with the filter as it stands.
    void showStatus();
    // The status line from a search; on the server counted now, after the
    // list's first rows were read, on the counter's connection.
    void showCounts(const SearchResult& found);
    // Runs the filter with the invoices kept; a failure is told, and the
    // status line cleared.
    bool search(SearchResult* found);
    // Other workstations changed data on the server (ServerNotices).
    void othersChanged(const QList<Database::Notice>& notices);
    // What others changed meanwhile, shown once no window waits over this one.
    void catchUpWithOthers();
    // The editor, modal over this window, on the list as OpenMode says.
    // The editor on the invoice OpenMode says, or on a new copy of the one given.
    void openEditor(std::optional<qint64> copyOf = std::nullopt);
    // The editor as made by the caller; afterwards the list shows the kind
    // of what it stored (an invoice or a quote).
    void runEditor(Racun& editor);

    AppContext m_context;
    BoundGrid* m_list = nullptr;
    SortableList* m_sortable = nullptr;
    SearchBar* m_search = nullptr;
    QCheckBox* m_overdueCheck = nullptr;
    QCheckBox* m_quotesCheck = nullptr;     // Check3 "Ponudbe"
    QHash<qint64, QString> m_quoteInvoices; // quote ID -> its invoices' numbers
    QLabel* m_status = nullptr;
    QLabel* m_linkNote = nullptr; // the connection to the server is lost
    // Counts the status line on the server; none on the file, where the
    // search counts as it finds.
    SearchCounter* m_counter = nullptr;
    ServerNotices* m_notices = nullptr;
    bool m_othersCounted = false; // others changed the invoices since the counts
    bool m_othersAdded = false;   // ... and added some the list has not read
    bool m_statusShown = false; // the first counts were asked for
    // The invoices saved since the filter was set: they stay in the list,
    // matching it or not, until it changes.
    std::vector<qint64> m_kept;
    QPushButton* m_newButton = nullptr;
    QPushButton* m_openButton = nullptr;
    QPushButton* m_deleteButton = nullptr;
    QPushButton* m_copyButton = nullptr;
    QPushButton* m_creditButton = nullptr;
    QPushButton* m_reminderButton = nullptr;
    QPushButton* m_newQuoteButton = nullptr;     // Command7
    QPushButton* m_quoteInvoiceButton = nullptr; // Command8
    QList<QPushButton*> m_leftButtons, m_rightButtons;
    QSpacerItem* m_leftBalance = nullptr;
    QSpacerItem* m_rightBalance = nullptr;
    QHBoxLayout* m_buttonRow = nullptr;
    int m_buttonRoom = 0; // a button's width and the room before the next
};

} // namespace valmir
