#include "windows/Izpisek.h"

#include "data/Database.h"
#include "text/Clock.h"
#include "text/Messages.h"
#include "text/TextForms.h"
#include "ui/MessageBox.h"

#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QInputDialog>
#include <QLabel>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

namespace valmir {

namespace {

QString outcomeText(PaymentOutcome o) {
    switch (o) {
    case PaymentOutcome::Full:
        return QStringLiteral("plačan v celoti");
    case PaymentOutcome::Part:
        return QStringLiteral("plačan delno");
    case PaymentOutcome::Over:
        return QStringLiteral("preplačan");
    case PaymentOutcome::Unplaced:
        return QStringLiteral("nerazporejeno");
    case PaymentOutcome::Reversed:
        return QStringLiteral("stornirano");
    case PaymentOutcome::Debit:
        return QStringLiteral("bremenitev, izpuščena");
    }
    return {};
}

} // namespace

Izpisek::Izpisek(const AppContext& context, StatementImport read, QWidget* parent)
    : QDialog(parent), m_context(context), m_read(std::move(read)) {
    setObjectName(QStringLiteral("Izpisek"));
    setWindowTitle(PaymentMessages::SummaryTitle.arg(m_read.statement.id));
    auto* layout = new QVBoxLayout(this);
    m_summary = new QLabel(this);
    m_summary->setObjectName(QStringLiteral("Label1"));
    m_summary->setWordWrap(true);
    layout->addWidget(m_summary);
    m_list = new QTableWidget(this);
    m_list->setObjectName(QStringLiteral("List1"));
    m_list->setColumnCount(7);
    m_list->setHorizontalHeaderLabels({QStringLiteral("Izid"), QStringLiteral("Datum"),
                                       QStringLiteral("Znesek"), QStringLiteral("Račun"),
                                       QStringLiteral("Odprto"), QStringLiteral("Plačnik"),
                                       QStringLiteral("Sklic ali namen")});
    m_list->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_list->setSelectionMode(QAbstractItemView::SingleSelection);
    m_list->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_list->verticalHeader()->hide();
    m_list->horizontalHeader()->setStretchLastSection(true);
    layout->addWidget(m_list);
    auto* buttons = new QHBoxLayout;
    m_place = new QPushButton(QStringLiteral("&Razporedi..."), this);
    m_place->setObjectName(QStringLiteral("Command1"));
    auto* close = new QPushButton(QStringLiteral("&Zapri"), this);
    close->setObjectName(QStringLiteral("Command2"));
    buttons->addWidget(m_place);
    buttons->addStretch();
    buttons->addWidget(close);
    layout->addLayout(buttons);
    connect(close, &QPushButton::clicked, this, &QDialog::accept);
    connect(m_place, &QPushButton::clicked, this, &Izpisek::placeAsked);
    connect(m_list, &QTableWidget::itemSelectionChanged, this, [this] {
        const int row = m_list->currentRow();
        m_place->setEnabled(row >= 0 && row < m_read.lines.size() &&
                            m_read.lines.at(row).outcome == PaymentOutcome::Unplaced);
    });
    fill();
    resize(860, 420);
}

void Izpisek::fill() {
    // The command line's summary without the file's name in front.
    m_summary->setText(importSummary(QString(), m_read).mid(2));
    m_list->setRowCount(int(m_read.lines.size()));
    for (int r = 0; r < int(m_read.lines.size()); ++r) {
        const PaymentLine& l = m_read.lines.at(r);
        const bool placed = l.invoiceId > 0;
        const QStringList cells = {outcomeText(l.outcome),
                                   dateText(l.date),
                                   currencyText(l.amount),
                                   l.invoiceNumber,
                                   placed ? currencyText(l.openAfter) : QString(),
                                   l.payer,
                                   l.reference.isEmpty() ? l.text : l.reference};
        for (int c = 0; c < int(cells.size()); ++c) {
            auto* item = new QTableWidgetItem(cells.at(c));
            if (c == 2 || c == 4)
                item->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
            m_list->setItem(r, c, item);
        }
    }
    m_list->resizeColumnsToContents();
    m_place->setEnabled(false);
}

bool Izpisek::placeSelected(const QString& number) {
    const int row = m_list->currentRow();
    if (row < 0 || row >= m_read.lines.size() ||
        m_read.lines.at(row).outcome != PaymentOutcome::Unplaced)
        return false;
    Database& db = *m_context.db;
    QVariant id;
    if (!db.queryValue(QStringLiteral("SELECT ID FROM tblRacun WHERE StevilkaRacuna = ? AND "
                                      "ifnull(Dobropis, False) = False"),
                       {number.trimmed()}, &id)) {
        Msg::critical(this, db.lastError(), Titles::Database);
        return false;
    }
    if (id.isNull()) {
        Msg::critical(this, PaymentMessages::NoSuchInvoice.arg(number.trimmed()),
                      PaymentMessages::Title);
        return false;
    }
    PaymentLine& line = m_read.lines[row];
    double open = 0;
    if (!placePayment(db, line.paymentId, id.toLongLong()) ||
        !openAmount(db, id.toLongLong(), &open)) {
        Msg::critical(this, db.lastError(), PaymentMessages::Title);
        return false;
    }
    line.invoiceId = id.toLongLong();
    line.invoiceNumber = number.trimmed();
    line.openAfter = open;
    line.outcome = open > 0.005    ? PaymentOutcome::Part
                   : open < -0.005 ? PaymentOutcome::Over
                                   : PaymentOutcome::Full;
    fill();
    m_list->selectRow(row);
    return true;
}

void Izpisek::placeAsked() {
    const int row = m_list->currentRow();
    if (row < 0 || row >= m_read.lines.size())
        return;
    const PaymentLine& line = m_read.lines.at(row);
    bool ok = false;
    const QString number = QInputDialog::getText(
        this, PaymentMessages::Title,
        PaymentMessages::AskInvoice.arg(currencyText(line.amount), line.payer), QLineEdit::Normal,
        QString(), &ok);
    if (ok && !number.trimmed().isEmpty())
        placeSelected(number);
}

bool Izpisek::importFiles(const AppContext& context, QWidget* parent) {
    const QStringList files = QFileDialog::getOpenFileNames(parent, PaymentMessages::ChooseFiles,
                                                            QString(), PaymentMessages::FileFilter);
    bool any = false;
    for (const QString& path : files) {
        QFile file(path);
        if (!file.open(QIODevice::ReadOnly)) {
            Msg::critical(parent,
                          PaymentMessages::FileNotRead.arg(QDir::toNativeSeparators(path),
                                                           file.errorString()),
                          PaymentMessages::Title);
            continue;
        }
        StatementImport read = importStatement(*context.db, file.readAll(), today());
        if (!read.ok) {
            Msg::critical(parent, read.error, PaymentMessages::Title);
            continue;
        }
        any = true;
        Izpisek summary(context, std::move(read), parent);
        summary.exec();
    }
    return any;
}

} // namespace valmir
