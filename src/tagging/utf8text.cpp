#include "tagging/utf8text.h"

#include <QFile>
#include <QStringDecoder>

QString stringFromUtf8(std::string_view bytes)
{
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString text = decoder.decode(QByteArrayView(bytes.data(), static_cast<qsizetype>(bytes.size())));
    if (decoder.hasError())
        return {};
    if (text.isNull())
        text = QStringLiteral("");  // an empty tag is still a tag
    return text;
}

std::string utf8FromString(const QString& text)
{
    return text.toStdString();
}

std::filesystem::path pathFromLocalFile(const QString& localFile)
{
    return std::filesystem::path(QFile::encodeName(localFile).toStdString());
}
