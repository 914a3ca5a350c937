#pragma once

#include <QByteArray>
#include <QByteArrayView>

// The media type of a Content-Type value, lower case and without parameters or white space:
// "Image/PNG; charset=x" gives "image/png".
QByteArray mediaTypeOf(QByteArrayView contentType);
