#include "windows/Pregled.h"

#include "data/Database.h"
#include "invoice/TurnoverCsv.h"
#include "text/Clock.h"
#include "text/Messages.h"
#include "text/TextForms.h"
#include "ui/MessageBox.h"
#include "ui/OwnFiles.h"
#include "windows/TurnoverChart.h"

#include <QComboBox>
#include <QDir>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QSaveFile>
#include <QScrollBar>
#include <QTableWidget>
#include <QVBoxLayout>

namespace valmir {

namespace {

const QStringList Captions = {QStringLiteral("Mesec"),    QStringLiteral("Računov"),
                              QStringLiteral("Osnova"),   QStringLiteral("DDV"),
                              QStringLiteral("Skupaj"),   QStringLiteral("Plačano"),
                              QStringLiteral("Neplačano")};

QList<QTableWidgetItem*> cells(const QString& caption, const TurnoverRow& r) {
    QList<QTableWidgetItem*> out{new QTableWidgetItem(caption),
                                 new QTableWidgetItem(countText(r.invoices))};
    for (double amount : {r.base, r.vat, r.total, r.paid, r.unpaid})
        out << new QTableWidgetItem(currencyText(amount));
    for (int i = 1; i < out.size(); ++i)
        out[i]->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
    return out;
}

} // namespace

Pregled::Pregled(const AppContext& context, QWidget* parent)
    : LoadingDialog(parent), m_context(context), m_db(context.db) {
    setObjectName(QStringLiteral("Pregled"));
    setWindowTitle(QStringLiteral("Pregled prometa"));
    setModal(true);
    setSizeGripEnabled(true);

    auto* yearLabel = new QLabel(QStringLiteral("&Leto"), this);
    yearLabel->setObjectName(QStringLiteral("Label1"));
    m_yearCombo = new QComboBox(this);
    m_yearCombo->setObjectName(QStringLiteral("Combo1"));
    yearLabel->setBuddy(m_yearCombo);
    m_table = new QTableWidget(0, Captions.size(), this);
    m_table->setObjectName(QStringLiteral("Grid1"));
    m_table->setHorizontalHeaderLabels(Captions);
    m_table->verticalHeader()->hide();
    m_table->verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 6);
    m_table->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_table->setSelectionMode(QAbstractItemView::NoSelection);
    m_chart = new TurnoverChart(this);
    m_chart->setObjectName(QStringLiteral("Chart1"));
    m_exportButton = new QPushButton(QStringLiteral("Izvozi CSV"), this);
    m_exportButton->setObjectName(QStringLiteral("Command1"));
    m_closeButton = new QPushButton(QStringLiteral("Zapri"), this);
    m_closeButton->setObjectName(QStringLiteral("Command2"));

    auto* top = new QHBoxLayout;
    top->addWidget(yearLabel);
    top->addWidget(m_yearCombo);
    top->addStretch(1);
    auto* middle = new QHBoxLayout;
    middle->addWidget(m_table);
    middle->addWidget(m_chart, 1);
    auto* bottom = new QHBoxLayout;
    bottom->addWidget(m_exportButton);
    bottom->addStretch(1);
    bottom->addWidget(m_closeButton);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addLayout(middle, 1);
    layout->addLayout(bottom);
    resize(1100, 480);

    connect(m_exportButton, &QPushButton::clicked, this, &Pregled::onExport);
    connect(m_closeButton, &QPushButton::clicked, this, &QDialog::accept);

    QList<int> years;
    if (!m_db || !invoiceYears(*m_db, &years)) {
        Msg::critical(this, OverviewMessages::NotRead,
                      m_db ? m_db->lastError() : Messages::NoDatabase.text);
        return;
    }
    // Without invoices the current year is shown, empty.
    if (years.isEmpty())
        years << today().year();
    for (int year : years)
        m_yearCombo->addItem(QString::number(year), year);
    connect(m_yearCombo, &QComboBox::currentIndexChanged, this,
            [this] { showYear(m_yearCombo->currentData().toInt()); });
    showYear(years.first());
    setLoaded(m_turnover.ok);
}

Pregled::~Pregled() = default;

void Pregled::showYear(int year) {
    m_turnover = turnoverOfYear(*m_db, year);
    if (!m_turnover.ok) {
        // Nothing is shown of what could not be read.
        Msg::critical(this, OverviewMessages::NotRead, m_turnover.error);
        m_turnover = YearTurnover{false, {}, year, {}, {}, {}};
    }
    fillTable();
    m_chart->show(m_turnover);
    m_exportButton->setEnabled(m_turnover.ok);
}

void Pregled::fillTable() {
    QList<QList<QTableWidgetItem*>> rows;
    for (const TurnoverRow& r : m_turnover.months)
        rows << cells(monthName(r.month), r);
    if (m_turnover.ok) {
        rows << cells(QStringLiteral("Skupaj %1").arg(m_turnover.year), m_turnover.sum);
        QFont bold = font();
        bold.setBold(true);
        for (QTableWidgetItem* item : rows.last())
            item->setFont(bold);
    }
    if (m_turnover.undated.invoices > 0)
        rows << cells(monthName(0), m_turnover.undated);
    m_table->setRowCount(int(rows.size()));
    for (int i = 0; i < rows.size(); ++i)
        for (int j = 0; j < rows[i].size(); ++j)
            m_table->setItem(i, j, rows[i][j]);
    m_table->resizeColumnsToContents();
    // The table keeps the width of its columns; the chart takes the rest.
    int width = 2 * m_table->frameWidth() + m_table->verticalScrollBar()->sizeHint().width();
    for (int i = 0; i < m_table->columnCount(); ++i)
        width += m_table->columnWidth(i);
    m_table->setFixedWidth(width);
}

bool Pregled::exportCsv(const QString& path) {
    if (refuseOwnFile(this, m_context, path))
        return false;
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(turnoverCsv(m_turnover)) < 0 ||
        !file.commit()) {
        Message failed = OverviewMessages::CsvNotWritten;
        failed.text = failed.text.arg(QDir::toNativeSeparators(path), file.errorString());
        Msg::critical(this, failed);
        return false;
    }
    return true;
}

void Pregled::onExport() {
    QFileDialog dialog(this, QStringLiteral("Izvozi CSV"),
                       QDir::home().filePath(QStringLiteral("promet_%1.csv").arg(m_turnover.year)),
                       QStringLiteral("CSV (*.csv)"));
    dialog.setObjectName(QStringLiteral("FileDialog"));
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    if (dialog.exec() == QDialog::Accepted && !dialog.selectedFiles().isEmpty())
        exportCsv(dialog.selectedFiles().constFirst());
}

} // namespace valmir
