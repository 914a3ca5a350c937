#include "common/mediatype.h"

QByteArray mediaTypeOf(QByteArrayView contentType)
{
    const qsizetype semicolon = contentType.indexOf(';');
    return (semicolon < 0 ? contentType : contentType.first(semicolon)).trimmed().toByteArray().toLower();
}
