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

// Encodes to GBK. A character GBK cannot hold (emoji, most of Unicode outside CJK) becomes "?",
// one "?" per code point.
QByteArray encode(QStringView text);

// True when every character of the text survives encode() unchanged.
bool canEncode(QStringView text);

} // namespace Gbk
