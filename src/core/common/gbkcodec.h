#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QStringView>

// Code page 936 (GBK, a superset of GB2312), the one character set the blog host sends and every
// file we write uses. The tables are built once from glibc's iconv and then used without it.
namespace Gbk {

// Decodes GBK bytes. A byte that does not start a valid character (a lone lead byte at the end, an
// invalid pair) becomes U+FFFD; decoding never fails.
QString decode(QByteArrayView bytes);

// Encodes to GBK. U+FFFD, what decode() makes of a byte that is not GBK, becomes the byte 0xFF, which
// decodes to U+FFFD again. Any other character GBK cannot hold (emoji, most of Unicode outside CJK)
// becomes "?", one "?" per code point.
QByteArray encode(QStringView text);

// True when GBK holds every character of the text (U+FFFD is not one of them).
bool canEncode(QStringView text);

} // namespace Gbk
