#include "propertylist.h"

#include "propertylistguard.h"

#include <QDateTime>

#include <plist/plist.h>

#include <cstdlib>
#include <limits>
#include <memory>

namespace platform {

namespace {

struct PlistFree {
    void operator()(plist_t node) const { plist_free(node); }
};
using PlistPtr = std::unique_ptr<void, PlistFree>;

// Property-list dates count seconds from 2001-01-01 00:00:00 UTC.
const QDateTime& referenceDate()
{
    static const QDateTime date(QDate(2001, 1, 1), QTime(0, 0), Qt::UTC);
    return date;
}

// Deeply nested input must not exhaust the stack.
constexpr int maxDepth = 512;

std::optional<QVariant> toVariant(plist_t node, int depth);

std::optional<QVariant> dictToVariant(plist_t node, int depth)
{
    QVariantMap map;
    plist_dict_iter it = nullptr;
    plist_dict_new_iter(node, &it);
    if (!it)
        return map;
    std::unique_ptr<void, decltype(&std::free)> iterGuard(it, &std::free);
    for (;;) {
        char* key = nullptr;
        plist_t value = nullptr;
        plist_dict_next_item(node, it, &key, &value);
        if (!value) {
            std::free(key);
            break;
        }
        const QString name = QString::fromUtf8(key);
        std::free(key);
        auto converted = toVariant(value, depth + 1);
        if (!converted)
            return std::nullopt;
        map.insert(name, *converted);
    }
    return map;
}

std::optional<QVariant> arrayToVariant(plist_t node, int depth)
{
    QVariantList list;
    const uint32_t count = plist_array_get_size(node);
    list.reserve(count);
    for (uint32_t i = 0; i < count; ++i) {
        auto converted = toVariant(plist_array_get_item(node, i), depth + 1);
        if (!converted)
            return std::nullopt;
        list.append(*converted);
    }
    return list;
}

std::optional<QVariant> toVariant(plist_t node, int depth)
{
    if (!node || depth > maxDepth)
        return std::nullopt;
    switch (plist_get_node_type(node)) {
        case PLIST_DICT:
            return dictToVariant(node, depth);
        case PLIST_ARRAY:
            return arrayToVariant(node, depth);
        case PLIST_STRING: {
            uint64_t length = 0;
            const char* text = plist_get_string_ptr(node, &length);
            return QVariant(QString::fromUtf8(text, static_cast<qsizetype>(length)));
        }
        case PLIST_BOOLEAN: {
            uint8_t value = 0;
            plist_get_bool_val(node, &value);
            return QVariant(value != 0);
        }
        case PLIST_UINT: {
            // libplist keeps negative integers in two's complement.
            uint64_t value = 0;
            plist_get_uint_val(node, &value);
            return QVariant(static_cast<qint64>(value));
        }
        case PLIST_REAL: {
            double value = 0;
            plist_get_real_val(node, &value);
            return QVariant(value);
        }
        case PLIST_DATE: {
            int32_t seconds = 0;
            int32_t microseconds = 0;
            plist_get_date_val(node, &seconds, &microseconds);
            const qint64 ms = qint64(seconds) * 1000 + microseconds / 1000;
            return QVariant(referenceDate().addMSecs(ms));
        }
        case PLIST_DATA: {
            uint64_t length = 0;
            const char* bytes = plist_get_data_ptr(node, &length);
            return QVariant(QByteArray(bytes, static_cast<qsizetype>(length)));
        }
        case PLIST_UID: {
            uint64_t value = 0;
            plist_get_uid_val(node, &value);
            return QVariant(static_cast<qint64>(value));
        }
        default:
            return std::nullopt;
    }
}

PlistPtr fromVariant(const QVariant& value, int depth);

// XML 1.0 cannot carry most control characters, U+FFFE or U+FFFF: a document
// holding one is refused by every reader, losing the whole list. They are
// left out (lone surrogates become U+FFFD on the way to UTF-8).
QByteArray xmlText(const QString& text)
{
    QString kept = text;
    kept.removeIf([](QChar c) {
        const char16_t unit = c.unicode();
        return unit >= 0x20 ? unit >= 0xFFFE : unit != 0x9 && unit != 0xA && unit != 0xD;
    });
    return kept.toUtf8();
}

PlistPtr mapToPlist(const QVariantMap& map, int depth)
{
    PlistPtr dict(plist_new_dict());
    for (auto it = map.begin(); it != map.end(); ++it) {
        PlistPtr item = fromVariant(it.value(), depth + 1);
        if (!item)
            return nullptr;
        plist_dict_set_item(dict.get(), xmlText(it.key()).constData(), item.release());
    }
    return dict;
}

PlistPtr listToPlist(const QVariantList& list, int depth)
{
    PlistPtr array(plist_new_array());
    for (const QVariant& element : list) {
        PlistPtr item = fromVariant(element, depth + 1);
        if (!item)
            return nullptr;
        plist_array_append_item(array.get(), item.release());
    }
    return array;
}

PlistPtr dateToPlist(const QDateTime& date)
{
    if (!date.isValid())
        return nullptr;
    const qint64 ms = referenceDate().msecsTo(date);
    const qint64 seconds = ms >= 0 ? ms / 1000 : -((-ms + 999) / 1000);
    if (seconds < std::numeric_limits<int32_t>::min() || seconds > std::numeric_limits<int32_t>::max())
        return nullptr;
    const auto microseconds = static_cast<int32_t>((ms - seconds * 1000) * 1000);
    return PlistPtr(plist_new_date(static_cast<int32_t>(seconds), microseconds));
}

PlistPtr fromVariant(const QVariant& value, int depth)
{
    if (depth > maxDepth)
        return nullptr;
    switch (value.typeId()) {
        case QMetaType::QVariantMap:
            return mapToPlist(value.toMap(), depth);
        case QMetaType::QVariantHash: {
            QVariantMap map;
            const QVariantHash hash = value.toHash();
            for (auto it = hash.begin(); it != hash.end(); ++it)
                map.insert(it.key(), it.value());
            return mapToPlist(map, depth);
        }
        case QMetaType::QVariantList:
        case QMetaType::QStringList:
            return listToPlist(value.toList(), depth);
        case QMetaType::QString:
            return PlistPtr(plist_new_string(xmlText(value.toString()).constData()));
        case QMetaType::Bool:
            return PlistPtr(plist_new_bool(value.toBool() ? 1 : 0));
        case QMetaType::Int:
        case QMetaType::Long:
        case QMetaType::LongLong:
        case QMetaType::Short:
            return PlistPtr(plist_new_uint(static_cast<uint64_t>(value.toLongLong())));
        case QMetaType::UInt:
        case QMetaType::ULong:
        case QMetaType::ULongLong:
        case QMetaType::UShort:
            return PlistPtr(plist_new_uint(value.toULongLong()));
        case QMetaType::Double:
        case QMetaType::Float:
            return PlistPtr(plist_new_real(value.toDouble()));
        case QMetaType::QDateTime:
            return dateToPlist(value.toDateTime());
        case QMetaType::QByteArray: {
            const QByteArray bytes = value.toByteArray();
            return PlistPtr(plist_new_data(bytes.constData(), static_cast<uint64_t>(bytes.size())));
        }
        default:
            return nullptr;
    }
}

}  // namespace

std::optional<QVariant> parsePropertyList(const QByteArray& data)
{
    if (data.isEmpty() || data.size() > std::numeric_limits<uint32_t>::max())
        return std::nullopt;
    const bool binary = data.startsWith("bplist");
    if (binary ? !binaryPropertyListIsSafe(data) : !xmlPropertyListIsSafe(data))
        return std::nullopt;
    plist_t root = nullptr;
    plist_from_memory(data.constData(), static_cast<uint32_t>(data.size()), &root);
    PlistPtr guard(root);
    if (!root)
        return std::nullopt;
    return toVariant(root, 0);
}

std::optional<QByteArray> xmlPropertyList(const QVariant& value)
{
    PlistPtr root = fromVariant(value, 0);
    if (!root)
        return std::nullopt;
    char* xml = nullptr;
    uint32_t length = 0;
    plist_to_xml(root.get(), &xml, &length);
    if (!xml)
        return std::nullopt;
    QByteArray out(xml, static_cast<qsizetype>(length));
    plist_to_xml_free(xml);
    return out;
}

}  // namespace platform
