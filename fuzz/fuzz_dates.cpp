// The date reader: any text gives a valid date or none, and a date read
// reads back the same from the form the program writes it in.

#include "FuzzSupport.h"

#include "text/TextForms.h"

using namespace valmir;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    const std::optional<QDate> date = readDate(QString::fromUtf8(bytes));
    if (!date)
        return 0;
    if (!date->isValid())
        fuzz::fail("readDate gave an invalid date", bytes);
    const QString written = dateText(*date);
    if (readDate(written) != date)
        fuzz::fail("a written date does not read back", written.toUtf8());
    if (readDate(date->toString(Qt::ISODate)) != date)
        fuzz::fail("a stored (ISO) date does not read back", bytes);
    return 0;
}
