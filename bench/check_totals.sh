#!/usr/bin/env bash
# Checks that the invoices of a data folder hold the totals a save stores,
# read through the plain sqlcipher shell (not through the program's code):
# no invoice without them, every line amount in cents, the base the sum of
# the lines, the VAT rounded once from the base at the invoice's rate, the
# sum to pay base + VAT, the search table and the status line's unpaid sum
# as the engine's triggers keep them.
#
#   bench/check_totals.sh DATA_DIR
#   bench/check_totals.sh --generate VALMIR_GEN   (a small folder of its own)
#
# Environment: COLLATION (libvalmir_shell_collation.so; default under
# BUILD_DIR, build-bench). Exit 77: the sqlcipher shell is missing.
set -euo pipefail

SRC=$(cd "$(dirname "$0")/.." && pwd)
COLLATION=${COLLATION:-${BUILD_DIR:-$SRC/build-bench}/bench/libvalmir_shell_collation.so}
command -v sqlcipher >/dev/null || { echo "SKIP: sqlcipher shell missing"; exit 77; }
[ -e "$COLLATION" ] || { echo "missing: $COLLATION" >&2; exit 1; }

WORK=$(mktemp -d)
trap 'rm -rf "$WORK"' EXIT
if [ "${1:-}" = "--generate" ]; then
  # Years before and after the VAT change of July 2013, and the big
  # invoice with its lump-sum line.
  mkdir -m 700 "$WORK/runtime"
  QT_QPA_PLATFORM=offscreen XDG_RUNTIME_DIR=$WORK/runtime \
    "$2" --data-dir "$WORK/data" --invoices 1500 --years 20 --big-invoice 120 >/dev/null
  DATA=$WORK/data
else
  DATA=$1
fi

# The key is the program's own (src/data/Schema.cpp, dataPassword()).
row=$(sqlcipher -batch "$DATA/valmir2009.db" <<SQL
.load $COLLATION
PRAGMA key = '7tav350kr';
.separator ' '
WITH l AS (SELECT ID_racun, total(znesek) AS s,
                  total(abs(znesek * 100 - round(znesek * 100)) > 1e-6) AS uneven
           FROM tblRacunTarife GROUP BY ID_racun),
     r AS (SELECT r.*, ifnull(l.s, 0) AS s, ifnull(l.uneven, 0) AS uneven,
                  ifnull(r.StopnjaDDV, 20) AS rate
           FROM tblRacun r LEFT JOIN l ON l.ID_racun = r.ID)
SELECT count(*),
       total(Osnova IS NULL OR DDV IS NULL OR ZaPlacilo IS NULL),
       total(uneven > 0),
       total(abs(Osnova - s) > 1e-4),
       total(abs(DDV * 100 - round(DDV * 100)) > 1e-6 OR abs(DDV - Osnova * rate / 100) > 0.005001),
       total(abs(ZaPlacilo - Osnova - DDV) > 1e-6),
       printf('%.2f', total(ZaPlacilo)), printf('%.2f', total(s * (1 + rate / 100))),
       total(CASE WHEN ifnull(Placan, 0) = 0 THEN CAST(round(ZaPlacilo * 100) AS INTEGER) END),
       (SELECT NeplacanoCentov FROM tblIskanjeVsota),
       (SELECT count(*) FROM tblIskanje i JOIN tblRacun x ON x.ID = i.ID
        WHERE i.ZaPlacilo IS NOT x.ZaPlacilo)
FROM r;
SQL
)
read -r invoices nulls uneven base vat topay sum expected unpaid kept stale <<<"$row"
echo "invoices $invoices; without totals $nulls; lines not in cents on $uneven; base not the" \
     "sum of the lines $base; VAT not rounded once from the base $vat; sum to pay not base" \
     "+ VAT $topay"
echo "sum to pay $sum; lines x (1 + VAT) $expected; unpaid (cents) $unpaid, status line $kept;" \
     "search rows with another sum $stale"
ok=1
for n in "$nulls" "$uneven" "$base" "$vat" "$topay" "$stale"; do
  [ "${n%.0}" = 0 ] || ok=0
done
[ "${unpaid%.0}" = "$kept" ] || ok=0
# Each invoice's VAT is rounded once, by at most half a cent.
awk -v a="$sum" -v b="$expected" -v n="$invoices" \
  'BEGIN { d = a - b; if (d < 0) d = -d; exit !(d <= 0.005 * n + 0.01) }' || ok=0
[ "$invoices" -gt 0 ] || ok=0
if [ $ok = 1 ]; then echo "totals: all checks passed"; else echo "FAIL: totals"; exit 1; fi
