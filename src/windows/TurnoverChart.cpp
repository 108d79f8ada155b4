#include "windows/TurnoverChart.h"

#include "invoice/Turnover.h"
#include "text/TextForms.h"

#include <QBarCategoryAxis>
#include <QBarSet>
#include <QChart>
#include <QStackedBarSeries>
#include <QValueAxis>

namespace valmir {

TurnoverChart::TurnoverChart(QWidget* parent) : QChartView(parent) {
    setRenderHint(QPainter::Antialiasing);
    setMinimumSize(380, 300);
}

void TurnoverChart::show(const YearTurnover& t) {
    auto* paid = new QBarSet(QStringLiteral("Plačano"));
    auto* unpaid = new QBarSet(QStringLiteral("Neplačano"));
    paid->setColor(QColor(0x4c, 0x9a, 0x5a));
    unpaid->setColor(QColor(0xd9, 0x7b, 0x3a));
    QStringList months;
    // The bars stack what is above zero upwards and a credit note's
    // negative part downwards: the axis spans the tallest of either.
    double highest = 0, lowest = 0;
    for (const TurnoverRow& r : t.months) {
        paid->append(r.paid);
        unpaid->append(r.unpaid);
        months << QString::number(r.month);
        highest = std::max(highest, std::max(r.paid, 0.0) + std::max(r.unpaid, 0.0));
        lowest = std::min(lowest, std::min(r.paid, 0.0) + std::min(r.unpaid, 0.0));
    }
    auto* series = new QStackedBarSeries;
    series->append(paid);
    series->append(unpaid);

    auto* c = new QChart;
    c->addSeries(series);
    c->setTitle(QStringLiteral("Promet %1 po mesecih (€)").arg(t.year));
    c->legend()->setAlignment(Qt::AlignBottom);
    c->setMargins(QMargins(4, 4, 4, 4));
    auto* x = new QBarCategoryAxis;
    x->append(months);
    QFont small = x->labelsFont();
    small.setPointSizeF(small.pointSizeF() * 0.85);
    x->setLabelsFont(small);
    c->addAxis(x, Qt::AlignBottom);
    series->attachAxis(x);
    auto* y = new QValueAxis;
    y->setLabelFormat(QStringLiteral("%.0f"));
    y->setRange(lowest * 1.1, highest > 0 || lowest < 0 ? highest * 1.1 : 100);
    y->applyNiceNumbers();
    y->setLabelsFont(small);
    c->addAxis(y, Qt::AlignLeft);
    series->attachAxis(y);
    c->setLocalizeNumbers(true);
    c->setLocale(appLocale());
    QChart* old = chart();
    setChart(c);
    delete old;
}

} // namespace valmir
