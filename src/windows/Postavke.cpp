#include "windows/Postavke.h"

#include "ui/MessageBox.h"
#include "text/Messages.h"
#include "ui/HandOver.h"
#include "text/Module1.h"
#include "data/Recordset.h"
#include "invoice/WorkingTable.h"

#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

namespace valmir {

namespace {

QString operationText(const Recordset& rs) {
    return (NullTrim(rs.field(QStringLiteral("TarifnaStevilka"))) + QStringLiteral("  -  ") +
            rs.field(QStringLiteral("GeodetskaStoritev")).toString())
        .trimmed();
}

} // namespace

Postavke::Postavke(Database& db, QWidget* parent) : QDialog(parent), m_db(db) {
    setObjectName(QStringLiteral("Postavke"));
    setWindowTitle(QStringLiteral("Izbira opravil"));
    m_listReady = false;
    PickConfirmed = false;
    buildWindow();

    // Every opening starts with nothing chosen.
    if (!clearPicks(m_db))
        reportEngineError();
    fillServices();
    if (m_combo1->count() > 0)
        showService(0);
    m_listReady = true;
}

Postavke::~Postavke() = default;

void Postavke::buildWindow() {
    m_label1 = new QLabel(QStringLiteral("Geodetska storitev"), this);
    m_label1->setObjectName(QStringLiteral("Label1"));
    m_combo1 = new QComboBox(this);
    m_combo1->setObjectName(QStringLiteral("Combo1"));
    m_combo1->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    m_label1->setBuddy(m_combo1);

    m_list1 = new QListWidget(this);
    m_list1->setObjectName(QStringLiteral("List1"));
    m_list1->setSelectionMode(QAbstractItemView::SingleSelection);
    m_list1->setUniformItemSizes(true);

    m_chooseAll = new QPushButton(QStringLiteral("Izberi vse"), this);
    m_chooseAll->setObjectName(QStringLiteral("Command2_0"));
    m_chooseNone = new QPushButton(QStringLiteral("Izberi nič"), this);
    m_chooseNone->setObjectName(QStringLiteral("Command2_1"));
    m_confirm = new QPushButton(QStringLiteral("Izbira je zaključena"), this);
    m_confirm->setObjectName(QStringLiteral("Command1"));
    m_chooseAll->setAutoDefault(false);
    m_chooseNone->setAutoDefault(false);
    m_confirm->setDefault(true);

    auto* top = new QHBoxLayout;
    top->addWidget(m_label1);
    top->addWidget(m_combo1, 1);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(m_chooseAll);
    buttons->addWidget(m_chooseNone);
    buttons->addStretch(1);
    buttons->addWidget(m_confirm);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(m_list1, 1);
    layout->addLayout(buttons);

    setTabOrder(m_combo1, m_list1);
    setTabOrder(m_list1, m_chooseAll);
    setTabOrder(m_chooseAll, m_chooseNone);
    setTabOrder(m_chooseNone, m_confirm);
    resize(620, 440);

    connect(m_combo1, &QComboBox::currentIndexChanged, this, &Postavke::showService);
    connect(m_list1, &QListWidget::itemChanged, this, &Postavke::operationToggled);
    connect(m_list1, &QListWidget::itemPressed, this, [this](QListWidgetItem* item) {
        m_pressedItem = item;
        m_pressedState = item->checkState();
    });
    connect(m_list1, &QListWidget::itemClicked, this, [this](QListWidgetItem* item) {
        // A click on the check box has toggled the item already.
        if (item == m_pressedItem && item->checkState() == m_pressedState)
            item->setCheckState(m_pressedState == Qt::Checked ? Qt::Unchecked : Qt::Checked);
        m_pressedItem = nullptr;
    });
    connect(m_chooseAll, &QPushButton::clicked, this, [this] { chooseAll(true); });
    connect(m_chooseNone, &QPushButton::clicked, this, [this] { chooseAll(false); });
    connect(m_confirm, &QPushButton::clicked, this, &Postavke::confirm);
}

void Postavke::fillServices() {
    const QSignalBlocker block(m_combo1);
    m_combo1->clear();
    auto services = m_db.openRecordset(
        QStringLiteral("SELECT * FROM tblGeodetskaStoritev ORDER BY TS1"), RecordsetKind::Snapshot);
    if (!services) {
        reportEngineError();
        return;
    }
    for (services->moveFirst(); !services->eof(); services->moveNext())
        m_combo1->addItem(services->field(QStringLiteral("GeodetskaStoritev")).toString(),
                          services->field(QStringLiteral("TS1")));
}

void Postavke::showService(int index) {
    if (index < 0)
        return;
    if (m_combo1->currentIndex() != index) {
        const QSignalBlocker block(m_combo1);
        m_combo1->setCurrentIndex(index);
    }
    m_listReady = false;
    m_list1->clear();
    auto operations =
        m_db.openRecordset(QStringLiteral("SELECT * FROM tblTarife WHERE TS1=? ORDER BY TS2"),
                          RecordsetKind::Snapshot, {m_combo1->itemData(index)});
    const std::optional<QSet<qint64>> picked = pickedOperations(m_db);
    if (!operations || !picked) {
        m_listReady = true;
        reportEngineError();
        return;
    }
    for (operations->moveFirst(); !operations->eof(); operations->moveNext()) {
        auto* item = new QListWidgetItem(operationText(*operations), m_list1);
        item->setData(Qt::UserRole, operations->field(QStringLiteral("ID")));
        item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsUserCheckable);
        item->setCheckState(picked->contains(operations->field(QStringLiteral("ID")).toLongLong())
                                ? Qt::Checked
                                : Qt::Unchecked);
    }
    if (m_list1->count() > 0)
        m_list1->setCurrentRow(0, QItemSelectionModel::NoUpdate);
    m_listReady = true;
}

void Postavke::operationToggled(QListWidgetItem* item) {
    if (!m_listReady || !item)
        return;
    if (!storeChoice(item->data(Qt::UserRole), item->checkState() == Qt::Checked))
        reportEngineError();
}

bool Postavke::storeChoice(const QVariant& id, bool chosen) { return setPicked(m_db, id, chosen); }

void Postavke::chooseAll(bool chosen) {
    const Qt::CheckState target = chosen ? Qt::Checked : Qt::Unchecked;
    m_listReady = false;
    bool ok = true;
    {
        Transaction tx(m_db);
        for (int i = 0; ok && i < m_list1->count(); ++i) {
            QListWidgetItem* item = m_list1->item(i);
            if (item->checkState() == target)
                continue;
            item->setCheckState(target);
            ok = storeChoice(item->data(Qt::UserRole), chosen);
        }
        ok = ok && tx.commit();
    }
    m_listReady = true;
    if (!ok) {
        reportEngineError();
        // Show what is stored, not what failed to be.
        showService(m_combo1->currentIndex());
    }
}

void Postavke::confirm() {
    PickConfirmed = true;
    accept();
}

void Postavke::reportEngineError() {
    Msg::critical(this, m_db.lastError(), Titles::Database);
}

} // namespace valmir
