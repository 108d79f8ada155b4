#include "app/Glavna.h"

#include "invoice/InvoiceDeletion.h"
#include "app/MessageBox.h"
#include "app/Globals.h"
#include "app/Module1.h"
#include "data/BoundGrid.h"
#include "invoice/Nov_racun.h"
#include "invoice/Racun.h"

#include <QAction>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QMenuBar>
#include <QPushButton>
#include <QVBoxLayout>

namespace valmir {

namespace {

// A column of the invoice list and the number of average characters its
// cells get, so that widths never depend on reading the rows.
struct ListColumn {
    const char16_t* caption;
    const char16_t* field;
    const char16_t* format;
    int chars;
};

constexpr ListColumn InvoiceColumns[] = {
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
};

QStringList invoiceFields() {
    QStringList fields;
    for (const ListColumn& c : InvoiceColumns)
        fields << QString::fromUtf16(c.field);
    return fields;
}

// The window never gets smaller than 7470 x 3000 twips (1/1440 inch).
constexpr int MinimumWidthTwips = 7470;
constexpr int MinimumHeightTwips = 3000;

int twipsToPixels(int twips, int dpi) { return qRound(twips * dpi / 1440.0); }

QAction* addItem(QMenu* menu, const char* name, const QString& caption, bool available) {
    QAction* action = menu->addAction(caption);
    action->setObjectName(QString::fromLatin1(name));
    action->setEnabled(available);
    return action;
}

} // namespace

Glavna::Glavna(const AppContext& context, QWidget* parent)
    : QMainWindow(parent), m_context(context),
      m_sort(QStringLiteral("SELECT * FROM tblRacun "), invoiceFields(), 0, false) {
    setObjectName(QStringLiteral("Glavna"));
    setWindowTitle(
        QStringLiteral("VALMIR 2009 - aplikacija za pripravo računa geodetske storitve"));

    auto* central = new QWidget(this);
    auto* layout = new QVBoxLayout(central);
    buildList();
    layout->addWidget(m_list, 1);
    layout->addLayout(buildButtons(central));
    setCentralWidget(central);
    buildMenu();

    setMinimumSize(twipsToPixels(MinimumWidthTwips, logicalDpiX()),
                   twipsToPixels(MinimumHeightTwips, logicalDpiY()));
    resize(std::max(minimumWidth(), 900), std::max(minimumHeight(), 500));
    setTabOrder(m_list, m_newButton);
    setTabOrder(m_newButton, m_openButton);
    setTabOrder(m_openButton, m_deleteButton);

    reloadList();
    m_list->setFocus();
}

Glavna::~Glavna() = default;

void Glavna::buildList() {
    m_list = new BoundGrid(this);
    m_list->setObjectName(QStringLiteral("DBGrid1"));
    // Nothing is typed into this list, so Tab leaves it for the buttons.
    m_list->setTabKeyNavigation(false);
    QList<BoundColumn> columns;
    QStringList plain;
    for (const ListColumn& c : InvoiceColumns) {
        columns.append({QString::fromUtf16(c.caption), QString::fromUtf16(c.field),
                        QString::fromUtf16(c.format)});
        plain << QString::fromUtf16(c.caption);
    }
    const QStringList marked = m_sort.markedCaptions(plain);
    for (int i = 0; i < columns.size(); ++i)
        columns[i].caption = marked.at(i);
    m_list->listModel()->setColumns(columns);
    m_list->listModel()->setDatabase(m_context.db);
    setColumnWidths();

    connect(m_list, &BoundGrid::headerClicked, this, &Glavna::sortByColumn);
    connect(m_list, &BoundGrid::rowActivated, this, [this](int) { openInvoice(); });
    auto* deleteKey = new QAction(m_list);
    deleteKey->setShortcut(QKeySequence::Delete);
    deleteKey->setShortcutContext(Qt::WidgetShortcut);
    m_list->addAction(deleteKey);
    connect(deleteKey, &QAction::triggered, this, &Glavna::deleteInvoice);
}

void Glavna::setColumnWidths() {
    // Room for the caption with its sort mark, or for the usual length of
    // the values; the rows themselves are never measured.
    const QFontMetrics header = m_list->horizontalHeader()->fontMetrics();
    const QFontMetrics cells = m_list->fontMetrics();
    const int padding = 18;
    int column = 0;
    for (const ListColumn& c : InvoiceColumns) {
        int forCaption =
            header.horizontalAdvance(ListSort::mark(false) + QString::fromUtf16(c.caption));
        int forValues = cells.averageCharWidth() * c.chars;
        m_list->setColumnWidth(column++, std::max(forCaption, forValues) + padding);
    }
}

QHBoxLayout* Glavna::buildButtons(QWidget* central) {
    m_newButton = new QPushButton(QStringLiteral("Nov račun"), central);
    m_newButton->setObjectName(QStringLiteral("Command1"));
    m_openButton = new QPushButton(QStringLiteral("Odpri račun"), central);
    m_openButton->setObjectName(QStringLiteral("Command2"));
    m_deleteButton = new QPushButton(QStringLiteral("Briši račun"), central);
    m_deleteButton->setObjectName(QStringLiteral("Command3"));

    // Equal widths and equal stretches on both sides keep "Odpri račun"
    // centred under the list while the window is resized.
    int width = 110;
    for (QPushButton* b : {m_newButton, m_openButton, m_deleteButton})
        width = std::max(width, b->sizeHint().width());
    auto* row = new QHBoxLayout;
    row->addWidget(m_newButton);
    row->addStretch(1);
    row->addWidget(m_openButton);
    row->addStretch(1);
    row->addWidget(m_deleteButton);
    for (QPushButton* b : {m_newButton, m_openButton, m_deleteButton})
        b->setFixedWidth(width);

    connect(m_newButton, &QPushButton::clicked, this, &Glavna::newInvoice);
    connect(m_openButton, &QPushButton::clicked, this, &Glavna::openInvoice);
    connect(m_deleteButton, &QPushButton::clicked, this, &Glavna::deleteInvoice);
    return row;
}

void Glavna::buildMenu() {
    // Items whose windows are not part of the program yet stay visible but
    // disabled, so that the menu already reads as it will.
    QMenu* data = menuBar()->addMenu(QStringLiteral("&Podatki"));
    addItem(data, "M1_1a", QStringLiteral("&Geodetske storitve..."), false);
    addItem(data, "M1_1b", QStringLiteral("&Opravila..."), false);
    data->addSeparator();
    addItem(data, "M1_2", QStringLiteral("&Brisanje starih računov..."), false);
    data->addSeparator();
    QAction* quit = addItem(data, "M1_K", QStringLiteral("&Konec"), true);
    connect(quit, &QAction::triggered, this, &QWidget::close);

    QMenu* settings = menuBar()->addMenu(QStringLiteral("&Nastavitve"));
    addItem(settings, "M2_1", QStringLiteral("&Računi..."), false);
    addItem(settings, "M2_W", QStringLiteral("&Urejevalnik besedil..."), false);
    settings->addSeparator();
    addItem(settings, "M2_2", QStringLiteral("&Naši podatki..."), false);
    addItem(settings, "M2_3", QStringLiteral("&Osebje..."), false);

    QMenu* help = menuBar()->addMenu(QStringLiteral("&Pomoč"));
    addItem(help, "M3_1", QStringLiteral("Navodila..."), false);
    help->addSeparator();
    addItem(help, "M3_2", QStringLiteral("O, &avtorja..."), false);
}

void Glavna::reloadList() {
    m_list->listModel()->setRecordSource(m_sort.recordSource());
    if (!m_list->refresh())
        Msg::critical(this,
                      QStringLiteral("Seznama računov ni mogoče prebrati:\n") +
                          m_list->listModel()->lastError(),
                      QStringLiteral("Ne bo šlo"));
}

bool Glavna::hasCurrentInvoice() const { return m_list->currentRow() >= 0; }

void Glavna::openEditor() {
    Racun editor(m_context, m_list, this);
    editor.exec();
    m_list->setFocus();
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

void Glavna::deleteInvoice() {
    if (!hasCurrentInvoice())
        return;
    if (!Msg::question(this,
                       QStringLiteral("Izbrani račun bo izbrisan za vse večne čase!\r\n"
                                      "Je to res tvoja želja?"),
                       QStringLiteral("Trenutek odločitve")))
        return;
    InvoiceDeletionResult result = deleteCurrentInvoice(*m_list->recordset());
    m_list->syncFromRecordset();
    if (!result.deleted)
        Msg::critical(this, QStringLiteral("Računa ni bilo mogoče izbrisati:\n") + result.error,
                      QStringLiteral("Ne bo šlo"));
}

void Glavna::sortByColumn(int column) {
    BoundListModel* model = m_list->listModel();
    QStringList captions;
    for (int i = 0; i < model->columnCount(); ++i)
        captions << model->caption(i);
    if (!m_sort.click(column, captions))
        return;
    for (int i = 0; i < captions.size(); ++i) {
        if (captions.at(i) != model->caption(i))
            model->setCaption(i, captions.at(i));
    }
    reloadList();
}

} // namespace valmir
