#pragma once

#include <QChartView>

namespace valmir {

struct YearTurnover;

// The bar chart of a year's monthly totals, paid and unpaid stacked.
class TurnoverChart : public QChartView {
public:
    explicit TurnoverChart(QWidget* parent = nullptr);
    void show(const YearTurnover& turnover);
};

} // namespace valmir
