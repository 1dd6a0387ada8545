// Conversions between a field's stored form and the text, numbers and
// dates callers read and write, with the checks every write passes.
#include "data/engine.h"

#include "data/currency.h"

#include <QStringDecoder>
#include <cmath>

namespace nettora {

namespace {

QString floatText(double d)
{
    if (d == 0)
        return QStringLiteral("0");
    return QString::number(d, 'g', 15);
}

bool parseNumber(const QString &text, double &out)
{
    bool ok = false;
    out = text.trimmed().toDouble(&ok);
    return ok && std::isfinite(out);
}

QString amountText(double v)
{
    return QString::number(v, 'g', 17);
}

}  // namespace

QString storedText(QByteArrayView utf8)
{
    // QString::fromUtf8 drops a byte order mark at the start, which is a
    // character of the text here.
    QStringDecoder decode(QStringDecoder::Utf8, QStringConverter::Flag::ConvertInitialBom);
    return decode(utf8);
}

qsizetype fieldChars(const QString &text)
{
    qsizetype n = 0;
    for (qsizetype i = 0; i < text.size(); ++i, ++n) {
        const QChar c = text[i];
        if (c.isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate())
            ++i;
        else if (c.isSurrogate())
            return -1;
    }
    return n;
}

QString Table::displayText(int pos, const QVariant &v) const
{
    if (!v.isValid() || v.isNull())
        return QString();
    switch (m_def.fields[size_t(pos)].type) {
    case FieldType::Currency: return currencyText(v.toLongLong());
    case FieldType::Float: return floatText(v.toDouble());
    case FieldType::AutoInc: return QString::number(v.toLongLong());
    case FieldType::Logical: return v.toLongLong() ? QStringLiteral("True") : QStringLiteral("False");
    case FieldType::Date: return dateIsoToText(v.toString());
    default: return v.toString();
    }
}

QString Table::asString(int pos)
{
    return displayText(pos, storedValue(pos));
}

QString Table::asString(const QString &field)
{
    return asString(fieldIndex(field));
}

double Table::asFloat(int pos)
{
    const QVariant v = storedValue(pos);
    if (!v.isValid() || v.isNull())
        return 0;
    const FieldDef &f = m_def.fields[size_t(pos)];
    switch (f.type) {
    case FieldType::Currency: return currencyFromStorage(v.toLongLong());
    case FieldType::Float: return v.toDouble();
    case FieldType::AutoInc:
    case FieldType::Logical: return double(v.toLongLong());
    default: {
        const QString s = v.toString();
        double d = 0;
        if (s.trimmed().isEmpty())
            return 0;
        if (!parseNumber(s, d))
            throw EngineError(QStringLiteral("'%1' is not a valid floating point value for the field %2.").arg(s, f.name));
        return d;
    }
    }
}

double Table::asFloat(const QString &field)
{
    return asFloat(fieldIndex(field));
}

qint64 Table::asInteger(int pos)
{
    const QVariant v = storedValue(pos);
    if (!v.isValid() || v.isNull())
        return 0;
    const FieldDef &f = m_def.fields[size_t(pos)];
    switch (f.type) {
    case FieldType::AutoInc:
    case FieldType::Logical: return v.toLongLong();
    case FieldType::Currency:
    case FieldType::Float: return std::llround(asFloat(pos));
    default: {
        const QString s = v.toString().trimmed();
        bool ok = false;
        const qint64 i = s.toLongLong(&ok);
        if (ok)
            return i;
        double d = 0;
        if (!parseNumber(s, d))
            throw EngineError(QStringLiteral("'%1' is not a valid integer value for the field %2.").arg(s, f.name));
        return std::llround(d);
    }
    }
}

qint64 Table::asInteger(const QString &field)
{
    return asInteger(fieldIndex(field));
}

bool Table::isNull(const QString &field)
{
    const QVariant v = storedValue(fieldIndex(field));
    return !v.isValid() || v.isNull();
}

void Table::setStored(int pos, const QVariant &v)
{
    requireActive();
    if (m_state != RecordState::Edit && m_state != RecordState::Insert)
        throw EngineError(QStringLiteral("The table %1 is not in edit or insert mode.").arg(m_def.name));
    if (m_def.fields[size_t(pos)].type == FieldType::AutoInc)
        throw EngineError(QStringLiteral("The field %1 of the table %2 is assigned by the engine.")
                              .arg(m_def.fields[size_t(pos)].name, m_def.name));
    m_buffer[size_t(pos)] = v;
    m_dirty[size_t(pos)] = true;
}

void Table::setAsString(int pos, const QString &value)
{
    if (pos < 0 || pos >= fieldCount())
        throw EngineError(QStringLiteral("The table %1 has no field number %2.").arg(m_def.name).arg(pos));
    const FieldDef &f = m_def.fields[size_t(pos)];
    const QString trimmed = value.trimmed();
    switch (f.type) {
    case FieldType::Text:
    case FieldType::Memo:
        checkText(pos, value);
        setStored(pos, value.isEmpty() ? QVariant() : QVariant(value));
        return;
    case FieldType::Currency:
    case FieldType::Float: {
        if (trimmed.isEmpty()) {
            setStored(pos, QVariant());
            return;
        }
        double d = 0;
        if (!parseNumber(trimmed, d))
            throw EngineError(QStringLiteral("'%1' is not a valid number for the field %2.").arg(value, f.name));
        checkNumber(pos, d, trimmed);
        // An amount is kept from its digits: through a double, 999999999999.9999
        // would come back a ten-thousandth off.
        if (f.type == FieldType::Currency)
            if (const auto units = currencyUnits(QStringView(trimmed))) {
                setStored(pos, *units);
                return;
            }
        setAsFloat(pos, d);
        return;
    }
    case FieldType::Date: {
        if (trimmed.isEmpty()) {
            setStored(pos, QVariant());
            return;
        }
        const QString iso = dateTextToIso(trimmed);
        if (iso.isEmpty())
            throw EngineError(QStringLiteral("'%1' is not a valid date for the field %2.").arg(value, f.name));
        setStored(pos, iso);
        return;
    }
    case FieldType::Logical: {
        const QString l = trimmed.toLower();
        if (l.isEmpty())
            setStored(pos, QVariant());
        else if (l == QLatin1String("true") || l == QLatin1String("t") || l == QLatin1String("yes") || l == QLatin1String("1"))
            setStored(pos, qint64(1));
        else if (l == QLatin1String("false") || l == QLatin1String("f") || l == QLatin1String("no") || l == QLatin1String("0"))
            setStored(pos, qint64(0));
        else
            throw EngineError(QStringLiteral("'%1' is not a valid logical value for the field %2.").arg(value, f.name));
        return;
    }
    case FieldType::AutoInc:
        setStored(pos, QVariant());  // refuses
        return;
    }
}

void Table::setAsString(const QString &field, const QString &value)
{
    setAsString(fieldIndex(field), value);
}

void Table::setAsFloat(int pos, double value)
{
    if (pos < 0 || pos >= fieldCount())
        throw EngineError(QStringLiteral("The table %1 has no field number %2.").arg(m_def.name).arg(pos));
    const FieldDef &f = m_def.fields[size_t(pos)];
    if (!std::isfinite(value))
        throw EngineError(QStringLiteral("The field %1 of the table %2 cannot hold %3: it is not a finite number.")
                              .arg(f.name, m_def.name, amountText(value)));
    switch (f.type) {
    case FieldType::Currency: {
        checkNumber(pos, value, amountText(value));
        const auto units = currencyUnits(value);
        if (!units)  // valueRange and currencyUnits agree; this only guards the conversion
            throw EngineError(QStringLiteral("The amount %1 cannot be stored in the field %2 of the table %3.")
                                  .arg(amountText(value), f.name, m_def.name));
        setStored(pos, *units);
        return;
    }
    case FieldType::Float:
        checkNumber(pos, value, amountText(value));
        setStored(pos, value);
        return;
    case FieldType::Logical: setStored(pos, qint64(value != 0)); return;
    case FieldType::Date:
        throw EngineError(QStringLiteral("The date field %1 cannot take a number.").arg(f.name));
    case FieldType::AutoInc: setStored(pos, QVariant()); return;
    default: setAsString(pos, floatText(value)); return;
    }
}

void Table::setAsFloat(const QString &field, double value)
{
    setAsFloat(fieldIndex(field), value);
}

void Table::checkNumber(int pos, double value, const QString &shown) const
{
    const FieldDef &f = m_def.fields[size_t(pos)];
    if (f.type != FieldType::Currency && f.type != FieldType::Float)
        return;
    if (!std::isfinite(value))
        throw EngineError(QStringLiteral("The field %1 of the table %2 cannot hold %3: it is not a finite number.")
                              .arg(f.name, m_def.name, shown));
    const ValueRange range = valueRange(f);
    if (!range.contains(value))
        throw EngineError(QStringLiteral("The %1 %2 is out of range for the field %3 of the table %4: it must lie "
                                         "between %5 and %6.")
                              .arg(f.type == FieldType::Currency ? QStringLiteral("amount") : QStringLiteral("value"),
                                   shown, f.name, m_def.name, groupedNumber(range.min, 0), groupedNumber(range.max, 0)));
}

void Table::checkText(int pos, const QString &value) const
{
    const FieldDef &f = m_def.fields[size_t(pos)];
    const qsizetype length = fieldChars(value);
    if (length < 0)
        throw EngineError(QStringLiteral("The text for the field %1 of the table %2 is not valid Unicode: it holds "
                                         "a lone surrogate character.")
                              .arg(f.name, m_def.name));
    // Refused rather than cut: a shortened name or account number saved
    // without a word is worse than the message.
    if (f.width > 0 && length > f.width)
        throw EngineError(QStringLiteral("The text for the field %1 of the table %2 is %3 characters long; the field "
                                         "holds at most %4.")
                              .arg(f.name, m_def.name)
                              .arg(length)
                              .arg(f.width));
}

void Table::setValue(int pos, const QVariant &stored)
{
    requireActive();
    if (pos < 0 || pos >= fieldCount())
        throw EngineError(QStringLiteral("The table %1 has no field number %2.").arg(m_def.name).arg(pos));
    if (!stored.isValid() || stored.isNull()) {
        setStored(pos, QVariant());
        return;
    }
    const FieldDef &f = m_def.fields[size_t(pos)];
    switch (f.type) {
    case FieldType::Currency: {
        // The stored form is a count of 1/10,000 dollar.
        bool ok = false;
        const qint64 units = stored.toLongLong(&ok);
        if (!ok || stored.typeId() == QMetaType::QString)
            throw EngineError(QStringLiteral("'%1' is not a stored amount for the field %2 of the table %3.")
                                  .arg(stored.toString(), f.name, m_def.name));
        const double amount = currencyFromStorage(units);
        checkNumber(pos, amount, amountText(amount));
        setStored(pos, units);
        return;
    }
    case FieldType::Float: {
        bool ok = false;
        const double d = stored.toDouble(&ok);
        if (!ok)
            throw EngineError(QStringLiteral("'%1' is not a valid number for the field %2 of the table %3.")
                                  .arg(stored.toString(), f.name, m_def.name));
        checkNumber(pos, d, amountText(d));
        setStored(pos, d);
        return;
    }
    case FieldType::Text:
    case FieldType::Memo:
        checkText(pos, stored.toString());
        setStored(pos, stored.toString());
        return;
    default:
        setStored(pos, stored);
        return;
    }
}

void Table::setAsInteger(const QString &field, qint64 value)
{
    const int pos = fieldIndex(field);
    if (m_def.fields[size_t(pos)].type == FieldType::Text || m_def.fields[size_t(pos)].type == FieldType::Memo)
        setAsString(pos, QString::number(value));
    else
        setAsFloat(pos, double(value));
}

void Table::setNull(const QString &field)
{
    setStored(fieldIndex(field), QVariant());
}

}  // namespace nettora
