#include "windows1252.h"

#include <QStringDecoder>
#include <QStringEncoder>

namespace platform {

std::optional<QByteArray> encodeWindows1252(const QString& text)
{
    QStringEncoder encoder("windows-1252", QStringConverter::Flag::Stateless);
    if (!encoder.isValid())
        return std::nullopt;
    QByteArray bytes = encoder.encode(text);
    if (encoder.hasError())
        return std::nullopt;
    return bytes;
}

QString decodeWindows1252(const QByteArray& bytes)
{
    QStringDecoder decoder("windows-1252", QStringConverter::Flag::Stateless);
    if (!decoder.isValid())
        return QString::fromLatin1(bytes);
    return decoder.decode(bytes);
}

}  // namespace platform
