#include "windows/N_narocniki.h"

#include "data/Recordset.h"
#include "document/EInvoice.h"
#include "document/Iban.h"
#include "text/Messages.h"
#include "text/Module1.h"
#include "ui/BoundGrid.h"
#include "ui/HeldRow.h"
#include "ui/MessageBox.h"
#include "ui/PostcodePlace.h"
#include "ui/SearchBar.h"
#include "ui/SortableList.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace valmir {

namespace {

constexpr SortableColumn CustomerList[] = {
    {u"Naročnik", u"Ime", u"", 26},
    {u"Naslov", u"Naslov", u"", 20},
    {u"Pošta", u"PST", u"", 5},
    {u"Kraj", u"Posta", u"", 14},
    {u"Kontaktna oseba", u"KontaktnaOseba", u"", 16},
    {u"Telefon", u"Telefon", u"", 12},
    {u"E-pošta", u"Email", u"", 20},
    {u"Davčna št.", u"Davcna", u"", 11},
    {u"TRR", u"TRR", u"", 20},
    {u"Uporabljen", u"Uporabljen", u"General Date", 10},
};

// The longest input of each field, as the editor's boxes take it.
constexpr int MaxLength[CustomerFieldCount] = {50, 50, 6, 50, 50, 50, 50, 50, 50, 50};

QPushButton* button(const char* name, const QString& text, QWidget* parent) {
    auto* b = new QPushButton(text, parent);
    b->setObjectName(QString::fromLatin1(name));
    b->setAutoDefault(false);
    return b;
}

} // namespace

N_narocniki::N_narocniki(const AppContext& context, QWidget* parent)
    : LoadingDialog(parent), m_context(context) {
    setObjectName(QStringLiteral("N_narocniki"));
    setWindowTitle(CustomerMessages::Title);
    setModal(true);
    setSizeGripEnabled(true);

    m_search = new SearchBar(this);
    m_search->setObjectName(QStringLiteral("SearchBar1"));
    m_search->searchBox()->setPlaceholderText(CustomerMessages::SearchHint);
    // Customers are neither paid nor unpaid.
    m_search->unpaidCheck()->hide();
    m_list = new BoundGrid(this);
    m_list->setObjectName(QStringLiteral("DBGrid1"));
    m_list->setTabKeyNavigation(false);
    m_list->listModel()->setObjectName(QStringLiteral("Data1"));
    m_sortable = new SortableList(m_list, m_context.db, CustomerList,
                                  QStringLiteral("SELECT * FROM tblNarocnik "), 0, true,
                                  CustomerMessages::ListNotRead.text);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_search);
    layout->addWidget(m_list, 1);
    buildForm();
    auto* form = new QGridLayout;
    for (int f = 0; f < CustomerFieldCount; ++f) {
        auto* label = new QLabel(CustomerMessages::FieldCaptions[f], this);
        label->setObjectName(QStringLiteral("Label%1").arg(f));
        label->setBuddy(m_boxes[f]);
        // Two columns of boxes: the customer on the left, how to reach
        // and pay on the right.
        const int row = f % 5;
        const int column = f < 5 ? 0 : 2;
        form->addWidget(label, row, column);
        form->addWidget(m_boxes[f], row, column + 1);
    }
    // Where the customer's e-invoices go, and in which format.
    auto* addressLabel = new QLabel(QStringLiteral("Elektronski naslov"), this);
    addressLabel->setObjectName(QStringLiteral("Label10"));
    addressLabel->setBuddy(m_addressBox);
    auto* formatLabel = new QLabel(QStringLiteral("Oblika e-računa"), this);
    formatLabel->setObjectName(QStringLiteral("Label11"));
    formatLabel->setBuddy(m_formatBox);
    form->addWidget(addressLabel, 5, 0);
    form->addWidget(m_addressBox, 5, 1);
    form->addWidget(formatLabel, 5, 2);
    form->addWidget(m_formatBox, 5, 3);
    form->setColumnStretch(1, 1);
    form->setColumnStretch(3, 1);
    layout->addLayout(form);
    layout->addLayout(buildButtons());
    resize(900, 560);

    connect(m_search, &SearchBar::filterChanged, this, [this] { reload(m_shownId); });
    connect(m_list->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
            [this] { showCurrent(); });
    connect(m_list, &BoundGrid::rowActivated, this, [this] {
        m_boxes[CustomerName]->setFocus();
        m_boxes[CustomerName]->selectAll();
    });

    if (!m_context.db) {
        Msg::critical(this, Messages::NoDatabase);
        return;
    }
    fillPlaceFromPostcode(m_boxes[CustomerPostcode], m_boxes[CustomerPlace], *m_context.db);
    // A list that could not be read has told so; the window does not open.
    setLoaded(reload(0));
    setEditing(false);
    m_search->searchBox()->setFocus();
}

N_narocniki::~N_narocniki() = default;

void N_narocniki::buildForm() {
    for (int f = 0; f < CustomerFieldCount; ++f) {
        auto* box = new QLineEdit(this);
        box->setObjectName(QStringLiteral("Text1_%1").arg(f));
        box->setMaxLength(MaxLength[f]);
        connect(box, &QLineEdit::textEdited, this, [this] { setEditing(true); });
        m_boxes[f] = box;
    }
    m_addressBox = new QLineEdit(this);
    m_addressBox->setObjectName(QStringLiteral("Text2"));
    m_addressBox->setMaxLength(100);
    m_addressBox->setPlaceholderText(
        QStringLiteral("9949:SI12345678 (prazno: po davčni številki)"));
    connect(m_addressBox, &QLineEdit::textEdited, this, [this] { setEditing(true); });
    m_formatBox = new QComboBox(this);
    m_formatBox->setObjectName(QStringLiteral("Combo1"));
    m_formatBox->addItem(QStringLiteral("e-SLOG 2.0"), eInvoiceFormatCode(EInvoiceFormat::Eslog));
    m_formatBox->addItem(QStringLiteral("Peppol BIS 3.0"),
                         eInvoiceFormatCode(EInvoiceFormat::Peppol));
    connect(m_formatBox, &QComboBox::activated, this, [this] { setEditing(true); });
}

QLayout* N_narocniki::buildButtons() {
    m_newButton = button("Command1", QStringLiteral("Nov"), this);
    m_saveButton = button("Command2", QStringLiteral("Shrani"), this);
    m_cancelButton = button("Command3", QStringLiteral("Prekliči"), this);
    m_deleteButton = button("Command4", QStringLiteral("Briši"), this);
    auto* row = new QHBoxLayout;
    row->addWidget(m_newButton);
    row->addWidget(m_saveButton);
    row->addWidget(m_cancelButton);
    row->addStretch(1);
    row->addWidget(m_deleteButton);
    connect(m_newButton, &QPushButton::clicked, this, &N_narocniki::onNew);
    connect(m_saveButton, &QPushButton::clicked, this, &N_narocniki::onSave);
    connect(m_cancelButton, &QPushButton::clicked, this, &N_narocniki::onCancel);
    connect(m_deleteButton, &QPushButton::clicked, this, &N_narocniki::onDelete);
    return row;
}

bool N_narocniki::reload(qint64 standOn) {
    const CustomerFilter filter = customerFilter(m_search->searchBox()->text());
    m_sortable->setFilter(filter.where, filter.params);
    const bool read = m_sortable->reload();
    if (read && standOn != 0 && m_list->recordset()->moveToBookmark(standOn))
        m_list->syncFromRecordset();
    showCurrent();
    return read;
}

void N_narocniki::showCurrent() {
    // A change being typed stays until it is saved or dropped.
    if (m_editing)
        return;
    Recordset* rs = m_list->recordset();
    const int row = m_list->currentIndex().row();
    m_shownId = 0;
    m_shownVersion = 0;
    for (int f = 0; f < CustomerFieldCount; ++f) {
        const QVariant value = rs && row >= 0
                                   ? rs->value(row, QString::fromUtf16(CustomerColumns[f].field))
                                   : QVariant();
        m_boxes[f]->setText(NullTrim(value));
    }
    const auto kept = [&](const char* column) {
        return rs && row >= 0 ? NullTrim(rs->value(row, QString::fromLatin1(column))) : QString();
    };
    m_addressBox->setText(kept("ElektronskiNaslov"));
    m_formatBox->setCurrentIndex(
        eInvoiceFormatOfCode(kept("OblikaERacuna")) == EInvoiceFormat::Peppol ? 1 : 0);
    if (rs && row >= 0) {
        m_shownId = rs->value(row, QStringLiteral("ID")).toLongLong();
        if (rs->position() == row || rs->moveTo(row))
            m_shownVersion = rs->rowVersion();
    }
    m_deleteButton->setEnabled(m_shownId != 0);
}

void N_narocniki::setEditing(bool editing) {
    m_editing = editing;
    // While a change is typed the list stays where it is, so that the form
    // and the row it came from cannot part.
    m_list->setEnabled(!editing);
    m_search->setEnabled(!editing);
    m_newButton->setEnabled(!editing);
    m_deleteButton->setEnabled(!editing && m_shownId != 0);
    m_saveButton->setEnabled(editing);
    m_cancelButton->setEnabled(editing);
}

Customer N_narocniki::typedCustomer() const {
    Customer c;
    c.id = m_shownId;
    c.version = m_shownVersion;
    for (int f = 0; f < CustomerFieldCount; ++f)
        c.data[f] = m_boxes[f]->text().trimmed();
    c.electronicAddress = m_addressBox->text().trimmed();
    // e-SLOG is what none kept means.
    c.invoiceFormat =
        m_formatBox->currentIndex() == 1 ? m_formatBox->currentData().toString() : QString();
    return c;
}

NumberRefused confirmNumbers(QWidget* parent, const QString& taxNumber, const QString& account) {
    const auto ask = [parent](const Message& m, const QString& typed) {
        return Msg::question(parent, m.text.arg(typed), m.title);
    };
    if (!taxNumberValid(taxNumber) && !ask(CustomerMessages::BadTaxNumber, taxNumber))
        return NumberRefused::TaxNumber;
    if (!ibanValid(account) && !ask(CustomerMessages::BadAccount, account))
        return NumberRefused::Account;
    return NumberRefused::None;
}

void N_narocniki::onNew() {
    m_shownId = 0;
    for (QLineEdit* box : m_boxes)
        box->clear();
    m_addressBox->clear();
    m_formatBox->setCurrentIndex(0);
    setEditing(true);
    m_boxes[CustomerName]->setFocus();
}

bool N_narocniki::onSave() {
    if (!m_editing)
        return true;
    Customer c = typedCustomer();
    if (c.isBlank()) {
        Msg::critical(this, CustomerMessages::NoName);
        m_boxes[CustomerName]->setFocus();
        return false;
    }
    switch (confirmNumbers(this, c[CustomerTaxNumber], c[CustomerAccount])) {
    case NumberRefused::TaxNumber:
        m_boxes[CustomerTaxNumber]->setFocus();
        return false;
    case NumberRefused::Account:
        m_boxes[CustomerAccount]->setFocus();
        return false;
    case NumberRefused::None:
        break;
    }
    if (QString scheme, id; !c.electronicAddress.isEmpty() &&
                            !splitElectronicAddress(c.electronicAddress, &scheme, &id)) {
        Msg::critical(this, EInvoiceFormatMessages::BadAddress.text.arg(c.electronicAddress),
                      EInvoiceFormatMessages::BadAddress.title);
        m_addressBox->setFocus();
        return false;
    }
    RowWritten changed;
    const bool written = c.id == 0 ? addCustomer(*m_context.db, c, &c.id)
                                   : (changed = changeCustomer(*m_context.db, c)).ok;
    if (!written) {
        // What was typed stays for another try.
        if (!changed.conflict) {
            Msg::critical(this, CustomerMessages::NotSaved, m_context.db->lastError());
            return false;
        }
        // Another workstation's change is told and kept; saved again, the
        // form writes over it, or enters a deleted customer anew.
        Msg::critical(this, m_context.db->lastError(), Messages::RowChangedMeanwhile.title);
        m_shownVersion = changed.version;
        if (changed.conflict->deleted)
            m_shownId = 0;
        return false;
    }
    setEditing(false);
    reload(c.id);
    return true;
}

void N_narocniki::onCancel() {
    setEditing(false);
    showCurrent();
}

void N_narocniki::onDelete() {
    if (m_editing || m_shownId == 0)
        return;
    const QString name = m_boxes[CustomerName]->text();
    const HeldRow customer(*m_list->recordset(), m_list->currentIndex().row());
    if (!Msg::confirmDestructive(this, CustomerMessages::AskDelete.text.arg(name),
                                 CustomerMessages::AskDelete.title) ||
        !customer.stillThere(this, *m_list->recordset(), CustomerMessages::NotDeleted))
        return;
    const int row = m_list->currentRow();
    if (!deleteCustomer(*m_context.db, customer.key(), customer.version()).ok) {
        Msg::critical(this, CustomerMessages::NotDeleted, m_context.db->lastError());
        return;
    }
    // The customer that followed takes the deleted one's place.
    reload(0);
    if (Recordset* rs = m_list->recordset(); rs && rs->recordCount() > 0)
        m_list->moveToRow(std::min(row, rs->recordCount() - 1));
    showCurrent();
}

void N_narocniki::reject() {
    if (m_editing) {
        const Msg::Answer answer = Msg::askBeforeClosing(this, Messages::UnsavedChanges);
        if (answer == Msg::Answer::Cancel || (answer == Msg::Answer::Yes && !onSave()))
            return;
    }
    QDialog::reject();
}

} // namespace valmir
