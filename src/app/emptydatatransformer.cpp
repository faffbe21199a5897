#include "app/emptydatatransformer.h"

#include "model/helpers.h"

#include <QByteArray>

QMetaType EmptyDataTransformer::transformedValueClass() const
{
    return QMetaType::fromType<QString>();
}

QVariant EmptyDataTransformer::transformedValue(const QVariant& value) const
{
    if (!value.isValid() || value.toByteArray().isEmpty())
        return {};
    const QUrl folder = workingDirectoryURL();
    return folder.isEmpty() ? QVariant() : QVariant(folder.toLocalFile());
}
