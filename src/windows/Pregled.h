#pragma once

#include "invoice/Turnover.h"
#include "ui/AppContext.h"
#include "ui/LoadingDialog.h"

class QComboBox;
class QPushButton;
class QTableWidget;

namespace valmir {

class Database;
class TurnoverChart;

// The overview of turnover: a year's invoices by month in a table and a
// chart of paid and unpaid, and the table as a CSV file for the
// accountant. Shown modally over the main window; does not open when the
// years cannot be read.
class Pregled : public LoadingDialog {
    Q_OBJECT
public:
    explicit Pregled(const AppContext& context, QWidget* parent = nullptr);
    ~Pregled() override;

    // The year shown; what the table and the chart show of it.
    const YearTurnover& turnover() const { return m_turnover; }

    // Writes the table of the year shown as a CSV file; a failure, and a
    // path that names one of the program's own files, are told in a
    // message box.
    bool exportCsv(const QString& path);

private:
    void showYear(int year);
    void fillTable();
    void onExport();

    AppContext m_context;
    Database* m_db;
    YearTurnover m_turnover;
    QComboBox* m_yearCombo = nullptr;
    QTableWidget* m_table = nullptr;
    TurnoverChart* m_chart = nullptr;
    QPushButton* m_exportButton = nullptr;
    QPushButton* m_closeButton = nullptr;
};

} // namespace valmir
