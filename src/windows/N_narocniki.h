#pragma once

#include "codelists/Customers.h"
#include "ui/AppContext.h"
#include "ui/LoadingDialog.h"

#include <array>

class QComboBox;
class QLineEdit;
class QPushButton;

namespace valmir {

// A tax number or an account that fails its check is kept when the user
// says so (a foreign tax number is not wrong for being foreign): asked as
// "Naročniki" and "Naši podatki" ask it. Which one the user did not keep;
// None when both are to be stored.
enum class NumberRefused { None, TaxNumber, Account };
NumberRefused confirmNumbers(QWidget* parent, const QString& taxNumber, const QString& account);

class BoundGrid;
class SearchBar;
class SortableList;

// "Naročniki": the register of customers that the invoice editor fills
// from. Lists and searches it; the form below the list shows the current
// customer, and typing into it starts a change that "Shrani" writes and
// "Prekliči" drops ("Nov" starts a new customer). Deleting removes the
// entry only: invoices keep their own copy of the data. Shown modally over
// the main window.
class N_narocniki : public LoadingDialog {
    Q_OBJECT
public:
    explicit N_narocniki(const AppContext& context, QWidget* parent = nullptr);
    ~N_narocniki() override;

    bool isEditing() const { return m_editing; }

    // Leaving with a change not written asks first, as the editor does.
    void reject() override;

private:
    void buildForm();
    QLayout* buildButtons();
    // Reads the list as the search box says and stands on the entry with
    // this ID when it is among them.
    bool reload(qint64 standOn);
    void showCurrent();
    void setEditing(bool editing);
    Customer typedCustomer() const;

    void onNew();
    bool onSave();
    void onCancel();
    void onDelete();

    AppContext m_context;
    SearchBar* m_search = nullptr;
    BoundGrid* m_list = nullptr;
    SortableList* m_sortable = nullptr;
    std::array<QLineEdit*, CustomerFieldCount> m_boxes{};
    // What the register alone keeps: the electronic address and the
    // format of the customer's e-invoices.
    QLineEdit* m_addressBox = nullptr;
    QComboBox* m_formatBox = nullptr;
    QPushButton* m_newButton = nullptr;
    QPushButton* m_saveButton = nullptr;
    QPushButton* m_cancelButton = nullptr;
    QPushButton* m_deleteButton = nullptr;
    qint64 m_shownId = 0; // the entry the form shows; 0 for a new one
    // Its version as the form was filled: "Shrani" writes over the entry as
    // shown only (changeCustomer).
    qint64 m_shownVersion = 0;
    bool m_editing = false;
};

} // namespace valmir
